// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "writers/mopro.hpp"

namespace vorn {

void write_mopro_par_head(std::ostream&) {}
void write_con_head(std::ostream&) {}
void write_res_head(std::ostream&) {}
void write_mopro_model(RunState& rs) { err(rs, "MoPro", "not implemented yet"); }
void write_mopro_atom(RunState& rs, int) { err(rs, "MoPro", "not implemented yet"); }
void write_mopro_par_tail(RunState& rs) { err(rs, "MoPro", "not implemented yet"); }
void write_con_tail(RunState& rs) { err(rs, "MoPro", "not implemented yet"); }
void write_res_tail(RunState& rs) { err(rs, "MoPro", "not implemented yet"); }

}  // namespace vorn
