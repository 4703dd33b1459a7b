#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "support/test_support.hpp"
#include "writers/parameter_files.hpp"

namespace vorn {
namespace {

using test::MemoryRun;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) out.push_back(l);
  return out;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> v;
  layout::FreeReader r(line);
  double x = 0;
  while (r.real(x)) v.push_back(x);
  return v;
}

// Two atoms, one dummy, two kappa sets.
struct ParFile {
  MemoryRun mr;
  RunState& rs = *mr.rs;
  ParFile() {
    rs.io.par.open_memory("xd_vorn.inp");
    rs.model.natom = 2;
    Atom& c = rs.atom(1);
    c.label = "C(1)";
    c.xf = 0.12345f;
    c.yf = -0.5f;
    c.zf = 0.98765f;
    c.u = {0.0123f, 0.0234f, 0.0345f, -0.001f, 0.002f, -0.003f};
    rs.mp.xdint[1] = {1, 2, 3, 1, 2, 2, 1, 1, 4, 1, 0};
    rs.mp.pv[1] = 4.1234f;
    Plm& p = rs.mp.plm[1];
    p(0, 0) = 0.01f;
    p(1, 1) = 0.11f;
    p(1, -1) = -0.11f;
    p(1, 0) = 0.10f;
    p(2, 0) = 0.20f;
    p(2, 2) = 0.22f;
    p(2, -2) = -0.22f;
    p(3, -3) = -0.33f;
    p(4, 4) = 0.44f;
    p(4, -4) = -0.44f;
    Atom& h = rs.atom(2);
    h.label = "H(1)";
    h.occ = 0.5f;
    h.u[0] = 0.025f;
    h.tp = 1;
    rs.mp.xdint[2] = {3, 1, 1, 2, 4, 1, 2, 2, 4, 1, 1};
    rs.mp.pv[2] = 0.45f;
    rs.dummy.count = 1;
    rs.dummy.pos[1] = {0.25f, 0.5f, -0.125f};
    rs.kappas.nkset = 2;
    rs.kappas.ktbl[1] = 1;
    rs.kappas.kappa1[1] = 0.98f;
    rs.kappas.kappa2[1] = 1.1f;
    rs.kappas.ktbl[2] = 2;
    rs.kappas.kappa1[2] = 1.16f;
    rs.kappas.kappa2[2] = 1.3f;
    rs.nsft = 2;
    rs.model.shelx1.fvar[1] = 1.52331f;
    rs.model.shelx1.fvar[2] = 0.0123f;
    rs.model.shelx1.fvar[9] = -0.5f;
  }
  std::vector<std::string> run() {
    write_parameter_files(rs);
    return split_lines(rs.io.par.text());
  }
};

TEST(XdParameterFile, RecordsInOrderWithTheirLayouts) {
  ParFile t;
  const std::vector<std::string> l = t.run();
  // 9 head lines, one dummy, five lines per atom, one per kappa set, three.
  ASSERT_EQ(l.size(), 9u + 1u + 2u * 5u + 2u + 3u);
  EXPECT_EQ(l[0], std::string(80, '!'));
  EXPECT_EQ(l[1], "!                   CREATED BY PROGRAM << VORN >>");
  EXPECT_EQ(l[2], std::string(80, '!'));
  EXPECT_EQ(l[3], "XDPARFILE VERSION  2");
  EXPECT_EQ(l[4], "  TEST   MODEL  4  2  1  0");
  EXPECT_EQ(l[5], "LIMITS nat 300 ntx 31 lmx 4 nzz 30 nto 0 nsc 20 ntb 20 nov 2500");
  EXPECT_EQ(l[6], "USAGE    2 2 4    2 0 1 0 0    2 0 0 0 0    1");
  EXPECT_EQ(l[7], "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[8], "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[9], "     0.250000     0.500000    -0.125000");
  EXPECT_EQ(l[10], "C(1)      1  2    3    1    2      2    1    1    4    1    0  0.12345 -0.50000  0.98765  1.0000");
  EXPECT_EQ(l[11], "  0.012300  0.023400  0.034500 -0.001000  0.002000 -0.003000");
  // Pv, the monopole, the dipoles as +1, -1, 0, then m = 0, +1, -1, ...
  EXPECT_EQ(l[12], "  4.1234  0.0100  0.1100 -0.1100  0.1000  0.2000  0.0000  0.0000  0.2200 -0.2200");
  EXPECT_EQ(l[13], "  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000 -0.3300  0.0000  0.0000  0.0000");
  EXPECT_EQ(l[14], "  0.0000  0.0000  0.0000  0.0000  0.4400 -0.4400");
  EXPECT_EQ(l[15], "H(1)      3  1    1    2    4      1    2    2    4    1    1  0.00000  0.00000  0.00000  0.5000");
  EXPECT_EQ(l[16], "  0.025000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[17].substr(0, 16), "  0.4500  0.0000");
  EXPECT_EQ(l[20], "  1  0.980000  1.100000  1.100000  1.100000  1.100000  1.100000");
  EXPECT_EQ(l[21], "  2  1.160000  1.300000  1.300000  1.300000  1.300000  1.300000");
  EXPECT_EQ(l[22], " 0.1230E-01 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00");
  EXPECT_EQ(l[23], "-0.5000E+00");
  EXPECT_EQ(l[24], " 0.152331E+01");
}

TEST(XdParameterFile, PopulationsReadBackInXdOrder) {
  ParFile t;
  const std::vector<std::string> l = t.run();
  std::vector<double> pops;
  for (int k = 12; k <= 14; ++k)
    for (double v : numbers(l[static_cast<std::size_t>(k)])) pops.push_back(v);
  ASSERT_EQ(pops.size(), 26u);
  const Plm& p = t.rs.mp.plm[1];
  const int order[25][2] = {{0, 0}, {1, 1},  {1, -1}, {1, 0},  {2, 0},  {2, 1},  {2, -1}, {2, 2},  {2, -2},
                            {3, 0}, {3, 1},  {3, -1}, {3, 2},  {3, -2}, {3, 3},  {3, -3}, {4, 0},  {4, 1},
                            {4, -1}, {4, 2}, {4, -2}, {4, 3},  {4, -3}, {4, 4},  {4, -4}};
  EXPECT_NEAR(pops[0], t.rs.mp.pv[1], 5e-5);
  for (int k = 0; k < 25; ++k)
    EXPECT_NEAR(pops[static_cast<std::size_t>(k + 1)], p(order[k][0], order[k][1]), 5e-5) << k;
}

TEST(XdParameterFile, NoDummiesAndASingleAtom) {
  ParFile t;
  t.rs.dummy.count = 0;
  t.rs.model.natom = 1;
  t.rs.kappas.nkset = 1;
  t.rs.model.shelx1.fvar[1] = 1.0f;
  const std::vector<std::string> l = t.run();
  ASSERT_EQ(l.size(), 9u + 5u + 1u + 3u);
  EXPECT_EQ(l[6], "USAGE    1 2 4    1 0 1 0 0    2 0 0 0 0    0");
  EXPECT_EQ(l[9].substr(0, 8), "C(1)    ");
  EXPECT_EQ(l[14].substr(0, 3), "  1");
  EXPECT_EQ(l[17], " 0.100000E+01");
}

}  // namespace
}  // namespace vorn
