// Covalent neighbours of every atom, grouped by element and sorted.
#pragma once

#include <ostream>
#include <vector>

namespace vorn {

struct RunState;

// Fills rs.neig for one atom; rmax <= 0 selects the covalent criterion.
// disordered is set to 1 when an accepted neighbour is disordered.
// The search goes through the cell lists of the atom table; getnei_direct
// compares the atom with every entry (the form the cell-list search is
// checked against, and the one run when the direct forms are asked for).
void getnei(RunState& rs, int atom, float rmax, int& disordered);
void getnei_direct(RunState& rs, int atom, float rmax, int& disordered);
// getnei, the optional listing, and the grouping into sorted types.
void findnei(RunState& rs, int atom, float rmax);
// The whole-structure pass: fills rs.nb for every entry of the expanded
// list, sorts each type's members and prints the sorted table.  Stops when
// an atom has more neighbours than the table holds.
void findallneighbors(RunState& rs);
// Fills rs.isn (rs.isn[0] .. rs.isn[nnei-1]) with the atom's stored
// neighbours: atomic number descending, then hybridization (the neighbour's
// own neighbour count) ascending, then distance ascending.
void sortnei(RunState& rs, int atom);
void prtatomnei(RunState& rs, int atom, std::ostream& os);
// The atom's neighbours in stored order followed by the atom itself.
std::vector<int> collectnei(const RunState& rs, int atom);

}  // namespace vorn
