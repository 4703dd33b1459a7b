// Pseudoatom databank: matching an atom to the first entry that fits.
#pragma once

#include <string>

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

}  // namespace vorn
