// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "control/control_file.hpp"

namespace vorn {

void readinp(RunState& rs) { err(rs, "ReadInp", "not implemented yet"); }
void prttol(RunState& rs, std::ostream&) { err(rs, "PrtTol", "not implemented yet"); }
void printhelp(std::ostream& os) { os << " (example control file not implemented yet)\n"; }

}  // namespace vorn
