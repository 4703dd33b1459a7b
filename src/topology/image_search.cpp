#include "topology/image_search.hpp"

#include <algorithm>
#include <cmath>

#include "topology/eigen3.hpp"

namespace vorn {

namespace {

// How many cells out a coordinate may lie and still be brought into the cell.
constexpr double kFarCells = 4;

using Matrix3 = std::array<std::array<double, 3>, 3>;

bool invert(const Matrix3& a, Matrix3& v) {
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  if (!(std::fabs(det) > 1.0e-6) || !std::isfinite(det)) return false;
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 3; ++c) {
      const std::size_t r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      v[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
    }
  return true;
}

// How far apart two source points can lie whose images lie a given
// distance apart: the largest stretch in Cartesian space of the inverse
// map `v` of an operator (1 for a proper operator of the cell), with a
// margin.  `o` and `oinv` hold the columns of the fractional -> Cartesian
// matrix and of its inverse.  Negative when it cannot be computed.
double cartesian_stretch(const Matrix3& v, const std::array<Vec3, 3>& o, const std::array<Vec3, 3>& oinv) {
  Matrix3 m{};
  for (std::size_t k = 0; k < 3; ++k) {
    std::array<double, 3> f{};
    for (std::size_t j = 0; j < 3; ++j) f[j] = v[j][0] * oinv[k][0] + v[j][1] * oinv[k][1] + v[j][2] * oinv[k][2];
    for (std::size_t r = 0; r < 3; ++r) m[r][k] = o[0][r] * f[0] + o[1][r] * f[1] + o[2][r] * f[2];
  }
  Sym3 mtm{};
  for (std::size_t a = 0; a < 3; ++a)
    for (std::size_t b = 0; b < 3; ++b)
      mtm[a][b] = m[0][a] * m[0][b] + m[1][a] * m[1][b] + m[2][a] * m[2][b];
  std::array<double, 3> d{};
  Sym3 z{};
  if (!eigen_symmetric3(mtm, d, z) || !std::isfinite(d[2])) return -1;
  return std::sqrt(std::max(0.0, d[2])) * 1.001 + 1.0e-3;
}

}  // namespace

std::array<int, 3> into_cell(const SymOp& op, const Vec3& x) {
  const Vec3 base = image_of(op, x, {0, 0, 0});
  std::array<int, 3> t{};
  for (std::size_t j = 0; j < 3; ++j) {
    const double f = std::floor(static_cast<double>(base[j]));
    // Coordinates far out are taken as they are: their cells would make
    // the search unbounded.
    t[j] = std::isfinite(f) && std::fabs(f) <= kFarCells ? -static_cast<int>(f) : 0;
  }
  return t;
}

Vec3 image_of(const SymOp& op, const Vec3& x, const std::array<int, 3>& t) {
  Vec3 xs{};
  for (std::size_t j = 0; j < 3; ++j)
    xs[j] = op.rot[0][j] * x[0] + op.rot[1][j] * x[1] + op.rot[2][j] * x[2] + op.trans[j] + static_cast<double>(t[j]);
  return xs;
}

TranslationRange translations_for(const SymOp& op, const Vec3& x, int ncells) {
  const std::array<int, 3> s = into_cell(op, x);
  TranslationRange r;
  r.into_cell = s;
  r.ncells = ncells;
  for (std::size_t k = 0; k < 3; ++k) {
    r.lo[k] = std::min(0, s[k]) - ncells;
    r.hi[k] = std::max(0, s[k]) + ncells;
  }
  return r;
}

bool ImageSearch::prepare() {
  const Model& md = md_;
  natom_ = md.natom;
  nsym_ = md.symm.count();
  c_ = sw_.complete_fragment_cells;
  if (natom_ < 1 || nsym_ < 1) return false;
  // The images are formed from the fractional positions: the unit's
  // cell list holds those, in Cartesian form.
  std::vector<Vec3> unit(static_cast<std::size_t>(natom_));
  for (int i = 0; i < natom_; ++i) {
    const Fractional f = frac(md_, i);
    const Cartesian x = to_cartesian(md_.transf, f);
    if (!finite3(f) || !finite3(x) || !finite3(cart(md_, i))) return false;
    unit[static_cast<std::size_t>(i)] = x;
    for (std::size_t k = 0; k < 3; ++k) {
      lo_[k] = i == 0 ? f[k] : std::min(lo_[k], static_cast<double>(f[k]));
      hi_[k] = i == 0 ? f[k] : std::max(hi_[k], static_cast<double>(f[k]));
    }
    largest_covalent_radius_ = std::max(largest_covalent_radius_, covalent_radius(sw_, md_.atoms[i].atomic_number));
  }
  // Fractional <-> Cartesian, from the transforms themselves.
  std::array<Vec3, 3> o{}, oinv{};
  for (std::size_t k = 0; k < 3; ++k) {
    Vec3 e{0, 0, 0};
    e[k] = 1;
    o[k] = to_cartesian(md_.transf, Fractional{e});     // column k of the fractional -> Cartesian matrix
    oinv[k] = to_fractional(md_.transf, Cartesian{e});  // column k of its inverse
    if (!finite3(o[k]) || !finite3(oinv[k])) return false;
  }
  // A Cartesian distance r changes fractional coordinate k by at most
  // r |a*_k|.
  for (std::size_t k = 0; k < 3; ++k)
    recip_[k] = std::sqrt(oinv[0][k] * oinv[0][k] + oinv[1][k] * oinv[1][k] +
                          oinv[2][k] * oinv[2][k]);
  ops_.resize(static_cast<std::size_t>(nsym_));
  for (std::size_t n = 0; n < ops_.size(); ++n) {
    const SymOp& op = md.symm.ops[n];
    Op& q = ops_[n];
    // Image = Q x + trans + t with Q[j][k] = rot[k][j].
    for (std::size_t j = 0; j < 3; ++j)
      for (std::size_t k = 0; k < 3; ++k) q.q[j][k] = op.rot[k][j];
    for (std::size_t j = 0; j < 3; ++j) q.trans[j] = op.trans[j];
    if (!invert(q.q, q.v)) return false;
    q.stretch = cartesian_stretch(q.v, o, oinv);
    if (q.stretch < 0) return false;
  }
  set_translation_ranges();
  find_same_sites(o);
  const double tol = sw_.tols.bond;
  unit_.build(unit, std::max(1.0, 2.0 * largest_covalent_radius_ + std::max(0.0, tol)));
  return true;
}

// The translations each atom's image under each operator is tried with,
// their union per operator and over all, and the sizes of the scan codes.
void ImageSearch::set_translation_ranges() {
  const Model& md = md_;
  range_.assign(static_cast<std::size_t>(natom_) * static_cast<std::size_t>(nsym_), {});
  op_range_.assign(static_cast<std::size_t>(nsym_), {});
  for (int n = 0; n < nsym_; ++n)
    for (int i = 0; i < natom_; ++i) {
      const TranslationRange r = translations_for(md.symm.ops[static_cast<std::size_t>(n)], frac(md_, i), c_);
      range_[static_cast<std::size_t>(i * nsym_ + n)] = r;
      TranslationRange& u = op_range_[static_cast<std::size_t>(n)];
      for (std::size_t k = 0; k < 3; ++k) {
        u.lo[k] = i == 0 ? r.lo[k] : std::min(u.lo[k], r.lo[k]);
        u.hi[k] = i == 0 ? r.hi[k] : std::max(u.hi[k], r.hi[k]);
        tmin_[k] = n == 0 && i == 0 ? r.lo[k] : std::min(tmin_[k], r.lo[k]);
      }
    }
  std::array<int, 3> tmax{};
  for (std::size_t k = 0; k < 3; ++k) tmax[k] = tmin_[k];
  for (const TranslationRange& r : range_)
    for (std::size_t k = 0; k < 3; ++k) tmax[k] = std::max(tmax[k], r.hi[k]);
  for (std::size_t k = 0; k < 3; ++k) tside_[k] = tmax[k] - tmin_[k] + 1;
  per_op_ = static_cast<long long>(tside_[0]) * tside_[1] * tside_[2];
}

void ImageSearch::find_same_sites(const std::array<Vec3, 3>& to_cart) {
  // Images of one atom are grouped by their site in the cell (rounded to
  // 1e-5), so that only images of one group are compared.  Two images
  // count as one site when they lie within 1e-4 A of each other, far
  // below the 0.001 A at which the searches take two sites as one; an
  // equality the rounding splits across two groups is merely not used.
  constexpr double kKeyScale = 1.0e5;
  constexpr double kSameSite = 1.0e-4;
  same_site_.assign(static_cast<std::size_t>(natom_) * static_cast<std::size_t>(nsym_), {});
  std::vector<std::pair<std::array<long long, 3>, int>> sites(static_cast<std::size_t>(nsym_));
  std::vector<Vec3> image(static_cast<std::size_t>(nsym_));
  for (int i = 0; i < natom_; ++i) {
    for (int n = 0; n < nsym_; ++n) {
      const Vec3 xs = image_of(md_.symm.ops[static_cast<std::size_t>(n)], frac(md_, i), {0, 0, 0});
      image[static_cast<std::size_t>(n)] = xs;
      std::array<long long, 3> key{};
      for (std::size_t k = 0; k < 3; ++k) {
        const double x = static_cast<double>(xs[k]);
        const auto steps = static_cast<long long>(std::llround((x - std::floor(x)) * kKeyScale));
        key[k] = steps % static_cast<long long>(kKeyScale);
      }
      sites[static_cast<std::size_t>(n)] = {key, n};
    }
    std::sort(sites.begin(), sites.end());
    for (std::size_t a = 0; a < sites.size(); ++a)
      for (std::size_t b = a + 1; b < sites.size() && sites[b].first == sites[a].first; ++b) {
        const int early = std::min(sites[a].second, sites[b].second);
        const int late = std::max(sites[a].second, sites[b].second);
        SameSite same{early, {}};
        double gap[3] = {0, 0, 0};
        for (std::size_t k = 0; k < 3; ++k) {
          const double d = image[static_cast<std::size_t>(late)][k] - image[static_cast<std::size_t>(early)][k];
          same.shift[k] = static_cast<int>(std::llround(d));
          for (std::size_t r = 0; r < 3; ++r) gap[r] += static_cast<double>(to_cart[k][r]) * (d - same.shift[k]);
        }
        if (std::sqrt(gap[0] * gap[0] + gap[1] * gap[1] + gap[2] * gap[2]) < kSameSite)
          same_site_[static_cast<std::size_t>(i * nsym_ + late)].push_back(same);
      }
  }
}

bool ImageSearch::repeats_earlier_image(int i, int n, const std::array<int, 3>& t) const {
  for (const SameSite& s : same_site_[static_cast<std::size_t>(i * nsym_ + n)]) {
    const std::array<int, 3> there{t[0] + s.shift[0], t[1] + s.shift[1], t[2] + s.shift[2]};
    if (range(i, s.op).holds(there)) return true;
  }
  return false;
}

long long ImageSearch::position(int i, int n, const std::array<int, 3>& t) const {
  return ((static_cast<long long>(i) * nsym_ + n) * per_op_) +
         (static_cast<long long>(t[0] - tmin_[0]) * tside_[1] + (t[1] - tmin_[1])) * tside_[2] + (t[2] - tmin_[2]);
}

void ImageSearch::decode(long long m, int& i, int& n, std::array<int, 3>& t) const {
  i = static_cast<int>(m / (static_cast<long long>(nsym_) * per_op_));
  const long long r = m % (static_cast<long long>(nsym_) * per_op_);
  n = static_cast<int>(r / per_op_);
  const long long code = r % per_op_;
  t = {static_cast<int>(code / (static_cast<long long>(tside_[1]) * tside_[2])) + tmin_[0],
       static_cast<int>((code / tside_[2]) % tside_[1]) + tmin_[1], static_cast<int>(code % tside_[2]) + tmin_[2]};
}

void ImageSearch::place(int i, int n, const std::array<int, 3>& t, Vec3& xs, Vec3& cartesian) const {
  xs = image_of(md_.symm.ops[static_cast<std::size_t>(n)], frac(md_, i), t);
  cartesian = to_cartesian(md_.transf, Fractional{xs});
}

void ImageSearch::near(const Vec3& pf, double r, const Visit& visit) {
  for (int n = 0; n < nsym_; ++n) {
    const Op& q = ops_[static_cast<std::size_t>(n)];
    const double reach = r * q.stretch + 1.0e-3;
    // Source points x0 = w - V t must come near the unit's atoms.
    std::array<double, 3> w{}, smin{}, smax{};
    for (std::size_t j = 0; j < 3; ++j) {
      w[j] = 0;
      for (std::size_t k = 0; k < 3; ++k) w[j] += q.v[j][k] * (static_cast<double>(pf[k]) - q.trans[k]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
      const double margin = reach * recip_[k] + 1.0e-4;
      smin[k] = w[k] - (hi_[k] + margin);
      smax[k] = w[k] - (lo_[k] - margin);
    }
    // t = Q s over that box of s = V t.
    const TranslationRange& searched = op_range_[static_cast<std::size_t>(n)];
    std::array<int, 3> tlo{}, thi{};
    bool none = false;
    for (std::size_t j = 0; j < 3; ++j) {
      double a = 0, b = 0;
      for (std::size_t k = 0; k < 3; ++k) {
        const double u = q.q[j][k] * smin[k], v = q.q[j][k] * smax[k];
        a += std::min(u, v);
        b += std::max(u, v);
      }
      const double lo = std::max(static_cast<double>(searched.lo[j]), std::ceil(a - 1.0e-4));
      const double hi = std::min(static_cast<double>(searched.hi[j]), std::floor(b + 1.0e-4));
      if (!(lo <= hi)) none = true;
      tlo[j] = none ? 0 : static_cast<int>(lo);
      thi[j] = none ? -1 : static_cast<int>(hi);
    }
    if (none) continue;
    std::array<int, 3> t{};
    for (t[0] = tlo[0]; t[0] <= thi[0]; ++t[0])
      for (t[1] = tlo[1]; t[1] <= thi[1]; ++t[1])
        for (t[2] = tlo[2]; t[2] <= thi[2]; ++t[2]) {
          Vec3 x0{};
          bool inside = true;
          for (std::size_t j = 0; j < 3; ++j) {
            double v = w[j];
            for (std::size_t k = 0; k < 3; ++k) v -= q.v[j][k] * t[k];
            inside = inside && v >= smin_unit(j, reach) && v <= smax_unit(j, reach);
            x0[j] = v;
          }
          if (!inside) continue;
          unit_.candidates(to_cartesian(md_.transf, Fractional{x0}), static_cast<double>(reach), cand_);
          // The atom itself is no image.
          if (n == 0 && t[0] == 0 && t[1] == 0 && t[2] == 0) continue;
          for (const int i : cand_)
            if (range(i, n).holds(t) && !repeats_earlier_image(i, n, t)) visit(position(i, n, t), i, n, t);
        }
  }
}

}  // namespace vorn
