// The per-atom loop: every atom's frame and site symmetry, its kappa set and
// chemical constraint, and its pseudoatom populations; and the KEY text of
// an atom.
#pragma once

#include <string>
#include <vector>

#include "control/switches.hpp"
#include "databank/databank.hpp"
#include "databank/databank_records.hpp"
#include "databank/functional_groups.hpp"
#include "databank/matts_transfer.hpp"
#include "layout/log.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// The tables the loop fills atom by atom: the dummy atoms, the kappa sets,
// the pseudoatom populations and kappas, the parent descriptors of the
// hydrogens and the functional groups.
struct AtomTables {
  // Grows every per-atom table to hold entries 0 .. n - 1, keeping what
  // they hold; the per-atom loop sizes them to the atom table.
  void hold_entries(int n);
  Dummies dummies;
  KappaSets kappa_sets;
  Populations populations;
  Kappas kappas;
  HydrogenParents hydrogen_parents;
  FunctionalGroups groups;
  std::string group_listing;   // group.ang, by the functional-group test
};

// What the routines of one atom read and fill.  The model is written
// twice: each atom's site-symmetry label, and (EXTEND_H) the positions of
// the hydrogens whose bonds are extended; the rings receive the dummy atoms
// at their centres.
struct AtomLoop {
  const Switches& sw;
  Model& model;
  AtomIndex& index;
  const Neighbors& nb;
  Rings& rings;
  const DatabankSource* databank;   // null when no databank is read
  Log& log;
  AtomTables& tables;
  // The model a MATTS bank gives each atom of the table (atom i at [i]);
  // null without one.
  const std::vector<TransferredAtom>* transferred = nullptr;

  IndexedAtoms indexed() const { return {model, sw, index}; }
  Atom& atom(int i) const { return model.atoms[i]; }
  int natom() const { return model.natom; }
};

// Every atom's setup (atom i is element i) and the tables made on the
// way.
struct AtomLoopResult {
  std::vector<AtomSetup> atoms;
  AtomTables tables;
};

// Sets up entries 0 .. natom - 1 in order; writes the log and the terminal
// only.
AtomLoopResult set_up_atoms(const Switches& sw, Model& model, AtomIndex& index, const Neighbors& nb, Rings& rings,
                            const DatabankSource* databank, Log& log,
                            const std::vector<TransferredAtom>* transferred = nullptr);
// The same, filling tables that the caller holds.
std::vector<AtomSetup> set_up_atoms(const AtomLoop& loop);

// The 68-character KEY text of an atom: which coordinates, displacement
// parameters and, of the multipoles its symmetry allows, which the
// KEYGEN switches refine for it.
std::string key_text(const Switches& sw, const Atom& a, const MultipoleSet& allowed);

}  // namespace vorn
