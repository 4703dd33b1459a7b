// Extension of X-H bonds to standard lengths, and the lines that keep each
// extended bond fixed in the later XD and MoPro refinements.
#include "databank/hydrogen.hpp"

#include <string>
#include <string_view>

#include "layout/text_edit.hpp"
#include "databank/xh_groups.hpp"
#include "layout/layout.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbors.hpp"

namespace vorn {

namespace {

void log_group(Log& log, std::string_view lx, std::string_view lh, std::string_view what) {
  layout::write(log.log(), "(3x,'X-H group : ',a,'-',a,' >',2x,a)", lx, lh, what);
}

}  // namespace

double set_bond_length(const Vec3& x, Vec3& h, double d) {
  const double old = dist(x, h);
  // A hydrogen on top of its parent has no bond direction to move along.
  if (old <= 0.0) return old;
  const double f = d / old;
  for (std::size_t k = 0; k < 3; ++k) h[k] = x[k] + (h[k] - x[k]) * f;
  return old;
}

std::optional<ExtendedBond> extend_xh_bond(Model& model, AtomIndex& index, const Switches& sw, const Neighbors& nb,
                                    const Rings& rings, const HydrogenParents& parents, Log& log, int x, int h) {
  const std::string lx(model.atoms[x].label.trimmed());
  const std::string lh(model.atoms[h].label.trimmed());

  if (model.atoms[h].occupancy_kind == OccupancyKind::disordered && !sw.disorder.extend_hydrogens) {
    log_group(log, lx, lh, "H-ATOM IS DISORDERED");
    return std::nullopt;
  }
  layout::write(log.log(), "(/3a)", " Trying to extend hydrogen ", lh, " to standard distance :");

  const XhGroup g = classify_xh(model, nb, parents, x, h, xh_topology(model, sw.tols, nb, rings, log));
  if (g.kind == XhGroup::Kind::Unhandled) {
    log_group(log, lx, lh, "DON'T KNOW HOW TO HANDLE");
    return std::nullopt;
  }

  double d = 0;
  const bool identified = g.kind != XhGroup::Kind::NotIdentified;
  if (!identified) {
    log_group(log, lx, lh, "NOT IDENTIFIED");
    d = dist(cart(model, x), cart(model, h));
    warn(log, layout::format("(5a,f6.3,a)", " WARNING: the group of hydrogen ", lh, " on ", lx,
                            " is not identified: it keeps its X-ray distance of", d,
                            " A and gets no bond restraint"),
         h);
  } else {
    d = g.length;
    Atom& ah = model.atoms[h];
    Vec3 ph = cart(model, h);
    const double old = set_bond_length(cart(model, x), ph, d);
    ah.cartesian = {{ph[0], ph[1], ph[2]}};
    // The neighbour searches that follow must meet the hydrogen where it is now.
    atom_moved(index, model, h);
    layout::write(log.log(), "(3x,'X-H group : ',a,'-',a,' >',2x,a,a,f7.3,' /',f7.3,' Angstroms')", lx, lh,
                  g.name, " =", old, d);
    if (sw.has_cell) {
      const Vec3 f = to_fractional(model.transf, Cartesian{ph});
      ah.fractional = {{f[0], f[1], f[2]}};
    }
  }
  if (x >= model.natom)
    warn(log, layout::format("(5a)", " WARNING: the parent of hydrogen ", lh, " is a symmetry copy of ", lx,
                            ": const.bond gets no CON lines for it"),
         h);
  return ExtendedBond{x, h, d, g.ratio, identified};
}

}  // namespace vorn
