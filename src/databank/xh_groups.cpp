#include "databank/xh_groups.hpp"

#include <vector>

#include "layout/run_error.hpp"
#include "topology/bond_rules.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

constexpr int kH = 1, kC = 6, kN = 7, kO = 8, kS = 16;

// What the classification reads: the atoms and their stored neighbours.
struct Bonds {
  const Model& model;
  const Neighbors& nb;
};

const AtomNeighbors& nbr(const Bonds& b, int atom) { return b.nb.of[atom]; }

int iz_of(const Bonds& b, int atom) { return b.model.atoms[atom].atomic_number; }

// Number of stored neighbours of `atom` of element z.
int count_of(const Bonds& b, int atom, int z) {
  for (const NeighborType& t : nbr(b, atom).types)
    if (t.atomic_number == z) return t.count();
  return 0;
}

bool has_type(const Bonds& b, int atom, int z) {
  for (const NeighborType& t : nbr(b, atom).types)
    if (t.atomic_number == z) return true;
  return false;
}

// Every neighbour is carbon or hydrogen.
bool only_c_and_h(const Bonds& b, int atom) {
  for (const NeighborType& t : nbr(b, atom).types)
    if (t.atomic_number != kC && t.atomic_number != kH) return false;
  return true;
}

// The last neighbour of element z in stored (distance) order, skipping
// `except` (-1: none); -1 when there is none.
int last_of(const Bonds& b, int atom, int z, int except = -1) {
  int found = -1;
  for (int n : nbr(b, atom).atom)
    if (n != except && iz_of(b, n) == z) found = n;
  return found;
}

XhGroup identified(const char* name, double length, double ratio) {
  XhGroup g;
  g.kind = XhGroup::Kind::Identified;
  g.name = name;
  g.length = length;
  g.ratio = ratio;
  return g;
}

XhGroup not_identified(double ratio) {
  XhGroup g;
  g.kind = XhGroup::Kind::NotIdentified;
  g.ratio = ratio;
  return g;
}

XhGroup carbon(const Bonds& b, int x, int sp, int hnei, const XhTopology& topo) {
  const double r = hydrogen_u_ratio(kC, sp, hnei);
  if (sp == 4) {
    const bool c_only = only_c_and_h(b, x);
    if (hnei == 3) return c_only ? identified("C-C-H3", 1.077, r) : identified("X-C-H3", 1.077, r);
    if (hnei == 2) return c_only ? identified("C2-C-H2", 1.092, r) : identified("X2-C-H2", 1.091, r);
    if (hnei == 1) return c_only ? identified("C3-C-H", 1.099, r) : identified("X3-C-H", 1.098, r);
    return not_identified(r);
  }
  if (sp == 3) {
    if (hnei == 1 && topo.aromatic(x)) return identified("aromatic C-H", 1.083, r);
    return identified("C-C=C-H", 1.082, r);
  }
  return not_identified(r);
}

XhGroup nitrogen(const Bonds& b, int x, int sp, int hnei, const XhTopology& topo) {
  const double r = hydrogen_u_ratio(kN, sp, hnei);
  if (sp == 4) return identified("N+-H", 1.036, r);
  if (sp != 3) return not_identified(r);
  if (hnei == 1) {
    int sp2_carbons = 0;
    for (int n : nbr(b, x).atom)
      if (iz_of(b, n) == kC && nbr(b, n).count() == 3) ++sp2_carbons;
    return sp2_carbons == 2 ? identified("C2-N-H", 1.030, r) : identified("X2-N-H", 1.027, r);
  }
  if (hnei == 2) {
    // The amine's carbon must be trigonal; an NH2 on an sp3 carbon is not
    // in the table.
    const int c = last_of(b, x, kC);
    if (c < 0 || nbr(b, c).count() != 3) return not_identified(r);
    const bool aromatic = topo.aromatic(c);
    if (topo.planar_group(x)) {
      if (aromatic) return identified("C(ar)-N-H2pl", 1.010, r);
      for (int o : nbr(b, c).atom)
        if (iz_of(b, o) == kO && nbr(b, o).count() == 1) return identified("C-N-H2 amido", 1.010, r);
      return identified("C-N-H2pl", 1.012, r);
    }
    return aromatic ? identified("C(ar)-N-H2py", 1.024, r) : identified("X-N-H2", 1.015, r);
  }
  return not_identified(r);
}

XhGroup oxygen(const Bonds& b, int x, int h, int sp, int hnei, const XhTopology& topo) {
  const double r = hydrogen_u_ratio(kO, sp, hnei);
  if (hnei == 2) {
    // Water, free or bound to metals (its oxygen's other bonds all go to
    // metal atoms, as in an aqua complex), with the ratio of free water.
    int metals = 0;
    for (int n : nbr(b, x).atom)
      if (is_metal(iz_of(b, n))) ++metals;
    if (sp == 2 + metals) return identified("water", 0.9584, hydrogen_u_ratio(kO, 2, 2));
  }
  if (sp != 2) return not_identified(r);
  if (hnei != 1) return not_identified(r);

  // Y is the oxygen's other partner.  For a normal O-H it is the second
  // (farther) stored neighbour; should the hydrogen sit farther out than
  // Y, the partner is still the atom that is not this hydrogen.
  const std::vector<int>& list = nbr(b, x).atom;
  int y = list.size() >= 2 ? list[1] : -1;
  if (list.size() >= 2 && list[1] == h) y = list[0];
  if (y < 0) return not_identified(r);

  if (!has_type(b, y, kO)) fail("ExtendH", "Error 1 in Y-O-H");
  const int n_oxygen = count_of(b, y, kO);
  if (iz_of(b, y) == kC) {
    if (n_oxygen == 1) {
      if (topo.aromatic(y)) return identified("O-H in phenol", 0.992, r);
      if (nbr(b, y).count() == 4) return identified("Csp3-O-H in alcohol", 0.970, r);
      return identified("C-O-H any", 0.980, r);
    }
    if (n_oxygen == 2) {
      const int other = last_of(b, y, kO, x);
      if (other < 0) fail("ExtendH", "Error 2 in Y-O-H");
      if (nbr(b, other).count() == 1) return identified("O-H in acid", 1.018, r);
      return identified("O-H in ether", 0.980, r);
    }
    return not_identified(r);
  }
  if (n_oxygen == 3 || n_oxygen == 4) return identified("O-H in Pacid", 1.015, r);
  return identified("X-OH", 0.983, r);
}

}  // namespace

double hydrogen_u_ratio(int parent_z, int parent_neighbours, int hydrogens) {
  // Hydrogens of groups that rotate about their bond (methyl, NH3+, the
  // hydroxyl and thiol hydrogens, water) move more than their parent; the
  // others (aromatic and other C-H, CH2, N-H, NH2) ride with it.
  switch (parent_z) {
    case kC: return parent_neighbours == 4 && hydrogens == 3 ? 1.5 : 1.2;
    case kN: return hydrogens >= 3 ? 1.5 : 1.2;
    case kO:
    case kS: return 1.5;
    default: return 1.2;
  }
}

XhTopology xh_topology(const Model& model, const Tols& tols, const Neighbors& nb, const Rings& rings, Log& log) {
  XhTopology t;
  t.aromatic = [&rings](int atom) {
    const RingState s = ring_state(rings, atom);
    return s.in_ring && s.in_one_planar;
  };
  t.planar_group = [&model, &tols, &nb, &log](int atom) {
    return is_planar(model, tols, log, false, neighbours_and_self(nb, atom), PlaneKind::group);
  };
  return t;
}

XhGroup classify_xh(const Model& model, const Neighbors& nb, const HydrogenParents& parents, int x, int h,
                    const XhTopology& topo) {
  const Bonds b{model, nb};
  const int hp = parents.of[h].atomic_number;
  const int sp = parents.of[h].neighbour_count;
  const int hnei = parents.of[h].hydrogens;
  switch (hp) {
    case kC: return carbon(b, x, sp, hnei, topo);
    case kN: return nitrogen(b, x, sp, hnei, topo);
    case kO: return oxygen(b, x, h, sp, hnei, topo);
    case kS: return identified("S-H", 1.338, hydrogen_u_ratio(kS, sp, hnei));
    default: return XhGroup{};
  }
}

}  // namespace vorn
