#include "topology/bond_rules.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorn {

bool parts_may_bond(int part_a, int part_b, bool same_image) {
  if (part_a != 0 && part_b != 0 && part_a != part_b) return false;
  return !(part_a < 0 && part_a == part_b && !same_image);
}

int source_atom(const Model& md, int k) { return k >= md.natom ? md.atoms[k].copy_of : k; }

bool may_bond(const Model& md, int i, int j) {
  const Atom& a = md.atoms[i];
  const Atom& b = md.atoms[j];
  if (md.corrections.forbids(source_atom(md, i), source_atom(md, j))) return false;
  // Entries of the asymmetric unit stand in one image; a copy in another.
  if (a.part != 0 || b.part != 0) return parts_may_bond(a.part, b.part, (i >= md.natom) == (j >= md.natom));
  return !(a.occupancy_kind == OccupancyKind::disordered && b.occupancy_kind == OccupancyKind::disordered && std::fabs(static_cast<double>(a.occ) - static_cast<double>(b.occ)) > 0.01);
}

bool is_metal(int z) {
  // H, He, B, C, N, O, F, Ne, Si, P, S, Cl, Ar, Ge, As, Se, Br, Kr, Sb, Te,
  // I, Xe, At, Rn.
  static constexpr std::array<int, 24> non_metals{1, 2, 5, 6, 7, 8, 9, 10, 14, 15, 16, 17, 18, 32, 33, 34, 35, 36, 51, 52, 53, 54, 85, 86};
  if (z < 1) return false;
  return std::find(non_metals.begin(), non_metals.end(), z) == non_metals.end();
}

bool hydrogen_may_bridge(int z1, int z2) {
  auto bridgehead = [](int z) { return z == 5 || is_metal(z); };
  return bridgehead(z1) && bridgehead(z2);
}

std::vector<std::size_t> hydrogen_partners(const std::vector<int>& contact_elements) {
  std::vector<std::size_t> kept;
  if (contact_elements.empty()) return kept;
  kept.push_back(0);
  for (std::size_t k = 1; k < contact_elements.size(); ++k)
    if (hydrogen_may_bridge(contact_elements[0], contact_elements[k])) kept.push_back(k);
  return kept;
}

}  // namespace vorn
