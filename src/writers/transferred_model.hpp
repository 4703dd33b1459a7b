// The files of a run with a MATTS bank: vorn_types.csv (the entry and the
// frame of every atom) and vorn_model.cif (the transferred model as a
// rhoCIF: cell, symmetry, atom sites with the dummy atoms, local axes,
// populations and kappas).
#pragma once

#include <ostream>
#include <vector>

#include "control/switches.hpp"
#include "databank/databank_records.hpp"
#include "databank/matts_transfer.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// One line per atom of the input, in its order:
// `label;entry ID or -;ATOM0 AX1 ATOM1 ATOM2 AX2 R/L;symmetry label`.
void write_types_csv(const Model& model, const std::vector<AtomSetup>& setup,
                     const std::vector<TransferredAtom>& transferred, std::ostream& os);

// The populations are those of the parameter files (per atom, divided by
// its occupancy), in the frame of the atom table.
void write_rho_cif(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup, const Dummies& dummies,
                   const Populations& populations, const Kappas& kappas, std::ostream& os);

}  // namespace vorn
