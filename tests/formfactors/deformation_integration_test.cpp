// The form factor of one pseudoatom against direct numerical integration
// of its density: the closed Fourier-Bessel transforms against radial
// quadrature with the standard library's spherical Bessel functions, and
// each deformation term against a three-dimensional quadrature of
// kappa'^3 R_l(kappa' r) d_lm(r) exp(2 pi i h.r), whose harmonic is built
// from the standard library's Legendre functions and normalised here.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <map>

#include "formfactors/pseudo_atom.hpp"
#include "formfactors/radial_transforms.hpp"
#include "formfactors/wavefunction_data.hpp"
#include "formfactors/quadrature.hpp"
#include "support/real_harmonics.hpp"

namespace vorn {
namespace {

using test::gauss_legendre;
constexpr double kPi = std::numbers::pi;

TEST(FourierBessel, ClosedFormsMatchRadialQuadrature) {
  const auto rule = gauss_legendre(0, 30, 16, 32);
  for (const BesselClosedFormRow& row : bessel_closed_form_rows())
    for (double k : {0.0, 0.4, 3.0, 12.0})
      for (double z : {2.0, 7.5}) {
        double sum = 0, scale = 0;
        for (const auto& [r, w] : rule) {
          const double v = std::pow(r, row.n) * std::exp(-z * r) * std::sph_bessel(row.l, k * r);
          sum += w * v;
          scale += w * std::fabs(v);
        }
        EXPECT_NEAR(fourier_bessel(row.l, row.n, k, z), sum, 1e-10 * scale)
            << "l " << row.l << " n " << row.n << " K " << k << " Z " << z;
      }
}

// The density-normalised harmonic: integral |d_lm| dOmega = 2, leading
// term positive (the Legendre functions carry the Condon-Shortley phase).
double harmonic(int l, int m, const gemmi::Vec3& u) {
  static std::map<std::pair<int, int>, double> scale;
  auto it = scale.find({l, m});
  if (it == scale.end()) {
    // Integral over theta of |P| sin(theta), split at the sign changes.
    auto p = [&](double t) { return std::sph_legendre(l, std::abs(m), t) * std::sin(t); };
    std::vector<double> edges{0};
    const int steps = 4000;
    for (int i = 1; i < steps; ++i) {
      double a = kPi * (i - 1) / steps, b = kPi * i / steps;
      if (p(a) * p(b) < 0) {
        for (int it2 = 0; it2 < 80; ++it2) (p(a) * p(0.5 * (a + b)) <= 0 ? b : a) = 0.5 * (a + b);
        edges.push_back(0.5 * (a + b));
      }
    }
    edges.push_back(kPi);
    double theta = 0;
    for (std::size_t e = 1; e < edges.size(); ++e)
      theta += std::fabs(test::integrate(gauss_legendre(edges[e - 1], edges[e], 40), p));
    const double phi = m == 0 ? 2 * kPi : 4.0;   // integral of |cos m phi| or |sin m phi|
    it = scale.emplace(std::pair{l, m}, (m % 2 ? -2.0 : 2.0) / (theta * phi)).first;
  }
  return it->second * test::real_ylm(l, m, u);
}

struct DeformationCase {
  int z, l, m;
  double kappa_prime, length;   // |h| in 1/Angstrom
};

// Every l and several n (H: n = l; C: 2 2 3 4; P: 4 6 6 6; S: 2 4 6 8;
// Fe: 4), exponents 3.8 to 14 1/Angstrom, kappa' and |h| from 0.05 to 2.
const DeformationCase kCases[] = {
    {1, 1, 0, 1.20, 0.30}, {1, 2, 0, 1.37, 1.10}, {1, 3, -2, 1.00, 0.60}, {1, 4, 3, 0.90, 1.70},
    {6, 1, 1, 0.84, 0.05}, {6, 2, -1, 1.00, 0.80}, {6, 3, 2, 1.10, 1.40}, {6, 4, -4, 0.95, 2.00},
    {15, 1, -1, 1.00, 0.50}, {15, 4, 0, 1.05, 1.20}, {16, 1, 1, 0.98, 0.90}, {16, 2, 2, 1.00, 0.25},
    {16, 3, -3, 1.02, 1.00}, {16, 4, 2, 0.97, 1.60}, {26, 2, -2, 1.00, 0.70}, {26, 4, -1, 1.10, 1.90},
};

TEST(PseudoAtom, DeformationTermsMatchDensityQuadrature) {
  // A local frame turned away from the Cartesian axes.
  const gemmi::Vec3 X = gemmi::Vec3(1, 2, 2).normalized();
  const gemmi::Vec3 Y = gemmi::Vec3(2, 1, -2).normalized();
  const gemmi::Vec3 Z = X.cross(Y);
  const gemmi::Vec3 hdir = gemmi::Vec3(0.3, -0.5, 0.81).normalized();
  const gemmi::Vec3 e1 = hdir.cross(gemmi::Vec3(0, 0, 1)).normalized(), e2 = hdir.cross(e1);
  for (const DeformationCase& c : kCases) {
    const DeformationRadialRow& row = deformation_radial_rows()[static_cast<std::size_t>(c.z - 1)];
    const int n = row.r_power[static_cast<std::size_t>(c.l)];
    const double zeta = row.zeta_bohr * 1.8897261245 * c.kappa_prime;
    const double norm = std::pow(zeta, n + 3) / std::tgamma(n + 3);
    const double population = 0.37;

    PseudoAtom atom;
    atom.z = c.z;
    atom.kappa_prime = c.kappa_prime;
    atom.axes = {{{X.x, X.y, X.z}, {Y.x, Y.y, Y.z}, {Z.x, Z.y, Z.z}}};
    const Vec3 h{c.length * hdir.x, c.length * hdir.y, c.length * hdir.z};
    const std::complex<double> spherical = atom_form_factor(atom, h);
    atom.plm[static_cast<std::size_t>(harmonic_index(c.l, c.m))] = population;
    const std::complex<double> f = atom_form_factor(atom, h) - spherical;

    // Polar axis along h: the harmonic averaged over phi (exact for
    // l <= 4 with 16 points), then t = cos(theta) and r by quadrature.
    const auto trule = gauss_legendre(-1, 1, 16, 24);
    std::vector<double> angular;
    for (const auto& [t, w] : trule) {
      double sum = 0;
      for (int k = 0; k < 16; ++k) {
        const double phi = 2 * kPi * k / 16, s = std::sqrt(1 - t * t);
        const gemmi::Vec3 u = hdir * t + e1 * (s * std::cos(phi)) + e2 * (s * std::sin(phi));
        sum += harmonic(c.l, c.m, gemmi::Vec3(u.dot(X), u.dot(Y), u.dot(Z))) * 2 * kPi / 16;
      }
      angular.push_back(sum * w);
    }
    const double K = 2 * kPi * c.length;
    std::complex<double> expected = 0;
    for (const auto& [r, w] : gauss_legendre(0, 60 / zeta, 16, 48)) {
      std::complex<double> inner = 0;
      for (std::size_t j = 0; j < trule.size(); ++j) inner += angular[j] * std::polar(1.0, K * r * trule[j].first);
      expected += w * r * r * norm * std::pow(r, n) * std::exp(-zeta * r) * population * inner;
    }
    EXPECT_LT(std::abs(f - expected), 1e-6 * std::abs(expected))
        << "Z " << c.z << " l " << c.l << " m " << c.m << ": " << f << " against " << expected;
  }
}

}  // namespace
}  // namespace vorn
