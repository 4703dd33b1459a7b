#include "topology/bond_warnings.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/bond_rules.hpp"

namespace vorn {

namespace {

// The entries after `i` that may lie within `reach` of it, ascending.
std::vector<int> later_candidates(const IndexedAtoms& tab, int i, double reach) {
  const Vec3 p = cart(tab.model, i);
  std::vector<int> cand;
  if (direct_forms(tab.index) || !finite3(p)) {
    for (int j = i + 1; j < tab.entries(); ++j) cand.push_back(j);
    return cand;
  }
  for (const int j : entries_near(tab, p, reach))
    if (j > i) cand.push_back(j);
  return cand;
}

// Whether entries i and j are bonded to one common atom: their distance is
// then fixed by a bond angle, not a bond missed.
bool share_a_neighbour(const Neighbors& all, int i, int j) {
  const std::vector<int>& ni = all.of[i].atom;
  for (const int k : all.of[j].atom)
    if (std::find(ni.begin(), ni.end(), k) != ni.end()) return true;
  return false;
}

}  // namespace

void warn_doubtful_bonds(const IndexedAtoms& tab, const Neighbors& all, Log& log) {
  const Model& md = tab.model;
  for (int i = 0; i < md.natom; ++i) {
    if (!is_metal(md.atoms[i].atomic_number) || all.of[i].count() > 0) continue;
    warn(log,
         layout::format("(3a)", " WARNING: Metal atom ", md.atoms[i].label.trimmed(),
                        " has no bonded neighbour; RADII or the bond tolerance of TOLS can give it its bonds"),
         i);
  }
  if (!direct_forms(tab.index)) index_atoms(tab);
  double largest_covalent_radius = 0;
  for (int k = 0; k < tab.entries(); ++k) largest_covalent_radius = std::max(largest_covalent_radius, covalent_radius(tab.sw, tab.atom(k).atomic_number));
  // A contact and its symmetry copies are named once.
  auto source = [&](int k) { return k < md.natom ? k : md.atoms[k].copy_of; };
  std::set<std::tuple<int, int, long>> named;
  for (int i = 0; i < md.natom; ++i) {
    const Atom& a = tab.atom(i);
    const double ra = covalent_radius(tab.sw, a.atomic_number);
    const double reach = std::max(kUnresolvedDisorder, kNearBondFactor * (ra + largest_covalent_radius + tab.sw.tols.bond));
    for (const int j : later_candidates(tab, i, reach)) {
      const Atom& b = tab.atom(j);
      const double bond = ra + covalent_radius(tab.sw, b.atomic_number) + tab.sw.tols.bond;
      const double d = dist(a.cartesian[0], a.cartesian[1], a.cartesian[2], b.cartesian[0], b.cartesian[1], b.cartesian[2]);
      // Two atoms at one site (within 0.01 A) share it on purpose, as a
      // mixed-occupancy site does.
      if (d >= 0.01 && d < kUnresolvedDisorder && parts_may_bond(a.part, b.part, (i >= md.natom) == (j >= md.natom))) {
        const std::pair<int, int> pair = std::minmax({source(i), source(j)});
        if (named.emplace(pair.first, pair.second, std::lround(1000.0 * static_cast<double>(d))).second)
          warn(log,
               layout::format("(5a,f7.3,a)", " WARNING: ", a.label.trimmed(), " and ", b.label.trimmed(), " are ", d,
                              " Ang apart and no PART separates them: probably unresolved disorder"),
               i);
        continue;
      }
      if (!may_bond(md, i, j) || share_a_neighbour(all, i, j)) continue;
      if (!(d > bond && d <= kNearBondFactor * bond)) continue;
      const std::pair<int, int> pair = std::minmax({source(i), source(j)});
      if (!named.emplace(pair.first, pair.second, std::lround(1000.0 * static_cast<double>(d))).second) continue;
      warn(log,
           layout::format("(5a,f7.3,a,f7.3,a)", " WARNING: ", a.label.trimmed(), " and ", b.label.trimmed(), " are ", d,
                          " Ang apart, within 15 % of a bond (", bond, " Ang), and not bonded"),
           i);
    }
  }
}

}  // namespace vorn
