// Covalent neighbours of every atom, grouped by element and sorted.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// The neighbours of one atom, nearest first; rmax <= 0 selects the
// covalent criterion, in which a hydrogen bonds to its nearest contact
// only (unless it bridges boron or metal atoms) and no two sites closer
// than 0.5 A bond.
// disordered is set to 1 when an accepted neighbour is disordered.
// The search goes through the cell lists of the atom table;
// search_neighbours_direct compares the atom with every entry (the form the
// cell-list search is checked against, and the one run when the direct
// forms are asked for).  A search that meets more atoms around its atom
// than a crystal packs (a pile of copies) stops with "GetNei".
FoundNeighbours search_neighbours(const IndexedAtoms& tab, int atom, double rmax, int& disordered);
FoundNeighbours search_neighbours_direct(const IndexedAtoms& tab, int atom, double rmax, int& disordered);
// Whether a single neighbour search lists what it found in the log.
enum class SearchListing { silent, logged };

// search_neighbours, the grouping into sorted types and, when asked, the
// listing (with the types from verbosity 2 on).
FoundNeighbours find_neighbours(const IndexedAtoms& tab, Log& log, int atom, double rmax, SearchListing listing);
// The first entry of the list that find_neighbours(tab, atom, rmax, ...)
// makes (by distance, ties in table order) for which accept holds; -1
// when none does.  The cell-list form looks in growing spheres and takes a
// sphere's answer only when no entry in it can be a duplicate site, so that
// it is the answer of the whole list; a near answer then costs a near
// search.
int nearest_neighbor(const IndexedAtoms& tab, int atom, double rmax, const std::function<bool(int)>& accept);
// The whole-structure pass: the neighbour table of every entry of the
// expanded list, each type's members sorted, and the sorted table printed.
// Stops ("FindAllNeighbors") when an atom has more neighbours than the
// table holds.
Neighbors find_all_neighbours(const IndexedAtoms& tab, Log& log);
// Whether hydrogen h keeps `other` as a bonded partner: its nearest
// covalent contact, or a boron or metal atom it bridges to from one; true
// for an atom that is no hydrogen.
bool keeps_hydrogen_bond(const IndexedAtoms& tab, int h, int other);
// Lists in the log the contacts within bonding distance that are no bonds:
// pairs of sites closer than 0.5 A, and the hydrogen bonds of hydrogens
// whose further contacts the hydrogen rule drops.  Nothing when none.
void write_contacts_not_bonded(const IndexedAtoms& tab, const Neighbors& all, std::ostream& os);
// The atom's stored neighbours: atomic number descending, then
// hybridization (the neighbour's own neighbour count) ascending, then
// distance ascending.
std::vector<int> neighbours_by_type(const Neighbors& all, int atom);
// The atom's stored neighbours as a listing; with_types adds the types.
void write_neighbours(const Model& md, const Neighbors& all, int atom, bool with_types, std::ostream& os);
// The atom's neighbours in stored order followed by the atom itself.
std::vector<int> neighbours_and_self(const Neighbors& all, int atom);

}  // namespace vorn
