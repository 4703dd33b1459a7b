// Water bound to a metal is water: with EXTEND_H each of its hydrogens
// moves to the water O-H length, measured here from the moved positions.
#include <gtest/gtest.h>

#include <cmath>

#include "localframe/atom_loop.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"
#include "topology/bond_rules.hpp"

namespace vorn::test {
namespace {

TEST(MetalWater, EveryHydrogenIsExtended) {
  const struct {
    const char* file;
    int waters;   // metal-bound water hydrogens of the asymmetric unit
  } cases[] = {{"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", 6},
               {"FeCl_perchlorate_hydrate_R-3c_rhombohedral.res", 2}};
  for (const auto& c : cases) {
    TestRun rs;
    rs.sw.format = InputFormat::shelx;
    rs.sw.lfh = 1;
    rs.model = read_shelx(test_data(std::string("shelx/") + c.file), ShelxLabels::as_named, rs.log_sink());
    rs.sw.compfrag = 1;
    gencompletefrags(rs);
    findallneighbors(rs);
    set_up_atoms(rs.loop());
    int seen = 0;
    for (int h = 1; h <= rs.natom(); ++h) {
      if (rs.atom(h).iz != 1) continue;
      const int o = rs.nb.of[h].atom.at(0);
      int hydrogens = 0, metals = 0;
      for (const int n : rs.nb.of[o].atom) {
        hydrogens += rs.atom(n).iz == 1 ? 1 : 0;
        metals += is_metal(rs.atom(n).iz) ? 1 : 0;
      }
      if (rs.atom(o).iz != 8 || hydrogens != 2 || metals == 0) continue;
      ++seen;
      const Atom& a = rs.atom(h);
      const Atom& b = rs.atom(o);
      EXPECT_NEAR(std::hypot(a.xc - b.xc, a.yc - b.yc, a.zc - b.zc), 0.9584, 1e-3) << c.file << " " << a.label.trimmed();
    }
    EXPECT_EQ(seen, c.waters) << c.file;
  }
}

}  // namespace
}  // namespace vorn::test
