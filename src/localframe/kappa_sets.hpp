// Kappa sets, chemical constraints and databank populations: the second
// half of the per-atom work, after its frame is fixed.
#pragma once

#include <optional>
#include <vector>

#include <gemmi/math.hpp>

#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"

namespace vorn {

// The atom's kappa set and chemical constraint (with the hand of its frame
// against that of the atom it is constrained to, one of `earlier`, the
// results of entries 0 .. atom - 1), its lines of the log and the terminal and
// its databank populations.  An entry of the program's own bank is turned
// from the frame `bank_axes` (columns; the frame of the bank's rules)
// into the frame written; without it the entry is taken as it is.
AtomSetup kappa_and_output(const AtomLoop& loop, int atom, Frame& frame, const std::vector<AtomSetup>& earlier,
                           const std::optional<gemmi::Mat33>& bank_axes = std::nullopt);

}  // namespace vorn
