// The XD master file xd_vorn.mas: head, scattering table, atom-table and
// KEY-table lines, refinement controls and the module template.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "control/switches.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"
#include "writers/xd_master_copy.hpp"

namespace vorn {

// 18 orbital populations of the scattering-table row of element z.
std::array<int, 18> scattering_table_populations(int z);
// The head of the master file for SHELX input: banner and title, the
// CELL, WAVE, LATT and SYMM lines in the order of the SHELX file, the
// refinement controls that end the head, and the scattering table of the
// SFAC types.
void write_master_head(const Model& md, std::ostream& os);
// Everything after the head: for XD input the old file's head, then the
// atom table with the dummy atoms, the refinement controls, the KEY table
// with its KAPPA lines and the closing sections (see write_master_after_atoms).
// The kappa sets give each set's atoms and the chemical constraints.
void write_master_tables(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                         const Dummies& dummies, const KappaSets& kappa_sets, const OldMasterSections& old,
                         std::ostream& mas);
// The refinement controls of a new master file: KEEP kappa 1 .. nkset,
// the WEIGHT of the SHELX file and the fixed SKIP and PRINT lines.
void write_refinement_controls(const Model& model, int nkset, std::ostream& os);
// The XDPROP and XDGEOM modules; the LATEN line names the natom atoms.
void write_property_modules(int natom, std::ostream& os);

}  // namespace vorn
