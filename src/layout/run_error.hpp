// The one way a run ends early: any routine throws a RunError, and the
// driver writes it to the log and the terminal, drops the output files that
// were not completed and ends the process with exit status 1.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vorn {

struct RunError : std::runtime_error {
  std::string routine;  // shown in the message, e.g. "ReadShelx"
  std::string message;  // without trailing blanks
  RunError(std::string_view routine_name, std::string_view text);
  // What the driver writes: " ERROR *** Routine *** message" between two
  // empty lines.
  std::string report() const;
};

// Stops the run with " ERROR *** routine *** message" (trailing blanks of
// the message, a padded field in many callers, are dropped).
[[noreturn]] void fail(std::string_view routine, std::string_view message);

}  // namespace vorn
