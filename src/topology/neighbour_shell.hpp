// What chemical equivalence compares one bond away from an atom: the kind
// of each bonded neighbour, and whether an atom closes a ring.
#pragma once

#include <array>
#include <vector>

#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// The kind of one bonded neighbour: element, bonded hydrogens, bonds.
using NeighbourKind = std::array<int, 3>;

// The number of hydrogens bonded to the atom.
int bonded_hydrogens(const Neighbors& all, int atom);

// The kinds of the atom's bonded neighbours, sorted, so that two atoms
// with the same neighbours in another order compare equal.
std::vector<NeighbourKind> neighbour_shell(const Model& md, const Neighbors& all, int atom);

// The largest ring that makes a hydrogen's parent a ring atom for the
// equivalence of hydrogens (the ring search's usual upper limit).
inline constexpr int kRingLimit = 8;

// Whether the atom lies in a ring of at most max_size bonded atoms: some
// neighbour reaches it again without the bond between them.
bool in_ring(const Neighbors& all, int atom, int max_size);

}  // namespace vorn
