// Symmetry cards, lattice centring and the inversion centre.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "layout/record_file.hpp"

namespace vorn {

struct RunState;

// Rewinds the file and builds the operator list from every card that
// begins with SYM; prints each operator.
void getsym(RunState& rs, RecordFile& f, std::ostream& log);
// Parses one card; appends its operators; returns 0 when the card is good.
int symcrd(RunState& rs, std::string_view card);
// One coordinate expression: coefficients of X, Y, Z and the translation.
bool symop(std::string_view expr, float coef[3], float& trans);
// Multiplies the operator list by the centring vectors of the lattice letter.
void nonp(RunState& rs, std::ostream& log, char letter);
// Doubles the list by the inversion centre at the origin.
void addcentsymm(RunState& rs, std::ostream& log);
// Reduces translations of magnitude 1 or more to their fractional part.
void checkts(RunState& rs);
// Text listing of operator n.
void symout(RunState& rs, std::ostream& log, int n);
std::string opout(RunState& rs, int n);
// Count and, above verbosity 1, the matrix form of every operator.
void prsymop(RunState& rs, std::ostream& log);

}  // namespace vorn
