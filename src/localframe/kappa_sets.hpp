// Kappa sets, chemical constraints and the atom's output lines: the second
// half of the per-atom work, after its frame is fixed.
#pragma once

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

void kappa_and_output(RunState& rs, int atom, Frame& frame);

}  // namespace vorn
