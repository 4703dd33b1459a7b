#include "formfactors/form_factor_table.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <tuple>

#include "formfactors/radial_transforms.hpp"
#include "formfactors/slater_densities.hpp"

namespace vorn {

ReflectionShells reflection_shells(const std::vector<Miller>& hkl, const gemmi::UnitCell& cell) {
  ReflectionShells s;
  s.h.reserve(hkl.size());
  std::vector<double> length2(hkl.size());
  for (std::size_t r = 0; r < hkl.size(); ++r) {
    const gemmi::Vec3 h = cell.frac.mat.left_multiply(gemmi::Vec3(hkl[r][0], hkl[r][1], hkl[r][2]));
    s.h.push_back({h.x, h.y, h.z});
    length2[r] = h.length_sq();
  }
  // Equivalent reflections have the same |h| up to rounding: sorted by
  // |h|, neighbours closer than that share one shell.
  std::vector<std::size_t> order(hkl.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return length2[a] < length2[b]; });
  s.shell.resize(hkl.size());
  double first = -1;
  for (std::size_t i : order) {
    if (s.k.empty() || length2[i] - first > 1e-12 * (1 + first)) {
      first = length2[i];
      s.k.push_back(2 * std::numbers::pi * std::sqrt(length2[i]));
    }
    s.shell[i] = static_cast<int>(s.k.size() - 1);
  }
  return s;
}

namespace {

struct TypeKey {
  int z = 0;
  double pv = 0, kappa = 1, kappa_prime = 1;
  int lmax = 0;
  auto tie() const { return std::tie(z, pv, kappa, kappa_prime, lmax); }
  bool operator==(const TypeKey& o) const { return tie() == o.tie(); }
};

}  // namespace

RadialParts radial_parts(const std::vector<PseudoAtom>& atoms, const ReflectionShells& shells) {
  RadialParts p;
  std::vector<TypeKey> keys;
  for (const PseudoAtom& a : atoms) {
    const TypeKey key{a.z, a.pv, a.kappa, a.kappa_prime, highest_level(a)};
    auto it = std::find(keys.begin(), keys.end(), key);
    if (it == keys.end()) it = keys.insert(keys.end(), key);
    p.type.push_back(static_cast<int>(it - keys.begin()));
  }
  p.types = static_cast<int>(keys.size());
  p.values.resize(shells.k.size() * keys.size());
  for (std::size_t s = 0; s < shells.k.size(); ++s) {
    const double k = shells.k[s];
    for (std::size_t t = 0; t < keys.size(); ++t) {
      const ElementDensities& e = element_densities(keys[t].z);
      RadialParts::Values& v = p.values[s * keys.size() + t];
      v.spherical = spherical_form_factor(e.core, k) + keys[t].pv * spherical_form_factor(e.valence, k / keys[t].kappa);
      // The deformation part vanishes at h = 0 (and l >= 1 transforms do).
      if (k < 2 * std::numbers::pi * 1e-10) continue;
      for (int l = 1; l <= keys[t].lmax; ++l)
        v.deformation[static_cast<std::size_t>(l)] = deformation_radial_transform(
            l, e.deformation_power[static_cast<std::size_t>(l)], e.deformation_zeta, k / keys[t].kappa_prime);
    }
  }
  return p;
}

FormFactorTable assemble_table(const std::vector<PseudoAtom>& atoms, const std::vector<Miller>& hkl,
                               const ReflectionShells& shells, const RadialParts& radial, std::size_t first,
                               std::size_t count) {
  first = std::min(first, hkl.size());
  const std::size_t last = first + std::min(count, hkl.size() - first);
  FormFactorTable table;
  table.hkl.assign(hkl.begin() + static_cast<std::ptrdiff_t>(first), hkl.begin() + static_cast<std::ptrdiff_t>(last));
  table.atoms = atoms.size();
  table.f.resize(table.hkl.size() * atoms.size());
  std::vector<int> lmax;
  for (const PseudoAtom& a : atoms) lmax.push_back(highest_level(a));
  const auto types = static_cast<std::size_t>(radial.types);
  for (std::size_t r = first; r < last; ++r) {
    const Vec3& h = shells.h[r];
    const double length = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
    const std::size_t row = static_cast<std::size_t>(shells.shell[r]) * types;
    for (std::size_t j = 0; j < atoms.size(); ++j) {
      const PseudoAtom& a = atoms[j];
      const RadialParts::Values& v = radial.values[row + static_cast<std::size_t>(radial.type[j])];
      double re = v.spherical, im = 0;
      if (lmax[j] > 0 && length > 1e-10) {
        Vec3 u{};
        for (std::size_t c = 0; c < 3; ++c)
          u[c] = (h[0] * a.axes[c][0] + h[1] * a.axes[c][1] + h[2] * a.axes[c][2]) / length;
        const std::array<double, kHarmonicCount> d = density_harmonics(u[0], u[1], u[2], lmax[j]);
        std::array<double, 5> angular{};
        for (int l = 1; l <= lmax[j]; ++l)
          for (int m = -l; m <= l; ++m) {
            const auto i = static_cast<std::size_t>(harmonic_index(l, m));
            angular[static_cast<std::size_t>(l)] += a.plm[i] * d[i];
          }
        // i^l: +i, -1, -i, +1 for l = 1..4.
        im += v.deformation[1] * angular[1] - v.deformation[3] * angular[3];
        re += -v.deformation[2] * angular[2] + v.deformation[4] * angular[4];
      }
      table.f[(r - first) * atoms.size() + j] = {re, im};
    }
  }
  return table;
}

FormFactorTable form_factor_table(const std::vector<PseudoAtom>& atoms, const std::vector<Miller>& hkl,
                                  const gemmi::UnitCell& cell) {
  const ReflectionShells shells = reflection_shells(hkl, cell);
  return assemble_table(atoms, hkl, shells, radial_parts(atoms, shells));
}

}  // namespace vorn
