#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;

namespace fs = std::filesystem;

const std::string kBanner =
    "\n"
    " =======================================================================\n"
    "   PROGRAM  V O R N  -  AUTOMATIC SETUP OF THE LOCAL COORDINATE SYSTEM\n"
    " =======================================================================\n"
    " Program determines the local coordinate system for each atom based on\n"
    "                connectivity and geometrical parameters\n"
    " In addition it provides an interface to TALDRIM LAB pseudoatom databank\n"
    " Sample VORN input file (vorn.inp) can be printed out with : vorn -h\n"
    " -----------------------------------------------------------------------\n"
    " =======================================================================\n";

bool empty_dir(const test::ScratchDir& dir) { return fs::is_empty(dir.path()); }


// The banner as comment lines, then the example: "vorn -h > vorn.inp"
// gives a control file that runs as it is on the bundled example, with
// its bank, without a prompt or a warning.
TEST(VornCommandLine, HelpPrintsAControlFileThatRunsTheBundledExample) {
  test::ScratchDir dir;
  const auto r = test::run_vorn(dir, "-h");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(empty_dir(dir));
  std::string commented;
  for (const std::string& l : lines_of(kBanner)) commented += "!" + l + "\n";
  ASSERT_EQ(r.out.substr(0, commented.size()), commented);
  const auto example = lines_of(r.out.substr(commented.size()));
  ASSERT_EQ(example.size(), 60u);
  EXPECT_EQ(example[6], "INPUT   paracetamol.res   rename 0 toxd");
  EXPECT_EQ(example[40], "DATABANK vorn.db");
  EXPECT_EQ(example[43], "!FORMFACTORS shelx.hkl");

  dir.write("vorn.inp", r.out);
  for (const char* f : {"paracetamol.res", "vorn.db"}) dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/" + f, f);
  const auto run = test::run_vorn(dir);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out.find("WARNING"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Warnings:"), std::string::npos) << run.out;
  EXPECT_NE(dir.read("xd_vorn.inp").find("C(8)"), std::string::npos);   // the bank's populations written
}

TEST(VornCommandLine, AnyOtherArgumentPrintsTheBannerOnly) {
  test::ScratchDir dir;
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT x.res\n");
  const auto r = test::run_vorn(dir, "anything");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kBanner);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(VornRun, MissingControlFileStopsWithStatusOne) {
  test::ScratchDir dir;
  const auto r = test::run_vorn(dir);
  EXPECT_EQ(r.status, 1);
  const std::string msg = "\n ERROR *** ReadInp *** Unable to open VORN input file vorn.inp\n\n";
  EXPECT_EQ(r.out, kBanner + msg);
  ASSERT_TRUE(dir.exists("vorn.out"));
  EXPECT_NE(dir.read("vorn.out").find(msg), std::string::npos);
  // Output files of a run that never started are not left behind.
  EXPECT_FALSE(dir.exists("xd_vorn.mas"));
  EXPECT_FALSE(dir.exists("mopro_vorn.par.vorn-part"));
}

TEST(VornRun, ControlFileErrorsReachTheLogAndTheExitStatus) {
  test::ScratchDir dir;
  dir.write("vorn.inp", "! no format chosen\r\nFORMAT shelx\r\nINPUT x.res\r\n");
  const auto r = test::run_vorn(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(" ERROR *** ReadInp *** Unknown input file format\n"), std::string::npos);
  const std::string log = dir.read("vorn.out");
  EXPECT_EQ(log.substr(0, kBanner.size()), kBanner);
  EXPECT_NE(log.find(" VORN options : "), std::string::npos);
  EXPECT_NE(log.find(" ERROR *** ReadInp *** Unknown input file format\n"), std::string::npos);
}

TEST(VornRun, AnInputErrorNeverReplacesTheFilesOfAnEarlierRun) {
  test::ScratchDir dir;
  dir.write("xd_vorn.mas", "complete earlier master file\n");
  dir.write("vorn.inp", "FORMAT *shelx\nVERBOSE x\n");
  const auto r = test::run_vorn(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(" ERROR *** ReadInp *** Error while reading file vorn.inp, line 2\n"), std::string::npos);
  EXPECT_EQ(dir.read("xd_vorn.mas"), "complete earlier master file\n");
}


// A run on a real structure: which files exist afterwards and how the run
// ends on the terminal and in the log.
struct StructureRun {
  test::ScratchDir dir;
  test::RunResult r;
  StructureRun(const std::string& options, const std::string& input = "") {
    dir.copy_in(test::test_data("shelx/paracetamol_P21n.res"), "para.res");
    dir.write("vorn.inp", "FORMAT *shelx\nINPUT para.res" + options);
    r = test::run_vorn(dir, "", input);
  }
  std::string log() const { return dir.read("vorn.out"); }
};

// Lines of the summary block, from the first file line to the last "grep" line.
std::string summary_block(const std::string& out) {
  const std::size_t a = out.find(" XD instructions are in file");
  const std::size_t b = out.find("vorn.out\n", out.find(" Summary of exceptions"));
  if (a == std::string::npos || b == std::string::npos) return {};
  return out.substr(a, b + 9 - a);
}

TEST(VornRun, PlainRunWritesTheAlwaysFilesOnly) {
  StructureRun run("\n");
  ASSERT_EQ(run.r.status, 0) << run.r.out;
  for (const char* f : {"xd_vorn.mas", "vorn.ang", "vorn.spf", "vorn.svg", "vorn.out", "mopro_vorn.par", "con_mopro.inp"})
    EXPECT_TRUE(run.dir.exists(f)) << f;
  for (const char* f : {"xd_vorn.inp", "fixedH.ins", "reset.bond", "const.bond", "res_mopro.inp"})
    EXPECT_FALSE(run.dir.exists(f)) << f;
  for (const auto& e : fs::directory_iterator(run.dir.path()))
    EXPECT_EQ(e.path().string().find(".vorn-part"), std::string::npos) << e.path();
  const std::string summary =
      " XD instructions are in file            : xd_vorn.mas\n"
      " MoPro parameters and local symmetry    : mopro_vorn.par & con_mopro.inp\n"
      " Cartesian coordinates in PLATON format : vorn.ang\n"
      " Unidentified groups in PLATON format   : group.ang\n"
      " PLATON plot file with local axes       : vorn.spf\n"
      " Drawing of the local axes (SVG)        : vorn.svg\n"
      " Program log file                       : vorn.out\n"
      "\n"
      " Local axes can be visualized in PLATON using command : platon -p vorn.spf\n"
      " Summary of exceptions    : grep -i 'Exception identified' vorn.out\n";
  EXPECT_EQ(summary_block(run.r.out), summary);
  EXPECT_EQ(summary_block(run.log()), summary);
  // The run ends with the processor times; the log closes with a rule.
  const std::size_t t = run.r.out.rfind("\n Total program elapsed times u,s,t (s) :");
  ASSERT_NE(t, std::string::npos);
  const std::string times = run.r.out.substr(t + 1);
  ASSERT_EQ(times.size(), 40u + 3 * 13 + 2);
  EXPECT_EQ(times.substr(times.size() - 2), "\n\n");
  EXPECT_EQ(times[40], ' ');
  EXPECT_EQ(times[40 + 13 - 2], '.');
  const std::string rule = std::string(80, '-') + "\n\n";
  EXPECT_EQ(run.log().substr(run.log().size() - rule.size()), rule);
  EXPECT_NE(run.log().find("\n" + std::string(80, '-') + "\n\n XD instructions are in file"), std::string::npos);
}

TEST(VornRun, ConversionOnlyWritesTheParameterFileWithoutHydrogenFiles) {
  StructureRun run(" *toxd\nEXTEND_H\nDATABANK nowhere.db\n");
  ASSERT_EQ(run.r.status, 0) << run.r.out;
  EXPECT_TRUE(run.dir.exists("xd_vorn.inp"));
  EXPECT_FALSE(run.dir.exists("fixedH.ins"));
  EXPECT_FALSE(run.dir.exists("reset.bond"));
  EXPECT_EQ(run.r.out.find("Enter the name of databank file"), std::string::npos);
  EXPECT_EQ(run.r.out.find("ATOMS SEARCHED"), std::string::npos);
  EXPECT_NE(run.r.out.find("\n Creating XD parameter file...\n"), std::string::npos);
  const std::string s = summary_block(run.r.out);
  EXPECT_NE(s.find(" XD parameters are in file              : xd_vorn.inp\n"), std::string::npos);
  EXPECT_EQ(s.find("fixedH.ins"), std::string::npos);
  EXPECT_EQ(s.find("Summary of DB"), std::string::npos);
}

TEST(VornRun, DatabankPromptStopsAtTheEndOfStandardInput) {
  StructureRun run("\nDATABANK nowhere.db\n", "\n   \n");
  EXPECT_EQ(run.r.status, 1);
  const std::string name = "nowhere.db" + std::string(50, ' ');
  const std::string prompt = " Enter the name of databank file : ";
  EXPECT_NE(run.r.out.find("\n Error opening databank file " + name + "\n" + prompt + prompt + prompt),
            std::string::npos)
      << run.r.out;
  EXPECT_NE(run.r.out.find(" ERROR *** "), std::string::npos);
  EXPECT_NE(run.log().find(" ERROR *** "), std::string::npos);
  EXPECT_FALSE(run.dir.exists("xd_vorn.mas"));
}

}  // namespace
}  // namespace vorn
