// Local-frame assignment of one atom, then its kappa set, constraint and
// output lines.
#pragma once

#include <optional>
#include <vector>

#include <gemmi/math.hpp>

#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"

namespace vorn {

// The whole per-atom work: frame and site symmetry, then kappa set,
// chemical constraint, output lines and databank transfer.  `earlier` holds
// the results of entries 0 .. atom - 1.
AtomSetup set_up_atom(const AtomLoop& loop, int atom, const std::vector<AtomSetup>& earlier);

// The first half of set_up_atom: the atom's local axes, its site-symmetry label
// (sitesym of the atom), the ring flags, the planarity of its group and,
// for a hydrogen, its parent descriptors.  Axis points that are symmetry
// copies are replaced by dummies before it returns.
Frame assign_frame(const AtomLoop& loop, int atom);

// The axes (columns) of the frame in which the program's own bank defines
// its entries, for an atom whose frame before the site is looked at is
// `chosen`: the frame of the program's rules with an atom of a planar ring
// referred to its ring centre (the rules of RINGS *special, the frames the
// bank's ring entries were written for).  None when its points span no
// plane.
std::optional<gemmi::Mat33> bank_frame_axes(const AtomLoop& loop, int atom, const Frame& chosen);

// Replaces axis points that coincide with symmetry-generated atoms by new
// dummies.
void replace_copies_by_dummies(const IndexedAtoms& atoms, Dummies& dummies, Log& log, Frame& frame);

}  // namespace vorn
