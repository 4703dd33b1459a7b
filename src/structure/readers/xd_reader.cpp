// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "structure/readers/readers.hpp"

namespace vorn {

void readxd(RunState& rs, const std::string&) { err(rs, "ReadXD", "not implemented yet"); }

}  // namespace vorn
