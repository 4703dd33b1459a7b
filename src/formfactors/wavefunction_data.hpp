// The tabulated data of the form factors, embedded as generated C++ tables
// (tools/make_formfactor_data.py; wavefunction_data.cpp names the sources):
// the Slater-type orbitals of the neutral atoms H to Kr, the deformation
// radial functions and the closed forms of the Fourier-Bessel transforms.
#pragma once

#include <array>
#include <vector>

namespace vorn {

// One Slater primitive of one orbital, as published: the coefficient is
// that of the normalised primitive, the exponent in 1/bohr.
struct SlaterPrimitiveRow {
  int z = 0;
  const char* orbital = "";   // e.g. "2P"
  int occupancy = 0;
  bool valence = false;
  int r_power = 0;            // k of r^k exp(-zeta r)
  double zeta_bohr = 0;
  double coefficient = 0;
};

// The single-zeta deformation function of an element: exponent in 1/bohr
// and the power of r for l = 0 to 4.
struct DeformationRadialRow {
  int z = 0;
  double zeta_bohr = 0;
  std::array<int, 5> r_power{};
};

// g_l(n; K, Z) = integral r^n exp(-Z r) j_l(K r) dr
//   = prefactor K^l sum_j c_j K^(2j) Z^(degree - 2j) / (K^2 + Z^2)^power.
struct BesselClosedFormRow {
  int l = 0;
  int n = 0;
  double prefactor = 0;
  int degree = 0;
  int power = 0;
  std::array<double, 5> c{};
};

const std::vector<SlaterPrimitiveRow>& slater_primitive_rows();
const std::vector<DeformationRadialRow>& deformation_radial_rows();
const std::vector<BesselClosedFormRow>& bessel_closed_form_rows();

}  // namespace vorn
