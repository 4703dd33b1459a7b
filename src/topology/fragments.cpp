// Complete fragments: symmetry copies of asymmetric-unit atoms are appended
// to the atom table while they bond to an atom already there, so that every
// molecule cut by a symmetry element is whole for the later searches.
#include "topology/fragments.hpp"

#include <string>

#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"

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

}  // namespace

void gencompletefrags(RunState& rs) {
  Model& md = rs.model;
  md.cryst.ncomplete = md.natom;
  while (add_one_copy(rs)) {
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
