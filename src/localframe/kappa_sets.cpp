// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "localframe/kappa_sets.hpp"

namespace vorn {

void kappa_and_output(RunState& rs, int, Frame&) { err(rs, "DefLoc", "not implemented yet"); }

}  // namespace vorn
