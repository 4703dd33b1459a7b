// The pseudoatoms of the asymmetric unit as the run set them up: element,
// position, local axes, and the valence population, kappa, kappa' and
// multipole populations transferred to it; the neutral spherical atom
// where nothing was transferred.
#pragma once

#include <string>
#include <vector>

#include "databank/databank_records.hpp"
#include "formfactors/pseudo_atom.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// The parameters of the run's model: populations and kappa values per
// atom, and which atoms carry them (a databank entry found, or the model
// of an XD parameter file).
struct ModelParameters {
  const Populations* populations = nullptr;   // none: every atom neutral
  const Kappas* kappas = nullptr;
  std::vector<bool> transferred;         // by entry index
  // Only the atoms that carry parameters (the deformation density, to which
  // the others add nothing): the others are neither returned nor checked.
  bool carried_only = false;
};

// One pseudoatom per atom of the asymmetric unit, in the order of the atom
// table.  An element beyond Kr, which the wavefunction tables do not
// cover, stops the run naming the atom.
std::vector<PseudoAtom> transferred_atoms(const Model& model, const std::vector<AtomSetup>& setup,
                                          const ModelParameters& parameters);

}  // namespace vorn
