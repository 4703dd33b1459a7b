// What the neighbour search and the ring search find.
#pragma once

#include <set>
#include <vector>

#include "structure/capacity.hpp"

namespace vorn {

// One neighbour type: the neighbours of one element.
struct NeighborType {
  int atomic_number = 0;                 // atomic number of the type
  std::vector<int> members;   // entry indices
  int count() const { return static_cast<int>(members.size()); }
};

// The result of one atom's neighbour search: the atoms found, their
// distances and the element types among them.
struct FoundNeighbours {
  std::vector<int> atom;      // neighbour entry indices, nearest first
  std::vector<double> dist;    // their distances (Angstrom)
  std::vector<NeighborType> types;  // by ascending atomic number
  int count() const { return static_cast<int>(atom.size()); }
  int type_count() const { return static_cast<int>(types.size()); }
  void clear() { atom.clear(); dist.clear(); types.clear(); }
};

// The stored neighbours of one entry of the atom table.
struct AtomNeighbors {
  std::vector<int> atom;      // in order of increasing distance
  std::vector<double> dist;
  std::vector<NeighborType> types;  // ascending atomic number; members sorted
  int count() const { return static_cast<int>(atom.size()); }
  int type_count() const { return static_cast<int>(types.size()); }
};

// The stored neighbours of every entry of the atom table, copies included
// (entry i at of[i]), sized to the entries by the search that makes it.
struct Neighbors {
  Neighbors() = default;
  explicit Neighbors(int entries) : of(static_cast<std::size_t>(entries)) {}
  std::vector<AtomNeighbors> of;
};

// One ring found by the ring search.
struct Ring {
  std::vector<int> members;   // entry indices in walk order
  bool planar = false;
  int centre_dummy = 0;       // dummy atom marking the centre, 0 until made
  int size() const { return static_cast<int>(members.size()); }
};

struct Rings {
  std::vector<Ring> list;     // ring r is list[r-1]
  // The member sets (sorted) of the rings the ring search stored, so that
  // a ring found again in another walk order is known at once.  It covers
  // the list only while it has as many sets as the list has rings.
  std::set<std::vector<int>> known;
  void clear() { list.clear(); known.clear(); }
  int count() const { return static_cast<int>(list.size()); }
  Ring& ring(int r) { return list.at(static_cast<std::size_t>(r - 1)); }
  const Ring& ring(int r) const { return list.at(static_cast<std::size_t>(r - 1)); }
};

// The planar rings of one atom, as the databank entries describe them.
struct PlanarRings {
  int rings = 0;     // how many planar rings the atom is in: 0, 1 or 2
  int members = 0;   // the ring's size, or the sum of the two sizes
};

// The reduced connectivity table of the ring search: the atoms that the
// removal of open atoms left, at reduced positions 0 .. count() - 1.
struct ReducedTable {
  std::vector<int> atom;                    // the entry index at each position
  std::vector<std::vector<int>> conn;       // the positions each is bonded to
  std::vector<std::vector<bool>> unwalked;  // per connection: not walked yet
  std::vector<bool> reached;                // the walk has reached the position
  int count() const { return static_cast<int>(atom.size()); }
};

}  // namespace vorn
