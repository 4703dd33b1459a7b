// Covalent neighbours: the single-atom search and the whole-structure table.
//
// The orders set here decide the local frames later: neighbours by distance
// (equal distances by entry index), types by atomic number, and inside a
// type by the member's own neighbour count and then distance.  Distances
// within kEqualDistance are equal, so that the choice among
// symmetry-equivalent atoms never rests on rounding; equal keys keep the
// order they had.
#include "topology/neighbors.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "layout/run_error.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/bond_rules.hpp"
#include "topology/bond_warnings.hpp"
#include "topology/cell_grid.hpp"

namespace vorn {

namespace {

// Exchange passes until a pass exchanges nothing; swap_needed(a, b) says
// whether the entry at a must move behind the entry at b (a < b).
template <class Swap, class Need>
void exchange_sort(int n, Need swap_needed, Swap do_swap) {
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (int k = 0; k + 1 < n; ++k) {
      if (swap_needed(k, k + 1)) {
        do_swap(k, k + 1);
        exchanged = true;
      }
    }
  }
}

// The "atoms : " line of a type listing: member labels, six to a line.
std::string type_members_line(const Model& md, const std::vector<int>& members) {
  std::vector<layout::Item> items;
  items.reserve(members.size());
  for (const int m : members) items.emplace_back(md.atoms[m].label.view());
  return layout::format_items("( 6x,'atoms : ', 6(a,1x), 100(/,14x,6(a,1x)) )", items);
}

// Two distances closer than this are one distance: symmetry-equivalent
// atoms reached through different operators differ only by rounding, and
// the choice among them must not rest on rounding.
constexpr double kEqualDistance = 1e-5;   // Angstrom

// Inside each run of distance-sorted entries whose neighbouring distances
// are equal (within kEqualDistance), orders the entries by entry index
// (the second of each pair).
void restore_order_of_ties(std::vector<std::pair<double, int>>& sorted) {
  std::size_t start = 0;
  for (std::size_t k = 1; k <= sorted.size(); ++k) {
    if (k < sorted.size() && sorted[k].first - sorted[k - 1].first < kEqualDistance) continue;
    if (k - start > 1)
      std::stable_sort(sorted.begin() + static_cast<std::ptrdiff_t>(start), sorted.begin() + static_cast<std::ptrdiff_t>(k),
                       [](const auto& p, const auto& q) { return p.second < q.second; });
    start = k;
  }
}

// Sorts a search's neighbours by distance; equal distances (symmetry
// equivalents) go by entry index, whichever order the search met them in.
void sort_by_distance(FoundNeighbours& ng) {
  std::vector<std::pair<double, int>> order(ng.atom.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = {ng.dist[k], ng.atom[k]};
  std::stable_sort(order.begin(), order.end(), [](const auto& p, const auto& q) { return p.first < q.first; });
  restore_order_of_ties(order);
  for (std::size_t k = 0; k < order.size(); ++k) {
    ng.dist[k] = order[k].first;
    ng.atom[k] = order[k].second;
  }
}

// Groups the distance-sorted neighbours of a search into types and sorts
// the types by atomic number.
void group_types(const Model& md, FoundNeighbours& ng) {
  ng.types.clear();
  for (const int b : ng.atom) {
    const int z = md.atoms[b].atomic_number;
    bool placed = false;
    for (NeighborType& t : ng.types) {
      if (t.atomic_number == z) {
        t.members.push_back(b);
        placed = true;
        break;
      }
    }
    if (!placed) ng.types.push_back(NeighborType{z, {b}});
  }
  exchange_sort(
      ng.type_count(), [&](int a, int b) { return ng.types[static_cast<std::size_t>(b)].atomic_number < ng.types[static_cast<std::size_t>(a)].atomic_number; },
      [&](int a, int b) { std::swap(ng.types[static_cast<std::size_t>(a)], ng.types[static_cast<std::size_t>(b)]); });
}

void write_heading(std::ostream& os, const Model& md, int atom, double rmax, int count) {
  const std::string_view name = md.atoms[atom].label.trimmed();
  if (rmax <= 0)
    layout::write(os, "(/1x,'Covalently-bonded neighbors to ',a,' = ',i4,/)", name, count);
  else
    layout::write(os, "(/1x,'Neighbors of ',a,' within ',f7.3,' Ang = ',i4,/)", name, rmax, count);
  layout::write(os, "(5x,'i',7x,'n',5x,'r(Ang)',4x,'atom',7x,'occ')");
}

void write_row(std::ostream& os, const Model& md, int ordinal, int b, double d) {
  layout::write(os, "(i6,i8,2x,f9.3,4x,a,2x,f7.4)", ordinal, b + 1, d, md.atoms[b].label, md.atoms[b].occ);
}

// Distance from the atom to candidate b when b may be its neighbour: two
// disordered atoms bond only inside one occupancy component, and b must lie
// within the cutoff (rmax, or the sum of covalent radii and the bond
// tolerance) and no closer than 0.5 A.  Returns false otherwise.
bool in_reach(const IndexedAtoms& tab, int atom, double ra, double rmax, int b, double& d) {
  const Atom& a = tab.atom(atom);
  const Atom& at = tab.atom(b);
  if (!may_bond(tab.model, atom, b)) return false;
  d = dist(a.cartesian[0], a.cartesian[1], a.cartesian[2], at.cartesian[0], at.cartesian[1], at.cartesian[2]);
  const double cutoff = rmax > 0 ? rmax : ra + covalent_radius(tab.sw, at.atomic_number) + tab.sw.tols.bond;
  return !(d > cutoff || d < kMinBondLength);
}

// Whether an entry among `entries` for which accepted(c) holds lies within
// 0.01 A of b.
template <class Accepted>
bool shares_site(const IndexedAtoms& tab, int b, const std::vector<int>& entries, Accepted accepted) {
  const Atom& at = tab.atom(b);
  for (const int c : entries) {
    if (!accepted(c)) continue;
    const Atom& ac = tab.atom(c);
    if (dist(at.cartesian[0], at.cartesian[1], at.cartesian[2], ac.cartesian[0], ac.cartesian[1], ac.cartesian[2]) < 0.01) return true;
  }
  return false;
}

// No crystal packs more than about 0.2 atoms into a cubic Angstrom
// (diamond 0.18); disordered parts overlaid on one another add a few per
// site.  A search that meets more than 2 per cubic Angstrom around its
// atom, beyond what a few sites hold, has found a pile of copies, which no
// refinement can use and whose searches would cost as the square of its
// size.
constexpr double kMostAtomsPerCubicAngstrom = 2.0;
constexpr int kAtomsOfAFewSites = 24;

std::string trimmed_number(const std::string& field) { return field.substr(std::min(field.find_first_not_of(' '), field.size())); }

// The most atoms a search may meet within r Angstrom of its atom.
double most_atoms_within(double r) {
  constexpr double kPi = 3.14159265358979323846;
  return kAtomsOfAFewSites + kMostAtomsPerCubicAngstrom * 4.0 / 3.0 * kPi * r * r * r;
}

// Adds b at distance d to the search result, `farthest` being the largest
// distance accepted so far; stops on a pile of atoms.  Both forms of the
// search accept the same atoms in the same order, so they stop alike.
void accept(const IndexedAtoms& tab, FoundNeighbours& ng, int atom, int b, double d, double& farthest, int& disordered) {
  if (d > farthest) farthest = d;
  if (ng.count() + 1 > most_atoms_within(farthest)) {
    fail("GetNei", "Atom " + std::to_string(atom + 1) + " " + std::string(tab.atom(atom).label.trimmed()) + ": " +
                       std::to_string(ng.count() + 1) + " atoms within " + trimmed_number(layout::format("(f9.2)", farthest)) +
                       " Angstrom, more than " + layout::listed(static_cast<double>(kMostAtomsPerCubicAngstrom)).substr(1) +
                       " per cubic Angstrom; are many atoms piled on one site?" + where_read(tab.model, atom));
  }
  ng.atom.push_back(b);
  ng.dist.push_back(d);
  if (tab.atom(b).occupancy_kind == OccupancyKind::disordered) disordered = 1;
}

}  // namespace

namespace {

FoundNeighbours search_contacts_direct(const IndexedAtoms& tab, int atom, double rmax, int& disordered) {
  FoundNeighbours ng;
  double farthest = 0;
  disordered = 0;
  const Atom& a = tab.atom(atom);
  const double ra = covalent_radius(tab.sw, a.atomic_number);
  bool nan_distance = false;
  for (int b = 0; b < tab.entries(); ++b) {
    double d = 0;
    if (b == atom || !in_reach(tab, atom, ra, rmax, b, d)) continue;
    // Two candidates at one site: the first in the table wins.
    if (shares_site(tab, b, ng.atom, [](int) { return true; })) continue;
    accept(tab, ng, atom, b, d, farthest, disordered);
    if (std::isnan(d)) nan_distance = true;
  }
  if (!nan_distance) {
    sort_by_distance(ng);
    return ng;
  }
  exchange_sort(
      ng.count(), [&](int i, int j) { return ng.dist[static_cast<std::size_t>(i)] > ng.dist[static_cast<std::size_t>(j)]; },
      [&](int i, int j) {
        std::swap(ng.dist[static_cast<std::size_t>(i)], ng.dist[static_cast<std::size_t>(j)]);
        std::swap(ng.atom[static_cast<std::size_t>(i)], ng.atom[static_cast<std::size_t>(j)]);
      });
  return ng;
}

// The search of search_contacts_direct over the candidates that the cell lists
// propose: the same tests in the same (table) order, so the same atoms are
// accepted in the same order.
FoundNeighbours search_neighbours_indexed(const IndexedAtoms& tab, int atom, double rmax, int& disordered) {
  FoundNeighbours ng;
  double farthest = 0;
  disordered = 0;
  const Atom& a = tab.atom(atom);
  const double ra = covalent_radius(tab.sw, a.atomic_number);
  AtomIndex& x = atom_index(tab);
  const double reach = rmax > 0 ? rmax : ra + x.largest_covalent_radius + tab.sw.tols.bond;
  const std::vector<int>& cand = entries_near(tab, cart(tab.model, atom), reach);
  const int search = ++x.search;
  bool nan_distance = false;
  for (const int b : cand) {
    double d = 0;
    if (b == atom || !in_reach(tab, atom, ra, rmax, b, d)) continue;
    // Duplicate site: a few accepted neighbours are compared one by one,
    // many through the cell lists (only accepted entries count).  An entry
    // with no other entry within 0.01 A cannot share a site at all.
    const Vec3 pb = cart(tab.model, b);
    if (x.twin[static_cast<std::size_t>(b)] != 0) {
      if (ng.count() < 16 || !finite3(pb)) {
        if (shares_site(tab, b, ng.atom, [](int) { return true; })) continue;
      } else {
        x.grid.candidates(pb, 0.01, x.near);
        if (shares_site(tab, b, x.near, [&](int c) { return x.stamp[static_cast<std::size_t>(c)] == search; })) continue;
      }
    }
    accept(tab, ng, atom, b, d, farthest, disordered);
    x.stamp[static_cast<std::size_t>(b)] = search;
    if (std::isnan(d)) nan_distance = true;
  }
  if (nan_distance) {
    exchange_sort(
        ng.count(), [&](int i, int j) { return ng.dist[static_cast<std::size_t>(i)] > ng.dist[static_cast<std::size_t>(j)]; },
        [&](int i, int j) {
          std::swap(ng.dist[static_cast<std::size_t>(i)], ng.dist[static_cast<std::size_t>(j)]);
          std::swap(ng.atom[static_cast<std::size_t>(i)], ng.atom[static_cast<std::size_t>(j)]);
        });
    return ng;
  }
  sort_by_distance(ng);
  return ng;
}

using ContactSearch = FoundNeighbours (*)(const IndexedAtoms&, int, double, int&);

// The contacts a hydrogen keeps as bonds (nearest first): see
// hydrogen_partners.
std::vector<int> hydrogen_bonded(const IndexedAtoms& tab, const FoundNeighbours& contacts) {
  std::vector<int> elements;
  for (const int b : contacts.atom) elements.push_back(tab.atom(b).atomic_number);
  std::vector<int> kept;
  for (const std::size_t k : hydrogen_partners(elements)) kept.push_back(contacts.atom[k]);
  return kept;
}

// A covalent search with the hydrogen rule applied: a hydrogen keeps its
// nearest contact (and bridged boron or metal atoms), and an atom keeps a
// hydrogen contact only when the hydrogen keeps it, so that the bonds stay
// symmetric.  Other searches are returned as they are.
FoundNeighbours apply_hydrogen_rule(const IndexedAtoms& tab, int atom, double rmax, FoundNeighbours ng, int& disordered, ContactSearch contacts) {
  if (rmax > 0) return ng;
  std::vector<char> keep(ng.atom.size(), 1);
  if (tab.atom(atom).atomic_number == 1) {
    const std::vector<int> kept = hydrogen_bonded(tab, ng);
    for (std::size_t k = 0; k < ng.atom.size(); ++k) {
      const int b = ng.atom[k];
      keep[k] = std::find(kept.begin(), kept.end(), b) != kept.end() ? 1 : 0;
      // Two hydrogens bond only when each is the other's nearest contact.
      if (keep[k] == 1 && tab.atom(b).atomic_number == 1) {
        int ignored = 0;
        const std::vector<int> theirs = hydrogen_bonded(tab, contacts(tab, b, rmax, ignored));
        keep[k] = std::find(theirs.begin(), theirs.end(), atom) != theirs.end() ? 1 : 0;
      }
    }
  } else {
    for (std::size_t k = 0; k < ng.atom.size(); ++k) {
      const int h = ng.atom[k];
      if (tab.atom(h).atomic_number != 1) continue;
      int ignored = 0;
      const std::vector<int> kept = hydrogen_bonded(tab, contacts(tab, h, rmax, ignored));
      keep[k] = std::find(kept.begin(), kept.end(), atom) != kept.end() ? 1 : 0;
    }
  }
  if (std::find(keep.begin(), keep.end(), 0) == keep.end()) return ng;
  FoundNeighbours kept;
  disordered = 0;
  for (std::size_t k = 0; k < ng.atom.size(); ++k) {
    if (keep[k] == 0) continue;
    kept.atom.push_back(ng.atom[k]);
    kept.dist.push_back(ng.dist[k]);
    if (tab.atom(ng.atom[k]).occupancy_kind == OccupancyKind::disordered) disordered = 1;
  }
  return kept;
}

FoundNeighbours search_contacts(const IndexedAtoms& tab, int atom, double rmax, int& disordered) {
  if (direct_forms(tab.index) || !finite3(cart(tab.model, atom)))
    return search_contacts_direct(tab, atom, rmax, disordered);
  return search_neighbours_indexed(tab, atom, rmax, disordered);
}

}  // namespace

FoundNeighbours search_neighbours_direct(const IndexedAtoms& tab, int atom, double rmax, int& disordered) {
  return apply_hydrogen_rule(tab, atom, rmax, search_contacts_direct(tab, atom, rmax, disordered), disordered,
                             search_contacts_direct);
}

FoundNeighbours search_neighbours(const IndexedAtoms& tab, int atom, double rmax, int& disordered) {
  return apply_hydrogen_rule(tab, atom, rmax, search_contacts(tab, atom, rmax, disordered), disordered, search_contacts);
}

bool keeps_hydrogen_bond(const IndexedAtoms& tab, int h, int other) {
  if (tab.atom(h).atomic_number != 1) return true;
  int ignored = 0;
  const std::vector<int> kept = hydrogen_bonded(tab, search_contacts(tab, h, 0.0, ignored));
  return std::find(kept.begin(), kept.end(), other) != kept.end();
}

FoundNeighbours find_neighbours(const IndexedAtoms& tab, Log& log, int atom, double rmax, SearchListing listing) {
  int disordered = 0;
  FoundNeighbours ng = search_neighbours(tab, atom, rmax, disordered);
  group_types(tab.model, ng);
  if (listing != SearchListing::logged) return ng;
  std::ostream& os = log.log();
  write_heading(os, tab.model, atom, rmax, ng.count());
  for (int k = 0; k < ng.count(); ++k)
    write_row(os, tab.model, k + 1, ng.atom[static_cast<std::size_t>(k)], ng.dist[static_cast<std::size_t>(k)]);
  if (disordered == 1) layout::write(os, "(/4x,'Note : at least 1 neighbor is disordered')");
  if (!log.shows(2)) return ng;
  layout::write(os, "(/4x,a,i4,a)", "There is(are) ", ng.type_count(), " atom type(s) among neighbors");
  for (int t = 0; t < ng.type_count(); ++t) {
    const NeighborType& ty = ng.types[static_cast<std::size_t>(t)];
    layout::write(os, "(/4x,a,i4)", "Type = ", t + 1);
    layout::write(os, "( 4x,a,i4)", "  atomic number = ", ty.atomic_number);
    layout::write(os, "( 4x,a,i4)", "  neighbors of this type = ", ty.count());
    os << type_members_line(tab.model, ty.members) << '\n';
  }
  return ng;
}

int nearest_neighbor(const IndexedAtoms& tab, int atom, double rmax, const std::function<bool(int)>& accept) {
  auto first_accepted = [&](const FoundNeighbours& ng) {
    for (const int b : ng.atom)
      if (accept(b)) return b;
    return -1;
  };
  if (!direct_forms(tab.index) && finite3(cart(tab.model, atom))) {
    for (double r = 2.5; r < rmax; r *= 2.0) {
      int disordered = 0;
      const FoundNeighbours ng = search_neighbours_indexed(tab, atom, r, disordered);
      // Entries of the sphere that may share a site with another entry,
      // or lie at no distance at all, can change what the whole search
      // keeps inside the sphere: only the whole search is sure then.
      const AtomIndex& x = tab.index;
      bool sure = true;
      for (std::size_t k = 0; k < ng.atom.size() && sure; ++k)
        sure = x.twin[static_cast<std::size_t>(ng.atom[k])] == 0 && !std::isnan(ng.dist[k]);
      if (!sure) break;
      // Every entry within r precedes, in the whole list, every entry
      // beyond it: an answer inside the sphere is the whole list's answer.
      const int b = first_accepted(ng);
      if (b >= 0) return b;
    }
  }
  int disordered = 0;
  return first_accepted(search_neighbours(tab, atom, rmax, disordered));
}

namespace {

// The entries j > i that lie closer than the shortest bond to entry i and
// would otherwise pass the covalent criterion, ascending.
std::vector<int> split_sites_of(const IndexedAtoms& tab, int i) {
  const Atom& a = tab.atom(i);
  const Vec3 pa = cart(tab.model, i);
  std::vector<int> cand;
  if (direct_forms(tab.index) || !finite3(pa)) {
    for (int j = i + 1; j < tab.entries(); ++j) cand.push_back(j);
  } else {
    cand = entries_near(tab, pa, kMinBondLength);
  }
  std::vector<int> close;
  for (const int j : cand) {
    if (j <= i) continue;
    const Atom& b = tab.atom(j);
    if (!may_bond(tab.model, i, j)) continue;
    if (dist(a.cartesian[0], a.cartesian[1], a.cartesian[2], b.cartesian[0], b.cartesian[1], b.cartesian[2]) < kMinBondLength) close.push_back(j);
  }
  return close;
}

// A bond stands in both atoms' tables or in neither: a contact that only
// one side accepted (one of two candidates at one site, say) is dropped.
void keep_mutual_bonds(const Model& md, Neighbors& all) {
  const int n = static_cast<int>(all.of.size());
  for (int i = 0; i < n; ++i) {
    AtomNeighbors& nb = all.of[i];
    FoundNeighbours kept;
    for (std::size_t k = 0; k < nb.atom.size(); ++k) {
      const std::vector<int>& back = all.of[nb.atom[k]].atom;
      if (std::find(back.begin(), back.end(), i) == back.end()) continue;
      kept.atom.push_back(nb.atom[k]);
      kept.dist.push_back(nb.dist[k]);
    }
    if (kept.atom.size() == nb.atom.size()) continue;
    group_types(md, kept);
    nb.atom = std::move(kept.atom);
    nb.dist = std::move(kept.dist);
    nb.types = std::move(kept.types);
  }
}

// Puts entry b, at distance d, into entry a's table in its place by
// distance (nothing when it is there already).
void insert_bond(const Model& md, AtomNeighbors& nb, int b, double d) {
  if (std::find(nb.atom.begin(), nb.atom.end(), b) != nb.atom.end()) return;
  FoundNeighbours ng;
  ng.atom = std::move(nb.atom);
  ng.dist = std::move(nb.dist);
  const auto at = static_cast<std::size_t>(std::upper_bound(ng.dist.begin(), ng.dist.end(), d) - ng.dist.begin());
  ng.atom.insert(ng.atom.begin() + static_cast<std::ptrdiff_t>(at), b);
  ng.dist.insert(ng.dist.begin() + static_cast<std::ptrdiff_t>(at), d);
  group_types(md, ng);
  nb.atom = std::move(ng.atom);
  nb.dist = std::move(ng.dist);
  nb.types = std::move(ng.types);
}

// The bonds that BOND lines force: every entry of either atom is bonded to
// the nearest entry of the other (the atom or a symmetry copy in the
// table), in both tables, whatever the distance.
void add_forced_bonds(const Model& md, Neighbors& all, Log& log) {
  const int n = static_cast<int>(all.of.size());
  for (const BondCorrection& c : md.corrections.forced) {
    for (const auto& [from, to] : {std::pair{c.first, c.second}, std::pair{c.second, c.first}}) {
      for (int e = 0; e < n; ++e) {
        if (source_atom(md, e) != from) continue;
        int best = -1;
        double nearest = 0;
        for (int k = 0; k < n; ++k) {
          if (k == e || source_atom(md, k) != to) continue;
          const double d = dist(cart(md, k), cart(md, e));
          if (best < 0 || d < nearest) best = k, nearest = d;
        }
        if (best < 0) continue;
        insert_bond(md, all.of[e], best, nearest);
        insert_bond(md, all.of[best], e, nearest);
        if (e == from)
          to_log(log, layout::format("(/a)", " Bond forced by BOND (vorn.inp, line " + std::to_string(c.line) + ") : " +
                                                 std::string(md.atoms[e].label.trimmed()) + " - " +
                                                 std::string(md.atoms[best].label.trimmed()) +
                                                 layout::format("(f8.3)", nearest) + " Ang"));
      }
    }
  }
}

}  // namespace

void write_contacts_not_bonded(const IndexedAtoms& tab, const Neighbors& all, std::ostream& os) {
  const Model& md = tab.model;
  bool headed = false;
  for (int i = 0; i < tab.entries(); ++i) {
    const Atom& a = tab.atom(i);
    for (const int j : split_sites_of(tab, i)) {
      if (!headed) layout::write(os, "(/a)", " Sites closer than 0.5 Ang, taken as one site and not bonded :");
      headed = true;
      const Atom& b = tab.atom(j);
      layout::write(os, "(5x,a,2x,a,f9.3,' Ang')", a.label, b.label, dist(a.cartesian[0], a.cartesian[1], a.cartesian[2], b.cartesian[0], b.cartesian[1], b.cartesian[2]));
    }
  }
  headed = false;
  for (int h = 0; h < tab.entries(); ++h) {
    if (md.atoms[h].atomic_number != 1) continue;
    int ignored = 0;
    const FoundNeighbours contacts = search_contacts(tab, h, 0.0, ignored);
    const std::vector<int>& bonded = all.of[h].atom;
    for (std::size_t k = 0; k < contacts.atom.size(); ++k) {
      const int b = contacts.atom[k];
      if (std::find(bonded.begin(), bonded.end(), b) != bonded.end()) continue;
      if (!headed) layout::write(os, "(/a)", " Hydrogen bonds (a hydrogen is bonded to its nearest neighbour only) :");
      headed = true;
      layout::write(os, "(5x,a,2x,a,f9.3,' Ang')", md.atoms[h].label, md.atoms[b].label, contacts.dist[k]);
    }
  }
}

Neighbors find_all_neighbours(const IndexedAtoms& tab, Log& log) {
  to_log(log, std::string(79, '-'));
  to_both(log, layout::format("(/' IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM')"));
  const int n = tab.entries();
  const Model& md = tab.model;
  Neighbors all(n);
  if (!direct_forms(tab.index)) index_atoms(tab);
  for (int i = 0; i < n; ++i) {
    FoundNeighbours ng = find_neighbours(tab, log, i, 0.0, SearchListing::silent);
    AtomNeighbors& nb = all.of[i];
    nb.atom = std::move(ng.atom);
    nb.dist = std::move(ng.dist);
    nb.types = std::move(ng.types);
  }
  keep_mutual_bonds(md, all);
  add_forced_bonds(md, all, log);

  write_contacts_not_bonded(tab, all, log.log());
  warn_doubtful_bonds(tab, all, log);

  std::ostream& os = log.log();
  layout::write(os, "(/,' Printout of neighbors of all atoms sorted by ',/,4X,'1) atomic number (descending)',/,"
                    "4X,'2) hybridization ( ascending)',/,4X,'3) distance      ( ascending)')");
  for (int i = 0; i < n; ++i) {
    layout::write(os, "(/a,i6,3a)", " Atom #", i + 1, " = ", md.atoms[i].label, " :");
    AtomNeighbors& nb = all.of[i];
    const Atom& a = md.atoms[i];
    for (int t = nb.type_count() - 1; t >= 0; --t) {
      std::vector<int>& mem = nb.types[static_cast<std::size_t>(t)].members;
      auto hyb = [&](int k) { return all.of[mem[static_cast<std::size_t>(k)]].count(); };
      auto dst = [&](int k) {
        const Atom& b = md.atoms[mem[static_cast<std::size_t>(k)]];
        return dist(a.cartesian[0], a.cartesian[1], a.cartesian[2], b.cartesian[0], b.cartesian[1], b.cartesian[2]);
      };
      if (mem.size() >= 2) {
        exchange_sort(
            static_cast<int>(mem.size()),
            [&](int p, int q) { return hyb(p) > hyb(q) || (hyb(p) == hyb(q) && dst(p) > dst(q) + kEqualDistance); },
            [&](int p, int q) { std::swap(mem[static_cast<std::size_t>(p)], mem[static_cast<std::size_t>(q)]); });
      }
      for (int k = 0; k < static_cast<int>(mem.size()); ++k) {
        const int b = mem[static_cast<std::size_t>(k)];
        layout::write(os, "(5x,2i4,f11.3,i8,3x,a)", md.atoms[b].atomic_number, hyb(k), dst(k), b + 1, md.atoms[b].label);
      }
    }
  }
  return all;
}

std::vector<int> neighbours_by_type(const Neighbors& all, int atom) {
  const AtomNeighbors& nb = all.of[atom];
  std::vector<int> sorted;
  for (int t = nb.type_count() - 1; t >= 0; --t)
    for (const int m : nb.types[static_cast<std::size_t>(t)].members) sorted.push_back(m);
  if (static_cast<int>(sorted.size()) != nb.count()) fail("SortNei", "l.ne.nnei(k)");
  return sorted;
}

void write_neighbours(const Model& md, const Neighbors& all, int atom, bool with_types, std::ostream& os) {
  const AtomNeighbors& nb = all.of[atom];
  write_heading(os, md, atom, 0.0, nb.count());
  for (int k = 0; k < nb.count(); ++k)
    write_row(os, md, k + 1, nb.atom[static_cast<std::size_t>(k)], nb.dist[static_cast<std::size_t>(k)]);
  if (!with_types) return;
  layout::write(os, "(/4x,'There is(are) ',i4,' atom type(s) among neighbors')", nb.type_count());
  for (int t = 0; t < nb.type_count(); ++t) {
    const NeighborType& ty = nb.types[static_cast<std::size_t>(t)];
    os << '\n';
    layout::write(os, "(4x,a,i4)", "Type = ", t + 1);
    layout::write(os, "(4x,a,i4)", "  atomic number = ", ty.atomic_number);
    layout::write(os, "(4x,a,i4)", "  neighbors of this type = ", ty.count());
    os << type_members_line(md, ty.members) << '\n';
  }
}

std::vector<int> neighbours_and_self(const Neighbors& all, int atom) {
  std::vector<int> list = all.of[atom].atom;
  list.push_back(atom);
  return list;
}

}  // namespace vorn
