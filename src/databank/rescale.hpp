// Valence-population rescaling to fragment charges.
#pragma once

namespace vorn {

struct RunState;
class RecordFile;

// Reads the fragments and charges from vorn.inp in the working directory.
void rescalepv(RunState& rs);
// The same with the control file given; nullptr when it could not be
// opened (every atom then forms fragment 1).
void rescalepv(RunState& rs, RecordFile* control);

}  // namespace vorn
