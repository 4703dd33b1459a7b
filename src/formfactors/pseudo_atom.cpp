#include "formfactors/pseudo_atom.hpp"

#include <cmath>
#include <numbers>

#include "formfactors/radial_transforms.hpp"
#include "formfactors/slater_densities.hpp"

namespace vorn {

PseudoAtom neutral_atom(std::string label, int z, const Vec3& position) {
  PseudoAtom a;
  a.label = std::move(label);
  a.z = z;
  a.position = position;
  a.pv = element_densities(z).valence_electrons;
  return a;
}

int highest_level(const PseudoAtom& atom) {
  for (int l = kMaxMultipoleLevel; l >= 1; --l)
    for (int m = -l; m <= l; ++m)
      if (atom.plm[static_cast<std::size_t>(harmonic_index(l, m))] != 0) return l;
  return 0;
}

std::complex<double> atom_form_factor(const PseudoAtom& atom, const Vec3& h) {
  const ElementDensities& e = element_densities(atom.z);
  const double length = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
  const double k = 2 * std::numbers::pi * length;
  const double spherical = spherical_form_factor(e.core, k) + atom.pv * spherical_form_factor(e.valence, k / atom.kappa);
  const int lmax = highest_level(atom);
  if (length < 1e-10 || lmax == 0) return spherical;
  Vec3 local{};
  for (std::size_t a = 0; a < 3; ++a)
    local[a] = (h[0] * atom.axes[a][0] + h[1] * atom.axes[a][1] + h[2] * atom.axes[a][2]) / length;
  const std::array<double, kHarmonicCount> d = density_harmonics(local[0], local[1], local[2], lmax);
  // i^l: the odd levels make the imaginary part, l = 2 and 3 change sign.
  std::complex<double> f = spherical;
  static constexpr std::array<std::complex<double>, 5> il{{{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}}};
  for (int l = 1; l <= lmax; ++l) {
    double angular = 0;
    for (int m = -l; m <= l; ++m) {
      const auto i = static_cast<std::size_t>(harmonic_index(l, m));
      angular += atom.plm[i] * d[i];
    }
    if (angular == 0) continue;
    const double radial = deformation_radial_transform(l, e.deformation_power[static_cast<std::size_t>(l)],
                                                       e.deformation_zeta, k / atom.kappa_prime);
    f += il[static_cast<std::size_t>(l)] * radial * angular;
  }
  return f;
}

}  // namespace vorn
