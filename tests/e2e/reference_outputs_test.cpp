// Whole-output references: every file that a run of the built program
// writes, and what it prints on the terminal, compared byte for byte with
// the copies kept under tests/reference/<case>/.  The cases are listed in
// tests/reference/cases.txt; only the processor-time lines are masked.
//
// VORN_WRITE_REFERENCES=1 in the environment (make references) rewrites
// the copies from the current program instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"
#include "writers/setup_page.hpp"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

const std::string kReferenceDir = std::string(VORN_SOURCE_DIR) + "/tests/reference/";
// Name under which the terminal output is kept beside the files.
const std::string kTerminal = "terminal.txt";

struct InputFile {
  std::string source;  // relative to the project's top directory
  std::string name;    // name in the run directory
};

struct Case {
  std::string name;
  std::string control;  // file under tests/reference/controls/
  std::vector<InputFile> inputs;
};

// cases.txt: one case a line, "name control source=name ..."; '#' starts a comment.
std::vector<Case> read_cases() {
  std::vector<Case> cases;
  std::ifstream in(kReferenceDir + "cases.txt");
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    Case c;
    if (!(words >> c.name >> c.control)) continue;
    for (std::string w; words >> w;) {
      const auto eq = w.find('=');
      c.inputs.push_back(eq == std::string::npos ? InputFile{w, fs::path(w).filename().string()}
                                                 : InputFile{w.substr(0, eq), w.substr(eq + 1)});
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

// Processor times change from run to run: keep the line's text, drop the
// figures.  The viewer library that vorn.html embeds (half a megabyte, its
// version the installer's) is one line in the kept page, and the packed
// values of each density grid block are masked (the maps keep the numbers).
std::string mask_times(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  bool in_library = false;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(start, end - start);
    const auto mark = line.find("u,s,t (s)");
    if (mark != std::string::npos) line = line.substr(0, mark) + "u,s,t (s) : (masked)\n";
    if (const auto values = line.find(kDensityValues); values != std::string::npos)
      line = line.substr(0, values) + kDensityValues + "(masked)" + line.substr(line.find('"', values + 10));
    if (line.rfind(kLibraryEnd, 0) == 0) in_library = false;
    if (!in_library) out += line;
    if (line.rfind(kLibraryBegin, 0) == 0) in_library = true, out += "(viewer library masked)\n";
    start = end;
  }
  return out;
}

// The first few lines where two texts differ, numbered from 1.
std::string first_differences(const std::string& expected, const std::string& actual) {
  const auto e = lines_of(expected), a = lines_of(actual);
  std::ostringstream s;
  int shown = 0;
  for (std::size_t i = 0; i < std::max(e.size(), a.size()) && shown < 6; ++i) {
    const std::string* ei = i < e.size() ? &e[i] : nullptr;
    const std::string* ai = i < a.size() ? &a[i] : nullptr;
    if (ei && ai && *ei == *ai) continue;
    s << "  line " << i + 1 << "\n    reference: " << (ei ? "[" + *ei + "]" : "(no line)")
      << "\n    this run:  " << (ai ? "[" + *ai + "]" : "(no line)") << "\n";
    ++shown;
  }
  if (shown == 0) s << "  (line ends or a final newline differ)\n";
  return s.str();
}

std::set<std::string> files_in(const fs::path& dir) {
  std::set<std::string> names;
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

class ReferenceOutputs : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceOutputs, EveryFileAsKept) {
  const Case& c = GetParam();
  ScratchDir run;
  std::set<std::string> inputs{"vorn.inp"};
  run.copy_in(kReferenceDir + "controls/" + c.control, "vorn.inp");
  for (const InputFile& f : c.inputs) {
    run.copy_in(std::string(VORN_SOURCE_DIR) + "/" + f.source, f.name);
    inputs.insert(f.name);
  }
  // The page's library is a stand-in, so that the kept log does not depend
  // on whether the machine has the real one.
  const char* library = std::getenv("VORN_3DMOL");
  const std::string users_library = library ? library : "";
  setenv("VORN_3DMOL", (kReferenceDir + "viewer_library_stand_in.js").c_str(), 1);
  // Every prompt (net charges, another databank name) is answered with an empty line.
  const RunResult r = run_vorn(run, "", std::string(20, '\n'));
  if (library) setenv("VORN_3DMOL", users_library.c_str(), 1);
  else unsetenv("VORN_3DMOL");
  run.write(kTerminal, r.out + "exit status " + std::to_string(r.status) + "\n");

  std::set<std::string> outputs;
  for (const std::string& f : files_in(run.path()))
    if (!inputs.count(f)) outputs.insert(f);

  const fs::path kept = kReferenceDir + c.name;
  if (std::getenv("VORN_WRITE_REFERENCES")) {
    fs::remove_all(kept);
    fs::create_directories(kept);
    for (const std::string& f : outputs) {
      std::ofstream o(kept / f, std::ios::binary);
      o << mask_times(run.read(f));
    }
    return;
  }

  const std::set<std::string> expected = files_in(kept);
  ASSERT_FALSE(expected.empty()) << "no reference outputs for " << c.name << " (make references writes them)";
  for (const std::string& f : expected)
    EXPECT_TRUE(outputs.count(f)) << c.name << ": the run did not write " << f;
  for (const std::string& f : outputs)
    EXPECT_TRUE(expected.count(f)) << c.name << ": the run wrote " << f << ", which the reference does not have";
  for (const std::string& f : expected) {
    if (!outputs.count(f)) continue;
    const std::string want = read_file((kept / f).string()), got = mask_times(run.read(f));
    EXPECT_TRUE(want == got) << c.name << "/" << f << " differs from the reference:\n" << first_differences(want, got);
  }
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string n = info.param.name;
  std::replace_if(n.begin(), n.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
  return n;
}

INSTANTIATE_TEST_SUITE_P(Runs, ReferenceOutputs, ::testing::ValuesIn(read_cases()), case_name);

// A case list that lost its cases would pass vacuously.
TEST(ReferenceCases, EveryKeptDirectoryIsACase) {
  const std::vector<Case> cases = read_cases();
  EXPECT_GE(cases.size(), 27u);
  std::set<std::string> names;
  for (const Case& c : cases) EXPECT_TRUE(names.insert(c.name).second) << "case listed twice: " << c.name;
  for (const std::string& d : files_in(kReferenceDir))
    if (fs::is_directory(kReferenceDir + d) && d != "controls") {
      EXPECT_TRUE(names.count(d)) << "tests/reference/" << d << " belongs to no case";
    }
}

}  // namespace
}  // namespace vorn::test
