// vorn.tsc: the form factors of every atom at every reflection in the text
// table that cctbx (olex2.refine) reads.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "formfactors/form_factor_table.hpp"

namespace vorn {

// TITLE, AD: FALSE (anomalous dispersion stays with the refinement), SYMM:
// expanded (every index is listed, so the reader looks it up exactly),
// SCATTERERS and DATA, then one line per reflection: h k l and re,im per
// atom with six decimals.  Single blanks and no empty line anywhere: the
// reader splits on single blanks and stops at the first empty line.
// Labels must be unique regardless of case (the reader matches them so)
// and free of blanks; a value that is not finite stops the run.
void write_tsc(const FormFactorTable& table, const std::vector<std::string>& labels, std::ostream& os);
// The same in parts: the head, then the rows of each part of the table.
void write_tsc_head(const std::vector<std::string>& labels, std::ostream& os);
void write_tsc_rows(const FormFactorTable& table, const std::vector<std::string>& labels, std::ostream& os);

}  // namespace vorn
