// The local frame of an atom on a special position: the frame chosen from
// its neighbours is kept when the symmetry of its crystallographic site
// leaves every allowed multipole a single term in it; otherwise the frame
// is built from the site's symmetry elements and the atom is labelled with
// the site's point group.
#pragma once

#include <gemmi/math.hpp>

#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "structure/cell.hpp"
#include "structure/site_symmetry.hpp"

namespace vorn {

// Unit vectors of the frame's X, Y and Z axes (the columns), right-handed:
// the first axis points from the atom to the first axis point, the second
// lies towards the second point, perpendicular to the first.
gemmi::Mat33 frame_axes(const Vec3& atom, const Frame& frame);
// The same axes with the third turned over for a left-handed frame (the L
// of the XD atom table), as the multipoles of such an atom are meant.
gemmi::Mat33 handed_axes(const Vec3& atom, const Frame& frame, bool left);

// The operations of the site expressed in the frame.
std::vector<gemmi::Mat33> operations_in_frame(const SiteSymmetry& site, const gemmi::Mat33& axes);

// Drops the dummies made for a frame that was then replaced, unless a
// ring keeps one as its centre for the atoms still to come.
void discard_dummies_after(const AtomLoop& loop, int count);

// Fits the atom's frame (and its site-symmetry label) to its site and
// stores in the frame the multipoles that the site and the kept label
// allow; writes what it decided to the log.  Dummies numbered above
// `dummies_before` were made for the frame from the neighbours and are
// dropped when the site's frame replaces it.
void fit_frame_to_site(const AtomLoop& loop, int atom, Frame& frame, int dummies_before);

}  // namespace vorn
