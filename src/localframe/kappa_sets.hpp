// Kappa sets, chemical constraints and the atom's output lines: the second
// half of the per-atom work, after its frame is fixed.
#pragma once

#include <ostream>

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// The atom's kappa set and chemical constraint, its lines of the log and
// the terminal, its MoPro texts and its databank populations.
AtomSetup kappa_and_output(RunState& rs, int atom, Frame& frame);

// The atom's SYMPLM line of con_mopro.inp (none for site symmetry "NO").
void write_site_symmetry_line(const RunState& rs, int atom, const Frame& frame, std::ostream& con);

}  // namespace vorn
