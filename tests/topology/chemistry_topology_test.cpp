// Topology that matches the chemistry, on real structures and on small
// cases of the same kind: molecules complete with NCELLS 1, the rings equal
// to the smallest set of smallest rings (checked against a plain
// breadth-first perception written here), no bond between split sites, and
// a hydrogen bonded to its nearest neighbour only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>

#include "structure/readers/readers.hpp"
#include "topology/bond_rules.hpp"
#include "topology/molecules.hpp"
#include "topology/open_molecules.hpp"
#include "topology/smallest_rings.hpp"

namespace vorn::test {
namespace {

// A SHELX structure with NCELLS 1, RINGS 3 8, completed, ring-searched and
// with its neighbour table, as the run does it.
void analyse(TestRun& rs, const std::string& file) {
  rs.sw.format = InputFormat::shelx;
  rs.model = read_shelx(test_data("shelx/" + file), ShelxLabels::as_named, rs.log_sink());
  rs.sw.complete_fragment_cells = 1;
  rs.sw.ring_options.min_size = 3;
  rs.sw.ring_options.max_size = 8;
  rs.sw.args.search_rings = true;
  run_complete_fragments(rs);
  find_rings(rs);
  run_neighbour_search(rs);
}

// The independent perception: for every bond a-b, the shortest path from a
// to b without that bond (breadth first) closes the smallest ring through
// the bond; its size, per bond, whichever of equal rings a search meets
// first.  Bonds of disordered atoms take no part in rings.
std::map<std::pair<int, int>, int> smallest_ring_size_per_bond(const TestRun& rs, int ringmin, int ringmax) {
  std::map<std::pair<int, int>, int> sizes;
  const int n = rs.entries();
  auto usable = [&](int x) { return rs.atom(x).occupancy_kind != OccupancyKind::disordered; };
  for (int a = 0; a < n; ++a) {
    if (!usable(a)) continue;
    for (const int b : rs.nb.of[a].atom) {
      if (b < a || !usable(b)) continue;
      std::vector<int> steps(static_cast<std::size_t>(n), -1);
      steps[static_cast<std::size_t>(a)] = 0;
      std::deque<int> queue{a};
      while (!queue.empty() && steps[static_cast<std::size_t>(b)] < 0) {
        const int x = queue.front();
        queue.pop_front();
        for (const int y : rs.nb.of[x].atom) {
          if (!usable(y) || steps[static_cast<std::size_t>(y)] >= 0 || (x == a && y == b)) continue;
          steps[static_cast<std::size_t>(y)] = steps[static_cast<std::size_t>(x)] + 1;
          queue.push_back(y);
        }
      }
      const int size = steps[static_cast<std::size_t>(b)] + 1;
      if (size >= std::max(ringmin, 3) && size <= ringmax) sizes[{a, b}] = size;
    }
  }
  return sizes;
}

// The rings found are smallest rings: every bond with a ring in range lies
// in a found ring of its smallest size, and every found ring is the
// smallest through one of its bonds.
void expect_smallest_rings(const TestRun& rs, int ringmin, int ringmax) {
  const auto sizes = smallest_ring_size_per_bond(rs, ringmin, ringmax);
  std::map<std::pair<int, int>, int> covered;
  for (const Ring& r : rs.rings.list) {
    bool smallest_somewhere = false;
    for (std::size_t k = 0; k < r.members.size(); ++k) {
      const int p = r.members[k], q = r.members[(k + 1) % r.members.size()];
      const std::pair<int, int> bond{std::min(p, q), std::max(p, q)};
      const auto s = sizes.find(bond);
      if (s != sizes.end() && s->second == r.size()) {
        smallest_somewhere = true;
        covered[bond] = r.size();
      }
    }
    EXPECT_TRUE(smallest_somewhere) << "ring through atom " << r.members[0] << " of " << r.size();
  }
  EXPECT_EQ(covered, sizes);
}

int find_label(const TestRun& rs, std::string_view label) {
  for (int i = 0; i < rs.natom(); ++i)
    if (rs.atom(i).label.trimmed() == label) return i;
  return -1;
}

TEST(ChemistryTopology, RealStructures) {
  struct Case {
    std::string file;
    std::size_t rings;           // rings found with RINGS 3 8, NCELLS 1
  };
  const std::vector<Case> cases{
      {"naphthalene_P21a_half_molecule.res", 2},
      {"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", 0},
      {"I-43d_Ni_complex_body_centred.res", 6},
      {"DL-tryptophan_P21c.res", 2},
      {"sucrose_P21.res", 2},
      {"jkd77_C22H20N2_P21n.res", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    MemoryRun run;
    TestRun& rs = *run.rs;
    analyse(rs, c.file);
    // Every molecule complete: no entry bonds to an image outside the table.
    EXPECT_TRUE(atoms_with_missing_bonds(rs.model, rs.sw, 3).empty());
    expect_smallest_rings(rs, 3, 8);
    EXPECT_EQ(rs.rings.list.size(), c.rings);
    for (int i = 0; i < rs.entries(); ++i) {
      // No bond below 0.5 A, and a hydrogen has one partner here (no
      // boron or metal hydrides among these structures).
      for (const double d : rs.nb.of[i].dist) EXPECT_GE(d, kMinBondLength);
      if (rs.atom(i).atomic_number == 1) {
        EXPECT_LE(rs.nb.of[i].count(), 1) << rs.atom(i).label.view();
      }
    }
    // The maleate's acid hydrogen (O-H 1.16 A, H...O 1.24 A) keeps one bond.
    if (c.file.rfind("Mg_", 0) == 0) {
      EXPECT_EQ(rs.nb.of[find_label(rs, "H(1)")].count(), 1);
    }
  }
}

TEST(ChemistryTopology, SmallestSetOfSmallestRings) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> bonds;
    int max_size;
    std::vector<std::size_t> sizes;
  };
  // Naphthalene: two rings, never the ten-membered envelope.  A tripod
  // ligand's three equal chelate rings (two paths of three bonds between
  // each pair of arms): all three, although two span the cycles.  Cubane:
  // all six faces.  A seven-membered ring beyond the size asked: none.
  const std::vector<Case> cases{
      {"naphthalene", {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0}, {4, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 5}}, 10, {6, 6}},
      {"tripod", {{0, 1}, {1, 2}, {2, 3}, {0, 4}, {4, 5}, {5, 3}, {0, 6}, {6, 7}, {7, 3}}, 8, {6, 6, 6}},
      {"cubane",
       {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}},
       8,
       {4, 4, 4, 4, 4, 4}},
      {"cycloheptane", {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 0}}, 6, {}},
  };
  for (const Case& c : cases) {
    int n = 0;
    for (const auto& [a, b] : c.bonds) n = std::max({n, a + 1, b + 1});
    std::vector<std::vector<int>> graph(static_cast<std::size_t>(n));
    for (const auto& [a, b] : c.bonds) {
      graph[static_cast<std::size_t>(a)].push_back(b);
      graph[static_cast<std::size_t>(b)].push_back(a);
    }
    std::vector<std::size_t> sizes;
    for (const std::vector<int>& ring : smallest_set_of_smallest_rings(graph, c.max_size)) {
      sizes.push_back(ring.size());
      // Consecutive members are bonded.
      for (std::size_t k = 0; k < ring.size(); ++k) {
        const std::vector<int>& nb = graph[static_cast<std::size_t>(ring[k])];
        EXPECT_NE(std::find(nb.begin(), nb.end(), ring[(k + 1) % ring.size()]), nb.end()) << c.name;
      }
    }
    EXPECT_EQ(sizes, c.sizes) << c.name;
  }
}

TEST(ChemistryTopology, ContactsThatAreNoBonds) {
  // Which partners a hydrogen keeps, by the elements of its contacts,
  // nearest first: bridges only between boron or metal atoms.
  const std::vector<std::pair<std::vector<int>, std::vector<std::size_t>>> partners{
      {{8, 8}, {0}},       {{5, 5}, {0, 1}}, {{26, 26, 8}, {0, 1}},
      {{6, 26}, {0}},      {{26, 8}, {0}},   {{7}, {0}},
  };
  for (const auto& [elements, kept] : partners) EXPECT_EQ(hydrogen_partners(elements), kept) << elements.size();

  // Three split positions of one carbon, 0.17 A apart around a three-fold
  // axis through a nitrogen: bonded to the nitrogen, not to one another,
  // and no three- or four-membered "ring"; a B-H-B bridge keeps both bonds
  // and an O-H...O hydrogen bond (1.16 and 1.24 A) does not.
  MemoryRun run;
  TestRun& rs = *run.rs;
  add_cart(rs, "N1", 7, 0, 0, 0);
  for (int k = 0; k < 3; ++k) {
    const double t = static_cast<double>(k) * 2.0 * kPi / 3.0;
    add_cart(rs, numbered("C", k + 1), 6, 0.098 * std::cos(t), 0.098 * std::sin(t), 1.47);
  }
  const int b1 = add_cart(rs, "B1", 5, 10, 0, 0);
  add_cart(rs, "B2", 5, 12.0, 0, 0);
  const int hb = add_cart(rs, "H1", 1, 11.0, 0.9, 0);
  const int o1 = add_cart(rs, "O1", 8, 20, 0, 0);
  const int ho = add_cart(rs, "H2", 1, 21.16, 0, 0);
  const int o2 = add_cart(rs, "O2", 8, 22.40, 0, 0);
  rs.sw.ring_options.min_size = 3;
  rs.sw.ring_options.max_size = 8;
  rs.sw.args.search_rings = true;
  find_rings(rs);
  run_neighbour_search(rs);
  EXPECT_EQ(rs.rings.count(), 0);
  EXPECT_EQ(rs.nb.of[0].count(), 3);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(rs.nb.of[c].atom, std::vector<int>{0});
  EXPECT_EQ(rs.nb.of[hb].count(), 2);
  EXPECT_EQ(rs.nb.of[b1].atom, std::vector<int>{hb});
  EXPECT_EQ(rs.nb.of[ho].atom, std::vector<int>{o1});
  EXPECT_EQ(rs.nb.of[o2].count(), 0);
  const std::string log = run.log();
  EXPECT_NE(log.find(" Sites closer than 0.5 Ang, taken as one site and not bonded :\n     C1        C2          0.170 Ang"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("     H2        O2          1.240 Ang"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
