// XD input read back without a databank: the refined populations and kappa
// values of the old parameter file go into the new one.
#pragma once

#include <vector>

#include "control/switches.hpp"
#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// Whether the run writes the XD model of its input back whole (frames,
// labels, kappa sets, KEY table and parameters as read; EXTEND_H moves the
// hydrogens only): XD input that holds a multipole model, without FRAMES
// *new and without a databank, whose transfer needs the program's frames.
bool keeps_xd_model(const Switches& sw, const Model& model);

struct KeptPopulations {
  Populations populations;
  Kappas kappas;
};

// The valence and monopole populations and the multipole populations of
// every atom, taken from the old parameter file; the multipoles, refined
// in the frame of the old master file's atom table, are expressed in the
// atom's new frame (unchanged where the frame is the same), and the terms
// that the atom's symmetry forbids, or above its level, are set to zero.
// An atom whose old frame cannot be built keeps zero multipoles and is
// named in a warning.  Each kappa set takes the kappa values of the old
// set of the atom that opened it.  The XD line integers stay those of the
// new frames.  The log gives, for every atom that loses populations, the
// share of the power of each order l that goes.
KeptPopulations keep_refined_populations(const Model& model, const std::vector<AtomSetup>& setup,
                                         Populations populations, Kappas kappas, Log& log);

}  // namespace vorn
