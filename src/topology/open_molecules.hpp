// Molecules left open: atoms of the atom table bonded to a symmetry image
// of the asymmetric unit that the table does not hold.
#pragma once

#include <optional>
#include <vector>

#include "control/switches.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

// The asymmetric-unit atoms (ascending) one of whose entries (the atom or
// a copy of it, 0 .. entries - 1) bonds to an image of the unit that lies
// within `cells` cells around the unit cell and is not in the table.
std::vector<int> atoms_with_missing_bonds(const Model& md, const Switches& sw, int cells);

// For each of the atoms, the smallest NCELLS value from `least` to `most`
// whose complete-fragment search leaves none of the atom's entries bonded
// to a missing image; -1 when none does (a chain or a network, or a table
// that overflows).
std::vector<int> ncells_completing(const Model& unit, const Switches& sw, const std::vector<int>& atoms, int least, int most);

// Without an NCELLS line: the smallest NCELLS, 0 to 3, whose search
// (over the unit, its entries 0 .. entries - 1 the asymmetric unit)
// completes every molecule of the asymmetric unit (no entry of its
// table, copies included, bonded to a missing image); none when every
// molecule is whole already, or when no value up to 3 completes them all
// (a chain or a network).
std::optional<int> ncells_for_whole_molecules(const Model& unit, const Switches& sw);

// After the complete-fragment search with NCELLS: a warning for every atom
// whose molecule is still open, with the NCELLS value that closes it.
void warn_open_molecules(const Model& completed, const Switches& sw, Log& log);
// Without the search: one warning naming the atoms bonded to atoms that
// only symmetry reaches, with the advice to set NCELLS.
void warn_bonds_through_symmetry(const Model& unit, const Switches& sw, Log& log);

}  // namespace vorn
