// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "localframe/atom_loop.hpp"

namespace vorn {

void localdef(RunState& rs) { err(rs, "LocalDef", "not implemented yet"); }
std::string getkey(const RunState&, int) { return {}; }

}  // namespace vorn
