#include "formfactors/transferred_atoms.hpp"

#include <cmath>

#include "formfactors/slater_densities.hpp"
#include "layout/run_error.hpp"
#include "localframe/site_frame.hpp"
#include "structure/cell.hpp"
#include "structure/unique_labels.hpp"

namespace vorn {

namespace {

// The atom's local axes as Cartesian unit vectors; the Cartesian axes
// when the frame has no direction (an atom with no axis points), which
// only matters for an atom without multipoles.
std::array<Vec3, 3> local_axes(const Atom& atom, const AtomSetup& setup) {
  const gemmi::Mat33 m =
      handed_axes(Vec3{atom.cartesian[0], atom.cartesian[1], atom.cartesian[2]}, setup.frame, setup.handedness == Handedness::left);
  std::array<Vec3, 3> axes{};
  for (std::size_t c = 0; c < 3; ++c)
    for (std::size_t r = 0; r < 3; ++r) {
      axes[c][r] = m.a[r][c];
      if (!std::isfinite(axes[c][r])) return PseudoAtom{}.axes;
    }
  return axes;
}

}  // namespace

std::vector<PseudoAtom> transferred_atoms(const Model& model, const std::vector<AtomSetup>& setup,
                                          const ModelParameters& parameters) {
  std::vector<PseudoAtom> atoms;
  const std::vector<std::string> names = refinement_names(model);
  for (int i = 0; i < model.natom; ++i) {
    const Atom& a = model.atoms[i];
    const std::size_t at = static_cast<std::size_t>(i);
    const bool carried = parameters.populations && at < parameters.transferred.size() && parameters.transferred[at];
    if (parameters.carried_only && !carried) continue;
    if (a.atomic_number < 1 || a.atomic_number > kMaxFormFactorElement)
      fail("FormFactors", "Atom " + std::string(a.label.trimmed()) +
                              ": no wavefunction table for its element (form factors cover H to Kr)");
    PseudoAtom p = neutral_atom(names[at], a.atomic_number, {a.fractional[0], a.fractional[1], a.fractional[2]});
    p.axes = local_axes(a, setup[at]);
    if (carried) {
      p.pv = (*parameters.populations).of[i].pv;
      const Plm& plm = (*parameters.populations).of[i].plm;
      for (int l = 1; l <= 4; ++l)
        for (int m = -l; m <= l; ++m) p.plm[static_cast<std::size_t>(harmonic_index(l, m))] = plm(l, m);
      const int set = setup[at].kappa_set;
      if (parameters.kappas && set >= 1 && set <= parameters.kappas->count()) {
        p.kappa = parameters.kappas->set(set).kappa;
        p.kappa_prime = parameters.kappas->set(set).kappa_prime;
      }
    }
    atoms.push_back(std::move(p));
  }
  return atoms;
}

}  // namespace vorn
