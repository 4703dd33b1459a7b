// Runs the program on every SHELX file of the shared data and checks how it
// ends: every ordinary file (the rhombohedral one too) reads to its last
// atom; the file with difference peaks among its atoms stops with its
// message; no file makes the program crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct Expected {
  int natom;
  const char* last;  // the last line of the atom table, number and label
};

const std::map<std::string, Expected> kReads = {
    {"8-hydroxyquinolinium_hydrogenmaleate_P212121.res",
     {30, "    30   C(4)      6  2  1  1.07539  0.48122  0.57961 1.000"
          "  0.010  0.013  0.008  0.001 -0.000 -0.000"}},
    {"C2c_AlGa_fluoroalkoxy_MOESM1367.res",
     {168, "   168   F(9)      9  2  5  0.50355  0.65401  0.38688 0.354"
          "  0.096  0.101  0.066  0.017  0.022 -0.015"}},
    {"CaF2_Fm-3m_face_centred.res",
     {2, "     2   F(002)    9  2  2  0.25000  0.75000  0.75000 0.042"
          "  0.005  0.005  0.005  0.000  0.000  0.000"}},
    {"FeCl_perchlorate_hydrate_R-3c_rhombohedral.res",
     {12, "    12   H(4)      1  1  4  0.37505  0.46837  0.38818 1.000  0.054"}},
    {"Ru_complex_methanol_P21c_Qpeaks_after_END.ins",
     {86, "    86   H(62)     1  1  2  0.18752  0.53256  0.90553 1.000  0.064"}},
    {"8-hydroxyquinolinium_hydrogenmaleate_P212121.res",
     {30, "    30   C(4)      6  2  1  1.07539  0.48122  0.57961 1.000"
          "  0.010  0.013  0.008  0.001 -0.000 -0.000"}},
    {"DL-tryptophan_P21c.res", {27, "    27   H(15C)    1  1  2  0.03141  0.75017  0.48348 1.000  0.028"}},
    {"I-43d_Ni_complex_body_centred.res",
     {65, "    65   N(42)     7  2  3  0.30735  0.46507  0.42346 0.250"
          "  0.114  0.272  0.103  0.018 -0.027  0.047"}},
    {"L-alanine_P212121_freeH.res",
     {13, "    13   C(3)      6  2  1  0.55399  0.14080  0.59994 1.000"
          "  0.006  0.004  0.004 -0.000 -0.000  0.000"}},
    {"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res",
     {21, "    21   H(9)      1  1  2  0.67282  0.44148  0.79147 1.000"
          "  0.039"}},
    {"ZP2_Pna21_freeH.ins", {50, "    50   H(28C)    1  1  2  0.38993  0.89687  0.85402 1.000  0.037"}},
    {"jkd77_C22H20N2_P21n.res", {44, "    44   H(22)     1  1  2 -0.05885  0.94902  0.16135 1.000  0.031"}},
    {"naphthalene_P21a_half_molecule.res",
     {9, "     9   H(4)      1  1  2 -0.03650 -0.29450  0.33150 1.000"
          "  0.060"}},
    {"nitrothiophene_carbaldehyde_Pna21.res",
     {13, "    13   H(1)      1  1  3  0.43300  0.05900  0.13800 1.000"
          "  0.027"}},
    {"p21c_AlGa_perfluoroalkoxy_RESI_PART.res",
     {128, "   128   F(9)      9  2  4  0.04133  0.11869  0.32488 0.558"
          "  0.054  0.032  0.038  0.005 -0.010 -0.007"}},
    {"paracetamol_P21n.res", {20, "    20   H(8A)     1  1  4 -0.05811 -0.08228  0.15318 1.000  0.047"}},
    {"sucrose_P21.res", {45, "    45   H(12B)    1  1  2 -0.07323  0.89968  0.27122 1.000  0.011"}},
    {"thpp_P21n_disorder_cctbx.ins", {18, "    18   C(3)      6  1  1  0.22193  0.43032  0.12983 0.500  0.021"}},
    {"urea_P-421m_special_positions.res",
     {5, "     5   C()       6  2  1  0.00000  0.50000  0.32822 0.250"
          "  0.015  0.015  0.008  0.001  0.000  0.000"}},
};

const std::string kPeaks = "2240189_EXPORTED_Qpeaks_before_HKLF.res";

std::string total_line(int n) {
  std::string num = std::to_string(n);
  return "\n Total atoms read from SHELX file = " + std::string(5 - num.size(), ' ') + num + "\n";
}

TEST(ShelxEndToEnd, EveryFileOfTheSharedDataEndsAsExpected) {
  const fs::path data = test::test_data("shelx");
  ASSERT_TRUE(fs::is_directory(data)) << data;
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(data)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++seen;
    test::ScratchDir dir;
    dir.copy_in(entry.path().string(), name);
    dir.write("vorn.inp", "FORMAT *shelx\nINPUT " + name + "\n");
    const test::RunResult r = test::run_vorn(dir);
    // Never a crash: the program ends normally or through its error stop.
    ASSERT_TRUE(r.status == 0 || r.status == 1) << r.status << "\n" << r.out;
    EXPECT_EQ(r.out.find("Internal error"), std::string::npos) << r.out;
    const std::string log = dir.read("vorn.out");
    if (name == kPeaks) {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.out.find(" ERROR *** ReadShelx *** Error reading atom: Q1() <<Q1    1   0.259967   0.229033"), std::string::npos)
          << r.out;
      EXPECT_NE(r.out.find("    12   H(4)      1  1  4"), std::string::npos) << r.out;
      // A stopped run leaves no half-written XD master file.
      EXPECT_FALSE(dir.exists("xd_vorn.mas"));
      continue;
    }
    const auto it = kReads.find(name);
    if (it == kReads.end()) {
      // A file added to the data later: it must read to its end too.
      EXPECT_NE(r.out.find("\n Total atoms read from SHELX file = "), std::string::npos) << r.out;
      continue;
    }
    EXPECT_NE(r.out.find(total_line(it->second.natom)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::string("\n").append(it->second.last)), std::string::npos) << r.out;
    // The atom table and the listing with flags reach the log too.
    EXPECT_NE(log.find(std::string("\n").append(it->second.last)), std::string::npos) << "log lacks the atom table";
    const std::string n = std::to_string(it->second.natom);
    EXPECT_NE(log.find(std::string("\n").append(7 - n.size(), ' ').append(n).append("  ")), std::string::npos) << "no atom listing";
    EXPECT_NE(log.find(" FLAG =  0 : normal atoms ( "), std::string::npos);
    if (r.status == 0) {
      const std::string mas = dir.read("xd_vorn.mas");
      EXPECT_EQ(mas.substr(0, 80), std::string(79, '!') + "\n");
      EXPECT_NE(mas.find("\nCELL "), std::string::npos);
      EXPECT_NE(mas.find("\nEND SCAT\n"), std::string::npos);
      const std::string par = dir.read("mopro_vorn.par");
      EXPECT_NE(par.find("\nSYMM "), std::string::npos);
    }
  }
  EXPECT_EQ(seen, static_cast<int>(kReads.size()) + 1);
}

// The head lines of both files, column by column, from a complete run.
TEST(ShelxEndToEnd, TryptophanHeadsOfXdMasterAndMoProFile) {
  test::ScratchDir dir;
  dir.copy_in(test::test_data("shelx/DL-tryptophan_P21c.res"), "trp.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT trp.res\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_TRUE(r.status == 0 || r.status == 1) << r.out;
  ASSERT_NE(r.out.find(total_line(27)), std::string::npos) << r.out;
  if (r.status != 0) GTEST_SKIP() << "later steps stopped the run; the heads are checked in the unit tests";
  const std::string mas = dir.read("xd_vorn.mas");
  const std::string head =
      std::string(79, '!') + "\n" +
      "!                   CREATED BY PROGRAM << VORN >>\n" + std::string(79, '!') + "\n" +
      "TITLE DLTRPM\n"
      "CELL      18.8992      5.7445      9.3092     90.0000    101.7760     90.0000\n"
      "WAVE     0.710730\n"
      "LATT C P\n"
      "SYMM -X, 0.5+Y, 0.5-Z\n" +
      std::string(79, '!') + "\n" +
      "!\n    MODULE *XDLSM\n!\n"
      "SELECT  *model 4 0 0 0 based_on F test verbose 3\n"
      "SELECT  cycle 15 dampk 0.6 cmin 0.6 cmax 1. eigcut 1.d-09\n"
      "SAVE  deriv lsqmat cormat\n"
      "SOLVE  *inv diag *cond\n"
      "!------------------------------------------------------------------------------\n"
      "SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'"
      "   DELF''  NSCTL\n"
      "C    CHFW CHFW CSZD    2  -2   0   0  -2   0   0   0   0   0   0   0   0   0   0   0   0   0"
      "  0.0031  0.0016  0.000\n"
      "H    CHFW CHFW CSZD   -1   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0"
      "  0.0000  0.0000  0.000\n"
      "N    CHFW CHFW CSZD    2  -2   0   0  -3   0   0   0   0   0   0   0   0   0   0   0   0   0"
      "  0.0061  0.0033  0.000\n"
      "O    CHFW CHFW CSZD    2  -2   0   0  -4   0   0   0   0   0   0   0   0   0   0   0   0   0"
      "  0.0109  0.0061  0.000\n"
      "END SCAT\n"
      "!------------------------------------------------------------------------------\n"
      "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON\n";
  EXPECT_EQ(mas.substr(0, head.size()), head);
  const std::string par = dir.read("mopro_vorn.par");
  const std::string mopro_head =
      "CELL   18.8992    5.7445    9.3092  90.0000 101.7760  90.0000  0.71073\n"
      "\n"
      "SYMM   2 P CENTRO\n"
      "  X, Y, Z\n"
      " -X, 0.5+Y, 0.5-Z\n"
      "\n"
      "SCALE  1  1.0\n\nFMULT  1.0\n\nUOVER  0.0\n\nSOLVT  0.0  50.0\n\nEXTIN  0.0  GAUSSIAN  ISOT  TYP1\n\n";
  EXPECT_NE(par.find(mopro_head), std::string::npos) << par;
}

// Include lines: the restraints of the nickel complex moved into include
// files (one nested in another) change no output; a missing include file
// is a warning and changes none either.
TEST(ShelxEndToEnd, IncludeFilesPresentAndMissing) {
  const std::string reference = test::read_file(test::test_data("../reference/ni_complex_plain/xd_vorn.mas"));
  ASSERT_FALSE(reference.empty());
  for (const bool missing : {false, true}) {
    SCOPED_TRACE(missing ? "ring2.dfix missing" : "all present");
    test::ScratchDir dir;
    dir.copy_in(test::test_data("shelx_include/ni_complex_with_includes.res"), "structure.res");
    for (const char* f : {"ring1.dfix", "ring2.dfix", "sadi.dfix"})
      if (!missing || std::string(f) != "ring2.dfix") dir.copy_in(test::test_data(std::string("shelx_include/") + f), f);
    dir.write("vorn.inp", "FORMAT *shelx\nINPUT structure.res\n");
    const test::RunResult r = test::run_vorn(dir);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(dir.read("xd_vorn.mas"), reference);
    const std::string warning = " WARNING: include file ring2.dfix named on line 153 of structure.res cannot be read";
    EXPECT_EQ(r.out.find(warning) != std::string::npos, missing) << r.out;
  }
}

}  // namespace
}  // namespace vorn
