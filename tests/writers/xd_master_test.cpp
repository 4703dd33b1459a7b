#include "writers/xd_master.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "localframe/atom_table_line.hpp"
#include "structure/elements.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;


Frame frame(const char* l1, char a1, const char* l2, char a2) {
  Frame f;
  f.label[0] = l1;
  f.letter[0] = a1;
  f.label[1] = l2;
  f.letter[1] = a2;
  return f;
}

TEST(MasAtomLine, ColumnsWithAndWithoutChemcon) {
  test::MemoryRun m;
  test::TestRun& rs = *m.rs;
  rs.model.natom = 2;
  Atom& a = rs.atom(0);
  a.label = "C(1)";
  a.adp_type = 2;
  a.scattering_type = 1;
  a.max_multipole_level = 4;
  a.sitesym = "m";
  const Frame f = frame("O(1)", 'X', "C(2)", 'Y');
  const std::string plain = atom_table_line(rs.atom(0), f, 1, "", Handedness::right);
  EXPECT_EQ(plain, "C(1)     O(1)      X  C(1)     C(2)     Y   R   2  1   1   4   m");
  const std::string con = atom_table_line(rs.atom(0), f, 12, "C(3)", Handedness::right);
  EXPECT_EQ(con, "C(1)     O(1)      X  C(1)     C(2)     Y   R   2  1  12   4   m       C(3)");
  // The mirror image of its reference: L in the same column.
  const std::string left = atom_table_line(rs.atom(0), f, 12, "C(3)", Handedness::left);
  EXPECT_EQ(left, "C(1)     O(1)      X  C(1)     C(2)     Y   L   2  1  12   4   m       C(3)");
  // Columns: R in 45, SITESYM from 64, CHEMCON from 72 (labels left-aligned).
  EXPECT_EQ(con[44], 'R');
  EXPECT_EQ(con.substr(63, 1), "m");
  EXPECT_EQ(con.substr(71), "C(3)");
}

TEST(MasAtomLine, DummyAxesLongLabelsAndNoTrailingBlanks) {
  test::MemoryRun m;
  test::TestRun& rs = *m.rs;
  rs.model.natom = 1;
  Atom& a = rs.atom(0);
  a.label = "CL(12AB)";
  a.adp_type = 2;
  a.scattering_type = 11;
  a.max_multipole_level = 4;
  a.sitesym = "NO";
  const std::string l = atom_table_line(rs.atom(0), frame("DUM1", 'Z', "CL(12AB)", 'X'), 3, "", Handedness::right);
  EXPECT_EQ(l, "CL(12AB) DUM1      Z  CL(12AB) CL(12AB) X   R   2 11   3   4   NO");
  // A blank site symmetry leaves the line ending at the LMX column.
  a.sitesym = "";
  const std::string b = atom_table_line(rs.atom(0), frame("DUM1", 'Z', "CL(12AB)", 'X'), 3, "", Handedness::right);
  EXPECT_EQ(b.size(), 60u);
  EXPECT_EQ(b.back(), '4');
}

int sum_of_magnitudes(const std::array<int, 18>& p) {
  int s = 0;
  for (int v : p) s += std::abs(v);
  return s;
}

TEST(GetSft, EveryRowCountsItsElectrons) {
  for (int z = 1; z <= 92; ++z) EXPECT_EQ(sum_of_magnitudes(scattering_table_populations(z)), z) << "Z = " << z;
}

TEST(GetSft, RowsOfTheFirstPeriodsAndIodine) {
  using P = std::array<int, 18>;
  //          1S 2S 3S 4S 2P 3P 4P 3D 4D 4F 5S 5P 6S 6P 5D 7S 6D 5F
  EXPECT_EQ(scattering_table_populations(1), (P{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(3), (P{2, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(6), (P{2, -2, 0, 0, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(10), (P{2, -2, 0, 0, -6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(12), (P{2, 2, -2, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(17), (P{2, 2, -2, 0, 6, -5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(19), (P{2, 2, 2, -1, 6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(26), (P{2, 2, 2, -2, 6, 6, 0, -6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(31), (P{2, 2, 2, -2, 6, 6, -1, -10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(53), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, -2, -5, 0, 0, 0, 0, 0, 0}));
}

TEST(GetSft, HeavierRowsFollowTheFillingOrder) {
  using P = std::array<int, 18>;
  //          1S 2S 3S 4S 2P 3P 4P 3D 4D 4F 5S 5P 6S 6P 5D 7S 6D 5F
  EXPECT_EQ(scattering_table_populations(37), (P{2, 2, 2, 2, 6, 6, 6, 10, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(42), (P{2, 2, 2, 2, 6, 6, 6, 10, -4, 0, -2, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(50), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, -2, -2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(54), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, -2, -6, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(56), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, 2, 6, -2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(57), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 0, 2, 6, -2, 0, -1, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(64), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, -7, 2, 6, -2, 0, -1, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(63), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, -7, 2, 6, -2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(78), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 14, 2, 6, -2, 0, -8, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(82), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 14, 2, 6, -2, -2, 10, 0, 0, 0}));
  EXPECT_EQ(scattering_table_populations(92), (P{2, 2, 2, 2, 6, 6, 6, 10, 10, 14, 2, 6, 2, 6, 10, -2, -1, -3}));
}

TEST(GetSft, UnknownElementStops) {
  EXPECT_THROW(scattering_table_populations(0), RunError);
  EXPECT_EQ(test::error_report([] { scattering_table_populations(93); }), "\n ERROR *** GetSFT *** atomic number not implemented yet\n");
}

TEST(MasScat, RowsForCHNO) {
  test::MemoryRun m;
  test::TestRun& rs = *m.rs;
  rs.model.scattering_types = {6, 1, 7, 8};
  std::ostringstream os;
  write_master_head(rs.model, os);
  // Without CELL, LATT and SYMM instructions the head is the banner and the
  // refinement controls (13 lines), then the scattering table.
  auto l = lines_of(os.str());
  ASSERT_EQ(l.size(), 20u);
  l.erase(l.begin(), l.begin() + 13);
  EXPECT_EQ(l[0],
            "SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'"
            "   DELF''  NSCTL");
  EXPECT_EQ(l[1],
            "C    CHFW CHFW CSZD    2  -2   0   0  -2   0   0   0   0   0   0   0   0   0   0   0   0   0"
            "  0.0000  0.0000  0.000");
  EXPECT_EQ(l[2].substr(0, 2 + 3 + 14 + 1 + 4), "H    CHFW CHFW CSZD   -1");
  EXPECT_EQ(l[3].substr(20, 20), "   2  -2   0   0  -3");
  EXPECT_EQ(l[4].substr(20, 20), "   2  -2   0   0  -4");
  EXPECT_EQ(l[5], "END SCAT");
  EXPECT_EQ(l[6], "!" + std::string(78, '-'));
}

TEST(RefinementControls, KeepKappaLinesAndWeights) {
  test::MemoryRun m;
  test::TestRun& rs = *m.rs;
  std::ostringstream five;
  write_refinement_controls(rs.model, 5, five);
  auto l = lines_of(five.str());
  ASSERT_EQ(l.size(), 13u);
  EXPECT_EQ(l[0], "!" + std::string(78, '-'));
  EXPECT_EQ(l[1], "KEEP  kappa    1   2   3   4   5");
  EXPECT_EQ(l[2], "KEEP  charge group1");
  EXPECT_EQ(l[5], "WEIGHT     -2.00000    0.00000    0.00000    0.00000    0.00000    0.33333");
  EXPECT_EQ(l[12], "!" + std::string(78, '-'));

  std::ostringstream twenty;
  write_refinement_controls(rs.model, 20, twenty);
  l = lines_of(twenty.str());
  std::string full = "KEEP  kappa ";
  for (int k = 1; k <= 20; ++k) full += (k < 10 ? "   " : "  ") + std::to_string(k);
  EXPECT_EQ(l[1], full + " \\");
  EXPECT_EQ(l[2], "");
  EXPECT_EQ(l[3], "KEEP  charge group1");

  std::ostringstream more;
  write_refinement_controls(rs.model, 23, more);
  l = lines_of(more.str());
  EXPECT_EQ(l[1], full + " \\");
  EXPECT_EQ(l[2], "  21  22  23");
}

TEST(PropertyModules, LatenLineCarriesMinusNatom) {
  test::MemoryRun m;
  test::TestRun& rs = *m.rs;
  rs.model.natom = 25;
  std::ostringstream os;
  write_property_modules(rs.model.natom, os);
  const auto l = lines_of(os.str());
  ASSERT_GT(l.size(), 40u);
  EXPECT_EQ(l[0], "!");
  EXPECT_EQ(l[1], "   MODULE *XDPROP");
  bool found = false;
  for (const auto& s : l)
    if (s.rfind("!LATEN  frag1", 0) == 0) {
      EXPECT_EQ(s, "!LATEN  frag1 1  -25  *neutral");
      found = true;
    }
  EXPECT_TRUE(found);
  EXPECT_EQ(l[15], "PROPERTY  *rho gradrho d2rho nucpot elpot core valence defden sigrho siglap esp ef efg");
  EXPECT_EQ(l[l.size() - 6], "   END XDPROP");
  EXPECT_EQ(l.back(), std::string(79, '!'));
  EXPECT_EQ(l[l.size() - 2], "   END  XDGEOM");
}

}  // namespace
}  // namespace vorn
