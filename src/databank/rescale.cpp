// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "databank/rescale.hpp"

namespace vorn {

void rescalepv(RunState& rs) { err(rs, "rescalePv", "not implemented yet"); }

}  // namespace vorn
