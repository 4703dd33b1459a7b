#include "localframe/multipole_symmetry.hpp"

#include <array>
#include <cmath>
#include <algorithm>
#include <numbers>
#include <utility>

#include "structure/site_symmetry.hpp"

namespace vorn {

double harmonic(int l, int m, const gemmi::Vec3& u) {
  const double x = u.x, y = u.y, z = u.z;
  switch (l * 10 + m) {
    case 11: return x;
    case 9: return y;   // l = 1, m = -1
    case 10: return z;
    case 20: return 3 * z * z - 1;
    case 21: return x * z;
    case 19: return y * z;
    case 22: return x * x - y * y;
    case 18: return 2 * x * y;
    case 30: return z * (5 * z * z - 3);
    case 31: return x * (5 * z * z - 1);
    case 29: return y * (5 * z * z - 1);
    case 32: return z * (x * x - y * y);
    case 28: return 2 * x * y * z;
    case 33: return x * x * x - 3 * x * y * y;
    case 27: return 3 * x * x * y - y * y * y;
    case 40: return 35 * z * z * z * z - 30 * z * z + 3;
    case 41: return x * z * (7 * z * z - 3);
    case 39: return y * z * (7 * z * z - 3);
    case 42: return (x * x - y * y) * (7 * z * z - 1);
    case 38: return 2 * x * y * (7 * z * z - 1);
    case 43: return z * (x * x * x - 3 * x * y * y);
    case 37: return z * (3 * x * x * y - y * y * y);
    case 44: return x * x * x * x - 6 * x * x * y * y + y * y * y * y;
    case 36: return 4 * x * y * (x * x - y * y);
    default: return 0;
  }
}

namespace {

// Directions in general position: no symmetry element of a point group
// maps one of them onto itself, so agreement on all of them is agreement
// of the functions.
const std::array<gemmi::Vec3, 12>& sample_directions() {
  static const std::array<gemmi::Vec3, 12> dirs = [] {
    std::array<gemmi::Vec3, 12> d;
    for (std::size_t k = 0; k < d.size(); ++k) {
      const double t = 0.7 + 1.37 * static_cast<double>(k);
      d[k] = gemmi::Vec3(std::cos(t) * (0.3 + 0.05 * static_cast<double>(k)), std::sin(1.9 * t), 0.45 - 0.083 * static_cast<double>(k))
                 .normalized();
    }
    return d;
  }();
  return dirs;
}

// Two frames whose axes agree to about a degree count as the same: atoms
// on special positions are placed exactly, the frames built from them are
// not exact to the last digit.
constexpr double kTolerance = 0.02;

bool unchanged_by(const gemmi::Mat33& r, int l, int m) {
  double scale = 0;
  for (const gemmi::Vec3& u : sample_directions()) scale = std::max(scale, std::fabs(harmonic(l, m, u)));
  for (const gemmi::Vec3& u : sample_directions())
    if (std::fabs(harmonic(l, m, r.multiply(u)) - harmonic(l, m, u)) > kTolerance * scale) return false;
  return true;
}

gemmi::Mat33 about_z(double turns) {
  const double a = 2 * std::numbers::pi * turns, c = std::cos(a), s = std::sin(a);
  return gemmi::Mat33(c, -s, 0, s, c, 0, 0, 0, 1);
}


}  // namespace

HarmonicIndex harmonic_of_term(int term) {
  if (term < 3) return {1, term == 0 ? 1 : term == 1 ? -1 : 0};
  int first = 3;
  for (int l = 2; l <= 4; ++l) {
    const int k = term - first;
    if (k < 2 * l + 1) return {l, k == 0 ? 0 : (k % 2 == 1 ? (k + 1) / 2 : -(k / 2))};
    first += 2 * l + 1;
  }
  return {};
}

std::string term_name(int term) {
  const HarmonicIndex h = harmonic_of_term(term);
  static const char letters[] = " DQOH";
  std::string name(1, letters[h.l]);
  name += std::to_string(h.l) + std::to_string(std::abs(h.m));
  if (h.m != 0) name += h.m < 0 ? '-' : '+';
  return name;
}

MultipoleSet invariant_terms(const std::vector<gemmi::Mat33>& operations) {
  MultipoleSet allowed;
  for (int k = 0; k < kMultipoleTerms; ++k) {
    const HarmonicIndex h = harmonic_of_term(k);
    bool keep = true;
    for (const gemmi::Mat33& r : operations) keep = keep && unchanged_by(r, h.l, h.m);
    allowed[static_cast<std::size_t>(k)] = keep;
  }
  return allowed;
}

int invariant_combinations(const std::vector<gemmi::Mat33>& group, int l) {
  // The character of a rotation by angle t on the order-l harmonics is
  // sum over m of cos(m t); an improper element is the inversion, which
  // multiplies them by (-1)^l, times a rotation.
  double sum = 0;
  for (const gemmi::Mat33& r : group) {
    const bool proper = r.determinant() > 0;
    const gemmi::Mat33 p = proper ? r : times_inversion(r);
    const double c = std::clamp((p.a[0][0] + p.a[1][1] + p.a[2][2] - 1) / 2, -1.0, 1.0);
    const double t = std::acos(c);
    double chi = 1;
    for (int m = 1; m <= l; ++m) chi += 2 * std::cos(m * t);
    sum += proper || l % 2 == 0 ? chi : -chi;
  }
  return static_cast<int>(std::lround(sum / static_cast<double>(group.size())));
}

bool frame_resolves_symmetry(const std::vector<gemmi::Mat33>& group) {
  const MultipoleSet single = invariant_terms(group);
  for (int l = 1; l <= 4; ++l) {
    int count = 0;
    for (int k = 0; k < kMultipoleTerms; ++k)
      if (harmonic_of_term(k).l == l && single[static_cast<std::size_t>(k)]) ++count;
    if (count != invariant_combinations(group, l)) return false;
  }
  return true;
}

namespace {

struct LabelSymmetry {
  LabelSymmetry(std::string_view l, std::vector<gemmi::Mat33> g)
      : label(l), generators(std::move(g)), allowed(invariant_terms(generators)) {}
  std::string_view label;
  std::vector<gemmi::Mat33> generators;
  MultipoleSet allowed;
};

const std::vector<LabelSymmetry>& label_table() {
  // The principal axis is Z; a second two-fold axis lies along X; the
  // mirror of "m" is the XY plane, a mirror of "mm2", "4mm" and "-4m2" is
  // normal to X, one of "3m" and "6mm" contains X; the cubic groups have
  // their four-fold (or two-fold) axes along X, Y and Z.  "cyl"
  // (cylindrical symmetry about Z) allows the m = 0 terms alone, as a
  // five-fold axis does up to l = 4.
  static const std::vector<LabelSymmetry> table = [] {
    const gemmi::Mat33 i(-1, 0, 0, 0, -1, 0, 0, 0, -1);
    const gemmi::Mat33 c2x(1, 0, 0, 0, -1, 0, 0, 0, -1);
    const gemmi::Mat33 mx(-1, 0, 0, 0, 1, 0, 0, 0, 1);
    const gemmi::Mat33 my(1, 0, 0, 0, -1, 0, 0, 0, 1);
    const gemmi::Mat33 mz(1, 0, 0, 0, 1, 0, 0, 0, -1);
    const gemmi::Mat33 c3d(0, 0, 1, 1, 0, 0, 0, 1, 0);   // three-fold along [111]
    const gemmi::Mat33 c4x(1, 0, 0, 0, 0, -1, 0, 1, 0);
    const gemmi::Mat33 c2 = about_z(1.0 / 2), c3 = about_z(1.0 / 3), c4 = about_z(1.0 / 4), c6 = about_z(1.0 / 6);
    const gemmi::Mat33 s4 = times_inversion(c4), s6 = times_inversion(c6);
    std::vector<LabelSymmetry> t{
        {"C", {i}},           {"-1", {i}},           {"2", {c2}},             {"m", {mz}},
        {"2/m", {c2, i}},     {"222", {c2, c2x}},    {"mm2", {c2, mx}},       {"mmm", {c2, c2x, i}},
        {"4", {c4}},          {"-4", {s4}},          {"4/m", {c4, i}},        {"422", {c4, c2x}},
        {"4mm", {c4, mx}},    {"-4m2", {s4, mx}},    {"4/mmm", {c4, c2x, i}}, {"3", {c3}},
        {"-3", {c3, i}},      {"32", {c3, c2x}},     {"3m", {c3, my}},        {"-3m", {c3, c2x, i}},
        {"6", {c6}},          {"-6", {s6}},          {"6/m", {c6, i}},        {"622", {c6, c2x}},
        {"6mm", {c6, my}},    {"-62m", {s6, c2x}},   {"6/mmm", {c6, c2x, i}}, {"23", {c2, c2x, c3d}},
        {"m-3", {c2, c2x, c3d, i}}, {"432", {c4, c4x, c3d}}, {"-43m", {s4, c3d}}, {"m-3m", {c4, c3d, i}},
        {"cyl", {about_z(1.0 / 5)}}};
    return t;
  }();
  return table;
}

}  // namespace

std::vector<gemmi::Mat33> label_operations(std::string_view label) {
  for (const LabelSymmetry& entry : label_table())
    if (entry.label == label) return entry.generators;
  return {};
}

MultipoleSet label_multipoles(std::string_view label) {
  for (const LabelSymmetry& entry : label_table())
    if (entry.label == label) return entry.allowed;
  return MultipoleSet().set();
}

std::vector<gemmi::Mat33> label_operations(std::string_view label, char l1, char l2) {
  if (label != "m") return label_operations(label);
  const char normal = l1 != 'X' && l2 != 'X' ? 'X' : l1 != 'Y' && l2 != 'Y' ? 'Y' : 'Z';
  return {gemmi::Mat33(normal == 'X' ? -1 : 1, 0, 0, 0, normal == 'Y' ? -1 : 1, 0, 0, 0, normal == 'Z' ? -1 : 1)};
}

MultipoleSet label_multipoles(std::string_view label, char l1, char l2) {
  if (label != "m") return label_multipoles(label);
  return invariant_terms(label_operations(label, l1, l2));
}

std::string multipole_key(const MultipoleSet& refined) {
  std::string key = "10";
  int first = 0;
  for (int l = 1; l <= 4; ++l) {
    key += ' ';
    for (int k = first; k < first + 2 * l + 1; ++k) key += refined[static_cast<std::size_t>(k)] ? '1' : '0';
    first += 2 * l + 1;
  }
  return key;
}

}  // namespace vorn
