// Records of the neighbour search and the ring search.
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

// Work record `neig`: the result of the latest single-atom search.
struct Neig {
  std::vector<int> atom;      // neighbour entry indices, nearest first
  std::vector<double> dist;    // their distances (Angstrom)
  std::vector<NeighborType> types;  // by ascending atomic number
  int inei() const { return static_cast<int>(atom.size()); }
  int ntypes() const { return static_cast<int>(types.size()); }
  void clear() { atom.clear(); dist.clear(); types.clear(); }
};

// One atom's column of record `neighbors`.
struct AtomNeighbors {
  std::vector<int> atom;      // in order of increasing distance
  std::vector<double> dist;
  std::vector<NeighborType> types;  // ascending atomic number; members sorted
  int nnei() const { return static_cast<int>(atom.size()); }
  int ntypes() const { return static_cast<int>(types.size()); }
};

// Record `neighbors`: the stored table of every entry of the expanded list
// (entry i at of[i]), sized to the entries by the search that makes it.
struct Neighbors {
  Neighbors() = default;
  explicit Neighbors(int entries) : of(static_cast<std::size_t>(entries)) {}
  std::vector<AtomNeighbors> of;
};

// One ring of record `rings`.
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
  int nor() const { return static_cast<int>(list.size()); }
  Ring& ring(int r) { return list.at(static_cast<std::size_t>(r - 1)); }
  const Ring& ring(int r) const { return list.at(static_cast<std::size_t>(r - 1)); }
};

// The planar rings of one atom.
struct Forring {
  int iring = 0;   // 0 not a ring atom, 1 in one planar ring, 2 in two
  int imemb = 0;   // ring size, or the sum of the two sizes
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
