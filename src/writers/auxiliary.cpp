// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "writers/auxiliary.hpp"

namespace vorn {

void write_spf_head(std::ostream&) {}
void write_spf_tail(RunState& rs) { err(rs, "Spf", "not implemented yet"); }
void write_fixedh_line(RunState& rs, int) { err(rs, "FixedH", "not implemented yet"); }

}  // namespace vorn
