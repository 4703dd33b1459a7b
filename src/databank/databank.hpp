// Pseudoatom databank: matching an atom to the first entry that fits.
#pragma once

#include <string>

#include "layout/text.hpp"

#include "databank/databank_records.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

struct RunState;

// Number of valence electrons of element z.
float pval(int z);
// What the databank search compares an entry with, besides the atom's
// element, site symmetry, hydrogen parent and functional group.
struct DatabankQuery {
  const Neig& neighbours;   // as the search's own neighbour search found them
  Forring ring;             // the planar rings of the atom
  bool planar_group = true; // the atom and its neighbours are planar
};

// Searches the databank for atom i with its ring flags and group planarity
// as its frame found them; returns the entry found (ifind 0 when none fits).
Mpoles1 readdb(RunState& rs, int i, const Forring& ring, bool planar_group);
// Stores an entry as the atom's populations and its kappa set's kappas.
void copy_databank_result(RunState& rs, int i, const Mpoles1& entry);
// The defaults for an atom whose databank reading is skipped.
void databank_defaults(RunState& rs, int i);

// The search of readdb once the neighbours are found: matching,
// parameters, report and counters.
Mpoles1 searchdb(RunState& rs, int i, const DatabankQuery& q);
// Next databank line that is not a comment, upper-cased and tokenised into
// rs.dbtext.current; the end of the file inside an entry stops the run.
void readfile(RunState& rs, std::string& line);
// Whether the functional-group status of the entry just matched agrees
// with atom i: 0 accept, 1 skip.  `group` receives the entry's group.
int exceptdb(RunState& rs, int i, Text<40>& group);

}  // namespace vorn
