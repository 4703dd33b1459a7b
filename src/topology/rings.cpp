// Ring search.  Open (terminal) atoms are removed from the connectivity
// table cycle by cycle until every atom left has at least two connections;
// a single walk over the directed connections of what is left then finds
// each ring as a closure of the walk path.
#include "topology/rings.hpp"

#include <algorithm>
#include <string>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"
#include "topology/bond_rules.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"
#include "topology/smallest_rings.hpp"

namespace vorn {

namespace {

std::size_t at(int pos) { return static_cast<std::size_t>(pos); }

const Atom& table_atom(const RingSearch& search, const ReducedTable& t, int pos) { return search.tab.atom(t.atom[at(pos)]); }

// Exchanges reduced positions 0 and j: their atoms, their connection lists,
// and every reference to either position in the table.
void swap_positions(ReducedTable& t, int j) {
  std::swap(t.atom[0], t.atom[at(j)]);
  std::swap(t.conn[0], t.conn[at(j)]);
  for (std::vector<int>& conn : t.conn)
    for (int& c : conn) {
      if (c == 0)
        c = j;
      else if (c == j)
        c = 0;
    }
}

}  // namespace

namespace {

// Connects reduced position a to position b when they are bonded.
void connect_if_bonded(const RingSearch& search, ReducedTable& t, int a, int b, double ra, std::vector<int>& conn) {
  const Atom& aa = table_atom(search, t, a);
  const Atom& bt = table_atom(search, t, b);
  const double d = dist(aa.cartesian[0], aa.cartesian[1], aa.cartesian[2], bt.cartesian[0], bt.cartesian[1], bt.cartesian[2]);
  if (d > ra + covalent_radius(search.tab.sw, bt.atomic_number) + search.tab.sw.tols.bond) return;
  // The bonds of the neighbour table: no split sites, and a hydrogen only
  // to the partners it keeps.
  const int atom_a = t.atom[at(a)], atom_b = t.atom[at(b)];
  if (d < kMinBondLength || !may_bond(search.tab.model, atom_a, atom_b)) return;
  if (!keeps_hydrogen_bond(search.tab, atom_a, atom_b) || !keeps_hydrogen_bond(search.tab, atom_b, atom_a))
    return;
  conn.push_back(b);
}

// Keeps, in table order, the atoms with more than one connection.
void compact_table(const RingSearch& search, ReducedTable& t, int cycle, int& remaining) {
  if (cycle == 0 && search.log.shows(3)) write_connectivity(search.tab.model, t, search.log.log());
  std::size_t kept = 0;
  for (std::size_t a = 0; a < t.atom.size(); ++a) {
    if (t.conn[a].size() <= 1) continue;
    if (kept != a) {
      t.atom[kept] = t.atom[a];
      t.conn[kept] = std::move(t.conn[a]);
    }
    ++kept;
  }
  // The table keeps its size until the cycle is logged; the caller cuts it.
  for (std::size_t a = kept; a < t.conn.size(); ++a) t.conn[a].clear();
  remaining = static_cast<int>(kept);
}

}  // namespace

void eliminate(const RingSearch& search, ReducedTable& t, int cycle, int& remaining) {
  t.conn.resize(t.atom.size());
  if (direct_forms(search.tab.index)) {
    eliminate_direct(search, t, cycle, remaining);
    return;
  }
  AtomIndex& x = atom_index(search.tab);
  std::vector<int> pos(static_cast<std::size_t>(search.tab.entries()), -1);
  // Reduced position of every entry of the atom table (-1: not in the table).
  for (int a = 0; a < t.count(); ++a) pos[static_cast<std::size_t>(t.atom[at(a)])] = a;
  std::vector<int> cand;
  for (int a = 0; a < t.count(); ++a) {
    std::vector<int>& conn = t.conn[at(a)];
    conn.clear();
    const Atom& atom = table_atom(search, t, a);
    if (atom.occupancy_kind == OccupancyKind::disordered) continue;
    const double ra = covalent_radius(search.tab.sw, atom.atomic_number);
    const Vec3 pa{atom.cartesian[0], atom.cartesian[1], atom.cartesian[2]};
    if (!finite3(pa)) {
      for (int b = 0; b < t.count(); ++b)
        if (b != a) connect_if_bonded(search, t, a, b, ra, conn);
      continue;
    }
    // The candidates in table order, as the scan of every position meets them.
    cand.clear();
    for (const int k : entries_near(search.tab, pa, ra + x.largest_covalent_radius + search.tab.sw.tols.bond)) {
      const int b = pos[static_cast<std::size_t>(k)];
      if (b >= 0 && b != a) cand.push_back(b);
    }
    std::sort(cand.begin(), cand.end());
    for (const int b : cand) connect_if_bonded(search, t, a, b, ra, conn);
  }
  compact_table(search, t, cycle, remaining);
}

void eliminate_direct(const RingSearch& search, ReducedTable& t, int cycle, int& remaining) {
  t.conn.resize(t.atom.size());
  for (int a = 0; a < t.count(); ++a) {
    std::vector<int>& conn = t.conn[at(a)];
    conn.clear();
    const Atom& atom = table_atom(search, t, a);
    // A disordered atom is never part of a ring.
    if (atom.occupancy_kind == OccupancyKind::disordered) continue;
    const double ra = covalent_radius(search.tab.sw, atom.atomic_number);
    for (int b = 0; b < t.count(); ++b)
      if (b != a) connect_if_bonded(search, t, a, b, ra, conn);
  }
  compact_table(search, t, cycle, remaining);
}

void write_connectivity(const Model& md, const ReducedTable& t, std::ostream& os) {
  for (int a = 0; a < t.count(); ++a) {
    // Positions are listed from 1.
    std::vector<layout::Item> items{layout::to_item(a + 1), layout::to_item(md.atoms[t.atom[at(a)]].label.view())};
    for (const int c : t.conn[at(a)]) items.emplace_back(md.atoms[t.atom[at(c)]].label.view());
    os << layout::format_items("(i7,1x,a8,' -',10(1x,a8))", items) << '\n';
  }
}

void build_reduced_table(const RingSearch& search, ReducedTable& t) {
  if (!direct_forms(search.tab.index)) index_atoms(search.tab);
  t.atom.resize(static_cast<std::size_t>(search.tab.entries()));
  for (std::size_t a = 0; a < t.atom.size(); ++a) t.atom[a] = static_cast<int>(a);
  t.conn.assign(t.atom.size(), {});
  to_log(search.log, std::string(80, '-'));
  to_both(search.log, layout::format("(/' CREATING CONNECTIVITY TABLE AND ELIMINATING OPEN ATOMS')"));
  for (int cycle = 0;; ++cycle) {
    to_both(search.log, layout::format("(/' **** ELIMINATION CYCLE =',i5,5x,'NUMBER OF ATOMS =',i7)", cycle, t.count()));
    int remaining = 0;
    eliminate(search, t, cycle, remaining);
    const int removed = t.count() - remaining;
    to_both(search.log, layout::format("(8x,'NUMBER OF ATOMS REMOVED FROM THE TABLE = ',i7)", removed));
    t.atom.resize(static_cast<std::size_t>(remaining));
    t.conn.resize(static_cast<std::size_t>(remaining));
    if (removed < 1) break;
  }
  if (search.log.shows(2)) {
    to_log(search.log, layout::format("(/a)", " CONNECTIVITY TABLE AFTER THE FINAL ELIMINATION CYCLE :"));
    write_connectivity(search.tab.model, t, search.log.log());
  }
}

int next_unwalked_connection(ReducedTable& t, int previous, int current) {
  const std::vector<int>& conn = t.conn[at(current)];
  std::vector<bool>& open = t.unwalked[at(current)];
  for (std::size_t k = 0; k < conn.size(); ++k) {
    if (open[k] && conn[k] != previous) {
      open[k] = false;
      return conn[k];
    }
  }
  return -1;
}

bool back_to_last_choice_point(const ReducedTable& t, std::vector<int>& path) {
  for (int n = static_cast<int>(path.size()) - 1; n >= 1; --n) {
    const int a = path[static_cast<std::size_t>(n - 1)];
    if (t.conn[at(a)].size() <= 2) continue;
    const std::vector<bool>& open = t.unwalked[at(a)];
    if (std::find(open.begin(), open.end(), true) != open.end()) {
      path.resize(static_cast<std::size_t>(n));
      return true;
    }
  }
  return false;
}

bool start_walk_at_unreached_atom(ReducedTable& t, std::vector<int>& path) {
  int from = 0;
  return start_walk_at_unreached_atom(t, path, from);
}

bool start_walk_at_unreached_atom(ReducedTable& t, std::vector<int>& path, int& from) {
  path.clear();
  for (int a = std::max(from, 0); a < t.count(); from = ++a) {
    if (t.reached[at(a)] || t.conn[at(a)].empty()) continue;
    if (!t.unwalked[at(a)][0]) fail("CheckVisited", "Internal error");
    t.unwalked[at(a)][0] = false;
    const int b = t.conn[at(a)][0];
    t.reached[at(a)] = true;
    t.reached[at(b)] = true;
    path = {a, b};
    return true;
  }
  return false;
}

bool ring_is_stored(const Rings& rings, const std::vector<int>& members) {
  std::vector<int> mine = members;
  std::sort(mine.begin(), mine.end());
  if (rings.known.size() == rings.list.size()) return rings.known.count(mine) != 0;
  for (const Ring& r : rings.list) {
    if (r.size() != static_cast<int>(members.size())) continue;
    std::vector<int> theirs = r.members;
    std::sort(theirs.begin(), theirs.end());
    if (theirs == mine) return 1;
  }
  return 0;
}

void store_if_new_ring(const RingSearch& search, const ReducedTable& t, const std::vector<int>& path, int start, int end) {
  auto on_path = [&](int k) { return path[static_cast<std::size_t>(k)]; };
  const int ringmax = search.tab.sw.ring_options.max_size;
  std::vector<int> members;
  for (int k = start; k < end; ++k) {
    members.push_back(t.atom[at(on_path(k))]);
    if (static_cast<int>(members.size()) > ringmax) return;
    if (static_cast<int>(members.size()) > kMaxRingSize) {
      const int first = members.front();
      fail("FindRings",
          "Ring through atom " + std::to_string(first + 1) + " " + std::string(search.tab.atom(first).label.trimmed()) +
              " has more than " + std::to_string(kMaxRingSize) + " members (limit of ring members)");
    }
  }
  const int size = end - start;
  if (size < search.tab.sw.ring_options.min_size) return;
  // Out along a bond and straight back is no ring.
  if (on_path(start + 1) == on_path(end - 1)) return;
  if (ring_is_stored(search.rings, members)) return;
  store_ring(search, members);
}

void store_ring(const RingSearch& search, const std::vector<int>& members) {
  const int size = static_cast<int>(members.size());
  Ring ring;
  ring.members = members;
  const bool indexed = search.rings.known.size() == search.rings.list.size();
  search.rings.list.push_back(ring);
  if (indexed) {
    std::sort(ring.members.begin(), ring.members.end());
    search.rings.known.insert(std::move(ring.members));
  }
  const int number = search.rings.count();

  std::ostream& os = search.log.log();
  layout::write(os, "(//' **********  FOUND RING # ',i4,' ---> ',                       i3,' - MEMBERED  **********'/)",
                number, size);
  std::vector<layout::Item> labels, numbers;
  for (const int m : members) {
    labels.emplace_back(search.tab.atom(m).label.view());
    numbers.emplace_back(static_cast<long long>(m) + 1);
  }
  os << layout::format_items("(99(2x,a))", labels) << '\n';
  os << layout::format_items("(99(i6,4x) )", numbers) << '\n';

  // Three atoms always lie in a plane.
  const bool planar = size == 3 || is_planar(search.tab.model, search.tab.sw.tols, search.log, true, members, PlaneKind::ring);
  search.rings.ring(number).planar = planar;
}

void walk_reduced_table(const RingSearch& search, ReducedTable& t) {
  search.rings.clear();
  t.reached.assign(t.atom.size(), false);
  std::vector<int> path;

  to_log(search.log, std::string(80, '-'));
  to_both(search.log, layout::format("(/' AUTOMATED SEARCH FOR ',i3,' -',i3,' - MEMBERED RINGS')", search.tab.sw.ring_options.min_size,
                             search.tab.sw.ring_options.max_size));
  to_term(search.log, "");
  if (t.count() < 3) {
    to_both(search.log, layout::format("(/' THERE ARE NO ATOMS IN THE REDUCED CONNECTIVITY TABLE',   //,"
                               "' SEARCH FOR RINGS WILL NOT BE PERFORMED...')"));
    return;
  }

  // The walk starts at a branch point when there is one.
  for (int j = 0; j < t.count(); ++j) {
    if (t.conn[at(j)].size() > 2) {
      if (j != 0) swap_positions(t, j);
      break;
    }
  }
  t.unwalked.resize(t.conn.size());
  for (std::size_t a = 0; a < t.conn.size(); ++a) t.unwalked[a].assign(t.conn[a].size(), true);

  // The first connection of position 0 always exists: every atom left in
  // the table has at least two.
  path = {0, t.conn[0][0]};
  // Reached atoms stay reached: each new walk starts the scan for an
  // unreached atom where the last one stopped.
  int walked = 0;
  t.unwalked[0][0] = false;
  t.reached[0] = true;
  t.reached[at(t.conn[0][0])] = true;

  for (;;) {
    for (;;) {
      const int depth = static_cast<int>(path.size());
      const int previous = depth >= 2 ? path[static_cast<std::size_t>(depth - 2)] : -1;
      const int x = next_unwalked_connection(t, previous, path.back());
      if (x < 0) {
        if (!back_to_last_choice_point(t, path)) break;
        continue;
      }
      path.push_back(x);
      t.reached[at(x)] = true;
      // The walk closes a ring where x was met before on the path.
      const int end = static_cast<int>(path.size()) - 1;
      for (int g = end - 1; g >= 0; --g) {
        if (path[static_cast<std::size_t>(g)] == x) {
          store_if_new_ring(search, t, path, g, end);
          break;
        }
      }
    }
    if (!start_walk_at_unreached_atom(t, path, walked)) break;
  }

  add_missed_smallest_rings(search, t);

  to_log(search.log, std::string(79, '-'));
  to_both(search.log, layout::format("(/' TOTAL RINGS FOUND (nor)  = ',i6)", search.rings.count()));
}

void add_missed_smallest_rings(const RingSearch& search, const ReducedTable& t) {
  const int ringmin = search.tab.sw.ring_options.min_size, ringmax = search.tab.sw.ring_options.max_size;
  if (t.count() < 3 || ringmax < 3) return;
  // The reduced table is the graph, over its positions.
  const std::vector<std::vector<int>>& graph = t.conn;
  const std::vector<std::vector<int>> smallest = smallest_set_of_smallest_rings(graph, std::min(ringmax, kMaxRingSize));
  for (const std::vector<int>& ring : smallest) {
    if (static_cast<int>(ring.size()) < ringmin) continue;
    std::vector<int> members;
    for (const int p : ring) members.push_back(t.atom[at(p)]);
    if (ring_is_stored(search.rings, members)) continue;
    to_log(search.log, "");
    to_log(search.log, " Ring of the smallest set of smallest rings that the walk missed, added :");
    store_ring(search, members);
  }
}

FoundRings find_rings(const IndexedAtoms& tab, Log& log) {
  FoundRings found;
  RingSearch search{tab, log, found.rings};
  ReducedTable table;
  build_reduced_table(search, table);
  // The walk reorders the table: the reduced structure is the table as the
  // eliminations left it.
  found.reduced = table.atom;
  walk_reduced_table(search, table);
  return found;
}

}  // namespace vorn
