// Local-frame assignment: for one atom, two axis points with their axis
// letters and the site-symmetry label, chosen from the atom's neighbour
// count, the planarity of its group, its rings and its pairs of equivalent
// neighbours.
#include "localframe/local_frame.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "layout/run_error.hpp"
#include "databank/hydrogen.hpp"
#include "localframe/entry_frame.hpp"
#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/equivalence.hpp"
#include "localframe/kappa_sets.hpp"
#include "localframe/site_frame.hpp"
#include "localframe/user_frame.hpp"
#include "topology/bond_rules.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbors.hpp"
#include "topology/neighbour_shell.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

// A point closer to the atom than this gives no direction.
constexpr double kTooClose = 0.1;
// Angles at the atom between the two axis points outside this range make
// the frame degenerate.
constexpr double kMinAngle = 10.0;
constexpr double kMaxAngle = 170.0;

struct Point {
  Text<8> label;
  Vec3 pos{};
  int number = -1;   // entry index, or natom + (d - 1) for dummy d
};

// The entries of v from position `from` on.
std::vector<int> tail(const std::vector<int>& v, std::size_t from) {
  if (from >= v.size()) return {};
  return std::vector<int>(v.begin() + static_cast<std::ptrdiff_t>(from), v.end());
}

const char* const kNoNeighbors = "(/' No neighbors of atom ',a,' were found within ',f10.2,' Angstroms')";

class FrameBuilder {
public:
  FrameBuilder(const AtomLoop& loop, int atom, Frame& f) : loop_(loop), a_(atom), f_(f) {}
  void run();

private:
  Vec3 at() const { return cart(loop_.model, a_); }
  const AtomNeighbors& nbr(int x) const { return loop_.nb.of[x]; }
  int neighbour_count(int x) const { return nbr(x).count(); }
  int element_z(int x) const { return loop_.atom(x).atomic_number; }
  std::string_view lab(int x) const { return loop_.atom(x).label.trimmed(); }
  std::ostream& log() { return loop_.log.log(); }

  Point atom_point(int x) const { return {loop_.atom(x).label, cart(loop_.model, x), x}; }
  Point dummy_point(int d, const Vec3& c) const { return {loop_.tables.dummies.numbered(d).label.view(), c, loop_.natom() + (d - 1)}; }
  // Dummy at a point given in the frame dummies are stored in.
  Point dummy_at(const Vec3& stored) {
    const DummyPoint d = add_dummy_stored(loop_.tables.dummies, loop_.model, loop_.sw, stored);
    return dummy_point(d.number, d.cart);
  }
  // Dummy at the Cartesian midpoint of two atoms.
  Point midpoint_dummy(int b1, int b2) {
    const Cartesian p{midpoint(cart(loop_.model, b1), cart(loop_.model, b2))};
    const DummyPoint d = add_dummy(loop_.tables.dummies, loop_.model, loop_.sw, p);
    return dummy_point(d.number, d.cart);
  }
  bool midpoint_at_atom(int b1, int b2) const { return dist(midpoint(cart(loop_.model, b1), cart(loop_.model, b2)), at()) < kTooClose; }
  // The two points do not span a plane with the atom.
  bool degenerate(const Vec3& p1, const Vec3& p2) const {
    const Vec3 o = at();
    if (dist(o, p1) < kTooClose || dist(o, p2) < kTooClose) return true;
    const double ang = angle_degrees(p1, o, p2);
    return ang < kMinAngle || ang > kMaxAngle;
  }

  void set(int k, char letter, const Point& p) {
    const auto i = static_cast<std::size_t>(k);
    f_.letter[i] = letter;
    f_.label[i] = p.label;
    f_.pos[i] = p.pos;
    f_.point[i] = p.number;
  }
  void sitesym(std::string_view s) { loop_.atom(a_).sitesym = s; }
  void label_case(int c) { layout::write(log(), "(/' Label = ',i5)", c); }

  // First of the candidate atoms that makes a proper frame with p1; -1 if
  // none.
  int first_usable(const Point& p1, const std::vector<int>& cands) const {
    for (int c : cands)
      if (c != a_ && !degenerate(p1.pos, cart(loop_.model, c))) return c;
    return -1;
  }
  // Second axis point when the rule's own choices all lie on the line of
  // the first: the nearest usable atom around, else a usable dummy.
  Point rescue_second(const Point& p1);
  // No atom within the search radius of `centre` directs the second axis:
  // say so and take a dummy at the origin (or a usable point when the
  // origin lies on the line of the first axis).
  void origin_second(const Point& p1, char letter, int centre, double radius);
  Point second_from(const Point& p1, const std::vector<int>& cands) {
    const int c = first_usable(p1, cands);
    if (c >= 0) return atom_point(c);
    return rescue_second(p1);
  }
  // The two points of a frame that has no atom to go by: dummies at fixed
  // places of the cell (or of the Cartesian frame).
  void dummy_frame(char l1, char l2);

  void isolated();
  void simple_frame();
  bool ring_test();
  bool ring_axes(const Point& p1, const std::vector<int>& cands);
  void general();
  void three_neighbours(int is, const std::vector<std::pair<int, int>>& pairs);
  void four_neighbours(int is, const std::vector<std::pair<int, int>>& pairs);
  void two_neighbours(int is);
  void hydrogen_end();
  void heavy_end();

  const AtomLoop& loop_;
  int a_;
  Frame& f_;
  // The searches made for the frame are listed in the log until the search
  // for a hydrogen's axis atom or the extension of its bond; the searches
  // after those are not.
  SearchListing listing_ = SearchListing::logged;
  std::vector<int> isn_;
};

void FrameBuilder::origin_second(const Point& p1, char letter, int centre, double radius) {
  to_both(loop_.log, layout::format(kNoNeighbors, loop_.atom(centre).label, radius));
  to_both(loop_.log, layout::format("(/' Will make dummy at 0,0,0')"));
  Vec3 origin{0, 0, 0};
  const Vec3 oc = loop_.sw.has_cell ? Vec3(to_cartesian(loop_.model.transf, Fractional{origin})) : origin;
  set(1, letter, degenerate(p1.pos, oc) ? rescue_second(p1) : dummy_at(origin));
}

Point FrameBuilder::rescue_second(const Point& p1) {
  for (double r = 2.0; r <= 20.0; r += 1.0) {
    const std::vector<int> found = find_neighbours(loop_.indexed(), loop_.log, a_, r, listing_).atom;
    for (int e : found)
      if (!degenerate(p1.pos, cart(loop_.model, e)) && e != p1.number) {
        layout::write(log(), "(/' Axis points collinear; second axis point taken from ',a)", lab(e));
        return atom_point(e);
      }
  }
  static constexpr std::array<std::array<double, 3>, 7> kPlaces{
      {{0.5, 0.5, 0.5}, {0.5, 0.0, 0.0}, {0.0, 0.5, 0.0}, {0.0, 0.0, 0.5}, {0.0, 0.0, 0.0},
       {0.5, 0.5, 0.0}, {0.0, 0.5, 0.5}}};
  for (const auto& q : kPlaces) {
    const Vec3 c = loop_.sw.has_cell ? Vec3(to_cartesian(loop_.model.transf, Fractional{q})) : q;
    if (!degenerate(p1.pos, c)) {
      to_log(loop_.log, "");
      to_log(loop_.log, " Axis points collinear; second axis point is a dummy");
      return dummy_at(q);
    }
  }
  fail("DefLoc", "Could not find atom to direct Y-axis");
}

void FrameBuilder::dummy_frame(char l1, char l2) {
  // Origin and cell centre first; further places only where these two lie
  // on one line with the atom (or on it).
  static constexpr std::array<std::array<double, 3>, 8> kPlaces{
      {{0.0, 0.0, 0.0}, {0.5, 0.5, 0.5}, {0.5, 0.0, 0.0}, {0.0, 0.5, 0.0}, {0.0, 0.0, 0.5},
       {0.5, 0.5, 0.0}, {0.5, 0.0, 0.5}, {0.0, 0.5, 0.5}}};
  auto to_cart = [&](const std::array<double, 3>& q) { return loop_.sw.has_cell ? Vec3(to_cartesian(loop_.model.transf, Fractional{q})) : q; };
  std::size_t first = 0;
  while (first < kPlaces.size() && dist(to_cart(kPlaces[first]), at()) < kTooClose) ++first;
  for (std::size_t second = first + 1; second < kPlaces.size(); ++second) {
    if (degenerate(to_cart(kPlaces[first]), to_cart(kPlaces[second]))) continue;
    set(0, l1, dummy_at(kPlaces[first]));
    set(1, l2, dummy_at(kPlaces[second]));
    return;
  }
  fail("DefLoc", "Could not find atom to direct X-axis");
}

// Isolated atom: the nearest atoms within a growing radius, else dummies.
void FrameBuilder::isolated() {
  sitesym("NO");
  double r = 5.0;
  for (;;) {
    const std::vector<int> found = find_neighbours(loop_.indexed(), loop_.log, a_, r, listing_).atom;
    if (found.size() > 1) {
      const Point p1 = atom_point(found[0]);
      const int c = first_usable(p1, tail(found, 1));
      if (c >= 0) {
        set(0, 'X', p1);
        set(1, 'Y', atom_point(c));
        return;
      }
    }
    if (r >= 20.0) break;
    r += 1.0;
  }
  to_both(loop_.log, layout::format(kNoNeighbors, loop_.atom(a_).label, r));
  to_both(loop_.log, layout::format("(/' Will make dummies at 0,0,0 and 0.5,0.5,0.5')"));
  dummy_frame('X', 'Y');
}

void FrameBuilder::simple_frame() {
  sitesym("NO");
  const Point p1 = atom_point(isn_[0]);
  set(0, 'X', p1);
  set(1, 'Y', second_from(p1, tail(isn_, 1)));
}

// Returns true when the ring treatment completed the frame.
// Ring frame: X towards p1, Y towards the first usable ring neighbour;
// false (set up as a non-ring atom) when none can be used.
bool FrameBuilder::ring_axes(const Point& p1, const std::vector<int>& cands) {
  const int ya = first_usable(p1, cands);
  if (ya < 0) {
    to_log(loop_.log, "");
    to_log(loop_.log, " No ring neighbour can direct the Y-axis; the atom is set up as a non-ring atom");
    return false;
  }
  sitesym("m");
  set(0, 'X', p1);
  set(1, 'Y', atom_point(ya));
  return true;
}

bool FrameBuilder::ring_test() {
  const RingState r = ring_state(loop_.rings, a_);
  if (!r.in_ring) return false;
  const bool special = loop_.sw.ring_options.mirror_in_planar_ring;
  if (r.in_two_planar) {
    layout::write(log(), "(/a,i5,a)", " Atom belongs to 2 planar rings of tot numb ( #", r.ring, " )");
    f_.ring.rings = 2;
    f_.ring.members = r.size;
    if (!special) return false;
    int xa = -1;
    for (int e : isn_) {
      const RingState re = ring_state(loop_.rings, e);
      if (re.in_ring && !re.in_one_planar) {
        xa = e;
        break;
      }
    }
    if (xa < 0) {
      to_log(loop_.log, "");
      to_log(loop_.log, " No ring neighbour can direct the X-axis; the atom is set up as a non-ring atom");
      return false;
    }
    const int xsize = ring_state(loop_.rings, xa).size;
    if (xsize != 11 && xsize != 12) return false;
    const Point p1 = atom_point(xa);
    std::vector<int> cands;
    for (int e : isn_) {
      const RingState re = ring_state(loop_.rings, e);
      if (re.in_one_planar && re.size == 6) cands.push_back(e);
    }
    return ring_axes(p1, cands);
  }
  if (r.in_one_planar) {
    layout::write(log(), "(/a,i5,a)", " Atom belongs to only one planar ring ( # ", r.ring, " )");
    f_.ring.rings = 1;
    f_.ring.members = r.size;
    if (!special) return false;
    Ring& ring = loop_.rings.ring(r.ring);
    if (ring.centre_dummy == 0) {
      Vec3 c{0, 0, 0};
      for (int m : ring.members) {
        const Vec3 p = stored_position(loop_.model, loop_.sw, m);
        for (std::size_t k = 0; k < 3; ++k) c[k] += p[k];
      }
      const auto nm = static_cast<double>(ring.members.size());
      for (auto& v : c) v /= nm;
      ring.centre_dummy = add_dummy_stored(loop_.tables.dummies, loop_.model, loop_.sw, c).number;
    }
    const int d = ring.centre_dummy;
    layout::write(log(), "(/' Dummy atom which defines the ring center = ',a)", loop_.tables.dummies.numbered(d).label);
    const Point p1 = dummy_point(d, dummy_cart(loop_.tables.dummies, loop_.model, loop_.sw, d));
    std::vector<int> cands;
    for (int e : isn_)
      for (int m : ring.members)
        if (m == e) cands.push_back(e);
    return ring_axes(p1, cands);
  }
  layout::write(log(),
                "(/' This atom belongs to 1 or 2 rings which are NOT planar '' or it belongs to >2 rings',/,"
                "' Will be treated as if it DOES NOT belong to a ring')");
  return false;
}

void FrameBuilder::general() {
  const int n = neighbour_count(a_);
  const std::vector<int>& nb = nbr(a_).atom;
  if (n > 2) {
    std::vector<int> group = neighbours_and_self(loop_.nb, a_);
    f_.planar_group = is_planar(loop_.model, loop_.sw.tols, loop_.log, loop_.log.shows(3), group, PlaneKind::group);
    layout::write(log(), "(/' Atomic group (',i2,' atoms) planarity (lPG) = .',l1,'.')", n + 1, f_.planar_group);
  }
  std::vector<std::pair<int, int>> pairs;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      const int bi = nb[static_cast<std::size_t>(i)], bj = nb[static_cast<std::size_t>(j)];
      const EquivalenceTests tests{false, false, loop_.sw.simple_equivalence, false};
      if (chemically_equivalent(loop_.model, loop_.nb, loop_.rings, loop_.tables.groups, loop_.log, bi, bj, tests)) {
        pairs.emplace_back(bi, bj);
        layout::write(log(), "(/a,2i6)", " Same atoms : ", bi + 1, bj + 1);
      }
    }
  const int is = static_cast<int>(pairs.size());
  layout::write(log(), "(/a,i4)", " is = ", is);
  switch (n) {
    case 3: three_neighbours(is, pairs); break;
    case 4: four_neighbours(is, pairs); break;
    case 2: two_neighbours(is); break;
    case 1:
      if (element_z(a_) == 1) {
        hydrogen_end();
      } else {
        heavy_end();
      }
      break;
    default: simple_frame(); break;
  }
}

void FrameBuilder::three_neighbours(int is, const std::vector<std::pair<int, int>>& pairs) {
  const std::vector<int>& nb = nbr(a_).atom;
  if (is == 2) fail("DefLoc", layout::format("(' is = ',i4,' is not valid...')", is));
  // The neighbour outside the first pair (the last such).
  int odd = -1;
  if (is >= 1)
    for (int b : nb)
      if (b != pairs[0].first && b != pairs[0].second) odd = b;
  const std::vector<int> rest_isn = tail(isn_, 1);
  if (!f_.planar_group) {
    if (is == 0) {
      label_case(310);
      sitesym("NO");
      const Point p1 = atom_point(isn_[0]);
      set(0, 'X', p1);
      set(1, 'Y', second_from(p1, rest_isn));
    } else if (is == 1) {
      label_case(311);
      if (midpoint_at_atom(pairs[0].first, pairs[0].second)) {
        sitesym("m");
        const Point p1 = atom_point(odd);
        set(0, 'X', p1);
        set(1, 'Y', second_from(p1, {pairs[0].first, pairs[0].second}));
        return;
      }
      sitesym("m");
      const Point p1 = midpoint_dummy(pairs[0].first, pairs[0].second);
      set(0, 'X', p1);
      set(1, 'Y', second_from(p1, {odd, pairs[0].first, pairs[0].second}));
    } else {
      label_case(312);
      sitesym("3m");
      Vec3 c{0, 0, 0};
      for (int b : nb) {
        const Vec3 p = stored_position(loop_.model, loop_.sw, b);
        for (std::size_t k = 0; k < 3; ++k) c[k] += p[k];
      }
      for (auto& v : c) v /= 3.0;
      const Vec3 cc = loop_.sw.has_cell ? Vec3(to_cartesian(loop_.model.transf, Fractional{c})) : c;
      if (dist(cc, at()) < kTooClose) {
        // A flat group only just outside the planarity limit: its
        // centroid lies on the atom, and the three-fold axis is the normal
        // of the neighbours' plane, as in the planar group.
        to_log(loop_.log, "");
        to_log(loop_.log, " Centroid of the three neighbours on the atom; Z normal to their plane (planar 3m frame)");
        const Point p1 = atom_point(nb[0]);
        set(0, 'X', p1);
        set(1, 'Y', second_from(p1, {nb[1], nb[2]}));
        return;
      }
      const Point p1 = dummy_at(c);
      set(0, 'Z', p1);
      set(1, 'X', second_from(p1, {nb[0], nb[1], nb[2]}));
    }
    return;
  }
  if (is == 0) {
    label_case(300);
    sitesym("m");
    const Point p1 = atom_point(isn_[0]);
    set(0, 'X', p1);
    set(1, 'Y', second_from(p1, rest_isn));
  } else if (is == 1) {
    label_case(301);
    sitesym("mm2");
    Point p1 = atom_point(odd);
    if (element_z(odd) == 1 && !midpoint_at_atom(pairs[0].first, pairs[0].second))
      p1 = midpoint_dummy(pairs[0].first, pairs[0].second);
    set(0, 'Z', p1);
    set(1, 'X', second_from(p1, {pairs[0].first, pairs[0].second}));
  } else {
    label_case(303);
    sitesym("3m");
    const Point p1 = atom_point(nb[0]);
    set(0, 'X', p1);
    set(1, 'Y', second_from(p1, {nb[1], nb[2]}));
  }
}

void FrameBuilder::four_neighbours(int is, const std::vector<std::pair<int, int>>& pairs) {
  const std::vector<int>& nb = nbr(a_).atom;
  auto in_pair = [](const std::pair<int, int>& p, int x) { return x == p.first || x == p.second; };
  if (is == 0) {
    sitesym("NO");
    const Point p1 = atom_point(isn_[0]);
    set(0, 'X', p1);
    set(1, 'Y', second_from(p1, tail(isn_, 1)));
    return;
  }
  if (is == 1) {
    sitesym("m");
    std::vector<int> outside, inside;
    for (int e : isn_) (in_pair(pairs[0], e) ? inside : outside).push_back(e);
    const Point p1 = atom_point(outside[0]);
    std::vector<int> cands = tail(outside, 1);
    cands.insert(cands.end(), inside.begin(), inside.end());
    set(0, 'X', p1);
    set(1, 'Y', second_from(p1, cands));
    return;
  }
  if (is == 2) {
    sitesym("mm2");
    // Pairs whose first atom is not hydrogen, in discovery order.
    std::vector<int> usable;
    for (int k = 0; k < 2; ++k)
      if (element_z(pairs[static_cast<std::size_t>(k)].first) != 1) usable.push_back(k);
    if (usable.empty()) fail("DefLoc", "4 neighbors: 2 + 2 case");
    for (int k : usable) {
      const auto& zp = pairs[static_cast<std::size_t>(k)];
      const auto& other = pairs[static_cast<std::size_t>(1 - k)];
      if (midpoint_at_atom(zp.first, zp.second)) continue;
      const Point p1 = midpoint_dummy(zp.first, zp.second);
      set(0, 'Z', p1);
      set(1, 'Y', second_from(p1, {other.first, other.second}));
      return;
    }
    // Both pairs trans across the atom: Z along the first pair's bond.
    const auto& zp = pairs[static_cast<std::size_t>(usable[0])];
    const auto& other = pairs[static_cast<std::size_t>(1 - usable[0])];
    const Point p1 = atom_point(zp.first);
    set(0, 'Z', p1);
    set(1, 'Y', second_from(p1, {other.first, other.second}));
    return;
  }
  if (is == 3) {
    sitesym("3m");
    int lone = -1;
    for (int b : nb) {
      bool paired = false;
      for (const auto& p : pairs) paired = paired || in_pair(p, b);
      if (!paired) lone = b;
    }
    if (lone < 0) fail("DefLoc", layout::format("(' is = ',i4,' is not valid...')", is));
    const Point p1 = atom_point(lone);
    std::vector<int> cands{pairs[0].first};
    for (int b : nb)
      if (b != lone && b != pairs[0].first) cands.push_back(b);
    set(0, 'Z', p1);
    set(1, 'X', second_from(p1, cands));
    return;
  }
  sitesym("-4m2");
  // Z towards the midpoint of two entries of the sorted list, Y towards a
  // third; a pair whose midpoint falls on the atom (trans) is passed over.
  for (std::size_t i = 0; i < isn_.size(); ++i)
    for (std::size_t j = i + 1; j < isn_.size(); ++j) {
      if (midpoint_at_atom(isn_[i], isn_[j])) continue;
      const Point p1 = midpoint_dummy(isn_[i], isn_[j]);
      std::vector<int> cands;
      for (std::size_t k = 0; k < isn_.size(); ++k)
        if (k != i && k != j) cands.push_back(isn_[k]);
      set(0, 'Z', p1);
      set(1, 'Y', second_from(p1, cands));
      return;
    }
  fail("DefLoc", "Could not find atom to direct Z-axis");
}

void FrameBuilder::two_neighbours(int is) {
  const std::vector<int>& nb = nbr(a_).atom;
  const int b1 = nb[0], b2 = nb[1];
  const double angle = angle_degrees(cart(loop_.model, b1), at(), cart(loop_.model, b2));
  if (angle >= 170.0) {
    layout::write(log(), "(/a)", " LINEAR conformation !");
    sitesym("cyl");
    const int zatom = element_z(b2) == 1 ? b1 : b2;
    const Point p1 = atom_point(zatom);
    set(0, 'Z', p1);
    for (int step = 0; step <= 16; ++step) {
      const double r = 2.0 + 0.5 * static_cast<double>(step);
      const std::vector<int> found = find_neighbours(loop_.indexed(), loop_.log, a_, r, listing_).atom;
      for (std::size_t k = 2; k < found.size(); ++k) {
        const int e = found[k];
        const double ang = angle_degrees(p1.pos, at(), cart(loop_.model, e));
        if (ang <= 160.0 && !degenerate(p1.pos, cart(loop_.model, e))) {
          write_angle(log(), lab(zatom), lab(a_), lab(e), ang);
          set(1, 'X', atom_point(e));
          return;
        }
      }
    }
    origin_second(p1, 'X', a_, 10.0);
    return;
  }
  layout::write(log(), "(/a)", " BENT conformation !");
  if (is == 1) {
    sitesym("mm2");
    const Point p1 = midpoint_dummy(b1, b2);
    set(0, 'Z', p1);
    set(1, 'Y', second_from(p1, {b1, b2}));
    return;
  }
  sitesym("m");
  const AtomNeighbors& me = nbr(a_);
  const int nh = me.type_count() > 0 && me.types[0].atomic_number == 1 ? me.types[0].count() : 0;
  const int xa = nh == 1 ? b2 : b1;
  const int ya = nh == 1 ? b1 : b2;
  const Point p1 = atom_point(xa);
  set(0, 'X', p1);
  set(1, 'Y', second_from(p1, {ya}));
}

void FrameBuilder::hydrogen_end() {
  const int p = nbr(a_).atom[0];
  sitesym("cyl");
  const AtomNeighbors& pn = nbr(p);
  loop_.tables.hydrogen_parents.of[a_].atomic_number = element_z(p);
  loop_.tables.hydrogen_parents.of[a_].neighbour_count = pn.count();
  loop_.tables.hydrogen_parents.of[a_].hydrogens = pn.type_count() > 0 ? pn.types[0].count() : 0;
  loop_.tables.hydrogen_parents.of[a_].in_ring = in_ring(loop_.nb, p, kRingLimit);
  layout::write(log(), "(/' Hydrogen connected to an atom with ',i2,' bonds ( ',i2,' - Hydrogen(s) )')",
                loop_.tables.hydrogen_parents.of[a_].neighbour_count, loop_.tables.hydrogen_parents.of[a_].hydrogens);
  const Point p1 = atom_point(p);
  set(0, 'Z', p1);
  if (pn.type_count() == 1 && pn.count() > 1) {
    std::vector<int> others;
    for (int e : pn.atom)
      if (e != a_) others.push_back(e);
    if (others.empty()) fail("DefLoc", "can not happen <1>");
    set(1, 'Y', second_from(p1, others));
  } else {
    listing_ = SearchListing::silent;
    // The nearest heavy atom of the asymmetric unit around the parent that
    // is not in line with the X-H bond.
    const int ya = nearest_neighbor(loop_.indexed(), p, 10.0, [&](int e) {
      if (element_z(e) == 1 || loop_.model.atoms[e].copy_of >= 0 || !may_bond(loop_.model, a_, e)) return false;
      return angle_degrees(at(), cart(loop_.model, p), cart(loop_.model, e)) <= 170.0 && !degenerate(p1.pos, cart(loop_.model, e));
    });
    if (ya >= 0) {
      write_angle(log(), lab(a_), lab(p), lab(ya), angle_degrees(at(), cart(loop_.model, p), cart(loop_.model, ya)));
      set(1, 'Y', atom_point(ya));
    } else {
      origin_second(p1, 'Y', p, 10.0);
    }
  }
  if (loop_.sw.extend_hydrogens) {
    f_.extended_bond = extend_xh_bond(loop_.model, loop_.index, loop_.sw, loop_.nb, loop_.rings, loop_.tables.hydrogen_parents, loop_.log, p, a_);
    listing_ = SearchListing::silent;
  }
}

void FrameBuilder::heavy_end() {
  const int p = nbr(a_).atom[0];
  sitesym("m");
  const Point p1 = atom_point(p);
  char first = 'X';
  int last = -1;
  for (int c : nbr(p).atom) {
    if (c == a_) continue;
    last = c;
    const double th = angle_degrees(at(), cart(loop_.model, p), cart(loop_.model, c));
    if (th <= 10.0) continue;
    if (th > 160.0) {
      first = 'Z';
      sitesym("cyl");
      continue;
    }
    if (degenerate(p1.pos, cart(loop_.model, c))) continue;
    write_angle(log(), lab(a_), lab(p), lab(c), th);
    set(0, first, p1);
    set(1, 'Y', atom_point(c));
    return;
  }
  set(0, first, p1);
  for (double r : {4.0, 6.0, 8.0, 10.0, 12.0}) {
    const std::vector<int> found = find_neighbours(loop_.indexed(), loop_.log, p, r, listing_).atom;
    for (int e : found) {
      if (e == a_ || (last >= 0 && e == last)) continue;
      const double th = angle_degrees(at(), cart(loop_.model, p), cart(loop_.model, e));
      if (th > 10.0 && th <= 160.0 && !degenerate(p1.pos, cart(loop_.model, e))) {
        write_angle(log(), lab(a_), lab(p), lab(e), th);
        set(1, 'Y', atom_point(e));
        return;
      }
    }
  }
  origin_second(p1, 'Y', p, 12.0);
}

void FrameBuilder::run() {
  f_ = Frame{};
  listing_ = SearchListing::logged;
  write_neighbours(loop_.model, loop_.nb, a_, loop_.log.shows(2), log());
  isn_ = neighbours_by_type(loop_.nb, a_);
  const int n = neighbour_count(a_);
  const bool disordered = loop_.atom(a_).occupancy_kind == OccupancyKind::disordered;
  bool nei_disordered = false;
  for (int b : nbr(a_).atom) nei_disordered = nei_disordered || loop_.atom(b).occupancy_kind == OccupancyKind::disordered;
  f_.ordered_with_disordered_neighbour = nei_disordered && !disordered;
  f_.planar_group = n <= 3;
  const AtomNeighbors& me = nbr(a_);
  const int nh = me.type_count() > 0 && me.types[0].atomic_number == 1 ? me.types[0].count() : 0;
  layout::write(log(), "(/a,i4)", " Number of covalently-bonded H-atoms = ", nh);

  // The simple frame needs two neighbours; with fewer the nearest atoms
  // around are used instead.
  if (loop_.sw.convert_to_xd_only) {
    if (n <= 1) {
      isolated();
    } else {
      simple_frame();
    }
  } else if (n == 0) {
    isolated();
  } else if (n > 4 || f_.ordered_with_disordered_neighbour) {
    if (n >= 2) {
      simple_frame();
    } else {
      isolated();
    }
  } else if (!ring_test()) {
    general();
  }
  replace_copies_by_dummies(loop_.indexed(), loop_.tables.dummies, loop_.log, f_);
}

}  // namespace

Frame assign_frame(const AtomLoop& loop, int atom) {
  Frame frame;
  FrameBuilder(loop, atom, frame).run();
  return frame;
}

std::optional<gemmi::Mat33> bank_frame_axes(const AtomLoop& loop, int atom, const Frame& chosen) {
  const Vec3 origin = cart(loop.model, atom);
  Frame rule = chosen;
  // Only an atom of a planar ring can have a frame other than the bank's
  // before the site is looked at: without *special its frame is built once
  // more with it, on a copy of the switches, and the log, the dummies, the
  // ring centres and the label are left as they were.
  if (!loop.sw.ring_options.mirror_in_planar_ring && chosen.ring.rings != 0) {
    Switches ring_centred = loop.sw;
    ring_centred.ring_options.mirror_in_planar_ring = true;
    std::ostringstream discarded;
    Log quiet;
    quiet.terminal = &discarded;
    quiet.verbosity = 0;
    Atom& a = loop.atom(atom);
    const auto label = a.sitesym;
    const int dummies = loop.tables.dummies.count();
    const AtomLoop sandbox{ring_centred, loop.model, loop.index, loop.nb, loop.rings, loop.databank, quiet,
                           loop.tables, loop.transferred};
    try {
      FrameBuilder(sandbox, atom, rule).run();
    } catch (const RunError&) {
      rule = chosen;
    }
    a.sitesym = label;
    for (Ring& r : loop.rings.list)
      if (r.centre_dummy > dummies) r.centre_dummy = 0;
    discard_dummies_after(loop, dummies);
  }
  const gemmi::Mat33 axes = frame_axes(origin, rule);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(axes[i][j])) return std::nullopt;
  return axes;
}

AtomSetup set_up_atom(const AtomLoop& loop, int atom, const std::vector<AtomSetup>& earlier) {
  const int dummies_before = loop.tables.dummies.count();
  Frame f = assign_frame(loop, atom);
  std::optional<gemmi::Mat33> bank_axes;
  if (const TransferredAtom* t = typed_atom(loop, atom)) {
    apply_entry_frame(loop, atom, *t, f, dummies_before);
  } else if (loop.databank != nullptr && loop.sw.use_databank) {
    // An entry of the program's own bank is written for the frame that its
    // rules give the atom, ring atoms referred to their ring centre; it is
    // turned from there into the frame written, which a run without
    // *special, an AXES line or the site may make another.
    bank_axes = bank_frame_axes(loop, atom, f);
  }
  apply_user_frame(loop, atom, f, dummies_before);
  fit_frame_to_site(loop, atom, f, dummies_before);
  return kappa_and_output(loop, atom, f, earlier, bank_axes);
}

void replace_copies_by_dummies(const IndexedAtoms& atoms, Dummies& dummies, Log& log, Frame& frame) {
  const int natom = atoms.model.natom;
  if (atoms.entries() <= natom) return;
  // The copies at each axis point come from the cell lists; the points do
  // not move here, so the copies are visited in the order of the scan.
  const std::vector<int> near[2] = {entries_closer(atoms, frame.pos[0], 0.001, natom, atoms.entries()),
                                    entries_closer(atoms, frame.pos[1], 0.001, natom, atoms.entries())};
  auto at_point = [&](std::size_t k, int i) { return std::binary_search(near[k].begin(), near[k].end(), i); };
  std::vector<int> copies(near[0]);
  copies.insert(copies.end(), near[1].begin(), near[1].end());
  std::sort(copies.begin(), copies.end());
  copies.erase(std::unique(copies.begin(), copies.end()), copies.end());
  for (const int i : copies) {
    for (std::size_t k = 0; k < 2; ++k) {
      if (!at_point(k, i)) continue;
      // A dummy already at the copy's place (one an earlier atom made for
      // the same copy) serves again.
      const int d = add_dummy_stored(dummies, atoms.model, atoms.sw, frac(atoms.model, i)).number;
      layout::write(log.log(),
                    "(/' Atom ',a,' used in definition of ',a,'-axis is',' symmetry-generated; replace with dummy ',"
                    "i4)",
                    frame.label[k].trimmed(), std::string(1, frame.letter[k]), d);
      frame.label[k] = dummies.numbered(d).label.view();
      frame.point[k] = natom + (d - 1);
    }
  }
}

}  // namespace vorn
