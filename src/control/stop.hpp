// The one way a run ends early.  err writes the message in the program's
// error layout to the log and the terminal; stop_plain writes a message of
// its own layout.  Both end the run with exit status 1 by throwing StopRun,
// which the driver catches to close the files.
#pragma once

#include <string_view>

namespace vorn {

struct RunState;

struct StopRun {
  int status = 1;
};

// " ERROR *** where *** message" between two empty lines, to the log and
// then to the terminal.
[[noreturn]] void err(RunState& rs, std::string_view where, std::string_view message);

// A stop with a message of its own layout: the text goes to the terminal
// and to the log.
[[noreturn]] void stop_plain(RunState& rs, std::string_view text);

}  // namespace vorn
