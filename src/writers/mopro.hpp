// The MoPro files: mopro_vorn.par, con_mopro.inp and res_mopro.inp.
#pragma once

#include <ostream>

#include <vector>

#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

struct RunState;

void write_mopro_par_head(std::ostream& os);
// The crystal lines that follow that head for SHELX input: a CELL line for
// each CELL instruction, the SYMM block and the refinement-control lines.
void write_mopro_crystal_head(const ShelxCrystalHead& head, std::ostream& os);
void write_con_head(std::ostream& os);
// The SYMPLM line of every atom whose site symmetry is not "NO".
void write_con_site_symmetry(const RunState& rs, const std::vector<AtomSetup>& setup, std::ostream& os);
void write_res_head(std::ostream& os);
// Model section of mopro_vorn.par (dummies, kappas, atom count).
void write_mopro_model(RunState& rs);
// The record group of atom i in mopro_vorn.par.
void write_mopro_atom(RunState& rs, int i, const AtomSetup& setup);
void write_mopro_par_tail(RunState& rs);
// The similarity section of con_mopro.inp: the valence-population
// constraint of every chemically constrained atom, commented out.
void write_con_tail(RunState& rs, const std::vector<AtomSetup>& setup);
// ADP block and tail of res_mopro.inp.
void write_res_tail(RunState& rs, const std::vector<AtomSetup>& setup);

}  // namespace vorn
