// Dummy atoms and the small geometry helpers of the frame assignment.
#include "localframe/dummy_atoms.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"

namespace vorn {

namespace {

// Two points closer than this are one dummy.
constexpr double kReuseDistance = 0.1;

Vec3 stored_to_cart(const Model& model, const Switches& sw, const std::array<double, 3>& p) {
  if (sw.has_cell) return to_cartesian(model.transf, Fractional{p});
  return p;
}

}  // namespace

Vec3 stored_position(const Model& model, const Switches& sw, int i) {
  if (sw.has_cell) return frac(model, i);
  return cart(model, i);
}

Vec3 dummy_cart(const Dummies& dummies, const Model& model, const Switches& sw, int d) {
  return stored_to_cart(model, sw, dummies.numbered(d).pos);
}

int append_dummy(Dummies& dummies, const Vec3& p) {
  const int n = dummies.count() + 1;
  // XD's labels hold three digits for the dummy's number.
  if (n > kMaxDummyNames) fail("DummyLab", "DUMMY label exceeds format...");
  dummies.atoms.push_back({"DUM" + std::to_string(n), p});
  return n;
}

DummyPoint add_dummy_stored(Dummies& dummies, const Model& model, const Switches& sw, const Vec3& stored) {
  const Vec3 want = stored_to_cart(model, sw, stored);
  for (int d = 1; d <= dummies.count(); ++d) {
    const Vec3 have = dummy_cart(dummies, model, sw, d);
    if (dist(have, want) < kReuseDistance) return {d, Cartesian{have}};
  }
  return {append_dummy(dummies, stored), Cartesian{want}};
}

DummyPoint add_dummy(Dummies& dummies, const Model& model, const Switches& sw, const Cartesian& p) {
  if (sw.has_cell) return add_dummy_stored(dummies, model, sw, to_fractional(model.transf, p));
  return add_dummy_stored(dummies, model, sw, p);
}

Vec3 midpoint(const Vec3& a, const Vec3& b) {
  return {(a[0] + b[0]) / 2.0, (a[1] + b[1]) / 2.0, (a[2] + b[2]) / 2.0};
}

double angle_degrees(const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 u{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  const Vec3 v{c[0] - b[0], c[1] - b[1], c[2] - b[2]};
  const double lu = rlength(u), lv = rlength(v);
  // A point on top of the vertex has no direction: report 0 degrees, which
  // every caller treats as unusable.
  if (lu <= 0.0 || lv <= 0.0) return 0.0;
  double cosang = (u[0] * v[0] + u[1] * v[1] + u[2] * v[2]) / (lu * lv);
  cosang = std::clamp(cosang, -1.0, 1.0);
  return std::acos(cosang) * (180 / std::numbers::pi);
}

void write_angle(std::ostream& os, std::string_view a, std::string_view b, std::string_view c, double angle) {
  layout::write(os, "(/' Angle   ',a,' - ',a,' - ',a,' = ',f8.2,' deg.')", a, b, c, angle);
}

Vec3 cross_product(const Vec3& u, const Vec3& v) {
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

void axis_end_points(const Vec3& origin, const Vec3& ex, const Vec3& ey, const Vec3& ez, Vec3& px, Vec3& py, Vec3& pz) {
  auto end = [&](const Vec3& e) {
    const double l = rlength(e);
    if (l <= 0.0) return origin;
    return Vec3{origin[0] + 0.2 * e[0] / l, origin[1] + 0.2 * e[1] / l, origin[2] + 0.2 * e[2] / l};
  };
  px = end(ex);
  py = end(ey);
  pz = end(ez);
}

std::string dummy_number_text(int n) {
  std::string s = layout::fmt_i(n, 6);
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  return s;
}

void plot_local_axes(const Atom& a, int atom, const Vec3& p1, const Vec3& p2, char first, char second, std::ostream& os) {
  const Vec3 o{a.cartesian[0], a.cartesian[1], a.cartesian[2]};
  layout::write(os, "('ATOM ',a8,3x,3f12.4)", a.label, o[0], o[1], o[2]);
  const Vec3 p{p1[0] - o[0], p1[1] - o[1], p1[2] - o[2]};
  const Vec3 q{p2[0] - o[0], p2[1] - o[1], p2[2] - o[2]};
  const Vec3 n = cross_product(p, q);
  const Vec3 qp = cross_product(n, p);
  std::array<Vec3, 3> axis{n, n, n};
  auto slot = [](char letter) { return letter == 'X' ? 0 : letter == 'Y' ? 1 : 2; };
  axis[static_cast<std::size_t>(slot(first))] = p;
  axis[static_cast<std::size_t>(slot(second))] = qp;
  Vec3 px, py, pz;
  axis_end_points(o, axis[0], axis[1], axis[2], px, py, pz);
  const std::string num = std::to_string(atom + 1);
  layout::write(os, "('ATOM ',a8,3x,3f12.4)", Label("X" + num), px[0], px[1], px[2]);
  layout::write(os, "('ATOM ',a8,3x,3f12.4)", Label("Y" + num), py[0], py[1], py[2]);
  layout::write(os, "('ATOM ',a8,3x,3f12.4)", Label("Z" + num), pz[0], pz[1], pz[2]);
}

}  // namespace vorn
