// Whether symmetry operators are symmetry of the cell they are read with:
// each one an isometry of the cell's metric, and all of them, with the
// centring and the inversion, a group.  A card that is neither (a typo
// such as X+Y,Y,Z, an operator of another crystal system) would generate
// copies that overlap or fly apart, and every later step would work on a
// structure that is no crystal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "structure/model.hpp"

namespace vorn {

// What keeps operator `op` from being an isometry of the cell (its
// rotation changes the metric by more than 1 % of a product of two edges);
// empty when it is one.
std::string isometry_fault(const SymOp& op, const UnitCell& cell);

// Stops the run (routine SymCrd) when the operators are not closed under
// composition, translations taken modulo whole cells.  `places` names,
// for each operator read from a card (index 0 for operator 1), where that
// card stands ("line 5 of x.res"); operators made from them by the
// centring or the inversion are named by their card.
void check_symmetry_closure(const Symmetry& sy, const std::vector<std::string>& places);

// LATT 3 adds the centring of a rhombohedral lattice on hexagonal axes; on
// a cell given on rhombohedral axes (a = b = c, alpha = beta = gamma, not
// 90) it would triple the atoms.  Stops with advice; `where` names the
// LATT card.
void check_rhombohedral_setting(char letter, const UnitCell& cell, std::string_view where);

}  // namespace vorn
