// Helpers shared by the tests: a run state whose files live in memory, a
// scratch directory, and running the built program.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "driver/run_state.hpp"

namespace vorn::test {

// A run state whose log and terminal are captured in memory.
struct MemoryRun {
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
  std::ostringstream term;
  MemoryRun();
  std::string log() const { return rs->io.log.text(); }
};

// A fresh empty directory under the system's temporary directory; removed
// with its contents when the object goes.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  void copy_in(const std::string& source, const std::string& name) const;

private:
  std::string path_;
};

struct RunResult {
  int status = -1;
  std::string out;   // standard output
};

// Runs the built program in `dir` with the given arguments and standard
// input text; a time limit guards against hangs.
RunResult run_vorn(const ScratchDir& dir, const std::string& args = "", const std::string& input = "");

// Path of a file of the shared data beside the project, or of tests/data.
std::string shared_data(const std::string& rel);
std::string test_data(const std::string& rel);

}  // namespace vorn::test
