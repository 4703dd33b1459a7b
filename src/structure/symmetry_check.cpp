#include "structure/symmetry_check.hpp"

#include <array>
#include <cmath>
#include <map>

#include "layout/run_error.hpp"
#include "structure/symmetry.hpp"

namespace vorn {

namespace {

using Mat = std::array<std::array<double, 3>, 3>;

Mat metric(const UnitCell& c) {
  const double pi = std::acos(-1.0);
  const double ca = std::cos(c.alpha * pi / 180), cb = std::cos(c.beta * pi / 180), cg = std::cos(c.gamma * pi / 180);
  const double a = c.a, b = c.b, cc = c.c;
  return {{{a * a, a * b * cg, a * cc * cb}, {a * b * cg, b * b, b * cc * ca}, {a * cc * cb, b * cc * ca, cc * cc}}};
}

// The composition a(b(x)).  An operator maps x to x' with
// x'_j = sum_i rot[i][j] x_i + trans[j].
SymOp compose(const SymOp& a, const SymOp& b) {
  SymOp c;
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j) {
      double s = 0;
      for (std::size_t k = 0; k < 3; ++k) s += b.rot[i][k] * a.rot[k][j];
      c.rot[i][j] = s;
    }
  for (std::size_t j = 0; j < 3; ++j) {
    double s = a.trans[j];
    for (std::size_t k = 0; k < 3; ++k) s += a.rot[k][j] * b.trans[k];
    c.trans[j] = s;
  }
  return c;
}

// Operators are compared by their rotation (whole numbers) and their
// translations modulo a whole cell.
using RotKey = std::array<long, 9>;
RotKey rot_key(const SymOp& op) {
  RotKey k{};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j) k[3 * i + j] = std::lround(op.rot[i][j]);
  return k;
}

bool same_translation(const SymOp& a, const SymOp& b) {
  for (std::size_t j = 0; j < 3; ++j) {
    const double d = static_cast<double>(a.trans[j]) - static_cast<double>(b.trans[j]);
    if (std::fabs(d - std::round(d)) > 2e-3) return false;
  }
  return true;
}

std::string place_of(std::size_t n, const std::vector<std::string>& places) {
  if (places.empty()) return "";
  const std::size_t base = n % places.size();
  return places[base].empty() ? "" : " (card on " + places[base] + ")";
}

}  // namespace

std::string isometry_fault(const SymOp& op, const UnitCell& cell) {
  const Mat g = metric(cell);
  for (std::size_t a = 0; a < 3; ++a)
    for (std::size_t b = a; b < 3; ++b) {
      double s = 0;
      for (std::size_t j = 0; j < 3; ++j)
        for (std::size_t k = 0; k < 3; ++k) s += op.rot[a][j] * g[j][k] * op.rot[b][k];
      if (!(std::fabs(s - g[a][b]) <= 0.01 * std::sqrt(g[a][a] * g[b][b]))) {
        static constexpr const char* kAxis[3] = {"a", "b", "c"};
        return std::string(a == b ? "the length of " : "the angle between ") + kAxis[a] +
               (a == b ? "" : std::string(" and ") + kAxis[b]) + " is not kept";
      }
    }
  return "";
}

void check_symmetry_closure(const Symmetry& sy, const std::vector<std::string>& places) {
  const std::size_t count = sy.ops.size();
  std::multimap<RotKey, std::size_t> by_rotation;
  for (std::size_t n = 0; n < count; ++n) by_rotation.emplace(rot_key(sy.ops[n]), n);
  for (std::size_t a = 0; a < count; ++a)
    for (std::size_t b = 0; b < count; ++b) {
      const SymOp c = compose(sy.ops[a], sy.ops[b]);
      bool found = false;
      const auto [first, last] = by_rotation.equal_range(rot_key(c));
      for (auto it = first; it != last && !found; ++it) found = same_translation(sy.ops[it->second], c);
      if (found) continue;
      fail("SymCrd", "The symmetry operators do not form a group: " + operator_text(sy.ops[a]) + place_of(a, places) +
                         " after " + operator_text(sy.ops[b]) + place_of(b, places) + " gives " + operator_text(c) +
                         ", which is none of them; is a symmetry card missing or mistyped?");
    }
}

void check_rhombohedral_setting(char letter, const UnitCell& c, std::string_view where) {
  if (letter != 'R') return;
  const bool equal_edges = std::fabs(c.a - c.b) <= 1e-3 * c.a && std::fabs(c.a - c.c) <= 1e-3 * c.a;
  const bool equal_angles = std::fabs(c.alpha - c.beta) <= 0.01 && std::fabs(c.alpha - c.gamma) <= 0.01;
  if (equal_edges && equal_angles && std::fabs(c.alpha - 90.0) > 0.01)
    fail("SymCrd", "The R centring (" + std::string(where) +
                       ") is for a cell on hexagonal axes, but the cell is on rhombohedral axes (a = b = c, alpha = "
                       "beta = gamma): such a cell is primitive; use LATT 1 (or -1), or transform the cell to "
                       "hexagonal axes");
}

}  // namespace vorn
