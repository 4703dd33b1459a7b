#include "formfactors/radial_transforms.hpp"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "formfactors/wavefunction_data.hpp"

namespace vorn {

namespace {

// The closed forms indexed by l and n; rows that the table lacks stay
// empty (power 0).
using ClosedForms = std::array<std::array<BesselClosedFormRow, kMaxBesselPower + 1>, kMaxMultipoleLevel + 1>;

const ClosedForms& closed_forms() {
  static const ClosedForms forms = [] {
    ClosedForms f{};
    for (const BesselClosedFormRow& row : bessel_closed_form_rows())
      f[static_cast<std::size_t>(row.l)][static_cast<std::size_t>(row.n)] = row;
    return f;
  }();
  return forms;
}

// x^n for the small powers of the closed forms, without std::pow's cost.
double power(double x, int n) {
  double p = 1;
  for (int i = 0; i < n; ++i) p *= x;
  return p;
}

double factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

}  // namespace

double fourier_bessel(int l, int n, double k, double z) {
  if (l < 0 || l > kMaxMultipoleLevel || n < 0 || n > kMaxBesselPower ||
      closed_forms()[static_cast<std::size_t>(l)][static_cast<std::size_t>(n)].power == 0)
    throw std::logic_error("no closed Fourier-Bessel transform for l = " + std::to_string(l) +
                           ", n = " + std::to_string(n));
  const BesselClosedFormRow& f = closed_forms()[static_cast<std::size_t>(l)][static_cast<std::size_t>(n)];
  // The numerator is homogeneous in K and Z: a polynomial in t = (K/Z)^2
  // times Z^degree, summed by Horner's rule.
  const double k2 = k * k, z2 = z * z, t = k2 / z2;
  double poly = 0;
  for (int j = (f.degree / 2); j >= 0; --j) poly = poly * t + f.c[static_cast<std::size_t>(j)];
  const double numerator = poly * power(z, f.degree);
  return f.prefactor * power(k, l) * numerator / power(k2 + z2, f.power);
}

double spherical_form_factor(const std::vector<SlaterTerm>& density, double k) {
  double sum = 0;
  for (const SlaterTerm& t : density) sum += t.coefficient * fourier_bessel(0, t.power + 2, k, t.exponent);
  return 4 * std::numbers::pi * sum;
}

double deformation_radial_transform(int l, int n, double zeta, double k) {
  const double norm = std::pow(zeta, n + 3) / factorial(n + 2);
  return 4 * std::numbers::pi * norm * fourier_bessel(l, n + 2, k, zeta);
}

}  // namespace vorn
