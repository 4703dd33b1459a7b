// The run's log: the log file vorn.out, the terminal, and the verbosity
// level that decides how much detail the log receives.  A stage that
// writes to the log takes it as a parameter; nothing changes the level
// to silence another stage.
#pragma once

#include <iostream>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "layout/out_file.hpp"

namespace vorn {

struct Log {
  OutFile file;                        // vorn.out
  std::ostream* terminal = &std::cout; // a test points it at a string
  int verbosity = 1;                   // the control file's VERBOSITY
  int warnings = 0;                    // counted for the closing line
  std::set<int> warned_atoms;          // entry indices of the atoms a warning named, for the drawing

  std::ostream& log() { return file.os(); }
  std::ostream& term() { return *terminal; }
  // True when the log is to receive the detail of the given level.
  bool shows(int level) const { return verbosity >= level; }
};

// Writes text (which may hold several lines) and a line end to the log.
void to_log(Log& log, std::string_view text);
// ... to the terminal.
void to_term(Log& log, std::string_view text);
// ... to the log and then to the terminal.
void to_both(Log& log, std::string_view text);
// A warning: something the user must look at before refining, written to
// the log and the terminal where it arises (the text is the whole line,
// " WARNING: ..."), and counted for the closing line.
void warn(Log& log, std::string_view text);
// ... a warning about one atom (its index in the atom table), which the
// drawing of the axes marks.
void warn(Log& log, std::string_view text, int atom);
// The closing line that counts the warnings; empty when there were none.
std::string warnings_line(const Log& log);

}  // namespace vorn
