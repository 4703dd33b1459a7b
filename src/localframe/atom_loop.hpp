// The per-atom loop around defloc, and the KEY table.
#pragma once

#include <string>

namespace vorn {

struct RunState;

void localdef(RunState& rs);
// 68-character KEY text of atom i.
std::string getkey(const RunState& rs, int i);

}  // namespace vorn
