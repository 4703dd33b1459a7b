#include "topology/smallest_rings.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <utility>

namespace vorn {

namespace {

using EdgeKey = std::pair<int, int>;
EdgeKey edge_key(int a, int b) { return a < b ? EdgeKey{a, b} : EdgeKey{b, a}; }

// A candidate ring: its vertices in ring order and its bonds as a set
// over the component's bond numbers.
struct Cycle {
  std::vector<int> ring;
  std::vector<std::uint64_t> bits;
  std::size_t found = 0;   // discovery order, for ties
};

// Rotates a ring to start at its smallest vertex, going on to the smaller
// of that vertex's two ring neighbours.
std::vector<int> canonical(std::vector<int> ring) {
  const auto lowest = std::min_element(ring.begin(), ring.end());
  std::rotate(ring.begin(), lowest, ring.end());
  if (ring.size() > 2 && ring.back() < ring[1]) std::reverse(ring.begin() + 1, ring.end());
  return ring;
}

// The bond set of a ring given in ring order; false when two consecutive
// members are not bonded.
bool bond_bits(const std::vector<int>& ring, const std::map<EdgeKey, std::size_t>& bond, std::size_t words,
               std::vector<std::uint64_t>& bits) {
  bits.assign(words, 0);
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const auto it = bond.find(edge_key(ring[k], ring[(k + 1) % ring.size()]));
    if (it == bond.end()) return false;
    bits[it->second / 64] ^= std::uint64_t{1} << (it->second % 64);
  }
  return true;
}

// Gaussian elimination over GF(2): basis rows keyed by their leading bit.
class CycleSpace {
public:
  // Adds the vector when it is independent of those added; true then.
  bool add(std::vector<std::uint64_t> v) {
    for (;;) {
      const long long lead = leading(v);
      if (lead < 0) return false;
      const auto it = rows_.find(lead);
      if (it == rows_.end()) {
        rows_.emplace(lead, std::move(v));
        return true;
      }
      for (std::size_t w = 0; w < v.size(); ++w) v[w] ^= it->second[w];
    }
  }
  // Whether the vector is independent of those added (nothing is added).
  bool independent(std::vector<std::uint64_t> v) const {
    for (;;) {
      const long long lead = leading(v);
      if (lead < 0) return false;
      const auto it = rows_.find(lead);
      if (it == rows_.end()) return true;
      for (std::size_t w = 0; w < v.size(); ++w) v[w] ^= it->second[w];
    }
  }
  std::size_t rank() const { return rows_.size(); }

private:
  static long long leading(const std::vector<std::uint64_t>& v) {
    for (std::size_t w = v.size(); w-- > 0;)
      if (v[w] != 0) return static_cast<long long>(w * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(v[w])));
    return -1;
  }
  std::map<long long, std::vector<std::uint64_t>> rows_;
};

// The rings of one connected component (its vertices given).
void component_rings(const std::vector<std::vector<int>>& graph, const std::vector<int>& vertices, int max_size,
                     std::vector<std::vector<int>>& out) {
  std::map<EdgeKey, std::size_t> bond;
  for (const int v : vertices)
    for (const int w : graph[static_cast<std::size_t>(v)])
      if (v < w) bond.emplace(edge_key(v, w), bond.size());
  const long long independent = static_cast<long long>(bond.size()) - static_cast<long long>(vertices.size()) + 1;
  if (independent <= 0) return;
  const std::size_t words = (bond.size() + 63) / 64;

  std::vector<Cycle> cand;
  std::set<std::vector<int>> seen;
  auto offer = [&](std::vector<int> ring) {
    ring = canonical(std::move(ring));
    if (static_cast<int>(ring.size()) < 3 || static_cast<int>(ring.size()) > max_size || !seen.insert(ring).second) return;
    Cycle c;
    if (!bond_bits(ring, bond, words, c.bits)) return;
    c.found = cand.size();
    c.ring = std::move(ring);
    cand.push_back(std::move(c));
  };

  const int depth = max_size / 2 + 1;
  // Shortest-path trees, as deep as a ring of max_size needs; the arrays
  // span the graph and are reset over the vertices reached.
  std::vector<int> parent(graph.size(), -1), level(graph.size(), -1);
  std::vector<int> reached;
  for (const int v : vertices) {
    for (const int x : reached) level[static_cast<std::size_t>(x)] = -1;
    reached.assign(1, v);
    level[static_cast<std::size_t>(v)] = 0;
    parent[static_cast<std::size_t>(v)] = -1;
    for (std::size_t head = 0; head < reached.size(); ++head) {
      const int x = reached[head];
      if (level[static_cast<std::size_t>(x)] >= depth) continue;
      for (const int y : graph[static_cast<std::size_t>(x)])
        if (level[static_cast<std::size_t>(y)] < 0) {
          level[static_cast<std::size_t>(y)] = level[static_cast<std::size_t>(x)] + 1;
          parent[static_cast<std::size_t>(y)] = x;
          reached.push_back(y);
        }
    }
    auto path = [&](int x) {
      std::vector<int> p;
      for (int u = x; u != -1; u = parent[static_cast<std::size_t>(u)]) p.push_back(u);
      return p;   // x .. v
    };
    for (const int x : reached)
      for (const int y : graph[static_cast<std::size_t>(x)]) {
        if (y < x || level[static_cast<std::size_t>(y)] < 0) continue;
        if (level[static_cast<std::size_t>(x)] + level[static_cast<std::size_t>(y)] + 1 > max_size) continue;
        const std::vector<int> px = path(x), py = path(y);
        // The paths may share only v.
        std::set<int> on_x(px.begin(), px.end() - 1);
        bool disjoint = true;
        for (std::size_t k = 0; k + 1 < py.size() && disjoint; ++k) disjoint = on_x.count(py[k]) == 0;
        if (!disjoint) continue;
        std::vector<int> ring(px.rbegin(), px.rend());        // v .. x
        ring.insert(ring.end(), py.begin(), py.end() - 1);    // y .. next to v
        offer(std::move(ring));
      }
  }
  std::stable_sort(cand.begin(), cand.end(), [](const Cycle& a, const Cycle& b) {
    if (a.ring.size() != b.ring.size()) return a.ring.size() < b.ring.size();
    return a.found < b.found;
  });
  // A ring joins when no set of shorter rings adds up to it: rings of one
  // size are tested against the shorter ones only, so that of several
  // equally small rings (the three chelate rings of a tripod ligand, the
  // six faces of a cube) all are kept, and the result does not depend on
  // the order in which they were met.
  CycleSpace shorter;
  std::size_t k = 0;
  while (k < cand.size()) {
    std::size_t end = k;
    while (end < cand.size() && cand[end].ring.size() == cand[k].ring.size()) ++end;
    std::vector<std::size_t> kept;
    for (std::size_t c = k; c < end; ++c)
      if (shorter.independent(cand[c].bits)) kept.push_back(c);
    for (const std::size_t c : kept) {
      shorter.add(cand[c].bits);
      out.push_back(std::move(cand[c].ring));
    }
    if (static_cast<long long>(shorter.rank()) >= independent) break;
    k = end;
  }
}

}  // namespace

std::vector<std::vector<int>> smallest_set_of_smallest_rings(const std::vector<std::vector<int>>& graph, int max_size) {
  const std::size_t n = graph.size();
  std::vector<int> component(n, -1);
  std::vector<std::vector<int>> members;
  for (std::size_t s = 0; s < n; ++s) {
    if (component[s] >= 0) continue;
    const int id = static_cast<int>(members.size());
    members.emplace_back();
    std::vector<int> stack{static_cast<int>(s)};
    component[s] = id;
    while (!stack.empty()) {
      const int x = stack.back();
      stack.pop_back();
      members.back().push_back(x);
      for (const int y : graph[static_cast<std::size_t>(x)])
        if (component[static_cast<std::size_t>(y)] < 0) {
          component[static_cast<std::size_t>(y)] = id;
          stack.push_back(y);
        }
    }
    std::sort(members.back().begin(), members.back().end());
  }
  std::vector<std::vector<int>> rings;
  for (std::size_t c = 0; c < members.size(); ++c) component_rings(graph, members[c], max_size, rings);
  std::stable_sort(rings.begin(), rings.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
  return rings;
}

}  // namespace vorn
