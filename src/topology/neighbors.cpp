// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "topology/neighbors.hpp"

namespace vorn {

void getnei(RunState& rs, int, float, int&) { err(rs, "GetNei", "not implemented yet"); }
void findnei(RunState& rs, int, float) { err(rs, "FindNei", "not implemented yet"); }
void findallneighbors(RunState& rs) { err(rs, "FindAllNeighbors", "not implemented yet"); }
void sortnei(RunState& rs, int) { err(rs, "SortNei", "not implemented yet"); }
void prtatomnei(RunState& rs, int, std::ostream&) { err(rs, "PrtAtomNei", "not implemented yet"); }
std::vector<int> collectnei(const RunState&, int atom) { return {atom}; }

}  // namespace vorn
