// Covalent neighbours of every atom, grouped by element and sorted.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "topology/topology_records.hpp"

namespace vorn {

struct RunState;

// The neighbours of one atom, nearest first; rmax <= 0 selects the
// covalent criterion.
// disordered is set to 1 when an accepted neighbour is disordered.
// The search goes through the cell lists of the atom table; getnei_direct
// compares the atom with every entry (the form the cell-list search is
// checked against, and the one run when the direct forms are asked for).
Neig getnei(RunState& rs, int atom, float rmax, int& disordered);
Neig getnei_direct(RunState& rs, int atom, float rmax, int& disordered);
// Whether a single neighbour search lists what it found in the log.
enum class SearchListing { silent, logged };

// getnei, the grouping into sorted types and, when asked, the listing.
Neig findnei(RunState& rs, int atom, float rmax, SearchListing listing);
// The first entry of the list that findnei(rs, atom, rmax, ...) makes (by
// distance, ties in table order) for which accept holds; 0 when none does.
// The cell-list form looks in growing spheres and takes a sphere's answer
// only when no entry in it can be a duplicate site, so that it is the
// answer of the whole list; a near answer then costs a near search.
int nearest_neighbor(RunState& rs, int atom, float rmax, const std::function<bool(int)>& accept);
// The whole-structure pass: fills rs.nb for every entry of the expanded
// list, sorts each type's members and prints the sorted table.  Stops when
// an atom has more neighbours than the table holds.
void findallneighbors(RunState& rs);
// The atom's stored neighbours: atomic number descending, then
// hybridization (the neighbour's own neighbour count) ascending, then
// distance ascending.
std::vector<int> sortnei(const RunState& rs, int atom);
void prtatomnei(RunState& rs, int atom, std::ostream& os);
// The atom's neighbours in stored order followed by the atom itself.
std::vector<int> collectnei(const RunState& rs, int atom);

}  // namespace vorn
