// Symmetry cards, lattice centring and the inversion centre.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "structure/model.hpp"

namespace vorn {

// Rewinds the file and builds the operator list (the identity first) from
// every card that begins with SYM; prints each operator.  With a cell,
// every operator must be an isometry of it; `places`, when given, receives
// where the card of each operator stands (empty for the identity).
Symmetry read_symmetry_cards(RecordFile& f, std::ostream& log, const UnitCell* cell = nullptr,
                             std::vector<std::string>* places = nullptr);
// Parses one card; appends its operators; returns 0 when the card is good,
// else 1 with what is wrong in `why`.  A good card holds operators of three
// coordinate expressions or of twelve numbers, each with a rotation of
// determinant 1 or -1.
int add_symmetry_card(Symmetry& sy, std::string_view card, std::string* why = nullptr);
// One coordinate expression, such as "1/2-X+Y" or "Z+0.25": X, Y and Z
// each at most once with coefficient +1 or -1, and at most one translation
// (a decimal number or a fraction, below 10 in magnitude).  Sets the
// coefficients of X, Y, Z and the translation; returns what is wrong with
// the expression, empty when it reads.
std::string read_expression(std::string_view expr, double coef[3], double& trans);
// The same; false when the expression does not read.
bool symop(std::string_view expr, double coef[3], double& trans);
// Splits the text at the separator into at most `maxcount` pieces (0: no
// limit; the last piece keeps the rest of the text).  Pieces come back
// without surrounding blanks; empty pieces are dropped except between
// commas, where they make an expression illegal.
std::vector<std::string> split(std::string_view text, char sep, int maxcount);
// Reads on (from the start when `rewind`) to the next record whose first
// characters equal the key in upper case; false at the end of the file.
bool find_record_with_key(RecordFile& f, std::string_view key, bool rewind, std::string& line);
// Multiplies the operator list by the centring vectors of the lattice
// letter ("NonP" when the list overflows).
void add_lattice_centring(Symmetry& sy, Log& log, char letter);
// Doubles the list by the inversion centre at the origin.
void add_inversion_centre(Symmetry& sy, std::ostream& log);
// Reduces translations of magnitude 1 or more to their fractional part.
void reduce_translations(Symmetry& sy);
// Text listing of operator n (from 1, in the order of the list).
void write_operator(const Symmetry& sy, std::ostream& log, int n);
std::string operator_text(const SymOp& op);
// Count and, above verbosity 1, the matrix form of every operator.
void write_symmetry_operators(const Symmetry& sy, Log& log);

}  // namespace vorn
