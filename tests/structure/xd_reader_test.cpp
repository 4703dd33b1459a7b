#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "structure/readers/readers.hpp"
#include "structure/readers/xd_reader.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;

using test::MemoryRun;
using test::ScratchDir;
using test::test_data;



std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

const std::string kSerine = "xd/DL-serine_ReCrystal/";

// Reads the pair with read_xd in a run whose log and terminal are in memory.
// The master file name is a 60-character field, so the master file is read
// from a scratch copy with a short path.
void read_pair(MemoryRun& run, const std::string& master, const std::string& par) {
  ScratchDir here;
  here.copy_in(master, "m.mas");
  run.rs->model = read_xd(par, here.file("m.mas"), run.rs->log_sink());
}

// The serine pair written into a scratch directory, the parameter file
// edited first.
void read_serine_edited(MemoryRun& run, ScratchDir& dir, const std::string& par_text) {
  dir.copy_in(test_data(kSerine + "xd.mas"), "xd.mas");
  dir.write("xd.res", par_text);
  read_pair(run, dir.file("xd.mas"), dir.file("xd.res"));
}

// Expects the run to stop with a message that contains `text`.
template <class F>
void expect_stop(MemoryRun& run, F&& f, const std::string& text) {
  EXPECT_THROW(run.as_driver([&] { f(); }), RunError);
  EXPECT_NE(run.log().find(text), std::string::npos) << run.log();
}

// ---- Line reads of the parameter file ----------------------------------

TEST(XdReadLine, SkipsCommentLinesAndUpcases) {
  MemoryRun run;
  RecordFile f;
  f.open_text("! comment\n!another\nc(1)  3 2\n  ! not a comment line\n");
  std::string line;
  next_xd_line(f, line);
  EXPECT_EQ(line.size(), 255u);
  EXPECT_EQ(line.substr(0, 12), "C(1)  3 2   ");
  next_xd_line(f, line);
  EXPECT_EQ(line.substr(0, 22), "  ! NOT A COMMENT LINE");
  expect_stop(run, [&] { next_xd_line(f, line); }, " ERROR *** ReadXD *** Error reading XD parameter file");
}

TEST(XdReadValues, ReadsAcrossLinesAndDropsTheRestOfTheLast) {
  MemoryRun run;
  RecordFile f;
  f.open_text(" 1.0 2.0\n\n 3.0 4.0 5.0 6.0 7.0 99.0\n 8.5\n! 1.0\n");
  std::array<double, 7> a{};
  ASSERT_TRUE(read_xd_values(f, a));
  EXPECT_EQ(a, (std::array<double, 7>{1, 2, 3, 4, 5, 6, 7}));
  double v = 0;
  ASSERT_TRUE(read_xd_values(f, std::span<double>(&v, 1)));
  EXPECT_FLOAT_EQ(v, 8.5);   // 99.0 was left on the line before
  // A comment line is not skipped by these reads: it is not a number.
  EXPECT_FALSE(read_xd_values(f, std::span<double>(&v, 1)));
  expect_stop(run, [&] { read_xd_values(f, std::span<double>(&v, 1)); }, "Error reading XD parameter file");
}

// ---- The shared DL-serine pair -----------------------------------------

// Expected Cartesian position in the monoclinic serine cell, worked out
// from the cell directly.
std::array<double, 3> serine_cartesian(double x, double y, double z) {
  const double a = 4.7790, b = 9.1950, c = 10.7760, beta = 106.87 * M_PI / 180.0;
  return {a * x + c * std::cos(beta) * z, b * y, c * std::sin(beta) * z};
}

void expect_serine_model(const MemoryRun& run, double h03b_x) {
  const test::TestRun& rs = *run.rs;
  const Model& m = rs.model;
  ASSERT_EQ(m.natom, 14);
  EXPECT_EQ(m.model_name, "CHECK");
  const char* labels[] = {"O(001)", "O(002)", "O(003)", "N(001)", "C(001)", "C(003)", "C(002)",
                          "H(03B)", "H(03A)", "H(002)", "H(01A)", "H(01B)", "H(01C)", "H(003)"};
  const int iz[] = {8, 8, 8, 7, 6, 6, 6, 1, 1, 1, 1, 1, 1, 1};
  const int tbl[] = {1, 1, 1, 2, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4};
  for (int i = 0; i < 14; ++i) {
    const Atom& a = rs.atom(i);
    EXPECT_EQ(a.label, labels[i]) << i;
    EXPECT_EQ(a.atomic_number, iz[i]) << i;
    EXPECT_EQ(a.scattering_type, tbl[i]) << i;
    EXPECT_EQ(a.adp_type, 2) << i;
    EXPECT_EQ(a.max_multipole_level, iz[i] == 1 ? 2 : 4) << i;
    EXPECT_FLOAT_EQ(a.occ, 1.0);
    EXPECT_EQ(a.occupancy_kind, OccupancyKind::normal);
    const auto c = serine_cartesian(a.fractional[0], a.fractional[1], a.fractional[2]);
    EXPECT_NEAR(a.cartesian[0], c[0], 1e-4) << i;
    EXPECT_NEAR(a.cartesian[1], c[1], 1e-4) << i;
    EXPECT_NEAR(a.cartesian[2], c[2], 1e-4) << i;
  }
  EXPECT_FLOAT_EQ(rs.atom(0).fractional[0], 0.248317);
  EXPECT_FLOAT_EQ(rs.atom(0).fractional[2], 0.671213);
  EXPECT_FLOAT_EQ(rs.atom(7).fractional[0], static_cast<double>(h03b_x));
  const std::array<double, 6> u1{0.007207, 0.006724, 0.009398, -0.000445, 0.002247, -0.002118};
  EXPECT_EQ(rs.atom(0).u, u1);
  // Scale factor, extinction and overall thermal parameter of the file.
  ASSERT_EQ(m.shelx_refinement.fvar.size(), 9u);
  EXPECT_FLOAT_EQ(m.shelx_refinement.fvar[0], 1.52331);
  for (std::size_t k = 1; k < 9; ++k) EXPECT_EQ(m.shelx_refinement.fvar[k], 0.0) << k;
  // Scattering types in order of first appearance: O, N, C, H.
  ASSERT_EQ(m.scattering_types.size(), 4u);
  EXPECT_EQ(m.scattering_types[0], 8);
  EXPECT_EQ(m.scattering_types[1], 7);
  EXPECT_EQ(m.scattering_types[2], 6);
  EXPECT_EQ(m.scattering_types[3], 1);
  // P21/c: the identity, the screw axis, and both with the inversion.
  EXPECT_EQ(m.symm.count(), 4);
  EXPECT_FLOAT_EQ(m.cell.beta, 106.87);
}

TEST(XdReader, SerineResultFileReadsWithItsOwnScaleFactor) {
  MemoryRun run;
  read_pair(run, test_data(kSerine + "xd.mas"), test_data(kSerine + "xd.res"));
  expect_serine_model(run, -0.091572);
  EXPECT_EQ(run.rs->atom(13).fractional[1], 0.922781);
  // The atom table on the terminal.
  const std::string term = run.term.str();
  EXPECT_NE(term.find("\n NO.   ATOM      AT.NO.   ORDER_OF_U     iSFT\n"), std::string::npos) << term;
  EXPECT_NE(term.find("\n   1   O(001)      8          2            1\n"), std::string::npos) << term;
  EXPECT_NE(term.find("\n  14   H(003)      1          2            4\n"), std::string::npos) << term;
  const std::string log = run.log();
  EXPECT_NE(log.find(" Reading data from XD master file: "), std::string::npos);
  EXPECT_NE(log.find(" Cell parameters:      4.779     9.195    10.776   90.00  106.87   90.00"), std::string::npos);
  EXPECT_NE(log.find(" Lattice type : P"), std::string::npos);
  EXPECT_NE(log.find(" Lattice is CentroSymmetric"), std::string::npos);
  EXPECT_NE(log.find(" Reading data from XD parameter file: "), std::string::npos);
  EXPECT_NE(log.find("XD parameter file version = 2"), std::string::npos) << log;
  EXPECT_NE(log.find("Maximum level of multipole expansion = 4"), std::string::npos);
  EXPECT_NE(log.find("Number of atoms in XD parameter file = 14"), std::string::npos);
  EXPECT_NE(log.find("Number kappa sets = 14"), std::string::npos);
}

TEST(XdReader, SerineInputFileOfTheLastCycle) {
  MemoryRun run;
  read_pair(run, test_data(kSerine + "xd.mas"), test_data(kSerine + "xd.inp"));
  expect_serine_model(run, -0.091584);
}

// Version 1 of the parameter file: no XDPARFILE line, and the 22 control
// integers (the LIMITS and USAGE values) on the line after the model line.
std::string as_version1(const std::string& v2) {
  std::vector<std::string> in = lines_of(v2), out;
  std::string limits;
  for (const std::string& l : in) {
    if (l.rfind("XDPARFILE", 0) == 0) continue;
    if (l.rfind("LIMITS", 0) == 0) {
      std::istringstream w(l);
      std::string t;
      while (w >> t)
        if (t.find_first_not_of("0123456789") == std::string::npos) limits += " " + t;
      continue;
    }
    if (l.rfind("USAGE", 0) == 0) {
      out.push_back(limits + l.substr(5));
      continue;
    }
    out.push_back(l);
  }
  return joined(out);
}

TEST(XdReader, VersionOneFileReadsTheSame) {
  const std::string v1 = as_version1(read_file(test_data(kSerine + "xd.res")));
  ASSERT_EQ(v1.find("XDPARFILE"), std::string::npos);
  ASSERT_NE(v1.find("\n 2000 31 4 30 0 20 20 2500     14   2  4  14"), std::string::npos) << v1.substr(0, 600);
  MemoryRun run;
  ScratchDir dir;
  read_serine_edited(run, dir, v1);
  expect_serine_model(run, -0.091572);
  EXPECT_EQ(run.log().find("XD parameter file version = "), std::string::npos);
}

// ---- Blocks, comments and the values after the kappa lines -------------

TEST(XdReader, CommentsAndStrayLinesBetweenAtomBlocks) {
  std::vector<std::string> l = lines_of(read_file(test_data(kSerine + "xd.res")));
  std::vector<std::string> out;
  for (const std::string& s : l) {
    if (s.rfind("O(002)", 0) == 0) out.push_back("! the second oxygen");
    if (s.rfind("N(001)", 0) == 0) out.push_back("  NOT AN ATOM LINE");   // dropped, atom read from the next
    if (s.rfind("  0.0407", 0) == 0) out.push_back("! inside the populations");
    out.push_back(s);
  }
  MemoryRun run;
  ScratchDir dir;
  read_serine_edited(run, dir, joined(out));
  expect_serine_model(run, -0.091572);
}

TEST(XdReader, AtomsOfLowerLevelStillCarryTheFileLevelPopulations) {
  // Every hydrogen of the serine file has level 2 but three population
  // lines; had the last one been skipped by its own level, its leftover
  // lines would shift the kappa lines onto the scale factor.  A file whose
  // last hydrogen lacks those lines is not in the layout it announces.
  std::vector<std::string> l = lines_of(read_file(test_data(kSerine + "xd.res")));
  std::vector<std::string> out;
  int after_h003 = -1;
  for (const std::string& s : l) {
    if (s.rfind("H(003)", 0) == 0) after_h003 = 0;
    if (after_h003 >= 0 && after_h003 < 5) {
      ++after_h003;
      if (after_h003 >= 4) continue;   // drop its second and third population lines
    }
    out.push_back(s);
  }
  MemoryRun run;
  ScratchDir dir;
  expect_stop(run, [&] { read_serine_edited(run, dir, joined(out)); },
              "Error reading XD parameter file: population values of atom H(003) hold 31 values, 26 expected");
}

TEST(XdReader, ValuesAfterTheKappaLinesMustBeNumbers) {
  const std::string good = read_file(test_data(kSerine + "xd.res"));
  struct Case {
    std::string from, to, message;
  } cases[] = {
      {" 0.152331E+01", " SCALE", "Scale factor at the end of the XD parameter file does not read as a number"},
      {"\n 0.0000E+00\n", "\n THERMAL\n", "Overall thermal parameter after the extinction lines"},
      {"\n 0.0000E+00 0.0000E+00 0.0000E+00  0.0000E+00", "\n! ext", "Extinction parameters after the kappa lines"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    const std::size_t at = bad.rfind(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    bad.replace(at, c.from.size(), c.to);
    MemoryRun run;
    ScratchDir dir;
    expect_stop(run, [&] { read_serine_edited(run, dir, bad); }, c.message);
  }
  // A file that ends before its scale factor.
  std::string cut = good.substr(0, good.rfind(" 0.152331E+01"));
  MemoryRun run;
  ScratchDir dir;
  expect_stop(run, [&] { read_serine_edited(run, dir, cut); },
              "*** ReadXD *** Error reading XD parameter file (the file ends at line 95 of ");
}

// ---- Small hand-made pairs -----------------------------------------------

struct XdAtom {
  std::string label;
  int adp_type = 2, scattering_type = 1, max_multipole_level = 4;
  double x = 0.1, y = 0.2, z = 0.3, occ = 1.0;
};

// A version-2 parameter file in the layout XD writes, with `level` as the
// file's multipole level and that level's population values for every
// atom.  tp 3 and 4 add the higher-order coefficients after the Uij.
std::string small_par(const std::vector<XdAtom>& atoms, int level = 4, int nkset = 1) {
  std::string s = "XDPARFILE VERSION  2\n";
  s += layout::format("(a,i3,a)", "   SMALL    MODEL", level, "  2  1  0") + "\n";
  s += "LIMITS nat  2000 ntx  31 lmx  4 nzz  30 nto  0 nsc  20 ntb  20 nov   2500\n";
  s += layout::format("('USAGE',i7,i4,i3,i4,'   0   1   0   0   4   2   127   1  40  0')", atoms.size(), 2, 4, nkset) +
       "\n";
  s += "  0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n  -2.0 0.0 0.0 0.0 0.0 0.3333\n";
  int n = 0;
  for (const XdAtom& a : atoms) {
    ++n;
    s += layout::format("(a8,2i3,3i5,2x,6i5,3f9.5,f8.4)", a.label, 3, 2, 1, n, 2, a.adp_type, a.scattering_type, 1, a.max_multipole_level, 1, 0, a.x,
                        a.y, a.z, a.occ) +
         "\n";
    s += "  0.010000  0.020000  0.030000  0.001000  0.002000  0.003000\n";
    if (a.adp_type >= 3) s += "  0.1 0.1 0.1 0.1 0.1 0.1\n  0.1 0.1 0.1 0.1\n";
    if (a.adp_type == 4) s += "  0.2 0.2 0.2 0.2 0.2 0.2\n  0.2 0.2 0.2 0.2 0.2 0.2\n  0.2 0.2 0.2\n";
    const int npop = (level + 1) * (level + 1) + 1;
    for (int k = 0; k < npop; ++k) s += layout::format("(f8.4)", k == 0 ? 4.0 : 0.01) + ((k % 10 == 9 || k == npop - 1) ? "\n" : "");
  }
  for (int k = 1; k <= nkset; ++k) s += "  1  1.000000  1.000000  1.000000  1.000000  1.000000  1.000000\n";
  s += " 0.1000E-01 0.2000E-01 0.3000E-01 0.4000E-01 0.5000E-01 0.6000E-01 0.7000E-01\n";
  s += " 0.8000E+00\n 0.250000E+01\n";
  return s;
}

const std::string kCubic = "TITLE T\nCELL 10.0 10.0 10.0 90.0 90.0 90.0\n";

void read_small(MemoryRun& run, ScratchDir& dir, const std::string& master, const std::string& par) {
  dir.write("t.mas", master);
  dir.write("t.res", par);
  read_pair(run, dir.file("t.mas"), dir.file("t.res"));
}

TEST(XdReader, HigherOrderDisplacementsAndLevelThreeFile) {
  MemoryRun run;
  ScratchDir dir;
  std::vector<XdAtom> atoms = {{"C(1)", 3, 1, 3}, {"N(1)", 4, 2, 3}, {"H(1)", 2, 3, 2, 0.5, 0.5, 0.5}};
  read_small(run, dir, kCubic + "LATT C P\n", small_par(atoms, 3));
  const Model& m = run.rs->model;
  ASSERT_EQ(m.natom, 3);
  EXPECT_EQ(run.rs->atom(0).adp_type, 3);
  EXPECT_EQ(run.rs->atom(1).adp_type, 4);
  EXPECT_EQ(run.rs->atom(2).label, "H(1)");
  EXPECT_FLOAT_EQ(run.rs->atom(2).cartesian[0], 5.0);
  EXPECT_EQ(m.model_name, "SMALL");
  EXPECT_FLOAT_EQ(m.shelx_refinement.fvar[0], 2.5);
  EXPECT_FLOAT_EQ(m.shelx_refinement.fvar[1], 0.01);
  EXPECT_FLOAT_EQ(m.shelx_refinement.fvar[7], 0.07);
  EXPECT_FLOAT_EQ(m.shelx_refinement.fvar[8], 0.8);
}

TEST(XdReader, ElementsFromLabelsAndTypesInOrderOfAppearance) {
  MemoryRun run;
  ScratchDir dir;
  // Table indices 2, 1, 2, 3 but first appearance Cl, C, H.
  std::vector<XdAtom> atoms = {{"CL(1)", 2, 2}, {"C(1A)", 2, 1}, {"CL(2)", 2, 2}, {"H(1)", 2, 3, 2}};
  read_small(run, dir, kCubic, small_par(atoms));
  const Model& m = run.rs->model;
  EXPECT_EQ(run.rs->atom(0).atomic_number, 17);
  EXPECT_EQ(run.rs->atom(1).atomic_number, 6);
  EXPECT_EQ(run.rs->atom(0).scattering_type, 2);   // the file's own index is kept
  ASSERT_EQ(m.scattering_types.size(), 3u);
  EXPECT_EQ(m.scattering_types[0], 17);
  EXPECT_EQ(m.scattering_types[1], 6);
  EXPECT_EQ(m.scattering_types[2], 1);
  // No LATT line: centrosymmetric primitive, so the identity and inversion.
  EXPECT_EQ(m.symm.count(), 2);
}

TEST(XdReader, LatticeLineDecidesInversionAndCentring) {
  std::vector<XdAtom> atoms = {{"C(1)"}};
  {
    MemoryRun run;
    ScratchDir dir;
    read_small(run, dir, kCubic + "LATT A P\nSYMM -X,-Y,Z\n", small_par(atoms));
    EXPECT_EQ(run.rs->model.symm.count(), 2);
    EXPECT_NE(run.log().find(" Lattice is Acentric"), std::string::npos);
  }
  {
    MemoryRun run;
    ScratchDir dir;
    read_small(run, dir, kCubic + "LATT C I\nSYMM -X,-Y,Z\n", small_par(atoms));
    const Symmetry& s = run.rs->model.symm;
    ASSERT_EQ(s.count(), 8);
    EXPECT_NE(run.log().find(" Lattice type : I"), std::string::npos);
    // The inversion is applied first: operators 0 to 3 have no centring
    // translation, 4 to 7 are those four moved by (1/2, 1/2, 1/2).
    for (std::size_t n = 0; n < 4; ++n)
      for (std::size_t j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(s.ops[n].trans[j], 0.0) << n;
    EXPECT_FLOAT_EQ(s.ops[2].rot[0][0], -1.0);   // inversion of the identity
    for (std::size_t j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(s.ops[4].trans[j], 0.5);
    EXPECT_FLOAT_EQ(s.ops[4].rot[0][0], 1.0);
    EXPECT_FLOAT_EQ(s.ops[6].rot[0][0], -1.0);
  }
}

TEST(XdReader, FailuresStopWithTheirMessages) {
  const std::vector<XdAtom> atoms = {{"C(1)"}};
  {
    MemoryRun run;
    expect_stop(run, [&] { read_xd("missing.res", FileName("missing.mas"), run.rs->log_sink()); }, " ERROR *** ReadXD *** Error opening XD master file missing.mas");
  }
  {
    MemoryRun run;
    ScratchDir dir;
    dir.write("t.mas", kCubic);
    expect_stop(run, [&] { read_xd("missing.res", FileName(dir.file("t.mas")), run.rs->log_sink()); }, "Error opening XD parameter file missing.res");
  }
  {
    MemoryRun run;
    ScratchDir dir;
    std::string par = small_par(atoms);
    par.replace(par.find("USAGE      1"), 12, "USAGE  20001");
    // No room is made for the count: the atoms run out at the file's end.
    expect_stop(run, [&] { read_small(run, dir, kCubic, par); }, " ERROR *** ReadXD *** Error reading XD parameter file (the file ends at line 15");
  }
  {
    MemoryRun run;
    ScratchDir dir;
    std::string par = small_par(atoms);
    par.replace(par.find("VERSION  2"), 10, "VERSION  3");
    expect_stop(run, [&] { read_small(run, dir, kCubic, par); }, "XD parameter file version 3 is not supported");
  }
  {
    MemoryRun run;
    ScratchDir dir;
    expect_stop(run, [&] { read_small(run, dir, "TITLE T\nLATT C P\n", small_par(atoms)); }, "No CELL line in XD master file");
  }
  {
    MemoryRun run;
    ScratchDir dir;
    expect_stop(run, [&] { read_small(run, dir, "CELL 10 10 x 90 90 90\n", small_par(atoms)); },
                " ERROR *** ReadXD *** Error reading XD master file");
  }
}


// ---- The program on the serine pair --------------------------------------

namespace e2e {

// Head (before the atom table), controls (between END ATOM and KEY) and
// trailer (from EXTCN) of a master file, without trailing blanks.
struct Sections {
  std::vector<std::string> head, controls, trailer;
};

Sections sections(const std::string& text) {
  std::vector<std::string> l = lines_of(text);
  for (std::string& s : l) s.erase(s.find_last_not_of(' ') + 1);
  Sections s;
  int part = 0;
  for (const std::string& x : l) {
    if (part == 0 && x.rfind("ATOM     ATOM0", 0) == 0) part = 1;
    else if (part == 1 && x == "END ATOM") { part = 2; continue; }
    else if (part == 2 && x.rfind("KEY     XYZ", 0) == 0) part = 3;
    else if (part == 3 && x.rfind("EXTCN", 0) == 0) part = 4;
    if (part == 0) s.head.push_back(x);
    if (part == 2) s.controls.push_back(x);
    if (part == 4) s.trailer.push_back(x);
  }
  return s;
}

// Runs the program on the serine master file and the given parameter text.
test::RunResult run_serine(ScratchDir& dir, const std::string& par,
                           const std::string& mas = read_file(test_data(kSerine + "xd.mas"))) {
  dir.write("xd.mas", mas);
  dir.write("xd.res", par);
  dir.write("vorn.inp",
            "FORMAT  shelx *xd\n"
            "INPUT   xd.mas xd.res\n"
            "KEYGEN  *XYZUIJ *all ordered  *MULT *all ordered *kappas\n"
            "EXTEND_H\n"
            "FRAMES  *new\n");
  return test::run_vorn(dir);
}

void expect_old_sections_kept(const ScratchDir& dir) {
  const Sections old = sections(read_file(test_data(kSerine + "xd.mas")));
  const Sections now = sections(dir.read("xd_vorn.mas"));
  ASSERT_EQ(old.head.size(), 24u);
  EXPECT_EQ(now.head, old.head);
  // The controls stay but for the KEEP kappa line, which lists the new sets.
  ASSERT_EQ(now.controls.size(), old.controls.size());
  for (std::size_t k = 0; k < old.controls.size(); ++k) {
    if (old.controls[k].rfind("KEEP     kappa", 0) == 0)
      EXPECT_EQ(now.controls[k].rfind("KEEP  kappa    1   2   3   4", 0), 0u) << now.controls[k];
    else
      EXPECT_EQ(now.controls[k], old.controls[k]);
  }
  EXPECT_EQ(now.trailer, old.trailer);
  EXPECT_EQ(now.trailer.front(), "EXTCN   0000000");
  EXPECT_EQ(now.trailer.back(), std::string(79, '!'));
}

TEST(XdInputRun, OwnOutputReadsBackAsTheNextXdInput) {
  // A plain conversion (no hydrogen moved) of the serine pair into new
  // frames, then of the files it wrote: the second run must give the same
  // files again.
  ScratchDir dir;
  dir.copy_in(test_data(kSerine + "xd.mas"), "a.mas");
  dir.copy_in(test_data(kSerine + "xd.res"), "a.res");
  dir.write("vorn.inp", "FORMAT  *xd\nINPUT   a.mas a.res *TOXD\nFRAMES *new\n");
  test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string first_mas = dir.read("xd_vorn.mas");
  const std::string first_inp = dir.read("xd_vorn.inp");
  expect_old_sections_kept(dir);
  const std::vector<std::string> inp = lines_of(first_inp);
  ASSERT_GE(inp.size(), 5u);
  EXPECT_EQ(inp[4], "  CHECK   MODEL  4  2  1  0");
  EXPECT_EQ(inp[inp.size() - 3], " 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00");
  EXPECT_EQ(inp[inp.size() - 2], " 0.0000E+00");
  EXPECT_EQ(inp[inp.size() - 1], " 0.152331E+01");
  dir.write("b.mas", first_mas);
  dir.write("b.inp", first_inp);
  dir.write("vorn.inp", "FORMAT  *xd\nINPUT   b.mas b.inp *TOXD\nFRAMES *new\n");
  r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(dir.read("xd_vorn.mas"), first_mas);
  EXPECT_EQ(dir.read("xd_vorn.inp"), first_inp);
}

TEST(XdInputRun, VersionOnePairWithExtinctionAndThermalValues) {
  std::string par = as_version1(read_file(test_data(kSerine + "xd.res")));
  const std::string ext = " 0.0000E+00 0.0000E+00 0.0000E+00  0.0000E+00  0.0000E+00  0.0000E+00 0.0000E+00\n 0.0000E+00\n";
  const std::size_t at = par.rfind(ext);
  ASSERT_NE(at, std::string::npos);
  par.replace(at, ext.size(),
              " 0.1234E-01 0.0000E+00 0.0000E+00  0.0000E+00  0.0000E+00  0.0000E+00 -0.5000E+01\n 0.2500E+00\n");
  ScratchDir dir;
  const test::RunResult r = run_serine(dir, par);
  ASSERT_EQ(r.status, 0) << r.out;
  expect_old_sections_kept(dir);
  const std::vector<std::string> inp = lines_of(dir.read("xd_vorn.inp"));
  ASSERT_GE(inp.size(), 3u);
  EXPECT_EQ(inp[inp.size() - 3], " 0.1234E-01 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00-0.5000E+01");
  EXPECT_EQ(inp[inp.size() - 2], " 0.2500E+00");
  EXPECT_EQ(inp[inp.size() - 1], " 0.152331E+01");
}

TEST(XdInputRun, OldMasterWithoutKeyTableStopsWithoutWritingTheNewOne) {
  ScratchDir dir;
  std::string mas = read_file(test_data(kSerine + "xd.mas"));
  mas.replace(mas.find("KEY     XYZ"), 3, "KYE");
  const test::RunResult bad = run_serine(dir, read_file(test_data(kSerine + "xd.res")), mas);
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.out.find(" ERROR *** LocalDef *** Old XD master file xd.mas has no KEY table"), std::string::npos)
      << bad.out;
  EXPECT_FALSE(dir.exists("xd_vorn.mas"));
}

}  // namespace e2e

}  // namespace
}  // namespace vorn
