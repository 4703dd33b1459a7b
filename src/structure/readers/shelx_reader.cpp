// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "structure/readers/readers.hpp"

namespace vorn {

void readshelx(RunState& rs, const std::string&) { err(rs, "ReadShelx", "not implemented yet"); }
void printatoms(RunState& rs, std::ostream&) { err(rs, "PrintAtoms", "not implemented yet"); }
void prattyp(RunState& rs, std::ostream&) { err(rs, "PrAtTyp", "not implemented yet"); }

}  // namespace vorn
