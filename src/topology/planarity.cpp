// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "topology/planarity.hpp"

namespace vorn {

int planarity(RunState& rs, int, const std::vector<int>&, int) { err(rs, "Planarity", "not implemented yet"); }
RingState isitcyclic(const RunState&, int) { return {}; }

}  // namespace vorn
