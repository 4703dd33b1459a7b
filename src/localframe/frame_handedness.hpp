// Right- or left-handed frame of a chemically constrained atom: whether the
// atom sees its bonded neighbours in its own local frame as its reference
// atom sees its own, or as their mirror image.  XD relates such enantiomeric
// environments by a left-handed frame (L in the R/L column of the atom
// table), which reverses the axis that no axis point directs.
#pragma once

#include <utility>
#include <vector>

#include <gemmi/math.hpp>

#include "localframe/frame_records.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "structure/cell.hpp"

namespace vorn {

// A bonded neighbour seen from the atom: its atomic number and the unit
// direction of the bond in the atom's local frame (components along X, Y,
// Z).
struct LocalBond {
  int atomic_number = 0;
  Vec3 dir{};
};

// Index (0 X, 1 Y, 2 Z) of the axis that no axis point directs: the one that
// a left-handed frame reverses.
int free_axis(const Frame& f);

// Unit bond directions from `origin` to each neighbour (atomic number and
// Cartesian position) in the frame whose X, Y, Z axes are the columns of
// `axes`.
std::vector<LocalBond> bonds_in_frame(const Vec3& origin, const gemmi::Mat33& axes,
                                      const std::vector<std::pair<int, Vec3>>& neighbours);

// The bonds reflected through the plane perpendicular to `axis`.
std::vector<LocalBond> reflected(std::vector<LocalBond> bonds, int axis);

// The largest angle (degrees) between paired bonds of the two sets, for the
// pairing by element that makes it smallest; infinity when the two sets do
// not hold the same elements.
double pairing_deviation(const std::vector<LocalBond>& a, const std::vector<LocalBond>& b);

// Whether reversing `axis` changes any of the multipoles `allowed`: when it
// changes none, the hand of the frame does not matter.
bool hand_changes_multipoles(const MultipoleSet& allowed, int axis);

enum class MirrorVerdict {
  right,       // same environment (or the question has no meaning): R
  left,        // mirror-image environment: L
  unmatched,   // neither: the constraint cannot hold
};

struct MirrorCheck {
  MirrorVerdict verdict = MirrorVerdict::right;
  double direct = 0;     // deviation of the bonds as they are (degrees)
  double mirrored = 0;   // ... after reflecting the atom's own bonds
};

// Bond directions of chemically equivalent, crystallographically
// independent atoms agree to within a few degrees; mirror images differ by
// far more.
constexpr double kMirrorTolerance = 15.0;

// The verdict for an atom with frame `f` whose bonds are `atom` against its
// reference's bonds `reference` (each in its own frame).  An atom with
// fewer than three bonds, whose multipoles do not change with the hand of
// the frame, or whose own bonds are their mirror image, is R.
MirrorCheck compare_environments(const Frame& f, const std::vector<LocalBond>& atom,
                                 const std::vector<LocalBond>& reference);

}  // namespace vorn
