#include "formfactors/deformation_density.hpp"

#include <algorithm>
#include <cmath>

#include "formfactors/slater_densities.hpp"

namespace vorn {

namespace {

// Node spacing of the spherical tables: with the slopes, cubic Hermite
// interpolation keeps within 1e-7 relative of the Slater sums for the
// steepest valence terms (exponents near 20 1/A).
constexpr double kTableStep = 0.002;

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 times(const std::array<Vec3, 3>& m, const Vec3& v) { return {dot(m[0], v), dot(m[1], v), dot(m[2], v)}; }

std::array<Vec3, 3> inverse(const std::array<Vec3, 3>& m) {
  const Vec3& a = m[0];
  const Vec3& b = m[1];
  const Vec3& c = m[2];
  const double det = a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                     a[2] * (b[0] * c[1] - b[1] * c[0]);
  return {{{(b[1] * c[2] - b[2] * c[1]) / det, (a[2] * c[1] - a[1] * c[2]) / det, (a[1] * b[2] - a[2] * b[1]) / det},
           {(b[2] * c[0] - b[0] * c[2]) / det, (a[0] * c[2] - a[2] * c[0]) / det, (a[2] * b[0] - a[0] * b[2]) / det},
           {(b[0] * c[1] - b[1] * c[0]) / det, (a[1] * c[0] - a[0] * c[1]) / det, (a[0] * b[1] - a[1] * b[0]) / det}}};
}

std::array<Vec3, 3> product(const std::array<Vec3, 3>& a, const std::array<Vec3, 3>& b) {
  std::array<Vec3, 3> p{};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j)
      for (std::size_t k = 0; k < 3; ++k) p[i][j] += a[i][k] * b[k][j];
  return p;
}

double factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// rho_val(r) of one electron and its slope.
std::pair<double, double> valence(const std::vector<SlaterTerm>& terms, double r) {
  double value = 0, slope = 0;
  for (const SlaterTerm& t : terms) {
    const double e = t.coefficient * std::exp(-t.exponent * r);
    const double rp = t.power == 0 ? 1.0 : std::pow(r, t.power);
    value += e * rp;
    slope += e * ((t.power == 0 ? 0.0 : t.power * std::pow(r, t.power - 1)) - t.exponent * rp);
  }
  return {value, slope};
}

// Distance from a point to a box (0 inside).
double distance_to_box(const Vec3& p, const DensityBox& box) {
  double s = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const double out = std::max({box.lo[k] - p[k], 0.0, p[k] - box.hi[k]});
    s += out * out;
  }
  return std::sqrt(s);
}

// Where the atom's share falls below the negligible density for good: its
// spherical part and a bound on its multipoles (|d_lm| <= 2), scanned
// inwards from the limit.
double atom_reach(const PseudoAtom& atom, int lmax) {
  const ElementDensities& e = element_densities(atom.z);
  std::array<double, 5> power{};
  for (int l = 1; l <= lmax; ++l)
    for (int m = -l; m <= l; ++m) power[static_cast<std::size_t>(l)] += 2 * std::fabs(atom.plm[static_cast<std::size_t>(harmonic_index(l, m))]);
  for (double r = kDensityReach; r > 0; r -= 0.05) {
    double bound = std::fabs(spherical_deformation(atom, r));
    const double x = atom.kappa_prime * r;
    for (int l = 1; l <= lmax; ++l) {
      const int n = e.deformation_power[static_cast<std::size_t>(l)];
      bound += power[static_cast<std::size_t>(l)] * std::pow(atom.kappa_prime, 3) * std::pow(e.deformation_zeta, n + 3) /
               factorial(n + 2) * std::pow(x, n) * std::exp(-e.deformation_zeta * x);
    }
    if (bound > kNegligibleDensity) return std::min(kDensityReach, r + 0.05);
  }
  return 0.05;
}

}  // namespace

DensityCrystal density_crystal(const Model& model, bool periodic) {
  DensityCrystal c;
  for (int r = 1; r <= 3; ++r)
    for (int col = 1; col <= 3; ++col)
      c.orth[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(col - 1)] = model.transf.m.at(r, col);
  c.periodic = periodic;
  if (periodic)
    c.ops = model.symm.ops;
  if (c.ops.empty()) c.ops.push_back(SymOp{});
  return c;
}

double spherical_deformation(const PseudoAtom& atom, double r) {
  const ElementDensities& e = element_densities(atom.z);
  const double k3 = atom.kappa * atom.kappa * atom.kappa;
  return atom.pv * k3 * valence(e.valence, atom.kappa * r).first - e.valence_electrons * valence(e.valence, r).first;
}

double multipole_density(const PseudoAtom& atom, int lmax, const Vec3& local) {
  const double r = std::sqrt(dot(local, local));
  if (lmax == 0 || r < 1e-12) return 0;   // every R_l with l >= 1 vanishes at the nucleus
  const ElementDensities& e = element_densities(atom.z);
  const std::array<double, kHarmonicCount> d = density_harmonics(local[0] / r, local[1] / r, local[2] / r, lmax);
  const double x = atom.kappa_prime * r;
  const double kp3 = atom.kappa_prime * atom.kappa_prime * atom.kappa_prime;
  const double decay = std::exp(-e.deformation_zeta * x);
  double rho = 0;
  for (int l = 1; l <= lmax; ++l) {
    double angular = 0;
    for (int m = -l; m <= l; ++m) {
      const auto i = static_cast<std::size_t>(harmonic_index(l, m));
      angular += atom.plm[i] * d[i];
    }
    const int n = e.deformation_power[static_cast<std::size_t>(l)];
    rho += kp3 * std::pow(e.deformation_zeta, n + 3) / factorial(n + 2) * std::pow(x, n) * decay * angular;
  }
  return rho;
}

DeformationDensity::DeformationDensity(const std::vector<PseudoAtom>& atoms, const std::vector<double>& occupancy,
                                       const DensityCrystal& crystal, const DensityBox& region)
    : atoms_(atoms) {
  for (const PseudoAtom& a : atoms) {
    lmax_.push_back(highest_level(a));
    reach_.push_back(atom_reach(a, lmax_.back()));
    longest_reach_ = std::max(longest_reach_, reach_.back());
  }
  const std::array<Vec3, 3> frac = inverse(crystal.orth);
  const DensityBox reach{{region.lo[0] - kDensityReach, region.lo[1] - kDensityReach, region.lo[2] - kDensityReach},
                         {region.hi[0] + kDensityReach, region.hi[1] + kDensityReach, region.hi[2] + kDensityReach}};
  // The fractional range of the box, from its corners.
  Vec3 flo{1e300, 1e300, 1e300}, fhi{-1e300, -1e300, -1e300};
  for (int corner = 0; corner < 8; ++corner) {
    const Vec3 c{(corner & 1) ? reach.hi[0] : reach.lo[0], (corner & 2) ? reach.hi[1] : reach.lo[1],
                  (corner & 4) ? reach.hi[2] : reach.lo[2]};
    const Vec3 f = times(frac, c);
    for (std::size_t k = 0; k < 3; ++k) flo[k] = std::min(flo[k], f[k]), fhi[k] = std::max(fhi[k], f[k]);
  }
  for (std::size_t a = 0; a < atoms.size(); ++a) {
    const PseudoAtom& atom = atoms[a];
    auto same = std::find_if(types_.begin(), types_.end(), [&](const RadialTable& t) {
      return t.z == atom.z && t.pv == atom.pv && t.kappa == atom.kappa;
    });
    const int type = static_cast<int>(same - types_.begin());
    if (same == types_.end()) {
      RadialTable t{atom.z, atom.pv, atom.kappa, {}, {}};
      const ElementDensities& e = element_densities(atom.z);
      const double k3 = atom.kappa * atom.kappa * atom.kappa;
      for (double r = 0; r <= kDensityReach + 2 * kTableStep; r += kTableStep) {
        const auto [v_kappa, s_kappa] = valence(e.valence, atom.kappa * r);
        const auto [v_free, s_free] = valence(e.valence, r);
        t.value.push_back(atom.pv * k3 * v_kappa - e.valence_electrons * v_free);
        t.slope.push_back(atom.pv * k3 * atom.kappa * s_kappa - e.valence_electrons * s_free);
      }
      types_.push_back(std::move(t));
    }
    const std::size_t first_site = sites_.size();
    for (const SymOp& op : crystal.ops) {
      // x'(j) = sum_i rot(i,j) x(i) + trans(j), as a matrix acting on x.
      std::array<Vec3, 3> rot{};
      for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) rot[j][i] = op.rot[i][j];
      const std::array<Vec3, 3> turn = product(product(crystal.orth, rot), frac);   // Cartesian
      Vec3 image = times(rot, atom.position);
      for (std::size_t k = 0; k < 3; ++k) image[k] += op.trans[k];
      std::array<int, 3> nlo{0, 0, 0}, nhi{0, 0, 0};
      if (crystal.periodic)
        for (std::size_t k = 0; k < 3; ++k) {
          nlo[k] = static_cast<int>(std::ceil(flo[k] - image[k]));
          nhi[k] = static_cast<int>(std::floor(fhi[k] - image[k]));
        }
      for (int n0 = nlo[0]; n0 <= nhi[0]; ++n0)
        for (int n1 = nlo[1]; n1 <= nhi[1]; ++n1)
          for (int n2 = nlo[2]; n2 <= nhi[2]; ++n2) {
            const Vec3 place = times(crystal.orth, {image[0] + n0, image[1] + n1, image[2] + n2});
            if (distance_to_box(place, region) > reach_[a]) continue;
            // An atom on a special position is its own copy under some
            // operators: one place, weighted by their number (the
            // occupancy of such an atom is divided by it).
            auto twin = std::find_if(sites_.begin() + static_cast<std::ptrdiff_t>(first_site), sites_.end(),
                                     [&](const Site& s) {
                                       const Vec3 d{s.position[0] - place[0], s.position[1] - place[1],
                                                     s.position[2] - place[2]};
                                       return dot(d, d) < 1e-4;
                                     });
            if (twin != sites_.end()) {
              twin->weight += occupancy[a];
              continue;
            }
            Site s{static_cast<int>(a), type, place, {}, occupancy[a], reach_[a]};
            for (std::size_t k = 0; k < 3; ++k) s.axes[k] = times(turn, atom.axes[k]);
            sites_.push_back(s);
          }
    }
  }
  std::vector<Vec3> places;
  for (const Site& s : sites_)
    places.push_back({static_cast<double>(s.position[0]), static_cast<double>(s.position[1]),
                      static_cast<double>(s.position[2])});
  if (!places.empty()) grid_.build(places, longest_reach_);
}

double DeformationDensity::spherical(const RadialTable& t, double r) const {
  const double u = r / kTableStep;
  const std::size_t i = std::min(static_cast<std::size_t>(u), t.value.size() - 2);
  const double s = u - static_cast<double>(i);
  const double h00 = (1 + 2 * s) * (1 - s) * (1 - s), h10 = s * (1 - s) * (1 - s);
  const double h01 = s * s * (3 - 2 * s), h11 = s * s * (s - 1);
  return h00 * t.value[i] + h10 * kTableStep * t.slope[i] + h01 * t.value[i + 1] + h11 * kTableStep * t.slope[i + 1];
}

double DeformationDensity::at(const Vec3& point) const {
  if (sites_.empty()) return 0;
  grid_.candidates({static_cast<double>(point[0]), static_cast<double>(point[1]), static_cast<double>(point[2])},
                   static_cast<double>(longest_reach_), candidates_);
  double rho = 0;
  for (int id : candidates_) {
    const Site& s = sites_[static_cast<std::size_t>(id)];
    const Vec3 d{point[0] - s.position[0], point[1] - s.position[1], point[2] - s.position[2]};
    const double r = std::sqrt(dot(d, d));
    if (r >= s.reach) continue;
    const auto a = static_cast<std::size_t>(s.atom);
    rho += s.weight * (spherical(types_[static_cast<std::size_t>(s.type)], r) +
                       multipole_density(atoms_[a], lmax_[a], {dot(d, s.axes[0]), dot(d, s.axes[1]), dot(d, s.axes[2])}));
  }
  return rho;
}

}  // namespace vorn
