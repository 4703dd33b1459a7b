#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "layout/run_error.hpp"
#include "driver/run.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

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

TEST(Header, BannerLines) {
  std::ostringstream os;
  header(os);
  EXPECT_EQ(os.str(), kBanner);
}

TEST(RunProgram, AnyArgumentPrintsTheBannerAndStops) {
  test::MemoryRun plain;
  EXPECT_EQ(run_program({"anything"}, plain.rs->io), 0);
  EXPECT_EQ(plain.term.str(), kBanner);
  EXPECT_EQ(plain.log(), "");

  test::MemoryRun help;
  EXPECT_EQ(run_program({"-help", "more"}, help.rs->io), 0);
  const std::string out = help.term.str();
  // The banner as comments, so that the output is a control file.
  std::string commented;
  std::istringstream banner(kBanner);
  for (std::string l; std::getline(banner, l);) commented += "!" + l + "\n";
  ASSERT_EQ(out.substr(0, commented.size()), commented);
  const std::string example = out.substr(commented.size());
  EXPECT_EQ(example.substr(0, 6), " \n!\n! ");
  const std::string end = "CHFRAG 0.\n" + std::string("! corrections: force or forbid a bond; give an atom its frame as the XD\n") +
                          "! atom table writes it (atom ATOM0 AX1 ATOM1 ATOM2 AX2 symmetry label)\n" +
                          "!BOND    C(1) C(4)\n!NOBOND  C(7) C(8)\n!AXES    C(5) C(6) X C(5) C(4) Y m\n \n";
  ASSERT_GE(example.size(), end.size());
  EXPECT_EQ(example.substr(example.size() - end.size()), end);

  // "h-" or "x-h" is not a help request.
  test::MemoryRun other;
  run_program({"h-"}, other.rs->io);
  EXPECT_EQ(other.term.str(), kBanner);
}

TEST(OpenDb, AsksUntilAFileOpensAndStopsAtEndOfInput) {
  test::ScratchDir dir;
  dir.write("bank.db", "entry\n");
  test::MemoryRun run;
  std::istringstream answers("\n   \n" + dir.file("nothere.db") + "\r\n" + dir.file("bank.db") + "\n");
  run.rs->io.input = &answers;
  const FileName opened = open_databank(FileName("missing.db"), run.rs->io.db, &answers, run.rs->io.log);
  EXPECT_TRUE(run.rs->io.db.is_open());
  EXPECT_EQ(opened, dir.file("bank.db"));
  const std::string prompt = " Enter the name of databank file : ";
  const std::string padded_name = "missing.db" + std::string(50, ' ');
  const std::string expected = "\n Error opening databank file " + padded_name + "\n" + prompt + prompt + prompt +
                               "\n Error opening databank file " + (dir.file("nothere.db") + std::string(60, ' ')).substr(0, 60) +
                               "\n" + prompt;
  EXPECT_EQ(run.term.str(), expected);

  test::MemoryRun eof;
  std::istringstream nothing("");
  EXPECT_THROW(eof.as_driver([&] { open_databank(FileName("missing.db"), eof.rs->io.db, &nothing, eof.rs->io.log); }),
               RunError);
  EXPECT_NE(eof.term.str().find(" ERROR *** "), std::string::npos);
  EXPECT_NE(eof.log().find(" ERROR *** "), std::string::npos);
}

TEST(Summary, ListsTheFilesTheRunWrote) {
  test::MemoryRun run;
  write_summary(WrittenFiles{}, false, run.rs->io.log);
  const std::string plain =
      "\n"
      " XD instructions are in file            : xd_vorn.mas\n"
      " MoPro parameters and local symmetry    : mopro_vorn.par & con_mopro.inp\n"
      " Cartesian coordinates in PLATON format : vorn.ang\n"
      " PLATON plot file with local axes       : vorn.spf\n"
      " Drawing of the local axes (SVG)        : vorn.svg\n"
      " Program log file                       : vorn.out\n"
      "\n"
      " Local axes can be visualized in PLATON using command : platon -p vorn.spf\n"
      " Summary of exceptions    : grep -i 'Exception identified' vorn.out\n";
  EXPECT_EQ(run.term.str(), plain);
  EXPECT_EQ(run.log(), "\n" + std::string(80, '-') + "\n" + plain);

  test::MemoryRun full;
  write_summary(WrittenFiles{true, true, true, true, true, true}, true, full.rs->io.log);
  const std::string t = full.term.str();
  std::size_t at = 0;
  for (const char* line : {" XD parameters are in file              : xd_vorn.inp\n",
                           " Atomic coordinates w/extended H-atoms  : fixedH.ins\n",
                           " RESET BOND instructions for H-atoms    : reset.bond\n",
                           " CONSTRAINT instructions for H-atoms    : const.bond\n",
                           " MoPro restraints for H-atoms           : res_mopro.inp\n",
                           " Reduced structure in PLATON format     : reduced.ang & reduced_1.ang\n",
                           " Completed molecules in PLATON format   : complete.ang\n",
                           " Unidentified groups in PLATON format   : group.ang\n",
                           "platon -p vorn.spf\n Summary of DB atom types : grep 'DB comment' vorn.out\n"
                           " Summary of X-H distances : grep -i 'x-h' vorn.out\n Summary of exceptions"}) {
    const std::size_t found = t.find(line, at);
    EXPECT_NE(found, std::string::npos) << line;
    at = found == std::string::npos ? at : found;
  }
}

}  // namespace
}  // namespace vorn
