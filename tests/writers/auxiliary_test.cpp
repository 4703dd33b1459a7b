#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"
#include "writers/auxiliary.hpp"

namespace vorn {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream is(text);
  for (std::string l; std::getline(is, l);) out.push_back(l);
  return out;
}

const std::vector<std::string> kFixedPlotLines = {
    "SOLID COLOR", "COLOR TYPE X GREEN Y YELLOW Z BROWN D ORANGE", "RADII ATOMS ALL 0.06",
    "RADII ATOMS X 0.02", "RADII ATOMS Y 0.02", "RADII ATOMS Z 0.02", "RADII BONDS ALL 0.01 1",
    "RADII BONDS TO X 0.01 1", "RADII BONDS TO Y 0.01 1", "RADII BONDS TO Z 0.01 1", "RADII BONDS TO D 0.00 0",
    "DETACH X Y", "DETACH X Z", "DETACH Y Z", "DETACH X X", "DETACH Y Y", "DETACH Z Z", "LABEL ON", "LABEL H",
    "UNLABEL X Y Z"};

struct PlotFile : ::testing::Test {
  test::MemoryRun mr;
  RunState& rs = *mr.rs;
  void SetUp() override {
    rs.io.spf.open_memory("vorn.spf");
    rs.io.fixedh.open_memory("fixedH.ins");
    // A cubic cell of 10 Angstrom.
    for (int k = 1; k <= 3; ++k) {
      rs.model.transf.m.at(k, k) = 10.0f;
      rs.model.transf.minv.at(k, k) = 0.1f;
    }
  }
  void types(std::initializer_list<int> zs) {
    for (int z : zs) rs.model.types.typez[++rs.model.types.ntypes] = z;
  }
};

TEST_F(PlotFile, Head) {
  std::ostringstream os;
  write_spf_head(os);
  EXPECT_EQ(os.str(), "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange\nANGSTROM\n");
}

TEST_F(PlotFile, WithoutDummiesThereAreNoDummyLines) {
  types({6, 1});
  write_spf_tail(rs);
  const auto l = lines_of(rs.io.spf.text());
  ASSERT_EQ(l.size(), 22u);
  EXPECT_EQ(l[0], "JOIN RADII  C  0.77 H  0.40  X 0.01  Y 0.01  Z 0.01");
  EXPECT_EQ(std::vector<std::string>(l.begin() + 1, l.begin() + 21), kFixedPlotLines);
  EXPECT_EQ(l[21], "PLOT");
}

TEST_F(PlotFile, DummiesRadiiChangesAndHeavyElements) {
  types({6, 1, 78});
  rs.sw.covrad[5] = 0.80f;   // a RADII line changed carbon
  rs.dummy.count = 10;
  for (int d = 1; d <= 10; ++d) rs.dummy.pos[d] = {0.1f, 0.2f, 0.01f * static_cast<float>(d)};
  write_spf_tail(rs);
  const auto l = lines_of(rs.io.spf.text());
  ASSERT_EQ(l.size(), 10u + 1 + 20 + 5 + 3 + 1);
  EXPECT_EQ(l[0], "ATOM D(1)          1.0000        2.0000        0.1000");
  // The number field holds one digit only.
  EXPECT_EQ(l[9], "ATOM D(*)          1.0000        2.0000        1.0000");
  // Platinum lies beyond the changeable table: it gets the radius the
  // neighbour search uses for it.
  EXPECT_EQ(l[10], "JOIN RADII  C  0.80 H  0.40 Pt 1.36  X 0.01  Y 0.01  Z 0.01  D 0.01");
  EXPECT_EQ(std::vector<std::string>(l.begin() + 11, l.begin() + 31), kFixedPlotLines);
  const std::vector<std::string> block = {"RADII ATOMS D 0.02", "DETACH D X", "DETACH D Y", "DETACH D Z", "LABEL D",
                                          "DETACH D C ", "DETACH D H ", "DETACH D Pt", "PLOT"};
  EXPECT_EQ(std::vector<std::string>(l.begin() + 31, l.end()), block);
}

TEST_F(PlotFile, CartesianDummiesAreWrittenAsStored) {
  rs.sw.ifra = 0;
  rs.dummy.count = 1;
  rs.dummy.pos[1] = {-1.5f, 12.25f, 0.0f};
  write_spf_tail(rs);
  EXPECT_EQ(lines_of(rs.io.spf.text())[0], "ATOM D(1)         -1.5000       12.2500        0.0000");
}

TEST_F(PlotFile, FixedHLine) {
  rs.model.natom = 2;
  Atom& a = rs.atom(2);
  a.label = "H(1)";
  a.tbl = 2;
  a.xf = 0.123457f;
  a.yf = -0.25f;
  a.zf = 1.0f;
  a.occ = 0.5f;
  a.u = {0.03125f, 0, 0, 0, 0, 0};
  write_fixedh_line(rs, 2);
  EXPECT_EQ(rs.io.fixedh.text(), "H(1)        2      0.123457   -0.250000    1.000000     0.50000   0.0312\n");
}

}  // namespace
}  // namespace vorn
