// Density-normalised real spherical harmonics d_lm up to l = 4: the
// angular functions of the multipole populations P_lm.
#pragma once

#include <array>

namespace vorn {

// Index of (l, m), m = -l..l, in the arrays of harmonics and populations:
// l*l + l + m (0 for l = 0, then 1..3, 4..8, 9..15, 16..24).
constexpr int harmonic_index(int l, int m) { return l * l + l + m; }
constexpr int kHarmonicCount = 25;

// d_lm(x, y, z) at the unit vector (x, y, z) of the atom's local frame, for
// l = 0..lmax (the others are left zero).  Normalised so that
// integral |d_lm| dOmega = 2 for l >= 1 and d_00 = 1/(4 pi); m > 0 are
// the cos(m phi) functions, m < 0 the sin(|m| phi) ones, with no
// Condon-Shortley phase: the populations of XD's P_lm+ and P_lm-.
std::array<double, kHarmonicCount> density_harmonics(double x, double y, double z, int lmax);

}  // namespace vorn
