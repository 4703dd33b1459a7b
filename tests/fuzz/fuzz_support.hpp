// Shared pieces of the fuzz harnesses: a private scratch directory that is
// the working directory of the fuzzing process, a fresh run state whose log
// and terminal stay in memory, and the rule that a RunError (the program's
// own error stop) is a normal outcome while anything else is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "layout/run_error.hpp"
#include "support/test_run.hpp"

namespace vorn::fuzz {

// Makes a private scratch directory the working directory (once per
// process); it is removed when the process ends.
void enter_scratch();

// Writes `text` to the file `name` in the working directory.
void write_file(const std::string& name, std::string_view text);

std::string_view as_text(const std::uint8_t* data, std::size_t size);

// A run state with its log and the XD and MoPro heads in memory and the
// terminal swallowed.  Building a test::TestRun takes tens of milliseconds under
// the sanitizers, so one is kept for the process and every record that the
// fuzzed routines read or write is set back to its start value (copied from
// a pristine state) for each input: each input still starts from a clean
// state, at a hundredth of the cost.
struct Run {
  test::TestRun* rs;
  std::ostringstream term;
  Run();
  ~Run();
};

// Runs f; a RunError ends it quietly, any other exception escapes to the
// fuzzer, which reports it.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const RunError&) {
  }
}

// Aborts with a message: an invariant of the program does not hold.
[[noreturn]] void fail(const std::string& what);

}  // namespace vorn::fuzz
