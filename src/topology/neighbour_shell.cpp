#include "topology/neighbour_shell.hpp"

#include <algorithm>
#include <unordered_map>

namespace vorn {

int bonded_hydrogens(const Neighbors& all, int atom) {
  const AtomNeighbors& nb = all.of[atom];
  return nb.type_count() > 0 && nb.types[0].atomic_number == 1 ? nb.types[0].count() : 0;
}

std::vector<NeighbourKind> neighbour_shell(const Model& md, const Neighbors& all, int atom) {
  std::vector<NeighbourKind> shell;
  for (const int b : all.of[atom].atom) shell.push_back({md.atoms[b].atomic_number, bonded_hydrogens(all, b), all.of[b].count()});
  std::sort(shell.begin(), shell.end());
  return shell;
}

bool in_ring(const Neighbors& all, int atom, int max_size) {
  for (const int start : all.of[atom].atom) {
    // Breadth first from the neighbour, the bond back to the atom left out;
    // a path of max_size - 1 bonds closes a ring of max_size atoms.
    std::unordered_map<int, int> depth{{start, 0}};
    std::vector<int> layer{start};
    for (int d = 1; d < max_size && !layer.empty(); ++d) {
      std::vector<int> next;
      for (const int x : layer) {
        for (const int y : all.of[x].atom) {
          if (y == atom) {
            if (x != start) return true;
            continue;
          }
          if (depth.emplace(y, d).second) next.push_back(y);
        }
      }
      layer = std::move(next);
    }
  }
  return false;
}

}  // namespace vorn
