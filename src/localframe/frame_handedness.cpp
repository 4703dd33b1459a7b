#include "localframe/frame_handedness.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <functional>
#include <limits>

namespace vorn {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A bond shorter than this has no direction.
constexpr double kShortest = 1e-3;
// Beyond this many neighbours of one element the pairing is greedy.
constexpr std::size_t kMostPermuted = 8;

int axis_index(char letter) { return letter == 'X' ? 0 : letter == 'Y' ? 1 : letter == 'Z' ? 2 : -1; }

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

double angle_between(const Vec3& a, const Vec3& b) {
  const double la = norm(a), lb = norm(b);
  if (la < kShortest || lb < kShortest) return 180.0;
  const double c = std::clamp(dot(a, b) / (la * lb), -1.0, 1.0);
  return std::acos(c) * (180 / std::numbers::pi);
}

}  // namespace

int free_axis(const Frame& f) { return 3 - axis_index(f.letter[0]) - axis_index(f.letter[1]); }

std::vector<LocalBond> bonds_in_frame(const Vec3& origin, const gemmi::Mat33& axes,
                                      const std::vector<std::pair<int, Vec3>>& neighbours) {
  std::vector<LocalBond> bonds;
  bonds.reserve(neighbours.size());
  for (const auto& [element_z, pos] : neighbours) {
    const gemmi::Vec3 d(pos[0] - origin[0], pos[1] - origin[1], pos[2] - origin[2]);
    const double len = d.length();
    LocalBond b{element_z, {0, 0, 0}};
    if (len >= kShortest)
      for (int k = 0; k < 3; ++k) b.dir[static_cast<std::size_t>(k)] = axes.column_copy(k).dot(d) / len;
    bonds.push_back(b);
  }
  return bonds;
}

std::vector<LocalBond> reflected(std::vector<LocalBond> bonds, int axis) {
  for (LocalBond& b : bonds) b.dir[static_cast<std::size_t>(axis)] = -b.dir[static_cast<std::size_t>(axis)];
  return bonds;
}

namespace {

// Each bond of `a` takes the nearest free bond of its element in `b`.
double greedy_deviation(const std::vector<LocalBond>& a, const std::vector<LocalBond>& b) {
  std::vector<bool> used(b.size(), false);
  double worst = 0;
  for (const LocalBond& x : a) {
    std::size_t pick = 0;
    double nearest = kInfinity;
    for (std::size_t j = 0; j < b.size(); ++j) {
      if (used[j] || b[j].atomic_number != x.atomic_number) continue;
      const double ang = angle_between(x.dir, b[j].dir);
      if (ang < nearest) nearest = ang, pick = j;
    }
    used[pick] = true;
    worst = std::max(worst, nearest);
  }
  return worst;
}

// Every pairing within the elements, each cut short once it cannot beat
// the best found.
double exhaustive_deviation(const std::vector<LocalBond>& a, const std::vector<LocalBond>& b) {
  const std::size_t n = a.size();
  std::vector<std::vector<double>> ang(n, std::vector<double>(n, kInfinity));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      if (a[i].atomic_number == b[j].atomic_number) ang[i][j] = angle_between(a[i].dir, b[j].dir);
  std::vector<bool> used(n, false);
  double best = kInfinity;
  const std::function<void(std::size_t, double)> pair_from = [&](std::size_t i, double worst) {
    if (worst >= best) return;
    if (i == n) {
      best = worst;
      return;
    }
    for (std::size_t j = 0; j < n; ++j) {
      if (used[j] || ang[i][j] == kInfinity) continue;
      used[j] = true;
      pair_from(i + 1, std::max(worst, ang[i][j]));
      used[j] = false;
    }
  };
  pair_from(0, 0.0);
  return best;
}

}  // namespace

double pairing_deviation(const std::vector<LocalBond>& a, const std::vector<LocalBond>& b) {
  std::vector<int> za, zb;
  for (const LocalBond& x : a) za.push_back(x.atomic_number);
  for (const LocalBond& x : b) zb.push_back(x.atomic_number);
  std::sort(za.begin(), za.end());
  std::sort(zb.begin(), zb.end());
  if (za != zb) return kInfinity;
  if (za.empty()) return 0;
  for (int z : za)
    if (std::count(za.begin(), za.end(), z) > static_cast<std::ptrdiff_t>(kMostPermuted))
      return greedy_deviation(a, b);
  return exhaustive_deviation(a, b);
}

bool hand_changes_multipoles(const MultipoleSet& allowed, int axis) {
  // The terms that the mirror normal to X, Y or Z leaves unchanged, worked
  // out once for the run.
  static const std::array<MultipoleSet, 3> unchanged = [] {
    std::array<MultipoleSet, 3> sets;
    for (int k = 0; k < 3; ++k) {
      gemmi::Mat33 mirror;
      mirror[k][k] = -1;
      sets[static_cast<std::size_t>(k)] = invariant_terms({mirror});
    }
    return sets;
  }();
  return (allowed & ~unchanged[static_cast<std::size_t>(axis)]).any();
}

MirrorCheck compare_environments(const Frame& f, const std::vector<LocalBond>& atom,
                                 const std::vector<LocalBond>& reference) {
  MirrorCheck c;
  const int axis = free_axis(f);
  if (axis < 0 || axis > 2 || atom.size() < 3 || !hand_changes_multipoles(f.multipoles, axis)) return c;
  const std::vector<LocalBond> mirror = reflected(atom, axis);
  if (pairing_deviation(atom, mirror) <= kMirrorTolerance) return c;
  c.direct = pairing_deviation(atom, reference);
  c.mirrored = pairing_deviation(mirror, reference);
  if (std::min(c.direct, c.mirrored) > kMirrorTolerance)
    c.verdict = MirrorVerdict::unmatched;
  else if (c.mirrored < c.direct)
    c.verdict = MirrorVerdict::left;
  return c;
}

}  // namespace vorn
