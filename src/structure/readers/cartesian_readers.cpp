// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "structure/readers/readers.hpp"

namespace vorn {

void readaim2tab(RunState& rs, const std::string&) { err(rs, "ReadAim2Tab", "not implemented yet"); }
void readplaton(RunState& rs, const std::string&) { err(rs, "ReadPlaton", "not implemented yet"); }

}  // namespace vorn
