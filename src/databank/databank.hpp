// Pseudoatom databank: matching an atom to the first entry that fits.
#pragma once

#include <string>

#include "layout/text.hpp"

#include "topology/topology_records.hpp"

namespace vorn {

struct RunState;

// Number of valence electrons of element z.
float pval(int z);
// Searches the databank for atom i; leaves the result in rs.mp1.
void readdb(RunState& rs, int i);
// Copies rs.mp1 into the atom's populations and its kappa set.
void copy_databank_result(RunState& rs, int i);
// The defaults for an atom whose databank reading is skipped.
void databank_defaults(RunState& rs, int i);

// The search of readdb, given the neighbours that its own search found for
// atom i: matching, parameters, report
// and counters.
void searchdb(RunState& rs, int i, const Neig& found);
// Next databank line that is not a comment, upper-cased and tokenised into
// rs.dbtext.current; the end of the file inside an entry stops the run.
void readfile(RunState& rs, std::string& line);
// Whether the functional-group status of the entry just matched agrees
// with atom i: 0 accept, 1 skip.  `group` receives the entry's group.
int exceptdb(RunState& rs, int i, Text<40>& group);

}  // namespace vorn
