// The MoPro files: mopro_vorn.par, con_mopro.inp and res_mopro.inp.
#pragma once

#include <ostream>

#include <vector>

#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

void write_mopro_par_head(std::ostream& os);
// The crystal lines that follow that head for SHELX input: a CELL line for
// each CELL instruction, the SYMM block and the refinement-control lines.
void write_mopro_crystal_head(const ShelxCrystalHead& head, std::ostream& os);
void write_con_head(std::ostream& os);
// The SYMPLM line of every atom whose label or crystallographic site
// carries symmetry; the log names the terms a code leaves fixed.
void write_con_site_symmetry(const Model& model, const std::vector<AtomSetup>& setup, Log& log, std::ostream& os);
void write_res_head(std::ostream& os);
// Model section of mopro_vorn.par (dummies, kappas, atom count).
void write_mopro_model(const Model& model, const Dummies& dummies, const Kappas& kappas, std::ostream& os);
// The record group of entry i of the atom table in mopro_vorn.par (atom
// number i + 1 there), from its populations; an
// atom of occupancy 0 is warned about in the log.
void write_mopro_atom(const Model& model, const Populations& populations, int i, const AtomSetup& setup, Log& log,
                      std::ostream& os);
void write_mopro_par_tail(std::ostream& os);
// The similarity section of con_mopro.inp: the valence-population
// constraint of every chemically constrained atom, commented out.
void write_con_tail(const Model& model, const KappaSets& kappa_sets, const std::vector<AtomSetup>& setup,
                    std::ostream& os);
// ADP block and tail of res_mopro.inp.
void write_res_tail(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& os);

}  // namespace vorn
