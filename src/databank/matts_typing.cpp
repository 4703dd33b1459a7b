// Matching the entries of a MATTS bank to the atoms of the table: the
// named atoms of an entry are placed, in order of their bond distance from
// the central atom, on images at the same bond distance from the typed
// atom, each tested against its own descriptors; ring labels are then given
// planar rings that hold the atoms naming them.
#include "databank/matts_typing.hpp"

#include <algorithm>
#include <functional>
#include <set>

#include "structure/elements.hpp"

namespace vorn {

namespace {

constexpr std::size_t kMaxMaps = 1000;   // maps kept per atom: symmetric groups give a few

bool count_fits(const MattsAtom& a, std::size_t n) {
  return a.at_least ? n >= static_cast<std::size_t>(a.count) : n == static_cast<std::size_t>(a.count);
}

bool ring_count_fits(int wanted, int have) {
  if (wanted == kAnyRingCount) return true;
  if (wanted == kSomeRings) return have > 0;
  return have == wanted;
}

bool planar_rings_fit(const MattsRingCondition& r, const std::vector<int>& sizes) {
  using K = MattsRingCondition::Kind;
  switch (r.kind) {
    case K::any: return true;
    case K::none: return sizes.empty();
    case K::some: return !sizes.empty();
    case K::patterns: break;
  }
  std::vector<int> wanted;
  for (const MattsRingSpec& s : r.patterns)
    if (!s.forbidden) wanted.push_back(s.size);
  std::sort(wanted.begin(), wanted.end());
  if (wanted.empty()) return true;
  if (!r.more_allowed) return sizes == wanted;
  std::vector<int> have;
  for (int s : sizes)
    if (s < 8) have.push_back(s);
  return std::includes(have.begin(), have.end(), wanted.begin(), wanted.end());
}

// The neighbours left once the named and element tokens took theirs must
// give each `!El` token a neighbour of another element.
bool not_elements_fit(std::vector<int> rest, const std::vector<int>& not_elements, std::size_t k = 0) {
  if (k == not_elements.size()) return true;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == not_elements[k] || rest[i] < 0) continue;
    const int z = rest[i];
    rest[i] = -1;
    if (not_elements_fit(rest, not_elements, k + 1)) return true;
    rest[i] = z;
  }
  return false;
}

// Depth of each named atom from the central one along the entry's bonds
// (-1: not reached), and an order in which each atom follows a neighbour
// one bond nearer.
struct EntryLayout {
  std::vector<int> depth;
  std::vector<int> order;
  std::vector<int> parent;
  int max_depth = 0;
  bool reachable = true;
};

EntryLayout layout_of(const MattsEntry& e) {
  EntryLayout l;
  const std::size_t n = e.atoms.size();
  l.depth.assign(n, -1);
  l.parent.assign(n, -1);
  l.depth[0] = 0;
  l.order.push_back(0);
  for (std::size_t k = 0; k < l.order.size(); ++k) {
    const int u = l.order[k];
    for (int v : e.atoms[static_cast<std::size_t>(u)].named) {
      if (l.depth[static_cast<std::size_t>(v)] >= 0) continue;
      l.depth[static_cast<std::size_t>(v)] = l.depth[static_cast<std::size_t>(u)] + 1;
      l.parent[static_cast<std::size_t>(v)] = u;
      l.max_depth = std::max(l.max_depth, l.depth[static_cast<std::size_t>(v)]);
      l.order.push_back(v);
    }
  }
  l.reachable = l.order.size() == n;
  return l;
}

bool declared(const MattsAtom& a, int other) { return std::find(a.named.begin(), a.named.end(), other) != a.named.end(); }

// The search of the maps of one entry on one atom's cluster.
struct MapSearch {
  const MattsEntry& entry;
  const EntryLayout& layout;
  const MattsTyping& typing;
  const MattsSettings& settings;
  BankCluster& cluster;
  const std::vector<int>& distance;
  std::vector<int> image;                 // node of each named atom, -1 unplaced
  std::vector<std::vector<int>> found;

  int atom_of(int node) const { return cluster.node(node).atom; }
  const AtomDescriptors& descriptors(int node) const {
    return typing.descriptors[static_cast<std::size_t>(atom_of(node))];
  }
  int z_of(int node) const { return typing.graph.z[static_cast<std::size_t>(atom_of(node))]; }
  int distance_of(int node) const {
    return static_cast<std::size_t>(node) < distance.size() ? distance[static_cast<std::size_t>(node)] : -1;
  }

  bool fits(int k, int v) {
    const MattsAtom& a = entry.atoms[static_cast<std::size_t>(k)];
    if (distance_of(v) != layout.depth[static_cast<std::size_t>(k)]) return false;
    if (std::find(image.begin(), image.end(), v) != image.end()) return false;
    std::vector<int> named_z;
    for (int j : a.named) {
      const MattsAtom& b = entry.atoms[static_cast<std::size_t>(j)];
      if (!b.any_element) named_z.push_back(b.z);
    }
    if (!satisfies(a, z_of(v), descriptors(v), named_z)) return false;
    for (std::size_t j = 0; j < image.size(); ++j) {
      if (image[j] < 0) continue;
      const bool bond = cluster.bonded(v, image[j]);
      if (declared(a, static_cast<int>(j))) {
        if (!bond) return false;
      } else if (bond && std::abs(layout.depth[j] - layout.depth[static_cast<std::size_t>(k)]) == 1) {
        return false;
      }
    }
    return true;
  }

  void place(std::size_t step) {
    if (found.size() >= kMaxMaps) return;
    if (step == layout.order.size()) {
      found.push_back(image);
      return;
    }
    const int k = layout.order[step];
    const int p = layout.parent[static_cast<std::size_t>(k)];
    for (int v : std::vector<int>(cluster.neighbours(image[static_cast<std::size_t>(p)]))) {
      if (!fits(k, v)) continue;
      image[static_cast<std::size_t>(k)] = v;
      place(step + 1);
      image[static_cast<std::size_t>(k)] = -1;
    }
  }

  // Ring labels: each gets a distinct planar ring of its size that holds
  // every atom naming it and none negating it.
  bool assign_rings(const std::vector<int>& map, std::map<std::string, std::vector<int>>& rings) {
    std::map<std::string, std::pair<std::vector<int>, std::vector<int>>> labels;   // holders, negators
    for (std::size_t k = 0; k < entry.atoms.size(); ++k)
      for (const MattsRingSpec& s : entry.atoms[k].planar_rings.patterns) {
        if (s.label.empty()) continue;
        auto& l = labels[s.label];
        (s.forbidden ? l.second : l.first).push_back(map[k]);
      }
    std::vector<std::pair<std::string, std::vector<std::vector<int>>>> options;
    for (const auto& [label, who] : labels) {
      if (who.first.empty()) continue;
      const int size = std::stoi(label);
      std::vector<std::vector<int>> candidates;
      std::set<std::vector<int>> seen;
      for (const auto& ring : planar_rings_through(cluster, who.first[0], typing.descriptors, settings)) {
        if (static_cast<int>(ring.size()) != size) continue;
        auto holds = [&](int n) { return std::find(ring.begin(), ring.end(), n) != ring.end(); };
        if (!std::all_of(who.first.begin(), who.first.end(), holds)) continue;
        if (std::any_of(who.second.begin(), who.second.end(), holds)) continue;
        std::vector<int> key = ring;
        std::sort(key.begin(), key.end());
        if (seen.insert(key).second) candidates.push_back(ring);
      }
      if (candidates.empty()) return false;
      options.emplace_back(label, std::move(candidates));
    }
    std::set<std::vector<int>> used;
    std::function<bool(std::size_t)> choose = [&](std::size_t i) {
      if (i == options.size()) return true;
      for (const auto& ring : options[i].second) {
        std::vector<int> key = ring;
        std::sort(key.begin(), key.end());
        if (used.count(key)) continue;
        used.insert(key);
        rings[options[i].first] = ring;
        if (choose(i + 1)) return true;
        used.erase(key);
      }
      return false;
    };
    return choose(0);
  }
};

}  // namespace

bool satisfies(const MattsAtom& a, int z, const AtomDescriptors& d, const std::vector<int>& named_z) {
  if (!a.any_element && (a.z == 0 || a.z != z)) return false;
  if (!count_fits(a, d.neighbour_z.size())) return false;
  if (!a.elements.empty() || !a.not_elements.empty()) {
    std::vector<int> rest = d.neighbour_z;
    std::vector<int> wanted = named_z;
    wanted.insert(wanted.end(), a.elements.begin(), a.elements.end());
    for (int w : wanted) {
      const auto it = std::find(rest.begin(), rest.end(), w);
      if (it == rest.end()) return false;
      rest.erase(it);
    }
    if (!not_elements_fit(rest, a.not_elements)) return false;
  }
  if (d.planar_known) {
    if (a.planarity == MattsPlanarity::planar && !d.planar) return false;
    if (a.planarity == MattsPlanarity::nonplanar && d.planar) return false;
  }
  return planar_rings_fit(a.planar_rings, d.planar_ring_sizes) && ring_count_fits(a.in_3_rings, d.rings3) &&
         ring_count_fits(a.in_4_rings, d.rings4);
}

int MattsTyping::typed() const {
  return static_cast<int>(std::count_if(types.begin(), types.end(), [](const MattsType& t) { return t.entry >= 0; }));
}

MattsTyping type_atoms(const MattsBank& bank, const Model& model, bool has_cell) {
  MattsTyping t;
  t.graph = find_bank_bonds(model, has_cell, bank.settings);
  t.descriptors = describe_atoms(t.graph, bank.settings);
  // The entries by the element of their central atom, in the bank's order.
  std::map<int, std::vector<std::size_t>> by_element;
  std::vector<EntryLayout> layouts;
  for (std::size_t e = 0; e < bank.entries.size(); ++e) {
    by_element[bank.entries[e].atoms[0].z].push_back(e);
    layouts.push_back(layout_of(bank.entries[e]));
  }
  t.types.resize(t.graph.z.size());
  for (std::size_t i = 0; i < t.graph.z.size(); ++i) {
    const auto it = by_element.find(t.graph.z[i]);
    if (it == by_element.end() || t.graph.z[i] == 0) continue;
    BankCluster cluster(t.graph, static_cast<int>(i));
    const std::vector<int> distance = cluster.distances(4);
    const std::size_t count = t.descriptors[i].neighbour_z.size();
    for (std::size_t e : it->second) {
      const MattsEntry& entry = bank.entries[e];
      if (!layouts[e].reachable || !count_fits(entry.atoms[0], count)) continue;
      MapSearch s{entry, layouts[e], t, bank.settings, cluster, distance, std::vector<int>(entry.atoms.size(), -1), {}};
      if (!s.fits(0, 0)) continue;
      s.image[0] = 0;
      s.place(1);
      MattsType type;
      for (const std::vector<int>& map : s.found) {
        std::map<std::string, std::vector<int>> rings;
        if (!s.assign_rings(map, rings)) continue;
        MattsMap m;
        for (int n : map) m.named.push_back(cluster.node(n));
        for (const auto& [label, ring] : rings)
          for (int n : ring) m.rings[label].push_back(cluster.node(n));
        type.maps.push_back(std::move(m));
      }
      if (type.maps.empty()) continue;
      type.entry = static_cast<int>(e);
      t.types[i] = std::move(type);
      break;
    }
  }
  return t;
}

void report_typing(const MattsBank& bank, const MattsTyping& typing, const Model& model,
                   const std::vector<int>& program_neighbour_counts, Log& log) {
  to_log(log, "");
  to_log(log, " Atom types from the MATTS bank (atom, entry ID, instances, comment) :");
  std::string untyped;
  for (std::size_t i = 0; i < typing.types.size(); ++i) {
    const std::string label(model.atoms[i].label.trimmed());
    const int e = typing.types[i].entry;
    if (e < 0) {
      to_log(log, "   " + label + " : no entry fits");
      untyped += ' ' + label;
      log.warned_atoms.insert(static_cast<int>(i));   // marked in the drawing
      continue;
    }
    const MattsEntry& entry = bank.entries[static_cast<std::size_t>(e)];
    to_log(log, "   " + label + " : " + entry.id + " (" + std::to_string(entry.instances) + " instances) " +
                    entry.comment);
  }
  for (std::size_t i = 0; i < typing.types.size() && i < program_neighbour_counts.size(); ++i) {
    const std::size_t bank_count = typing.graph.bonds[i].size();
    if (static_cast<int>(bank_count) == program_neighbour_counts[i]) continue;
    to_log(log, "   " + std::string(model.atoms[i].label.trimmed()) + " has " +
                    std::to_string(bank_count) + " neighbours by the bank's bonds and " +
                    std::to_string(program_neighbour_counts[i]) + " by the program's own");
  }
  const int typed = typing.typed();
  const int total = static_cast<int>(typing.types.size());
  // A bank that fits no atom is named by the parameter step's warning.
  if (typed > 0 && !untyped.empty())
    warn(log, " WARNING: no entry of the databank fits these atoms, which stay spherical:" + untyped);
  to_both(log, " MATTS typing : " + std::to_string(typed) + " atoms typed, " + std::to_string(total - typed) +
                   " untyped");
}

}  // namespace vorn
