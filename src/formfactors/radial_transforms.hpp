// Fourier-Bessel transforms of Slater-type radial functions, in closed
// form: the radial part of every form factor.
#pragma once

#include <vector>

namespace vorn {

// The highest n of g_l(n; K, Z) with a closed form (n = l + 2 .. 10 for
// l = 0 .. 4 covers every density product and deformation function of
// the elements H to Kr).
constexpr int kMaxBesselPower = 10;
constexpr int kMaxMultipoleLevel = 4;

// g_l(n; K, Z) = integral_0^inf r^n exp(-Z r) j_l(K r) dr for K >= 0,
// Z > 0, l = 0..4 and n = l+2..10; stops (an internal error) outside.
double fourier_bessel(int l, int n, double k, double z);

// One term c r^p exp(-beta r) of a spherical density (Angstrom units).
struct SlaterTerm {
  double coefficient = 0;
  int power = 0;
  double exponent = 0;
};

// Form factor of a spherical density given as Slater terms, at
// K = 2 pi |h|: 4 pi sum c g_0(p + 2; K, beta).
double spherical_form_factor(const std::vector<SlaterTerm>& density, double k);

// Transform of the normalised deformation function
// R(r) = zeta^(n+3)/(n+2)! r^n exp(-zeta r): 4 pi N g_l(n + 2; K, zeta).
double deformation_radial_transform(int l, int n, double zeta, double k);

}  // namespace vorn
