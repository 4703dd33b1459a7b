// vorn.spf (plot file), vorn.ang and fixedH.ins.
#pragma once

#include <ostream>

namespace vorn {

struct RunState;

void write_spf_head(std::ostream& os);
// Dummy atoms, the JOIN RADII line and the plotting instructions.
void write_spf_tail(RunState& rs);
void write_fixedh_line(RunState& rs, int i);

}  // namespace vorn
