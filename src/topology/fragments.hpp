// Complete fragments: bonded symmetry copies appended to the atom table.
#pragma once

namespace vorn {

struct RunState;

void gencompletefrags(RunState& rs);

}  // namespace vorn
