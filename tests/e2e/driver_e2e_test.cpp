#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/test_support.hpp"

namespace vorn {
namespace {

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

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) v.push_back(l);
  return v;
}

TEST(VornCommandLine, HelpPrintsBannerAndExampleAndCreatesNoFile) {
  test::ScratchDir dir;
  const auto r = test::run_vorn(dir, "-h");
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.out.substr(0, kBanner.size()), kBanner);
  const auto example = lines_of(r.out.substr(kBanner.size()));
  ASSERT_EQ(example.size(), 44u);
  EXPECT_EQ(example[0], " ");
  EXPECT_EQ(example[4], "FORMAT  *shelx xd  ");
  EXPECT_EQ(example[6], "INPUT   shelx.res   rename 0 toxd");
  EXPECT_EQ(example[33], "DATABANK db2011.db");
  EXPECT_EQ(example[43], " ");
  EXPECT_TRUE(empty_dir(dir));
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
  EXPECT_NE(r.out.find(" ERROR *** ReadInp *** Error while reading file vorn.inp\n"), std::string::npos);
  EXPECT_EQ(dir.read("xd_vorn.mas"), "complete earlier master file\n");
}

}  // namespace
}  // namespace vorn
