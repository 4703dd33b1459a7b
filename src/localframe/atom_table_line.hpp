// The atom's line of the XD atom table: label, axis atoms and letters,
// tables, kappa set, multipole level, site symmetry and constraint.  The
// per-atom loop shows it in the log and on the terminal; the master-file
// writer writes it.
#pragma once

#include <string>
#include <string_view>

#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// Without trailing blanks; `constraint_label` is the atom the chemical
// constraint refers to, empty for none.
std::string atom_table_line(const Atom& a, const Frame& f, int kappa_set, std::string_view constraint_label,
                            Handedness hand);

}  // namespace vorn
