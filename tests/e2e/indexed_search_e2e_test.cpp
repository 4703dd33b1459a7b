// Whole runs with the cell-list searches and with the direct all-pairs
// forms (VORN_DIRECT=1) write the same files byte for byte; only the
// processor-time lines of the log and the terminal differ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

std::string without_times(const std::string& text) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line))
    if (line.find("u,s,t (s)") == std::string::npos) out += line + "\n";
  return out;
}

std::string control_file(const std::string& format, const std::string& input, int verbosity) {
  return "FORMAT  *" + format + "\nINPUT   " + input + "\nVERBOSE " + std::to_string(verbosity) +
         "\nNCELLS  1\nKEYGEN  *XYZUIJ *all ordered *MULT *all ordered\nCHEMCON  *hydrogen  *other\n"
         "EXTEND_H\nRINGS  3  8  *special\nDATABANK vorn.db\nSCALE *sigma diff frac\n";
}

// Runs the structure (its files as (path, name) pairs, read in the given
// format) both ways and compares every file the runs leave; returns the
// exit status.
int expect_same_runs(const std::vector<std::pair<std::string, std::string>>& inputs, const std::string& format,
                      const std::string& name, int verbosity) {
  ScratchDir fast, direct;
  std::string input;
  for (const auto& f : inputs) input += f.second + " ";
  for (const ScratchDir* d : {&fast, &direct}) {
    for (const auto& [path, as] : inputs) d->copy_in(path, as);
    d->copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
    d->write("vorn.inp", control_file(format, input, verbosity));
  }
  // Net charges asked on the terminal: every fragment neutral.
  const std::string charges(40, '\n');
  unsetenv("VORN_DIRECT");
  const RunResult a = run_vorn(fast, "", charges);
  setenv("VORN_DIRECT", "1", 1);
  const RunResult b = run_vorn(direct, "", charges);
  unsetenv("VORN_DIRECT");
  EXPECT_EQ(a.status, b.status) << name;
  EXPECT_EQ(without_times(a.out), without_times(b.out)) << name;
  int files = 0;
  for (const auto& e : fs::directory_iterator(direct.path())) {
    const std::string f = e.path().filename().string();
    EXPECT_TRUE(fast.exists(f)) << name << " " << f;
    if (!fast.exists(f)) continue;
    if (f == "vorn.out")
      EXPECT_TRUE(without_times(fast.read(f)) == without_times(direct.read(f))) << name << " " << f;
    else
      EXPECT_TRUE(fast.read(f) == direct.read(f)) << name << " " << f;
    ++files;
  }
  int fast_files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(fast.path())) ++fast_files;
  EXPECT_EQ(files, fast_files) << name;
  return a.status;
}

int expect_same_runs(const std::string& structure, const std::string& name, int verbosity) {
  return expect_same_runs({{structure, name}}, "shelx", name, verbosity);
}

TEST(IndexedSearchRuns, SharedStructuresWriteTheDirectFiles) {
  for (const std::string& path : shelx_structures())
    expect_same_runs(path, fs::path(path).filename().string(), 1);
}

TEST(IndexedSearchRuns, XdInputWritesTheDirectFiles) {
  EXPECT_EQ(expect_same_runs({{test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas"},
                              {test_data("xd/DL-serine_ReCrystal/xd.res"), "xd.res"}},
                             "xd", "DL-serine", 1),
            0);
}

// At the highest verbosity every kappa-set comparison is logged, so the
// earlier atoms are compared one by one in both forms.
TEST(IndexedSearchRuns, EveryComparisonLoggedAtVerbosityThree) {
  EXPECT_EQ(expect_same_runs(std::string(VORN_SOURCE_DIR) + "/examples/paracetamol.res", "paracetamol.res", 3), 0);
}

TEST(IndexedSearchRuns, DatabankCandidatesAtVerbosityTwo) {
  expect_same_runs(std::string(VORN_SOURCE_DIR) + "/examples/paracetamol.res", "paracetamol.res", 2);
}

// A generated crystal: ethane, acetonitrile, benzene, molecules across the
// cell edge (the benchmark's generator at its smallest useful size).
TEST(IndexedSearchRuns, GeneratedCrystalWritesTheDirectFiles) {
  ScratchDir gen;
  const std::string cmd = "python3 '" + std::string(VORN_SOURCE_DIR) + "/tools/make_bench_structure.py' 400 '" +
                          gen.path() + "' > /dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "python3 not available";
  expect_same_runs(gen.file("bench.res"), "bench.res", 1);
}

}  // namespace
}  // namespace vorn::test
