// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "topology/rings.hpp"

namespace vorn {

void connect4rings(RunState& rs) { err(rs, "Connect4Rings", "not implemented yet"); }
void eliminate(RunState& rs, int, int&) { err(rs, "Eliminate", "not implemented yet"); }
void writeconn(RunState& rs) { err(rs, "WriteConn", "not implemented yet"); }
void findrings(RunState& rs) { err(rs, "FindRings", "not implemented yet"); }

}  // namespace vorn
