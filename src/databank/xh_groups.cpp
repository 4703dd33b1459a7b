#include "databank/xh_groups.hpp"

#include <vector>

#include "layout/run_error.hpp"
#include "driver/run_state.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

constexpr int kH = 1, kC = 6, kN = 7, kO = 8, kS = 16;

const AtomNeighbors& nbr(const RunState& rs, int atom) { return rs.nb.of[atom]; }

int iz_of(const RunState& rs, int atom) { return rs.atom(atom).iz; }

// Number of stored neighbours of `atom` of element z.
int count_of(const RunState& rs, int atom, int z) {
  for (const NeighborType& t : nbr(rs, atom).types)
    if (t.iz == z) return t.count();
  return 0;
}

bool has_type(const RunState& rs, int atom, int z) {
  for (const NeighborType& t : nbr(rs, atom).types)
    if (t.iz == z) return true;
  return false;
}

// Every neighbour is carbon or hydrogen.
bool only_c_and_h(const RunState& rs, int atom) {
  for (const NeighborType& t : nbr(rs, atom).types)
    if (t.iz != kC && t.iz != kH) return false;
  return true;
}

// The last neighbour of element z in stored (distance) order, skipping
// `except`; 0 when there is none.
int last_of(const RunState& rs, int atom, int z, int except = 0) {
  int found = 0;
  for (int n : nbr(rs, atom).atom)
    if (n != except && iz_of(rs, n) == z) found = n;
  return found;
}

XhGroup identified(const char* name, float length, float ratio) {
  XhGroup g;
  g.kind = XhGroup::Kind::Identified;
  g.name = name;
  g.length = length;
  g.ratio = ratio;
  return g;
}

XhGroup not_identified(float ratio) {
  XhGroup g;
  g.kind = XhGroup::Kind::NotIdentified;
  g.ratio = ratio;
  return g;
}

XhGroup carbon(const RunState& rs, int x, int sp, int hnei, const XhTopology& topo) {
  constexpr float r = 1.2f;
  if (sp == 4) {
    const bool c_only = only_c_and_h(rs, x);
    if (hnei == 3) return c_only ? identified("C-C-H3", 1.077f, r) : identified("X-C-H3", 1.077f, r);
    if (hnei == 2) return c_only ? identified("C2-C-H2", 1.092f, r) : identified("X2-C-H2", 1.091f, r);
    if (hnei == 1) return c_only ? identified("C3-C-H", 1.099f, r) : identified("X3-C-H", 1.098f, r);
    return not_identified(r);
  }
  if (sp == 3) {
    if (hnei == 1 && topo.aromatic(x)) return identified("aromatic C-H", 1.083f, r);
    return identified("C-C=C-H", 1.082f, r);
  }
  return not_identified(r);
}

XhGroup nitrogen(const RunState& rs, int x, int sp, int hnei, const XhTopology& topo) {
  constexpr float r = 1.5f;
  if (sp == 4) return identified("N+-H", 1.036f, r);
  if (sp != 3) return not_identified(r);
  if (hnei == 1) {
    int sp2_carbons = 0;
    for (int n : nbr(rs, x).atom)
      if (iz_of(rs, n) == kC && nbr(rs, n).nnei() == 3) ++sp2_carbons;
    return sp2_carbons == 2 ? identified("C2-N-H", 1.030f, r) : identified("X2-N-H", 1.027f, r);
  }
  if (hnei == 2) {
    // The amine's carbon must be trigonal; an NH2 on an sp3 carbon is not
    // in the table.
    const int c = last_of(rs, x, kC);
    if (c == 0 || nbr(rs, c).nnei() != 3) return not_identified(r);
    const bool aromatic = topo.aromatic(c);
    if (topo.planar_group(x)) {
      if (aromatic) return identified("C(ar)-N-H2pl", 1.010f, r);
      for (int o : nbr(rs, c).atom)
        if (iz_of(rs, o) == kO && nbr(rs, o).nnei() == 1) return identified("C-N-H2 amido", 1.010f, r);
      return identified("C-N-H2pl", 1.012f, r);
    }
    return aromatic ? identified("C(ar)-N-H2py", 1.024f, r) : identified("X-N-H2", 1.015f, r);
  }
  return not_identified(r);
}

XhGroup oxygen(RunState& rs, int x, int h, int sp, int hnei, const XhTopology& topo) {
  constexpr float r = 1.5f;
  if (sp != 2) return not_identified(r);
  if (hnei == 2) return identified("water", 0.9584f, r);
  if (hnei != 1) return not_identified(r);

  // Y is the oxygen's other partner.  For a normal O-H it is the second
  // (farther) stored neighbour; should the hydrogen sit farther out than
  // Y, the partner is still the atom that is not this hydrogen.
  const std::vector<int>& list = nbr(rs, x).atom;
  int y = list.size() >= 2 ? list[1] : 0;
  if (list.size() >= 2 && list[1] == h) y = list[0];
  if (y == 0) return not_identified(r);

  if (!has_type(rs, y, kO)) fail("ExtendH", "Error 1 in Y-O-H");
  const int n_oxygen = count_of(rs, y, kO);
  if (iz_of(rs, y) == kC) {
    if (n_oxygen == 1) {
      if (topo.aromatic(y)) return identified("O-H in phenol", 0.992f, r);
      if (nbr(rs, y).nnei() == 4) return identified("Csp3-O-H in alcohol", 0.970f, r);
      return identified("C-O-H any", 0.980f, r);
    }
    if (n_oxygen == 2) {
      const int other = last_of(rs, y, kO, x);
      if (other == 0) fail("ExtendH", "Error 2 in Y-O-H");
      if (nbr(rs, other).nnei() == 1) return identified("O-H in acid", 1.018f, r);
      return identified("O-H in ether", 0.980f, r);
    }
    return not_identified(r);
  }
  if (n_oxygen == 3 || n_oxygen == 4) return identified("O-H in Pacid", 1.015f, r);
  return identified("X-OH", 0.983f, r);
}

}  // namespace

XhTopology xh_topology(RunState& rs) {
  XhTopology t;
  t.aromatic = [&rs](int atom) {
    const RingState s = isitcyclic(rs, atom);
    return s.cyclic == 1 && s.inone == 1;
  };
  t.planar_group = [&rs](int atom) { return planarity(rs, 0, collectnei(rs, atom), 1) == 1; };
  return t;
}

XhGroup classify_xh(RunState& rs, int x, int h, const XhTopology& topo) {
  const int hp = rs.forh.hp[h];
  const int sp = rs.forh.sp[h];
  const int hnei = rs.forh.hnei[h];
  switch (hp) {
    case kC: return carbon(rs, x, sp, hnei, topo);
    case kN: return nitrogen(rs, x, sp, hnei, topo);
    case kO: return oxygen(rs, x, h, sp, hnei, topo);
    case kS: return identified("S-H", 1.338f, 1.5f);
    default: return XhGroup{};
  }
}

}  // namespace vorn
