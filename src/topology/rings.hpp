// Ring search over the reduced connectivity table.
#pragma once

#include <ostream>
#include <vector>

#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// What the ring search makes: the rings, the planar ones marked, and the
// atoms left in the reduced table after the eliminations, in table order
// (the reduced structure).
struct FoundRings {
  Rings rings;
  std::vector<int> reduced;
};

// The ring search: builds the reduced connectivity table (a local of the
// search) over the atom table, walks it and returns the rings found within
// the ring limits of the switches.
FoundRings find_rings(const IndexedAtoms& tab, Log& log);

// Its steps work on what the search reads and the rings stored so far.
struct RingSearch {
  IndexedAtoms tab;
  Log& log;
  Rings& rings;
};
// Builds the reduced table by removing open atoms.
void build_reduced_table(const RingSearch& search, ReducedTable& t);
// One elimination cycle; remaining receives the number of atoms kept.
// Candidates come from the cell lists of the atom table; eliminate_direct
// compares every pair of table atoms.
void eliminate(const RingSearch& search, ReducedTable& t, int cycle, int& remaining);
void eliminate_direct(const RingSearch& search, ReducedTable& t, int cycle, int& remaining);
// The reduced table, one line per position with the labels it connects to.
void write_connectivity(const Model& md, const ReducedTable& t, std::ostream& os);
// Walks the reduced table and stores the rings.
void walk_reduced_table(const RingSearch& search, ReducedTable& t);

// Steps of the walk.  The path is the stack of reduced positions walked;
// its size is the depth.
//
// The next unwalked connection of `current` that does not lead back to
// `previous` (-1: none to exclude), marked walked; -1 when there is none.
int next_unwalked_connection(ReducedTable& t, int previous, int current);
// Cuts the path back to its last atom (below the top) that has more than two
// connections and one still unwalked; false when there is none.
bool back_to_last_choice_point(const ReducedTable& t, std::vector<int>& path);
// Starts a new walk at the first atom not yet reached; false when none.
bool start_walk_at_unreached_atom(ReducedTable& t, std::vector<int>& path);
// The same, scanning from position `from` on (every earlier position is
// reached or has no connection); `from` is left at the start found.
bool start_walk_at_unreached_atom(ReducedTable& t, std::vector<int>& path, int& from);
// Tests the path's entries start .. end-1 as a ring (path[end] closes it at
// path[start]); stores, reports and tests it for planarity when it is new
// and within the size limits.
void store_if_new_ring(const RingSearch& search, const ReducedTable& t, const std::vector<int>& path, int start, int end);
// Stores a new ring (entry indices in ring order), reports it and tests it
// for planarity.
void store_ring(const RingSearch& search, const std::vector<int>& members);
// After the walk: every ring of the smallest set of smallest rings of the
// reduced table, within the size limits, that the walk did not find is
// stored after the walked rings, with a log line saying so.
void add_missed_smallest_rings(const RingSearch& search, const ReducedTable& t);
// Whether a stored ring has the same members (in any order).
bool ring_is_stored(const Rings& rings, const std::vector<int>& members);

}  // namespace vorn
