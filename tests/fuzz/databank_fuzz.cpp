// The databank matcher on an arbitrary databank: a handful of atoms (a
// hydrogen, carbons with and without a functional group, an oxygen, an atom
// without neighbours, a planar ring atom) are each searched in it, as the
// per-atom loop does, and the result is copied into the atom's records.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "databank/databank.hpp"
#include "fuzz_support.hpp"

using namespace vorn;

namespace {

struct Probe {
  int z;
  const char* label;
  const char* sitesym;
  std::vector<std::pair<int, int>> types;   // (atomic number, count)
  int lpg, rings, members;
  const char* group;                        // functional group, "" for none
  int hp, sp, hnei;                         // hydrogen: its parent
};

const std::vector<Probe>& probes() {
  static const std::vector<Probe> p = {
      {1, "H1", "cyl", {{6, 1}}, 1, 0, 0, "", 6, 4, 3},
      {1, "H2", "", {{8, 1}}, 1, 0, 0, "", 8, 2, 1},
      {6, "C1", "m", {{1, 1}, {6, 2}}, 1, 1, 6, "", 0, 0, 0},
      {6, "C2", "3m", {{1, 3}, {6, 1}}, 0, 0, 0, "", 0, 0, 0},
      {6, "C3", "m", {{6, 1}, {8, 2}}, 1, 0, 0, "COO-", 0, 0, 0},
      {8, "O1", "cyl", {{6, 1}}, 1, 0, 0, "", 0, 0, 0},
      {7, "N1", "NO", {}, 1, 0, 0, "", 0, 0, 0},
  };
  return p;
}

void search(test::TestRun& rs, const Probe& p) {
  Atom& a = rs.atom(0);
  a.label = p.label;
  a.atomic_number = p.z;
  a.sitesym = p.sitesym;
  a.occ = 1.0;
  a.scattering_type = 1;
  FoundNeighbours neighbours;
  int next = 1;
  for (const auto& [tz, n] : p.types) {
    NeighborType t;
    t.atomic_number = tz;
    for (int k = 0; k < n; ++k) {
      t.members.push_back(next);
      neighbours.atom.push_back(next++);
      neighbours.dist.push_back(1.0);
    }
    neighbours.types.push_back(t);
  }
  const PlanarRings ring{p.rings, p.members};
  rs.hydrogen_parents.of[0].atomic_number = p.hp;
  rs.hydrogen_parents.of[0].neighbour_count = p.sp;
  rs.hydrogen_parents.of[0].hydrogens = p.hnei;
  rs.groups.of[0].identified = p.group[0] != '\0';
  rs.groups.of[0].name = p.group;
  rs.kappa_sets.of[0].kappa_set = 1;
  const DatabankMatch entry = search_databank_with_neighbours(databank_source(rs), rs.model, rs.hydrogen_parents, rs.groups, rs.log_sink(), 0,
                                 DatabankQuery{neighbours, ring, p.lpg != 0});
  copy_databank_result(rs.atom(0), 0, rs.kappa_sets.of[0].kappa_set, entry, rs.populations, rs.kappas);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Run run;
  test::TestRun& rs = *run.rs;
  rs.model.natom = 1;
  rs.sw.use_databank = true;
  rs.sw.verbosity = 2;   // the candidate listings too
  rs.io.db.open_text(std::string(fuzz::as_text(data, size)));
  for (const Probe& p : probes()) {
    fuzz::guarded([&] { search(rs, p); });
  }
  return 0;
}
