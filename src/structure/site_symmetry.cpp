#include "structure/site_symmetry.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace vorn {

namespace {

gemmi::Mat33 to_gemmi(const Mat3& m) {
  gemmi::Mat33 g;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) g.a[i][j] = m.at(i + 1, j + 1);
  return g;
}

// The rotation part of a space-group operator acting on fractional
// coordinates (row j maps to output coordinate j).
gemmi::Mat33 fractional_rotation(const SymOp& op) {
  gemmi::Mat33 r;
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j) r.a[j][i] = op.rot[i][j];
  return r;
}

// The line of an axis, with its first clearly non-zero component positive,
// so that the two senses of one axis compare equal.
gemmi::Vec3 line_direction(gemmi::Vec3 v) {
  v = v.normalized();
  for (double c : {v.x, v.y, v.z}) {
    if (std::fabs(c) < 1e-6) continue;
    return c < 0 ? -v : v;
  }
  return v;
}

// The axis of a proper rotation other than the identity.
gemmi::Vec3 rotation_axis(const gemmi::Mat33& r, int order) {
  if (order == 2) {
    // R + I = 2 n n^T: its longest column lies along the axis.
    gemmi::Vec3 best;
    for (int j = 0; j < 3; ++j) {
      gemmi::Vec3 c(r.a[0][j], r.a[1][j], r.a[2][j]);
      c.at(j) += 1.0;
      if (c.length_sq() > best.length_sq()) best = c;
    }
    return line_direction(best);
  }
  return line_direction({r.a[2][1] - r.a[1][2], r.a[0][2] - r.a[2][0], r.a[1][0] - r.a[0][1]});
}


// The name an axis takes from the operations about it: the highest order;
// -3 holds the three-fold rotation, while an axis with both 4 and -4 (or
// 6 and -6) is the proper one.
int axis_rank(int kind) {
  const bool preferred = kind == -3 || (kind > 0 && kind != 3);
  return 2 * std::abs(kind) + (preferred ? 1 : 0);
}

int count_of(const std::map<int, int>& kinds, int kind) {
  const auto it = kinds.find(kind);
  return it == kinds.end() ? 0 : it->second;
}

}  // namespace

gemmi::Mat33 times_inversion(const gemmi::Mat33& m) {
  gemmi::Mat33 n;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) n.a[i][j] = -m.a[i][j];
  return n;
}

SiteOperation classify_operation(const gemmi::Mat33& rotation) {
  SiteOperation op;
  op.rotation = rotation;
  // A rotoinversion -n is the inversion times an n-fold rotation: -R is
  // that rotation, and its axis is the element's axis (a mirror's normal).
  const bool proper = rotation.determinant() > 0;
  const gemmi::Mat33 p = proper ? rotation : times_inversion(rotation);
  int order = 1;
  switch (std::lround(p.a[0][0] + p.a[1][1] + p.a[2][2])) {
    case -1: order = 2; break;
    case 0: order = 3; break;
    case 1: order = 4; break;
    case 2: order = 6; break;
    default: order = 1; break;
  }
  op.kind = proper ? order : -order;
  if (order > 1) op.axis = rotation_axis(p, order);
  return op;
}

gemmi::PointGroup classify_point_group(const std::vector<SiteOperation>& operations) {
  using PG = gemmi::PointGroup;
  std::map<int, int> kinds;
  for (const SiteOperation& op : operations) ++kinds[op.kind];
  const auto has = [&](int kind) { return count_of(kinds, kind) > 0; };
  const int n2 = count_of(kinds, 2), nm = count_of(kinds, -2);
  switch (operations.size()) {
    case 2: return has(-1) ? PG::Ci : has(2) ? PG::C2 : PG::Cs;
    case 3: return PG::C3;
    case 4: return has(4) ? PG::C4 : has(-4) ? PG::S4 : has(-1) ? PG::C2h : n2 == 3 ? PG::D2 : PG::C2v;
    case 6: return has(6) ? PG::C6 : has(-6) ? PG::C3h : has(-1) ? PG::C3i : n2 == 3 ? PG::D3 : PG::C3v;
    case 8:
      if (has(4)) return has(-1) ? PG::C4h : n2 == 5 ? PG::D4 : PG::C4v;
      return has(-4) ? PG::D2d : PG::D2h;
    case 12:
      if (has(6)) return has(-1) ? PG::C6h : n2 == 7 ? PG::D6 : PG::C6v;
      if (has(-6)) return PG::D3h;
      return count_of(kinds, 3) == 8 ? PG::T : PG::D3d;
    case 16: return PG::D4h;
    case 24:
      if (has(6)) return PG::D6h;
      return has(4) ? PG::O : has(-4) ? PG::Td : PG::Th;
    case 48: return PG::Oh;
    default: return nm > 0 ? PG::Cs : PG::C1;
  }
}

std::string site_symmetry_label(gemmi::PointGroup group) {
  if (group == gemmi::PointGroup::C1) return "NO";
  return gemmi::point_group_hm(group);
}

std::vector<SiteOperation> symmetry_elements(const SiteSymmetry& site) {
  std::vector<SiteOperation> elements;
  for (const SiteOperation& op : site.operations) {
    if (op.kind == 1) continue;
    // A mirror is an element of its own; rotations and rotoinversions
    // about one line are one axis, named by its highest order.
    const bool mirror = op.kind == -2;
    auto same = [&](const SiteOperation& e) {
      return (e.kind == -2) == mirror && e.axis.approx(op.axis, 1e-3) && (op.kind != -1 || e.kind == -1);
    };
    const auto it = std::find_if(elements.begin(), elements.end(), same);
    if (it == elements.end()) {
      elements.push_back(op);
    } else if (axis_rank(op.kind) > axis_rank(it->kind)) {
      *it = op;
    }
  }
  std::stable_sort(elements.begin(), elements.end(),
                   [](const SiteOperation& a, const SiteOperation& b) { return std::abs(a.kind) > std::abs(b.kind); });
  return elements;
}

std::string element_symbol(int kind) { return kind == -2 ? "m" : std::to_string(kind); }

SiteSymmetry find_site_symmetry(const Model& model, int atom) {
  const Atom& a = model.atoms[atom];
  const gemmi::Mat33 orth = to_gemmi(model.transf.m);
  const gemmi::Mat33 frac = orth.inverse();
  const gemmi::Vec3 x(a.fractional[0], a.fractional[1], a.fractional[2]);
  SiteSymmetry site;
  site.operations.push_back(classify_operation(gemmi::Mat33()));
  for (const SymOp& op : model.symm.ops) {
    const gemmi::Mat33 r = fractional_rotation(op);
    gemmi::Vec3 shift = r.multiply(x) + gemmi::Vec3(op.trans[0], op.trans[1], op.trans[2]) - x;
    shift = {shift.x - std::round(shift.x), shift.y - std::round(shift.y), shift.z - std::round(shift.z)};
    if (orth.multiply(shift).length() >= kSiteTolerance) continue;
    const gemmi::Mat33 cartesian = orth.multiply(r).multiply(frac);
    bool known = false;
    for (const SiteOperation& have : site.operations) known = known || have.rotation.approx(cartesian, 1e-3);
    if (!known) site.operations.push_back(classify_operation(cartesian));
  }
  site.point_group = classify_point_group(site.operations);
  return site;
}

}  // namespace vorn
