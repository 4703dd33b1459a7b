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
// One coordinate expression: coefficients of X, Y, Z and the translation;
// false when the translation cannot be read (a zero denominator).
bool symop(std::string_view expr, float coef[3], float& trans);
// Cuts the X, Y, Z terms out of an upper-case expression and sets their
// coefficients (+1, -1 or 0); true when a term was found.
bool removerot(std::string& expr, float coef[3]);
// Splits the text at the separator into at most `maxcount` pieces (0: no
// limit; the last piece keeps the rest of the text).  Pieces come back
// without surrounding blanks; empty pieces are dropped except between
// commas, where they make an expression illegal.
std::vector<std::string> split(std::string_view text, char sep, int maxcount);
// Reads on (from the start when `rewind`) to the next record whose first
// characters equal the key in upper case; false at the end of the file.
bool srchl(RecordFile& f, std::string_view key, bool rewind, std::string& line);
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
