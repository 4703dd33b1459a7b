// Ring search over the reduced connectivity table.
#pragma once

#include <ostream>
#include <vector>

#include "topology/topology_records.hpp"

namespace vorn {

struct RunState;

// The ring search: builds the reduced connectivity table (a local of the
// search), walks it and stores the rings in rs.rings, the planar ones
// marked.  Returns the atoms left in the reduced table after the
// eliminations, in table order (the reduced structure).
std::vector<int> find_rings(RunState& rs);

// Its steps.
// Builds the reduced table by removing open atoms.
void connect4rings(RunState& rs, ReducedTable& t);
// One elimination cycle; remaining receives the number of atoms kept.
// One elimination cycle; candidates come from the cell lists of the atom
// table.  eliminate_direct compares every pair of table atoms.
void eliminate(RunState& rs, ReducedTable& t, int cycle, int& remaining);
void eliminate_direct(RunState& rs, ReducedTable& t, int cycle, int& remaining);
void writeconn(RunState& rs, const ReducedTable& t);
// Walks the reduced table and stores the rings.
void findrings(RunState& rs, ReducedTable& t);

// Steps of the walk.  The path is the stack of reduced positions walked,
// path[0] being position 1 of the path; its size is the depth.
//
// The next unwalked connection of `current` that does not lead back to
// `previous` (0: none to exclude), marked walked; 0 when there is none.
int ichoice(ReducedTable& t, int previous, int current);
// Cuts the path back to its last atom (below the top) that has more than two
// connections and one still unwalked; false when there is none.
bool go2lcp(const ReducedTable& t, std::vector<int>& path);
// Starts a new walk at the first atom not yet reached; false when none.
bool checkvisited(ReducedTable& t, std::vector<int>& path);
// The same, scanning from position `from` on (every earlier position is
// reached or has no connection); `from` is left at the start found.
bool checkvisited(ReducedTable& t, std::vector<int>& path, int& from);
// Tests path positions start .. top-1 (1-based) as a ring; stores, reports
// and tests it for planarity when it is new and within the size limits.
void checkring(RunState& rs, const ReducedTable& t, const std::vector<int>& path, int start, int top);
// 1 when a stored ring has the same members (in any order).
int ichk_ring(const RunState& rs, const std::vector<int>& members);

}  // namespace vorn
