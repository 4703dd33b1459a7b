// Chemical equivalence of two atoms: the same element with the same
// bonding surroundings (and, for the kappa-set choice, the same ring size,
// site symmetry and functional group).
#include "localframe/equivalence.hpp"

#include <string>

#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

// The first test that fails, as a 40-character reason; empty when the
// atoms are equivalent.
std::string first_difference(RunState& rs, int a, int b, int csym, int cgroups, int simple, int crings) {
  const Atom& x = rs.atom(a);
  const Atom& y = rs.atom(b);
  if (x.iz != y.iz) return " Diff. atomic numbers";
  const AtomNeighbors& na = rs.nb.of[a];
  const AtomNeighbors& nb = rs.nb.of[b];
  if (na.nnei() != nb.nnei()) return " Diff. number of neighbors";
  if (simple == 0) {
    if (na.ntypes() != nb.ntypes()) return " Diff. number of neighbor types";
    for (int t = 0; t < na.ntypes(); ++t) {
      const auto& ta = na.types[static_cast<std::size_t>(t)];
      const auto& tb = nb.types[static_cast<std::size_t>(t)];
      if (ta.iz != tb.iz) return layout::format("(a,i2,a)", " Diff. atomic numbers of ", t + 1, "-th type");
      if (ta.count() != tb.count()) return layout::format("(a,i2,a)", " Diff. num. of nei. of ", t + 1, "-th type");
    }
    if (crings != 0 && isitcyclic(rs, a).size != isitcyclic(rs, b).size) return " Diff. ring memb numbers";
  }
  if (csym != 0 && !(x.sitesym == y.sitesym)) return " Diff. local symmetry";
  if (cgroups != 0 && !(rs.except.exgroup[a] == rs.except.exgroup[b])) return " Diff. functional groups";
  return {};
}

}  // namespace

bool sameatoms(RunState& rs, int a, int b, int compare_symmetry, int compare_groups, int simple,
               int compare_rings) {
  const bool report = rs.sw.verbosity > 2;
  if (report)
    layout::write(rs.log(), "(/' Checking if atoms ',a,' and ',a,' are chemically equivalent:')",
                  rs.atom(a).label.trimmed(), rs.atom(b).label.trimmed());
  const std::string why = first_difference(rs, a, b, compare_symmetry, compare_groups, simple, compare_rings);
  if (why.empty()) {
    if (report) to_log(rs, layout::listed("  YES, these atoms are chemically equivalent !"));
    return true;
  }
  // The reason is held in a 40-character text, as the log shows it.
  if (report) layout::write(rs.log(), "(3x,'atoms are NOT chemically equivalent : ',a)", Text<40>(why));
  return false;
}

}  // namespace vorn
