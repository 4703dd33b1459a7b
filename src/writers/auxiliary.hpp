// vorn.spf (plot file), vorn.ang and fixedH.ins.
#pragma once

#include <ostream>
#include <vector>

#include "control/switches.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

void write_spf_head(std::ostream& os);
// The coordinate files of the ring search's reduced structure: reduced.ang
// with the labels, reduced_1.ang with element symbol and reduced position.
void write_reduced_ang(const Model& model, const std::vector<int>& reduced, std::ostream& os);
void write_reduced_numbered_ang(const Model& model, const std::vector<int>& reduced, std::ostream& os);
// complete.ang: every entry of the completed molecules.
void write_complete_ang(const Model& model, std::ostream& os);
// The local axes of every atom, as drawn by PLATON.
void write_spf_axes(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& os);
// vorn.ang: every atom (hydrogens where the extension put them) and the
// dummy atoms, as Cartesian coordinates in PLATON format.
void write_vorn_ang(const Model& model, const Switches& sw, const Dummies& dummies, std::ostream& os);
// Dummy atoms, the JOIN RADII line (the elements' bond radii of the
// switches) and the plotting instructions.
void write_spf_tail(const Model& model, const Switches& sw, const Dummies& dummies, std::ostream& os);

}  // namespace vorn
