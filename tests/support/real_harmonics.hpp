// Real spherical harmonics from the standard library's Legendre functions,
// for tests that check the program's multipole choices independently of
// its own harmonic code.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <gemmi/math.hpp>

namespace vorn::test {

// Real spherical harmonic (l, m) at the direction u: the cosine term for
// m > 0, the sine term for m < 0.
inline double real_ylm(int l, int m, const gemmi::Vec3& u) {
  const double theta = std::acos(std::clamp(u.z / u.length(), -1.0, 1.0));
  const double phi = std::atan2(u.y, u.x);
  const double y = std::sph_legendre(static_cast<unsigned>(l), static_cast<unsigned>(std::abs(m)), theta);
  return m >= 0 ? y * std::cos(m * phi) : y * std::sin(-m * phi);
}

// Order and index of position k (0-based) of an order-l block of the KEY
// table: D11+ D11- D10, then m = 0, +1, -1, +2, -2, ...
inline int key_m(int l, int k) {
  if (l == 1) return k == 0 ? 1 : k == 1 ? -1 : 0;
  return k == 0 ? 0 : k % 2 == 1 ? (k + 1) / 2 : -(k / 2);
}

}  // namespace vorn::test
