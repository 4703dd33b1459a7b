// The BOND, NOBOND and AXES lines of the control file, their names looked
// up among the atoms of the structure.
#pragma once

#include "control/switches.hpp"
#include "structure/model.hpp"

namespace vorn {

// The corrections with the indices of the atoms they name (asymmetric
// unit).  A name is an atom label as the atom table writes it (case
// ignored).  A name that matches no atom stops with "ReadInp", naming the
// line of vorn.inp.
Corrections resolve_corrections(const std::vector<CorrectionLine>& lines, const Model& md);

}  // namespace vorn
