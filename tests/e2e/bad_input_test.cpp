// Bad input, run end to end on the built program.  Whatever it is fed, a
// run must end with a clear message and exit status 1 (or with a correct
// result), within a few seconds, without a sanitizer report, without a
// half-written output file in place of a good one, and without touching
// anything outside its working directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;

namespace fs = std::filesystem;
using test::ScratchDir;
using test::test_data;

#if defined(__SANITIZE_ADDRESS__)
constexpr double kTimeLimit = 30.0;   // seconds; the sanitizers slow a run down
#else
constexpr double kTimeLimit = 5.0;
#endif

// Bad inputs tried by this program (printed at the end of a whole run of it).
int g_inputs_tried = 0;

class CountReport : public ::testing::Environment {
public:
  void TearDown() override {
    if (g_inputs_tried > 0) std::printf("[ bad input ] %d bad inputs tried end to end\n", g_inputs_tried);
  }
};
const auto* const kCountReport = ::testing::AddGlobalTestEnvironment(new CountReport);



// Name, size and modification time of every entry below a directory.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const fs::path& root, const fs::path& skip) {
  Snapshot s;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    if (p == skip) {
      it.disable_recursion_pending();
      continue;
    }
    struct stat st {};
    lstat(p.c_str(), &st);
    s[p.string()] = std::to_string(st.st_size) + "/" + std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec) + "/" + std::to_string(st.st_mode);
  }
  return s;
}

struct Outcome {
  int status = -1;
  std::string out;      // standard output and standard error
  double seconds = 0;      // wall-clock time
  double cpu_seconds = 0;  // processor time of the run, which other load on the machine barely changes
};

// Processor time (user and system) of the finished child processes so far.
double children_cpu_seconds() {
  rusage u {};
  getrusage(RUSAGE_CHILDREN, &u);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// A working directory inside a private parent directory.  The parent holds
// files of its own, which a run must leave alone, and the run's standard
// input and output.
class Sandbox {
public:
  Sandbox() : work_(outer_.file("work")) {
    fs::create_directory(work_);
    outer_.write("sentinel.res", "TITL a file beside the working directory\n");
    fs::create_directory(outer_.file("elsewhere"));
    outer_.write("elsewhere/xd_vorn.mas", "an unrelated master file\n");
  }
  // Shell commands run before the program (limits on the run).
  std::string shell_setup;
  std::string file(const std::string& name) const { return work_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream f(file(name), std::ios::binary);
    f << text;
  }
  std::string read(const std::string& name) const { return read_file(file(name)); }
  bool exists(const std::string& name) const { return fs::exists(fs::symlink_status(file(name))); }
  void copy_in(const std::string& source, const std::string& name) const {
    fs::copy_file(source, file(name), fs::copy_options::overwrite_existing);
  }
  void remove(const std::string& name) const { fs::remove_all(file(name)); }

  // Runs the program in the working directory with the given standard
  // input; VORN_DB is set only when `vorn_db` is not empty.
  Outcome run(const std::string& input = "", const std::string& vorn_db = "") const {
    ++g_inputs_tried;
    outer_.write(".stdin", input);
    const Snapshot before = snapshot(outer_.path(), work_);
    std::string cmd = shell_setup + "cd '" + work_ + "' && env -u VORN_DB ";
    if (!vorn_db.empty()) cmd += "VORN_DB='" + vorn_db + "' ";
    cmd += "timeout -s KILL 120 '" + std::string(VORN_BINARY) + "' < ../.stdin > ../.stdout 2>&1";
    const double cpu0 = children_cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    const auto t1 = std::chrono::steady_clock::now();
    Outcome o;
    o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    o.seconds = std::chrono::duration<double>(t1 - t0).count();
    o.cpu_seconds = children_cpu_seconds() - cpu0;
    o.out = outer_.read(".stdout");
    Snapshot after = snapshot(outer_.path(), work_);
    // Only the run's own standard output changes beside the working directory.
    before_after_equal(before, after);
    for (const auto& e : fs::directory_iterator(work_)) {
      const std::string n = e.path().filename().string();
      EXPECT_EQ(n.find(".vorn-part"), std::string::npos) << "temporary file left behind: " << n;
    }
    EXPECT_EQ(o.out.find("Sanitizer"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("runtime error"), std::string::npos) << o.out;
    // The work a run does is bounded by its processor time; the wall clock,
    // which a loaded machine stretches, only catches a run that waits.
    EXPECT_LT(o.cpu_seconds, kTimeLimit) << "the run took " << o.cpu_seconds << " s of processor time";
    EXPECT_LT(o.seconds, 4 * kTimeLimit) << "the run took " << o.seconds << " s";
    return o;
  }

  // A run that must stop with status 1 and the given message on the
  // terminal and in the log.
  Outcome stops(const std::string& message, const std::string& input = "", const std::string& vorn_db = "") const {
    const Outcome o = run(input, vorn_db);
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find(message), std::string::npos) << "expected [" << message << "] in:\n" << o.out;
    if (exists("vorn.out") && fs::is_regular_file(file("vorn.out"))) {
      EXPECT_NE(read("vorn.out").find(message), std::string::npos) << read("vorn.out");
    }
    return o;
  }

private:
  void before_after_equal(const Snapshot& before, Snapshot after) const {
    after.erase(outer_.file(".stdout"));
    Snapshot b = before;
    b.erase(outer_.file(".stdout"));
    b.erase(outer_.file(".stdin"));
    after.erase(outer_.file(".stdin"));
    EXPECT_EQ(b, after) << "a file outside the working directory changed";
  }

  ScratchDir outer_;
  std::string work_;
};

// ---- Inputs -------------------------------------------------------------

// NCELLS -1: the structures made here are tried as they are, not completed.
const char* const kShelxInp = "FORMAT *shelx\nINPUT in.res\nNCELLS -1\n";

std::string paracetamol() { return read_file(test_data("shelx/paracetamol_P21n.res")); }

// A SHELX file with the given cell, instructions and atom lines.
std::string res(const std::string& cell, const std::string& instructions, const std::string& atoms) {
  return "TITL test\nCELL 0.71073 " + cell + "\nLATT 1\n" + instructions + "SFAC C H O N\nFVAR 1.0\n" + atoms +
         "HKLF 4\nEND\n";
}

// An isotropic carbon atom line.
std::string c_atom(const std::string& name, double x, double y, double z) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%-6s 1 %10.6f %10.6f %10.6f 11.00000 0.02000\n", name.c_str(), x, y, z);
  return buf;
}

// An end of a run that is not a crash: status 0, or status 1 with an
// error message of the program.
void expect_clean_end(const Outcome& o, const std::string& what) {
  EXPECT_TRUE(o.status == 0 || o.status == 1) << what << ": status " << o.status << "\n" << o.out;
  if (o.status == 1) {
    const bool message = o.out.find(" ERROR *** ") != std::string::npos;
    EXPECT_TRUE(message) << what << ": no error message\n" << o.out;
  }
}


// A NaN or an infinity printed as a number.
bool shows_nan(const std::string& text) {
  static const std::regex kNan(R"((^|[\s+-])(nan|NaN|NAN|inf|Inf|INF)(\s|$))");
  return std::regex_search(text, kNan);
}

// ---- Missing and unreadable files ----------------------------------------

TEST(BadInput, MissingOrUnreadableControlFile) {
  const std::string msg = "Unable to open VORN input file vorn.inp";
  {
    Sandbox sb;
    sb.stops(msg);
  }
  {
    Sandbox sb;   // a directory of that name
    fs::create_directory(sb.file("vorn.inp"));
    sb.stops(msg);
  }
  {
    Sandbox sb;   // a link to nothing
    fs::create_symlink("nowhere.inp", sb.file("vorn.inp"));
    sb.stops(msg);
  }
  {
    Sandbox sb;   // a named pipe without a writer: must not wait for one
    ASSERT_EQ(mkfifo(sb.file("vorn.inp").c_str(), 0600), 0);
    sb.stops(msg);
  }
  if (geteuid() != 0) {   // permissions do not stop root
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    chmod(sb.file("vorn.inp").c_str(), 0);
    sb.stops(msg);
  }
}

TEST(BadInput, MissingStructureFilesOfEveryFormat) {
  struct Case {
    const char* inp;
    const char* message;
  };
  const Case cases[] = {
      {"FORMAT *shelx\nINPUT missing.res\n", "ERROR *** ReadShelx *** Error opening SHELX file missing.res"},
      {"FORMAT *xd\nINPUT missing.mas xd.inp\n", "ERROR *** ReadXD *** Error opening XD master file missing.mas"},
      {"FORMAT *xd\nINPUT xd.mas missing.inp\n",
       "ERROR *** ReadXD *** Error opening XD parameter file missing.inp"},
      {"FORMAT *aim2tab\nINPUT missing.tab\n", "ERROR *** ReadAim2Tab *** Error opening AIM2TAB output file missing.tab"},
      {"FORMAT *platon\nINPUT missing.ang\n", "ERROR *** ReadPlaton *** Error opening PLATON file missing.ang"},
      {"FORMAT *cif\nINPUT missing.cif\n", "ERROR *** ReadCif *** Error opening CIF file missing.cif"},
      // INPUT naming no file at all.
      {"FORMAT *shelx\nINPUT\n", "ERROR *** ReadInp *** The INPUT line of vorn.inp names no structure file"},
      {"FORMAT *xd\nINPUT xd.mas\n", "ERROR *** ReadInp *** The INPUT line of vorn.inp names one file: XD input needs"},
      {"FORMAT *shelx *xd\nINPUT xd.mas\n", "ERROR *** ReadInp *** The INPUT line of vorn.inp names one file"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas");
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.inp"), "xd.inp");
    sb.write("vorn.inp", c.inp);
    sb.stops(c.message);
    // The structure file is a directory.
    if (std::string(c.inp).find("missing.") != std::string::npos) {
      for (const char* ext : {"missing.res", "missing.mas", "missing.inp", "missing.tab", "missing.ang", "missing.cif"})
        fs::create_directory(sb.file(ext));
      sb.stops(c.message);
    }
  }
}

TEST(BadInput, FormFactorTablesThatCannotBeMade) {
  struct Case {
    const char* hkl;   // the reflection file's text; null: none
    const char* res;   // null: L-alanine
    const char* message;
  };
  const Case cases[] = {
      {nullptr, nullptr, "ERROR *** ReadHKL *** Error opening reflection file r.hkl"},
      {"   1   2  x3   10.00    1.00\n", nullptr, "ERROR *** ReadHKL *** Line 1 of r.hkl has no h k l in columns 1 to 12"},
      {"", nullptr, "ERROR *** ReadHKL *** No reflection in r.hkl"},
      {"   1   0   0    1.00    1.00\n",
       "TITL heavy\nCELL 0.71 9 9 9 90 90 90\nLATT -1\nSFAC C I\nC1 1 0.1 0.1 0.1 11 0.05\nI1 2 0.3 0.1 0.1 11 0.05\nEND\n",
       "ERROR *** FormFactors *** Atom I(1): no wavefunction table for its element (form factors cover H to Kr)"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    if (c.res) sb.write("s.res", c.res);
    else sb.copy_in(test_data("shelx/L-alanine_P212121_freeH.res"), "s.res");
    if (c.hkl) sb.write("r.hkl", c.hkl);
    sb.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\nFORMFACTORS r.hkl\n");
    sb.stops(c.message);
  }
}

TEST(BadInput, MissingDatabankAndPromptAtEndOfInput) {
  const std::string msg = "ERROR *** OpenDB *** No databank file name on standard input (end of input)";
  Sandbox sb;
  sb.write("in.res", paracetamol());
  sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK missing.db\n");
  Outcome o = sb.stops(msg);
  EXPECT_NE(o.out.find(" Error opening databank file missing.db"), std::string::npos) << o.out;
  // Names that do not open either, then the end of input.
  o = sb.stops(msg, "none1.db\n\n   \nnone2.db\n");
  EXPECT_NE(o.out.find(" Error opening databank file none2.db"), std::string::npos) << o.out;
  // DATABANK without a name and VORN_DB not set: the prompt at once.
  sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK\n");
  sb.stops(msg);
  // VORN_DB naming a directory.
  fs::create_directory(sb.file("dbdir"));
  sb.stops(msg, "", "dbdir");
}

TEST(BadInput, OutputFilesThatCannotBeWritten) {
  {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", kShelxInp);
    fs::create_directory(sb.file("vorn.out"));
    const Outcome o = sb.run();
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("ERROR *** VORN *** Unable to create log file vorn.out"), std::string::npos) << o.out;
  }
  // A directory in the place of an output file: the run says so instead of
  // listing a file that is not there.
  for (const char* name : {"xd_vorn.mas", "vorn.ang", "con_mopro.inp", "vorn.spf", "xd_vorn.inp", "reset.bond"}) {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.copy_in(test_data("hcno.db"), "hcno.db");
    sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK hcno.db\nEXTEND_H\n");
    fs::create_directory(sb.file(name));
    const Outcome o = sb.stops(std::string("ERROR *** VORN *** Unable to create output file ") + name);
    EXPECT_EQ(o.out.find(" XD instructions are in file"), std::string::npos) << o.out;
    EXPECT_TRUE(fs::is_directory(sb.file(name)));
  }
}

// ---- Empty files --------------------------------------------------------

TEST(BadInput, EmptyFiles) {
  {
    Sandbox sb;
    sb.write("vorn.inp", "");
    sb.stops("ERROR *** ReadInp *** Unknown input file format");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "! only a comment\n\n   \n");
    sb.stops("ERROR *** ReadInp *** Unknown input file format");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", "");
    sb.stops("ERROR *** ReadShelx *** No CELL instruction in the SHELX file");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
    sb.write("xd.mas", "");
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.inp"), "xd.inp");
    expect_clean_end(sb.run(), "empty master file");
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas");
    sb.write("xd.inp", "");
    sb.stops("ERROR *** ReadXD *** Error reading XD parameter file");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *cif\nINPUT in.cif\n");
    sb.write("in.cif", "");
    sb.stops("ERROR *** ReadCif *** No data block of CIF file in.cif has atoms");
  }
  for (const char* fmt : {"aim2tab", "platon"}) {
    Sandbox sb;
    sb.write("vorn.inp", std::string("FORMAT *") + fmt + "\nINPUT in.txt\n");
    sb.write("in.txt", "");
    expect_clean_end(sb.run(), fmt);
  }
}

// ---- Truncated files -----------------------------------------------------

// Runs the program on every cut of `text` after line k (k = 0 .. all lines
// but the last) with a good output file from an earlier run in place: a
// run that stops must leave that file as it was.  Outside the exhaustive
// run, the first 40 cuts and every fifth one after them.
void every_cut(Sandbox& sb, const std::string& name, const std::string& text) {
  const std::vector<std::string> l = lines_of(text);
  std::string cut;
  for (std::size_t k = 0; k < l.size(); cut += l[k] + "\n", ++k) {
    if (!test::exhaustive() && k >= 40 && k % 5 != 0) continue;
    sb.write(name, cut);
    sb.write("xd_vorn.mas", "GOOD MASTER FILE OF AN EARLIER RUN\n");
    const Outcome o = sb.run();
    const std::string what = name + " cut after line " + std::to_string(k);
    expect_clean_end(o, what);
    if (o.status == 1) {
      EXPECT_EQ(sb.read("xd_vorn.mas"), "GOOD MASTER FILE OF AN EARLIER RUN\n") << what;
    }
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(BadInput, ShelxFileCutAtEveryLine) {
  Sandbox sb;
  sb.write("vorn.inp", kShelxInp);
  every_cut(sb, "in.res", paracetamol());
  // A cut inside an atom line that continues ("=" at its end).
  sb.write("in.res", res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0 0.02 0.02 =\n"));
  expect_clean_end(sb.run(), "atom line continued past the end");
}

TEST(BadInput, CifCutAtEveryLine) {
  Sandbox sb;
  sb.write("vorn.inp", "FORMAT *cif\nINPUT in.cif\n");
  every_cut(sb, "in.cif", read_file(test_data("cif/5-nitrothiophene-2-carbaldehyde_Pna21_COD2205750.cif")));
}

TEST(BadInput, XdPairCutAtEveryLine) {
  Sandbox sb;
  sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
  const std::string mas = read_file(test_data("xd/DL-serine_ReCrystal/xd.mas"));
  const std::string par = read_file(test_data("xd/DL-serine_ReCrystal/xd.inp"));
  sb.write("xd.inp", par);
  every_cut(sb, "xd.mas", mas);
  sb.write("xd.mas", mas);
  every_cut(sb, "xd.inp", par);
}

TEST(BadInput, DatabankCutAtEveryLine) {
  Sandbox sb;
  sb.write("in.res", paracetamol());
  sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK cut.db\n");
  every_cut(sb, "cut.db", read_file(test_data("hcno.db")));
}

// ---- Fields that do not read, or read out of range ----------------------

TEST(BadInput, ControlFileFieldsThatDoNotRead) {
  const std::string bad = "ERROR *** ReadInp *** Error while reading file vorn.inp";
  const char* const lines[] = {
      "VERBOSE high\n", "VERBOSE 2.5\n", "TOLS 0.4\n", "TOLS bond 0.4 ring nan group 0.1\n",
      "TOLS inf 0.1 0.1\n", "NCELLS one\n", "NCELLS 99999999999\n", "RINGS 3\n", "RINGS three eight\n",
      "RADII H C 0.3\n", "RADII H 0.3 0.4\n", "VERBOSE 1e40\n",
  };
  for (const char* l : lines) {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + l);
    sb.stops(bad);
  }
  {
    Sandbox sb;   // a typing slip that would search millions of cells
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + "NCELLS 1000\n");
    sb.stops("ERROR *** ReadInp *** NCELLS 1000 is beyond the limit of 10 cells in each direction");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT xd *shelxl\nINPUT in.res\n");
    sb.stops("ERROR *** ReadInp *** Unknown input file format");
  }
}

TEST(BadInput, ShelxFieldsThatDoNotRead) {
  struct Case {
    std::string text;
    const char* message;
  };
  const std::string ok_atom = c_atom("C1", 0.1, 0.2, 0.3);
  const std::vector<Case> cases = {
      {"TITL x\nCELL 0.71073 7.1 abc 11.6 90 97.8 90\n", "Cannot read wavelength and cell from"},
      {"TITL x\nCELL 0.71073 7.1 9.2\n", "Cannot read wavelength and cell from"},
      {"TITL x\nCELL 0.71 10 10 10 90 90 90\nLATT 9\n", "Lattice number 9 on LATT is not one of"},
      {"TITL x\nCELL 0.71 10 10 10 90 90 90\nLATT P\n", "Cannot read the lattice number from"},
      {"TITL x\nCELL 0.71 10 10 10 90 90 90\nSFAC C Xx\n", "Unknown element XX on the SFAC instruction"},
      {res("10 10 10 90 90 90", "", "C1 7 0.1 0.2 0.3 11.0 0.02\n"), "which SFAC does not list"},
      {res("10 10 10 90 90 90", "", "C1 0 0.1 0.2 0.3 11.0 0.02\n"), "which SFAC does not list"},
      {res("10 10 10 90 90 90", "", "C1 -1 0.1 0.2 0.3 11.0 0.02\n"), "which SFAC does not list"},
      {res("10 10 10 90 90 90", "", "C1 C 0.1 0.2 0.3 11.0 0.02\n"), " Error reading atom: C1"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1x 0.2 0.3 11.0 0.02\n"), " Error reading atom: C(1)"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0\n"), " Error reading atom: C(1)"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0 0.02 0.03\n"), " Error reading atom: C(1)"},
      {res("10 10 10 90 90 90", "", "Q1 1 0.1 0.2 0.3 11.0 0.02 1.23\n"), " Error reading atom: Q(1)"},
      {res("10 10 10 90 90 90", "", "C1 1 31.0 0.2 0.3 11.0 0.02\n"), "is used but FVAR gives only 1"},
      {res("10 10 10 90 90 90", "", "C1 1 99999.0 0.2 0.3 11.0 0.02\n"), "Free variable 9999 is used but FVAR gives only 1"},
      {res("10 10 10 90 90 90", "", "C1 1 -2147483648.0 0.2 0.3 11.0 0.02\n"), "is used but FVAR gives only 1 (line 6 of in.res)"},
      {res("10 10 10 90 90 90", "", "H1 2 0.1 0.2 0.3 11.0 -1.2\n"), "ERROR *** ProcessU *** Could not find parent atom of the riding atom H(1)"},
      {res("10 10 10 90 90 90", "", "C123456789 1 0.1 0.2 0.3 11.0 0.02\n"), "longer than 8 characters"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0 0.02 =\n"), " Error reading atom: C(1)"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", c.text);
    sb.write("xd_vorn.mas", "GOOD\n");
    sb.stops(c.message);
    EXPECT_EQ(sb.read("xd_vorn.mas"), "GOOD\n") << c.text;
  }
}

// A coordinate of 1e30 reads as a reference to free variable 1e29, which
// FVAR does not give like any other large reference: that message, not an
// integer overflow or an internal error.
TEST(BadInput, FreeVariableReferenceBeyondAnInteger) {
  for (const char* value : {"1e30", "-3e10", "2.2e10"}) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("10 10 10 90 90 90", "", "C1 1 " + std::string(value) + " 0.2 0.3 11.0 0.02\n"));
    const Outcome o = sb.stops("is used but FVAR gives only 1 (line 6 of in.res)");
    EXPECT_EQ(o.out.find("Internal error"), std::string::npos) << o.out;
  }
}

TEST(BadInput, XdFieldsThatDoNotRead) {
  const std::string mas = read_file(test_data("xd/DL-serine_ReCrystal/xd.mas"));
  const std::string par = read_file(test_data("xd/DL-serine_ReCrystal/xd.inp"));
  auto replaced = [](std::string s, const std::string& from, const std::string& to) {
    const std::size_t p = s.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
  };
  struct Case {
    std::string mas, par;
  };
  const std::vector<Case> cases = {
      {mas, replaced(par, "USAGE     14", "USAGE     xx")},
      {mas, replaced(par, "USAGE     14   2  4  14", "USAGE     14   2  4  99999")},
      {mas, replaced(par, "USAGE     14   2  4  14", "USAGE     14   2  4  -5")},
      {mas, replaced(par, "USAGE     14   2  4  14   0   1   0   0   4",
                     "USAGE     14   2  4  14   0   1   0   0   99999999")},
      {mas, replaced(par, "0.248317  0.489008", "nan  0.489008")},
      {mas, replaced(par, "0.007207  0.006724", "inf  0.006724")},
      {mas, replaced(par, "O(001)    3 2    5   1   2 2  1  1 4", "O(001)    3 2    5   1   2 9  1  1 4")},
      {mas, replaced(par, "O(001)    3 2    5   1   2 2  1  1 4", "O(001)    3 2    5   1   2 2  1  1 999")},
      {mas, replaced(par, "O(001)    3 2    5   1   2 2  1  1 4", "O(001)    3 2    5   1   2 2  -99  1 4")},
      {replaced(mas, "CELL ", "CELL x"), par},
  };
  int k = 0;
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
    sb.write("xd.mas", c.mas);
    sb.write("xd.inp", c.par);
    expect_clean_end(sb.run(), "XD case " + std::to_string(++k));
  }
}

TEST(BadInput, CartesianFieldsThatDoNotRead) {
  const std::string head = " NUMBER OF ATOMS READ =      2\n\n NO. ATOM       AT.MASS      X        Y        Z\n ----\n";
  struct Case {
    const char* fmt;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"aim2tab", " NUMBER OF ATOMS READ =    abc\n"},
      {"aim2tab", " NUMBER OF ATOMS READ =     -5\n"},
      {"aim2tab", head + "    1C1           12.0000   nan      0.0000   0.0000\n"},
      {"aim2tab", head + "    1C1           12.0000   1.0000   0.0000   0.0000\n"},   // one line short
      {"aim2tab", head + "    1XX1          12.0000   1.0000   0.0000   0.0000\n    2C1    \n"},
      {"aim2tab", " NO. ATOM       AT.MASS\n"},
      {"platon", "ATOM C1 1.0 2.0\n"},
      {"platon", "ATOM C1 1.0 2.0 inf\n"},
      {"platon", "ATOM C1 1.0 2.0 1e39\n"},
      {"platon", "ATOM\n"},
      {"platon", "ATOM 1.0 2.0 3.0 4.0\n"},
      {"platon", "ATOM Zz1 1.0 2.0 3.0\n"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", std::string("FORMAT *") + c.fmt + "\nINPUT in.txt\n");
    sb.write("in.txt", c.text);
    expect_clean_end(sb.run(), c.text);
  }
}

// ---- NaN, infinity and numbers beyond a real -------------------------------

TEST(BadInput, NanInfinityAndHugeNumbers) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"TITL x\nCELL 0.71073 nan 10 10 90 90 90\n", "Cannot read wavelength and cell from"},
      {"TITL x\nCELL 0.71073 10 10 10 90 90 inf\n", "Cannot read wavelength and cell from"},
      {"TITL x\nCELL 0.71073 10 10 10 90 90 -INFINITY\n", "Cannot read wavelength and cell from"},
      {"TITL x\nCELL 0.71073 1e39 10 10 90 90 90\n", "Cannot read wavelength and cell from"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 NaN 11.0 0.02\n"), " Error reading atom: C(1)"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0 1e39\n"), " Error reading atom: C(1)"},
      {res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0 -inf\n"), " Error reading atom: C(1)"},
      {"TITL x\nCELL 0.71 10 10 10 90 90 90\nSFAC C\nFVAR 1.0 nan\n", "Cannot read FVAR values from"},
      {"TITL x\nCELL 0.71 10 10 10 90 90 90\nSFAC C\nFVAR 1.0 3.5e38\n", "Cannot read FVAR values from"},
  };
  for (const auto& [text, message] : cases) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", text);
    sb.stops(message);
  }
  // NaN and infinity in the control file and the Cartesian readers.
  {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + "RADII H nan\n");
    sb.stops("ERROR *** ReadInp *** Error while reading file vorn.inp");
  }
  for (const char* line : {"ATOM C1 nan 0 0\nATOM C2 1.5 0 0\n", "ATOM C1 0 0 0\nATOM C2 Infinity 0 0\n"}) {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *platon\nINPUT in.ang\n");
    sb.write("in.ang", line);
    const Outcome o = sb.run();
    expect_clean_end(o, line);
    if (o.status == 0) {
      for (const char* f : {"xd_vorn.mas", "vorn.ang"}) EXPECT_FALSE(shows_nan(sb.read(f))) << line << f;
    }
  }
}

// Values that do not fit their output fields print as asterisks.
TEST(BadInput, NumbersOverflowingTheirFields) {
  Sandbox sb;
  sb.write("vorn.inp", kShelxInp);
  // U = 1.0 times free variable 2 = 5000 does not fit F7.3; a cell edge of
  // 12345678 does not fit the log's F10.3.
  sb.write("in.res", "TITL x\nCELL 0.71073 12345678 10 10 90 90 90\nLATT 1\nSFAC C\nFVAR 1.0 5000.0\n" +
                         std::string("C1 1 0.1 0.2 0.3 11.0 21.0\nEND\n"));
  const Outcome o = sb.run();
  expect_clean_end(o, "overflowing fields");
  EXPECT_NE(o.out.find("     1   C(1)      6  1  1  0.10000  0.20000  0.30000 1.000*******"), std::string::npos)
      << o.out;
  EXPECT_NE(sb.read("vorn.out").find(" Cell parameters: **********    10.000    10.000"), std::string::npos)
      << sb.read("vorn.out");
}

// The same in the files of a complete run.
TEST(BadInput, NumbersOverflowingTheFieldsOfTheOutputFiles) {
  Sandbox sb;
  sb.write("vorn.inp", std::string(kShelxInp) + "EXTEND_H\n");
  sb.write("in.res",
           "TITL x\nCELL 0.71 12345678 10 10 90 90 90\nLATT 1\nSFAC C H\nFVAR 1.0 5000\n"
           "C1 1 0.0 0.0 0.0 11.0 21.0\nC2 1 0.0 0.15 0.0 11.0 0.02\nH1 2 0.0 0.25 0.0 11.0 -1.2\nEND\n");
  const Outcome o = sb.run();
  ASSERT_EQ(o.status, 0) << o.out;
  EXPECT_NE(sb.read("xd_vorn.mas").find("\nCELL ************     10.0000     10.0000     90.0000"), std::string::npos)
      << sb.read("xd_vorn.mas");
  EXPECT_NE(sb.read("mopro_vorn.par").find("\nCELL**********   10.0000   10.0000  90.0000"), std::string::npos)
      << sb.read("mopro_vorn.par");
  EXPECT_NE(sb.read("xd_vorn.inp").find("\n**********  0.000000  0.000000"), std::string::npos) << sb.read("xd_vorn.inp");
  EXPECT_NE(sb.read("fixedH.ins").find("\nCELL  0.71000***********   10.00000"), std::string::npos)
      << sb.read("fixedH.ins");
}

// ---- Long lines -----------------------------------------------------------

TEST(BadInput, LinesLongerThan255Characters) {
  {
    Sandbox sb;   // a continued control line beyond 255 characters
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + "FRAG 1 " + std::string(200, '1') + " \\\n" +
                             std::string(100, '2') + "\n");
    sb.stops("ERROR *** ReadInputLine *** Line exceeds limit of 255 characters");
  }
  {
    Sandbox sb;   // a control line cut at 255: the file name beyond it is lost
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", "FORMAT *shelx\nINPUT" + std::string(300, ' ') + "in.res\n");
    sb.stops("The INPUT line of vorn.inp names no structure file");
  }
  {
    Sandbox sb;   // an atom line whose last number stands beyond column 255
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("10 10 10 90 90 90", "", "C1 1 0.1 0.2 0.3 11.0" + std::string(260, ' ') + "0.02\n"));
    sb.stops(" Error reading atom: C(1)");
  }
  {
    Sandbox sb;   // very long comment and title lines are passed over
    sb.write("vorn.inp", kShelxInp);
    std::string text = paracetamol();
    text = "TITL " + std::string(5000, 'x') + "\nREM " + std::string(100000, 'y') + "\n" +
           text.substr(text.find('\n') + 1);
    sb.write("in.res", text);
    const Outcome o = sb.run();
    expect_clean_end(o, "long REM");
    EXPECT_NE(o.out.find(" Total atoms read from SHELX file =    20"), std::string::npos) << o.out;
  }
}

// ---- Structures that make no sense ----------------------------------------

TEST(BadInput, ZeroAtoms) {
  for (const std::string& text : {res("10 10 10 90 90 90", "", ""), std::string("TITL x\nCELL 0.7 5 5 5 90 90 90\nEND\n")}) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", text);
    const Outcome o = sb.run();
    expect_clean_end(o, "zero atoms");
    EXPECT_NE(o.out.find(" Total atoms read from SHELX file =     0"), std::string::npos) << o.out;
  }
  Sandbox sb;
  sb.write("vorn.inp", "FORMAT *platon\nINPUT in.ang\n");
  sb.write("in.ang", "ANGSTROM\nEND\n");
  expect_clean_end(sb.run(), "zero PLATON atoms");
}

TEST(BadInput, DegenerateCells) {
  const char* const cells[] = {
      "0 10 10 90 90 90",   "-5 10 10 90 90 90",  "10 10 10 0 0 0",   "10 10 10 90 90 180",
      "10 10 10 120 120 120", "10 10 10 60 60 150", "10 10 10 -90 90 90",
  };
  for (const char* c : cells) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res(c, "", c_atom("C1", 0.1, 0.2, 0.3) + c_atom("C2", 0.2, 0.2, 0.3)));
    sb.stops(std::string("ERROR *** TranMat *** Cell ") + (c[0] == '1' ? "angles cannot form a cell" : "edges must be positive numbers"));
  }
  // Absurd but possible cells: a result or a message, never a NaN.
  for (const char* c : {"1e-30 10 10 90 90 90", "1e-3 1e-3 1e-3 90 90 90", "1e30 10 10 90 90 90",
                        "10 10 10 90 90 179.999"}) {
    Sandbox sb;
    sb.write("vorn.inp", std::string(kShelxInp) + "NCELLS 1\nRINGS 3 8\n");
    sb.write("in.res", res(c, "", c_atom("C1", 0.1, 0.2, 0.3) + c_atom("C2", 0.2, 0.2, 0.3)));
    const Outcome o = sb.run();
    expect_clean_end(o, c);
    EXPECT_FALSE(shows_nan(o.out)) << o.out;
    if (o.status == 0) {
      for (const char* f : {"vorn.out", "xd_vorn.mas", "vorn.ang"}) EXPECT_FALSE(shows_nan(sb.read(f))) << c << f;
    }
  }
}

// Two atoms at one site: a zero distance must not reach a division.
TEST(BadInput, DuplicateAtomsAtOneSite) {
  Sandbox sb;
  sb.write("vorn.inp", std::string(kShelxInp) + "RINGS 3 8\nNCELLS 1\n");
  std::string text = paracetamol();
  const std::size_t o1 = text.find("O1 ");
  const std::string o1_line = text.substr(o1, text.find("\n", text.find("\n", o1) + 1) - o1 + 1);
  text.insert(o1, o1_line);
  sb.write("in.res", text);
  // Atoms sharing a site occur in disorder (mixed sites); the run goes on.
  const Outcome o = sb.run();
  expect_clean_end(o, "duplicate atoms");
  for (const char* f : {"vorn.out", "xd_vorn.mas", "vorn.ang"}) EXPECT_FALSE(shows_nan(sb.read(f))) << f;
}

// The complete-fragment search on a network structure (every atom bonded
// across the cell edges) or with a generous bond tolerance fills the whole
// block of cells; it must still end in seconds.
TEST(BadInput, CompleteFragmentsOfANetworkEndInSeconds) {
  const std::pair<const char*, const char*> cases[] = {
      {"shelx/CaF2_Fm-3m_face_centred.res", "NCELLS 1\n"},
      {"shelx/CaF2_Fm-3m_face_centred.res", "NCELLS 2\n"},
      {"shelx/I-43d_Ni_complex_body_centred.res", "NCELLS 1\n"},
      {"shelx/sucrose_P21.res", "NCELLS 1\nTOLS bond 1.0 ring 0.1 group 0.1\n"},
  };
  for (const auto& [file, options] : cases) {
    Sandbox sb;
    sb.copy_in(test_data(file), "in.res");
    sb.write("vorn.inp", std::string(kShelxInp) + options);
    expect_clean_end(sb.run(), std::string(file) + " " + options);
  }
  // A chain (a carbon bonded to its translate along a, 1.5 A away) searched
  // ten cells each way fills them, 21 atoms, and stops there.
  Sandbox sb;
  std::string text = res("1.5 10 10 90 90 90", "", c_atom("C1", 0.1, 0.5, 0.5));
  text.replace(text.find("LATT 1"), 6, "LATT -1");
  sb.write("in.res", text);
  sb.write("vorn.inp", std::string(kShelxInp) + "NCELLS 10\n");
  ASSERT_EQ(sb.run().status, 0);
  const std::string ang = sb.read("complete.ang");
  EXPECT_EQ(std::count(ang.begin(), ang.end(), '\n'), 21) << ang;
}

// Found by the SHELX fuzz harness: the symmetry listing writes a
// translation as a fraction n/d with n = w d / 12, w being the translation
// in twelfths; an absurd translation such as 99999999 must print as
// asterisks, not overflow.
TEST(BadInput, HugeTranslationOnASymmetryCard) {
  for (const char* card : {"SYMM X+99999999,Y,Z\n", "SYMM -X,Y+3e8,1/2-Z\n", "SYMM X,Y,Z-1e30\n"}) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("10 10 10 90 90 90", card, c_atom("C1", 0.1, 0.2, 0.3) + c_atom("C2", 0.2, 0.2, 0.3)));
    expect_clean_end(sb.run(), card);
  }
}

// ---- Capacities -----------------------------------------------------------

std::string many_atoms(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    // A loose grid: no two atoms bonded.
    const double x = 0.02 * (i % 40), y = 0.02 * ((i / 40) % 40), z = 0.05 * (i / 1600);
    s += c_atom(test::numbered("C", i % 9999), x, y, z);
  }
  return s;
}

// No capacity: 20001 atoms run through (vorn.ang lists them all); a count
// announced beyond the atoms given is the file's fault.
TEST(BadInput, TwentyThousandAndOneAtoms) {
  {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("100 100 100 90 90 90", "", many_atoms(20001)));
    ASSERT_EQ(sb.run().status, 0);
    const std::string ang = sb.read("vorn.ang");
    EXPECT_EQ(std::count(ang.begin(), ang.end(), '\n'), 20002);   // ANGSTROM and every atom
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *platon\nINPUT in.ang\n");
    std::string s = "ANGSTROM\n";
    for (int i = 0; i < 20001; ++i)   // on the grid of many_atoms: a line would leave no frame
      s += "ATOM C" + std::to_string(i) + " " + std::to_string(2 * (i % 40)) + " " + std::to_string(2 * (i / 40 % 40)) + " " + std::to_string(5 * (i / 1600)) + "\n";
    sb.write("in.ang", s);
    ASSERT_EQ(sb.run().status, 0);
    const std::string ang = sb.read("vorn.ang");
    EXPECT_EQ(std::count(ang.begin(), ang.end(), '\n'), 20002);
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *aim2tab\nINPUT in.tab\n");
    sb.write("in.tab", " NUMBER OF ATOMS READ =  20001\n");
    sb.stops("ERROR *** ReadAim2Tab *** No atom table");
  }
  {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas");
    std::string par = read_file(test_data("xd/DL-serine_ReCrystal/xd.inp"));
    par.replace(par.find("USAGE     14"), 12, "USAGE  20001");
    sb.write("xd.inp", par);
    sb.stops("the atom table of xd.mas lists 14 atoms, the USAGE line of xd.inp 20001");
  }
}

TEST(BadInput, TooManySymmetryOperators) {
  {
    Sandbox sb;   // 192 SYMM cards and the identity
    std::string symm;
    for (int k = 0; k < 192; ++k) symm += "SYMM X,Y,Z+" + std::to_string(k) + "/193\n";
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("10 10 10 90 90 90", symm, c_atom("C1", 0.1, 0.2, 0.3)));
    sb.stops("Too many SYMM instructions: the limit is 192");
  }
  {
    Sandbox sb;   // 48 cards, F centring and the inversion: 392 operators
    std::string symm;
    for (int k = 0; k < 48; ++k) symm += "SYMM X,Y,Z+" + std::to_string(k + 1) + "/97\n";
    sb.write("vorn.inp", kShelxInp);
    std::string text = res("10 10 10 90 90 90", symm, c_atom("C1", 0.1, 0.2, 0.3));
    text.replace(text.find("LATT 1"), 6, "LATT 4");
    sb.write("in.res", text);
    sb.stops("*** Too many symmetry operators: 196 needed, the limit is 192");
  }
}

// FVAR lists as many free variables as it likes (201 here, continued
// over 21 lines); a reference beyond the last one given is the fault.
TEST(BadInput, FreeVariableBeyondThoseGiven) {
  Sandbox sb;
  std::string fvar = "FVAR";
  for (int k = 0; k < 201; ++k) fvar += (k % 10 == 9) ? " 0.5 =\n" : " 0.5";
  sb.write("vorn.inp", kShelxInp);
  sb.write("in.res", "TITL x\nCELL 0.71 10 10 10 90 90 90\nLATT 1\nSFAC C\n" + fvar + "\n" +
                         "C1 1 0.1 0.2 0.3 2021.0 0.02\nEND\n");
  sb.stops("ERROR *** ReadShelx *** Free variable 202 is used but FVAR gives only 201 (line 26 of in.res)");
}

TEST(BadInput, TwentyOneNeighbours) {
  // A carbon with 21 carbons at 1.5 A around it (points of a Fibonacci
  // sphere): more neighbours than an atom could once store.
  std::string atoms = c_atom("C0", 0.5, 0.5, 0.5);
  const int n = 21;
  for (int k = 0; k < n; ++k) {
    const double zc = 1.0 - 2.0 * (k + 0.5) / n, r = std::sqrt(1.0 - zc * zc), phi = 2.399963 * k;
    atoms += c_atom(test::numbered("C", k + 1), 0.5 + 1.5 * r * std::cos(phi) / 30.0,
                    0.5 + 1.5 * r * std::sin(phi) / 30.0, 0.5 + 1.5 * zc / 30.0);
  }
  Sandbox sb;
  sb.write("vorn.inp", kShelxInp);
  sb.write("in.res", res("30 30 30 90 90 90", "", atoms));
  ASSERT_EQ(sb.run().status, 0);
  // Each of the 21 lists C(0), with its 21 neighbours, among its own.
  const std::string out = sb.read("vorn.out");
  const std::regex c0("  6  21      1.500       1   C\\(0\\)");
  EXPECT_EQ(std::distance(std::sregex_iterator(out.begin(), out.end(), c0), std::sregex_iterator()), 21);
}

// Separate three-membered rings, far from each other.
std::string triangles(int n, double cell) {
  std::string atoms;
  for (int k = 0; k < n; ++k) {
    const double x = 2.0 + 5.0 * (k % 12), y = 2.0 + 5.0 * ((k / 12) % 12), z = 2.0 + 5.0 * (k / 144);
    const double p[3][3] = {{x, y, z}, {x + 1.5, y, z}, {x + 0.75, y + 1.3, z}};
    for (int a = 0; a < 3; ++a)
      atoms += c_atom(test::numbered("C", 3 * k + a), p[a][0] / cell, p[a][1] / cell, p[a][2] / cell);
  }
  return atoms;
}

// More rings than the ring table once held (the Ca2F2 squares of CaF2
// within one cell each way): every one is stored, none left out.
TEST(BadInput, MoreThanAThousandRings) {
  Sandbox sb;
  sb.copy_in(test_data("shelx/CaF2_Fm-3m_face_centred.res"), "in.res");
  sb.write("vorn.inp", std::string(kShelxInp) + "NCELLS 1\nRINGS 4 4\n");
  ASSERT_EQ(sb.run().status, 0);
  const std::string out = sb.read("vorn.out");
  EXPECT_NE(out.find("FOUND RING # 1001 --->   4 - MEMBERED"), std::string::npos);
  EXPECT_EQ(out.find("left out"), std::string::npos);
}

// Every planar ring of the special treatment gets a dummy atom at its centre.
TEST(BadInput, TooManyDummyAtoms) {
  Sandbox sb;
  sb.write("vorn.inp", std::string(kShelxInp) + "RINGS 3 3 *special\n");
  sb.write("in.res", res("65 65 65 90 90 90", "", triangles(1000, 65.0)));
  sb.stops("DUMMY label exceeds format");
}

// ---- Prompts and the databank ---------------------------------------------

// The charge prompt offers 0 as its default: the end of the input takes it,
// says so in the log, and the run goes on; it must not ask for ever.
TEST(BadInput, ChargePromptAtEndOfInput) {
  for (const char* answers : {"", "minus one\n", "nan\n1e39\n"}) {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.copy_in(test_data("hcno.db"), "hcno.db");
    sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK hcno.db\nNFRAG 2\nFRAG 1 1 -10\nFRAG 2 11 -20\n");
    const Outcome o = sb.run(answers);
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(sb.read("vorn.out").find(" No answer on standard input (end of input): net charge of fragment   1"),
              std::string::npos);
    EXPECT_NE(sb.read("vorn.out").find(" No answer on standard input (end of input): net charge of fragment   2"),
              std::string::npos);
    EXPECT_TRUE(sb.exists("xd_vorn.inp"));
  }
}

TEST(BadInput, DatabankEntryThatFitsWithoutPval) {
  // The test databank without its PVAL lines: the first entry that fits
  // has none, and the search for it meets the end of the file.
  Sandbox sb;
  sb.write("in.res", paracetamol());
  std::string db;
  for (const std::string& l : lines_of(read_file(test_data("hcno.db"))))
    if (l.rfind("PVAL", 0) != 0) db += l + "\n";
  sb.write("bad.db", db);
  sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK bad.db\n");
  sb.stops("has no PVAL line before the next entry on line ");
}

// ---- The control file's last line ------------------------------------------

TEST(BadInput, ContinuationOnTheLastLine) {
  {
    Sandbox sb;   // the FORMAT line continues into the end of the file
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", "INPUT in.res\nFORMAT *shelx \\\n");
    sb.stops("ERROR *** ReadInp *** Unknown input file format");
  }
  {
    Sandbox sb;   // only the last line is cut: the run goes on
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + "TOLS 0.4 \\\n! a comment\n\n");
    const Outcome o = sb.run();
    expect_clean_end(o, "continued last line");
    EXPECT_NE(o.out.find(" Total atoms read from SHELX file =    20"), std::string::npos) << o.out;
  }
}


// ---- One consistent set of outputs; no failure reported as success -------

// The outputs of a run (the log aside) with their contents.
std::map<std::string, std::string> output_set(const Sandbox& sb) {
  std::map<std::string, std::string> set;
  for (const char* f : {"xd_vorn.mas", "xd_vorn.inp", "mopro_vorn.par", "con_mopro.inp", "vorn.spf", "vorn.svg",
                        "vorn.ang", "reset.bond", "const.bond", "res_mopro.inp", "fixedH.ins", "reduced.ang",
                        "reduced_1.ang", "complete.ang", "group.ang"})
    if (fs::is_regular_file(sb.file(f))) set[f] = sb.read(f);
  return set;
}

std::string reference_control(const std::string& name) { return read_file(test_data("../reference/controls/" + name)); }

// A complete run of every analysis step on paracetamol, as the good run
// whose outputs a later bad run must leave alone.
void good_full_run(const Sandbox& sb) {
  sb.copy_in(test_data("shelx/paracetamol_P21n.res"), "structure.res");
  sb.copy_in(test_data("../../examples/vorn.db"), "vorn.db");
  sb.write("vorn.inp", reference_control("shelx_full.inp"));
  ASSERT_EQ(sb.run().status, 0);
}

// Runs that read nothing or read what no crystal holds stop with a message
// naming the file, the format, the atom or the card.
TEST(BadInput, NothingReadOrNothingSoundStops) {
  const std::string res_text = paracetamol();
  struct Case {
    std::string inp, file, message;
  };
  const Case cases[] = {
      {"FORMAT *platon\nINPUT in.res\n", res_text, "ERROR *** ReadPlaton *** No atom read from file in.res (read as PLATON format)"},
      {"FORMAT *aim2tab\nINPUT in.res\n", res_text, "ERROR *** ReadAim2Tab *** No atom read from file in.res (read as AIM2TAB format)"},
      {kShelxInp, res_text.substr(0, res_text.find("\nO1 ") + 1),
       "ERROR *** ReadShelx *** No atom read from file in.res (read as SHELX format)"},
      {kShelxInp, res("1e30 10 10 90 90 90", "", c_atom("C1", 0.5, 0.2, 0.3)),
       "ERROR *** ReadShelx *** Atom 1 C(1): Cartesian coordinate is not a finite number within 1.0E+06 Angstrom"},
      {"FORMAT *platon\nINPUT in.res\n", "ATOM C1 1e38 0 0\nATOM C2 0 0 0\n",
       "ERROR *** ReadPlaton *** Atom 1 C1: Cartesian coordinate is not a finite number"},
      // A pile of copies on one site (the searches would take time as the
      // cube of their number).
      {"FORMAT *platon\nINPUT in.res\n", [] {
         std::string pile;
         for (int k = 0; k < 1000; ++k) pile += "ATOM C1 0 0 0\nATOM C2 1.5 0 0\n";
         return pile;
       }(), "ERROR *** ReadPlaton *** Atom 17 C1 is one of more than 8 atoms at one site (within 0.1 Angstrom)"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    good_full_run(sb);
    const auto before = output_set(sb);
    sb.write("vorn.inp", c.inp);
    sb.write("in.res", c.file);
    sb.stops(c.message);
    EXPECT_EQ(output_set(sb), before) << c.message;
  }
}

// A card that is not a proper operator would solve the structure in the
// wrong space group (and was copied into xd_vorn.mas): the run stops.
TEST(BadInput, SymmetryCardsThatAreNoOperators) {
  for (const char* card : {"SYMM X,Y", "SYMM 1/0+X,Y,Z", "SYMM X,Y,Z,W", "SYMM A,B,C", "SYMM 2X,Y,Z",
                           "SYMM 1e30+X,Y,Z", "SYMM X,X,Z"}) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp);
    sb.write("in.res", res("10 10 10 90 90 90", std::string(card) + "\n", c_atom("C1", 0.1, 0.2, 0.3)));
    sb.stops(std::string("ERROR *** SymCrd *** Symmetry card on line 4 of in.res is not a proper operator ("));
    EXPECT_FALSE(sb.exists("xd_vorn.mas")) << card;
  }
}

// Symmetry that is no symmetry of the cell, cells that hold no crystal and
// stops that name the file and the line where the fault is (the include
// file when it is in one).
TEST(BadInput, StopsNameTheFileAndLineOfTheFault) {
  std::string include;
  for (int k = 1; k <= 50; ++k) include += "REM line " + std::to_string(k) + " of an include file\n";
  const std::string atoms = c_atom("C1", 0.1, 0.2, 0.3) + c_atom("C2", 0.25, 0.2, 0.3);
  const auto with_latt = [&](const std::string& cell, const std::string& latt, const std::string& instructions) {
    std::string t = res(cell, instructions, atoms);
    t.replace(t.find("LATT 1"), 6, latt);
    return t;
  };
  struct Case {
    std::string controls, res, inc, message;
  };
  const Case cases[] = {
      {"", res("10 10 10 90 90 90", "SYMM X+Y, Y, Z\n", atoms),  "",
       "ERROR *** SymCrd *** Symmetry card on line 4 of in.res is no symmetry of the cell (the angle between a and b is "
       "not kept): SYMM X+Y, Y, Z"},
      {"", res("10 10 12 90 90 90", "SYMM -X, -Y, Z\nSYMM Y, X, Z\n", atoms), "",
       "ERROR *** SymCrd *** The symmetry operators do not form a group:"},
      {"", "TITL x\n+inc.ins\nCELL 0.71 10 10 10 90 90 90\nLATT 1\nSYMM X,Y\nSFAC C\nEND\n", include,
       "ERROR *** SymCrd *** Symmetry card on line 5 of in.res is not a proper operator"},
      {"", "TITL x\n+inc.ins\nSFAC C\n" + atoms + "END\n", "CELL 0.71 10 10 10 90 90 90\nLATT 1\nSYMM X,X,Z\n",
       "ERROR *** SymCrd *** Symmetry card on line 3 of inc.ins is not a proper operator"},
      {"", "TITL x\n+inc.ins\nCELL 0.71 10 10 abc 90 90 90\nEND\n", include,
       "Cannot read wavelength and cell from: CELL 0.71 10 10 ABC 90 90 90 (line 3 of in.res)"},
      {"", with_latt("7 7 7 80 80 80", "LATT 3", ""), "",
       "ERROR *** SymCrd *** The R centring (LATT 3 or -3 in in.res) is for a cell on hexagonal axes"},
      {"", res("0.01 10 10 90 90 90", "", atoms), "", "no crystal has a cell narrower than 0.5 Angstrom"},
      {"", res("10 10 10 90 90 179.99", "", atoms), "", "no crystal has a cell narrower than 0.5 Angstrom"},
      {"NCELLS 1\n", res("10 10 10 179.9 90 90", "", atoms), "", "no crystal has a cell narrower than 0.5 Angstrom"},
      {"", res("10 10 10 90 90 90", "", "C1 1 0.1x 0.2 0.3 11.0 0.02\n"), "",
       "ERROR *** ReadShelx *** Error reading atom: C(1) <<C1 1 0.1X 0.2 0.3 11.0 0.02>> (line 6 of in.res)"},
      {"VERBOSE high\n", paracetamol(), "", "ERROR *** ReadInp *** Error while reading file vorn.inp, line 4"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", kShelxInp + c.controls);
    sb.write("in.res", c.res);
    if (!c.inc.empty()) sb.write("inc.ins", c.inc);
    sb.stops(c.message);
  }
}

// A small CIF: the operator loop from line 11 on, one atom row per line.
std::string small_cif(const std::string& ops, const std::string& wavelength, const std::string& rows) {
  return "data_t\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n_cell_angle_alpha 90\n"
         "_cell_angle_beta 90\n_cell_angle_gamma 90\n_diffrn_radiation_wavelength " + wavelength +
         "\nloop_\n_space_group_symop_operation_xyz\n" + ops +
         "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
         "_atom_site_fract_z\n" + rows;
}

TEST(BadInput, CifNumbersAndOperatorsChecked) {
  const std::string two = "C1 C 0.1 0.2 0.3\nC2 C 0.25 0.2 0.3\n";
  std::string pile;
  for (int k = 1; k <= 12; ++k) {
    pile += 'C';
    pile += std::to_string(k);
    pile += " C 0.1 0.2 0.3\n";
  }
  struct Case {
    std::string cif, message;
  };
  const Case cases[] = {
      {small_cif("-y,x-y,z\n", "0.71073", two),
       "t.cif, data_t, line 11: the operator '-y,x-y,z' of _space_group_symop_operation_xyz is no symmetry of the "
       "cell (the angle between a and b is not kept)"},
      {small_cif("x,y,z\n-x,-y,z\ny,x,z\n", "0.71073", two),
       "t.cif, data_t, line 12: the operators of _space_group_symop_operation_xyz do not form a group"},
      {[&] {
         std::string hall = small_cif("x,y,z\n", "0.71073", two);
         return hall.replace(hall.find("loop_"), 45, "_space_group_name_Hall 'P 3'\n");
       }(),
       "t.cif, data_t, line 9: the operator "},
      {small_cif("x,y,z\n", "0.71073", "C1 C 1e20 0.2 0.3\n" + two),
       "atom C1: Cartesian coordinate is not a finite number within 1.0E+06 Angstrom"},
      {small_cif("x,y,z\n", "0.71073", pile), "Atom 9 C(9) is one of more than 8 atoms at one site"},
      {small_cif("x,y,z\n", "0.71073", "? C 0.1 0.2 0.3\n" + two), "atom 1 of the atom loop has no label"},
      {small_cif("x,y,z\n", "100", two), ": _diffrn_radiation_wavelength 100 is not a wavelength"},
      {small_cif("x,y,z\n", "0", two), ": _diffrn_radiation_wavelength 0 is not a wavelength"},
      {small_cif("x,y,z\n", "-1", two), ": _diffrn_radiation_wavelength -1 is not a wavelength"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *cif\nINPUT t.cif\n");
    sb.write("t.cif", c.cif);
    const Outcome o = sb.stops(c.message);
    EXPECT_NE(o.out.find(" ERROR *** ReadCif *** "), std::string::npos) << o.out;
  }
}

// Faults that only show when the frames are built name the atom: an atom
// whose fractional coordinate lost its decimal point lies 50 km away, where
// every dummy place is on one line with it; 1,728 hydrogens piled 0.01 of
// the cell (0.3 A) apart (no site holds more than one) pack more atoms
// around one of them than a crystal holds.
// A Hall symbol that makes the molecular crystal a network does not stop
// the run: completion was not asked for, and the hint says what it found.
TEST(BadInput, FaultsFoundLateNameTheirAtom) {
  Sandbox sb;
  sb.write("vorn.inp", "FORMAT *cif\nINPUT t.cif\n");
  sb.write("t.cif", small_cif("x,y,z\n", "0.71073", "C1 C 0.1 0.2 0.3\nC2 C 0.25 0.2 0.3\nC3 C 5000.1 0.2 0.3\n"));
  sb.stops("ERROR *** DefLoc *** Atom 3 C(3): Could not find atom to direct X-axis (no neighbour or dummy atom "
           "fits; is a coordinate mistyped?) (atom read from t.cif, data_t, line 12)");

  std::string pile;
  for (int k = 0; k < 12 * 12 * 12; ++k)
    pile += test::numbered("H", k + 1) + " 2 " + std::to_string(0.3 + 0.01 * (k / 144)) + " " +
            std::to_string(0.3 + 0.01 * (k / 12 % 12)) + " " + std::to_string(0.3 + 0.01 * (k % 12)) +
            " 11.0 0.02\n";
  sb.write("vorn.inp", kShelxInp);
  sb.write("in.res", res("30 30 30 90 90 90", "", pile));
  sb.stops("ERROR *** GetNei *** Atom 158 H(158): 33 atoms within 0.99 Angstrom, more than 2 per cubic Angstrom; are many "
           "atoms piled on one site? (atom read from line 163 of in.res)");

  std::string cif = read_file(test_data("cif/Sr_oxalate_P21n_Hall_only_COD1000002.cif"));
  cif.replace(cif.find("-P_2yn"), 6, "-F_2yc");
  sb.write("vorn.inp", "FORMAT *cif\nINPUT t.cif\n");
  sb.write("t.cif", cif);
  const Outcome o = sb.run();
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(o.out.find("GenCompleteFrags"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("none up to 3 completes them all (a chain or a network)"), std::string::npos) << o.out;
}

// Numbers of an XD pair out of the range of their fields, and a master
// and a parameter file that do not describe the same atoms.
TEST(BadInput, XdNumbersAndPairChecked) {
  const std::string mas = read_file(test_data("xd/DL-serine_ReCrystal/xd.mas"));
  const std::string par = read_file(test_data("xd/DL-serine_ReCrystal/xd.inp"));
  const auto replaced = [](std::string s, const std::string& from, const std::string& to) {
    const std::size_t p = s.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    return p == std::string::npos ? s : s.replace(p, from.size(), to);
  };
  struct Case {
    std::string mas, par, message;
  };
  const Case cases[] = {
      {mas, replaced(par, "0.671213 1.0000", "0.671213 1.0E38"),
       "xd.inp, line 10 of xd.inp: the occupancy of atom O(001) is not a number from 0 to 1"},
      {mas, replaced(par, "0.009398 -0.000445", "0.009398 1.0E38"),
       "xd.inp, line 11 of xd.inp: a displacement parameter of atom O(001) is not a finite number within 10 A^2"},
      {replaced(mas, "WAVE     0.71073", "WAVE     nan"), par,
       "ERROR *** ReadXD *** The wavelength nan on line 7 of xd.mas is not a wavelength"},
      {replaced(mas, "0.0110  0.0060  0.580", "0.0110  nan  0.580"), par,
       "ERROR *** ReadXD *** The scattering table row on line 19 of xd.mas holds nan, which is not a finite number"},
      {mas, replaced(par, "USAGE     14", "USAGE     13"),
       "ERROR *** ReadXD *** XD master file xd.mas and parameter file xd.inp disagree: the atom table of xd.mas lists "
       "14 atoms, the USAGE line of xd.inp 13; the first difference: H(003) on line 39 of xd.mas is not in xd.inp"},
      {replaced(mas, "O(002)  C(001)  Z  O(002)  O(001)  Y  R  2  1  2  4", "O(002)  C(001)  Z  O(002)  O(001)  Y  R  2  1  3  4"), par,
       "disagree: atom O(002) has kappa set 3 (line 27 of xd.mas) but 2 in xd.inp"},
      {replaced(mas, "LATT  C P", "LATT  C X"), par, "ERROR *** ReadXD *** Lattice type X on line 8 of xd.mas is not supported"},
      {mas, par.substr(0, par.find("O(002)")), "ERROR *** ReadXD *** Error reading XD parameter file (the file ends at line 14 of xd.inp)"},
  };
  for (const Case& c : cases) {
    Sandbox sb;
    sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
    sb.write("xd.mas", c.mas);
    sb.write("xd.inp", c.par);
    sb.stops(c.message);
  }
}

// A run that stops late (here at the fragment charges, after the rings,
// the X-H files and the per-atom loop) keeps the whole earlier set; so do
// outputs that cannot be created, the auxiliary ones included.
TEST(BadInput, ALateStopKeepsTheEarlierSet) {
  for (const char* chfrag : {"CHFRAG nan\n", "CHFRAG x\n", "CHFRAG 1e39\n", "CHFRAG 0. \\\n abc\n"}) {
    Sandbox sb;
    good_full_run(sb);
    const auto before = output_set(sb);
    ASSERT_EQ(before.size(), 13u);
    std::string inp = reference_control("shelx_full.inp");
    inp.replace(inp.find("CHFRAG 0.\n"), 10, chfrag);
    sb.write("vorn.inp", inp);
    sb.stops("on the CHFRAG line of vorn.inp does not read as a finite number");
    EXPECT_EQ(output_set(sb), before) << chfrag;
  }
  const std::pair<const char*, const char*> blocked[] = {
      {"shelx/paracetamol_P21n.res", "reduced.ang"},         {"shelx/paracetamol_P21n.res", "reduced_1.ang"},
      {"shelx/CaF2_Fm-3m_face_centred.res", "complete.ang"}, {"shelx/urea_P-421m_special_positions.res", "group.ang"},
      {"shelx/paracetamol_P21n.res", "fixedH.ins"},
  };
  for (const auto& [structure, name] : blocked) {
    Sandbox sb;
    sb.copy_in(test_data(structure), "structure.res");
    sb.copy_in(test_data("../../examples/vorn.db"), "vorn.db");
    // Urea's group.ang is written for the uncompleted molecule.
    sb.write("vorn.inp", std::string(name) == "group.ang" ? reference_control("shelx_plain.inp") + "NCELLS -1\n"
                                                          : reference_control("shelx_full.inp"));
    fs::create_directory(sb.file(name));
    sb.stops(std::string("ERROR *** VORN *** Unable to create output file ") + name);
    EXPECT_TRUE(output_set(sb).empty()) << name;
  }
}

// Files that fill up (here a limit on the size of a file, as a full disk
// fails every write): the run stops naming the file whose write failed
// first, which is the log, written throughout the run, long before the
// drawing or the parameter files exceed 12 KB; the earlier set stays.
TEST(BadInput, AFullFileNamesTheFirstWriteThatFailed) {
  Sandbox sb;
  good_full_run(sb);
  const auto before = output_set(sb);
  // The signal of the limit is left as the shell has it: the program
  // itself must keep it from ending the run.
  sb.shell_setup = "ulimit -f 24; ";
  const Outcome o = sb.run();
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("ERROR *** VORN *** Unable to write log file vorn.out"), std::string::npos) << o.out;
  EXPECT_EQ(output_set(sb), before);
  for (const auto& e : fs::directory_iterator(sb.file("")))
    EXPECT_EQ(e.path().filename().string().rfind(".vorn-", 0), std::string::npos) << e.path();
}

// A process id that no process has any more.
pid_t dead_process() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

// Directories named like a set whose move a killed run left half done,
// planted by someone else: a directory holding other files, a link to a
// directory beside the working one (the sandbox checks that its files stay
// put), one that others may write in.  Each is left as it is, with a
// warning, and the user's files stay.
TEST(BadInput, PlantedSetsAreLeftAlone) {
  Sandbox sb;
  sb.write("in.res", paracetamol());
  sb.write("vorn.inp", kShelxInp);
  const std::string dead = std::to_string(dead_process());
  const std::string planted = ".vorn-done-" + dead + "-x", link = ".vorn-done-" + dead + "-y",
                    open_dir = ".vorn-run-" + dead + "-z";
  fs::create_directory(sb.file(planted));
  sb.write(planted + "/vorn.inp", "FORMAT *shelx\nINPUT other.res\n");
  sb.write(planted + "/in.res", "TITL planted\n");
  fs::create_directory_symlink("../elsewhere", sb.file(link));
  fs::create_directory(sb.file(open_dir));
  sb.write(open_dir + "/xd_vorn.mas", "PLANTED\n");
  fs::permissions(sb.file(open_dir), fs::perms::all);
  const Outcome o = sb.run();
  ASSERT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(sb.read("vorn.inp"), kShelxInp);
  EXPECT_EQ(sb.read("in.res"), paracetamol());
  EXPECT_EQ(sb.read(planted + "/in.res"), "TITL planted\n");
  EXPECT_TRUE(fs::is_symlink(sb.file(link)));
  EXPECT_EQ(sb.read(open_dir + "/xd_vorn.mas"), "PLANTED\n");
  EXPECT_NE(sb.read("xd_vorn.mas"), "PLANTED\n");
  const std::pair<std::string, std::string> why[] = {{planted, "in it is no output of this program"},
                                                     {link, "it is a link"},
                                                     {open_dir, "others may write in it"}};
  for (const auto& [name, reason] : why) {
    const std::size_t at = o.out.find(" Left alone " + name + " in the working directory: ");
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_NE(o.out.substr(at, o.out.find('\n', at) - at).find(reason), std::string::npos) << o.out;
  }
}

// A run with every step, then a plain one: the plain run's set replaces
// the whole earlier set, and the log names the files it removed.
TEST(BadInput, ANewSetLeavesNoStaleFiles) {
  Sandbox sb;
  good_full_run(sb);
  sb.write("vorn.inp", reference_control("shelx_plain.inp"));
  const Outcome o = sb.run();
  ASSERT_EQ(o.status, 0) << o.out;
  for (const char* f : {"xd_vorn.inp", "fixedH.ins", "reset.bond", "const.bond", "res_mopro.inp", "reduced.ang",
                        "reduced_1.ang", "complete.ang"})
    EXPECT_FALSE(sb.exists(f)) << f;
  EXPECT_TRUE(sb.exists("xd_vorn.mas"));
  EXPECT_NE(sb.read("vorn.out").find(" Files of an earlier run removed (this run does not write them): xd_vorn.inp "
                                     "reset.bond const.bond res_mopro.inp fixedH.ins reduced.ang reduced_1.ang"),
            std::string::npos)
      << sb.read("vorn.out");
}

// The log is created afresh: a link in its place is replaced, never
// written through, and a hard link to an older log keeps that log.
TEST(BadInput, TheLogIsNeverWrittenThroughALink) {
  for (int kind = 0; kind < 3; ++kind) {
    Sandbox sb;
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", kShelxInp);
    sb.write("old.log", "an older log\n");
    if (kind == 0) fs::create_symlink("../sentinel.res", sb.file("vorn.out"));   // outside: the sandbox checks it
    if (kind == 1) fs::create_symlink("vorn.inp", sb.file("vorn.out"));
    if (kind == 2) fs::create_hard_link(sb.file("old.log"), sb.file("vorn.out"));
    ASSERT_EQ(sb.run().status, 0) << kind;
    EXPECT_FALSE(fs::is_symlink(sb.file("vorn.out")));
    EXPECT_EQ(sb.read("vorn.inp"), kShelxInp);
    EXPECT_EQ(sb.read("old.log"), "an older log\n");
    EXPECT_NE(sb.read("vorn.out").find(" Total program elapsed times"), std::string::npos);
  }
}

// Inputs that were misread or gave messages that did not say what was wrong.
TEST(BadInput, ByteOrderMarksLineEndsAndLabels) {
  {
    Sandbox sb;   // byte-order marks on the control file and the structure
    sb.write("vorn.inp", "\xEF\xBB\xBF" + std::string(kShelxInp));
    sb.write("in.res", "\xEF\xBB\xBF" + paracetamol());
    const Outcome o = sb.run();
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find(" Total atoms read from SHELX file =    20"), std::string::npos) << o.out;
  }
  {
    Sandbox sb;   // carriage-return line ends; a deuterium label D1
    sb.write("vorn.inp", "FORMAT *platon\rINPUT in.ang\r");
    sb.write("in.ang", "ANGSTROM\rATOM C1 0.0 0.0 0.0\rATOM D1 1.09 0.0 0.0\rEND\r");
    const Outcome o = sb.run();
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find(" Total atoms read from PLATON file =        2"), std::string::npos) << o.out;
    EXPECT_NE(sb.read("vorn.ang").find("1.0900"), std::string::npos) << sb.read("vorn.ang");
  }
  {
    Sandbox sb;   // an endless stream of wrong databank names
    sb.write("in.res", paracetamol());
    sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK missing.db\n");
    std::string answers;
    for (int k = 0; k < 1000; ++k) answers += "nonexist\n";
    sb.stops("ERROR *** OpenDB *** No databank file opened after 5 names", answers);
  }
  {
    Sandbox sb;   // a USAGE count at the limit of an integer
    sb.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n");
    sb.copy_in(test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas");
    std::string par = read_file(test_data("xd/DL-serine_ReCrystal/xd.inp"));
    const std::size_t usage = par.find("USAGE"), end = par.find('\n', usage);
    par.replace(end - 2, 2, "  2147483647");
    sb.write("xd.inp", par);
    sb.stops("ERROR *** ReadXD *** Error reading XD parameter file");
  }
}

// A charge at the edge of the range of a real: the sigmaPv method's
// correction overflows; the fragment keeps its populations.
TEST(BadInput, RescalingThatOverflowsKeepsThePopulations) {
  Sandbox sb;
  sb.write("in.res", paracetamol());
  sb.copy_in(test_data("hcno.db"), "hcno.db");
  sb.write("vorn.inp", std::string(kShelxInp) + "DATABANK hcno.db\nSCALE *sigma\nCHFRAG -3.3e38\n");
  const Outcome o = sb.run();
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_NE(o.out.find(" is beyond 1000 electrons in fragment   1; its Pv's are left unchanged"), std::string::npos)
      << o.out;
  for (const char* f : {"xd_vorn.inp", "mopro_vorn.par"}) EXPECT_FALSE(shows_nan(sb.read(f))) << f;
}

// ---- A run killed at any moment ---------------------------------------------

// Pairs of bonded carbons on a grid filling a large P1 cell: a run that
// takes a good part of a second.
std::string carbon_pairs(int per_edge) {
  const double edge = 5.0 * per_edge;
  std::string atoms;
  int n = 0;
  for (int i = 0; i < per_edge; ++i)
    for (int j = 0; j < per_edge; ++j)
      for (int k = 0; k < per_edge; ++k)
        for (double dx : {0.0, 1.54}) {
          atoms += c_atom(test::numbered("C", ++n % 9999), (5.0 * i + 1.0 + dx) / edge, (5.0 * j + 1.0) / edge,
                          (5.0 * k + 1.0) / edge);
        }
  const std::string e = std::to_string(edge);
  return res(e + " " + e + " " + e + " 90 90 90", "", atoms);
}

// Starts the program in `dir` and kills it after `delay`; true when it
// was still running then.
bool run_and_kill(const std::string& dir, std::chrono::microseconds delay) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execl(VORN_BINARY, VORN_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(delay);
  const bool killed = kill(pid, SIGKILL) == 0;
  int status = 0;
  waitpid(pid, &status, 0);
  return killed && WIFSIGNALED(status);
}

// The outputs in place after a kill, with a set whose move into place the
// kill interrupted completed as the next run would complete it.
std::map<std::string, std::string> set_after_kill(const Sandbox& sb) {
  std::map<std::string, std::string> set = output_set(sb);
  for (const auto& e : fs::directory_iterator(sb.file("")))
    if (e.path().filename().string().rfind(".vorn-done-", 0) == 0)
      for (const auto& f : fs::directory_iterator(e.path())) set[f.path().filename().string()] = read_file(f.path());
  return set;
}

TEST(BadInput, AKilledRunLeavesTheOldSetOrTheNewOne) {
  Sandbox fresh;   // the new set, from a run that is not disturbed
  fresh.copy_in(test_data("../../examples/vorn.db"), "vorn.db");
  fresh.write("vorn.inp", reference_control("shelx_full.inp"));
  fresh.write("structure.res", carbon_pairs(15));
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(fresh.run().status, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
  std::printf("[ kill test ] an undisturbed run takes %.2f s\n", 1e-6 * static_cast<double>(whole.count()));
  const auto new_set = output_set(fresh);

  Sandbox sb;
  good_full_run(sb);
  const auto old_set = output_set(sb);
  ASSERT_NE(old_set, new_set);
  sb.write("structure.res", carbon_pairs(15));
  int killed = 0;
  for (int step = 0; step <= 8; ++step) {
    if (!run_and_kill(sb.file(""), whole * step / 8)) continue;
    ++killed;
    const auto now = set_after_kill(sb);
    if (now == old_set) continue;
    // Files of the new run replace those of the old run; an old file that
    // the new run does not write may stay.
    for (const auto& [name, text] : new_set) EXPECT_EQ(now.count(name) ? now.at(name) : "", text) << name << " at step " << step;
    for (const auto& [name, text] : now)
      EXPECT_TRUE(new_set.count(name) || (old_set.count(name) && old_set.at(name) == text)) << name;
    break;   // the new set is in place: later kills would only find it again
  }
  EXPECT_GT(killed, 0);
  // The next run clears what the killed runs left behind.
  ASSERT_EQ(sb.run().status, 0);
  for (const auto& e : fs::directory_iterator(sb.file("")))
    EXPECT_EQ(e.path().filename().string().rfind(".vorn-", 0), std::string::npos) << e.path();
}

// Two runs in one directory at once: both end normally and the set in place
// is the whole set of one of them.
TEST(BadInput, TwoRunsAtOnceNeverMix) {
  Sandbox one, two;
  for (const Sandbox* sb : {&one, &two}) {
    sb->copy_in(test_data("../../examples/vorn.db"), "vorn.db");
    sb->write("vorn.inp", reference_control("shelx_full.inp"));
  }
  one.copy_in(test_data("shelx/paracetamol_P21n.res"), "structure.res");
  two.copy_in(test_data("shelx/L-alanine_P212121_freeH.res"), "structure.res");
  ASSERT_EQ(one.run().status, 0);
  ASSERT_EQ(two.run().status, 0);
  const auto set_one = output_set(one), set_two = output_set(two);
  Sandbox both;
  both.copy_in(test_data("../../examples/vorn.db"), "vorn.db");
  both.write("vorn.inp", reference_control("shelx_full.inp"));
  both.copy_in(test_data("shelx/paracetamol_P21n.res"), "structure.res");
  const std::string cmd = "cd '" + both.file("") + "' && (" + VORN_BINARY + " > out1 2>&1 & cp '" +
                          test_data("shelx/L-alanine_P212121_freeH.res") + "' structure.res.new && " +
                          "mv structure.res.new structure.res && " + VORN_BINARY + " > out2 2>&1; wait)";
  for (int round = 0; round < 8; ++round) {
    both.copy_in(test_data("shelx/paracetamol_P21n.res"), "structure.res");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const auto now = output_set(both);
    for (const char* out : {"out1", "out2"})
      EXPECT_NE(both.read(out).find(" Total program elapsed times"), std::string::npos) << both.read(out);
    std::string differ;
    for (const auto& [name, text] : now)
      differ += " " + name + (set_one.count(name) && set_one.at(name) == text ? "=1" : "") +
                (set_two.count(name) && set_two.at(name) == text ? "=2" : "");
    EXPECT_TRUE(now == set_one || now == set_two) << "round " << round << ", files (=1, =2: as run alone):" << differ;
  }
}

}  // namespace
}  // namespace vorn
