#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "localframe/multipole_rotation.hpp"
#include "localframe/multipole_symmetry.hpp"

namespace vorn {
namespace {

// The deformation density of order l of populations p at direction u.
double density(const Plm& p, int l, const gemmi::Vec3& u) {
  double rho = 0;
  for (int m = -l; m <= l; ++m) rho += p(l, m) * density_normalisation(l, m) * harmonic(l, m, u);
  return rho;
}

Plm sample_populations() {
  Plm p;
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) p(l, m) = 0.01f * static_cast<float>(7 * l + m) - 0.05f;
  return p;
}

gemmi::Mat33 turn(double ax, double az) {
  const double ca = std::cos(ax), sa = std::sin(ax), cz = std::cos(az), sz = std::sin(az);
  const gemmi::Mat33 rx(1, 0, 0, 0, ca, -sa, 0, sa, ca), rz(cz, -sz, 0, sz, cz, 0, 0, 0, 1);
  return rz.multiply(rx);
}

// Density normalisation: the magnitude of each function integrates to 2.
TEST(MultipoleRotation, HarmonicsAreDensityNormalised) {
  constexpr int n = 400;
  for (int l = 1; l <= 4; ++l)
    for (int m = 0; m <= l; ++m) {
      double sum = 0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < 2 * n; ++j) {
          const double t = -1 + (i + 0.5) * 2.0 / n, r = std::sqrt(1 - t * t);
          const double phi = (j + 0.5) * std::numbers::pi / n;
          sum += std::fabs(harmonic(l, m, gemmi::Vec3(r * std::cos(phi), r * std::sin(phi), t)));
        }
      EXPECT_NEAR(sum * (2.0 / n) * (std::numbers::pi / n) * density_normalisation(l, m), 2.0, 2e-3)
          << "l " << l << " m " << m;
    }
}

// The populations in the new frame describe the same density: at any
// direction, read in the new frame, it equals the old density at the same
// direction read in the old frame; for proper and improper changes of frame.
TEST(MultipoleRotation, TheDensityIsTheSameInBothFrames) {
  const Plm p = sample_populations();
  const gemmi::Mat33 mirror(1, 0, 0, 0, 1, 0, 0, 0, -1);
  for (const gemmi::Mat33& m : {turn(0.4, 1.1), turn(2.0, -0.7).multiply(mirror), turn(0, std::numbers::pi / 2)}) {
    const Plm q = rotate_multipoles(p, m);
    EXPECT_EQ(q(0, 0), p(0, 0));
    for (const gemmi::Vec3& u : {gemmi::Vec3(0.6, 0, 0.8), gemmi::Vec3(-0.36, 0.48, 0.8), gemmi::Vec3(0, -1, 0)})
      for (int l = 1; l <= 4; ++l) EXPECT_NEAR(density(q, l, u), density(p, l, m.multiply(u)), 1e-5) << "l " << l;
  }
}

// The same frame, or one turned about Z, keeps the populations (all, or
// the m = 0 terms) to the last digit.
TEST(MultipoleRotation, UnchangedTermsSurviveExactly) {
  const Plm p = sample_populations();
  EXPECT_EQ(rotate_multipoles(p, gemmi::Mat33()).v, p.v);
  const Plm q = rotate_multipoles(p, turn(0, 0.9));
  for (int l = 1; l <= 4; ++l) EXPECT_EQ(q(l, 0), p(l, 0)) << "l " << l;
  // X and Y swapped, Z turned over: the dipoles follow the axes.
  const Plm s = rotate_multipoles(p, gemmi::Mat33(0, 1, 0, 1, 0, 0, 0, 0, -1));
  EXPECT_EQ(s(1, 1), p(1, -1));
  EXPECT_EQ(s(1, -1), p(1, 1));
  EXPECT_EQ(s(1, 0), -p(1, 0));
}

}  // namespace
}  // namespace vorn
