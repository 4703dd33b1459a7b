// Not built yet: every routine stops the run with a clear message.
#include "structure/readers/xd_master_copy.hpp"

#include "control/stop.hpp"
#include "driver/run_state.hpp"

namespace vorn {

void xdcopy_head(RunState& rs) { err(rs, "LocalDef", "not implemented yet"); }
void xdcopy_controls(RunState& rs) { err(rs, "LocalDef", "not implemented yet"); }
void xdcopy_trailer(RunState& rs) { err(rs, "LocalDef", "not implemented yet"); }

}  // namespace vorn
