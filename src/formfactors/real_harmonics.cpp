#include "formfactors/real_harmonics.hpp"

namespace vorn {

// Normalisation constants of the density-normalised harmonics (Paturle &
// Coppens 1988, Acta Cryst. A44, 6), in the decimal form of
// real_spherical_harmonics_density_normalized.tsv (DiSCaMB commit
// 1d11489e4caa088f6faeb2f3d244d6de427632f3, MIT licence).
std::array<double, kHarmonicCount> density_harmonics(double x, double y, double z, int lmax) {
  std::array<double, kHarmonicCount> d{};
  auto at = [&d](int l, int m) -> double& { return d[static_cast<std::size_t>(harmonic_index(l, m))]; };
  at(0, 0) = 0.079577471545948;
  if (lmax < 1) return d;
  at(1, -1) = 0.318309886183791 * y;
  at(1, 0) = 0.318309886183791 * z;
  at(1, 1) = 0.318309886183791 * x;
  if (lmax < 2) return d;
  const double x2 = x * x, y2 = y * y, z2 = z * z;
  at(2, -2) = 0.75 * x * y;
  at(2, -1) = 0.75 * y * z;
  at(2, 0) = 0.206748335783172 * (3 * z2 - 1);
  at(2, 1) = 0.75 * x * z;
  at(2, 2) = 0.375 * (x2 - y2);
  if (lmax < 3) return d;
  at(3, -3) = 0.424413181578388 * y * (3 * x2 - y2);
  at(3, -2) = 2.0 * x * y * z;
  at(3, -1) = 0.320333089583859 * y * (5 * z2 - 1);
  at(3, 0) = 0.244853758602916 * z * (5 * z2 - 3);
  at(3, 1) = 0.320333089583859 * x * (5 * z2 - 1);
  at(3, 2) = 1.0 * z * (x2 - y2);
  at(3, 3) = 0.424413181578388 * x * (x2 - 3 * y2);
  if (lmax < 4) return d;
  at(4, -4) = 1.875 * x * y * (x2 - y2);
  at(4, -3) = 1.25 * y * z * (3 * x2 - y2);
  at(4, -2) = 0.661182684578811 * x * y * (7 * z2 - 1);
  at(4, -1) = 0.474002518868962 * y * z * (7 * z2 - 3);
  at(4, 0) = 0.069417524384376 * (35 * z2 * z2 - 30 * z2 + 3);
  at(4, 1) = 0.474002518868962 * x * z * (7 * z2 - 3);
  at(4, 2) = 0.330591342289406 * (x2 - y2) * (7 * z2 - 1);
  at(4, 3) = 1.25 * x * z * (x2 - 3 * y2);
  at(4, 4) = 0.46875 * (x2 * x2 - 6 * x2 * y2 + y2 * y2);
  return d;
}

}  // namespace vorn
