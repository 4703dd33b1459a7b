// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "structure/symmetry.hpp"

namespace vorn {

void getsym(RunState& rs, RecordFile&, std::ostream&) { err(rs, "GetSym", "not implemented yet"); }
int symcrd(RunState& rs, std::string_view) { err(rs, "SymCrd", "not implemented yet"); }
bool symop(std::string_view, float*, float&) { return false; }
void nonp(RunState& rs, std::ostream&, char) { err(rs, "NonP", "not implemented yet"); }
void addcentsymm(RunState& rs, std::ostream&) { err(rs, "AddCentSymm", "not implemented yet"); }
void checkts(RunState& rs) { err(rs, "CheckTs", "not implemented yet"); }
void symout(RunState& rs, std::ostream&, int) { err(rs, "SymOut", "not implemented yet"); }
std::string opout(RunState& rs, int) { err(rs, "OpOut", "not implemented yet"); }
void prsymop(RunState& rs, std::ostream&) { err(rs, "PrSymOp", "not implemented yet"); }

}  // namespace vorn
