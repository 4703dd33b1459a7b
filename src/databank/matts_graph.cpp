// Bonds, images and descriptors of the crystal as the MATTS bank defines
// them.  Descriptors are the same for every image of an atom, so they are
// found once per atom of the table; the images are made only as far as a
// search walks.
#include "databank/matts_graph.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include <gemmi/elem.hpp>
#include <gemmi/neighbor.hpp>
#include <gemmi/small.hpp>

namespace vorn {

namespace {

// The bank's radii of the elements it holds; the other elements take the
// same published table from gemmi.
double bank_radius(int z) {
  switch (z) {
    case 1: return 0.3122;
    case 6: return 0.7620;
    case 7: return 0.7091;
    case 8: return 0.6615;
    case 16: return 1.0478;
    default: return 0;
  }
}

gemmi::Vec3 frac_of(const Atom& a) { return {a.fractional[0], a.fractional[1], a.fractional[2]}; }

FracOp to_frac_op(const SymOp& s) {
  FracOp op;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) op.rot[j][i] = s.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    op.tran.at(i) = s.trans[static_cast<std::size_t>(i)];
  }
  return op;
}

FracOp shifted(FracOp op, const gemmi::Vec3& t) {
  op.tran += t;
  return op;
}

gemmi::Vec3 rounded(const gemmi::Vec3& v) { return {std::round(v.x), std::round(v.y), std::round(v.z)}; }

// Cartesian input has no cell: a box wide enough that no image comes
// near another stands in for one, with the identity as its only operator.
gemmi::UnitCell box_around(const Model& model) {
  double extent = 1;
  for (int i = 0; i < model.natom; ++i)
    for (double c : {model.atoms[i].cartesian[0], model.atoms[i].cartesian[1], model.atoms[i].cartesian[2]}) extent = std::max(extent, std::abs(c));
  const double side = 2 * extent + 50;
  gemmi::UnitCell cell;
  cell.set(side, side, side, 90, 90, 90);
  return cell;
}

// A hydrogen keeps only its nearest bond; a bond to a hydrogen survives
// only when it is that hydrogen's nearest.
void keep_nearest_hydrogen_bonds(BankGraph& g) {
  const std::size_t n = g.z.size();
  std::vector<double> nearest(n, std::numeric_limits<double>::infinity());
  for (std::size_t i = 0; i < n; ++i)
    if (g.z[i] == 1)
      for (const BankBond& b : g.bonds[i]) nearest[i] = std::min(nearest[i], b.length);
  constexpr double kTie = 1e-9;
  for (std::size_t i = 0; i < n; ++i) {
    auto& v = g.bonds[i];
    v.erase(std::remove_if(v.begin(), v.end(),
                           [&](const BankBond& b) {
                             const auto j = static_cast<std::size_t>(b.atom);
                             return (g.z[i] == 1 && b.length > nearest[i] + kTie) ||
                                    (g.z[j] == 1 && b.length > nearest[j] + kTie);
                           }),
            v.end());
  }
}

}  // namespace

double matts_covalent_radius(int z) {
  if (const double r = bank_radius(z); r > 0) return r;
  if (z < 1 || z > 118) return 0;
  return gemmi::covalent_radius(static_cast<gemmi::El>(z));
}

BankGraph find_bank_bonds(const Model& model, bool has_cell, const MattsSettings& settings) {
  BankGraph g;
  const auto n = static_cast<std::size_t>(model.natom);
  gemmi::SmallStructure small;
  double rmax = 0;
  if (has_cell) {
    g.cell.set(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta, model.cell.gamma);
    // Every operator but the identity, which stands first.
    for (std::size_t k = 1; k < model.symm.ops.size(); ++k) {
      const FracOp op = to_frac_op(model.symm.ops[k]);
      g.cell.images.emplace_back(gemmi::Transform{op.rot, op.tran});
    }
  } else {
    g.cell = box_around(model);
  }
  for (int i = 0; i < model.natom; ++i) {
    const Atom& a = model.atoms[i];
    g.z.push_back(a.atomic_number);
    g.frac.push_back(has_cell ? frac_of(a)
                              : gemmi::Vec3(g.cell.fractionalize(gemmi::Position(a.cartesian[0], a.cartesian[1], a.cartesian[2]))));
    gemmi::SmallStructure::Site site;
    site.fract = gemmi::Fractional(g.frac.back());
    site.element = gemmi::Element(a.atomic_number >= 1 && a.atomic_number <= 118 ? a.atomic_number : 0);
    small.sites.push_back(site);
    rmax = std::max(rmax, matts_covalent_radius(a.atomic_number));
  }
  g.bonds.resize(n);
  if (n == 0) return g;
  small.cell = g.cell;
  const double reach = 2 * rmax + settings.bond_tolerance;
  gemmi::NeighborSearch ns(small, std::max(reach, 1.0));
  ns.populate(true);
  std::vector<FracOp> ops{FracOp{gemmi::Mat33(), gemmi::Vec3()}};
  for (const gemmi::FTransform& t : g.cell.images) ops.push_back({t.mat, t.vec});
  for (std::size_t i = 0; i < n; ++i) {
    const gemmi::Position here = g.cart(g.frac[i]);
    const double ri = matts_covalent_radius(g.z[i]);
    std::set<std::array<long long, 4>> seen;
    ns.for_each(here, '\0', reach + 0.01, [&](gemmi::NeighborSearch::Mark& m, double) {
      const auto j = static_cast<std::size_t>(m.atom_idx);
      const FracOp& op = ops.at(static_cast<std::size_t>(m.image_idx));
      const gemmi::Vec3 image = op.apply(g.frac[j]);
      const gemmi::Vec3 t0 = rounded(g.frac[i] - image);
      const double limit = ri + matts_covalent_radius(g.z[j]) + settings.bond_tolerance;
      // The nearest lattice copy, and those next to it in a skew cell.
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dz = -1; dz <= 1; ++dz) {
            const gemmi::Vec3 t = t0 + gemmi::Vec3(dx, dy, dz);
            const gemmi::Vec3 f = image + t;
            const double d = g.cart(f).dist(here);
            if (d > limit || (j == i && d < 1e-6)) continue;
            const std::array<long long, 4> key{static_cast<long long>(j), std::llround(f.x * 1e4),
                                               std::llround(f.y * 1e4), std::llround(f.z * 1e4)};
            if (!seen.insert(key).second) continue;
            g.bonds[i].push_back({static_cast<int>(j), shifted(op, t), d});
          }
    });
  }
  keep_nearest_hydrogen_bonds(g);
  return g;
}

BankCluster::BankCluster(const BankGraph& graph, int atom) : graph_(graph) {
  add(atom, FracOp{gemmi::Mat33(), gemmi::Vec3()});
}

int BankCluster::add(int atom, const FracOp& op) {
  const gemmi::Vec3 f = op.apply(graph_.frac[static_cast<std::size_t>(atom)]);
  const std::array<long long, 4> key{atom, std::llround(f.x * 1e4), std::llround(f.y * 1e4), std::llround(f.z * 1e4)};
  const auto [it, fresh] = index_.emplace(key, static_cast<int>(nodes_.size()));
  if (fresh) {
    nodes_.push_back({atom, op, graph_.cart(f)});
    adjacent_.emplace_back();
    expanded_.push_back(false);
  }
  return it->second;
}

const std::vector<int>& BankCluster::neighbours(int n) {
  const auto k = static_cast<std::size_t>(n);
  if (!expanded_[k]) {
    expanded_[k] = true;
    const Node here = nodes_[k];
    std::vector<int> found;
    for (const BankBond& b : graph_.bonds[static_cast<std::size_t>(here.atom)])
      found.push_back(add(b.atom, here.op.then(b.op)));
    adjacent_[k] = std::move(found);
  }
  return adjacent_[k];
}

bool BankCluster::bonded(int a, int b) {
  const std::vector<int>& v = neighbours(a);
  return std::find(v.begin(), v.end(), b) != v.end();
}

std::vector<int> BankCluster::distances(int depth) {
  std::vector<int> d(nodes_.size(), -1);
  d[0] = 0;
  std::vector<int> layer{0};
  for (int level = 1; level <= depth && !layer.empty(); ++level) {
    std::vector<int> next;
    for (int u : layer)
      for (int v : std::vector<int>(neighbours(u))) {
        if (static_cast<std::size_t>(v) >= d.size()) d.resize(nodes_.size(), -1);
        if (d[static_cast<std::size_t>(v)] >= 0) continue;
        d[static_cast<std::size_t>(v)] = level;
        next.push_back(v);
      }
    layer = std::move(next);
  }
  d.resize(nodes_.size(), -1);
  return d;
}

double plane_deviation(const std::vector<gemmi::Position>& points) {
  const double n = static_cast<double>(points.size());
  if (points.size() <= 3) return 0;
  gemmi::Vec3 c;
  for (const auto& p : points) c += p;
  c /= n;
  gemmi::SMat33<double> s{0, 0, 0, 0, 0, 0};
  for (const auto& p : points) {
    const gemmi::Vec3 d = gemmi::Vec3(p) - c;
    s.u11 += d.x * d.x; s.u22 += d.y * d.y; s.u33 += d.z * d.z;
    s.u12 += d.x * d.y; s.u13 += d.x * d.z; s.u23 += d.y * d.z;
  }
  const std::array<double, 3> e = s.calculate_eigenvalues();
  const double lambda = std::max(0.0, *std::min_element(e.begin(), e.end()));
  return std::sqrt(lambda / (n - 3));
}

namespace {

// Simple cycles of 3 to 8 nodes through `start`, walking only nodes that
// `allowed` admits; each cycle once.
template <class Allowed>
std::vector<std::vector<int>> cycles_through(BankCluster& c, int start, const Allowed& allowed) {
  std::vector<std::vector<int>> found;
  std::set<std::vector<int>> sets;
  std::vector<int> path{start};
  auto walk = [&](auto&& self, int u) -> void {
    for (int v : std::vector<int>(c.neighbours(u))) {
      if (v == start && path.size() >= 3) {
        std::vector<int> key = path;
        std::sort(key.begin(), key.end());
        if (sets.insert(key).second) found.push_back(path);
        continue;
      }
      if (path.size() >= 8 || !allowed(v) || std::find(path.begin(), path.end(), v) != path.end()) continue;
      path.push_back(v);
      self(self, v);
      path.pop_back();
    }
  };
  walk(walk, start);
  return found;
}

bool ring_is_planar(BankCluster& c, const std::vector<int>& ring, double threshold) {
  std::vector<gemmi::Position> p;
  for (int n : ring) p.push_back(c.node(n).pos);
  return plane_deviation(p) <= threshold;
}

}  // namespace

std::vector<std::vector<int>> planar_rings_through(BankCluster& c, int n, const std::vector<AtomDescriptors>& descriptors,
                                                   const MattsSettings& settings) {
  auto eligible = [&](int v) { return descriptors[static_cast<std::size_t>(c.node(v).atom)].ring_eligible; };
  if (!eligible(n)) return {};
  std::vector<std::vector<int>> kept;
  for (std::vector<int>& ring : cycles_through(c, n, eligible)) {
    if (!ring_is_planar(c, ring, settings.ring_planarity)) continue;
    // A ring that holds every atom of a smaller planar ring (the perimeter
    // of two fused rings) is not one of the atom's rings.
    const std::set<int> members(ring.begin(), ring.end());
    bool spans_smaller = false;
    for (int m : ring) {
      for (const auto& inner : cycles_through(c, m, [&](int v) { return members.count(v) > 0; }))
        if (inner.size() < ring.size() && ring_is_planar(c, inner, settings.ring_planarity)) spans_smaller = true;
      if (spans_smaller) break;
    }
    if (!spans_smaller) kept.push_back(std::move(ring));
  }
  return kept;
}

std::vector<AtomDescriptors> describe_atoms(const BankGraph& graph, const MattsSettings& settings) {
  const std::size_t n = graph.z.size();
  std::vector<AtomDescriptors> d(n);
  for (std::size_t i = 0; i < n; ++i) {
    BankCluster c(graph, static_cast<int>(i));
    const std::vector<int> nb = c.neighbours(0);
    AtomDescriptors& a = d[i];
    std::vector<gemmi::Position> points{c.node(0).pos};
    for (int v : nb) {
      a.neighbour_z.push_back(graph.z[static_cast<std::size_t>(c.node(v).atom)]);
      points.push_back(c.node(v).pos);
    }
    std::sort(a.neighbour_z.begin(), a.neighbour_z.end());
    a.planar_known = nb.size() >= 3;
    a.planarity = a.planar_known ? plane_deviation(points) : 0;
    a.planar = a.planarity <= 0.1;   // the bank's fixed atom-planarity limit
    a.ring_eligible = static_cast<int>(nb.size()) <= settings.ring_atom_max_neighbours &&
                      a.planarity <= settings.atom_in_ring_planarity;
    // 3-rings: two bonded neighbours; 4-rings: two neighbours with a common
    // neighbour other than the atom, without a chord.
    std::set<std::array<int, 3>> fours;
    for (std::size_t p = 0; p < nb.size(); ++p)
      for (std::size_t q = p + 1; q < nb.size(); ++q) {
        const int b = nb[p], e = nb[q];
        if (c.bonded(b, e)) {
          ++a.rings3;
          continue;
        }
        for (int m : std::vector<int>(c.neighbours(b))) {
          if (m == 0 || m == e || c.bonded(m, 0) || !c.bonded(m, e)) continue;
          std::array<int, 3> key{std::min(b, e), std::max(b, e), m};
          fours.insert(key);
        }
      }
    a.rings4 = static_cast<int>(fours.size());
  }
  // Planar rings need every atom's eligibility first.
  for (std::size_t i = 0; i < n; ++i) {
    BankCluster c(graph, static_cast<int>(i));
    for (const auto& ring : planar_rings_through(c, 0, d, settings)) d[i].planar_ring_sizes.push_back(static_cast<int>(ring.size()));
    std::sort(d[i].planar_ring_sizes.begin(), d[i].planar_ring_sizes.end());
  }
  return d;
}

}  // namespace vorn
