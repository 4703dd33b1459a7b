// The run sequence of the program.
#pragma once

#include <string>
#include <vector>

namespace vorn {

struct RunState;

// Start values of every switch and table.
void init(RunState& rs);
// The banner.
void header(std::ostream& os);
// A whole run in the working directory; returns the exit status.
int run_program(RunState& rs, const std::vector<std::string>& args);

}  // namespace vorn
