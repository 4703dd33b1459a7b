// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "databank/databank.hpp"

namespace vorn {

float pval(int) { return 0; }
void readdb(RunState& rs, int) { err(rs, "ReadDB", "not implemented yet"); }
void copy_databank_result(RunState& rs, int) { err(rs, "ReadDB", "not implemented yet"); }
void databank_defaults(RunState& rs, int) { err(rs, "ReadDB", "not implemented yet"); }

}  // namespace vorn
