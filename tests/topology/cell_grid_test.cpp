// The cell-list searches against the direct all-pairs forms: the same
// copies in the same order, the same reduced table and rings, the same
// neighbour tables and single-atom searches, on the shared structures and
// on generated ones full of ties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <tuple>

#include "layout/run_error.hpp"
#include "structure/readers/readers.hpp"
#include "structure/symmetry.hpp"
#include "support/test_support.hpp"
#include "topology/cell_grid.hpp"
#include "topology/fragments.hpp"
#include "topology/molecules.hpp"
#include "topology/neighbors.hpp"
#include "topology/rings.hpp"

namespace vorn::test {
namespace {

bool same_float(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------- the grid

TEST(CellGrid, CandidatesHoldEveryPointWithinTheRadiusInAscendingOrder) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-5.0, 25.0);
  std::vector<Vec3> pts;
  for (int k = 0; k < 600; ++k) pts.push_back({u(gen), u(gen), u(gen)});
  // Ties and duplicates: points on cell edges and on top of each other.
  pts.push_back({0, 0, 0});
  pts.push_back({0, 0, 0});
  pts.push_back({2.0, 0, 0});
  pts.push_back({std::numeric_limits<double>::quiet_NaN(), 1, 1});
  CellGrid g;
  g.build(pts, 2.0);
  // Entries appended and moved after the build, some far outside the box.
  pts.push_back({100.0, -40.0, 3.0});
  g.insert(static_cast<int>(pts.size()) - 1, pts.back());
  g.remove(4, pts[4]);
  pts[4] = {60.0, 60.0, 60.0};
  g.insert(4, pts[4]);
  g.remove(5, pts[5]);
  pts[5] = {0.0, 0.0, 0.0};
  g.insert(5, pts[5]);

  std::vector<int> got;
  for (const Vec3& p : std::vector<Vec3>{{0, 0, 0}, {2.0, 0, 0}, {10, 10, 10}, {60, 60, 60}, {-30, 4, 4}}) {
    for (const double r : {0.0, 0.01, 1.6, 2.0, 5.0, 10.0, 40.0}) {
      g.candidates(p, r, got);
      EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
      EXPECT_EQ(std::adjacent_find(got.begin(), got.end()), got.end());
      for (int id = 0; id < static_cast<int>(pts.size()); ++id) {
        const double d = dist(p, pts[static_cast<std::size_t>(id)]);
        // Within r, or a distance that is not a number: always proposed.
        if (d <= r || std::isnan(d)) {
          EXPECT_TRUE(std::binary_search(got.begin(), got.end(), id)) << "point " << id << " r " << r;
        }
      }
      // A moved entry is proposed only where it is now.
      if (r <= 5.0 && p[0] == 10.0) {
        EXPECT_FALSE(std::binary_search(got.begin(), got.end(), 4));
      }
    }
  }
}

// ---------------------------------------------------- fast against direct

// Two run states holding the same structure, one searching through the
// cell lists and one with the direct forms.
struct Twin {
  MemoryRun fast, direct;
  void each(const std::function<void(test::TestRun&)>& f) {
    fast.rs->index.direct = 0;
    direct.rs->index.direct = 1;
    f(*fast.rs);
    f(*direct.rs);
  }
};

void expect_same_table(const test::TestRun& a, const test::TestRun& b, const std::string& what) {
  ASSERT_EQ(a.entries(), b.entries()) << what;
  for (int k = 0; k < a.entries(); ++k) {
    const Atom& x = a.atom(k);
    const Atom& y = b.atom(k);
    EXPECT_TRUE(x.label == y.label.view() && x.atomic_number == y.atomic_number && same_float(x.cartesian[0], y.cartesian[0]) && same_float(x.cartesian[1], y.cartesian[1]) &&
                same_float(x.cartesian[2], y.cartesian[2]) && same_float(x.fractional[0], y.fractional[0]) && same_float(x.fractional[1], y.fractional[1]) &&
                same_float(x.fractional[2], y.fractional[2]))
        << what << " entry " << k;
    EXPECT_EQ(a.model.atoms[k].copy_of, b.model.atoms[k].copy_of) << what << " entry " << k;
  }
}

void expect_same_search(const FoundNeighbours& a, const FoundNeighbours& b, const std::string& what) {
  ASSERT_EQ(a.atom, b.atom) << what;
  for (std::size_t k = 0; k < a.dist.size(); ++k) EXPECT_TRUE(same_float(a.dist[k], b.dist[k])) << what;
  ASSERT_EQ(a.type_count(), b.type_count()) << what;
  for (int t = 0; t < a.type_count(); ++t) {
    EXPECT_EQ(a.types[static_cast<std::size_t>(t)].atomic_number, b.types[static_cast<std::size_t>(t)].atomic_number) << what;
    EXPECT_EQ(a.types[static_cast<std::size_t>(t)].members, b.types[static_cast<std::size_t>(t)].members) << what;
  }
}

// Complete fragments, rings, the neighbour table and single-atom searches
// at several radii, in both forms; every record and the log must agree.
void expect_same_topology(Twin& t, const std::string& what, int ncells) {
  ScratchDir dir;
  std::vector<bool> stopped;
  std::vector<ReducedTable> tables;
  t.each([&](test::TestRun& rs) {
    rs.sw.complete_fragment_cells = ncells;
    rs.sw.ring_options.min_size = 3;
    rs.sw.ring_options.max_size = 8;
    InDirectory in(dir.path());
    try {
      run_complete_fragments(rs);
      ReducedTable& table = tables.emplace_back();
      build_reduced_table(ring_search(rs), table);
      walk_reduced_table(ring_search(rs), table);
      run_neighbour_search(rs);
      stopped.push_back(false);
    } catch (const RunError&) {
      stopped.push_back(true);
    }
  });
  test::TestRun& f = *t.fast.rs;
  test::TestRun& d = *t.direct.rs;
  // A run that stops (a table bound) stops at the same place in both forms.
  ASSERT_EQ(stopped[0], stopped[1]) << what;
  if (stopped[0]) {
    EXPECT_EQ(t.fast.log(), t.direct.log()) << what;
    return;
  }
  expect_same_table(f, d, what);
  ASSERT_EQ(tables.size(), 2u);
  const ReducedTable& ft = tables[0];
  const ReducedTable& dt = tables[1];
  EXPECT_EQ(ft.atom, dt.atom) << what;
  EXPECT_EQ(ft.conn, dt.conn) << what;
  ASSERT_EQ(f.rings.count(), d.rings.count()) << what;
  for (int r = 1; r <= f.rings.count(); ++r) EXPECT_EQ(f.rings.ring(r).members, d.rings.ring(r).members) << what;
  for (int k = 0; k < f.entries(); ++k) {
    EXPECT_EQ(f.nb.of[k].atom, d.nb.of[k].atom) << what << " atom " << k;
    ASSERT_EQ(f.nb.of[k].type_count(), d.nb.of[k].type_count()) << what;
    for (int ty = 0; ty < f.nb.of[k].type_count(); ++ty)
      EXPECT_EQ(f.nb.of[k].types[static_cast<std::size_t>(ty)].members,
                d.nb.of[k].types[static_cast<std::size_t>(ty)].members)
          << what << " atom " << k;
  }
  EXPECT_EQ(t.fast.log(), t.direct.log()) << what;
  for (int k = 0; k < f.entries(); ++k)
    for (const double r : {0.0, 1.6, 3.0, 10.0}) {
      expect_same_search(find_neighbours(f, k, r, SearchListing::silent), find_neighbours(d, k, r, SearchListing::silent), what + " atom " + std::to_string(k) + " r " + std::to_string(r));
    }
  // The nearest atom of a kind: answers near the atom, far from it, and
  // none (a sample of about a hundred atoms of each structure).
  const int stride = std::max(1, f.entries() / 100);
  for (int k = 0; k < f.entries(); k += stride) {
    const std::vector<std::pair<std::string, std::function<bool(const test::TestRun&, int, int)>>> kinds{
        {"heavy", [](const test::TestRun& rs, int, int e) { return rs.atom(e).atomic_number != 1; }},
        {"beyond 4 A", [](const test::TestRun& rs, int a, int e) { return dist(cart(rs, a), cart(rs, e)) > 4.0; }},
        {"of the unit", [](const test::TestRun& rs, int, int e) { return rs.model.atoms[e].copy_of < 0 && e % 3 == 2; }},
        {"none", [](const test::TestRun&, int, int) { return false; }}};
    for (const auto& [name, want] : kinds) {
      const int a = nearest_neighbor(f, k, 10.0, [&](int e) { return want(f, k, e); });
      const int b = nearest_neighbor(d, k, 10.0, [&](int e) { return want(d, k, e); });
      EXPECT_EQ(a, b) << what << " atom " << k << " nearest " << name;
    }
  }
}

TEST(IndexedSearches, SharedStructuresGiveTheDirectResults) {
  int compared = 0;
  for (const std::string& path : shelx_structures()) {
    for (const int ncells : {0, 1}) {
      Twin t;
      bool read = true;
      t.each([&](test::TestRun& rs) {
        rs.sw.format = InputFormat::shelx;
        try {
          rs.model = read_shelx(path, ShelxLabels::as_named, rs.log_sink());
        } catch (const RunError&) {
          read = false;
        }
      });
      if (!read) continue;
      expect_same_topology(t, path + " NCELLS " + std::to_string(ncells), ncells);
      ++compared;
    }
  }
  EXPECT_GE(compared, exhaustive() ? 24 : 10);
}

// A monoclinic P2(1)/c cell crowded with small molecules placed at random,
// among them pairs on an inversion centre (copies that coincide within
// 0.001 A), duplicate sites 0.005 A apart, a methane with four hydrogens at
// exactly equal distances, and molecules across the cell edges.
void crowded_cell(test::TestRun& rs, unsigned seed, int molecules) {
  set_cell(rs, 11.0, 9.0, 12.0, 90.0, 104.0, 90.0);
  add_diag_op(rs, 1, 1, 1, 0, 0, 0);
  add_diag_op(rs, -1, 1, -1, 0, 0.5, 0.5);
  add_diag_op(rs, -1, -1, -1, 0, 0, 0);
  add_diag_op(rs, 1, -1, 1, 0, 0.5, 0.5);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.05, 1.05), dir(-1.0, 1.0);
  for (int m = 0; m < molecules; ++m) {
    const double fx = u(gen), fy = u(gen), fz = u(gen);
    const int c = add_frac(rs, numbered("C", m), 6, fx, fy, fz);
    Vec3 v{dir(gen), dir(gen), dir(gen)};
    const double len = std::max(0.1, rlength(v));
    const Atom a = rs.atom(c);
    const int c2 = add_cart(rs, numbered("N", m), 7, a.cartesian[0] + 1.47 * v[0] / len, a.cartesian[1] + 1.47 * v[1] / len,
                            a.cartesian[2] + 1.47 * v[2] / len);
    const int h = add_cart(rs, numbered("H", m), 1, a.cartesian[0] - 1.09 * v[0] / len, a.cartesian[1], a.cartesian[2]);
    for (const int k : {c2, h}) {
      const Vec3 f = to_fractional(rs.model.transf, cart(rs, k));
      rs.atom(k).fractional[0] = f[0];
      rs.atom(k).fractional[1] = f[1];
      rs.atom(k).fractional[2] = f[2];
    }
  }
  // Methane: four hydrogens at exactly the same distance from the carbon.
  add_frac(rs, "CM", 6, 0.3, 0.3, 0.3);
  const Atom cm = rs.atom(rs.natom() - 1);
  for (const Vec3& s : std::vector<Vec3>{{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}) {
    const int k = add_cart(rs, "HM", 1, cm.cartesian[0] + 0.625 * s[0], cm.cartesian[1] + 0.625 * s[1], cm.cartesian[2] + 0.625 * s[2]);
    const Vec3 f = to_fractional(rs.model.transf, cart(rs, k));
    rs.atom(k).fractional[0] = f[0];
    rs.atom(k).fractional[1] = f[1];
    rs.atom(k).fractional[2] = f[2];
  }
  // Duplicate sites 0.005 A apart, bonded to the same carbon.
  add_frac(rs, "CD", 6, 0.7, 0.2, 0.6);
  add_frac(rs, "OD1", 8, 0.7 + 1.3 / 11.0, 0.2, 0.6);
  add_frac(rs, "OD2", 8, 0.7 + 1.305 / 11.0, 0.2, 0.6);
  // Half a molecule on the inversion centre at (1/2, 1/2, 1/2), and an atom
  // 0.0004 A from the centre whose image coincides with it.
  add_frac(rs, "CI", 6, 0.5 + 0.7 / 11.0, 0.5, 0.5);
  add_frac(rs, "XI", 17, 0.5 + 0.0002 / 11.0, 0.5, 0.5);
  // Two atoms of the unit that are images of each other within 0.0005 A.
  add_frac(rs, "SA", 16, 0.1, 0.2, 0.15);
  add_frac(rs, "SB", 16, -0.1 + 0.00004, 0.2, -0.15);
  rs.model.entries = rs.natom();
}

TEST(IndexedSearches, CrowdedCellsWithTiesGiveTheDirectResults) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    Twin t;
    t.each([&](test::TestRun& rs) { crowded_cell(rs, seed, 8); });
    expect_same_topology(t, "crowded cell " + std::to_string(seed), 1);
    EXPECT_GT(t.fast.rs->entries(), t.fast.rs->natom());
  }
  // Disordered components: two occupancies, bonded only within one.
  Twin t;
  t.each([&](test::TestRun& rs) {
    crowded_cell(rs, 9, 8);
    for (int k = 0; k < rs.natom(); k += 5) {
      rs.atom(k).occupancy_kind = OccupancyKind::disordered;
      rs.atom(k).occ = k % 2 == 1 ? 0.55 : 0.45;
    }
  });
  expect_same_topology(t, "disordered crowded cell", 0);
}

// Random C-N-H molecules in a cell with the given operators (the identity
// first), some of them across the cell faces.
void random_molecules(test::TestRun& rs, unsigned seed, int molecules, const std::vector<std::string>& cards, bool cut) {
  add_diag_op(rs, 1, 1, 1, 0, 0, 0);
  for (const std::string& card : cards) ASSERT_EQ(add_symmetry_card(rs.model.symm, card), 0) << card;
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.08, 1.08), dir(-1.0, 1.0);
  for (int m = 0; m < molecules; ++m) {
    const int c = add_frac(rs, numbered("C", m), 6, u(gen), u(gen), u(gen));
    const Atom a = rs.atom(c);
    for (const auto& [name, iz, len] : {std::tuple{"N", 7, 1.47}, std::tuple{"H", 1, 1.09}}) {
      Vec3 v{dir(gen), dir(gen), dir(gen)};
      const double l = std::max(0.1, rlength(v));
      const int k = add_cart(rs, name + std::to_string(m), iz, a.cartesian[0] + len * v[0] / l, a.cartesian[1] + len * v[1] / l,
                             a.cartesian[2] + len * v[2] / l);
      const Vec3 f = to_fractional(rs.model.transf, cart(rs, k));
      rs.atom(k).fractional[0] = f[0];
      rs.atom(k).fractional[1] = f[1];
      rs.atom(k).fractional[2] = f[2];
    }
  }
  rs.model.entries = rs.natom();
  if (!cut) return;
  // A molecule cut by the face x = 0: its nitrogen sits at the far side.
  const int cs = add_frac(rs, "CS", 6, 0.05, 0.3, 0.4);
  Vec3 pn = cart(rs, cs);
  const Vec3 a = to_cartesian(rs.model.transf, Fractional{{1, 0, 0}});
  for (std::size_t k = 0; k < 3; ++k) pn[k] -= 1.45 * a[k] / rlength(a);
  const Vec3 fn = to_fractional(rs.model.transf, Cartesian{pn});
  add_frac(rs, "NS", 7, fn[0] + 1.0, fn[1], fn[2]);
  rs.model.entries = rs.natom();
}

// The copies are found through the operators' inverses; operators whose
// matrices are not diagonal, three-fold axes along the body diagonal,
// an operator that does not keep the cell's distances (a bad symmetry
// card), and translations over two cells must all give the copies of the
// restart scan, in its order.
TEST(IndexedSearches, CompleteFragmentsUnderEveryKindOfOperator) {
  struct Case {
    std::string name;
    std::array<double, 6> cell;
    std::vector<std::string> cards;
    int ncells;
    bool cut;    // with a molecule cut by a cell face
    std::vector<unsigned> seeds;
  };
  const std::vector<Case> cases{
      {"P6(1)", {10, 10, 14, 90, 90, 120},
       {"SYMM X-Y, X, Z+1/6", "SYMM -Y, X-Y, Z+1/3", "SYMM -X, -Y, Z+1/2", "SYMM -X+Y, -X, Z+2/3",
        "SYMM Y, -X+Y, Z+5/6"},
       1, false, {2u, 4u}},
      {"P2(1)3", {9, 9, 9, 90, 90, 90},
       {"SYMM -X+1/2, -Y, Z+1/2", "SYMM -X, Y+1/2, -Z+1/2", "SYMM X+1/2, -Y+1/2, -Z", "SYMM Z, X, Y",
        "SYMM Z+1/2, -X+1/2, -Y", "SYMM -Z+1/2, -X, Y+1/2", "SYMM -Z, X+1/2, -Y+1/2", "SYMM Y, Z, X",
        "SYMM -Y, Z+1/2, -X+1/2", "SYMM Y+1/2, -Z+1/2, -X", "SYMM -Y+1/2, -Z, X+1/2"},
       1, false, {2u}},
      {"bad card", {8, 11, 9, 90, 110, 90}, {"SYMM Y, X, Z", "SYMM X+Y, Y, Z"}, 1, true, {2u, 3u}},
      {"P1 two cells", {6, 7, 6.5, 80, 100, 95}, {}, 2, true, {2u, 3u}},
  };
  for (const Case& c : cases) {
    for (const unsigned seed : c.seeds) {
      Twin t;
      ScratchDir dir;
      t.each([&](test::TestRun& rs) {
        set_cell(rs, c.cell[0], c.cell[1], c.cell[2], c.cell[3], c.cell[4], c.cell[5]);
        random_molecules(rs, seed, 3, c.cards, c.cut);
        rs.sw.complete_fragment_cells = c.ncells;
        InDirectory in(dir.path());
        run_complete_fragments(rs);
      });
      const std::string what = c.name + " seed " + std::to_string(seed);
      expect_same_table(*t.fast.rs, *t.direct.rs, what);
      EXPECT_EQ(t.fast.log(), t.direct.log()) << what;
      EXPECT_GT(t.fast.rs->entries(), t.fast.rs->natom()) << what;
    }
  }
}

TEST(IndexedSearches, AMovedHydrogenIsFoundWhereItIsNow) {
  Twin t;
  std::vector<FoundNeighbours> found;
  t.each([&](test::TestRun& rs) {
    set_cell(rs, 20, 20, 20, 90, 90, 90);
    add_diag_op(rs, 1, 1, 1, 0, 0, 0);
    add_cart(rs, "C1", 6, 5, 5, 5);
    add_cart(rs, "H1", 1, 5.95, 5, 5);
    add_cart(rs, "C2", 6, 9.5, 5, 5);
    run_neighbour_search(rs);
    // Extended away from C1, right next to C2 (several cells away).
    rs.atom(1).cartesian[0] = 8.4;
    atom_moved(rs, 1);
    found.push_back(find_neighbours(rs, 2, 0.0, SearchListing::silent));
  });
  ASSERT_EQ(found.size(), 2u);
  expect_same_search(found[0], found[1], "moved hydrogen");
  EXPECT_EQ(found[0].atom, std::vector<int>{1});
  EXPECT_TRUE(find_neighbours(*t.fast.rs, 0, 0.0, SearchListing::silent).atom.empty());
}

// Two entries 0.008 A apart on either side of the first sphere the search
// looks in: the whole list keeps the earlier entry (outside the sphere) and
// drops the later one, so the sphere alone would give the wrong answer.
TEST(IndexedSearches, NearestAtomAcrossADuplicateSiteAtTheSphereEdge) {
  Twin t;
  std::vector<int> found;
  t.each([&](test::TestRun& rs) {
    set_cell(rs, 30, 30, 30, 90, 90, 90);
    add_diag_op(rs, 1, 1, 1, 0, 0, 0);
    add_cart(rs, "C1", 6, 10, 10, 10);
    add_cart(rs, "O1", 8, 12.504, 10, 10);
    add_cart(rs, "O2", 8, 12.496, 10, 10);
    add_cart(rs, "N1", 7, 10, 13.5, 10);
    add_cart(rs, "H1", 1, 10, 8.9, 10);
    rs.model.entries = rs.natom();
    run_neighbour_search(rs);
    const auto heavy = [&](int e) { return rs.atom(e).atomic_number != 1; };
    found.push_back(nearest_neighbor(rs, 0, 10.0, heavy));
    // The hydrogen moves onto the site of N1 and away again: the answer
    // follows it, as the whole list does.
    rs.atom(4).cartesian[1] = 13.503;
    atom_moved(rs, 4);
    found.push_back(nearest_neighbor(rs, 0, 10.0, [&](int e) { return e >= 3; }));
    rs.atom(4).cartesian[1] = 8.9;
    atom_moved(rs, 4);
    found.push_back(nearest_neighbor(rs, 0, 10.0, [&](int e) { return e >= 3; }));
  });
  EXPECT_EQ(found, (std::vector<int>{1, 3, 4, 1, 3, 4}));
}

TEST(IndexedSearches, SymmetryGeneratedEntriesNearAPoint) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  crowded_cell(rs, 4, 16);
  rs.sw.complete_fragment_cells = 1;
  ScratchDir dir;
  {
    InDirectory in(dir.path());
    run_complete_fragments(rs);
  }
  ASSERT_GT(rs.entries(), rs.natom());
  for (int k = rs.natom(); k < rs.entries(); k += 7) {
    const Vec3 p = cart(rs, k);
    std::vector<int> want;
    for (int i = rs.natom(); i < rs.entries(); ++i)
      if (!(dist(p, cart(rs, i)) >= 0.001)) want.push_back(i);
    EXPECT_EQ(entries_closer(rs, p, 0.001, rs.natom(), rs.entries()), want);
    EXPECT_FALSE(want.empty());
  }
}

}  // namespace
}  // namespace vorn::test
