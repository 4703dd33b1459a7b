// Covalent neighbours of every atom, grouped by element and sorted.
#pragma once

#include <ostream>
#include <vector>

namespace vorn {

struct RunState;

// Fills rs.neig for one atom; rmax <= 0 selects the covalent criterion.
// disordered is set to 1 when an accepted neighbour is disordered.
void getnei(RunState& rs, int atom, float rmax, int& disordered);
// getnei, the optional listing, and the grouping into sorted types.
void findnei(RunState& rs, int atom, float rmax);
// The whole-structure pass: fills rs.nb for every entry and prints it.
void findallneighbors(RunState& rs);
// Fills rs.isn: atomic number descending, hybridization, distance.
void sortnei(RunState& rs, int atom);
void prtatomnei(RunState& rs, int atom, std::ostream& os);
// The atom's neighbours in stored order followed by the atom itself.
std::vector<int> collectnei(const RunState& rs, int atom);

}  // namespace vorn
