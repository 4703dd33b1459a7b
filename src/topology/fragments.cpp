// Complete fragments: symmetry copies of asymmetric-unit atoms are appended
// to the atom table while they bond to an atom already there, so that every
// molecule cut by a symmetry element is whole for the later searches.
#include "topology/fragments.hpp"

#include <algorithm>
#include <functional>
#include <queue>
#include <string>
#include <vector>

#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/cell_grid.hpp"

namespace vorn {

namespace {

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
            if (ncomp + 1 > kMaxAtoms) {
              err(rs, "GenCompleteFrags",
                  "Too many atoms: a copy of atom " + std::to_string(i) + " " +
                      std::string(rs.atom(i).label.trimmed()) + " exceeds the limit of " +
                      std::to_string(kMaxAtoms) + " atoms including symmetry copies");
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
            return true;
          }
    }
  }
  return false;
}

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

// Images beyond this many are left to the restart scan.
constexpr long long kMaxImages = 4000000;

// The restart scan without the restarts.  An image is addable while it is
// bonded to some entry and lies within 0.001 A of none; entries are only
// ever added, so an image that coincides with one stays out for good and
// one that is bonded stays bonded.  The restart scan adds the first
// addable image in scan order and scans again; here the addable images
// wait in a queue ordered by their scan position, and after each addition
// only the images near the new entry are looked at again (those it
// coincides with leave, those it bonds to join).  The first image of the
// queue is then exactly the one the next scan would meet first.
bool add_copies_indexed(RunState& rs) {
  Model& md = rs.model;
  const int natom = md.natom;
  const int nsym = md.symm.nsym;
  const int c = rs.sw.compfrag;
  const int side = 2 * c + 1;
  const long long per_op = static_cast<long long>(side) * side * side;
  const long long total = static_cast<long long>(natom) * nsym * per_op;
  if (natom < 1 || nsym < 1 || total > kMaxImages) return false;
  const float tol = rs.sw.tols.tol1;

  // Every image, in scan order; the identity with no translation is never
  // tried.
  std::vector<Vec3> img(static_cast<std::size_t>(total));
  std::vector<char> out(static_cast<std::size_t>(total), 0);   // never to be added
  float maxrad = 0;
  for (int i = 1; i <= natom; ++i) {
    if (!finite3(frac(rs, i)) || !finite3(cart(rs, i))) return false;
    maxrad = std::max(maxrad, covalent_radius(rs, rs.atom(i).iz));
  }
  long long m = 0;
  for (int i = 1; i <= natom; ++i) {
    const Vec3 x = frac(rs, i);
    for (int n = 1; n <= nsym; ++n) {
      const SymOp& op = md.symm.op[n];
      for (int t1 = -c; t1 <= c; ++t1)
        for (int t2 = -c; t2 <= c; ++t2)
          for (int t3 = -c; t3 <= c; ++t3, ++m) {
            if (n == 1 && t1 == 0 && t2 == 0 && t3 == 0) {
              out[static_cast<std::size_t>(m)] = 1;
              continue;
            }
            const float t[3] = {static_cast<float>(t1), static_cast<float>(t2), static_cast<float>(t3)};
            Vec3 xs{};
            for (std::size_t j = 0; j < 3; ++j)
              xs[j] = op.rot[0][j] * x[0] + op.rot[1][j] * x[1] + op.rot[2][j] * x[2] + op.trans[j] + t[j];
            const Vec3 xc = rabs(rs, 0, xs);
            if (!finite3(xc)) return false;
            img[static_cast<std::size_t>(m)] = xc;
          }
    }
  }
  auto source = [&](long long k) { return static_cast<int>(k / (static_cast<long long>(nsym) * per_op)) + 1; };

  // Status against the asymmetric unit.
  std::vector<Vec3> unit(static_cast<std::size_t>(natom));
  for (int k = 1; k <= natom; ++k) unit[static_cast<std::size_t>(k - 1)] = cart(rs, k);
  CellGrid atoms;
  const float edge = std::max(1.0f, 2.0f * maxrad + std::max(0.0f, tol));
  atoms.build(unit, edge);
  std::priority_queue<long long, std::vector<long long>, std::greater<>> queue;
  std::vector<char> queued(static_cast<std::size_t>(total), 0);
  std::vector<int> cand;
  for (long long k = 0; k < total; ++k) {
    if (out[static_cast<std::size_t>(k)]) continue;
    const Vec3& xc = img[static_cast<std::size_t>(k)];
    const int i = source(k);
    const float ri = covalent_radius(rs, rs.atom(i).iz);
    if (dist(xc, cart(rs, i)) < 0.001f) {
      out[static_cast<std::size_t>(k)] = 1;
      continue;
    }
    atoms.candidates(xc, std::max(0.001f, ri + maxrad + tol), cand);
    bool present = false, bonded = false;
    for (const int e : cand) {
      const float d = dist(xc, cart(rs, e));
      if (d < 0.001f) {
        present = true;
        break;
      }
      if (d <= ri + covalent_radius(rs, rs.atom(e).iz) + tol) bonded = true;
    }
    if (present) {
      out[static_cast<std::size_t>(k)] = 1;
    } else if (bonded) {
      queue.push(k);
      queued[static_cast<std::size_t>(k)] = 1;
    }
  }

  CellGrid images;
  images.build(img, edge);
  while (!queue.empty()) {
    const long long k = queue.top();
    queue.pop();
    if (out[static_cast<std::size_t>(k)]) continue;
    // Decode the scan position and form the image as the scan does.
    const int i = source(k);
    const long long r = k % (static_cast<long long>(nsym) * per_op);
    const int n = static_cast<int>(r / per_op) + 1;
    const long long tcode = r % per_op;
    const int t1 = static_cast<int>(tcode / (side * side)) - c;
    const int t2 = static_cast<int>((tcode / side) % side) - c;
    const int t3 = static_cast<int>(tcode % side) - c;
    const Vec3 x = frac(rs, i);
    const SymOp& op = md.symm.op[n];
    const float t[3] = {static_cast<float>(t1), static_cast<float>(t2), static_cast<float>(t3)};
    Vec3 xs{};
    for (std::size_t j = 0; j < 3; ++j)
      xs[j] = op.rot[0][j] * x[0] + op.rot[1][j] * x[1] + op.rot[2][j] * x[2] + op.trans[j] + t[j];
    const Vec3 p = img[static_cast<std::size_t>(k)];
    append_copy(rs, i, xs, p);
    out[static_cast<std::size_t>(k)] = 1;

    const float re = covalent_radius(rs, rs.atom(i).iz);
    images.candidates(p, std::max(0.001f, re + maxrad + tol), cand);
    for (const int id : cand) {
      const long long q = id - 1;
      if (out[static_cast<std::size_t>(q)]) continue;
      const Vec3& xq = img[static_cast<std::size_t>(q)];
      const float d = dist(xq, p);
      if (d < 0.001f) {
        out[static_cast<std::size_t>(q)] = 1;
      } else if (!queued[static_cast<std::size_t>(q)] &&
                 d <= covalent_radius(rs, rs.atom(source(q)).iz) + re + tol) {
        queue.push(q);
        queued[static_cast<std::size_t>(q)] = 1;
      }
    }
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
