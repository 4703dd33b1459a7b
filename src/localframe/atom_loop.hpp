// The per-atom loop around defloc, and the KEY text of an atom.
#pragma once

#include <string>
#include <vector>

#include "control/switches.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

struct RunState;

// Sets up atoms 1 to natom in order (frames, dummies, kappa sets,
// constraints, databank populations); writes the log and the terminal
// only.  Atom i's result is element i - 1.
std::vector<AtomSetup> set_up_atoms(RunState& rs);
// The 68-character KEY text of an atom: which coordinates, displacement
// parameters and, of the multipoles its symmetry allows, which the
// KEYGEN switches refine for it.
std::string key_text(const Switches& sw, const Atom& a, const MultipoleSet& allowed);

}  // namespace vorn
