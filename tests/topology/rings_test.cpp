#include "topology/rings.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "layout/run_error.hpp"
#include "support/test_support.hpp"
#include "topology/molecules.hpp"
#include "writers/auxiliary.hpp"

namespace vorn::test {
namespace {

void limits(test::TestRun& rs, int lo, int hi) {
  rs.sw.ring_options.min_size = lo;
  rs.sw.ring_options.max_size = hi;
  rs.sw.args.search_rings = true;
}

// build_reduced_table and walk_reduced_table in a scratch directory (the coordinate files
// go to the working directory); returns the reduced table.
ReducedTable ring_search(test::TestRun& rs, const ScratchDir& dir) {
  InDirectory in(dir.path());
  ReducedTable table;
  build_reduced_table(ring_search(rs), table);
  // The reduced structure files, as the run writes them from the table the
  // eliminations left.
  const std::vector<int> reduced = table.atom;
  std::ofstream ang(dir.file("reduced.ang")), ang1(dir.file("reduced_1.ang"));
  write_reduced_ang(rs.model, reduced, ang);
  write_reduced_numbered_ang(rs.model, reduced, ang1);
  walk_reduced_table(ring_search(rs), table);
  return table;
}

std::vector<int> sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// A ring of n carbons in the xy plane around (cx, cy), C-C 1.5 A.
void carbon_ring(test::TestRun& rs, int n, double cx, double cy, const std::string& prefix = "C") {
  const double r = 1.5 / (2 * std::sin(kPi / static_cast<double>(n)));
  for (int k = 0; k < n; ++k) {
    const double t = 2 * kPi * static_cast<double>(k) / static_cast<double>(n);
    add_cart(rs, prefix + std::to_string(k + 1), 6, cx + r * std::cos(t), cy + r * std::sin(t), 0);
  }
}

TEST(RingSearch, BenzeneLosesItsHydrogensInCycleZero) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  benzene(rs, 5, 5, 5, 0.003);
  limits(rs, 3, 8);
  ScratchDir dir;
  const ReducedTable table = ring_search(rs, dir);
  EXPECT_EQ(table.count(), 6);
  ASSERT_EQ(rs.rings.count(), 1);
  EXPECT_EQ(rs.rings.ring(1).members, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(rs.rings.ring(1).planar);
  const std::string term = run.term.str();
  const std::string cycles =
      "\n CREATING CONNECTIVITY TABLE AND ELIMINATING OPEN ATOMS\n"
      "\n **** ELIMINATION CYCLE =    0     NUMBER OF ATOMS =     12\n"
      "        NUMBER OF ATOMS REMOVED FROM THE TABLE =       6\n"
      "\n **** ELIMINATION CYCLE =    1     NUMBER OF ATOMS =      6\n"
      "        NUMBER OF ATOMS REMOVED FROM THE TABLE =       0\n"
      "\n AUTOMATED SEARCH FOR   3 -  8 - MEMBERED RINGS\n"
      "\n"
      "\n TOTAL RINGS FOUND (nor)  =      1\n";
  EXPECT_EQ(term, cycles);
  const std::string log = run.log();
  const std::string report =
      "\n"
      "\n"
      " **********  FOUND RING #    1 --->   6 - MEMBERED  **********\n"
      "\n"
      "  C1        C2        C3        C4        C5        C6      \n"
      "     1         2         3         4         5         6\n"
      "\n"
      " Planarity test for   6-atom ring : \n"
      "\n"
      "  C1        C2        C3        C4        C5        C6      \n"
      "\n"
      "     Esd atoms from the plane (sigpln) =       0.0042 ( tol =   0.1000 )\n"
      "\n"
      "     This ring is planar = .T.\n" +
      std::string(79, '-') + "\n\n TOTAL RINGS FOUND (nor)  =      1\n";
  EXPECT_NE(log.find(std::string(80, '-') + "\n\n AUTOMATED SEARCH FOR   3 -  8 - MEMBERED RINGS\n" + report),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find(std::string(80, '-') + "\n\n CREATING CONNECTIVITY TABLE"), 0u);
  // The reduced coordinate files hold the six carbons.
  const std::vector<std::string> ang = lines_of(dir.read("reduced.ang"));
  ASSERT_EQ(ang.size(), 7u);
  EXPECT_EQ(ang[0], "ANGSTROM");
  EXPECT_EQ(ang[1], "ATOM C1            6.3900      5.0000      5.0030");
  EXPECT_EQ(ang[4], "ATOM C4            3.6100      5.0000      4.9970");
  const std::vector<std::string> ang1 = lines_of(dir.read("reduced_1.ang"));
  ASSERT_EQ(ang1.size(), 7u);
  EXPECT_EQ(ang1[0], "ANGSTROM");
  EXPECT_EQ(ang1[6], "ATOM C6            5.6950      3.7962      4.9970");
}

TEST(RingSearch, ReducedFileNamesCarryElementAndPosition) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "N1A", 7, 0, 0, 0);
  add_cart(rs, "CL12", 17, 1, 2, 3);
  add_cart(rs, "X1", 0, -1, -2, -3);
  // The second file names each atom by its element symbol and reduced
  // position, blanks removed; an atom without element by its position.
  std::ostringstream a, b;
  write_reduced_ang(rs.model, {0, 1, 2}, a);
  write_reduced_numbered_ang(rs.model, {0, 1, 2}, b);
  EXPECT_EQ(a.str(),
            "ANGSTROM\n"
            "ATOM N1A           0.0000      0.0000      0.0000\n"
            "ATOM CL12          1.0000      2.0000      3.0000\n"
            "ATOM X1           -1.0000     -2.0000     -3.0000\n");
  EXPECT_EQ(b.str(),
            "ANGSTROM\n"
            "ATOM N1            0.0000      0.0000      0.0000\n"
            "ATOM Cl2           1.0000      2.0000      3.0000\n"
            "ATOM 3            -1.0000     -2.0000     -3.0000\n");
}

TEST(RingSearch, NaphthaleneTenRingOnlyWhenAllowed) {
  for (const int hi : {8, 10}) {
    MemoryRun run;
    test::TestRun& rs = *run.rs;
    naphthalene(rs, 0, 0, 0);
    limits(rs, 3, hi);
    ScratchDir dir;
    const ReducedTable table = ring_search(rs, dir);
    EXPECT_EQ(table.count(), 10);
    std::vector<std::vector<int>> sets;
    for (const Ring& r : rs.rings.list) {
      sets.push_back(sorted(r.members));
      EXPECT_TRUE(r.planar);
    }
    const std::vector<int> right{0, 1, 2, 3, 4, 5}, left{0, 1, 6, 7, 8, 9}, all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_NE(std::find(sets.begin(), sets.end(), right), sets.end()) << hi;
    EXPECT_NE(std::find(sets.begin(), sets.end(), left), sets.end()) << hi;
    const bool envelope = std::find(sets.begin(), sets.end(), std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}) !=
                              sets.end() ||
                          std::find(sets.begin(), sets.end(), all) != sets.end();
    if (hi == 8) {
      EXPECT_EQ(rs.rings.count(), 2);
      EXPECT_FALSE(envelope);
    } else {
      EXPECT_EQ(rs.rings.count(), 3);
      EXPECT_NE(std::find(sets.begin(), sets.end(), all), sets.end());
    }
  }
}

TEST(RingSearch, ChainLeavesNoAtoms) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // n-Pentan-1-ol carbon-oxygen skeleton, zigzag.
  for (int k = 0; k < 5; ++k)
    add_cart(rs, numbered("C", k + 1), 6, 1.26 * static_cast<double>(k), (k % 2) * 0.88, 0);
  add_cart(rs, "O1", 8, 1.26 * 5 - 0.1, 0.85, 0);
  limits(rs, 3, 8);
  ScratchDir dir;
  const ReducedTable table = ring_search(rs, dir);
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(rs.rings.count(), 0);
  const std::string msg =
      "\n THERE ARE NO ATOMS IN THE REDUCED CONNECTIVITY TABLE\n"
      "\n"
      " SEARCH FOR RINGS WILL NOT BE PERFORMED...\n";
  EXPECT_NE(run.term.str().find(msg), std::string::npos) << run.term.str();
  EXPECT_NE(run.log().find(msg), std::string::npos);
  EXPECT_EQ(run.log().find("TOTAL RINGS FOUND"), std::string::npos);
  // Cycles 0, 1, 2 remove atoms; cycle 3 finds the table empty.
  EXPECT_NE(run.log().find(" **** ELIMINATION CYCLE =    3     NUMBER OF ATOMS =      0"), std::string::npos);
  EXPECT_EQ(lines_of(dir.read("reduced.ang")), (std::vector<std::string>{"ANGSTROM"}));
}

TEST(RingSearch, ChairCyclohexaneIsNotPlanar) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  chair_cyclohexane(rs, 0, 0, 0);
  limits(rs, 3, 8);
  ScratchDir dir;
  ring_search(rs, dir);
  ASSERT_EQ(rs.rings.count(), 1);
  EXPECT_FALSE(rs.rings.ring(1).planar);
  EXPECT_NE(run.log().find("     This ring is planar = .F."), std::string::npos);
}

TEST(RingSearch, CyclopropaneIsPlanarWithoutTest) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  carbon_ring(rs, 3, 0, 0);
  limits(rs, 3, 8);
  ScratchDir dir;
  ring_search(rs, dir);
  ASSERT_EQ(rs.rings.count(), 1);
  EXPECT_TRUE(rs.rings.ring(1).planar);
  EXPECT_EQ(rs.rings.ring(1).size(), 3);
  EXPECT_EQ(run.log().find("Planarity test"), std::string::npos);
}

TEST(RingSearch, SizeLimits) {
  // Rings of 5, 8 and 9 members, far apart.
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  carbon_ring(rs, 5, 0, 0, "A");
  carbon_ring(rs, 8, 20, 0, "B");
  carbon_ring(rs, 9, 0, 20, "D");
  limits(rs, 3, 8);
  ScratchDir dir;
  ring_search(rs, dir);
  ASSERT_EQ(rs.rings.count(), 2);
  EXPECT_EQ(rs.rings.ring(1).size(), 5);
  EXPECT_EQ(rs.rings.ring(2).size(), 8);
  // The minimum excludes the five-membered ring.
  MemoryRun run2;
  carbon_ring(*run2.rs, 5, 0, 0, "A");
  carbon_ring(*run2.rs, 8, 20, 0, "B");
  carbon_ring(*run2.rs, 9, 0, 20, "D");
  limits(*run2.rs, 6, 9);
  ring_search(*run2.rs, dir);
  ASSERT_EQ(run2.rs->rings.count(), 2);
  EXPECT_EQ(run2.rs->rings.ring(1).size(), 8);
  EXPECT_EQ(run2.rs->rings.ring(2).size(), 9);
  EXPECT_NE(run2.term.str().find(" TOTAL RINGS FOUND (nor)  =      2"), std::string::npos);
}

TEST(RingSearch, DisorderedAtomIsNeverInARing) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  carbon_ring(rs, 6, 0, 0);
  rs.atom(3).occupancy_kind = OccupancyKind::disordered;
  rs.atom(3).occ = 0.5;
  limits(rs, 3, 8);
  ScratchDir dir;
  const ReducedTable table = ring_search(rs, dir);
  EXPECT_EQ(rs.rings.count(), 0);
  EXPECT_EQ(table.count(), 0);
}

TEST(RingSearch, RootIsExchangedWithFirstBranchPoint) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // Bicyclo[2.2.0]hexane-like: a square of C1..C4 with C5-C6 bridging C3,C4;
  // the first atom with three connections is C3 (entry 2).
  add_cart(rs, "C1", 6, 0, 0, 0);
  add_cart(rs, "C2", 6, 1.5, 0, 0);
  add_cart(rs, "C3", 6, 1.5, 1.5, 0);
  add_cart(rs, "C4", 6, 0, 1.5, 0);
  add_cart(rs, "C5", 6, 0, 3.0, 0);
  add_cart(rs, "C6", 6, 1.5, 3.0, 0);
  limits(rs, 3, 8);
  ScratchDir dir;
  const ReducedTable table = ring_search(rs, dir);
  EXPECT_EQ(table.atom[0], 2);
  EXPECT_EQ(table.atom[2], 0);
  // Every reference was renumbered: position 0 (C3) connects C2, C4, C6.
  std::vector<int> to;
  for (const int c : table.conn[0]) to.push_back(table.atom[static_cast<std::size_t>(c)]);
  EXPECT_EQ(sorted(to), (std::vector<int>{1, 3, 5}));
  std::vector<std::vector<int>> sets;
  for (const Ring& r : rs.rings.list) sets.push_back(sorted(r.members));
  EXPECT_NE(std::find(sets.begin(), sets.end(), std::vector<int>{0, 1, 2, 3}), sets.end());
  EXPECT_NE(std::find(sets.begin(), sets.end(), std::vector<int>{2, 3, 4, 5}), sets.end());
}

TEST(RingSearch, SameRingStoredOnce) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  rs.rings.list.push_back(Ring{{3, 4, 5, 0, 1, 2}, 1, 0});
  EXPECT_TRUE(ring_is_stored(rs.rings, {0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(ring_is_stored(rs.rings, {5, 4, 3, 2, 1, 0}));
  EXPECT_FALSE(ring_is_stored(rs.rings, {0, 1, 2, 3, 4}));
  EXPECT_FALSE(ring_is_stored(rs.rings, {0, 1, 2, 3, 4, 6}));
  // store_if_new_ring rejects the same set found in another walk order.
  add_cart(rs, "C1", 6, 0, 0, 0);
  limits(rs, 3, 8);
  ReducedTable table;
  table.atom = {0, 1, 2, 3, 4, 5};
  store_if_new_ring(ring_search(rs), table, {2, 1, 0, 5, 4, 3, 2}, 0, 6);
  EXPECT_EQ(rs.rings.count(), 1);
  // A walk out and back through one atom is no ring.
  rs.rings.list.clear();
  limits(rs, 0, 8);
  store_if_new_ring(ring_search(rs), table, {0, 1, 2, 1}, 1, 3);
  EXPECT_EQ(rs.rings.count(), 0);
}

TEST(RingSearch, WalkSteps) {
  MemoryRun run;
  ReducedTable t;
  t.atom = {0, 1, 2, 3};
  t.conn = {{1, 2, 3}, {0, 2}, {1, 0}, {}};
  auto all_unwalked = [&] {
    t.unwalked.clear();
    for (const std::vector<int>& c : t.conn) t.unwalked.emplace_back(c.size(), true);
  };
  all_unwalked();
  // The connection back to the previous atom is skipped, not used up.
  EXPECT_EQ(next_unwalked_connection(t, 1, 0), 2);
  EXPECT_EQ(t.unwalked[0], (std::vector<bool>{true, false, true}));
  EXPECT_EQ(next_unwalked_connection(t, 1, 0), 3);
  EXPECT_EQ(next_unwalked_connection(t, 1, 0), -1);
  EXPECT_EQ(next_unwalked_connection(t, -1, 0), 1);
  EXPECT_EQ(next_unwalked_connection(t, -1, 0), -1);
  // The last choice point is the highest atom below the top with more than
  // two connections and an open one.
  all_unwalked();
  std::vector<int> path{0, 1, 2, 0, 1};
  ASSERT_TRUE(back_to_last_choice_point(t, path));
  EXPECT_EQ(path, (std::vector<int>{0, 1, 2, 0}));
  t.unwalked[0].assign(3, false);
  path = {0, 1, 2, 0, 1};
  EXPECT_FALSE(back_to_last_choice_point(t, path));
  // A new part starts at the first unreached atom with a connection.
  t.reached = {true, false, false, false};
  ASSERT_TRUE(start_walk_at_unreached_atom(t, path));
  EXPECT_EQ(path, (std::vector<int>{1, 0}));
  EXPECT_TRUE(t.reached[1]);
  EXPECT_FALSE(t.unwalked[1][0]);
  t.reached[2] = true;
  EXPECT_FALSE(start_walk_at_unreached_atom(t, path));
  // A start whose first connection was walked is an internal error.
  t.reached[2] = false;
  t.unwalked[2][0] = false;
  EXPECT_THROW(run.as_driver([&] { start_walk_at_unreached_atom(t, path); }), RunError);
  EXPECT_NE(run.log().find(" ERROR *** CheckVisited *** Internal error"), std::string::npos);
}

TEST(RingSearch, TwoSeparateMoleculesBothSearched) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  benzene(rs, 0, 0, 0);
  chair_cyclohexane(rs, 20, 0, 0);
  limits(rs, 3, 8);
  ScratchDir dir;
  ring_search(rs, dir);
  ASSERT_EQ(rs.rings.count(), 2);
  EXPECT_TRUE(rs.rings.ring(1).planar);
  EXPECT_FALSE(rs.rings.ring(2).planar);
  EXPECT_EQ(sorted(rs.rings.ring(2).members), (std::vector<int>{12, 13, 14, 15, 16, 17}));
}

TEST(RingSearch, ConnectionTableListing) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  carbon_ring(rs, 3, 0, 0);
  add_cart(rs, "H1", 1, 0, 0, 3);
  rs.sw.verbosity = 3;
  limits(rs, 3, 8);
  ScratchDir dir;
  InDirectory in(dir.path());
  ReducedTable table;
  build_reduced_table(ring_search(rs), table);
  const std::string log = run.log();
  // The full table before any removal, then the final one.
  EXPECT_NE(log.find("      1 C1       - C2       C3      \n"
                     "      2 C2       - C1       C3      \n"
                     "      3 C3       - C1       C2      \n"
                     "      4 H1       -\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\n CONNECTIVITY TABLE AFTER THE FINAL ELIMINATION CYCLE :\n"
                     "      1 C1       - C2       C3      \n"),
            std::string::npos)
      << log;
}

TEST(RingSearch, ConnectionListingWrapsAfterTen) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "K1", 19, 0, 0, 0);
  for (int k = 0; k < 11; ++k) {
    const double t = 2 * kPi * static_cast<double>(k) / 11;
    add_cart(rs, numbered("O", k + 1), 8, 2.3 * std::cos(t), 2.3 * std::sin(t), (k % 2) * 1.2);
  }
  ReducedTable table;
  for (int k = 0; k < rs.entries(); ++k) table.atom.push_back(k);
  // The full table is listed in cycle 0, before the open atoms go.
  rs.sw.verbosity = 3;
  int remaining = 0;
  eliminate(ring_search(rs), table, 0, remaining);
  EXPECT_EQ(remaining, 3);  // K1 and the two oxygens bonded to each other
  EXPECT_NE(run.log().find("      1 K1       - O1       O2       O3       O4       O5       O6       O7       O8"
                           "       O9       O10     \n O11     \n"),
            std::string::npos)
      << run.log();
}

TEST(RingSearch, TwentyOneConnectionsAreEliminated) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "K1", 19, 0, 0, 0);
  for (int k = 0; k < 21; ++k) {
    const double t = 2 * kPi * static_cast<double>(k) / 21;
    add_cart(rs, numbered("O", k + 1), 8, 2.3 * std::cos(t), 2.3 * std::sin(t), (k % 2) * 1.0);
  }
  limits(rs, 3, 8);
  ScratchDir dir;
  InDirectory in(dir.path());
  ReducedTable table;
  build_reduced_table(ring_search(rs), table);
  // The oxygens, 1.2 A apart, bond in a ring around K1: nothing leaves the
  // table, and K1 keeps all 21 connections.
  ASSERT_EQ(table.count(), 22);
  for (std::size_t p = 0; p < table.atom.size(); ++p)
    EXPECT_TRUE(table.atom[p] != 0 || table.conn[p].size() == 21u) << table.conn[p].size();
}

TEST(RingSearch, RingsBeyondMemberCapacityStop) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  carbon_ring(rs, 101, 0, 0);
  limits(rs, 3, 200);
  ScratchDir dir;
  EXPECT_THROW(run.as_driver([&] { ring_search(rs, dir); }), RunError);
  EXPECT_NE(run.log().find("has more than 100 members"), std::string::npos);
  // With the limit at 100 the big ring is simply not stored.
  MemoryRun ok;
  carbon_ring(*ok.rs, 101, 0, 0);
  limits(*ok.rs, 3, 100);
  ring_search(*ok.rs, dir);
  EXPECT_EQ(ok.rs->rings.count(), 0);
}

}  // namespace
}  // namespace vorn::test
