// Helpers shared by the tests: a test run whose files live in memory, a
// scratch directory, and running the built program.
#pragma once

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_run.hpp"

namespace vorn::test {

// A test run whose log and terminal are captured in memory.
struct MemoryRun {
  std::unique_ptr<TestRun> rs = std::make_unique<TestRun>();
  std::ostringstream term;
  MemoryRun();
  std::string log() const { return rs->io.log.file.text(); }
  // Runs f; an error stop is written to the log and the terminal as the
  // driver writes it, then passed on.
  void as_driver(const std::function<void()>& f);
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

// A label such as "C12": the prefix followed by the number.  Built out of
// line: GCC 12 warns falsely (-Wrestrict) about `"C" + std::to_string(k)`
// inlined into a loop.
std::string numbered(const std::string& prefix, long n);

// The report of the error that f stops with, as the driver writes it
// ("\n ERROR *** Routine *** message\n"); empty when f returns.
std::string error_report(const std::function<void()>& f);

// True when VORN_EXHAUSTIVE is set (make slowtest): the longest checks then
// cover every structure and every cut point instead of a sample.
bool exhaustive();

// The SHELX files of tests/data/shelx in name order: all of them when
// exhaustive, otherwise a sample (a centred cell with many atoms, atoms on
// special positions, a half molecule on an inversion centre, disorder, a
// heavy-atom complex, paracetamol).  The network and many-operator cells
// (CaF2, the I-43d complex), whose direct forms take minutes under the
// sanitizers, are checked only exhaustively.
std::vector<std::string> shelx_structures();

// The whole of a file (empty when it cannot be read), and a text's lines
// without their line ends.
std::string read_file(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);

// Path of a file under tests/data (the real structures, with their
// provenance in tests/data/SOURCES.tsv, and the test databank).
std::string test_data(const std::string& rel);

}  // namespace vorn::test
