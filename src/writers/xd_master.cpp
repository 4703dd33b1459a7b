// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "writers/xd_master.hpp"

namespace vorn {

std::array<int, 18> getsft(RunState& rs, int) { err(rs, "GetSFT", "not implemented yet"); }
void write_mas_banner(std::ostream&) {}
void write_mas_lsm_head(std::ostream&) {}
void write_mas_scat(RunState& rs, std::ostream&) { err(rs, "WrXdMas", "not implemented yet"); }
std::string mas_atom_line(const RunState&, int, const Frame&, int, const std::string&) { return {}; }
void wrxdmas1(RunState& rs, std::ostream&, int) { err(rs, "WrXdMas1", "not implemented yet"); }
void wrxdmas2(RunState& rs, std::ostream&) { err(rs, "WrXdMas2", "not implemented yet"); }

}  // namespace vorn
