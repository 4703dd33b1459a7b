// The frame and populations of an atom typed by a MATTS bank.
#include "localframe/entry_frame.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/multipole_rotation.hpp"
#include "localframe/site_frame.hpp"
#include "topology/neighbors.hpp"
#include "structure/cell.hpp"

namespace vorn {

namespace {

gemmi::Mat33 entry_axes(const TransferredAtom& t) { return t.frame->axes.transpose(); }   // rows -> columns

// A bonded atom that can stand for axis point k where the entry lets that
// axis point anywhere (any_orthogonal): XD builds the first axis exactly
// and the second in the plane of both points, so an arbitrary second axis
// takes any atom up to three bonds away off the first, and an
// arbitrary first axis a neighbour only when the second is arbitrary too.  Atoms of the asymmetric
// unit come first (a copy is written as a dummy at its place).  The
// populations are turned from the entry's axes into the ones written, so
// the density is the entry's whichever atom is taken.  -1 when none fits,
// a dummy then.
int atom_for_arbitrary_axis(const AtomLoop& loop, int atom, const MattsFrame& m, std::size_t k, const Frame& frame) {
  if (!m.point[k].arbitrary || (k == 0 && !m.point[1].arbitrary)) return -1;
  const Vec3 origin = cart(loop.model, atom);
  // Bonded atoms, then up to three bonds away (a hydrogen's only neighbour
  // lies on its first axis, and so may the next atom of a linear group).
  std::vector<int> candidates = neighbours_by_type(loop.nb, atom);
  std::size_t shell_start = 0;
  for (int shell = 2; shell <= 3; ++shell) {
    const std::size_t shell_end = candidates.size();
    for (std::size_t n = shell_start; n < shell_end; ++n)
      for (const int c : neighbours_by_type(loop.nb, candidates[n]))
        if (c != atom && std::find(candidates.begin(), candidates.end(), c) == candidates.end()) candidates.push_back(c);
    shell_start = shell_end;
  }
  std::stable_partition(candidates.begin(), candidates.end(), [&](int b) { return b < loop.natom(); });
  for (const int b : candidates) {
    if (k == 0) return b;
    if (b == frame.point[0]) continue;
    const double angle = angle_degrees(frame.pos[0], origin, cart(loop.model, b));
    if (angle > 10.0 && angle < 170.0) return b;
  }
  return -1;
}

}  // namespace

std::string program_label(const std::string& entry_symmetry) {
  if (entry_symmetry == "no") return "NO";
  // The bank's -6m2 keeps a two-fold axis along X (its entries carry O33+,
  // not O33-): the terms of the program's -62m, in the same axes.
  if (entry_symmetry == "-6m2") return "-62m";
  return entry_symmetry;
}

const TransferredAtom* typed_atom(const AtomLoop& loop, int atom) {
  if (loop.transferred == nullptr || atom < 0 || static_cast<std::size_t>(atom) >= loop.transferred->size()) return nullptr;
  const TransferredAtom& t = (*loop.transferred)[static_cast<std::size_t>(atom)];
  return t.entry >= 0 && t.frame ? &t : nullptr;
}

void apply_entry_frame(const AtomLoop& loop, int atom, const TransferredAtom& t, Frame& frame, int dummies_before) {
  discard_dummies_after(loop, dummies_before);
  const MattsFrame& m = *t.frame;
  const Vec3 origin = cart(loop.model, atom);
  for (std::size_t k = 0; k < 2; ++k) {
    const MattsAxisPoint& p = m.point[k];
    frame.letter[k] = m.axis[k];
    const int stand_in = atom_for_arbitrary_axis(loop, atom, m, k, frame);
    if (p.atom >= 0 || stand_in >= 0) {
      const int b = p.atom >= 0 ? p.atom : stand_in;
      frame.label[k] = loop.atom(b).label.view();
      frame.pos[k] = cart(loop.model, b);
      frame.point[k] = b;
    } else {
      const gemmi::Vec3 d = gemmi::Vec3(p.pos) - gemmi::Vec3(m.centre);
      const Cartesian at{{origin[0] + static_cast<double>(d.x), origin[1] + static_cast<double>(d.y),
                          origin[2] + static_cast<double>(d.z)}};
      const DummyPoint dp = add_dummy(loop.tables.dummies, loop.model, loop.sw, at);
      frame.label[k] = loop.tables.dummies.numbered(dp.number).label.view();
      frame.pos[k] = dp.cart;
      frame.point[k] = loop.natom() + (dp.number - 1);
    }
  }
  Atom& a = loop.atom(atom);
  a.sitesym = program_label(t.symmetry);
  layout::write(loop.log.log(), "(/a)",
                " Frame of entry " + t.id + " (" + m.point[0].text + ", " + m.point[1].text + ")" +
                    (m.chiral ? (m.same_chirality ? ", same chirality" : ", mirror image of its chirality") : "") +
                    (m.left ? ", left-handed" : ""));
}

gemmi::Mat33 written_axes(const AtomLoop& loop, int atom, const Frame& frame, bool left) {
  gemmi::Mat33 w = frame_axes(cart(loop.model, atom), frame);
  if (left)
    for (int i = 0; i < 3; ++i) w[i][2] = -w[i][2];
  return w;
}

Plm entry_populations_in(const TransferredAtom& t, const gemmi::Mat33& written) {
  Plm plm;
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m)
      plm(l, m) = static_cast<double>(t.plm[static_cast<std::size_t>(l)][static_cast<std::size_t>(l + m)]);
  return populations_in_frame(plm, entry_axes(t), written);
}

DatabankMatch entry_record(const TransferredAtom& t, const Plm& plm) {
  DatabankMatch m;
  m.found = true;
  m.pv = static_cast<double>(t.pv);
  m.sigpv = static_cast<double>(t.sigpv);
  m.kappa1 = static_cast<double>(t.kappa);
  m.kappa2 = static_cast<double>(t.kprim);
  m.plm = plm;
  m.comment = std::string_view(t.comment).substr(0, 80);
  return m;
}

}  // namespace vorn
