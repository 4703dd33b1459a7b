// The XD parameter file xd_vorn.inp, written in one pass over the atoms
// together with the fixedH.ins lines and the MoPro atom records.
#pragma once

#include <vector>

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// xd_vorn.inp, the MoPro atom records and the similarity section of
// con_mopro.inp from what the per-atom loop decided, and fixedH.ins.
void write_parameter_files(RunState& rs, const std::vector<AtomSetup>& setup);

}  // namespace vorn
