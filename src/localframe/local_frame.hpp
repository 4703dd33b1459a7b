// Local-frame assignment of one atom, then its kappa set, constraint and
// output lines.
#pragma once

#include <vector>

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// The whole per-atom work: frame and site symmetry, then kappa set,
// chemical constraint, output lines and databank transfer.  `earlier` holds
// the results of atoms 1 .. atom - 1.
AtomSetup defloc(RunState& rs, int atom, const std::vector<AtomSetup>& earlier);

// The first half of defloc: the atom's local axes, its site symmetry
// (sitesym of the atom), the ring flags, lpg and, for a hydrogen, its parent
// descriptors.  Axis points that are symmetry copies are replaced by
// dummies before it returns.
void assign_frame(RunState& rs, int atom, Frame& frame);

// Replaces axis points that coincide with symmetry-generated atoms by new
// dummies.
void checksymeq(RunState& rs, Frame& frame);

}  // namespace vorn
