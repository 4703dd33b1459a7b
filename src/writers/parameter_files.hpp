// The XD parameter file xd_vorn.inp, written in one pass over the atoms
// together with the fixedH.ins lines and the MoPro atom records.
#pragma once

namespace vorn {

struct RunState;

void write_parameter_files(RunState& rs);

}  // namespace vorn
