// The deformation density of a set of pseudoatoms evaluated directly, for
// the tests of the program's density: orbitals built and normalised here by
// quadrature from the published coefficients, the harmonics from the
// standard library's Legendre functions normalised here, and a plain sum
// over every symmetry image within 8 A, with no neighbour search.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <numbers>
#include <string>
#include <vector>

#include <gemmi/unitcell.hpp>

#include "formfactors/pseudo_atom.hpp"
#include "formfactors/quadrature.hpp"
#include "formfactors/wavefunction_data.hpp"
#include "structure/model.hpp"

namespace vorn::test {

class DirectDensity {
public:
  DirectDensity(const Model& model, std::vector<PseudoAtom> atoms) : atoms_(std::move(atoms)) {
    cell_ = gemmi::UnitCell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                            model.cell.gamma);
    ops_ = model.symm.ops;
  }

  double at(const gemmi::Vec3& point) {
    double rho = 0;
    for (const PseudoAtom& a : atoms_)
      for (const SymOp& op : ops_) {
        gemmi::Mat33 rot;
        gemmi::Vec3 image;
        for (int j = 0; j < 3; ++j) {
          for (int i = 0; i < 3; ++i) rot.a[j][i] = op.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
          image.at(j) = op.trans[static_cast<std::size_t>(j)];
        }
        image += rot.multiply(gemmi::Vec3(a.position[0], a.position[1], a.position[2]));
        const gemmi::Mat33 turn = cell_.orth.mat.multiply(rot).multiply(cell_.frac.mat);
        for (int n0 = -2; n0 <= 2; ++n0)
          for (int n1 = -2; n1 <= 2; ++n1)
            for (int n2 = -2; n2 <= 2; ++n2) {
              const gemmi::Vec3 d = point - cell_.orth.mat.multiply(image + gemmi::Vec3(n0, n1, n2));
              if (d.length() > 8) continue;
              gemmi::Vec3 local;
              for (int k = 0; k < 3; ++k)
                local.at(k) = d.dot(turn.multiply(gemmi::Vec3(a.axes[static_cast<std::size_t>(k)][0],
                                                              a.axes[static_cast<std::size_t>(k)][1],
                                                              a.axes[static_cast<std::size_t>(k)][2])));
              rho += of_atom(a, local);
            }
      }
    return rho;
  }

private:
  struct Element {
    std::vector<std::vector<std::array<double, 3>>> valence;   // orbitals: (coefficient, power, exponent)
    std::vector<int> occupancy;
    double electrons = 0;
    double zeta = 0;
    std::array<int, 5> power{};
    std::array<double, 5> norm{};
  };

  static double integral(const std::function<double(double)>& f) {
    double s = 0;
    for (const auto& [r, w] : gauss_legendre(0, 30, 40, 60)) s += w * f(r);
    return s;
  }

  const Element& element(int z) {
    auto [it, fresh] = elements_.try_emplace(z);
    Element& e = it->second;
    if (!fresh) return e;
    const auto& rows = slater_primitive_rows();
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t end = i;
      while (end < rows.size() && rows[end].z == rows[i].z && std::string(rows[end].orbital) == rows[i].orbital) ++end;
      if (rows[i].z == z && rows[i].valence) {
        std::vector<std::array<double, 3>> orbital;
        // The published coefficients are those of normalised primitives.
        for (std::size_t p = i; p < end; ++p) {
          const double zeta = rows[p].zeta_bohr / 0.52917721092;
          const int k = rows[p].r_power;
          orbital.push_back({rows[p].coefficient * std::pow(2 * zeta, k + 1) * std::sqrt(2 * zeta / std::tgamma(2 * k + 3)),
                             static_cast<double>(k), zeta});
        }
        const double norm = integral([&](double r) { return std::pow(radial(orbital, r) * r, 2); });
        for (auto& t : orbital) t[0] /= std::sqrt(norm);
        e.valence.push_back(orbital);
        e.occupancy.push_back(rows[i].occupancy);
        e.electrons += rows[i].occupancy;
      }
      i = end;
    }
    for (const DeformationRadialRow& row : deformation_radial_rows())
      if (row.z == z) {
        e.zeta = row.zeta_bohr * 1.8897261245;
        e.power = row.r_power;
      }
    for (std::size_t l = 1; l <= 4; ++l)
      e.norm[l] = 1 / integral([&](double r) { return std::pow(r, e.power[l] + 2) * std::exp(-e.zeta * r); });
    return e;
  }

  static double radial(const std::vector<std::array<double, 3>>& orbital, double r) {
    double s = 0;
    for (const auto& [c, k, zeta] : orbital) s += c * std::pow(r, k) * std::exp(-zeta * r);
    return s;
  }

  double valence(const Element& e, double r) {
    double s = 0;
    for (std::size_t o = 0; o < e.valence.size(); ++o) s += e.occupancy[o] * std::pow(radial(e.valence[o], r), 2);
    return s / (4 * std::numbers::pi * e.electrons);
  }

  // d_lm: P_l^|m| (no Condon-Shortley phase) times cos(m phi) or
  // sin(|m| phi), scaled so that the integral of |d_lm| over the sphere is 2.
  double harmonic(int l, int m, const gemmi::Vec3& u) {
    const double x = std::clamp(u.z, -1.0, 1.0), phi = std::atan2(u.y, u.x);
    const auto am = static_cast<unsigned>(std::abs(m));
    auto [it, fresh] = harmonic_norm_.try_emplace(l * 10 + m);
    if (fresh) {
      double s = 0;
      constexpr int n = 20000;
      for (int i = 0; i < n; ++i) s += std::fabs(std::assoc_legendre(static_cast<unsigned>(l), am, -1 + (i + 0.5) * 2.0 / n)) * 2.0 / n;
      it->second = 2 / (s * (m == 0 ? 2 * std::numbers::pi : 4.0));
    }
    return it->second * std::assoc_legendre(static_cast<unsigned>(l), am, x) *
           (m >= 0 ? std::cos(m * phi) : std::sin(-m * phi));
  }

  double of_atom(const PseudoAtom& a, const gemmi::Vec3& local) {
    const Element& e = element(a.z);
    const double r = local.length();
    double rho = a.pv * std::pow(a.kappa, 3) * valence(e, a.kappa * r) - e.electrons * valence(e, r);
    if (r < 1e-9) return rho;
    for (int l = 1; l <= 4; ++l)
      for (int m = -l; m <= l; ++m)
        if (const double p = a.plm[static_cast<std::size_t>(harmonic_index(l, m))]; p != 0)
          rho += p * std::pow(a.kappa_prime, 3) * e.norm[static_cast<std::size_t>(l)] *
                 std::pow(a.kappa_prime * r, e.power[static_cast<std::size_t>(l)]) *
                 std::exp(-e.zeta * a.kappa_prime * r) * harmonic(l, m, local / r);
    return rho;
  }

  std::vector<PseudoAtom> atoms_;
  gemmi::UnitCell cell_;
  std::vector<SymOp> ops_;
  std::map<int, Element> elements_;
  std::map<int, double> harmonic_norm_;
};

// Reads a density map back (its projection from the data- attributes) and
// checks every `every`-th point of its contour lines: the point lies on a
// grid edge, and the direct sum at the edge's two ends lies on either side
// of the line's level.  Returns the points checked.
inline int check_contours(const std::string& svg, DirectDensity& direct, int every) {
  // Attributes are cut out by hand: std::regex recurses once per character
  // matched, and a contour's path overflows the stack of a sanitizer build.
  auto attribute = [&](const std::string& name, std::size_t& from) {
    const std::size_t start = svg.find(name + "=\"", from);
    if (start == std::string::npos) return std::string();
    const std::size_t begin = start + name.size() + 2, end = svg.find('"', begin);
    from = end;
    return svg.substr(begin, end - begin);
  };
  auto numbers = [&](const std::string& name) {
    std::size_t from = 0;
    std::istringstream in(attribute(name, from));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    EXPECT_FALSE(v.empty()) << name;
    return v;
  };
  const std::vector<double> origin = numbers("data-origin"), u = numbers("data-u"), v = numbers("data-v"),
                            offset = numbers("data-offset"), grid = numbers("data-grid"), scale = numbers("data-scale");
  auto node = [&](int i, int j) {
    const double a = grid[0] + i * grid[2], b = grid[1] + j * grid[2];
    return gemmi::Vec3(origin[0] + a * u[0] + b * v[0], origin[1] + a * u[1] + b * v[1], origin[2] + a * u[2] + b * v[2]);
  };
  int checked = 0;
  for (std::size_t from = 0;;) {
    const std::string level_text = attribute("data-level", from);
    if (level_text.empty()) break;
    const double level = std::stod(level_text);
    const std::string d = attribute(" d", from);
    int n = 0;
    // "M x,y L x,y ...": each point after its letter.
    for (std::size_t k = d.find_first_of("ML"); k != std::string::npos; k = d.find_first_of("ML", k + 1)) {
      char* comma = nullptr;
      const double px = std::strtod(d.c_str() + k + 1, &comma);
      const double py = std::strtod(comma + 1, nullptr);
      if (n++ % every != 0) continue;
      const double gi = ((px - offset[0]) / scale[0] - grid[0]) / grid[2];
      const double gj = ((offset[1] - py) / scale[0] - grid[1]) / grid[2];
      const bool on_column = std::fabs(gi - std::round(gi)) < 0.05, on_row = std::fabs(gj - std::round(gj)) < 0.05;
      EXPECT_TRUE(on_column || on_row) << "off the grid edges: " << gi << " " << gj;
      if (on_column == on_row) continue;   // at a node: no edge to check
      const int i = on_column ? static_cast<int>(std::round(gi)) : static_cast<int>(std::floor(gi));
      const int j = on_row ? static_cast<int>(std::round(gj)) : static_cast<int>(std::floor(gj));
      const double a = direct.at(node(i, j)) - level;
      const double b = direct.at(on_column ? node(i, j + 1) : node(i + 1, j)) - level;
      EXPECT_TRUE(a * b <= 0 || std::min(std::fabs(a), std::fabs(b)) < 1e-4) << level << " at " << gi << " " << gj;
      ++checked;
    }
  }
  return checked;
}

}  // namespace vorn::test
