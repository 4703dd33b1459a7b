// Valence-population rescaling to fragment charges.
#pragma once

#include <istream>

#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "structure/model.hpp"

namespace vorn {

// The valence populations of the atoms (populations.pv) rescaled fragment
// by fragment with the method of SCALE (1 difference, 2 fraction, 3
// sigmaPv): the fragments and charges come from the control file's NFRAG,
// FRAG and CHFRAG lines (every atom forms fragment 1 when control is null
// or names no fragments), a charge not given is asked on the terminal and
// read from answers.  The report goes to the log.
Populations rescale_valence_populations(Populations populations, const Model& model, int method, RecordFile* control,
                                   std::istream* answers, Log& log);
// The same with the control file vorn.inp of the working directory.
Populations rescale_valence_populations(Populations populations, const Model& model, int method, std::istream* answers,
                                   Log& log);

}  // namespace vorn
