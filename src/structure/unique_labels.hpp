// Unique atom labels: XD's atom table, its constraints and MoPro's records
// name atoms by label, so no two atoms may share one.
#pragma once

#include <string>
#include <vector>

#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

// Renames every atom whose label an earlier atom already has (one SHELX
// name in several residues) and every label of an element alone ("O()"),
// as the per-type renaming of the INPUT line names atoms: the element and
// the lowest number not yet taken for it.  One warning lists the renamings.
void make_labels_unique(Model& md, Log& log);

// Per atom read (atom i at [i]), the name under which a refinement program
// reading the input file knows it: the file's own name (without parentheses) where
// no other atom has it (SHELX compares names without regard to case),
// otherwise the label without its parentheses.  Files that go back to a SHELX refinement
// (fixedH.ins, vorn.tsc) use these names.
std::vector<std::string> refinement_names(const Model& md);

}  // namespace vorn
