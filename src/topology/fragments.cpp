// Complete fragments: symmetry copies of asymmetric-unit atoms are appended
// to the atom table while they bond to an atom already there, so that every
// molecule cut by a symmetry element is whole for the later searches.
#include "topology/fragments.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <queue>
#include <unordered_set>
#include <string>
#include <vector>

#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/cell_grid.hpp"
#include "topology/eigen3.hpp"

namespace vorn {

namespace {

// Appends image (xs, xc) of asymmetric-unit atom i as the next entry.
void append_copy(RunState& rs, int i, const Vec3& xs, const Vec3& xc) {
  Model& md = rs.model;
  const int ncomp = md.cryst.ncomplete;
  if (ncomp + 1 > kMaxAtoms) {
    err(rs, "GenCompleteFrags",
        "Too many atoms: a copy of atom " + std::to_string(i) + " " + std::string(rs.atom(i).label.trimmed()) +
            " exceeds the limit of " + std::to_string(kMaxAtoms) + " atoms including symmetry copies");
  }
  const int k = ncomp + 1;
  md.cryst.ncomplete = k;
  const Atom& src = rs.atom(i);
  Atom& cp = rs.atom(k);
  cp.label = src.label;
  cp.iz = src.iz;
  cp.occ = src.occ;
  cp.flag = src.flag;
  cp.xf = xs[0];
  cp.yf = xs[1];
  cp.zf = xs[2];
  cp.xc = xc[0];
  cp.yc = xc[1];
  cp.zc = xc[2];
  md.cryst.srcatom[k] = i;
  ++md.cryst.ncopies[i];
}

// One scan over every image of every asymmetric-unit atom; returns true when
// it appended a copy (the caller then scans again from the start).
bool add_one_copy(RunState& rs) {
  Model& md = rs.model;
  const int c = rs.sw.compfrag;
  const float tol = rs.sw.tols.tol1;
  for (int i = 1; i <= md.natom; ++i) {
    const Vec3 x = frac(rs, i);
    const Vec3 xi = cart(rs, i);
    const float ri = covalent_radius(rs, rs.atom(i).iz);
    for (int n = 1; n <= md.symm.nsym; ++n) {
      const SymOp& op = md.symm.op[n];
      for (int t1 = -c; t1 <= c; ++t1)
        for (int t2 = -c; t2 <= c; ++t2)
          for (int t3 = -c; t3 <= c; ++t3) {
            if (n == 1 && t1 == 0 && t2 == 0 && t3 == 0) continue;
            const float t[3] = {static_cast<float>(t1), static_cast<float>(t2), static_cast<float>(t3)};
            Vec3 xs{};
            for (std::size_t j = 0; j < 3; ++j)
              xs[j] = op.rot[0][j] * x[0] + op.rot[1][j] * x[1] + op.rot[2][j] * x[2] + op.trans[j] + t[j];
            const Vec3 xc = rabs(rs, 0, xs);
            if (dist(xc, xi) < 0.001f) continue;
            const int ncomp = md.cryst.ncomplete;
            bool present = false;
            for (int k = 1; k <= ncomp && !present; ++k) present = dist(xc, cart(rs, k)) < 0.001f;
            if (present) continue;
            bool bonded = false;
            for (int k = 1; k <= ncomp && !bonded; ++k)
              bonded = dist(xc, cart(rs, k)) <= ri + covalent_radius(rs, rs.atom(k).iz) + tol;
            if (!bonded) continue;
            append_copy(rs, i, xs, xc);
            return true;
          }
    }
  }
  return false;
}

// The images of the asymmetric unit: image (i, n, t) of atom i under
// operator n and lattice translation t has the scan position
// ((i-1) nsym + n-1) side^3 + code(t), and its position is formed exactly
// as the restart scan forms it.  The images are never all held: the
// images near a point are found by mapping the point back through each
// operator and translation onto the asymmetric unit, where a cell list of
// the unit's atoms answers.
class ImageSearch {
public:
  explicit ImageSearch(RunState& rs) : rs_(rs) {}

  // False when the images cannot be searched this way (a coordinate that is
  // not a number, a singular operator); the restart scan runs then.
  bool prepare() {
    const Model& md = rs_.model;
    natom_ = md.natom;
    nsym_ = md.symm.nsym;
    c_ = rs_.sw.compfrag;
    side_ = 2 * c_ + 1;
    per_op_ = static_cast<long long>(side_) * side_ * side_;
    if (natom_ < 1 || nsym_ < 1) return false;
    // The images are formed from the fractional positions: the unit's
    // cell list holds those, in Cartesian form.
    std::vector<Vec3> unit(static_cast<std::size_t>(natom_));
    for (int i = 1; i <= natom_; ++i) {
      const Vec3 f = frac(rs_, i), x = rabs(rs_, 0, f);
      if (!finite3(f) || !finite3(x) || !finite3(cart(rs_, i))) return false;
      unit[static_cast<std::size_t>(i - 1)] = x;
      for (std::size_t k = 0; k < 3; ++k) {
        lo_[k] = i == 1 ? f[k] : std::min(lo_[k], static_cast<double>(f[k]));
        hi_[k] = i == 1 ? f[k] : std::max(hi_[k], static_cast<double>(f[k]));
      }
      maxrad_ = std::max(maxrad_, covalent_radius(rs_, rs_.atom(i).iz));
    }
    // Fractional <-> Cartesian, from the transforms themselves.
    std::array<Vec3, 3> o{}, oinv{};
    for (std::size_t k = 0; k < 3; ++k) {
      Vec3 e{0, 0, 0};
      e[k] = 1;
      o[k] = rabs(rs_, 0, e);      // column k of the fractional -> Cartesian matrix
      oinv[k] = rabs(rs_, 1, e);   // column k of its inverse
      if (!finite3(o[k]) || !finite3(oinv[k])) return false;
    }
    // A Cartesian distance r changes fractional coordinate k by at most
    // r |a*_k|.
    for (std::size_t k = 0; k < 3; ++k)
      recip_[k] = std::sqrt(static_cast<double>(oinv[0][k]) * oinv[0][k] + static_cast<double>(oinv[1][k]) * oinv[1][k] +
                            static_cast<double>(oinv[2][k]) * oinv[2][k]);
    ops_.resize(static_cast<std::size_t>(nsym_));
    for (int n = 1; n <= nsym_; ++n) {
      const SymOp& op = md.symm.op[n];
      Op& q = ops_[static_cast<std::size_t>(n - 1)];
      // Image = Q x + trans + t with Q[j][k] = rot[k][j].
      for (std::size_t j = 0; j < 3; ++j)
        for (std::size_t k = 0; k < 3; ++k) q.q[j][k] = op.rot[k][j];
      for (std::size_t j = 0; j < 3; ++j) q.trans[j] = op.trans[j];
      if (!invert(q.q, q.v)) return false;
      // How far apart two source points can lie whose images lie a given
      // distance apart: the largest stretch of the inverse map in Cartesian
      // space (1 for a proper operator of the cell).
      std::array<std::array<double, 3>, 3> m{};
      for (std::size_t k = 0; k < 3; ++k) {
        std::array<double, 3> f{};
        for (std::size_t j = 0; j < 3; ++j)
          f[j] = q.v[j][0] * oinv[k][0] + q.v[j][1] * oinv[k][1] + q.v[j][2] * oinv[k][2];
        for (std::size_t r = 0; r < 3; ++r) m[r][k] = o[0][r] * f[0] + o[1][r] * f[1] + o[2][r] * f[2];
      }
      Sym3 mtm{};
      for (std::size_t a = 0; a < 3; ++a)
        for (std::size_t b = 0; b < 3; ++b)
          mtm[a][b] = static_cast<float>(m[0][a] * m[0][b] + m[1][a] * m[1][b] + m[2][a] * m[2][b]);
      std::array<float, 3> d{};
      Sym3 z{};
      if (!eigen_symmetric3(mtm, d, z) || !std::isfinite(d[2])) return false;
      q.stretch = std::sqrt(std::max(0.0, static_cast<double>(d[2]))) * 1.001 + 1.0e-3;
    }
    const float tol = rs_.sw.tols.tol1;
    unit_.build(unit, std::max(1.0f, 2.0f * maxrad_ + std::max(0.0f, tol)));
    return true;
  }

  long long position(int i, int n, const std::array<int, 3>& t) const {
    return ((static_cast<long long>(i - 1) * nsym_ + (n - 1)) * per_op_) +
           (static_cast<long long>(t[0] + c_) * side_ + (t[1] + c_)) * side_ + (t[2] + c_);
  }

  // Atom, operator and translation of the image at scan position m.
  void decode(long long m, int& i, int& n, std::array<int, 3>& t) const {
    i = static_cast<int>(m / (static_cast<long long>(nsym_) * per_op_)) + 1;
    const long long r = m % (static_cast<long long>(nsym_) * per_op_);
    n = static_cast<int>(r / per_op_) + 1;
    const long long code = r % per_op_;
    t = {static_cast<int>(code / (side_ * side_)) - c_, static_cast<int>((code / side_) % side_) - c_,
         static_cast<int>(code % side_) - c_};
  }

  // The image's fractional and Cartesian positions, as the scan forms them.
  void place(int i, int n, const std::array<int, 3>& t, Vec3& xs, Vec3& xc) const {
    const Vec3 x = frac(rs_, i);
    const SymOp& op = rs_.model.symm.op[n];
    const float tf[3] = {static_cast<float>(t[0]), static_cast<float>(t[1]), static_cast<float>(t[2])};
    for (std::size_t j = 0; j < 3; ++j)
      xs[j] = op.rot[0][j] * x[0] + op.rot[1][j] * x[1] + op.rot[2][j] * x[2] + op.trans[j] + tf[j];
    xc = rabs(rs_, 0, xs);
  }

  // Calls visit(m, i, n, t) for every image (i, n, t) at scan position m
  // that can lie within r of the point at fractional pf, and for some
  // others: the caller tests the distance.  The identity without
  // translation is no image.
  template <class Visit>
  void near(const Vec3& pf, float r, Visit visit) {
    for (int n = 1; n <= nsym_; ++n) {
      const Op& q = ops_[static_cast<std::size_t>(n - 1)];
      const double reach = static_cast<double>(r) * q.stretch + 1.0e-3;
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
      std::array<int, 3> tlo{}, thi{};
      bool none = false;
      for (std::size_t j = 0; j < 3; ++j) {
        double a = 0, b = 0;
        for (std::size_t k = 0; k < 3; ++k) {
          const double u = q.q[j][k] * smin[k], v = q.q[j][k] * smax[k];
          a += std::min(u, v);
          b += std::max(u, v);
        }
        const double lo = std::max(static_cast<double>(-c_), std::ceil(a - 1.0e-4));
        const double hi = std::min(static_cast<double>(c_), std::floor(b + 1.0e-4));
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
              x0[j] = static_cast<float>(v);
            }
            if (!inside) continue;
            unit_.candidates(rabs(rs_, 0, x0), static_cast<float>(reach), cand_);
            for (const int i : cand_) {
              if (n == 1 && t[0] == 0 && t[1] == 0 && t[2] == 0) continue;
              visit(position(i, n, t), i, n, t);
            }
          }
    }
  }

  float maxrad() const { return maxrad_; }

private:
  struct Op {
    std::array<std::array<double, 3>, 3> q{};   // image = q x + trans + t
    std::array<double, 3> trans{};
    std::array<std::array<double, 3>, 3> v{};   // inverse of q
    double stretch = 1;
  };

  double smin_unit(std::size_t k, double reach) const { return lo_[k] - reach * recip_[k] - 1.0e-4; }
  double smax_unit(std::size_t k, double reach) const { return hi_[k] + reach * recip_[k] + 1.0e-4; }

  static bool invert(const std::array<std::array<double, 3>, 3>& a, std::array<std::array<double, 3>, 3>& v) {
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

  RunState& rs_;
  int natom_ = 0, nsym_ = 0, c_ = 0, side_ = 1;
  long long per_op_ = 1;
  std::array<double, 3> lo_{}, hi_{}, recip_{};
  float maxrad_ = 0;
  std::vector<Op> ops_;
  CellGrid unit_;
  std::vector<int> cand_;
};

// The restart scan without the restarts.  An image is addable while it is
// bonded to some entry and lies within 0.001 A of none; entries are only
// ever added, so an image that coincides with one stays out for good and
// one that is bonded stays bonded.  The restart scan adds the first
// addable image in scan order and scans again; here the addable images
// wait in a queue ordered by their scan position, and each entry, when it
// joins, puts the images it bonds to in the queue.  The first image of the
// queue that no entry has come to coincide with is then exactly the one
// the next scan would add.
bool add_copies_indexed(RunState& rs) {
  ImageSearch images(rs);
  if (!images.prepare()) return false;
  const float tol = rs.sw.tols.tol1;
  const float maxrad = images.maxrad();
  std::priority_queue<long long, std::vector<long long>, std::greater<>> queue;
  std::unordered_set<long long> seen;   // queued, or coinciding with an entry
  std::vector<Vec3> start;
  for (int e = 1; e <= rs.model.natom; ++e) start.push_back(cart(rs, e));
  CellGrid entries;
  entries.build(start, 1.0f);
  int count = rs.model.natom;

  // Entry e (at fractional pf, Cartesian pc, radius re) has joined.
  auto joined = [&](const Vec3& pf, const Vec3& pc, float re) {
    images.near(pf, re + maxrad + tol, [&](long long m, int i, int n, const std::array<int, 3>& t) {
      if (seen.count(m) != 0) return;
      Vec3 xs{}, xc{};
      images.place(i, n, t, xs, xc);
      const float d = dist(xc, pc);
      if (d < 0.001f) {
        seen.insert(m);
      } else if (d <= covalent_radius(rs, rs.atom(i).iz) + re + tol) {
        seen.insert(m);
        queue.push(m);
      }
    });
  };
  // Distances count from the entries' Cartesian positions.
  for (int e = 1; e <= rs.model.natom; ++e)
    joined(rabs(rs, 1, cart(rs, e)), cart(rs, e), covalent_radius(rs, rs.atom(e).iz));

  std::vector<int> cand;
  while (!queue.empty()) {
    const long long m = queue.top();
    queue.pop();
    int i = 0, n = 0;
    std::array<int, 3> t{};
    images.decode(m, i, n, t);
    Vec3 xs{}, xc{};
    images.place(i, n, t, xs, xc);
    // (Only images within a bond of an entry are queued, so this one has a
    // position; one without would never be added.)
    if (!finite3(xc)) continue;
    entries.candidates(xc, 0.001f, cand);
    bool present = false;
    for (const int e : cand) present = present || dist(xc, cart(rs, e)) < 0.001f;
    if (present) continue;
    append_copy(rs, i, xs, xc);
    entries.insert(++count, xc);
    joined(xs, xc, covalent_radius(rs, rs.atom(i).iz));
  }
  return true;
}

}  // namespace

void gencompletefrags(RunState& rs) {
  Model& md = rs.model;
  md.cryst.ncomplete = md.natom;
  if (direct_forms(rs) || !add_copies_indexed(rs)) {
    // The restart scan (the direct form, also for images too many to hold).
    md.cryst.ncomplete = md.natom;
    while (add_one_copy(rs)) {
    }
  }
  if (md.cryst.ncomplete == md.natom) return;

  std::ostream& os = rs.log();
  layout::write(os, "(/1x,a)", "List of atoms in complete fragment(s) :");
  layout::write(os, "(/7x,'ATOM',8x,'------ FRACTIONAL ------',4x,                      '----- CARTESIAN -----',5x,'ISQ NSQ')");
  for (int k = 1; k <= md.cryst.ncomplete; ++k) {
    const Atom& a = rs.atom(k);
    layout::write(os, "(i6,1x,a,1x,3f9.4,1x,3f8.3,i8,i4)", k, a.label, a.xf, a.yf, a.zf, a.xc, a.yc, a.zc,
                  md.cryst.srcatom[k], md.cryst.ncopies[k]);
  }
  OutFile ang;
  if (!ang.open("complete.ang")) err(rs, "GenCompleteFrags", "Unable to create output file complete.ang");
  for (int k = 1; k <= md.cryst.ncomplete; ++k) {
    const Atom& a = rs.atom(k);
    layout::write(ang.os(), "('ATOM ',a10,3x,3f12.4)", a.label, a.xc, a.yc, a.zc);
  }
  ang.close();
  layout::write(os, "(/a)", " File with complete fragment(s) in PLATON format : complete.ang");
}

}  // namespace vorn
