// The CIF reader: one data block of a CIF file (read with gemmi) into the
// structure model, in the form the SHELX reader gives, so that every later
// step and every output treats both alike.  The symmetry is reduced to what
// a SHELX file says: a lattice letter, whether the inversion centre lies at
// the origin, and one SYMM card for each remaining operator.
#pragma once

#include <string>
#include <vector>

#include <gemmi/symmetry.hpp>

#include "structure/model.hpp"

namespace vorn {

// The symmetry of a structure in the form of a SHELX file's LATT and SYMM
// instructions.
struct ShelxSymmetry {
  char lattice = 'P';
  bool centrosymmetric = false;
  std::vector<std::string> cards;   // "SYMM -X+1/2, Y+1/2, -Z+1/2", the identity left out
};

// Reduces a complete set of operators (with or without its centring
// translations) to a lattice letter (P, A, B, C, I, F or R; P with every
// operator listed when the centring is none of these), the inversion at
// the origin and the other operators, one of each pair that the inversion
// relates.
ShelxSymmetry shelx_symmetry(const gemmi::GroupOps& ops);

}  // namespace vorn
