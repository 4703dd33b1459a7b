#include "localframe/kept_xd_model.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "layout/text_edit.hpp"
#include "localframe/multipole_rotation.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "localframe/site_frame.hpp"
#include "structure/cell.hpp"

namespace vorn {

namespace {

Vec3 cartesian(const Atom& a) { return {a.cartesian[0], a.cartesian[1], a.cartesian[2]}; }

// Where an axis point of the old atom table lies: an atom of the table by
// its label, or one of the old file's dummy atoms.
std::optional<Vec3> old_axis_point(const Model& model, const std::string& label) {
  for (int i = 0; i < model.natom; ++i)
    if (upcased(model.atoms[i].label.trimmed()) == label) return cartesian(model.atoms[i]);
  for (const XdDummyAtom& d : model.xd_refined.dummies)
    if (d.label == label) return to_cartesian(model.transf, Fractional{d.fractional});
  return std::nullopt;
}

bool finite(const gemmi::Mat33& m) {
  for (const auto& row : m.a)
    for (double v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

// The old frame's axes as the old atom table defines them; none when one
// of its axis points is not known or the points span no plane.
std::optional<gemmi::Mat33> old_axes(const Model& model, const Vec3& origin, const XdRefinedAtom& old) {
  if (!old.in_atom_table) return std::nullopt;
  const std::optional<Vec3> p1 = old_axis_point(model, old.axis_atom1);
  const std::optional<Vec3> p2 = old_axis_point(model, old.axis_atom2);
  if (!p1 || !p2 || old.axis1 == old.axis2) return std::nullopt;
  Frame f;
  f.letter = {old.axis1, old.axis2};
  f.pos = {*p1, *p2};
  const gemmi::Mat33 axes = handed_axes(origin, f, old.hand == 'L');
  if (!finite(axes)) return std::nullopt;
  return axes;
}

// The multipoles of a population list in the parameter file's order: the
// dipoles +1, -1, 0; from the quadrupoles on m = 0, +1, -1, +2, -2, ...
Plm multipoles_of(const std::array<double, kXdPopulations>& p) {
  Plm plm;
  std::size_t at = 1;
  plm(0, 0) = p[at++];
  plm(1, 1) = p[at++];
  plm(1, -1) = p[at++];
  plm(1, 0) = p[at++];
  for (int l = 2; l <= 4; ++l) {
    plm(l, 0) = p[at++];
    for (int m = 1; m <= l; ++m) {
      plm(l, m) = p[at++];
      plm(l, -m) = p[at++];
    }
  }
  return plm;
}

bool same_populations(const Plm& a, const Plm& b) { return a.v == b.v; }

}  // namespace

bool keeps_xd_model(const Switches& sw, const Model& model) {
  return sw.format == InputFormat::xd && !sw.new_frames && !sw.use_databank && holds_multipoles(model.xd_refined);
}

KeptPopulations keep_refined_populations(const Model& model, const std::vector<AtomSetup>& setup,
                                         Populations populations, Kappas kappas, Log& log) {
  const XdRefinedModel& old = model.xd_refined;
  std::string turned;
  to_log(log, "");
  to_log(log, " Refined populations and kappa values of the XD parameter file are kept");
  for (int i = 0; i < model.natom && static_cast<std::size_t>(i) < old.atoms.size(); ++i) {
    const XdRefinedAtom& o = old.atoms[static_cast<std::size_t>(i)];
    const AtomSetup& s = setup[static_cast<std::size_t>(i)];
    const Atom& a = model.atoms[i];
    const std::string label(a.label.trimmed());
    const Plm refined = multipoles_of(o.populations);
    Plm plm;
    plm(0, 0) = refined(0, 0);
    const Vec3 origin = cartesian(a);
    const std::optional<gemmi::Mat33> from = old_axes(model, origin, o);
    const gemmi::Mat33 to = handed_axes(origin, s.frame, s.handedness == Handedness::left);
    if (from && finite(to)) {
      // The multipoles of the old frame, expressed in the new one.
      plm = rotate_multipoles(refined, from->transpose().multiply(to));
      if (!same_populations(plm, refined)) turned += ' ' + label;
    } else {
      warn(log, " WARNING: multipole populations of " + label +
                    " set to zero (its old local frame is unknown or its axis points span no plane)", i);
    }
    // Terms that the atom's symmetry forbids, or above its level, are not
    // refined: they go.
    const Plm turned_whole = plm;
    std::string forbidden;
    for (int k = 0; k < kMultipoleTerms; ++k) {
      const HarmonicIndex h = harmonic_of_term(k);
      const bool allowed = s.frame.multipoles[static_cast<std::size_t>(k)] && h.l <= a.max_multipole_level;
      if (allowed || plm(h.l, h.m) == 0.0) continue;
      plm(h.l, h.m) = 0.0;
      forbidden += ' ' + term_name(k);
    }
    if (!forbidden.empty()) {
      to_log(log, " Populations that the symmetry of " + label + " forbids are set to zero :" + forbidden);
      to_log(log, lost_power_line(label, turned_whole, plm));
    }
    populations.of[i].pv = o.populations[0];
    populations.of[i].plm = plm;
  }
  if (!turned.empty()) to_log(log, " Multipoles turned into the new local frame:" + turned);

  // Kappa values: those of the old set of the atom that opened each set.
  std::vector<char> done(static_cast<std::size_t>(kappas.count()) + 1, 0);
  for (int i = 0; i < model.natom && static_cast<std::size_t>(i) < old.atoms.size(); ++i) {
    const int k = setup[static_cast<std::size_t>(i)].kappa_set;
    const int ok = old.atoms[static_cast<std::size_t>(i)].kappa_set;
    if (k < 1 || k > kappas.count() || done[static_cast<std::size_t>(k)] || ok < 1 ||
        static_cast<std::size_t>(ok) > old.kappa_sets.size())
      continue;
    done[static_cast<std::size_t>(k)] = 1;
    const auto& v = old.kappa_sets[static_cast<std::size_t>(ok - 1)].kappa;
    kappas.set(k).kappa = v[0];
    kappas.set(k).kappa_prime = v[1];
    if (std::any_of(v.begin() + 2, v.end(), [&](double x) { return x != v[1]; }))
      warn(log, " WARNING: kappa set " + std::to_string(k) +
                    " keeps only the first kappa' value of its old set (they differ by level)");
  }
  return {std::move(populations), std::move(kappas)};
}

}  // namespace vorn
