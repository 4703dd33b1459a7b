#include "formfactors/slater_densities.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "formfactors/wavefunction_data.hpp"

namespace vorn {

namespace {

double factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

struct Primitive {
  int k = 0;
  double zeta = 0;   // 1/Angstrom
  double c = 0;      // coefficient of the unnormalised r^k exp(-zeta r)
};

// The published coefficients carry five digits: the orbital is normalised
// again so that every orbital holds exactly its electrons.
void normalise(std::vector<Primitive>& orbital) {
  double s = 0;
  for (const Primitive& p : orbital)
    for (const Primitive& q : orbital)
      s += p.c * q.c * factorial(p.k + q.k + 2) / std::pow(p.zeta + q.zeta, p.k + q.k + 3);
  for (Primitive& p : orbital) p.c /= std::sqrt(s);
}

// occupancy * R(r)^2 / (4 pi) as Slater terms.  Products with the same
// power and exponent (p q and q p, and the orbitals of one shell, which
// share their primitives) are one term: the radial transforms of every
// reflection shell are summed over these terms.
void add_square(const std::vector<Primitive>& orbital, double occupancy, std::vector<SlaterTerm>& density) {
  for (const Primitive& p : orbital)
    for (const Primitive& q : orbital) {
      const double c = occupancy * p.c * q.c / (4 * std::numbers::pi);
      const int power = p.k + q.k;
      const double exponent = p.zeta + q.zeta;
      auto same = std::find_if(density.begin(), density.end(), [&](const SlaterTerm& t) {
        return t.power == power && t.exponent == exponent;
      });
      if (same != density.end()) same->coefficient += c;
      else density.push_back({c, power, exponent});
    }
}

std::array<ElementDensities, kMaxFormFactorElement + 1> build_densities() {
  std::array<ElementDensities, kMaxFormFactorElement + 1> all{};
  const std::vector<SlaterPrimitiveRow>& rows = slater_primitive_rows();
  for (std::size_t i = 0; i < rows.size();) {
    const SlaterPrimitiveRow& first = rows[i];
    std::vector<Primitive> orbital;
    for (; i < rows.size() && rows[i].z == first.z && std::string(rows[i].orbital) == first.orbital; ++i) {
      const double zeta = rows[i].zeta_bohr / kBohr;
      const int k = rows[i].r_power;
      const double norm = std::pow(2 * zeta, k + 1) * std::sqrt(2 * zeta / factorial(2 * k + 2));
      orbital.push_back({k, zeta, rows[i].coefficient * norm});
    }
    normalise(orbital);
    ElementDensities& e = all[static_cast<std::size_t>(first.z)];
    e.z = first.z;
    if (first.valence) {
      add_square(orbital, first.occupancy, e.valence);
      e.valence_electrons += first.occupancy;
    } else {
      add_square(orbital, first.occupancy, e.core);
      e.core_electrons += first.occupancy;
    }
  }
  for (ElementDensities& e : all)
    if (e.valence_electrons > 0)
      for (SlaterTerm& t : e.valence) t.coefficient /= e.valence_electrons;
  for (const DeformationRadialRow& row : deformation_radial_rows()) {
    ElementDensities& e = all[static_cast<std::size_t>(row.z)];
    e.deformation_zeta = row.zeta_bohr * kAngstromInBohr;
    e.deformation_power = row.r_power;
  }
  return all;
}

}  // namespace

const ElementDensities& element_densities(int z) {
  static const std::array<ElementDensities, kMaxFormFactorElement + 1> all = build_densities();
  return all[static_cast<std::size_t>(z >= 1 && z <= kMaxFormFactorElement ? z : 0)];
}

}  // namespace vorn
