// Functional-group identification over bond graphs built by hand: every
// named group, and the unidentified, cleared and kept-empty ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "databank/functional_groups.hpp"
#include "support/test_run.hpp"
#include "structure/elements.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

enum { H = 1, B = 5, C = 6, N = 7, O = 8, F = 9, P = 15, S = 16, CL = 17, ZN = 30 };

// A molecule given by its bonds.  Neighbours are stored in bonding order
// (standing in for distance order), types by ascending atomic number.
struct Graph {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  std::vector<std::vector<int>> adj;

  int a(int z) {
    const int i = rs.add_atom();
    rs.atom(i).atomic_number = z;
    rs.atom(i).label = std::string(two_letter_symbol(z).substr(0, two_letter_symbol(z)[1] == ' ' ? 1 : 2)) + std::to_string(i + 1);
    adj.emplace_back();
    return i;
  }
  int a(int z, int bonded_to) {
    const int i = a(z);
    bond(bonded_to, i);
    return i;
  }
  void bond(int x, int y) {
    adj[static_cast<std::size_t>(x)].push_back(y);
    adj[static_cast<std::size_t>(y)].push_back(x);
  }
  void hs(int x, int n) {
    for (int k = 0; k < n; ++k) a(H, x);
  }
  void ring(const std::vector<int>& m, bool planar = true) {
    Ring r;
    r.members = m;
    r.planar = planar;
    rs.rings.list.push_back(r);
  }
  void place(int x, double px, double py, double pz) {
    rs.atom(x).cartesian[0] = px;
    rs.atom(x).cartesian[1] = py;
    rs.atom(x).cartesian[2] = pz;
  }
  // Puts x and its first three neighbours in a plane, or on a pyramid.
  void shape(int x, bool planar) {
    place(x, 0, 0, 0);
    const double d[3][3] = {{1.0, 0, 0}, {-0.5, 0.866, 0}, {-0.5, -0.866, 0}};
    for (int k = 0; k < 3; ++k) {
      const int y = adj[static_cast<std::size_t>(x)][static_cast<std::size_t>(k)];
      place(y, 1.4 * d[k][0], 1.4 * d[k][1], planar ? 0.0 : -0.6);
    }
  }
  void finish() {
    rs.model.entries = rs.model.natom;
    for (int i = 0; i < rs.model.natom; ++i) {
      AtomNeighbors& nb = rs.nb.of[i];
      for (int j : adj[static_cast<std::size_t>(i)]) {
        nb.atom.push_back(j);
        nb.dist.push_back(1.0);
        const int z = rs.atom(j).atomic_number;
        auto it = nb.types.begin();
        while (it != nb.types.end() && it->atomic_number < z) ++it;
        if (it == nb.types.end() || it->atomic_number != z) it = nb.types.insert(it, NeighborType{z, {}});
        it->members.push_back(j);
      }
    }
  }
  std::string group(int i) {
    rs.tables.group_listing = detect_functional_group(rs.model, rs.sw, rs.nb, rs.rings, rs.groups, rs.log_sink(), i);
    return std::string(rs.groups.of[i].name.trimmed());
  }
  int flag(int i) const { return rs.groups.of[i].identified; }
};

struct Case {
  const char* group;
  std::function<int(Graph&)> build;   // returns the atom to identify
};

// An sp2 carbon in a planar ring: ring members are padded with carbons.
std::vector<int> ring_of(Graph& g, int first, int size) {
  std::vector<int> m{first};
  int prev = first;
  for (int k = 1; k < size; ++k) {
    const int c = g.a(C, prev);
    m.push_back(c);
    prev = c;
  }
  g.bond(prev, first);
  return m;
}

int ester_c(Graph& g) {
  const int c0 = g.a(C);
  const int me = g.a(C, c0);
  g.hs(me, 3);
  g.a(O, c0);
  const int o2 = g.a(O, c0);
  const int y = g.a(C, o2);
  g.hs(y, 3);
  return c0;
}

// P with one C and three O whose counts are given (1 = P=O or O-).
int cpooo(Graph& g, int n1, int n2, int n3) {
  const int p = g.a(P);
  const int c = g.a(C, p);
  g.hs(c, 3);
  for (int n : {n1, n2, n3}) {
    const int o = g.a(O, p);
    if (n == 2) g.hs(o, 1);
  }
  return p;
}

int poooo(Graph& g, std::vector<int> counts) {
  const int p = g.a(P);
  for (int n : counts) {
    const int o = g.a(O, p);
    if (n == 2) g.hs(o, 1);
  }
  return p;
}

// Carbon in a planar six-ring with two ring N (given counts) and one more
// neighbour of element z with count nz; the ring N come first.
int ring_cnn(Graph& g, int c1n, int c2n, int z, int nz, bool same_ring = true) {
  const int c0 = g.a(C);
  const int n1 = g.a(N, c0);
  const int x = g.a(z, c0);
  g.hs(x, nz - 1);
  const int n2 = g.a(N);
  if (same_ring) {
    const int ca = g.a(C, n1), cb = g.a(C, ca), cc = g.a(C, cb);
    g.bond(cc, n2);
    g.bond(n2, c0);
    g.ring({c0, n1, ca, cb, cc, n2});
  }
  if (c1n == 3) g.hs(n1, 1);
  if (c2n == 3) g.hs(n2, 1);
  return c0;
}

const std::vector<Case>& cases() {
  static const std::vector<Case> k = {
      // Hydrogen.
      {"pyramidal amine", [](Graph& g) { const int n = g.a(N); const int h = g.a(H, n); g.hs(n, 2); g.shape(n, false); return h; }},
      {"aromatic", [](Graph& g) {
         const int n = g.a(N); const int h = g.a(H, n);
         auto r = ring_of(g, n, 5); g.ring(r); g.shape(n, true); return h; }},
      {"planar amine", [](Graph& g) { const int n = g.a(N); const int h = g.a(H, n); g.hs(n, 1); const int c = g.a(C, n); g.hs(c, 2); g.shape(n, true); return h; }},
      {"alcohol", [](Graph& g) { const int o = g.a(O); const int h = g.a(H, o); const int c = g.a(C, o); g.hs(c, 3); return h; }},
      {"carboxylic", [](Graph& g) {
         const int o = g.a(O); const int h = g.a(H, o); const int c = g.a(C, o);
         g.a(O, c); const int m = g.a(C, c); g.hs(m, 3); return h; }},
      {"phenol", [](Graph& g) {
         const int o = g.a(O); const int h = g.a(H, o); const int c = g.a(C, o);
         g.ring(ring_of(g, c, 6)); return h; }},
      {"b-o-H", [](Graph& g) { const int o = g.a(O); const int h = g.a(H, o); const int b = g.a(B, o); g.hs(b, 2); return h; }},
      {"phosp... acid", [](Graph& g) { const int o = g.a(O); const int h = g.a(H, o); const int p = g.a(P, o); g.a(O, p); g.a(O, p); g.a(O, p); return h; }},
      // Carbon with three neighbours.
      {"ketone", [](Graph& g) { const int c = g.a(C); g.a(O, c); g.hs(g.a(C, c), 3); g.hs(g.a(C, c), 3); return c; }},
      {"carboxylate", [](Graph& g) { const int c = g.a(C); g.hs(g.a(C, c), 3); g.a(O, c); g.a(O, c); return c; }},
      {"carboxylic", [](Graph& g) { const int c = g.a(C); g.hs(g.a(C, c), 3); g.a(O, c); g.hs(g.a(O, c), 1); return c; }},
      {"anhydride", [](Graph& g) {
         const int c = g.a(C); g.hs(g.a(C, c), 3); g.a(O, c); const int o = g.a(O, c);
         const int y = g.a(C, o); g.a(O, y); g.hs(g.a(C, y), 3); return c; }},
      {"ester", [](Graph& g) { return ester_c(g); }},
      {"carbamate", [](Graph& g) { const int c = g.a(C); g.hs(g.a(N, c), 2); g.a(O, c); g.a(O, c); return c; }},
      {"carbamic acid", [](Graph& g) { const int c = g.a(C); g.hs(g.a(N, c), 2); g.a(O, c); g.hs(g.a(O, c), 1); return c; }},
      {"carbamate ester", [](Graph& g) { const int c = g.a(C); g.hs(g.a(N, c), 2); g.a(O, c); g.hs(g.a(C, g.a(O, c)), 3); return c; }},
      {"C(2cyc)-n5", [](Graph& g) {
         // Indole C7a: junction of a five-ring (with N) and a six-ring.
         const int c0 = g.a(C); const int n = g.a(N, c0); const int cj = g.a(C, c0);
         const int c6 = g.a(C, c0);
         const int a1 = g.a(C, n), a2 = g.a(C, a1); g.bond(a2, cj);
         const int b1 = g.a(C, c6), b2 = g.a(C, b1), b3 = g.a(C, b2); g.bond(b3, cj);
         g.hs(n, 1);
         g.ring({c0, n, a1, a2, cj}); g.ring({c0, c6, b1, b2, b3, cj}); return c0; }},
      {"phenolate", [](Graph& g) { const int c = g.a(C); g.a(O, c); g.ring(ring_of(g, c, 6)); return c; }},
      {"phenolic", [](Graph& g) { const int c = g.a(C); g.hs(g.a(O, c), 1); g.ring(ring_of(g, c, 6)); return c; }},
      {"furano", [](Graph& g) {
         const int c = g.a(C); const int o = g.a(O, c); g.hs(g.a(C, c), 3);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4); g.bond(c5, o);
         g.ring({c, o, c5, c4, c3}); return c; }},
      {"furanoN", [](Graph& g) {
         const int c = g.a(C); const int o = g.a(O, c); g.hs(g.a(C, c), 3);
         const int c4 = g.a(C, c), c3 = g.a(C, c4), n = g.a(N, c3); g.bond(n, o);
         g.ring({c, o, n, c3, c4}); return c; }},
      {"aromaturea", [](Graph& g) { return ring_cnn(g, 3, 3, O, 1); }},
      {"pirofurano", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); const int o = g.a(O, c); g.hs(g.a(N, c), 2);
         const int c2 = g.a(C, n1), n3 = g.a(N, c2); g.bond(n3, o);
         g.ring({c, n1, c2, n3, o}); return c; }},
      {"3N-sp2(232)", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); const int nx = g.a(N, c); g.hs(nx, 2);
         const int n3 = g.a(N, c);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, n3);
         g.ring({c, n1, a, b, d, n3}); return c; }},
      {"3N-sp2(333)", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); const int nx = g.a(N, c); g.hs(nx, 2);
         const int n3 = g.a(N, c); g.hs(n1, 1); g.hs(n3, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, n3);
         g.ring({c, n1, a, b, d, n3}); return c; }},
      {"3N-sp2(233)", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); const int nx = g.a(N, c); g.hs(nx, 2);
         const int n3 = g.a(N, c); g.hs(n1, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, n3);
         g.ring({c, n1, a, b, d, n3}); return c; }},
      {"nitro-n2n3c3", [](Graph& g) {
         // Ring N (count 2), exocyclic nitro N (count 3), ring C (count 3).
         const int c = g.a(C); const int n1 = g.a(N, c); const int nx = g.a(N, c); g.a(O, nx); g.a(O, nx);
         const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6}); return c; }},
      {"nitro-n3n3c3", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); g.hs(n1, 1); const int nx = g.a(N, c); g.a(O, nx); g.a(O, nx);
         const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6}); return c; }},
      {"n2n3c3", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); const int nx = g.a(N, c); g.hs(nx, 2);
         const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6}); return c; }},
      {"n3n3c3", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); g.hs(n1, 1); const int nx = g.a(N, c); g.hs(nx, 2);
         const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6}); return c; }},
      {"NNring1", [](Graph& g) {
         // Ring N of C's ring first, then an N of another planar ring; the
         // three counts add up to 8.
         const int c = g.a(C); const int n1 = g.a(N, c); const int n2 = g.a(N, c); const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6});
         g.ring(ring_of(g, n2, 5)); return c; }},
      {"NNring2", [](Graph& g) {
         const int c = g.a(C); const int n1 = g.a(N, c); g.hs(n1, 1); const int n2 = g.a(N, c); const int c6 = g.a(C, c); g.hs(c6, 1);
         const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b); g.bond(d, c6);
         g.ring({c, n1, a, b, d, c6});
         g.ring(ring_of(g, n2, 5)); return c; }},
      {"non-substituted nitrogens", [](Graph& g) { const int c = ring_cnn(g, 2, 2, H, 1); return c; }},
      {"substituted nitrogens", [](Graph& g) { return ring_cnn(g, 3, 3, H, 1); }},
      {"ZNnCn", [](Graph& g) {
         const int c = ring_cnn(g, 2, 3, H, 1);
         g.a(ZN, 1);   // the first ring N gets a zinc neighbour: count 3
         return c; }},
      {"mixed nitrogens", [](Graph& g) { return ring_cnn(g, 2, 3, H, 1); }},
      {"o-Cc-n", [](Graph& g) {
         const int c = g.a(C); const int n = g.a(N, c); const int o = g.a(O, c); g.hs(g.a(C, c), 3);
         const int c4 = g.a(C, n), c5 = g.a(C, c4); g.bond(c5, o);
         g.ring({c, n, c4, c5, o}); return c; }},
      {"amido", [](Graph& g) {
         const int c = g.a(C); const int n = g.a(N, c); g.a(O, c); g.hs(n, 1);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4), c6 = g.a(C, c5); g.bond(c6, n);
         g.ring({c, n, c6, c5, c4, c3}); return c; }},
      {"amidoH", [](Graph& g) {
         const int c = g.a(C); const int n = g.a(N, c); g.hs(g.a(O, c), 1);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4), c6 = g.a(C, c5); g.bond(c6, n);
         g.ring({c, n, c6, c5, c4, c3}); return c; }},
      {"nitrophenyl", [](Graph& g) { const int c = g.a(C); const int n = g.a(N, c); g.a(O, n); g.a(O, n); g.ring(ring_of(g, c, 6)); return c; }},
      {"aminophenyl", [](Graph& g) { const int c = g.a(C); g.hs(g.a(N, c), 2); g.ring(ring_of(g, c, 6)); return c; }},
      {"ph-noh", [](Graph& g) { const int c = g.a(C); const int n = g.a(N, c); g.hs(g.a(O, n), 1); g.ring(ring_of(g, c, 6)); return c; }},
      {"protonated aminophenyl", [](Graph& g) { const int c = g.a(C); g.hs(g.a(N, c), 3); g.ring(ring_of(g, c, 6)); return c; }},
      {"substituted nitrogen", [](Graph& g) {
         // Pyrrole C2 next to its N-H.
         const int n = g.a(N); auto r = ring_of(g, n, 5); g.hs(n, 1); g.hs(r[1], 1); g.ring(r); return r[1]; }},
      {"non-substituted nitrogen", [](Graph& g) {
         const int n = g.a(N); auto r = ring_of(g, n, 6); g.ring(r); g.hs(r[1], 1); return r[1]; }},
      {"cycloene", [](Graph& g) {
         const int c = g.a(C); const int c5 = g.a(C, c); g.hs(c5, 2); g.hs(c, 1);
         const int c2 = g.a(C, c), c3 = g.a(C, c2), c4 = g.a(C, c3); g.bond(c4, c5);
         g.ring({c, c2, c3, c4, c5}); return c; }},
      {"THIO", [](Graph& g) { const int c = g.a(C); g.hs(g.a(C, c), 3); g.hs(g.a(N, c), 2); g.a(S, c); return c; }},
      {"THIO-X", [](Graph& g) { const int c = g.a(C); g.hs(g.a(C, c), 3); g.hs(g.a(N, c), 2); g.hs(g.a(S, c), 1); return c; }},
      // Carbon with four neighbours.
      {"ammonium", [](Graph& g) { const int c = g.a(C); g.hs(c, 3); g.hs(g.a(N, c), 3); return c; }},
      {"planar amine", [](Graph& g) { const int c = g.a(C); g.hs(c, 3); const int n = g.a(N, c); g.hs(n, 2); g.shape(n, true); return c; }},
      {"pyramidal amine", [](Graph& g) { const int c = g.a(C); g.hs(c, 3); const int n = g.a(N, c); g.hs(n, 2); g.shape(n, false); return c; }},
      {"C-s-Zn", [](Graph& g) { const int c = g.a(C); g.hs(c, 3); const int s = g.a(S, c); g.a(ZN, s); return c; }},
      // Nitrogen.
      {"csp2sp3sp3", [](Graph& g) {
         const int n = g.a(N); const int c1 = g.a(C, n); g.a(O, c1); g.hs(c1, 1);
         g.hs(g.a(C, n), 3); g.hs(g.a(C, n), 3); g.shape(n, true); return n; }},
      {"csp3sp2sp2", [](Graph& g) {
         const int n = g.a(N); const int c1 = g.a(C, n); g.a(O, c1); g.hs(c1, 1);
         const int c2 = g.a(C, n); g.a(O, c2); g.hs(c2, 1); g.hs(g.a(C, n), 3); g.shape(n, true); return n; }},
      {"N-OH", [](Graph& g) { const int n = g.a(N); g.hs(g.a(C, n), 3); const int o = g.a(O, n); g.hs(o, 1); return n; }},
      {"N=O", [](Graph& g) { const int n = g.a(N); g.hs(g.a(C, n), 3); g.a(O, n); return n; }},
      // Oxygen with two neighbours.
      {"phenol", [](Graph& g) { const int o = g.a(O); g.hs(o, 1); const int c = g.a(C, o); g.ring(ring_of(g, c, 6)); return o; }},
      {"alcohol", [](Graph& g) { const int o = g.a(O); g.hs(o, 1); g.hs(g.a(C, o), 3); return o; }},
      {"carboxylic", [](Graph& g) { const int o = g.a(O); g.hs(o, 1); const int c = g.a(C, o); g.a(O, c); g.hs(g.a(C, c), 3); return o; }},
      {"anhydride", [](Graph& g) {
         const int o = g.a(O);
         for (int k = 0; k < 2; ++k) { const int c = g.a(C, o); g.a(O, c); g.hs(g.a(C, c), 3); }
         return o; }},
      {"ester", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.a(O, c); g.hs(g.a(C, c), 3); g.hs(g.a(C, o), 3); return o; }},
      {"carbamate ester", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.a(O, c); g.hs(g.a(N, c), 2); g.hs(g.a(C, o), 3); return o; }},
      // Oxygen with one neighbour.
      {"aldehyde", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(c, 1); g.hs(g.a(C, c), 3); return o; }},
      {"ketone", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(g.a(C, c), 3); g.hs(g.a(C, c), 3); return o; }},
      {"urea", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(g.a(N, c), 2); g.hs(g.a(N, c), 2); return o; }},
      {"thioester", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(g.a(C, c), 3); g.hs(g.a(C, g.a(S, c)), 3); return o; }},
      {"amide", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(g.a(C, c), 3); g.hs(g.a(N, c), 2); return o; }},
      {"aromaturea", [](Graph& g) { const int c = ring_cnn(g, 3, 3, O, 1); return c + 2; }},
      {"aromatketone", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.ring(ring_of(g, c, 6)); return o; }},
      {"aromatester", [](Graph& g) {
         // Exocyclic O of a lactone ring.
         const int o = g.a(O); const int c = g.a(C, o); const int oring = g.a(O, c);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4), c6 = g.a(C, c5); g.bond(c6, oring);
         g.ring({c, oring, c6, c5, c4, c3}); return o; }},
      {"aromatamide", [](Graph& g) {
         const int o = g.a(O); const int c = g.a(C, o); const int n = g.a(N, c); g.hs(n, 1);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4), c6 = g.a(C, c5); g.bond(c6, n);
         g.ring({c, n, c6, c5, c4, c3}); return o; }},
      {"carboxylate", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.a(O, c); g.hs(g.a(C, c), 3); return o; }},
      {"carbamate", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.a(O, c); g.hs(g.a(N, c), 2); return o; }},
      {"carbamic acid", [](Graph& g) { const int o = g.a(O); const int c = g.a(C, o); g.hs(g.a(O, c), 1); g.hs(g.a(N, c), 2); return o; }},
      {"NO", [](Graph& g) { const int o = g.a(O); const int n = g.a(N, o); g.hs(g.a(C, n), 3); return o; }},
      {"NO2", [](Graph& g) { const int o = g.a(O); const int n = g.a(N, o); g.hs(g.a(C, n), 3); g.a(O, n); return o; }},
      {"C3PO", [](Graph& g) { const int o = g.a(O); const int p = g.a(P, o); for (int k = 0; k < 3; ++k) g.hs(g.a(C, p), 3); return o; }},
      // The first O of cpooo: after P, its carbon and the three methyl H.
      {"CPO2(O-X)", [](Graph& g) { return cpooo(g, 1, 1, 2) + 5; }},
      {"CPO(O-X)2", [](Graph& g) { return cpooo(g, 1, 2, 2) + 5; }},
      {"CPO3", [](Graph& g) { return cpooo(g, 1, 1, 1) + 5; }},
      {"pO4", [](Graph& g) { const int p = poooo(g, {1, 1, 1, 1}); return p + 1; }},
      {"O-p(ox)3", [](Graph& g) { const int p = poooo(g, {1, 2, 2, 2}); return p + 1; }},
      {"O3-p(ox)", [](Graph& g) { const int p = poooo(g, {1, 1, 1, 2}); return p + 1; }},
      // Phosphorus.
      {"CPO2(O-X)", [](Graph& g) { return cpooo(g, 1, 1, 2); }},
      {"CPO(O-X)2", [](Graph& g) { return cpooo(g, 1, 2, 2); }},
      {"CPO3", [](Graph& g) { return cpooo(g, 1, 1, 1); }},
      {"o3-P(ox)", [](Graph& g) { return poooo(g, {1, 1, 1, 2}); }},
      // Sulfur and halogens.
      {"PHthiourea", [](Graph& g) { return ring_cnn(g, 3, 3, S, 1) + 2; }},
      {"PH=S", [](Graph& g) { const int s = g.a(S); const int c = g.a(C, s); g.ring(ring_of(g, c, 6)); return s; }},
      {"aromathioamide", [](Graph& g) {
         const int s = g.a(S); const int c = g.a(C, s); const int n = g.a(N, c); g.hs(n, 1);
         const int c3 = g.a(C, c), c4 = g.a(C, c3), c5 = g.a(C, c4), c6 = g.a(C, c5); g.bond(c6, n);
         g.ring({c, n, c6, c5, c4, c3}); return s; }},
      {"PH-F", [](Graph& g) { const int f = g.a(F); g.ring(ring_of(g, g.a(C, f), 6)); return f; }},
      {"PH-Cl", [](Graph& g) { const int cl = g.a(CL); g.ring(ring_of(g, g.a(C, cl), 6)); return cl; }},
  };
  return k;
}

TEST(DetExcept, EveryNamedGroup) {
  ScratchDir dir;
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  for (const Case& c : cases()) {
    Graph g;
    const int atom = c.build(g);
    g.finish();
    const std::string got = g.group(atom);
    EXPECT_EQ(got, c.group) << "atom " << g.rs.atom(atom).label.str() << "\n" << g.mr.log();
    EXPECT_EQ(g.flag(atom), 1) << c.group;
  }
  std::filesystem::current_path(old);
}

TEST(DetExcept, CheckingLineNamesTheCheck) {
  Graph g;
  const int o = g.a(O);
  const int c = g.a(C, o);
  g.hs(c, 1);
  g.hs(g.a(C, c), 3);
  g.finish();
  EXPECT_EQ(g.group(o), "aldehyde");
  EXPECT_NE(g.mr.log().find("\n DetExcept :: checking (?)c=O group...\n"), std::string::npos);
}

TEST(DetExcept, AromaticCarbonHydrogenIsClearedAfterItsCheck) {
  Graph g;
  const int c = g.a(C);
  g.hs(c, 1);
  g.ring(ring_of(g, c, 6));
  g.finish();
  EXPECT_EQ(g.group(c), "");
  EXPECT_EQ(g.flag(c), 0);
  EXPECT_NE(g.mr.log().find("checking c(sp3,cyc)-C(cyc)=x group..."), std::string::npos);
  EXPECT_EQ(g.mr.log().find("Unknown"), std::string::npos);
}

TEST(DetExcept, RingCarbonWithThreeTwoCountNitrogensKeepsAnEmptyException) {
  Graph g;
  const int c = g.a(C);
  const int n1 = g.a(N, c);
  g.a(N, c);   // exocyclic N=, count 2 with one H
  g.hs(2, 1);
  const int n3 = g.a(N, c);
  const int a = g.a(C, n1), b = g.a(C, a), d = g.a(C, b);
  g.bond(d, n3);
  g.ring({c, n1, a, b, d, n3});
  g.finish();
  EXPECT_EQ(g.group(c), "");
  EXPECT_EQ(g.flag(c), 1);
}

TEST(DetExcept, WaterHydrogenIsUnidentifiedWithoutFile) {
  ScratchDir dir;
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Graph g;
  const int o = g.a(O);
  const int h = g.a(H, o);
  g.a(H, o);
  g.finish();
  EXPECT_EQ(g.group(h), "");
  EXPECT_EQ(g.flag(h), 0);
  EXPECT_NE(g.mr.log().find("\n DetExcept :: Unknown x-o-H [1] functional group\n\n See file group.ang for more info...\n\n"),
            std::string::npos);
  EXPECT_FALSE(dir.exists("group.ang"));
  std::filesystem::current_path(old);
}

TEST(DetExcept, ThioetherSulfurWritesGroupAng) {
  Graph g;
  const int s = g.a(S);
  const int c1 = g.a(C, s);
  g.hs(c1, 3);
  const int c2 = g.a(C, s);
  g.hs(c2, 3);
  g.place(s, 0, 0, 0);
  g.place(c1, 1.8, 0, 0);
  g.finish();
  EXPECT_EQ(g.group(s), "");
  EXPECT_EQ(g.flag(s), 0);
  EXPECT_NE(g.mr.log().find("Unknown (?)c=S [1] functional group"), std::string::npos);
  const std::string ang = g.rs.tables.group_listing;
  ASSERT_FALSE(ang.empty());
  // The sulfur, then for C1: its hydrogens' neighbours, the hydrogens, C1.
  EXPECT_EQ(ang.substr(0, 9), "ANGSTROM\n");
  const std::string zeros = "      0.0000      0.0000\n";
  EXPECT_NE(ang.find("\nATOM S1      " + std::string("  ") + "      0.0000" + zeros), std::string::npos);
  EXPECT_NE(ang.find("\nATOM C2      " + std::string("  ") + "      1.8000" + zeros), std::string::npos);
  // Every atom of the molecule is within three bonds of S: listed once.
  int lines = 0;
  for (char ch : ang) lines += ch == '\n';
  EXPECT_EQ(lines, 1 + g.rs.natom());
}

TEST(DetExcept, FluorineOnAnAliphaticCarbonRunsBothHalogenChecks) {
  Graph g;
  const int f = g.a(F);
  g.hs(g.a(C, f), 3);
  g.finish();
  EXPECT_EQ(g.group(f), "");
  EXPECT_EQ(g.flag(f), 0);
  EXPECT_NE(g.mr.log().find("checking (?)c-F group"), std::string::npos);
  EXPECT_NE(g.mr.log().find("checking (?)c-Cl group"), std::string::npos);
}

TEST(DetExcept, LoneSulfurAndOtherElementsHaveNoGroup) {
  Graph g;
  const int s = g.a(S);
  const int si = g.a(14);
  g.hs(si, 4);
  g.finish();
  EXPECT_EQ(g.group(s), "");
  EXPECT_EQ(g.group(si), "");
  EXPECT_EQ(g.mr.log().find("checking"), std::string::npos);
}

TEST(DetExcept, CarbonWithTwoOxygenNeighboursButNoOtherStops) {
  Graph g;
  const int o = g.a(O);
  g.hs(o, 1);
  const int c = g.a(C, o);
  g.hs(g.a(C, c), 3);
  g.finish();
  // The carbon counts two O neighbours, but both are this atom.
  AtomNeighbors& nc = g.rs.nb.of[c];
  nc.atom.push_back(o);
  for (auto& t : nc.types)
    if (t.atomic_number == O) t.members.push_back(o);
  EXPECT_THROW(g.mr.as_driver([&] { detect_functional_group(g.rs.model, g.rs.sw, g.rs.nb, g.rs.rings, g.rs.groups, g.rs.log_sink(), o); }), RunError);
  EXPECT_NE(g.mr.log().find("Could not identify \"other\" O-atom"), std::string::npos);
}

TEST(PrintGroup, ListStopsAtItsCapacity) {
  Graph g;
  const int centre = g.a(C);
  for (int k = 0; k < 6; ++k) {
    const int a = g.a(C, centre);
    for (int m = 0; m < 5; ++m) {
      const int b = g.a(C, a);
      g.hs(b, 4);
    }
  }
  g.finish();
  int lines = 0;
  for (char ch : group_listing(g.rs.model, g.rs.nb, centre)) lines += ch == '\n';
  EXPECT_EQ(lines, 1 + 100);
}

TEST(CheckAt, AppendsOnlyNewAtoms) {
  std::vector<int> list{4, 7};
  EXPECT_EQ(append_if_absent(list, 7), 1);
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(append_if_absent(list, 9), 0);
  EXPECT_EQ(list, (std::vector<int>{4, 7, 9}));
}

}  // namespace
}  // namespace vorn::test
