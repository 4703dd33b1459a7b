// Extension of X-H bonds to standard lengths, and the lines that keep each
// extended bond fixed in the later XD and MoPro refinements.
#include "databank/hydrogen.hpp"

#include <string>
#include <string_view>

#include "layout/text_edit.hpp"
#include "databank/xh_groups.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbors.hpp"

namespace vorn {

namespace {

// An atom name for a MoPro restraint without residues: the label with its
// brackets removed, taken at the length of the trimmed label, in five
// columns.  A name longer than five characters is written whole rather
// than cut, so that the restraint still names its atom.
std::string restraint_name(std::string_view label, std::size_t trimmed_length) {
  const std::string name = erbras(label).substr(0, trimmed_length);
  const std::string_view bare = rtrim(name);
  if (bare.size() > 5) return std::string(bare);
  return layout::fmt_a(name, 5);
}

// "X/5": axis letter, '/', atom number, without blanks.
std::string axis_ref(char letter, int atom) {
  return std::string(1, letter) + "/" + std::to_string(atom);
}

void log_group(RunState& rs, std::string_view lx, std::string_view lh, std::string_view what) {
  layout::write(rs.log(), "(3x,'X-H group : ',a,'-',a,' >',2x,a)", lx, lh, what);
}

void write_lines(RunState& rs, int x, int h, std::string_view lx, std::string_view lh, float d,
                 float ratio) {
  Io& io = rs.io;
  layout::write(io.reset.os(), "('RESET BOND  ',a,1x,a,f6.3)", lx, lh, d);

  const Residues& resi = rs.model.resi;
  std::string tail;
  if (resi.hasres == 0) {
    const std::string nx = restraint_name(rs.atom(x).label, lx.size());
    const std::string nh = restraint_name(rs.atom(h).label, lh.size());
    layout::write(io.res.os(), "('DISTAN   ',a,1x,i1,2x,a,1x,i1,1x,f6.3,1x,'0.001')", nx, 1, nh, 1, d);
    tail = layout::format("(a,1x,i1,2x,a,1x,i1,1x,f6.1,1x,'0.01')", nx, 1, nh, 1, ratio);
  } else {
    layout::write(io.res.os(), "('DISTAN   ',a,2x,a,1x,f6.3,2x,'0.001')", resi.resname[x], resi.resname[h], d);
    tail = layout::format("(a,2x,a,1x,f6.1,2x,'0.01')", resi.resname[x], resi.resname[h], ratio);
  }
  rs.uratio[h] = "URATIO      " + tail;

  std::ostream& c = io.cnst.os();
  layout::write(c, "('!'/'! ',a,' - ',a,' = ',f9.3,' Angstroms'/'!')", lx, lh, d);
  for (char axis : {'X', 'Y', 'Z'})
    layout::write(c, "('CON 1 ',a,' -1 ',a,' = 0')", axis_ref(axis, x), axis_ref(axis, h));
}

}  // namespace

float extendbond(const Vec3& x, Vec3& h, float d) {
  const float old = dist(x, h);
  // A hydrogen on top of its parent has no bond direction to move along.
  if (old <= 0.0f) return old;
  const float f = d / old;
  for (std::size_t k = 0; k < 3; ++k) h[k] = x[k] + (h[k] - x[k]) * f;
  return old;
}

void extendh(RunState& rs, int x, int h) {
  const std::string lx(rs.atom(x).label.trimmed());
  const std::string lh(rs.atom(h).label.trimmed());

  if (rs.atom(h).flag == -1 && rs.sw.disorder.disext == 0) {
    log_group(rs, lx, lh, "H-ATOM IS DISORDERED");
    return;
  }
  layout::write(rs.log(), "(/3a)", " Trying to extend hydrogen ", lh, " to standard distance :");

  const XhGroup g = classify_xh(rs, x, h, xh_topology(rs));
  if (g.kind == XhGroup::Kind::Unhandled) {
    log_group(rs, lx, lh, "DON'T KNOW HOW TO HANDLE");
    return;
  }

  float d = 0;
  if (g.kind == XhGroup::Kind::NotIdentified) {
    log_group(rs, lx, lh, "NOT IDENTIFIED");
    d = dist(cart(rs, x), cart(rs, h));
  } else {
    d = g.length;
    Atom& ah = rs.atom(h);
    Vec3 ph = cart(rs, h);
    const float old = extendbond(cart(rs, x), ph, d);
    ah.xc = ph[0];
    ah.yc = ph[1];
    ah.zc = ph[2];
    // The neighbour searches that follow must meet the hydrogen where it is now.
    atom_moved(rs, h);
    layout::write(rs.log(), "(3x,'X-H group : ',a,'-',a,' >',2x,a,a,f7.3,' /',f7.3,' Angstroms')", lx, lh,
                  g.name, " =", old, d);
    if (rs.sw.ifra == 1) {
      const Vec3 f = rabs(rs.model.transf, 1, ph);
      ah.xf = f[0];
      ah.yf = f[1];
      ah.zf = f[2];
    }
  }
  write_lines(rs, x, h, lx, lh, d, g.ratio);
}

}  // namespace vorn
