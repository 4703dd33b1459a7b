// The run sequence of the program.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "control/switches.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

struct RunState;

// Step 5: the structure file(s) named by the control file, read by the
// reader of their format.
Model read_structure(const Switches& sw, Log& log);

// Start values of every switch and table.
void init(RunState& rs);
// The banner.
void header(std::ostream& os);
// Opens the databank file named by the control file; when it does not open,
// asks on the terminal for another name until one opens.  Stops at the end
// of standard input.
void opendb(RunState& rs);
// The closing summary of the files written, to the log and the terminal.
void write_summary(RunState& rs, bool par_written);
// A whole run in the working directory; returns the exit status.
int run_program(RunState& rs, const std::vector<std::string>& args);

}  // namespace vorn
