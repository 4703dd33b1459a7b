// Chemical equivalence under the neighbour-pair and the kappa-set settings.
#include <gtest/gtest.h>

#include <string>

#include "localframe/equivalence.hpp"
#include "molecule.hpp"

namespace vorn::test {
namespace {

bool same(Molecule& m, int a, int b, const EquivalenceTests& tests) {
  return chemically_equivalent(m.rs.model, m.rs.nb, m.rs.rings, m.rs.groups, m.rs.log_sink(), a, b, tests);
}
bool pair_test(Molecule& m, int a, int b) { return same(m, a, b, {false, false, m.rs.sw.simple_equivalence, false}); }
bool kappa_test(Molecule& m, int a, int b) { return same(m, a, b, {true, true, false, true}); }

// CH3-CF3 with its atoms placed so that only the intended bonds form.
struct Trifluoroethane : Molecule {
  int c1, c2;
  std::array<int, 3> h{}, f{};
  Trifluoroethane() {
    c1 = add_atom("C1", 6, {0, 0, 0});
    c2 = add_atom("C2", 6, {1.52, 0, 0});
    h = methyl_h(c1, {1, 0, 0}, "H");
    const auto d = tetra_others({-1, 0, 0});
    for (int k = 0; k < 3; ++k)
      f[static_cast<std::size_t>(k)] = add_atom(numbered("F", k + 1), 9, at_dist(pos(c2), d[static_cast<std::size_t>(k)], 1.34));
    finish();
  }
};

TEST(SameAtoms, HydrogensOnOneCarbonAreEquivalent) {
  Trifluoroethane m;
  EXPECT_TRUE(pair_test(m, m.h[0], m.h[1]));
  EXPECT_FALSE(pair_test(m, m.h[0], m.f[0]));
}

TEST(SameAtoms, SimpleModelComparesOnlyElementAndNeighbourCount) {
  Trifluoroethane m;
  m.rs.sw.verbosity = 3;
  EXPECT_FALSE(pair_test(m, m.c1, m.c2));
  EXPECT_NE(m.mr.log().find(" Checking if atoms C1 and C2 are chemically equivalent:"), std::string::npos);
  // Types H, C against C, F: the first type's atomic number differs.
  EXPECT_NE(m.mr.log().find("   atoms are NOT chemically equivalent :  Diff. atomic numbers of  1-th type"),
            std::string::npos);
  m.rs.sw.simple_equivalence = true;
  EXPECT_TRUE(pair_test(m, m.c1, m.c2));
  EXPECT_NE(m.mr.log().find("  YES, these atoms are chemically equivalent !"), std::string::npos);
}

TEST(SameAtoms, ReasonsInTestOrder) {
  Trifluoroethane m;
  m.rs.sw.verbosity = 3;
  auto last_reason = [&]() {
    const std::string log = m.mr.log();
    const auto p = log.rfind("equivalent : ");
    return log.substr(p + 13, log.find('\n', p) - p - 13);
  };
  EXPECT_FALSE(kappa_test(m, m.c1, m.h[0]));
  EXPECT_EQ(last_reason(), std::string(" Diff. atomic numbers") + std::string(19, ' '));
  const int lone = m.add_atom("C9", 6, {9, 9, 9});
  m.finish();
  EXPECT_FALSE(kappa_test(m, m.c1, lone));
  EXPECT_EQ(last_reason().substr(0, 27), " Diff. number of neighbors ");
  // Same surroundings, different site symmetry, then different groups.
  m.rs.atom(m.h[0]).sitesym = "cyl";
  m.rs.atom(m.h[1]).sitesym = "NO";
  EXPECT_FALSE(kappa_test(m, m.h[0], m.h[1]));
  EXPECT_EQ(last_reason().substr(0, 21), " Diff. local symmetry");
  m.rs.atom(m.h[1]).sitesym = "cyl";
  m.rs.groups.of[m.h[1]].name = "ALCOHOL";
  EXPECT_FALSE(kappa_test(m, m.h[0], m.h[1]));
  EXPECT_EQ(last_reason().substr(0, 24), " Diff. functional groups");
  // The neighbour-pair setting looks at neither.
  EXPECT_TRUE(pair_test(m, m.h[0], m.h[1]));
}

TEST(SameAtoms, RingSizesCountOnlyForKappaSets) {
  Molecule m;
  // Two CH carbons, one in a planar six-ring and one in a planar five-ring.
  std::vector<int> six, five;
  for (int k = 0; k < 6; ++k) six.push_back(m.add_atom(numbered("A", k), 6, scale(dir_xy(60.0 * k), 1.39)));
  for (int k = 0; k < 6; ++k) m.add_atom(numbered("HA", k), 1, scale(dir_xy(60.0 * k), 2.47));
  const Vec3 o{20, 0, 0};
  for (int k = 0; k < 5; ++k) five.push_back(m.add_atom(numbered("B", k), 6, add(o, scale(dir_xy(72.0 * k), 1.19))));
  for (int k = 0; k < 5; ++k) m.add_atom(numbered("HB", k), 1, add(o, scale(dir_xy(72.0 * k), 2.27)));
  m.add_ring(six, 1);
  m.add_ring(five, 1);
  m.finish();
  m.rs.sw.verbosity = 3;
  EXPECT_TRUE(pair_test(m, six[0], five[0]));
  EXPECT_FALSE(kappa_test(m, six[0], five[0]));
  EXPECT_NE(m.mr.log().find(" Diff. ring memb numbers"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
