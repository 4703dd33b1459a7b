// Resolving an entry's LOCAL COORDINATE SYSTEM on a typed atom.  Each map
// of the entry gives a frame; the one kept has the heaviest, then nearest,
// references for the first axis, then for the second.
#include "databank/matts_frame.hpp"

#include <cmath>
#include <tuple>

namespace vorn {

namespace {

// A neighbour of an image: the image it is, its element, its neighbour count.
struct Candidate {
  BankCluster::Node node;
  int z = 0;
  int neighbours = 0;
};

std::vector<Candidate> neighbours_of(const BankCluster::Node& n, const BankGraph& g,
                                     const std::vector<AtomDescriptors>& descriptors) {
  std::vector<Candidate> out;
  for (const BankBond& b : g.bonds[static_cast<std::size_t>(n.atom)]) {
    const FracOp op = n.op.then(b.op);
    const BankCluster::Node node{b.atom, op, g.cart(op.apply(g.frac[static_cast<std::size_t>(b.atom)]))};
    out.push_back({node, g.z[static_cast<std::size_t>(b.atom)],
                   static_cast<int>(descriptors[static_cast<std::size_t>(b.atom)].neighbour_z.size())});
  }
  return out;
}

bool same_site(const BankCluster::Node& a, const BankCluster::Node& b) {
  return a.atom == b.atom && a.pos.dist(b.pos) < 1e-4;
}

// The best candidate: heaviest, then fewest neighbours, then nearest to
// `from`; of exact ties the last one.
std::optional<Candidate> best(const std::vector<Candidate>& c, const gemmi::Position& from) {
  std::optional<Candidate> b;
  for (const Candidate& x : c) {
    if (!b) {
      b = x;
      continue;
    }
    const auto kx = std::make_tuple(x.z, -x.neighbours, -x.node.pos.dist(from));
    const auto kb = std::make_tuple(b->z, -b->neighbours, -b->node.pos.dist(from));
    if (kx >= kb) b = x;
  }
  return b;
}

bool is_identity(const FracOp& op) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(op.tran.at(i)) > 1e-9) return false;
    for (int j = 0; j < 3; ++j)
      if (std::abs(op.rot[i][j] - (i == j ? 1.0 : 0.0)) > 1e-9) return false;
  }
  return true;
}

// One resolved reference: its direction from the centre (not normalised
// for a single point), the points that define it, and its weight in the
// choice among maps.
struct Reference {
  gemmi::Vec3 direction;
  std::vector<BankCluster::Node> points;
  bool orthogonal = false;   // any_orthogonal: made from the other axis
  bool single = false;       // one point: the axis may point at it
  double weight = 0;         // sum of atomic numbers
  double distance = 0;       // sum of distances from the centre
};

std::optional<Reference> resolve(const MattsAxisRef& r, const MattsMap& map, const BankGraph& g,
                                 const std::vector<AtomDescriptors>& descriptors,
                                 const std::optional<BankCluster::Node>& taken) {
  using K = MattsAxisRef::Kind;
  const BankCluster::Node& centre = map.named[0];
  Reference ref;
  auto add = [&](const BankCluster::Node& n) {
    ref.points.push_back(n);
    ref.weight += g.z[static_cast<std::size_t>(n.atom)];
    ref.distance += n.pos.dist(centre.pos);
  };
  switch (r.kind) {
    case K::any_orthogonal:
      ref.orthogonal = true;
      return ref;
    case K::named:
      add(map.named[static_cast<std::size_t>(r.atom)]);
      ref.single = true;
      break;
    case K::neighbour_of: {
      const BankCluster::Node& of = map.named[static_cast<std::size_t>(r.atom)];
      std::vector<Candidate> c;
      for (const Candidate& x : neighbours_of(of, g, descriptors)) {
        bool named = false;
        for (const auto& n : map.named) named = named || same_site(n, x.node);
        if (named || (taken && same_site(*taken, x.node))) continue;
        if (r.z != 0 && (x.z == r.z) == r.not_z) continue;
        c.push_back(x);
      }
      const auto b = best(c, of.pos);
      if (!b) return std::nullopt;
      add(b->node);
      ref.single = true;
      break;
    }
    case K::ring: {
      const auto it = map.rings.find(r.ring);
      if (it == map.rings.end()) return std::nullopt;
      for (const auto& n : it->second) add(n);
      break;
    }
    case K::average_direction: {
      for (int k : r.named) add(map.named[static_cast<std::size_t>(k)]);
      std::vector<Candidate> around = neighbours_of(centre, g, descriptors);
      for (int z : r.elements) {
        std::vector<Candidate> c;
        for (const Candidate& x : around) {
          bool chosen = false;
          for (const auto& p : ref.points) chosen = chosen || same_site(p, x.node);
          if (!chosen && x.z == z) c.push_back(x);
        }
        const auto b = best(c, centre.pos);
        if (!b) return std::nullopt;
        add(b->node);
      }
      gemmi::Vec3 sum;
      for (const auto& p : ref.points) sum += (gemmi::Vec3(p.pos) - gemmi::Vec3(centre.pos)).normalized();
      ref.direction = sum;
      return ref;
    }
  }
  gemmi::Vec3 mean;
  for (const auto& p : ref.points) mean += gemmi::Vec3(p.pos);
  mean /= static_cast<double>(ref.points.size());
  ref.direction = mean - gemmi::Vec3(centre.pos);
  return ref;
}

// v x (1,0,0) or v x (0,1,0), the longer (the second on a tie), normalised.
gemmi::Vec3 any_orthogonal(const gemmi::Vec3& v) {
  const gemmi::Vec3 a = v.cross(gemmi::Vec3(1, 0, 0));
  const gemmi::Vec3 b = v.cross(gemmi::Vec3(0, 1, 0));
  return (a.length_sq() > b.length_sq() ? a : b).normalized();
}

int axis_index(char c) { return c - 'X'; }

}  // namespace

std::optional<MattsFrame> build_matts_frame(const MattsEntry& entry, const MattsType& type, const BankGraph& g,
                                            const std::vector<AtomDescriptors>& descriptors, int atom) {
  (void)atom;
  std::optional<MattsFrame> kept;
  std::tuple<double, double, double, double> kept_key{};
  for (const MattsMap& map : type.maps) {
    const auto r1 = resolve(entry.frame.ref[0], map, g, descriptors, std::nullopt);
    if (!r1) continue;
    const std::optional<BankCluster::Node> taken =
        entry.frame.ref[0].kind == MattsAxisRef::Kind::neighbour_of && !r1->points.empty()
            ? std::optional<BankCluster::Node>(r1->points[0])
            : std::nullopt;
    const auto r2 = resolve(entry.frame.ref[1], map, g, descriptors, taken);
    if (!r2) continue;
    gemmi::Vec3 u1 = r1->direction, u2 = r2->direction;
    gemmi::Vec3 e1, e2;
    if (r1->orthogonal && r2->orthogonal) {
      e1 = gemmi::Vec3(axis_index(entry.frame.axis[0]) == 0, axis_index(entry.frame.axis[0]) == 1,
                       axis_index(entry.frame.axis[0]) == 2);
      e2 = gemmi::Vec3(axis_index(entry.frame.axis[1]) == 0, axis_index(entry.frame.axis[1]) == 1,
                       axis_index(entry.frame.axis[1]) == 2);
    } else {
      if (r1->orthogonal) u1 = any_orthogonal(u2);
      if (r2->orthogonal) u2 = any_orthogonal(u1);
      if (u1.length() < 1e-6) continue;
      e1 = u1.normalized();
      e2 = u2 - e1 * u2.dot(e1);
      if (e2.length() < 1e-6) continue;
      e2 = e2.normalized();
    }
    const int i = axis_index(entry.frame.axis[0]), j = axis_index(entry.frame.axis[1]);
    const int k = 3 - i - j;
    // e_k = e_i x e_j when (i, j, k) is cyclic.
    gemmi::Vec3 e3 = (j == (i + 1) % 3) ? e1.cross(e2) : e2.cross(e1);
    MattsFrame f;
    f.axis = entry.frame.axis;
    f.left = entry.frame.left;
    f.centre = map.named[0].pos;
    if (entry.chiral) {
      f.chiral = true;
      const gemmi::Vec3 c(map.named[0].pos);
      auto v = [&](int n) { return gemmi::Vec3(map.named[static_cast<std::size_t>(entry.chirality[static_cast<std::size_t>(n)])].pos) - c; };
      f.same_chirality = v(0).cross(v(1)).dot(v(2)) >= 0;
      if (!f.same_chirality) f.left = !f.left;
    }
    if (f.left) e3 = -e3;
    std::array<gemmi::Vec3, 3> rows;
    rows[static_cast<std::size_t>(i)] = e1;
    rows[static_cast<std::size_t>(j)] = e2;
    rows[static_cast<std::size_t>(k)] = e3;
    f.axes = gemmi::Mat33(rows[0].x, rows[0].y, rows[0].z, rows[1].x, rows[1].y, rows[1].z, rows[2].x, rows[2].y,
                          rows[2].z);
    const Reference* refs[2] = {&*r1, &*r2};
    const gemmi::Vec3 dirs[2] = {e1, u2.normalized()};
    for (int a = 0; a < 2; ++a) {
      MattsAxisPoint& p = f.point[static_cast<std::size_t>(a)];
      const Reference& r = *refs[a];
      if (r.single && is_identity(r.points[0].op)) {
        p.atom = r.points[0].atom;
        p.pos = r.points[0].pos;
      } else {
        p.pos = gemmi::Position(gemmi::Vec3(map.named[0].pos) + dirs[a]);
      }
      p.text = entry.frame.ref[static_cast<std::size_t>(a)].text;
      p.arbitrary = r.orthogonal;
    }
    const std::tuple<double, double, double, double> key{r1->weight, -r1->distance, r2->weight, -r2->distance};
    if (!kept || key >= kept_key) {
      kept = f;
      kept_key = key;
    }
  }
  return kept;
}

}  // namespace vorn
