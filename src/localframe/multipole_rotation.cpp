#include "localframe/multipole_rotation.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "layout/layout.hpp"
#include "localframe/multipole_symmetry.hpp"

namespace vorn {

namespace {

// A quadrature on the sphere that is exact for the products of two
// harmonics up to l = 4 (polynomials of degree 8): Gauss-Legendre in
// cos(theta) times equal steps in phi.
struct SpherePoint {
  gemmi::Vec3 u;
  double weight = 0;
};

std::vector<SpherePoint> sphere_quadrature() {
  constexpr int kNodes = 8, kSteps = 18;
  std::vector<SpherePoint> points;
  for (int i = 1; i <= kNodes; ++i) {
    // Newton's method on the Legendre polynomial from the usual start.
    double t = std::cos(std::numbers::pi * (i - 0.25) / (kNodes + 0.5));
    double derivative = 1;
    for (int iter = 0; iter < 100; ++iter) {
      double p0 = 1, p1 = t;
      for (int k = 2; k <= kNodes; ++k) {
        const double p2 = ((2 * k - 1) * t * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      derivative = kNodes * (t * p1 - p0) / (t * t - 1);
      const double step = p1 / derivative;
      t -= step;
      if (std::fabs(step) < 1e-15) break;
    }
    const double w = 2 / ((1 - t * t) * derivative * derivative);
    const double r = std::sqrt(1 - t * t);
    for (int j = 0; j < kSteps; ++j) {
      const double phi = 2 * std::numbers::pi * j / kSteps;
      points.push_back({gemmi::Vec3(r * std::cos(phi), r * std::sin(phi), t), w * 2 * std::numbers::pi / kSteps});
    }
  }
  return points;
}

// A matrix element within this of -1, 0 or 1 is taken as that value, so
// that a frame whose axes are the old ones swapped or turned over moves
// the populations exactly.
constexpr double kExactElement = 1e-5;

gemmi::Mat33 snapped(const gemmi::Mat33& m) {
  gemmi::Mat33 s = m;
  for (auto& row : s.a)
    for (double& v : row)
      for (double exact : {-1.0, 0.0, 1.0})
        if (std::fabs(v - exact) < kExactElement) v = exact;
  return s;
}

}  // namespace

double density_normalisation(int l, int m) {
  // Twice the reciprocal of the integral of |harmonic| over the sphere;
  // the sine term of (l, |m|) has the cosine term's integral.
  static constexpr double kTable[5][5] = {
      {1 / (4 * std::numbers::pi), 0, 0, 0, 0},
      {1 / std::numbers::pi, 1 / std::numbers::pi, 0, 0, 0},
      {0.206748335783, 0.75, 0.375, 0, 0},
      {0.244853758603, 0.320333089584, 1.0, 4 / (3 * std::numbers::pi), 0},
      {0.069417524384, 0.474002518869, 0.330591342289, 1.25, 0.46875},
  };
  return kTable[l][m < 0 ? -m : m];
}

namespace {

// Harmonics 1 <= l <= 4 of one direction, term (l, m) at l * l + l + m - 1.
using HarmonicsAt = std::array<double, 24>;
std::size_t term_index(int l, int m) { return static_cast<std::size_t>(l * l + l + m - 1); }

HarmonicsAt harmonics_at(const gemmi::Vec3& u) {
  HarmonicsAt h{};
  for (int l = 1; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) h[term_index(l, m)] = harmonic(l, m, u);
  return h;
}

// What every turn reads at the quadrature points: their harmonics, and the
// integral of each harmonic's square (and of its density-normalised term's).  The same for every turn, so made once.
struct QuadratureTables {
  std::vector<SpherePoint> points = sphere_quadrature();
  std::vector<HarmonicsAt> harmonics;
  HarmonicsAt squares{};
  HarmonicsAt density_squares{};   // the same for the density-normalised terms
  QuadratureTables() {
    for (const SpherePoint& p : points) {
      harmonics.push_back(harmonics_at(p.u));
      for (int l = 1; l <= 4; ++l)
        for (int m = -l; m <= l; ++m) {
          const double h = harmonics.back()[term_index(l, m)], d = density_normalisation(l, m) * h;
          squares[term_index(l, m)] += p.weight * h * h;
          density_squares[term_index(l, m)] += p.weight * d * d;
        }
    }
  }
};

const QuadratureTables& quadrature() {
  static const QuadratureTables tables;
  return tables;
}

// The linear maps of the populations of each order from one frame to
// another: new(l, mj) = sum over mk of at(l, mj, mk) * old(l, mk).  Exact:
// the sphere quadrature integrates every product of two harmonics up to
// l = 4 without error.
struct MultipoleTurn {
  std::array<double, 5 * 81> elements{};
  static std::size_t index(int l, int mj, int mk) { return static_cast<std::size_t>(l * 81 + (mj + 4) * 9 + mk + 4); }
  double& at(int l, int mj, int mk) { return elements[index(l, mj, mk)]; }
  double at(int l, int mj, int mk) const { return elements[index(l, mj, mk)]; }
};

MultipoleTurn multipole_turn(const gemmi::Mat33& old_from_new) {
  const QuadratureTables& q = quadrature();
  const gemmi::Mat33 m = snapped(old_from_new);
  MultipoleTurn turn;
  // Element (mj, mk): the projection of the old harmonic mk, read at the
  // turned direction, onto the new harmonic mj; the harmonics of one order
  // are orthogonal, so that projection is the new population.  The
  // harmonics at the turned directions are read once per point for every
  // order.
  for (std::size_t n = 0; n < q.points.size(); ++n) {
    const HarmonicsAt old_h = harmonics_at(m.multiply(q.points[n].u));
    const HarmonicsAt& new_h = q.harmonics[n];
    const double w = q.points[n].weight;
    for (int l = 1; l <= 4; ++l)
      for (int mj = -l; mj <= l; ++mj) {
        const double whj = w * new_h[term_index(l, mj)];
        for (int mk = -l; mk <= l; ++mk) turn.at(l, mj, mk) += whj * old_h[term_index(l, mk)];
      }
  }
  // The ratio of the normalisations carries the populations from one
  // density-normalised term to the other.
  for (int l = 1; l <= 4; ++l)
    for (int mj = -l; mj <= l; ++mj)
      for (int mk = -l; mk <= l; ++mk) {
        double& value = turn.at(l, mj, mk);
        value = value * density_normalisation(l, mk) / (q.squares[term_index(l, mj)] * density_normalisation(l, mj));
        // What is left of a term the turn removes is rounding.
        if (std::fabs(value) < 1e-12) value = 0;
      }
  return turn;
}

}  // namespace

std::array<double, 5> power_by_order(const Plm& populations) {
  const QuadratureTables& q = quadrature();
  std::array<double, 5> power{};
  for (int l = 1; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) {
      const double square = q.density_squares[term_index(l, m)];
      const double v = populations(l, m);
      power[static_cast<std::size_t>(l)] += v * v * square;
    }
  return power;
}

Plm rotate_multipoles(const Plm& populations, const gemmi::Mat33& old_from_new) {
  Plm out = populations;
  const MultipoleTurn turn = multipole_turn(old_from_new);
  for (int l = 1; l <= 4; ++l) {
    for (int mj = -l; mj <= l; ++mj) {
      double value = 0;
      for (int mk = -l; mk <= l; ++mk) value += turn.at(l, mj, mk) * populations(l, mk);
      // What is left of a population the turn removes is rounding.
      if (std::fabs(value) < 1e-7) value = 0;
      out(l, mj) = value;
    }
  }
  return out;
}

Plm populations_in_frame(const Plm& populations, const gemmi::Mat33& defined, const gemmi::Mat33& written) {
  const gemmi::Mat33 old_from_new = defined.transpose().multiply(written);
  double off = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) off = std::max(off, std::fabs(old_from_new[i][j] - (i == j ? 1.0 : 0.0)));
  return off < 1e-4 ? populations : rotate_multipoles(populations, old_from_new);
}

std::string lost_power_line(std::string_view label, const Plm& before, const Plm& after) {
  const std::array<double, 5> was = power_by_order(before), left = power_by_order(after);
  std::vector<layout::Item> items{layout::Item{std::string_view(" Share of the multipole power lost by ")},
                                  layout::Item{label},
                                  layout::Item{std::string_view(" (l = 1, 2, 3, 4; per cent) :")}};
  for (int l = 1; l <= 4; ++l) {
    const double p = was[static_cast<std::size_t>(l)];
    items.emplace_back(p > 0 ? 100 * (p - left[static_cast<std::size_t>(l)]) / p : 0.0);
  }
  return layout::format_items("(a,a,a,4f7.1)", items);
}

}  // namespace vorn
