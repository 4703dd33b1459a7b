#include "structure/cell.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

void set_cell(Model& md, double a, double b, double c, double al, double be, double ga) {
  md.cell = UnitCell{a, b, c, al, be, ga};
}

TEST(CellTransform, CubicCellAndItsListing) {
  test::MemoryRun m;
  Model md;
  set_cell(md, 10, 10, 10, 90, 90, 90);
  md.transf = cell_transform(md.cell, m.rs->log_sink());
  const Transform& t = md.transf;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      EXPECT_NEAR(t.m.at(i, j), i == j ? 10.0 : 0.0, 1e-5);
      EXPECT_NEAR(t.minv.at(i, j), i == j ? 0.1 : 0.0, 1e-7);
    }
  const std::string log = m.log();
  EXPECT_NE(log.find("\n Transformation matrix CRYSTAL --> GLOBAL CARTESIAN :\n    10.00000000"), std::string::npos);
  EXPECT_NE(log.find("\n Transformation matrix GLOBAL CARTESIAN --> CRYSTAL :\n     0.10000000"), std::string::npos);
}

TEST(CellTransform, MonoclinicAndTriclinicColumns) {
  test::MemoryRun m;
  Model md;
  set_cell(md, 18.8992, 5.7445, 9.3092, 90, 101.776, 90);
  md.transf = cell_transform(md.cell, m.rs->log_sink());
  const Mat3& mm = md.transf.m;
  EXPECT_NEAR(mm.at(1, 3), 9.3092 * std::cos(101.776 * 0.017453292), 1e-4);
  EXPECT_NEAR(mm.at(2, 3), 0.0, 1e-5);
  EXPECT_NEAR(mm.at(3, 3), 9.3092 * std::sin(101.776 * 0.017453292), 1e-4);
  // Every cell edge keeps its length; m times minv is the identity.
  set_cell(md, 7.1, 8.2, 9.3, 75, 85, 100);
  md.transf = cell_transform(md.cell, m.rs->log_sink());
  const Transform& t = md.transf;
  const double len[3] = {7.1, 8.2, 9.3};
  for (int j = 1; j <= 3; ++j) {
    const Vec3 col{t.m.at(1, j), t.m.at(2, j), t.m.at(3, j)};
    EXPECT_NEAR(rlength(col), len[j - 1], 1e-4);
    for (int i = 1; i <= 3; ++i) {
      double s = 0;
      for (int k = 1; k <= 3; ++k) s += t.m.at(i, k) * t.minv.at(k, j);
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-5);
    }
  }
  // The angle between a and b is gamma.
  const Vec3 a = to_cartesian(md.transf, Fractional{{1, 0, 0}}), b = to_cartesian(md.transf, Fractional{{0, 1, 0}});
  EXPECT_NEAR(std::acos((a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / (rlength(a) * rlength(b))) * 57.295776, 100.0,
              1e-3);
}

TEST(CellTransform, ImpossibleCellsStopBeforeAnyNonNumber) {
  struct Case {
    double a, b, c, al, be, ga;
  } cases[] = {
      {10, 10, 10, 120, 120, 120},  // angles that close to a plane
      {10, 10, 10, 30, 30, 90},     // alpha + beta < gamma
      {10, 0, 10, 90, 90, 90},      // zero edge
      {10, 10, -5, 90, 90, 90},     // negative edge
      {10, 10, 10, 90, 90, 180},    // flat angle
      {10, 10, 10, 90, 0, 90},      // zero angle
  };
  for (const Case& c : cases) {
    test::MemoryRun m;
    Model md;
    set_cell(md, c.a, c.b, c.c, c.al, c.be, c.ga);
    EXPECT_THROW(m.as_driver([&] { md.transf = cell_transform(md.cell, m.rs->log_sink()); }), RunError) << c.a << " " << c.b << " " << c.c << " " << c.al << " " << c.be << " " << c.ga;
    EXPECT_NE(m.term.str().find(" ERROR *** TranMat *** "), std::string::npos);
    for (double v : md.transf.m.v) EXPECT_TRUE(std::isfinite(v));
  }
}

TEST(Inverse, SingularMatrixStops) {
  test::MemoryRun m;
  Mat3 s;
  s.at(3, 1) = 1;
  s.at(3, 2) = 0;
  s.at(3, 3) = 0;
  s.at(1, 1) = 1;
  s.at(1, 3) = 0;
  s.at(2, 2) = 0;
  s.at(3, 1) = 0;
  // Row 2 and row 3 all zero.
  EXPECT_THROW(m.as_driver([&] { inverse(s); }), RunError);
  EXPECT_NE(m.term.str().find(" ERROR *** Inverse *** Determinant = 0"), std::string::npos);
}

TEST(Rabs, BothDirectionsAndABadFlag) {
  test::MemoryRun m;
  Model md;
  set_cell(md, 5, 6, 7, 90, 110, 90);
  md.transf = cell_transform(md.cell, m.rs->log_sink());
  const Vec3 x{0.25, -0.5, 0.75};
  const Vec3 c = to_cartesian(md.transf, Fractional{x});
  const Vec3 back = to_fractional(md.transf, Cartesian{c});
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], x[k], 1e-6);
  EXPECT_NEAR(c[1], -3.0, 1e-5);
  EXPECT_FLOAT_EQ(dist({0, 0, 0}, {3, 4, 12}), 13.0);
}

TEST(EquivalentU, IsotropicOrthogonalAndMonoclinic) {
  test::MemoryRun m;
  Model md;
  md.natom = 2;
  md.hold_entries(2);
  set_cell(md, 5, 6, 7, 90, 90, 90);
  Atom& iso = md.atoms[0];
  iso.adp_type = 1;
  iso.u[0] = 0.031;
  EXPECT_FLOAT_EQ(equivalent_u(md.atoms[0], md.cell), 0.031);
  Atom& an = md.atoms[1];
  an.adp_type = 2;
  an.u = {0.01, 0.02, 0.03, 0.005, 0.004, 0.003};
  EXPECT_NEAR(equivalent_u(md.atoms[1], md.cell), 0.02, 1e-6);
  // Monoclinic: the U13 term enters with cos(beta).
  set_cell(md, 5, 6, 7, 90, 120, 90);
  const Vec3 r = r_cell(md.cell);
  EXPECT_NEAR(r[0], 1.0 / (5 * std::sin(120 * 0.017453292)), 1e-6);
  EXPECT_NEAR(r[1], 1.0 / 6, 1e-6);
  const double expected = (0.01 * 5 * 5 * r[0] * r[0] + 0.02 + 0.03 * 7 * 7 * r[2] * r[2] +
                          2 * 0.004 * 5 * 7 * r[0] * r[2] * std::cos(120 * 0.017453292)) /
                         3;
  EXPECT_NEAR(equivalent_u(md.atoms[1], md.cell), expected, 1e-6);
}

TEST(FlagPartialSites, SpecialPositionDisorderAndFullSites) {
  test::MemoryRun m;
  Model md;
  set_cell(md, 8, 9, 10, 90, 90, 90);
  md.transf = cell_transform(md.cell, m.rs->log_sink());
  Symmetry& sy = md.symm;
  SymOp inv;
  inv.rot = {{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
  sy.ops = {SymOp{}, inv};
  struct In {
    Vec3 x;
    double occ;
  } in[] = {
      {{0, 0, 0}, 0.5},        // on the inversion centre
      {{0.5, 0, 0.5}, 0.5},  // on a centre one translation away
      {{0.1, 0.2, 0.3}, 0.5},
      {{0, 0, 0}, 1.0},        // full occupancy is never flagged
      {{1.0, 0.5, 1.0}, 0.25},  // half a site on a centre two translations away
  };
  md.natom = 5;
  md.hold_entries(5);
  for (int i = 0; i < 5; ++i) {
    Atom& a = md.atoms[i];
    a.fractional[0] = in[i].x[0];
    a.fractional[1] = in[i].x[1];
    a.fractional[2] = in[i].x[2];
    a.occ = in[i].occ;
    const Vec3 c = to_cartesian(md.transf, Fractional{in[i].x});
    a.cartesian = {{c[0], c[1], c[2]}};
    a.occupancy_kind = OccupancyKind::special_position;
  }
  flag_partial_sites(md);
  EXPECT_EQ(md.atoms[0].occupancy_kind, OccupancyKind::special_position);
  EXPECT_EQ(md.atoms[1].occupancy_kind, OccupancyKind::special_position);
  EXPECT_EQ(md.atoms[2].occupancy_kind, OccupancyKind::disordered);
  EXPECT_EQ(md.atoms[3].occupancy_kind, OccupancyKind::normal);
  // A quarter of the general position fills half of a site of order two:
  // disordered, though on a special position.
  EXPECT_EQ(md.atoms[4].occupancy_kind, OccupancyKind::disordered);
}

}  // namespace
}  // namespace vorn
