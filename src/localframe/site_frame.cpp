#include "localframe/site_frame.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>

#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/local_frame.hpp"

namespace vorn {

namespace {

// Directions within a degree are the same direction.
const double kParallel = std::cos(1.0 * std::numbers::pi / 180.0);
// Axes this close to perpendicular (cosine) are perpendicular.
constexpr double kPerpendicular = 1e-3;

gemmi::Vec3 to_vec(const Vec3& v) { return {v[0], v[1], v[2]}; }
Vec3 to_float(const gemmi::Vec3& v) {
  return {static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z)};
}

// The axis letters whose plane holds the mirror of an "m" label: the
// frame's own for a frame the user set; the program's frames keep their
// mirror normal to Z, as the KEY table has always had it.
std::array<char, 2> mirror_letters(const Frame& frame) {
  return frame.set_by_user ? frame.letter : std::array<char, 2>{'X', 'Y'};
}

int letter_slot(char letter) { return letter == 'X' ? 0 : letter == 'Y' ? 1 : 2; }

std::string element_name(int kind) {
  switch (kind) {
    case -2: return "normal of the mirror";
    case 2: return "two-fold axis";
    case 3: return "three-fold axis";
    case 4: return "four-fold axis";
    case 6: return "six-fold axis";
    default: return std::to_string(kind) + " axis";
  }
}

bool is_cubic(gemmi::PointGroup g) {
  using PG = gemmi::PointGroup;
  return g == PG::T || g == PG::Th || g == PG::O || g == PG::Td || g == PG::Oh;
}

// The directions of the frame that the site dictates: Z along the principal
// rotation or rotoinversion axis (a lone mirror's normal), X along a second
// two-fold axis or in a mirror plane through Z; no X when the site has no
// element besides Z's.
struct SiteDirections {
  gemmi::Vec3 z;
  int z_kind = 0;
  std::optional<gemmi::Vec3> x;
  int x_kind = 0;
};

// The cube axes of a cubic site: four-fold, -4 in -43m, two-fold in 23
// and m-3.
int cube_axis_kind(gemmi::PointGroup g) {
  using PG = gemmi::PointGroup;
  return g == PG::Td ? -4 : (g == PG::O || g == PG::Oh) ? 4 : 2;
}

// How well an operation's axis serves as Z (0: not at all).
int principal_rank(const SiteOperation& op, gemmi::PointGroup group) {
  if (is_cubic(group)) return op.kind == cube_axis_kind(group) ? 1 : 0;
  const int order = std::abs(op.kind);
  if (order >= 3) return 10 + order;
  return op.kind == 2 ? 5 : op.kind == -2 ? 1 : 0;
}

// How well an operation perpendicular to Z serves to fix X (0: not at
// all): a second cube axis; otherwise a two-fold axis before a mirror
// (D2d the other way round, as its "-4m2" label's frame has a mirror normal
// along X).
int secondary_rank(const SiteOperation& op, gemmi::PointGroup group) {
  if (is_cubic(group)) return op.kind == cube_axis_kind(group) ? 1 : 0;
  if (op.kind != 2 && op.kind != -2) return 0;
  const bool prefer_mirror = group == gemmi::PointGroup::D2d;
  return (op.kind == -2) == prefer_mirror ? 2 : 1;
}

std::optional<SiteDirections> site_directions(const SiteSymmetry& site) {
  const SiteOperation* principal = nullptr;
  for (const SiteOperation& op : site.operations)
    if (principal_rank(op, site.point_group) > (principal ? principal_rank(*principal, site.point_group) : 0))
      principal = &op;
  if (principal == nullptr) return std::nullopt;   // the inversion alone fixes no direction
  SiteDirections d;
  d.z = principal->axis;
  d.z_kind = principal->kind;
  const SiteOperation* secondary = nullptr;
  for (const SiteOperation& op : site.operations) {
    if (std::fabs(op.axis.dot(d.z)) > kPerpendicular || op.axis.length_sq() == 0) continue;
    if (secondary_rank(op, site.point_group) > (secondary ? secondary_rank(*secondary, site.point_group) : 0))
      secondary = &op;
  }
  if (secondary != nullptr) {
    // X lies along a two-fold axis, or in a mirror plane through Z.
    d.x = secondary->kind == -2 ? secondary->axis.cross(d.z).normalized() : secondary->axis;
    d.x_kind = secondary->kind;
  }
  return d;
}

}  // namespace

gemmi::Mat33 frame_axes(const Vec3& atom, const Frame& frame) {
  const gemmi::Vec3 origin = to_vec(atom);
  const gemmi::Vec3 first = (to_vec(frame.pos[0]) - origin).normalized();
  gemmi::Vec3 second = to_vec(frame.pos[1]) - origin;
  second = (second - first * second.dot(first)).normalized();
  std::array<gemmi::Vec3, 3> axis;
  const int a = letter_slot(frame.letter[0]), b = letter_slot(frame.letter[1]);
  const int c = 3 - a - b;
  axis[static_cast<std::size_t>(a)] = first;
  axis[static_cast<std::size_t>(b)] = second;
  // X Y Z in cyclic order gives the third axis as first x second.
  const bool cyclic = (b - a + 3) % 3 == 1;
  axis[static_cast<std::size_t>(c)] = cyclic ? first.cross(second) : second.cross(first);
  return gemmi::Mat33(axis[0].x, axis[1].x, axis[2].x, axis[0].y, axis[1].y, axis[2].y, axis[0].z, axis[1].z,
                      axis[2].z);
}

gemmi::Mat33 handed_axes(const Vec3& origin, const Frame& f, bool left) {
  gemmi::Mat33 axes = frame_axes(origin, f);
  if (left) {
    const auto slot = [](char c) { return c == 'X' ? 0 : c == 'Y' ? 1 : 2; };
    const int third = 3 - slot(f.letter[0]) - slot(f.letter[1]);
    for (auto& row : axes.a) row[third] = -row[third];
  }
  return axes;
}

std::vector<gemmi::Mat33> operations_in_frame(const SiteSymmetry& site, const gemmi::Mat33& axes) {
  std::vector<gemmi::Mat33> in_frame;
  for (const SiteOperation& op : site.operations)
    in_frame.push_back(axes.transpose().multiply(op.rotation).multiply(axes));
  return in_frame;
}

namespace {

// The point that directs an axis along `direction` (whose sense may be
// turned): a bonded neighbour on that line, else a dummy one Angstrom out.
struct AxisPoint {
  Text<8> label;
  Vec3 pos{};
  int number = -1;   // entry index, or natom + (d - 1) for dummy d
};

// The atom's bonded neighbours, those of the atom table before the
// symmetry copies (a copy directing an axis becomes a dummy).
std::vector<int> neighbours_table_first(const AtomLoop& loop, int atom) {
  std::vector<int> order = loop.nb.of[atom].atom;
  std::stable_partition(order.begin(), order.end(), [&](int b) { return b < loop.natom(); });
  return order;
}

AxisPoint point_along(const AtomLoop& loop, int atom, gemmi::Vec3& direction) {
  const gemmi::Vec3 origin = to_vec(cart(loop.model, atom));
  for (int b : neighbours_table_first(loop, atom)) {
    const gemmi::Vec3 w = (to_vec(cart(loop.model, b)) - origin).normalized();
    const double c = w.dot(direction);
    if (std::fabs(c) < kParallel) continue;
    if (c < 0) direction = -direction;
    return {loop.atom(b).label, cart(loop.model, b), b};
  }
  const DummyPoint d = add_dummy(loop.tables.dummies, loop.model, loop.sw, Cartesian{to_float(origin + direction)});
  return {Text<8>(loop.tables.dummies.numbered(d.number).label.view()), d.cart, loop.natom() + (d.number - 1)};
}

void set_axis(Frame& f, int k, char letter, const AxisPoint& p) {
  const auto i = static_cast<std::size_t>(k);
  f.letter[i] = letter;
  f.label[i] = p.label;
  f.pos[i] = p.pos;
  f.point[i] = p.number;
}

// X without a second symmetry element: towards the first neighbour off the
// Z axis (XD takes the part of that direction perpendicular to Z), else the
// first atom that directed the frame from the neighbours, else a dummy on
// a direction perpendicular to Z.
AxisPoint point_off_axis(const AtomLoop& loop, int atom, const gemmi::Vec3& z, const Frame& chemical) {
  const gemmi::Vec3 origin = to_vec(cart(loop.model, atom));
  std::vector<int> candidates = neighbours_table_first(loop, atom);
  for (int p : chemical.point)
    if (p >= 0 && p < loop.natom()) candidates.push_back(p);
  for (int b : candidates) {
    const gemmi::Vec3 w = (to_vec(cart(loop.model, b)) - origin).normalized();
    if (std::fabs(w.dot(z)) < kParallel) return {loop.atom(b).label, cart(loop.model, b), b};
  }
  const gemmi::Vec3 helper = std::fabs(z.x) < 0.9 ? gemmi::Vec3(1, 0, 0) : gemmi::Vec3(0, 1, 0);
  gemmi::Vec3 x = (helper - z * helper.dot(z)).normalized();
  return point_along(loop, atom, x);
}

std::string frame_text(const Frame& f) {
  return std::string(1, f.letter[0]) + " -> " + std::string(f.label[0].trimmed()) + ", " + std::string(1, f.letter[1]) +
         " -> " + std::string(f.label[1].trimmed());
}

}  // namespace

void discard_dummies_after(const AtomLoop& loop, int count) {
  for (const Ring& r : loop.rings.list)
    if (r.centre_dummy > count) return;
  loop.tables.dummies.atoms.resize(static_cast<std::size_t>(count));
}

void fit_frame_to_site(const AtomLoop& loop, int atom, Frame& frame, int dummies_before) {
  Atom& a = loop.atom(atom);
  const SiteSymmetry site = find_site_symmetry(loop.model, atom);
  if (!site.special()) {
    frame.multipoles = label_multipoles(a.sitesym.trimmed(), mirror_letters(frame)[0], mirror_letters(frame)[1]);
    return;
  }
  const std::array<char, 2> letters = mirror_letters(frame);
  const std::vector<gemmi::Mat33> label_ops = label_operations(a.sitesym.trimmed(), letters[0], letters[1]);
  // A D2d site's frame has its mirrors normal to X and Y (the "-4m2"
  // orientation of its label), whether built from the site or found so.
  frame.site_group = site.point_group == gemmi::PointGroup::D2d ? "-4m2" : site_symmetry_label(site.point_group);
  std::string elements;
  for (const SiteOperation& e : symmetry_elements(site)) {
    elements += ' ' + element_symbol(e.kind);
    if (e.kind != -1) elements += layout::format("(' [',3f7.3,']')", e.axis.x, e.axis.y, e.axis.z);
  }
  const Vec3 origin = cart(loop.model, atom);
  std::vector<gemmi::Mat33> ops = operations_in_frame(site, frame_axes(origin, frame));
  const std::string count = std::to_string(site.operations.size());
  const std::optional<SiteDirections> dirs = site_directions(site);
  std::vector<gemmi::Mat33> with_label = ops;
  with_label.insert(with_label.end(), label_ops.begin(), label_ops.end());
  const MultipoleSet combined = invariant_terms(with_label);
  // A site that forbids more than the label says gets the site's label,
  // provided the frame is the one that label describes (its axes in the
  // label's convention); otherwise the frame is built from the site.
  const bool label_says_all = combined == label_multipoles(a.sitesym.trimmed(), letters[0], letters[1]);
  const bool site_label_fits = combined == label_multipoles(frame.site_group);
  if ((frame_resolves_symmetry(ops) && (label_says_all || site_label_fits)) || !dirs) {
    if (!label_says_all && site_label_fits) a.sitesym = frame.site_group;
    layout::write(loop.log.log(), "(/5a)", " Site symmetry of the crystal : ", frame.site_group, " (", count,
                  " operations); the local frame agrees with it");
    layout::write(loop.log.log(), "(2a)", " Symmetry elements (Cartesian) :", elements);
    ops.insert(ops.end(), label_ops.begin(), label_ops.end());
    frame.multipoles = invariant_terms(ops);
    return;
  }
  const std::string chemical = std::string(a.sitesym.trimmed()) + ", " + frame_text(frame);
  const Frame chemical_frame = frame;
  discard_dummies_after(loop, dummies_before);
  gemmi::Vec3 z = dirs->z;
  set_axis(frame, 0, 'Z', point_along(loop, atom, z));
  if (dirs->x) {
    gemmi::Vec3 x = *dirs->x;
    set_axis(frame, 1, 'X', point_along(loop, atom, x));
  } else {
    set_axis(frame, 1, 'X', point_off_axis(loop, atom, z, chemical_frame));
  }
  replace_copies_by_dummies(loop.indexed(), loop.tables.dummies, loop.log, frame);
  frame.axes_from_site = true;
  a.sitesym = frame.site_group;
  if (frame.set_by_user)
    warn(loop.log,
         layout::format("(/a)", " WARNING: the frame AXES gives " + std::string(a.label.trimmed()) + " (" + chemical +
                                    ") does not fit its crystal site " + frame.site_group +
                                    "; the frame of the site is used"),
         atom);
  layout::write(loop.log.log(), "(/7a)", " Atom ", a.label.trimmed(), " lies on a site of symmetry ", frame.site_group,
                " (", count, " operations)");
  layout::write(loop.log.log(), "(2a)", " Symmetry elements (Cartesian) :", elements);
  layout::write(loop.log.log(), "(2a)", " The frame from its neighbours does not follow the site : ", chemical);
  layout::write(loop.log.log(), "(4a)", " Frame of the site : ", frame_text(frame), "; Z along the ",
                element_name(dirs->z_kind) +
                    (!dirs->x             ? std::string()
                     : dirs->x_kind == -2 ? ", X in a mirror plane"
                                          : ", X along a " + element_name(dirs->x_kind)));
  frame.multipoles = invariant_terms(operations_in_frame(site, frame_axes(origin, frame)));
  if (is_cubic(site.point_group))
    to_log(loop.log, " The cubic combinations of order 4 are not single terms in any frame: they are not refined");
}

}  // namespace vorn
