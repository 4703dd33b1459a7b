// The XD parameter file xd_vorn.inp, written in one pass over the atoms
// together with the fixedH.ins lines and the MoPro atom records.
#pragma once

#include <ostream>
#include <vector>

#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// The files written in the one pass: par is null when xd_vorn.inp is the
// kept model of XD input (write_kept_parameter_file).
struct ParameterStreams {
  std::ostream* par;      // xd_vorn.inp
  std::ostream& mopro;    // mopro_vorn.par
  std::ostream& con;      // con_mopro.inp
};

// xd_vorn.inp, the MoPro model section, atom records and tail and the
// similarity section of con_mopro.inp from what the per-atom loop decided,
// the populations and kappas, and fixedH.ins.  The XD atom lines carry the
// coordinates with that many decimals (an XD model read back keeps the
// precision of its parameter file).
void write_parameter_files(const Model& model, const std::vector<AtomSetup>& setup, const Dummies& dummies,
                           const Populations& populations, const Kappas& kappas, const KappaSets& kappa_sets, Log& log,
                           const ParameterStreams& out, int coordinate_decimals = 5);

// The XD parameter file of the input as read, every line kept, but for the
// coordinates of the atoms the run moved (EXTEND_H), written in place with
// the decimals of the words they replace.
void write_kept_parameter_file(const Model& model, std::ostream& par);

}  // namespace vorn
