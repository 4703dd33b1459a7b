#include "structure/cell.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "layout/run_error.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"

namespace vorn {

double cosd(double deg) { return std::cos(deg * (std::numbers::pi / 180)); }
double sind(double deg) { return std::sin(deg * (std::numbers::pi / 180)); }
double asind(double s) { return std::asin(s) * (180 / std::numbers::pi); }

namespace {

void print_rows(std::ostream& os, const Mat3& m) {
  for (int i = 1; i <= 3; ++i) layout::write(os, "(3f15.8)", m.at(i, 1), m.at(i, 2), m.at(i, 3));
}

// The cell as the user wrote it, for the messages about impossible cells.
std::string cell_text(const UnitCell& c) {
  return layout::format("(3f10.4,3f9.3)", c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
}

// The narrowest a crystal's cell is across (between opposite faces).  A
// cell narrower than this (an edge typed as 0.01, an angle of 179.9) holds
// no crystal, and every search over its images would meet thousands of
// copies of each atom within a bond's length.
constexpr double kNarrowestCell = 0.5;

void check_cell_widths(const UnitCell& c) {
  const double pi = std::acos(-1.0);
  const double ca = std::cos(c.alpha * pi / 180), cb = std::cos(c.beta * pi / 180), cg = std::cos(c.gamma * pi / 180);
  const double v2 = 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg;
  const double volume = static_cast<double>(c.a) * c.b * c.c * std::sqrt(std::max(v2, 0.0));
  // The width across the faces spanned by two edges: the volume over the
  // area of that face.
  const double widths[3] = {volume / (static_cast<double>(c.b) * c.c * std::sqrt(1 - ca * ca)),
                            volume / (static_cast<double>(c.a) * c.c * std::sqrt(1 - cb * cb)),
                            volume / (static_cast<double>(c.a) * c.b * std::sqrt(1 - cg * cg))};
  const double narrowest = std::min({widths[0], widths[1], widths[2]});
  const auto bare = [](std::string t) { return t.erase(0, t.find_first_not_of(' ')); };
  if (!(narrowest >= kNarrowestCell))
    fail("TranMat", "Cell" + cell_text(c) + " is " + bare(layout::fmt_f(std::max(narrowest, 0.0), 8, 4)) +
                        " Angstrom across (volume " + bare(layout::fmt_e(volume, 10, 3)) +
                        " A^3): no crystal has a cell narrower than 0.5 Angstrom; is an edge or an angle mistyped?");
}

}  // namespace

Transform cell_transform(const UnitCell& c, Log& out) {
  const bool finite = std::isfinite(c.a) && std::isfinite(c.b) && std::isfinite(c.c) &&
                      std::isfinite(c.alpha) && std::isfinite(c.beta) && std::isfinite(c.gamma);
  if (!finite || c.a <= 0 || c.b <= 0 || c.c <= 0)
    fail("TranMat", "Cell edges must be positive numbers:" + cell_text(c));
  const double ca = cosd(c.alpha), cb = cosd(c.beta), cg = cosd(c.gamma), sg = sind(c.gamma);
  if (c.alpha <= 0 || c.beta <= 0 || c.gamma <= 0 || c.alpha >= 180 || c.beta >= 180 || c.gamma >= 180 ||
      std::fabs(sg) < 1e-6)
    fail("TranMat", "Cell angles cannot form a cell:" + cell_text(c));
  Mat3 m;
  m.at(1, 1) = c.a;
  m.at(2, 1) = 0;
  m.at(3, 1) = 0;
  m.at(1, 2) = c.b * cg;
  m.at(2, 2) = c.b * sg;
  m.at(3, 2) = 0;
  const double c13 = c.c * cb;
  const double c23 = c.c * (ca - cb * cg) / sg;
  const double arg = c.c * c.c - c13 * c13 - c23 * c23;
  // Angles that close a flat cell (120, 120, 120) leave arg zero up to
  // rounding, of either sign.
  if (!(arg > 1e-10 * c.c * c.c)) fail("TranMat", "Cell angles cannot form a cell:" + cell_text(c));
  check_cell_widths(c);
  m.at(1, 3) = c13;
  m.at(2, 3) = c23;
  m.at(3, 3) = std::sqrt(arg);
  Transform t;
  t.m = m;
  t.minv = inverse(m);
  std::ostream& log = out.log();
  log << "\n Transformation matrix CRYSTAL --> GLOBAL CARTESIAN :\n";
  print_rows(log, t.m);
  log << "\n Transformation matrix GLOBAL CARTESIAN --> CRYSTAL :\n";
  print_rows(log, t.minv);
  log << "  \n";
  out.term() << " \n";
  return t;
}

Mat3 inverse(const Mat3& a) {
  auto e = [&](int i, int j) { return a.at(i, j); };
  const double det = e(1, 1) * (e(2, 2) * e(3, 3) - e(2, 3) * e(3, 2)) -
                    e(1, 2) * (e(2, 1) * e(3, 3) - e(2, 3) * e(3, 1)) +
                    e(1, 3) * (e(2, 1) * e(3, 2) - e(2, 2) * e(3, 1));
  if (det == 0.0) fail("Inverse", "Determinant = 0");
  Mat3 r;
  r.at(1, 1) = (e(2, 2) * e(3, 3) - e(2, 3) * e(3, 2)) / det;
  r.at(1, 2) = -(e(1, 2) * e(3, 3) - e(1, 3) * e(3, 2)) / det;
  r.at(1, 3) = (e(1, 2) * e(2, 3) - e(1, 3) * e(2, 2)) / det;
  r.at(2, 1) = -(e(2, 1) * e(3, 3) - e(2, 3) * e(3, 1)) / det;
  r.at(2, 2) = (e(1, 1) * e(3, 3) - e(1, 3) * e(3, 1)) / det;
  r.at(2, 3) = -(e(1, 1) * e(2, 3) - e(1, 3) * e(2, 1)) / det;
  r.at(3, 1) = (e(2, 1) * e(3, 2) - e(2, 2) * e(3, 1)) / det;
  r.at(3, 2) = -(e(1, 1) * e(3, 2) - e(1, 2) * e(3, 1)) / det;
  r.at(3, 3) = (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) / det;
  return r;
}

namespace {

Vec3 times(const Mat3& m, const Vec3& p) {
  Vec3 r{};
  for (int i = 1; i <= 3; ++i)
    r[static_cast<std::size_t>(i - 1)] = m.at(i, 1) * p[0] + m.at(i, 2) * p[1] + m.at(i, 3) * p[2];
  return r;
}

}  // namespace

Cartesian to_cartesian(const Transform& t, const Fractional& p) { return Cartesian{times(t.m, p)}; }

Fractional to_fractional(const Transform& t, const Cartesian& p) { return Fractional{times(t.minv, p)}; }

double dist(double x1, double y1, double z1, double x2, double y2, double z2) {
  const double dx = x1 - x2, dy = y1 - y2, dz = z1 - z2;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double dist(const Vec3& a, const Vec3& b) { return dist(a[0], a[1], a[2], b[0], b[1], b[2]); }

double rlength(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

Vec3 r_cell(const UnitCell& c) {
  const double ca = cosd(c.alpha), cb = cosd(c.beta), cg = cosd(c.gamma);
  const double v = c.a * c.b * c.c * std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
  return {c.b * c.c * sind(c.alpha) / v, c.a * c.c * sind(c.beta) / v, c.a * c.b * sind(c.gamma) / v};
}

double equivalent_u(const Atom& at, const UnitCell& c) {
  if (at.adp_type != 2) return at.u[0];
  const Vec3 rc = r_cell(c);
  const double aa = c.a * rc[0], bb = c.b * rc[1], cc = c.c * rc[2];
  return (at.u[0] * aa * aa + at.u[1] * bb * bb + at.u[2] * cc * cc +
          2 * at.u[3] * c.a * c.b * rc[0] * rc[1] * cosd(c.gamma) +
          2 * at.u[4] * c.a * c.c * rc[0] * rc[2] * cosd(c.beta) +
          2 * at.u[5] * c.b * c.c * rc[1] * rc[2] * cosd(c.alpha)) /
         3;
}

void flag_partial_sites(Model& md) {
  for (int i = 0; i < md.natom; ++i) {
    Atom& at = md.atoms[i];
    at.occupancy_kind = OccupancyKind::normal;
    if (at.occ == 1.0) continue;
    const Vec3 x = frac(md, i);
    const Vec3 cartesian = cart(md, i);
    // The operators that map the site onto itself (the identity among
    // them): the site's occupancy is the atom's share times their number.
    int order = 0;
    for (const SymOp& op : md.symm.ops) {
      bool maps = false;
      for (int t1 = -2; t1 <= 2 && !maps; ++t1)
        for (int t3 = -2; t3 <= 2 && !maps; ++t3)
          for (int t2 = -2; t2 <= 2 && !maps; ++t2) {
            const int t[3] = {t1, t2, t3};
            Vec3 xs{};
            for (int j = 0; j < 3; ++j)
              xs[static_cast<std::size_t>(j)] = op.rot[0][static_cast<std::size_t>(j)] * x[0] +
                                                op.rot[1][static_cast<std::size_t>(j)] * x[1] +
                                                op.rot[2][static_cast<std::size_t>(j)] * x[2] +
                                                op.trans[static_cast<std::size_t>(j)] + static_cast<double>(t[j]);
            if (dist(to_cartesian(md.transf, Fractional{xs}), cartesian) < 0.001) maps = true;
          }
      if (maps) ++order;
    }
    // An atom on a three-fold axis with a third of a half-occupied site is
    // disordered, whatever its site symmetry.
    const bool partial = at.occ * std::max(order, 1) < 0.99;
    at.occupancy_kind = !partial && order > 1 ? OccupancyKind::special_position : OccupancyKind::disordered;
  }
}

Cartesian cart(const Model& m, int i) { return m.atoms[i].cartesian; }
Fractional frac(const Model& m, int i) { return m.atoms[i].fractional; }

}  // namespace vorn
