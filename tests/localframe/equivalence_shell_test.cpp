// Chemical constraints of whole runs join only atoms whose surroundings
// agree one bond further: the neighbours' elements, hydrogen counts and bond
// counts, and for hydrogens the parent's kind and whether it lies in a ring.
// The kinds are recounted here from the neighbour lists, and ring
// membership found by a connectivity walk of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <vector>

#include "localframe/atom_loop.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"
#include "topology/bond_rules.hpp"

namespace vorn::test {
namespace {

std::vector<std::array<int, 3>> shell(const TestRun& rs, int a) {
  std::vector<std::array<int, 3>> kinds;
  for (const int b : rs.nb.of[a].atom) {
    const std::vector<int>& nbb = rs.nb.of[b].atom;
    const auto h = std::count_if(nbb.begin(), nbb.end(), [&](int c) { return rs.atom(c).atomic_number == 1; });
    kinds.push_back({rs.atom(b).atomic_number, static_cast<int>(h), static_cast<int>(nbb.size())});
  }
  std::sort(kinds.begin(), kinds.end());
  return kinds;
}

// Whether two neighbours of p stay connected when p is taken out.
bool on_a_cycle(const TestRun& rs, int p) {
  const std::vector<int>& first = rs.nb.of[p].atom;
  if (first.size() < 2) return false;
  std::vector<char> seen(static_cast<std::size_t>(rs.entries()), 0);
  seen[static_cast<std::size_t>(p)] = 1;
  seen[static_cast<std::size_t>(first[0])] = 1;
  std::deque<int> queue{first[0]};
  while (!queue.empty()) {
    const int x = queue.front();
    queue.pop_front();
    for (const int y : rs.nb.of[x].atom) {
      if (seen[static_cast<std::size_t>(y)] != 0) continue;
      seen[static_cast<std::size_t>(y)] = 1;
      queue.push_back(y);
    }
  }
  return std::any_of(first.begin() + 1, first.end(), [&](int b) { return seen[static_cast<std::size_t>(b)] != 0; });
}

// The whole per-atom loop on a completed structure.
void set_up(TestRun& rs, const char* file, bool extend_hydrogens) {
  rs.sw.format = InputFormat::shelx;
  rs.sw.extend_hydrogens = extend_hydrogens;
  rs.model = read_shelx(test_data(std::string("shelx/") + file), ShelxLabels::as_named, rs.log_sink());
  rs.sw.complete_fragment_cells = 1;
  run_complete_fragments(rs);
  run_neighbour_search(rs);
  set_up_atoms(rs.loop());
}

TEST(ChemicalConstraints, JoinOnlyAtomsOfTheSameSurroundings) {
  const char* const files[] = {"naphthalene_P21a_half_molecule.res", "8-hydroxyquinolinium_hydrogenmaleate_P212121.res",
                               "Ru_complex_methanol_P21c_Qpeaks_after_END.ins",
                               "FeCl_perchlorate_hydrate_R-3c_rhombohedral.res", "thpp_P21n_disorder_cctbx.ins",
                               "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res"};
  for (const char* file : files) {
    TestRun rs;
    set_up(rs, file, false);
    int constrained = 0;
    for (int a = 0; a < rs.natom(); ++a) {
      const int r = rs.kappa_sets.of[a].reference;
      if (r < 0) continue;
      ++constrained;
      const std::string pair = std::string(file) + ": " + std::string(rs.atom(a).label.trimmed()) + " to " +
                               std::string(rs.atom(r).label.trimmed());
      if (rs.atom(a).atomic_number != 1) {
        EXPECT_EQ(shell(rs, a), shell(rs, r)) << pair;
        continue;
      }
      const int pa = rs.nb.of[a].atom.at(0), pr = rs.nb.of[r].atom.at(0);
      EXPECT_EQ(rs.atom(pa).atomic_number, rs.atom(pr).atomic_number) << pair;
      EXPECT_EQ(rs.nb.of[pa].atom.size(), rs.nb.of[pr].atom.size()) << pair;
      const auto hydrogens = [&](int p) {
        return std::count_if(rs.nb.of[p].atom.begin(), rs.nb.of[p].atom.end(), [&](int c) { return rs.atom(c).atomic_number == 1; });
      };
      EXPECT_EQ(hydrogens(pa), hydrogens(pr)) << pair;
      EXPECT_EQ(on_a_cycle(rs, pa), on_a_cycle(rs, pr)) << pair;
    }
    EXPECT_GT(constrained, 0) << file;
  }
}

// Water bound to a metal is water: with EXTEND_H each of its hydrogens
// moves to the water O-H length, measured from the moved positions.
TEST(MetalWater, EveryHydrogenIsExtended) {
  const struct {
    const char* file;
    int waters;   // metal-bound water hydrogens of the asymmetric unit
  } cases[] = {{"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", 6},
               {"FeCl_perchlorate_hydrate_R-3c_rhombohedral.res", 2}};
  for (const auto& c : cases) {
    TestRun rs;
    set_up(rs, c.file, true);
    int seen = 0;
    for (int h = 0; h < rs.natom(); ++h) {
      if (rs.atom(h).atomic_number != 1) continue;
      const int o = rs.nb.of[h].atom.at(0);
      int hydrogens = 0, metals = 0;
      for (const int n : rs.nb.of[o].atom) {
        hydrogens += rs.atom(n).atomic_number == 1 ? 1 : 0;
        metals += is_metal(rs.atom(n).atomic_number) ? 1 : 0;
      }
      if (rs.atom(o).atomic_number != 8 || hydrogens != 2 || metals == 0) continue;
      ++seen;
      const Atom& a = rs.atom(h);
      const Atom& b = rs.atom(o);
      EXPECT_NEAR(std::hypot(a.cartesian[0] - b.cartesian[0], a.cartesian[1] - b.cartesian[1], a.cartesian[2] - b.cartesian[2]), 0.9584, 1e-3) << c.file << " " << a.label.trimmed();
    }
    EXPECT_EQ(seen, c.waters) << c.file;
  }
}

}  // namespace
}  // namespace vorn::test
