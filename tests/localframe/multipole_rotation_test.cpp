#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "localframe/multipole_rotation.hpp"
#include "localframe/multipole_symmetry.hpp"

namespace vorn {
namespace {

// The test's own harmonics: the associated Legendre function of the
// standard library (no Condon-Shortley phase) times cos(m phi) for +m and
// sin(|m| phi) for -m, normalised here by direct integration.
double legendre(int l, int m, double t) {
  return std::assoc_legendre(static_cast<unsigned>(l), static_cast<unsigned>(std::abs(m)), t);
}

double own_harmonic(int l, int m, const gemmi::Vec3& u) {
  const double phi = std::atan2(u.y, u.x);
  const double azimuth = m > 0 ? std::cos(m * phi) : m < 0 ? std::sin(-m * phi) : 1.0;
  return legendre(l, m, u.z) * azimuth;
}

// Integrals over t = cos(theta) of |P| and P^2 (midpoint rule), once per
// (l, |m|); with those of |cos m phi| (4) and cos^2 m phi (pi) over a turn,
// the factor that makes the magnitude integrate to 2 and the integral of
// the density-normalised function squared.
std::array<double, 2> legendre_integrals(int l, int m) {
  static const auto table = [] {
    std::array<std::array<std::array<double, 2>, 5>, 5> t{};
    constexpr int n = 200000;
    for (int ll = 1; ll <= 4; ++ll)
      for (int mm = 0; mm <= ll; ++mm)
        for (int i = 0; i < n; ++i) {
          const double p = legendre(ll, mm, -1 + (i + 0.5) * 2.0 / n);
          t[ll][mm][0] += std::fabs(p) * 2.0 / n;
          t[ll][mm][1] += p * p * 2.0 / n;
        }
    return t;
  }();
  return table[static_cast<std::size_t>(l)][static_cast<std::size_t>(std::abs(m))];
}
double own_density_factor(int l, int m) {
  return 2 / (legendre_integrals(l, m)[0] * (m == 0 ? 2 * std::numbers::pi : 4.0));
}
double power(const Plm& p, int l) {
  double sum = 0;
  for (int m = -l; m <= l; ++m)
    sum += std::pow(p(l, m) * own_density_factor(l, m), 2) * legendre_integrals(l, m)[1] *
           (m == 0 ? 2 * std::numbers::pi : std::numbers::pi);
  return sum;
}

Plm sample_populations() {
  Plm p;
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) p(l, m) = 0.01 * static_cast<double>(7 * l + m) - 0.05;
  return p;
}

gemmi::Mat33 about_z(double degrees) {
  const double t = degrees * std::numbers::pi / 180, c = std::cos(t), s = std::sin(t);
  return gemmi::Mat33(c, -s, 0, s, c, 0, 0, 0, 1);
}
const gemmi::Mat33 kAboutX(1, 0, 0, 0, 0, -1, 0, 1, 0), kAboutY(0, 0, 1, 0, 1, 0, -1, 0, 0);

HarmonicIndex term_named(const std::string& name) {
  for (int k = 0; k < kMultipoleTerms; ++k)
    if (term_name(k) == name) return harmonic_of_term(k);
  ADD_FAILURE() << "no term " << name;
  return {};
}

// The density-normalised functions are the test's own, cosine and sine
// terms alike.
TEST(MultipoleRotation, NormalisationMatchesDirectIntegration) {
  const gemmi::Vec3 dirs[] = {gemmi::Vec3(0.6, 0.0, 0.8), gemmi::Vec3(-0.36, 0.48, 0.8), gemmi::Vec3(0.48, -0.6, 0.64)};
  for (int l = 1; l <= 4; ++l)
    for (int m = -l; m <= l; ++m)
      for (const gemmi::Vec3& u : dirs)
        EXPECT_NEAR(density_normalisation(l, m) * harmonic(l, m, u), own_density_factor(l, m) * own_harmonic(l, m, u),
                    2e-8)
            << "l " << l << " m " << m;
}

// Random proper and improper changes of frame: the power of each order is
// unchanged (and the program's measure of it is the test's), the inverse
// change gives the input, and the density is the same in both frames.
TEST(MultipoleRotation, RandomTurnsKeepThePowerAndReturn) {
  std::mt19937 rng(26);
  std::uniform_real_distribution<double> angle(0, 360);
  const Plm p = sample_populations();
  for (int trial = 0; trial < 12; ++trial) {
    gemmi::Mat33 r = about_z(angle(rng)).multiply(kAboutX).multiply(about_z(angle(rng))).multiply(kAboutY);
    if (trial % 2 == 1) r = r.multiply(gemmi::Mat33(1, 0, 0, 0, 1, 0, 0, 0, -1));
    const Plm q = rotate_multipoles(p, r);
    const Plm back = rotate_multipoles(q, r.transpose());
    EXPECT_EQ(q(0, 0), p(0, 0));
    for (int l = 1; l <= 4; ++l) {
      EXPECT_NEAR(power(q, l), power(p, l), 1e-5 * power(p, l)) << "trial " << trial << " l " << l;
      EXPECT_NEAR(power_by_order(q)[static_cast<std::size_t>(l)], power(q, l), 1e-7 * power(p, l)) << "l " << l;
      for (int m = -l; m <= l; ++m) EXPECT_NEAR(back(l, m), p(l, m), 2e-7) << "trial " << trial;
      // The density read in the new frame is the old one at the same direction.
      for (const gemmi::Vec3& u : {gemmi::Vec3(0.6, 0, 0.8), gemmi::Vec3(-0.36, 0.48, 0.8), gemmi::Vec3(0, -1, 0)}) {
        double now = 0, was = 0;
        for (int m = -l; m <= l; ++m)
          now += q(l, m) * own_density_factor(l, m) * own_harmonic(l, m, u),
              was += p(l, m) * own_density_factor(l, m) * own_harmonic(l, m, r.multiply(u));
        EXPECT_NEAR(now, was, 1e-5) << "trial " << trial << " l " << l;
      }
    }
  }
}

// Turns whose outcome follows by hand.  old_from_new maps new coordinates
// to old: about X by 90 degrees (x, y, z)new is (x, -z, y)old, about Y
// (z, y, -x)old, about Z (-y, x, z)old.  Each term's shape becomes another
// term's shape, whose magnitude integrates alike, so the population moves
// with factor +-1: xz at (x, -z, y) is xy (Q21+ -> Q22-), and a turn about
// Z by 90/m degrees takes cos(m phi) to -sin(m phi), sin(m phi) to cos(m phi).
TEST(MultipoleRotation, TurnsDerivedByHand) {
  struct Case {
    gemmi::Mat33 old_from_new;
    const char* from;
    const char* to;
    double factor;
  };
  const Case cases[] = {
      {kAboutX, "D11-", "D10", -1},  {kAboutX, "D10", "D11-", 1},   {kAboutX, "Q21+", "Q22-", 1},
      {kAboutX, "Q22-", "Q21+", -1}, {kAboutX, "Q21-", "Q21-", -1}, {kAboutX, "O32-", "O32-", -1},
      {kAboutY, "Q22-", "Q21-", 1},  {kAboutY, "Q21-", "Q22-", -1}, {kAboutY, "D10", "D11+", -1},
      {kAboutY, "Q21+", "Q21+", -1}, {about_z(90), "D11+", "D11-", -1}, {about_z(90), "O33+", "O33-", 1},
      {about_z(90), "O33-", "O33+", -1}, {about_z(90), "H44-", "H44-", 1}, {about_z(90), "H43-", "H43+", -1},
      {about_z(90), "H42-", "H42-", -1}, {about_z(45), "Q22+", "Q22-", -1}, {about_z(45), "Q22-", "Q22+", 1},
      {about_z(45), "O32+", "O32-", -1}, {about_z(45), "H42-", "H42+", 1}, {about_z(22.5), "H44+", "H44-", -1},
      {about_z(22.5), "H44-", "H44+", 1}, {about_z(30), "O33-", "O33+", 1}, {about_z(30), "H43+", "H43-", -1},
  };
  for (const Case& c : cases) {
    const HarmonicIndex from = term_named(c.from), to = term_named(c.to);
    Plm p;
    p(from.l, from.m) = 0.0056;
    const Plm q = rotate_multipoles(p, c.old_from_new);
    for (int m = -from.l; m <= from.l; ++m)
      EXPECT_NEAR(q(from.l, m), m == to.m ? c.factor * 0.0056 : 0.0, 1e-9) << c.from << " -> " << c.to << " m " << m;
  }
}

// Mirrors: z -> -z changes the sign of the terms odd in z, those with
// l - |m| odd; x -> -x (phi -> pi - phi) multiplies cos(m phi) by (-1)^m
// and sin(m phi) by (-1)^(m+1).
TEST(MultipoleRotation, MirrorsChangeTheSignsOfOddTerms) {
  const Plm p = sample_populations();
  const Plm mz = rotate_multipoles(p, gemmi::Mat33(1, 0, 0, 0, 1, 0, 0, 0, -1));
  const Plm mx = rotate_multipoles(p, gemmi::Mat33(-1, 0, 0, 0, 1, 0, 0, 0, 1));
  for (int l = 1; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) {
      const int a = std::abs(m);
      EXPECT_FLOAT_EQ(mz(l, m), (l - a) % 2 ? -p(l, m) : p(l, m)) << "l " << l << " m " << m;
      EXPECT_FLOAT_EQ(mx(l, m), (m >= 0 ? a % 2 : (a + 1) % 2) ? -p(l, m) : p(l, m)) << "l " << l << " m " << m;
    }
}

// The same frame, or one turned about Z, keeps the populations (all, or
// the m = 0 terms) to the last digit.
TEST(MultipoleRotation, UnchangedTermsSurviveExactly) {
  const Plm p = sample_populations();
  EXPECT_EQ(rotate_multipoles(p, gemmi::Mat33()).v, p.v);
  const Plm q = rotate_multipoles(p, about_z(51.6));
  for (int l = 1; l <= 4; ++l) EXPECT_EQ(q(l, 0), p(l, 0)) << "l " << l;
}

}  // namespace
}  // namespace vorn
