// Kappa sets, chemical constraints and databank populations: the second
// half of the per-atom work, after its frame is fixed.
#pragma once

#include <vector>

#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"

namespace vorn {

// The atom's kappa set and chemical constraint (with the hand of its frame
// against that of the atom it is constrained to, one of `earlier`, the
// results of atoms 1 .. atom - 1), its lines of the log and the terminal and
// its databank populations.
AtomSetup kappa_and_output(const AtomLoop& loop, int atom, Frame& frame, const std::vector<AtomSetup>& earlier);

}  // namespace vorn
