// Chemical rules on top of the distance criterion of a covalent bond:
// which contacts within bonding distance are no bonds.
#pragma once

#include <vector>

#include "structure/model.hpp"

namespace vorn {

// Sites closer than this (Angstrom) are one site seen twice (split or
// duplicate positions), never two bonded atoms.
inline constexpr double kMinBondLength = 0.5;

// Whether atoms of disorder parts part_a and part_b may bond: never two
// different non-zero parts; part 0 bonds to every part; a negative part
// (a site its own symmetry copy overlaps) only inside one image.
bool parts_may_bond(int part_a, int part_b, bool same_image);

// The asymmetric-unit atom that entry k of the atom table is (k) or copies.
int source_atom(const Model& md, int k);

// Whether entries i and j of the atom table (copies included) may bond at
// all, whatever their distance: never when a NOBOND line names their
// atoms; by their disorder parts when either has one, else two disordered
// atoms only inside one occupancy component.
bool may_bond(const Model& md, int i, int j);

// Metals in the sense of bridging hydrides: every element but the
// non-metals and metalloids that bond as non-metals.
bool is_metal(int z);

// Whether a hydrogen may bridge between atoms of elements z1 and z2
// (B-H-B, M-H-M, B-H-M): both boron or metal.
bool hydrogen_may_bridge(int z1, int z2);

// The partners a hydrogen keeps among its contacts within bonding
// distance, given nearest first with their elements: the nearest one, and
// the others only where the hydrogen bridges two boron or metal atoms.
// Returns the positions (into the contact list) kept.
std::vector<std::size_t> hydrogen_partners(const std::vector<int>& contact_elements);

}  // namespace vorn
