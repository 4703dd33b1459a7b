// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "topology/fragments.hpp"

namespace vorn {

void gencompletefrags(RunState& rs) { err(rs, "GenCompleteFrags", "not implemented yet"); }

}  // namespace vorn
