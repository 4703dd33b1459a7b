// The images near a point, found through the operators' inverses, against
// every image of the unit formed one by one.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "structure/symmetry.hpp"
#include "support/test_support.hpp"
#include "topology/image_search.hpp"
#include "topology/molecules.hpp"

namespace vorn::test {
namespace {

struct Setting {
  std::string name;
  std::array<double, 6> cell;
  std::vector<std::string> cards;
  int ncells;
  std::vector<std::array<double, 3>> special;   // atoms on special positions
};

// Every site within r of each probe point is visited, once, through the
// image with the lowest scan position at that site, and an image is never
// reported under another atom, operator or translation.
TEST(ImageSearch, EveryImageNearAPointIsVisitedOnce) {
  const std::vector<Setting> settings{
      {"P6(1)", {10, 10, 14, 90, 90, 120},
       {"SYMM X-Y, X, Z+1/6", "SYMM -Y, X-Y, Z+1/3", "SYMM -X, -Y, Z+1/2", "SYMM -X+Y, -X, Z+2/3",
        "SYMM Y, -X+Y, Z+5/6"},
       1, {{0, 0, 0.3}}},
      {"P2(1)3", {9, 9, 9, 90, 90, 90}, {"SYMM Z, X, Y", "SYMM Y, Z, X", "SYMM -X+1/2, -Y, Z+1/2"}, 1, {{0.2, 0.2, 0.2}, {0.9, 0.9, 0.9}}},
      {"bad card", {8, 11, 9, 90, 110, 90}, {"SYMM Y, X, Z", "SYMM X+Y, Y, Z"}, 1, {}},
      {"P-1 two cells", {6, 7, 6.5, 80, 100, 95}, {"SYMM -X, -Y, -Z"}, 2, {{0, 0.5, 0}, {1, 1, 1}}},
  };
  for (const Setting& s : settings) {
    MemoryRun run;
    test::TestRun& rs = *run.rs;
    set_cell(rs, s.cell[0], s.cell[1], s.cell[2], s.cell[3], s.cell[4], s.cell[5]);
    add_diag_op(rs, 1, 1, 1, 0, 0, 0);
    for (const std::string& card : s.cards) ASSERT_EQ(add_symmetry_card(rs.model.symm, card), 0) << card;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-0.1, 1.1), wide(-1.8, 2.8);
    for (int k = 0; k < 25; ++k) add_frac(rs, numbered("C", k), 6, u(gen), u(gen), u(gen));
    for (const auto& x : s.special) add_frac(rs, numbered("O", rs.natom()), 8, x[0], x[1], x[2]);
    rs.model.entries = rs.natom();
    rs.sw.complete_fragment_cells = s.ncells;
    ImageSearch images(rs.model, rs.sw);
    ASSERT_TRUE(images.prepare()) << s.name;
    const int side = 2 * s.ncells + 1;
    int total = 0;
    for (int probe = 0; probe < 40; ++probe) {
      Vec3 pf{wide(gen), wide(gen), wide(gen)};
      if (probe % 4 == 3) {
        // On an image itself.
        Vec3 xc{};
        const int n = probe % rs.model.symm.count();
        images.place(probe % rs.natom(), n, {n == 0 ? 1 : 0, 0, -(probe % 2)}, pf, xc);
      }
      const Vec3 pc = to_cartesian(rs.model.transf, Fractional{pf});
      const double r = probe % 2 == 0 ? 2.2 : 4.5;
      std::multiset<long long> visited;
      images.near(pf, r, [&](long long m, int i, int n, const std::array<int, 3>& t) {
        EXPECT_EQ(m, images.position(i, n, t)) << s.name;
        visited.insert(m);
      });
      for (const long long m : visited) EXPECT_EQ(visited.count(m), 1u) << s.name << " position " << m;
      int near = 0;
      for (int i = 0; i < rs.natom(); ++i)
        for (int n = 0; n < rs.model.symm.count(); ++n)
          for (int code = 0; code < side * side * side; ++code) {
            const std::array<int, 3> t{code / (side * side) - s.ncells, (code / side) % side - s.ncells,
                                       code % side - s.ncells};
            if (n == 0 && t[0] == 0 && t[1] == 0 && t[2] == 0) continue;
            Vec3 xs{}, xc{};
            images.place(i, n, t, xs, xc);
            if (dist(xc, pc) > r) continue;
            ++near;
            const long long m = images.position(i, n, t);
            int di = 0, dn = 0;
            std::array<int, 3> dt{};
            images.decode(m, di, dn, dt);
            EXPECT_TRUE(di == i && dn == n && dt == t) << s.name;
            // The first image of atom i at this site, in scan order.
            long long first = m;
            for (int n0 = 0; n0 < n && first == m; ++n0) {
              const TranslationRange& r0 = images.range(i, n0);
              std::array<int, 3> t0{};
              for (t0[0] = r0.lo[0]; t0[0] <= r0.hi[0]; ++t0[0])
                for (t0[1] = r0.lo[1]; t0[1] <= r0.hi[1]; ++t0[1])
                  for (t0[2] = r0.lo[2]; t0[2] <= r0.hi[2]; ++t0[2]) {
                    if (!r0.holds(t0)) continue;
                    Vec3 ys{}, yc{};
                    images.place(i, n0, t0, ys, yc);
                    if (first == m && dist(yc, xc) < 1.0e-3) first = images.position(i, n0, t0);
                  }
            }
            EXPECT_EQ(visited.count(m), first == m ? 1u : 0u)
                << s.name << " atom " << i << " operator " << n << " probe " << probe;
          }
      total += near;
    }
    EXPECT_GE(total, 10) << s.name;
  }
}

}  // namespace
}  // namespace vorn::test
