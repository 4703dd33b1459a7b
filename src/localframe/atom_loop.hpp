// The per-atom loop around defloc, and the KEY text of an atom.
#pragma once

#include <string>
#include <vector>

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// Sets up atoms 1 to natom in order (frames, dummies, kappa sets,
// constraints, databank populations); writes the log and the terminal
// only.  Atom i's result is element i - 1.
std::vector<AtomSetup> set_up_atoms(RunState& rs);
// 68-character KEY text of atom i.
std::string getkey(const RunState& rs, int i);

}  // namespace vorn
