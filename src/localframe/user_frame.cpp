#include "localframe/user_frame.hpp"

#include <cmath>

#include "layout/layout.hpp"
#include "layout/run_error.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/local_frame.hpp"
#include "localframe/site_frame.hpp"
#include "structure/cell.hpp"
#include "topology/bond_rules.hpp"

namespace vorn {

namespace {

// sin(1 degree): axes closer than that to one line span no usable plane.
constexpr double kMinSine = 0.0175;

// The entry that is asymmetric-unit atom `source` or a copy of it, nearest
// the entry `from` (another than `from` itself when `other` is set); -1
// when there is none.
int nearest_entry(const Model& md, int source, int from, bool other) {
  int best = -1;
  double nearest = 0;
  for (int k = 0; k < md.entries; ++k) {
    if (source_atom(md, k) != source || (other && k == from)) continue;
    const double d = dist(cart(md, k), cart(md, from));
    if (best < 0 || d < nearest) best = k, nearest = d;
  }
  return best;
}

}  // namespace

std::string user_frame_key(const Model& md, int atom) {
  const FrameCorrection* c = md.corrections.frame_of(atom);
  if (c == nullptr) return {};
  return std::string{c->ax1, c->ax2, ' '} + c->label;
}

bool apply_user_frame(const AtomLoop& loop, int atom, Frame& frame, int dummies_before) {
  const Model& md = loop.model;
  const FrameCorrection* c = md.corrections.frame_of(atom);
  if (c == nullptr) return false;
  const std::string where = " (vorn.inp, line " + std::to_string(c->line) + ")";
  discard_dummies_after(loop, dummies_before);
  const Vec3 origin = cart(md, atom);
  const int p0 = nearest_entry(md, c->atom0, atom, true);
  const int p1 = nearest_entry(md, c->atom1, atom, false);
  const int p2 = nearest_entry(md, c->atom2, p1, true);
  if (p0 < 0 || p2 < 0)
    fail("ReadInp", "AXES: an axis of " + std::string(loop.atom(atom).label.trimmed()) +
                        " runs from an atom to itself" + where);
  frame.letter = {c->ax1, c->ax2};
  frame.label[0] = loop.atom(p0).label.view();
  frame.pos[0] = cart(md, p0);
  frame.point[0] = p0;
  if (p1 == atom) {
    frame.label[1] = loop.atom(p2).label.view();
    frame.pos[1] = cart(md, p2);
    frame.point[1] = p2;
  } else {
    // XD's ATOM1 -> ATOM2 from another atom: the same direction from this
    // one, through a dummy.
    const Vec3 a = cart(md, p1), b = cart(md, p2);
    const Cartesian at{{origin[0] + b[0] - a[0], origin[1] + b[1] - a[1], origin[2] + b[2] - a[2]}};
    const DummyPoint d = add_dummy(loop.tables.dummies, md, loop.sw, at);
    frame.label[1] = loop.tables.dummies.numbered(d.number).label.view();
    frame.pos[1] = d.cart;
    frame.point[1] = loop.natom() + (d.number - 1);
  }
  // The two directions must span a plane: more than a degree apart.
  const gemmi::Vec3 u(frame.pos[0][0] - origin[0], frame.pos[0][1] - origin[1], frame.pos[0][2] - origin[2]);
  const gemmi::Vec3 v(frame.pos[1][0] - origin[0], frame.pos[1][1] - origin[1], frame.pos[1][2] - origin[2]);
  const double sine = u.cross(v).length() / (u.length() * v.length());
  if (!(sine > kMinSine))
        fail("ReadInp", "AXES: the two axes of " + std::string(loop.atom(atom).label.trimmed()) +
                            " are parallel and span no plane" + where);
  replace_copies_by_dummies(loop.indexed(), loop.tables.dummies, loop.log, frame);
  loop.atom(atom).sitesym = c->label;
  frame.set_by_user = true;
  to_log(loop.log, layout::format("(/a)", " Local frame and symmetry label set by AXES" + where));
  return true;
}

}  // namespace vorn
