// Chemical equivalence of two atoms: the same element with the same
// bonding surroundings (and, for the kappa-set choice, the same ring size,
// site symmetry and functional group).
#include "localframe/equivalence.hpp"

#include <string>

#include "layout/layout.hpp"
#include "topology/neighbour_shell.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

// The first test that fails, as a 40-character reason; empty when the
// atoms are equivalent.
std::string first_difference(const Model& model, const Neighbors& all, const Rings& rings, const FunctionalGroups& except,
                             int a, int b, const EquivalenceTests& tests) {
  const Atom& x = model.atoms[a];
  const Atom& y = model.atoms[b];
  if (x.atomic_number != y.atomic_number) return " Diff. atomic numbers";
  // Atoms of two disorder parts are alternatives, not partners.
  if (x.part != y.part) return " Diff. disorder parts";
  const AtomNeighbors& na = all.of[a];
  const AtomNeighbors& nb = all.of[b];
  if (na.count() != nb.count()) return " Diff. number of neighbors";
  if (!tests.simple) {
    if (na.type_count() != nb.type_count()) return " Diff. number of neighbor types";
    for (int t = 0; t < na.type_count(); ++t) {
      const auto& ta = na.types[static_cast<std::size_t>(t)];
      const auto& tb = nb.types[static_cast<std::size_t>(t)];
      if (ta.atomic_number != tb.atomic_number) return layout::format("(a,i2,a)", " Diff. atomic numbers of ", t + 1, "-th type");
      if (ta.count() != tb.count()) return layout::format("(a,i2,a)", " Diff. num. of nei. of ", t + 1, "-th type");
    }
    if (tests.ring_size && ring_state(rings, a).size != ring_state(rings, b).size) return " Diff. ring memb numbers";
    // One bond further: an alpha carbon of naphthalene is no beta carbon.
    if (neighbour_shell(model, all, a) != neighbour_shell(model, all, b)) return " Diff. kinds of neighbors";
  }
  if (tests.site_symmetry && !(x.sitesym == y.sitesym)) return " Diff. local symmetry";
  if (tests.functional_groups && !(except.of[a].name == except.of[b].name)) return " Diff. functional groups";
  return {};
}

}  // namespace

bool chemically_equivalent(const Model& model, const Neighbors& nb, const Rings& rings, const FunctionalGroups& except, Log& log,
               int a, int b, const EquivalenceTests& tests) {
  const bool report = log.shows(3);
  if (report)
    layout::write(log.log(), "(/' Checking if atoms ',a,' and ',a,' are chemically equivalent:')",
                  model.atoms[a].label.trimmed(), model.atoms[b].label.trimmed());
  const std::string why = first_difference(model, nb, rings, except, a, b, tests);
  if (why.empty()) {
    if (report) to_log(log, layout::listed("  YES, these atoms are chemically equivalent !"));
    return true;
  }
  // The reason is held in a 40-character text, as the log shows it.
  if (report) layout::write(log.log(), "(3x,'atoms are NOT chemically equivalent : ',a)", Text<40>(why));
  return false;
}

}  // namespace vorn
