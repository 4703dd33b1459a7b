#include "topology/neighbors.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "layout/run_error.hpp"
#include "support/test_support.hpp"
#include "topology/molecules.hpp"

namespace vorn::test {
namespace {

std::vector<int> members(const NeighborType& t) { return t.members; }

// Formaldehyde: C1 at the origin, O1 along x, two hydrogens.
void formaldehyde(test::TestRun& rs) {
  add_cart(rs, "C1", 6, 0, 0, 0);
  add_cart(rs, "O1", 8, 1.21, 0, 0);
  add_cart(rs, "H1", 1, -0.55, 0.95, 0);
  add_cart(rs, "H2", 1, -0.55, -0.95, 0);
}

TEST(GetNei, DistanceOrderKeepsTableOrderOnTies) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // Carbon with three hydrogens at exactly 1.09 A and a nitrogen at 1.47 A,
  // given in the table before the nearer ones; H4 is nearer than the rest.
  add_cart(rs, "N1", 7, -1.47, 0, 0);
  add_cart(rs, "C1", 6, 0, 0, 0);
  add_cart(rs, "H1", 1, 0, 1.09, 0);
  add_cart(rs, "H2", 1, 0, 0, 1.09);
  add_cart(rs, "H3", 1, 0, -1.09, 0);
  add_cart(rs, "H4", 1, 0.6, 0, -0.6);
  int dis = -1;
  FoundNeighbours found = search_neighbours(rs, 1, 0.0, dis);
  EXPECT_EQ(dis, 0);
  EXPECT_EQ(found.atom, (std::vector<int>{5, 2, 3, 4, 0}));
  ASSERT_EQ(found.dist.size(), 5u);
  EXPECT_FLOAT_EQ(found.dist[1], 1.09);
  EXPECT_FLOAT_EQ(found.dist[4], 1.47);
}

TEST(GetNei, CutoffMinimumDistanceAndSharedSite) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "C1", 6, 0, 0, 0);
  add_cart(rs, "C2", 6, 1.73, 0, 0);      // within 0.77 + 0.77 + 0.2 = 1.74
  add_cart(rs, "C3", 6, 0, 1.75, 0);      // just beyond the cutoff
  add_cart(rs, "Q1", 6, 0, 0, 0.45);      // closer than 0.5 A: same site
  add_cart(rs, "C4", 6, 0, 0, -1.5);      // first at this site
  add_cart(rs, "C5", 6, 0.003, 0.004, -1.5);  // 0.005 A from C4
  FoundNeighbours found = find_neighbours(rs, 0, 0.0, SearchListing::silent);
  EXPECT_EQ(found.atom, (std::vector<int>{4, 1}));
  // The second atom at the site wins only when it comes first in the table.
  MemoryRun run2;
  test::TestRun& r2 = *run2.rs;
  add_cart(r2, "C1", 6, 0, 0, 0);
  add_cart(r2, "C5", 6, 0.003, 0.004, -1.5);
  add_cart(r2, "C4", 6, 0, 0, -1.5);
  found = find_neighbours(r2, 0, 0.0, SearchListing::silent);
  EXPECT_EQ(found.atom, (std::vector<int>{1}));
  // Two atoms closer than 0.5 A are never neighbours of each other.
  found = find_neighbours(rs, 3, 0.0, SearchListing::silent);
  for (const int b : found.atom) EXPECT_NE(b, 0);
}

TEST(GetNei, FixedRadiusIgnoresElements) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "H1", 1, 0, 0, 0);
  add_cart(rs, "H2", 1, 1.55, 0, 0);   // far beyond 0.4 + 0.4 + 0.2
  add_cart(rs, "H3", 1, 0, 1.6, 0);    // exactly at 1.6
  add_cart(rs, "H4", 1, 0, 0, 1.65);
  FoundNeighbours found = find_neighbours(rs, 0, 1.6, SearchListing::silent);
  EXPECT_EQ(found.atom, (std::vector<int>{1, 2}));
  found = find_neighbours(rs, 0, 0.0, SearchListing::silent);
  EXPECT_TRUE(found.atom.empty());
  EXPECT_EQ(found.type_count(), 0);
}

TEST(GetNei, DisorderedPairsBondOnlyInOneComponent) {
  for (const auto& [occ2, bonded] : {std::pair{0.45, false}, std::pair{0.505, true}}) {
    MemoryRun run;
    test::TestRun& rs = *run.rs;
    add_cart(rs, "C1A", 6, 0, 0, 0, occ2 == 0.45 ? 0.55 : 0.50, OccupancyKind::disordered);
    add_cart(rs, "C2B", 6, 1.52, 0, 0, occ2, OccupancyKind::disordered);
    add_cart(rs, "O1", 8, -1.43, 0, 0);
    int dis = -1;
    FoundNeighbours found = search_neighbours(rs, 0, 0.0, dis);
    if (bonded) {
      EXPECT_EQ(found.atom, (std::vector<int>{2, 1})) << occ2;
      EXPECT_EQ(dis, 1);
    } else {
      EXPECT_EQ(found.atom, (std::vector<int>{2})) << occ2;
      EXPECT_EQ(dis, 0);
    }
    // An ordered atom bonds to a disordered one, and notes it.
    found = search_neighbours(rs, 2, 0.0, dis);
    EXPECT_EQ(found.atom, (std::vector<int>{0}));
    EXPECT_EQ(dis, 1);
  }
}

TEST(FindNei, TypesByAscendingAtomicNumber) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // A carbon bonded (nearest first) to O, H, N, H, C.
  add_cart(rs, "C1", 6, 0, 0, 0);
  add_cart(rs, "H1", 1, 0, 1.09, 0);
  add_cart(rs, "O1", 8, 1.0, 0, 0);
  add_cart(rs, "C2", 6, 0, 0, -1.54);
  add_cart(rs, "N1", 7, 0, 0, 1.2);
  add_cart(rs, "H2", 1, 0, -1.1, 0);
  FoundNeighbours found = find_neighbours(rs, 0, 0.0, SearchListing::silent);
  EXPECT_EQ(found.atom, (std::vector<int>{2, 1, 5, 4, 3}));
  ASSERT_EQ(found.type_count(), 4);
  EXPECT_EQ(found.types[0].atomic_number, 1);
  EXPECT_EQ(members(found.types[0]), (std::vector<int>{1, 5}));
  EXPECT_EQ(found.types[1].atomic_number, 6);
  EXPECT_EQ(found.types[2].atomic_number, 7);
  EXPECT_EQ(found.types[3].atomic_number, 8);
  EXPECT_EQ(members(found.types[3]), (std::vector<int>{2}));
}

// N1 bonded to a methyl carbon Ca (nearer, four neighbours) and to a CH2=
// carbon Cb (farther, three neighbours), and to two hydrogens at exactly
// equal distance.
void amine(test::TestRun& rs) {
  add_cart(rs, "N1", 7, 0, 0, 0);
  add_cart(rs, "CA", 6, 1.40, 0, 0);
  add_cart(rs, "CB", 6, -0.75, 1.30, 0);
  add_cart(rs, "HN2", 1, 0, 0, -1.01);
  add_cart(rs, "HN1", 1, 0, 0, 1.01);
  // Methyl hydrogens of CA, pointing away from N1.
  add_cart(rs, "HA1", 1, 1.76, 1.03, 0);
  add_cart(rs, "HA2", 1, 1.76, -0.51, 0.89);
  add_cart(rs, "HA3", 1, 1.76, -0.51, -0.89);
  // Two hydrogens of CB.
  add_cart(rs, "HB1", 1, -1.80, 1.10, 0);
  add_cart(rs, "HB2", 1, -0.30, 2.30, 0);
}

TEST(FindAllNeighbors, MembersByHybridizationThenDistance) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  amine(rs);
  const Neighbors nb = find_all_neighbours(indexed_atoms(rs), rs.log_sink());
  const AtomNeighbors& n1 = nb.of[0];
  EXPECT_EQ(n1.count(), 4);
  EXPECT_EQ(nb.of[1].count(), 4);
  EXPECT_EQ(nb.of[2].count(), 3);
  // Stored distance order: the hydrogens (1.01, tie kept in table order),
  // CA (1.40), CB (1.50).
  EXPECT_EQ(n1.atom, (std::vector<int>{3, 4, 1, 2}));
  ASSERT_EQ(n1.type_count(), 2);
  EXPECT_EQ(n1.types[0].atomic_number, 1);
  EXPECT_EQ(n1.types[0].members, (std::vector<int>{3, 4}));
  // CB (three neighbours) before the nearer CA (four).
  EXPECT_EQ(n1.types[1].members, (std::vector<int>{2, 1}));
  EXPECT_EQ(neighbours_by_type(nb, 0), (std::vector<int>{2, 1, 3, 4}));
  EXPECT_EQ(neighbours_and_self(nb, 0), (std::vector<int>{3, 4, 1, 2, 0}));
  // An atom without neighbours.
  MemoryRun lone;
  add_cart(*lone.rs, "XE1", 54, 0, 0, 0);
  const Neighbors none = find_all_neighbours(indexed_atoms(*lone.rs), lone.rs->log_sink());
  EXPECT_EQ(none.of[0].count(), 0);
  EXPECT_EQ(none.of[0].type_count(), 0);
  EXPECT_EQ(neighbours_and_self(none, 0), (std::vector<int>{0}));
  EXPECT_TRUE(neighbours_by_type(none, 0).empty());
}

TEST(FindAllNeighbors, EqualHybridizationSortsByDistance) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // O1 bonded to two carbons with no other neighbours; the farther one is
  // first in the table.
  add_cart(rs, "O1", 8, 0, 0, 0);
  add_cart(rs, "C2", 6, 0, 1.45, 0);
  add_cart(rs, "C1", 6, 1.35, 0, 0);
  const Neighbors nb = find_all_neighbours(indexed_atoms(rs), rs.log_sink());
  EXPECT_EQ(nb.of[0].types[0].members, (std::vector<int>{2, 1}));
}

TEST(FindAllNeighbors, SortedTableLayout) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  formaldehyde(rs);
  run_neighbour_search(rs);
  EXPECT_EQ(run.term.str(), "\n IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM\n");
  const std::string expected = std::string(79, '-') + "\n" +
                               "\n IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM\n"
                               "\n"
                               " Printout of neighbors of all atoms sorted by \n"
                               "    1) atomic number (descending)\n"
                               "    2) hybridization ( ascending)\n"
                               "    3) distance      ( ascending)\n"
                               "\n"
                               " Atom #     1 = C1       :\n"
                               "        8   1      1.210       2   O1      \n"
                               "        1   1      1.098       3   H1      \n"
                               "        1   1      1.098       4   H2      \n"
                               "\n"
                               " Atom #     2 = O1       :\n"
                               "        6   3      1.210       1   C1      \n"
                               "\n"
                               " Atom #     3 = H1       :\n"
                               "        6   3      1.098       1   C1      \n"
                               "\n"
                               " Atom #     4 = H2       :\n"
                               "        6   3      1.098       1   C1      \n";
  EXPECT_EQ(run.log(), expected);
}

TEST(FindNei, ListingLayout) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  formaldehyde(rs);
  rs.atom(1).occ = 0.5;
  rs.atom(1).occupancy_kind = OccupancyKind::disordered;
  rs.sw.verbosity = 2;
  find_neighbours(rs, 0, 0.0, SearchListing::logged);
  find_neighbours(rs, 2, 1.6, SearchListing::logged);
  const std::string expected =
      "\n"
      " Covalently-bonded neighbors to C1 =    3\n"
      "\n"
      "     i       n     r(Ang)    atom       occ\n"
      "     1       3      1.098    H1         1.0000\n"
      "     2       4      1.098    H2         1.0000\n"
      "     3       2      1.210    O1         0.5000\n"
      "\n"
      "    Note : at least 1 neighbor is disordered\n"
      "\n"
      "    There is(are)    2 atom type(s) among neighbors\n"
      "\n"
      "    Type =    1\n"
      "      atomic number =    1\n"
      "      neighbors of this type =    2\n"
      "      atoms : H1       H2      \n"
      "\n"
      "    Type =    2\n"
      "      atomic number =    8\n"
      "      neighbors of this type =    1\n"
      "      atoms : O1      \n"
      "\n"
      " Neighbors of H1 within   1.600 Ang =    1\n"
      "\n"
      "     i       n     r(Ang)    atom       occ\n"
      "     1       1      1.098    C1         1.0000\n"
      "\n"
      "    There is(are)    1 atom type(s) among neighbors\n"
      "\n"
      "    Type =    1\n"
      "      atomic number =    6\n"
      "      neighbors of this type =    1\n"
      "      atoms : C1      \n";
  EXPECT_EQ(run.log(), expected);
}

TEST(PrtAtomNei, StoredTableLayout) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  formaldehyde(rs);
  run_neighbour_search(rs);
  std::ostringstream os;
  write_neighbours(rs, 0, os);
  EXPECT_EQ(os.str(),
            "\n"
            " Covalently-bonded neighbors to C1 =    3\n"
            "\n"
            "     i       n     r(Ang)    atom       occ\n"
            "     1       3      1.098    H1         1.0000\n"
            "     2       4      1.098    H2         1.0000\n"
            "     3       2      1.210    O1         1.0000\n");
  rs.sw.verbosity = 2;
  std::ostringstream os2;
  write_neighbours(rs, 1, os2);
  EXPECT_EQ(os2.str(),
            "\n"
            " Covalently-bonded neighbors to O1 =    1\n"
            "\n"
            "     i       n     r(Ang)    atom       occ\n"
            "     1       1      1.210    C1         1.0000\n"
            "\n"
            "    There is(are)    1 atom type(s) among neighbors\n"
            "\n"
            "    Type =    1\n"
            "      atomic number =    6\n"
            "      neighbors of this type =    1\n"
            "      atoms : C1      \n");
}

TEST(FindNei, TypeListingWrapsAfterSixLabels) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "S1", 16, 0, 0, 0);
  for (int k = 0; k < 7; ++k) {
    const double t = static_cast<double>(k) * 2 * kPi / 7;
    add_cart(rs, numbered("F", k + 1), 9, 1.6 * std::cos(t), 1.6 * std::sin(t), 0);
  }
  rs.sw.verbosity = 2;
  find_neighbours(rs, 0, 0.0, SearchListing::logged);
  const std::string log = run.log();
  EXPECT_NE(log.find("      atoms : F1       F2       F3       F4       F5       F6      \n"
                     "              F7      \n"),
            std::string::npos)
      << log;
}

TEST(FindAllNeighbors, TwentyOneNeighboursAreAllStored) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  add_cart(rs, "K1", 19, 0, 0, 0);
  for (int k = 0; k < 21; ++k) {
    const double t = static_cast<double>(k) * 2 * kPi / 21;
    add_cart(rs, numbered("O", k + 1), 8, 2.5 * std::cos(t), 2.5 * std::sin(t), (k % 2) * 0.8);
  }
  run_neighbour_search(rs);
  // The even oxygens (entries 1, 3, ...) lie 2.5 A away, the odd ones
  // 2.62 A: the eleven even ones first.
  ASSERT_EQ(rs.nb.of[0].count(), 21);
  for (std::size_t k = 0; k < 21; ++k) EXPECT_EQ(rs.nb.of[0].atom[k] % 2, k < 11 ? 1 : 0) << k;
}

// 1089 hydrogens 1 A apart are dense, but a search takes them all; piled
// 0.3 A apart they are more than a crystal holds.
TEST(GetNei, APileOfAtomsStops) {
  for (const double step : {1.0, 0.3}) {
    MemoryRun run;
    test::TestRun& rs = *run.rs;
    add_cart(rs, "C1", 6, 0, 0, 0);
    for (int i = 0; i < 11; ++i)
      for (int j = 0; j < 11; ++j)
        for (int k = 0; k < 9; ++k)
          add_cart(rs, "H", 1, step * (1.0 + static_cast<double>(i)), step * static_cast<double>(j), step * static_cast<double>(k));
    int dis = 0;
    if (step == 1.0) {
      EXPECT_EQ(search_neighbours(rs, 0, 100.0, dis).count(), 11 * 11 * 9);
      continue;
    }
    EXPECT_THROW(run.as_driver([&] { search_neighbours(rs, 0, 100.0, dis); }), RunError);
    const std::string block = " ERROR *** GetNei *** Atom 1 C1: 664 atoms within 4.24 Angstrom, more than 2 per cubic "
                              "Angstrom; are many atoms piled on one site?";
    EXPECT_NE(run.log().find(block), std::string::npos) << run.log();
    EXPECT_NE(run.term.str().find(block), std::string::npos);
  }
}

TEST(SortNei, InconsistentTypesStop) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  formaldehyde(rs);
  run_neighbour_search(rs);
  rs.nb.of[0].types.pop_back();
  EXPECT_THROW(run.as_driver([&] { neighbours_by_type(rs, 0); }), RunError);
  EXPECT_NE(run.log().find(" ERROR *** SortNei *** l.ne.nnei(k)"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
