#include "topology/planarity.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.hpp"
#include "topology/eigen3.hpp"
#include "topology/molecules.hpp"

namespace vorn::test {
namespace {

// A = R diag(l) R^T for an orthonormal R given by its columns.
Sym3 compose(const Sym3& r, const std::array<double, 3>& l) {
  Sym3 a{};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j)
      for (std::size_t k = 0; k < 3; ++k) a[i][j] += r[i][k] * l[k] * r[j][k];
  return a;
}

// Checks A z_k = d_k z_k, unit orthogonal columns, ascending eigenvalues.
void expect_eigensystem(const Sym3& a, const std::array<double, 3>& d, const Sym3& z, double tol = 2e-5) {
  EXPECT_LE(d[0], d[1]);
  EXPECT_LE(d[1], d[2]);
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < 3; ++i) {
      double az = 0;
      for (std::size_t j = 0; j < 3; ++j) az += a[i][j] * z[j][k];
      EXPECT_NEAR(az, d[k] * z[i][k], tol) << "vector " << k << " component " << i;
    }
    for (std::size_t m = 0; m < 3; ++m) {
      double dot = 0;
      for (std::size_t i = 0; i < 3; ++i) dot += z[i][k] * z[i][m];
      EXPECT_NEAR(dot, k == m ? 1.0 : 0.0, 1e-5);
    }
  }
}

// |cos| of the angle between column k of z and the vector v (unit).
double alignment(const Sym3& z, std::size_t k, const std::array<double, 3>& v) {
  return std::fabs(z[0][k] * v[0] + z[1][k] * v[1] + z[2][k] * v[2]);
}

TEST(Pythag, HypotenuseWithoutOverflow) {
  EXPECT_FLOAT_EQ(hypotenuse(3, 4), 5);
  EXPECT_FLOAT_EQ(hypotenuse(-5, 12), 13);
  EXPECT_FLOAT_EQ(hypotenuse(0, 0), 0);
  EXPECT_FLOAT_EQ(hypotenuse(0, -2), 2);
  EXPECT_NEAR(hypotenuse(3e30, 4e30) / 5e30, 1.0, 1e-6);
}

TEST(EigenSymmetric3, DiagonalMatrixSortedAscending) {
  const Sym3 a{{{5, 0, 0}, {0, -1, 0}, {0, 0, 2}}};
  std::array<double, 3> d{};
  Sym3 z{};
  ASSERT_TRUE(eigen_symmetric3(a, d, z));
  EXPECT_NEAR(d[0], -1, 1e-6);
  EXPECT_NEAR(d[1], 2, 1e-6);
  EXPECT_NEAR(d[2], 5, 1e-6);
  EXPECT_NEAR(alignment(z, 0, {0, 1, 0}), 1, 1e-6);
  EXPECT_NEAR(alignment(z, 1, {0, 0, 1}), 1, 1e-6);
  EXPECT_NEAR(alignment(z, 2, {1, 0, 0}), 1, 1e-6);
  expect_eigensystem(a, d, z);
}

TEST(EigenSymmetric3, RotatedMatrixGivesKnownVectors) {
  // Orthonormal columns: (1,2,2)/3, (2,1,-2)/3, (2,-2,1)/3.
  const Sym3 r{{{1. / 3, 2. / 3, 2. / 3}, {2. / 3, 1. / 3, -2. / 3}, {2. / 3, -2. / 3, 1. / 3}}};
  const Sym3 a = compose(r, {7.0, 0.5, 3.0});
  std::array<double, 3> d{};
  Sym3 z{};
  ASSERT_TRUE(eigen_symmetric3(a, d, z));
  EXPECT_NEAR(d[0], 0.5, 1e-5);
  EXPECT_NEAR(d[1], 3.0, 1e-5);
  EXPECT_NEAR(d[2], 7.0, 1e-5);
  EXPECT_NEAR(alignment(z, 0, {2. / 3, 1. / 3, -2. / 3}), 1, 1e-5);
  EXPECT_NEAR(alignment(z, 1, {2. / 3, -2. / 3, 1. / 3}), 1, 1e-5);
  EXPECT_NEAR(alignment(z, 2, {1. / 3, 2. / 3, 2. / 3}), 1, 1e-5);
  expect_eigensystem(a, d, z);
}

TEST(EigenSymmetric3, DegenerateMatrices) {
  std::array<double, 3> d{};
  Sym3 z{};
  // Identity and zero: every orthonormal basis serves.
  const Sym3 id{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  ASSERT_TRUE(eigen_symmetric3(id, d, z));
  for (const double v : d) EXPECT_NEAR(v, 1, 1e-6);
  expect_eigensystem(id, d, z);
  const Sym3 zero{};
  ASSERT_TRUE(eigen_symmetric3(zero, d, z));
  for (const double v : d) EXPECT_EQ(v, 0);
  expect_eigensystem(zero, d, z);
  // Two equal eigenvalues: the single one keeps its vector, the pair spans
  // the plane perpendicular to it.  This is the scatter of a flat ring.
  const Sym3 r{{{1. / 3, 2. / 3, 2. / 3}, {2. / 3, 1. / 3, -2. / 3}, {2. / 3, -2. / 3, 1. / 3}}};
  const Sym3 flat = compose(r, {0.0, 5.8, 5.8});
  ASSERT_TRUE(eigen_symmetric3(flat, d, z));
  EXPECT_NEAR(d[0], 0, 1e-5);
  EXPECT_NEAR(d[1], 5.8, 1e-5);
  EXPECT_NEAR(d[2], 5.8, 1e-5);
  EXPECT_NEAR(alignment(z, 0, {1. / 3, 2. / 3, 2. / 3}), 1, 1e-5);
  expect_eigensystem(flat, d, z);
  // Rank one: a line of atoms.
  const Sym3 line = compose(r, {0.0, 0.0, 4.0});
  ASSERT_TRUE(eigen_symmetric3(line, d, z));
  EXPECT_NEAR(alignment(z, 2, {2. / 3, -2. / 3, 1. / 3}), 1, 1e-5);
  expect_eigensystem(line, d, z);
}

TEST(EigenSymmetric3, ManyMatricesDecompose) {
  // A spread of full symmetric matrices, positive and indefinite.
  for (int s = 1; s <= 50; ++s) {
    const double f = static_cast<double>(s);
    Sym3 a{};
    a[0][0] = std::sin(f) * 3;
    a[1][1] = std::cos(1.7 * f) * 2;
    a[2][2] = std::sin(0.3 * f) + 1;
    a[0][1] = a[1][0] = std::cos(2.3 * f);
    a[0][2] = a[2][0] = std::sin(0.7 * f) * 0.5;
    a[1][2] = a[2][1] = std::cos(0.11 * f) * 1.5;
    std::array<double, 3> d{};
    Sym3 z{};
    ASSERT_TRUE(eigen_symmetric3(a, d, z));
    expect_eigensystem(a, d, z, 5e-5);
  }
}

TEST(Planarity, AromaticRingPlanarChairNot) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  benzene(rs, 3, 4, 5, 0.003);
  EXPECT_EQ(planarity(rs, 0, {0, 1, 2, 3, 4, 5}, 2), 1);
  MemoryRun chair;
  chair_cyclohexane(*chair.rs, 1, 2, 3);
  EXPECT_EQ(planarity(*chair.rs, 0, {0, 1, 2, 3, 4, 5}, 2), 0);
  // A loose group tolerance passes the chair (sigma 0.354 A).
  chair.rs->sw.tols.group_planarity = 0.36;
  EXPECT_EQ(planarity(*chair.rs, 0, {0, 1, 2, 3, 4, 5}, 1), 1);
  chair.rs->sw.tols.group_planarity = 0.35;
  EXPECT_EQ(planarity(*chair.rs, 0, {0, 1, 2, 3, 4, 5}, 1), 0);
  EXPECT_EQ(run.log(), "");
}

TEST(Planarity, DeviationEqualToToleranceIsPlanar) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // A square puckered by +-0.25 A: every step of the fit is exact in single
  // precision, so sigma = sqrt(4 * 0.0625 / (4 - 3)) = 0.5 exactly.
  add_cart(rs, "C1", 6, 0, 0, 0.25);
  add_cart(rs, "C2", 6, 2, 0, -0.25);
  add_cart(rs, "C3", 6, 2, 2, 0.25);
  add_cart(rs, "C4", 6, 0, 2, -0.25);
  rs.sw.tols.ring_planarity = 0.5;
  EXPECT_EQ(planarity(rs, 1, {0, 1, 2, 3}, 2), 1);
  EXPECT_NE(run.log().find("     Esd atoms from the plane (sigpln) =       0.5000 ( tol =   0.5000 )\n"),
            std::string::npos)
      << run.log();
  rs.sw.tols.ring_planarity = std::nextafter(0.5, 0.0);
  EXPECT_EQ(planarity(rs, 0, {0, 1, 2, 3}, 2), 0);
}

TEST(Planarity, ThreeOrFewerAtomsArePlanar) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "O1", 8, 0, 0, 0);
  add_cart(rs, "H1", 1, 0.96, 0, 0);
  add_cart(rs, "H2", 1, -0.24, 0.93, 0.1);
  rs.sw.tols.group_planarity = 0.0;
  EXPECT_EQ(planarity(rs, 0, {0, 1, 2}, 1), 1);
  EXPECT_EQ(planarity(rs, 0, {0, 1}, 1), 1);
  EXPECT_EQ(planarity(rs, 0, {0}, 1), 1);
}

TEST(Planarity, ListingLayout) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // A planar square in the plane z = 2, then a seventh label on a new line.
  add_cart(rs, "N1", 7, 0, 0, 2);
  add_cart(rs, "C2", 6, 1.4, 0, 2);
  add_cart(rs, "C3", 6, 1.4, 1.4, 2);
  add_cart(rs, "C4", 6, 0, 1.4, 2);
  rs.sw.verbosity = 1;
  EXPECT_EQ(planarity(rs, 1, {0, 1, 2, 3}, 1), 1);
  EXPECT_EQ(run.log(),
            "\n"
            " Planarity test for   4-atom group : \n"
            "\n"
            "  N1        C2        C3        C4      \n"
            "\n"
            "     Esd atoms from the plane (sigpln) =       0.0000 ( tol =   0.1000 )\n"
            "\n"
            "     This group is planar = .T.\n");
  MemoryRun v2;
  test::TestRun& r2 = *v2.rs;
  for (int k = 0; k < 4; ++k) add_cart(r2, rs.atom(k).label.str(), 7, rs.atom(k).cartesian[0], rs.atom(k).cartesian[1], rs.atom(k).cartesian[2]);
  r2.sw.verbosity = 2;
  r2.sw.tols.ring_planarity = 0.25;
  planarity(r2, 1, {0, 1, 2, 3}, 2);
  const std::string log = v2.log();
  EXPECT_NE(log.find(" Planarity test for   4-atom ring : \n"), std::string::npos) << log;
  // The plane z = 2: normal along z (either sign), S = +-2.
  const bool up = log.find("     P Q R S =       0.0000      0.0000      1.0000      2.0000\n\n") != std::string::npos;
  const bool down = log.find("     P Q R S =      -0.0000     -0.0000     -1.0000     -2.0000\n\n") != std::string::npos ||
                    log.find("     P Q R S =       0.0000      0.0000     -1.0000     -2.0000\n\n") != std::string::npos;
  EXPECT_TRUE(up || down) << log;
  EXPECT_NE(log.find("       dist. from N1       to lsq plane =      0.000 Ang\n"), std::string::npos) << log;
  EXPECT_NE(log.find("( tol =   0.2500 )"), std::string::npos);
  EXPECT_NE(log.find("     This ring is planar = .T."), std::string::npos);
}

TEST(Planarity, SeventhLabelStartsNewLine) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  for (int k = 0; k < 7; ++k) {
    const double t = static_cast<double>(k) * 2 * kPi / 7;
    add_cart(rs, numbered("C", k + 1), 6, 1.6 * std::cos(t), 1.6 * std::sin(t), 0);
  }
  EXPECT_EQ(planarity(rs, 1, {0, 1, 2, 3, 4, 5, 6}, 2), 1);
  EXPECT_NE(run.log().find("\n  C1        C2        C3        C4        C5        C6      \n  C7      \n"),
            std::string::npos)
      << run.log();
}

Ring make_ring(std::vector<int> members, bool planar) {
  Ring r;
  r.members = std::move(members);
  r.planar = planar;
  return r;
}

TEST(IsItCyclic, RingMembershipCases) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // Ring 1 planar (entries 0-5), ring 2 non-planar (entries 4-9), ring 3
  // planar (entries 8-13), ring 4 planar (13-18) and ring 5 non-planar (13,
  // 19-22).
  rs.rings.list = {make_ring({0, 1, 2, 3, 4, 5}, 1), make_ring({4, 5, 6, 7, 8, 9}, 0),
                   make_ring({8, 9, 10, 11, 12, 13}, 1), make_ring({13, 14, 15, 16, 17, 18}, 1),
                   make_ring({13, 19, 20, 21, 22}, 0), make_ring({29, 30, 31, 32, 33}, 0),
                   make_ring({39, 40, 41, 42, 43}, 1), make_ring({42, 43, 44, 45, 46, 47}, 1)};
  auto check = [&](int atom, bool in_ring, bool in_one_planar, bool in_two_planar, int ring, int size) {
    const RingState s = ring_state(rs.rings, atom);
    EXPECT_EQ(s.in_ring, in_ring) << atom;
    EXPECT_EQ(s.in_one_planar, in_one_planar) << atom;
    EXPECT_EQ(s.in_two_planar, in_two_planar) << atom;
    EXPECT_EQ(s.ring, ring) << atom;
    EXPECT_EQ(s.size, size) << atom;
  };
  check(98, 0, 0, 0, 0, 0);   // in no ring
  check(1, 1, 1, 0, 1, 6);    // one planar ring
  check(6, 1, 0, 0, 0, 0);    // one non-planar ring
  check(30, 1, 0, 0, 0, 0);
  check(4, 1, 1, 0, 1, 6);    // planar ring first, then non-planar
  check(9, 1, 1, 0, 3, 6);    // non-planar first, then planar
  check(13, 1, 0, 0, 0, 0);   // three rings
  check(42, 1, 0, 1, 15, 11); // fused junction of two planar rings
  rs.rings.ring(7).planar = false;
  rs.rings.ring(8).planar = false;
  check(42, 1, 0, 0, 0, 0);   // two non-planar rings
}

}  // namespace
}  // namespace vorn::test
