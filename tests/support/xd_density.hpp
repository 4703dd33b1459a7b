// An atom's deformation density as a written XD pair gives it, evaluated
// with the test's own frames and harmonics, for tests that check that a
// change of frame kept the density.
#pragma once

#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>

#include <gemmi/unitcell.hpp>

#include "support/real_harmonics.hpp"
#include "support/test_support.hpp"

namespace vorn::test {

using Populations = std::array<std::array<double, 9>, 5>;   // [l][l + m], per unit occupancy

struct XdAtom {
  std::string atom0, atom2, key;   // key: the KEY flags of D11+ ... H44-
  char ax1 = ' ', ax2 = ' ';
  Populations plm{};
};

struct XdPair {
  std::map<std::string, gemmi::Position> site;   // atoms and dummies
  std::map<std::string, XdAtom> atom;
};

// xd_vorn.mas: CELL, the atom table, the dummies, the KEY lines;
// xd_vorn.inp: an atom line (label, 11 integers, x y z occupancy), its Uij,
// then Pv, P00 and the multipoles times the occupancy.
inline XdPair read_xd_pair(const ScratchDir& dir) {
  XdPair x;
  gemmi::UnitCell cell;
  std::string w, s, section;
  for (const std::string& line : lines_of(dir.read("xd_vorn.mas"))) {
    std::istringstream in(line);
    in >> w;
    gemmi::Fractional f;
    if (w == "CELL") {
      std::array<double, 6> c{};
      for (double& v : c) in >> v;
      cell.set(c[0], c[1], c[2], c[3], c[4], c[5]);
    } else if (w == "ATOM" || w == "KEY" || w == "END") {
      section = w;
    } else if (w.rfind("DUM", 0) == 0 && in >> f.x >> f.y >> f.z) {
      x.site[w] = cell.orthogonalize(f);
    } else if (section == "ATOM") {
      XdAtom& a = x.atom[w];
      in >> a.atom0 >> a.ax1 >> s >> a.atom2 >> a.ax2;
    } else if (section == "KEY" && x.atom.count(w)) {
      for (int k = 0; k < 5; ++k) in >> s;   // XYZ, Uij and the monopoles
      while (in >> s) x.atom[w].key += s;
    }
  }
  const std::vector<std::string> inp = lines_of(dir.read("xd_vorn.inp"));
  for (std::size_t i = 0; i + 5 < inp.size(); ++i) {
    std::istringstream in(inp[i]), p(inp[i + 2] + ' ' + inp[i + 3] + ' ' + inp[i + 4]);
    gemmi::Fractional f;
    double occ = 1;
    if (!(in >> w) || !x.atom.count(w)) continue;
    for (int k = 0; k < 11; ++k) in >> s;
    in >> f.x >> f.y >> f.z >> occ;
    x.site[w] = cell.orthogonalize(f);
    p >> s >> s;
    for (int l = 1; l <= 4; ++l)
      for (int k = 0; k < 2 * l + 1; ++k) p >> x.atom[w].plm[static_cast<std::size_t>(l)][static_cast<std::size_t>(l + key_m(l, k))];
    for (auto& order : x.atom[w].plm)
      for (double& v : order) v /= occ;
  }
  return x;
}

// Axes (columns X, Y, Z): the first letter's axis from the atom towards p1,
// the second's towards p2 perpendicular to it, the third right-handed.
inline gemmi::Mat33 axes_towards(const gemmi::Position& at, const gemmi::Position& p1, char l1,
                                 const gemmi::Position& p2, char l2) {
  const gemmi::Vec3 a = (p1 - at).normalized(), v = p2 - at, b = (v - a * v.dot(a)).normalized();
  const int i = l1 - 'X', j = l2 - 'X';
  gemmi::Vec3 e[3];
  e[i] = a;
  e[j] = b;
  e[3 - i - j] = (j - i + 3) % 3 == 1 ? a.cross(b) : b.cross(a);
  return gemmi::Mat33(e[0].x, e[1].x, e[2].x, e[0].y, e[1].y, e[2].y, e[0].z, e[1].z, e[2].z);
}

inline gemmi::Mat33 written_axes(const XdPair& x, const std::string& label) {
  const XdAtom& a = x.atom.at(label);
  return axes_towards(x.site.at(label), x.site.at(a.atom0), a.ax1, x.site.at(a.atom2), a.ax2);
}

// Density-normalised harmonic (l >= 1): no Condon-Shortley phase, and the
// integral of its magnitude over the sphere 2, which separates into
// |P_l^m| over cos(theta) (a fine midpoint sum) and |cos m phi| over phi.
inline double density_harmonic(int l, int m, const gemmi::Vec3& u) {
  static std::array<std::array<double, 5>, 5> norm{};
  double& n = norm[static_cast<std::size_t>(l)][static_cast<std::size_t>(std::abs(m))];
  if (n == 0)
    for (int s = 0; s < 20000; ++s) n += std::fabs(std::sph_legendre(l, std::abs(m), std::acos(-1 + (2 * s + 1.0) / 20000))) / 1e4;
  const double scale = 2 / (n * (m == 0 ? 2 * std::numbers::pi : 4.0));
  return (std::abs(m) % 2 == 1 ? -scale : scale) * real_ylm(l, m, u);
}

// The populations in the frame `to` of the density that `p` gives in the
// frame `from`: its projection onto each harmonic, by Gauss-Legendre nodes
// in cos(theta) times equal steps in phi (exact for products up to l = 4).
inline Populations turned(const Populations& p, const gemmi::Mat33& from, const gemmi::Mat33& to) {
  constexpr int kNodes = 10, kSteps = 24;
  Populations out{}, norm{};
  for (int i = 1; i <= kNodes; ++i) {
    double t = std::cos(std::numbers::pi * (i - 0.25) / (kNodes + 0.5)), slope = 1;
    for (int iter = 0; iter < 50; ++iter) {
      double p0 = 1, p1 = t;
      for (int k = 2; k <= kNodes; ++k) p0 = std::exchange(p1, ((2 * k - 1) * t * p1 - (k - 1) * p0) / k);
      slope = kNodes * (t * p1 - p0) / (t * t - 1);
      t -= p1 / slope;
    }
    for (int j = 0; j < kSteps; ++j) {
      const double phi = 2 * std::numbers::pi * j / kSteps, w = 4 * std::numbers::pi / ((1 - t * t) * slope * slope * kSteps);
      const gemmi::Vec3 u(std::sqrt(1 - t * t) * std::cos(phi), std::sqrt(1 - t * t) * std::sin(phi), t);
      const gemmi::Vec3 in_from = from.transpose().multiply(to.multiply(u));
      double rho = 0;
      for (int l = 1; l <= 4; ++l)
        for (int m = -l; m <= l; ++m) rho += p[l][static_cast<std::size_t>(l + m)] * density_harmonic(l, m, in_from);
      for (int l = 1; l <= 4; ++l)
        for (int m = -l; m <= l; ++m) {
          const double d = density_harmonic(l, m, u);
          out[l][static_cast<std::size_t>(l + m)] += w * rho * d;
          norm[l][static_cast<std::size_t>(l + m)] += w * d * d;
        }
    }
  }
  for (int l = 1; l <= 4; ++l)
    for (int k = 0; k <= 2 * l; ++k) out[l][k] /= norm[l][k];
  return out;
}

}  // namespace vorn::test
