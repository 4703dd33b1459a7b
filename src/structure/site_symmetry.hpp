// The crystallographic symmetry of an atom's site: the operators of the
// space group that map the atom onto itself, their rotation parts in
// Cartesian space, the point group they form and its symmetry elements.
// An atom on a special position may carry only the multipoles that this
// group leaves unchanged.
#pragma once

#include <string>
#include <vector>

#include <gemmi/math.hpp>
#include <gemmi/symmetry.hpp>

#include "structure/model.hpp"

namespace vorn {

// Sites closer than this (Angstrom) to their image are the same site.
constexpr double kSiteTolerance = 0.01;

// One symmetry operation of a site in Cartesian space: its rotation part,
// its kind (n for an n-fold rotation, -n for an n-fold rotoinversion: -1
// the inversion, -2 a mirror) and its axis (unit vector; a mirror's
// normal; zero for the identity and the inversion).
struct SiteOperation {
  gemmi::Mat33 rotation;
  int kind = 1;
  gemmi::Vec3 axis;
};

struct SiteSymmetry {
  std::vector<SiteOperation> operations;   // the identity first
  gemmi::PointGroup point_group = gemmi::PointGroup::C1;
  bool special() const { return operations.size() > 1; }
};

// The operations (lattice translations included) that map the atom onto
// itself within kSiteTolerance, whatever its occupancy.
SiteSymmetry find_site_symmetry(const Model& model, int atom);

// The symmetry elements of a site: one entry per rotation axis (its
// highest order, a rotoinversion where that is the highest), per mirror
// and for the inversion; the identity is left out.
std::vector<SiteOperation> symmetry_elements(const SiteSymmetry& site);
// An element in the notation of the crystallographic tables ("2", "-4",
// "m", "-1").
std::string element_symbol(int kind);

// The operation times the inversion (-R).
gemmi::Mat33 times_inversion(const gemmi::Mat33& rotation);

// The kind and axis of a Cartesian rotation or rotoinversion matrix.
SiteOperation classify_operation(const gemmi::Mat33& rotation);

// The crystallographic point group of a set of operations that forms one.
gemmi::PointGroup classify_point_group(const std::vector<SiteOperation>& operations);

// The Hermann-Mauguin symbol of a point group as the site-symmetry column
// of the XD atom table writes it ("1" is "NO", the inversion "C").
std::string site_symmetry_label(gemmi::PointGroup group);

}  // namespace vorn
