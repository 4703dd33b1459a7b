// Dummy atoms: reuse within 0.1 Angstrom, names, the name limit, the
// geometry helpers and the axis plot.
#include <gtest/gtest.h>

#include <sstream>

#include <string>

#include "layout/run_error.hpp"
#include "localframe/dummy_atoms.hpp"
#include "molecule.hpp"

namespace vorn::test {
namespace {

TEST(AddDummyAtom, ReusesAPointCloserThanATenthOfAnAngstrom) {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  rs.sw.has_cell = false;
  EXPECT_EQ(add_dummy(rs.dummy, rs.model, rs.sw, Cartesian{{1, 2, 3}}).number, 1);
  const DummyPoint q = add_dummy(rs.dummy, rs.model, rs.sw, Cartesian{{1.099, 2, 3}});
  EXPECT_EQ(q.number, 1);
  EXPECT_FLOAT_EQ(q.cart[0], 1.0);   // the existing dummy's position
  const DummyPoint r = add_dummy(rs.dummy, rs.model, rs.sw, Cartesian{{1.1001, 2, 3}});
  EXPECT_EQ(r.number, 2);
  EXPECT_FLOAT_EQ(r.cart[0], 1.1001);
  EXPECT_EQ(rs.dummy.count(), 2);
  EXPECT_EQ(rs.dummy.numbered(2).label.str(), "DUM2  ");
}

TEST(AddDummyAtom, WithACellStoresFractionalPositions) {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  rs.model.cell = {10, 20, 5, 90, 90, 90};
  rs.model.transf = cell_transform(rs.model.cell, rs.log_sink());
  // A Cartesian point is stored fractional.
  const DummyPoint p = add_dummy(rs.dummy, rs.model, rs.sw, Cartesian{{5, 5, 2.5}});
  const int d = p.number;
  EXPECT_NEAR(rs.dummy.numbered(d).pos[0], 0.5, 1e-6);
  EXPECT_NEAR(rs.dummy.numbered(d).pos[1], 0.25, 1e-6);
  EXPECT_NEAR(rs.dummy.numbered(d).pos[2], 0.5, 1e-6);
  EXPECT_NEAR(p.cart[1], 5.0, 1e-5);
  // A point in the stored (fractional) frame; the same place is found again.
  EXPECT_EQ(add_dummy_stored(rs.dummy, rs.model, rs.sw, {0.5, 0.2501, 0.5}).number, d);
  const DummyPoint g = add_dummy_stored(rs.dummy, rs.model, rs.sw, {0.5, 0.26, 0.5});
  EXPECT_EQ(g.number, d + 1);
  EXPECT_NEAR(g.cart[1], 5.2, 1e-5);
}

TEST(DummyLab, NamesGrowWithTheNumberAndStopAbove999) {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  for (int n = 1; n <= 999; ++n) ASSERT_EQ(append_dummy(rs.dummy, {0, 0, 0}), n);
  for (int n : {1, 9, 10, 42, 123, 999})
    EXPECT_EQ(std::string(rs.dummy.numbered(n).label.trimmed()), numbered("DUM", n));
  EXPECT_THROW(mr.as_driver([&] { append_dummy(rs.dummy, {0, 0, 0}); }), RunError);
  EXPECT_NE(mr.log().find(" ERROR *** DummyLab *** DUMMY label exceeds format..."), std::string::npos);
  EXPECT_EQ(rs.dummy.count(), 999);
}

TEST(Geometry, AnglesMidpointsAndCrossProducts) {
  EXPECT_NEAR(angle_degrees({1, 0, 0}, {0, 0, 0}, {0, 2, 0}), 90.0, 1e-4);
  EXPECT_NEAR(angle_degrees({1, 0, 0}, {0, 0, 0}, {-3, 0, 0}), 180.0, 1e-3);
  EXPECT_NEAR(angle_degrees({1, 1, 0}, {0, 0, 0}, {1, 0, 0}), 45.0, 1e-4);
  EXPECT_EQ(angle_degrees({0, 0, 0}, {0, 0, 0}, {1, 0, 0}), 0.0);
  const Vec3 m = midpoint({1, 2, 3}, {3, 4, -3});
  EXPECT_EQ(m, (Vec3{2, 3, 0}));
  EXPECT_EQ(cross_product({1, 0, 0}, {0, 1, 0}), (Vec3{0, 0, 1}));
  EXPECT_EQ(dummy_number_text(42), "42");
  EXPECT_EQ(dummy_number_text(7), "7");
  std::ostringstream os;
  write_angle(os, "C1", "C2", "H21", 109.4712);
  EXPECT_EQ(os.str(), "\n Angle   C1 - C2 - H21 =   109.47 deg.\n");
}

TEST(PlotLocalAxes, AxesOfAtomFiveWithLettersZAndX) {
  Molecule m;
  for (int k = 1; k <= 5; ++k) m.add_atom(numbered("C", k), 6, {1, 1, 1});
  std::ostringstream spf;
  // P1 directs Z, P2 directs X.
  plot_local_axes(m.rs.atom(4), 4, {1, 1, 3}, {2, 1, 1.5}, 'Z', 'X', spf);
  // 'ATOM ', the label in 8 columns, 3 blanks, 3f12.4.
  auto line = [](const char* label, const char* xyz) { return std::string("ATOM ") + label + "   " + xyz + "\n"; };
  const std::string want = line("C5      ", "      1.0000      1.0000      1.0000") +
                           line("X5      ", "      1.2000      1.0000      1.0000") +
                           line("Y5      ", "      1.0000      1.2000      1.0000") +
                           line("Z5      ", "      1.0000      1.0000      1.2000");
  EXPECT_EQ(spf.str(), want);
}

}  // namespace
}  // namespace vorn::test
