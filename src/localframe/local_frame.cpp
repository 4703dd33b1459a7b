// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "localframe/local_frame.hpp"

namespace vorn {

void defloc(RunState& rs, int) { err(rs, "DefLoc", "not implemented yet"); }
void checksymeq(RunState& rs, Frame&) { err(rs, "CheckSymEq", "not implemented yet"); }

}  // namespace vorn
