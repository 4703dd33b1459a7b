// fixedH.ins: the structure with its X-H bonds extended, as a SHELX file
// that a SHELX reader (and SHELXL) takes as it is.
#pragma once

#include <ostream>
#include <string>

#include "structure/model.hpp"

namespace vorn {

// The whole file: TITL, CELL, LATT and SYMM (the input's own cards, or one
// per operator of the model for input that had none), SFAC and UNIT, then
// every atom with its SHELX label, scattering type, coordinates, fixed
// occupancy and Uiso or its six Uij, then HKLF and END.
void write_fixedh_file(const Model& model, std::ostream& os);

// A symmetry operator as a SHELX SYMM card ("-X+1/2, Y+1/2, -Z+1/2").
std::string symm_card(const SymOp& op);

}  // namespace vorn
