#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "support/test_support.hpp"
#include "writers/mopro.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;


struct MoproFiles : ::testing::Test {
  test::MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  void SetUp() override {
    rs.io.mopro.open_memory("mopro_vorn.par");
    rs.io.con.open_memory("con_mopro.inp");
    rs.io.res.open_memory("res_mopro.inp");
    rs.io.reset.open_memory("reset.bond");
    rs.io.cnst.open_memory("const.bond");
  }
  std::vector<std::string> par() const { return lines_of(rs.io.mopro.text()); }
};

TEST_F(MoproFiles, HeadsKeepTheirTrailingBlanks) {
  std::ostringstream p, c, r;
  write_mopro_par_head(p);
  write_con_head(c);
  write_res_head(r);
  const std::string bangs(80, '!');
  EXPECT_EQ(p.str(), bangs + "\n!               CREATED BY PROGRAM << VORN >>\n" + bangs + "\n!  \n");
  EXPECT_EQ(c.str(), "!\n! local symmetry  \n!\n");
  EXPECT_EQ(r.str(), "!\n! X-H distances\n!\n");
}

TEST_F(MoproFiles, HydrogenRecordGroupHasUisoAndOnePopulationRecord) {
  rs.model.natom = 3;
  Atom& a = rs.atom(2);
  a.label = "H(2)";
  a.fractional[0] = 0.123456;
  a.fractional[1] = -0.5;
  a.fractional[2] = 0.25;
  a.occ = 0.5;
  a.u = {0.025, 0.011, 0.012, 0.001, 0.002, 0.003};
  AtomSetup s;
  s.frame.letter = {'Z', 'X'};
  s.frame.label = {Text<8>("C(2)"), Text<8>("DUM1")};
  s.kappa_set = 3;
  // Stored populations include the occupancy 0.5.
  rs.populations.of[2].pv = 0.4;
  Plm& p = rs.populations.of[2].plm;
  p(0, 0) = 0.01;
  p(1, 0) = 0.05;
  p(2, 0) = 0.04;
  p(2, 2) = -0.06;
  write_mopro_atom(rs.model, rs.populations, 2, s, rs.io.log, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 5u);
  EXPECT_EQ(l[0], "ATOM   3 H2        MOL   1    0.123456   -0.500000    0.250000  0.50000  1 H         ");
  // Axis letters, the axis atoms (parentheses dropped, DUM1 as D1), QUA for
  // hydrogen, the kappa set; blank-padded to 90 columns.
  EXPECT_EQ(l[1], std::string("ZX   C2           D1            QUA     K3       V0  M0  Q0") + std::string(31, ' '));
  EXPECT_EQ(l[2], "UISO     0.025000");
  EXPECT_EQ(l[3], " 0.80000 0.02000  0.000  0.000  0.100  0.080  0.000  0.000  -.120  0.000");
  EXPECT_EQ(l[4], "");
  // An anisotropic hydrogen gets its Ueq (orthogonal cell: the mean of
  // U11, U22 and U33), not its U11.
  a.adp_type = 2;
  rs.model.cell = {5, 6, 7, 90, 90, 90};
  write_mopro_atom(rs.model, rs.populations, 2, s, rs.io.log, rs.io.mopro.os());
  EXPECT_EQ(par()[7], "UISO     0.016000");
}

TEST_F(MoproFiles, HeavyAtomRecordGroupHasUaniAndThreePopulationRecords) {
  rs.model.natom = 12;
  Atom& a = rs.atom(11);
  a.label = "C(11)";
  a.fractional[0] = 1.0;
  a.fractional[1] = 0.5;
  a.fractional[2] = -0.0625;
  a.occ = 1.0;
  a.u = {0.0123, 0.0234, 0.0345, -0.0012, 0.0023, -0.0034};
  AtomSetup s;
  s.frame.letter = {'X', 'Y'};
  s.frame.label = {Text<8>("O3"), Text<8>("C4")};
  s.kappa_set = 1;
  rs.populations.of[11].pv = 4.1234;
  Plm& p = rs.populations.of[11].plm;
  p(0, 0) = 0.0;
  const int order1[][2] = {{1, 1}, {1, -1}, {1, 0}, {2, 0}, {2, 1}, {2, -1}, {2, 2}, {2, -2}};
  const int order3[][2] = {{3, 0}, {3, 1}, {3, -1}, {3, 2}, {3, -2}, {3, 3}, {3, -3}};
  const int order4[][2] = {{4, 0}, {4, 1}, {4, -1}, {4, 2}, {4, -2}, {4, 3}, {4, -3}, {4, 4}, {4, -4}};
  // Each population gets its own value, so that the record shows the order.
  int n = 1;
  for (const auto& lm : order1) p(lm[0], lm[1]) = 0.001 * static_cast<double>(n++);
  n = 11;
  for (const auto& lm : order3) p(lm[0], lm[1]) = 0.001 * static_cast<double>(n++);
  n = 21;
  for (const auto& lm : order4) p(lm[0], lm[1]) = -0.001 * static_cast<double>(n++);
  write_mopro_atom(rs.model, rs.populations, 11, s, rs.io.log, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[0], "ATOM  12 C11       MOL   1    1.000000    0.500000   -0.062500  1.00000  1 C         ");
  EXPECT_EQ(l[2], "UANI     0.012300  0.023400  0.034500 -0.001200  0.002300 -0.003400");
  EXPECT_EQ(l[3], " 4.12340 0.00000  0.001  0.002  0.003  0.004  0.005  0.006  0.007  0.008");
  EXPECT_EQ(l[4], "  0.011  0.012  0.013  0.014  0.015  0.016  0.017");
  EXPECT_EQ(l[5], "  -.021  -.022  -.023  -.024  -.025  -.026  -.027  -.028  -.029");
  EXPECT_EQ(l[6], "");

  // Values that F5.3 cannot hold keep their five columns with fewer decimals.
  p(3, 0) = -1.5;
  p(3, 1) = 12.25;
  p(3, -1) = -12.5;
  p(3, 2) = 123.4;
  rs.io.mopro.open_memory();
  write_mopro_atom(rs.model, rs.populations, 11, s, rs.io.log, rs.io.mopro.os());
  EXPECT_EQ(par()[4], "  -1.50  12.25  -12.5  123.4  0.015  0.016  0.017");
}

TEST_F(MoproFiles, LabelWithoutBracketIsNotTakenForHydrogen) {
  rs.model.natom = 1;
  rs.atom(0).label = "H1";
  rs.atom(0).u = {0.03, 0, 0, 0, 0, 0};
  write_mopro_atom(rs.model, rs.populations, 0, AtomSetup{}, rs.io.log, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[0].substr(0, 26), "ATOM   1 H1        MOL   1");
  EXPECT_EQ(l[2].substr(0, 4), "UANI");
}

TEST_F(MoproFiles, ResidueTextReplacesLabelAndMolecule) {
  rs.model.natom = 2;
  rs.model.has_residues = true;
  rs.model.atoms[1].residue_text = "N1       7  ALA  ";
  Atom& a = rs.atom(1);
  a.label = "N1";
  a.fractional[0] = 0.1;
  a.fractional[1] = 0.2;
  a.fractional[2] = 0.3;
  write_mopro_atom(rs.model, rs.populations, 1, AtomSetup{}, rs.io.log, rs.io.mopro.os());
  EXPECT_EQ(par()[0], "ATOM   2 N1       7  ALA      0.100000    0.200000    0.300000  1.00000  1 N1        ");
}

TEST_F(MoproFiles, ZeroOccupancyWritesZeroPopulationsAndWarns) {
  rs.model.natom = 1;
  Atom& a = rs.atom(0);
  a.label = "O(5)";
  a.occ = 0.0;
  rs.populations.of[0].pv = 6.0;
  rs.populations.of[0].plm(1, 0) = 0.1;
  rs.populations.of[0].plm(4, 4) = 0.2;
  write_mopro_atom(rs.model, rs.populations, 0, AtomSetup{}, rs.io.log, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[0].substr(62, 9), "  0.00000");
  EXPECT_EQ(l[3], " 0.00000 0.00000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000");
  EXPECT_EQ(l[5], "  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000");
  EXPECT_NE(mr.log().find("WARNING: atom O(5) has occupancy 0"), std::string::npos);
}

TEST_F(MoproFiles, AtomNumbersFromOneThousandWidenTheField) {
  rs.model.natom = 1000;
  rs.model.hold_entries(1000);
  rs.tables.hold_entries(1000);
  rs.atom(998).label = "C999";
  rs.atom(999).label = "C1000";
  write_mopro_atom(rs.model, rs.populations, 998, AtomSetup{}, rs.io.log, rs.io.mopro.os());
  write_mopro_atom(rs.model, rs.populations, 999, AtomSetup{}, rs.io.log, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 14u);
  EXPECT_EQ(l[0].substr(0, 20), "ATOM 999 C999      M");
  EXPECT_EQ(l[7].substr(0, 21), "ATOM 1000 C1000     M");
}

TEST_F(MoproFiles, ModelSectionWithDummiesAndKappaSets) {
  rs.model.natom = 40;
  for (int d = 1; d <= 12; ++d) rs.dummy.atoms.push_back({"", {0.1 * static_cast<double>(d), -0.25, 1.5}});
  rs.kappas.sets.resize(2);
  rs.kappas.set(1).kappa = 0.98;
  rs.kappas.set(1).kappa_prime = 1.05;
  rs.kappas.set(2).kappa = 1.0;
  rs.kappas.set(2).kappa_prime = 0.8333333;
  write_mopro_model(rs.model, rs.dummy, rs.kappas, rs.io.mopro.os());
  const auto l = par();
  ASSERT_EQ(l.size(), 20u);
  EXPECT_EQ(l[0], "DUMMY  12");
  EXPECT_EQ(l[1], "DUMY     0.100000   -0.250000    1.500000  D1     0");
  EXPECT_EQ(l[12], "DUMY     1.200000   -0.250000    1.500000  D12    0");
  EXPECT_EQ(l[13], "");
  EXPECT_EQ(l[14], "KAPPA   2");
  EXPECT_EQ(l[15], "  0.980000  1.050000");
  EXPECT_EQ(l[16], "  1.000000  0.833333");
  EXPECT_EQ(l[17], "");
  EXPECT_EQ(l[18], "ATOMS   40");
  EXPECT_EQ(l[19], "");
}

TEST_F(MoproFiles, ModelSectionCountsGrowBeyondTheirFields) {
  rs.model.natom = 12345;
  rs.kappas.sets.resize(1000);
  rs.tables.hold_entries(1000);
  write_mopro_model(rs.model, rs.dummy, rs.kappas, rs.io.mopro.os());
  const auto l = par();
  ASSERT_GE(l.size(), 1006u);
  EXPECT_EQ(l[0], "DUMMY   0");
  EXPECT_EQ(l[2], "KAPPA 1000");
  EXPECT_EQ(l[1004], "ATOMS 12345");
}

TEST_F(MoproFiles, ParameterFileTail) {
  write_mopro_par_tail(rs.io.mopro.os());
  EXPECT_EQ(rs.io.mopro.text(),
            "\nANHAR    0    3         !  #atoms #order \n! 1         ! atom number \n"
            "! 0. 0. 0. 0. 0. 0. 0. 0. \n! 0. 0. \n\nSTOP \n");
}

TEST_F(MoproFiles, ConstraintTailWritesOnlyValenceConstraints) {
  rs.model.natom = 7;
  for (int i = 0; i < 7; ++i) rs.atom(i).label = Label(test::numbered(i == 4 || i == 3 ? "H" : "C", i + 1));
  std::vector<AtomSetup> setup(7);
  rs.kappa_sets.of[1].constrained = true;
  setup[1].reference = 0;
  rs.kappa_sets.of[4].constrained = true;
  setup[4].reference = 3;
  setup[6].reference = 2;   // a reference without a constraint writes nothing
  write_con_tail(rs.model, rs.kappa_sets, setup, rs.io.con.os());
  const auto l = lines_of(rs.io.con.text());
  ASSERT_EQ(l.size(), 8u);
  EXPECT_EQ(l[0], "!");
  EXPECT_EQ(l[1], "! similarity (switched-off)");
  EXPECT_EQ(l[2], "!");
  EXPECT_EQ(l[3], "! CONPVM  C2          1 C1         1" + std::string(54, ' '));
  EXPECT_EQ(l[4], "! CONPVM  H5          1 H4         1" + std::string(54, ' '));
  EXPECT_EQ(l[5], "!");
  EXPECT_EQ(l[6], "! end");
  EXPECT_EQ(l[7], "!");
}

TEST_F(MoproFiles, RestraintTailWritesRatiosInAtomOrder) {
  layout::line(rs.io.res.os(), "DISTAN      C1 1     H1 1  1.077 0.001");
  rs.model.natom = 9;
  for (int i = 0; i < 9; ++i) rs.atom(i).label = Label(test::numbered(i == 3 || i == 8 ? "H" : i == 2 ? "O" : "C", i + 1));
  std::vector<AtomSetup> setup(9);
  setup[8].frame.extended_bond = ExtendedBond{0, 8, 1.077, 1.2};
  setup[3].frame.extended_bond = ExtendedBond{2, 3, 0.967, 1.5};
  write_res_tail(rs.model, setup, rs.io.res.os());
  const auto l = lines_of(rs.io.res.text());
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(l[1], "!");
  EXPECT_EQ(l[2], "! isotropic H atoms ADPs");
  EXPECT_EQ(l[3], "!");
  EXPECT_EQ(l[4], "URATIO         O3 1     H4 1    1.5 0.01" + std::string(60, ' '));
  EXPECT_EQ(l[5], "URATIO         C1 1     H9 1    1.2 0.01" + std::string(60, ' '));
  EXPECT_EQ(l[6], "!");
  EXPECT_EQ(l[7], "! end");
  EXPECT_EQ(l[8], "!");
}

}  // namespace
}  // namespace vorn
