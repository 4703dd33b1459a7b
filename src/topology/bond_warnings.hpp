// Warnings about bonds the distance criterion may have got wrong: metals
// left without any bond, and contacts just beyond bonding distance.
#pragma once

#include "layout/log.hpp"
#include "topology/cell_grid.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// A contact up to this factor times the bonding distance (sum of covalent
// radii and bond tolerance) is near enough to be a bond the user may want.
inline constexpr double kNearBondFactor = 1.15;

// Two sites closer than this (Angstrom) are alternatives of one atom; when
// no PART says so, the disorder was probably not resolved.
inline constexpr double kUnresolvedDisorder = 0.8;

// One warning per pair of sites 0.01 to 0.8 A apart that no PART separates;
// one warning per metal atom of the asymmetric unit with no bonded
// neighbour, and one per pair of atoms (at least one of the asymmetric
// unit) farther apart than their bonding distance by at most 15 % and not
// bonded to one common atom.
void warn_doubtful_bonds(const IndexedAtoms& tab, const Neighbors& all, Log& log);

}  // namespace vorn
