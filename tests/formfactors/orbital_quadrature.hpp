// The spherical form factors of the neutral atoms by radial quadrature of
// the published orbitals (each normalised here by quadrature), for the
// tests that check the closed forms and the structure factors.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "formfactors/quadrature.hpp"
#include "formfactors/wavefunction_data.hpp"

namespace vorn::test {

struct OrbitalDensities {
  std::vector<std::pair<double, double>> rule;   // r, weight
  std::vector<double> core, valence;             // 4 pi r^2 rho at the nodes; valence of one electron
  double valence_electrons = 0;                  // of the neutral atom

  explicit OrbitalDensities(int z) {
    for (double a = 0, b = 0.004; a < 40; a = b, b *= 2)
      for (const auto& node : gauss_legendre(a, std::min(b, 40.0), 20, 2)) rule.push_back(node);
    core.assign(rule.size(), 0);
    valence.assign(rule.size(), 0);
    const auto& rows = slater_primitive_rows();
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t end = i;
      while (end < rows.size() && rows[end].z == rows[i].z && std::string(rows[end].orbital) == rows[i].orbital) ++end;
      if (rows[i].z == z) {
        std::vector<double> radial(rule.size(), 0);
        double norm = 0;
        for (std::size_t n = 0; n < rule.size(); ++n) {
          const double r = rule[n].first;
          for (std::size_t p = i; p < end; ++p) {
            const double zeta = rows[p].zeta_bohr / 0.52917721092;
            const int k = rows[p].r_power;
            radial[n] += rows[p].coefficient * std::pow(2 * zeta, k + 1) *
                         std::sqrt(2 * zeta / std::tgamma(2 * k + 3)) * std::pow(r, k) * std::exp(-zeta * r);
          }
          radial[n] = std::pow(radial[n] * r, 2);
          norm += rule[n].second * radial[n];
        }
        std::vector<double>& target = rows[i].valence ? valence : core;
        for (std::size_t n = 0; n < rule.size(); ++n) target[n] += rows[i].occupancy * radial[n] / norm;
        if (rows[i].valence) valence_electrons += rows[i].occupancy;
      }
      i = end;
    }
    if (valence_electrons > 0)
      for (double& v : valence) v /= valence_electrons;
  }

  // f_core + pv f_valence(K / kappa) at |h| (1/Angstrom).
  double form_factor(double length, double pv, double kappa) const {
    const double k = 2 * std::numbers::pi * length;
    double f = 0;
    for (std::size_t n = 0; n < rule.size(); ++n) {
      const auto [r, w] = rule[n];
      auto sinc = [](double x) { return x < 1e-8 ? 1.0 : std::sin(x) / x; };
      f += w * (core[n] * sinc(k * r) + pv * valence[n] * sinc(k * r / kappa));
    }
    return f;
  }
};

}  // namespace vorn::test
