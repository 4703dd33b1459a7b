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
// The files a run wrote besides those every run writes.
struct WrittenFiles {
  bool parameters = false;          // xd_vorn.inp
  bool hydrogen_restraints = false; // fixedH.ins, reset.bond, const.bond, res_mopro.inp
  bool fixed_hydrogens = false;     // fixedH.ins
  bool reduced = false;             // reduced.ang, reduced_1.ang
  bool complete = false;            // complete.ang
  bool groups = false;              // group.ang
};
// The closing summary of the files written, to the log and the terminal.
void write_summary(RunState& rs, const WrittenFiles& files);
// A whole run in the working directory; returns the exit status.
int run_program(RunState& rs, const std::vector<std::string>& args);

}  // namespace vorn
