// Kappa sets, chemical constraints and databank populations: the second
// half of the per-atom work, after its frame is fixed.
#pragma once

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// The atom's kappa set and chemical constraint, its lines of the log and
// the terminal and its databank populations.
AtomSetup kappa_and_output(RunState& rs, int atom, Frame& frame);

}  // namespace vorn
