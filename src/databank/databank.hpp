// Pseudoatom databank: matching an atom to the first entry that fits.
#pragma once

#include "control/switches.hpp"
#include "databank/databank_records.hpp"
#include "databank/databank_text.hpp"
#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"

#include <string>
#include <string_view>

#include "layout/text.hpp"

#include "databank/databank_records.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// Number of valence electrons of element z.
double pval(int z);
// What the databank search compares an entry with, besides the atom's
// element, site symmetry, hydrogen parent and functional group.
struct DatabankQuery {
  const FoundNeighbours& neighbours;   // as the search's own neighbour search found them
  PlanarRings ring;             // the planar rings of the atom
  bool planar_group = true; // the atom and its neighbours are planar
};

// The databank a search reads: the open file, and its copy in memory that
// the first search makes (and keeps while the file is the same).  direct:
// scan the file line by line instead of the copy.
struct DatabankSource {
  RecordFile& file;
  DatabankText& text;
  bool direct = false;
};

// The log's block of the parameters of an entry transferred to an atom
// (Pv, kappa, kappa', sigma(Pv) and the populations by order).
std::string parameter_block(std::string_view label, const DatabankMatch& entry);

// Searches the databank for atom i with its ring flags and group planarity
// as its frame found them; returns the entry found (found false when none
// fits).  A hydrogen is matched by its parent descriptors, any atom by the
// functional group recorded in except; the search is reported in the log.
DatabankMatch search_databank(const DatabankSource& db, IndexedAtoms atoms, const HydrogenParents& parents, const FunctionalGroups& except, Log& log,
                        int i, const PlanarRings& ring, bool planar_group);
// The search of search_databank once the neighbours are found: matching,
// parameters and report.
DatabankMatch search_databank_with_neighbours(const DatabankSource& db, const Model& model, const HydrogenParents& parents,
                                        const FunctionalGroups& except, Log& log, int i, const DatabankQuery& q);
// Stores an entry as the populations of atom a (entry index i), scaled by its
// occupancy, and as the kappas of its kappa set.
void copy_databank_result(const Atom& a, int i, int kappa_set, const DatabankMatch& entry, Populations& populations,
                          Kappas& kappas);
// The free-atom defaults for an atom whose databank reading is skipped.
void databank_defaults(const Atom& a, int i, int kappa_set, Populations& populations, Kappas& kappas);

}  // namespace vorn
