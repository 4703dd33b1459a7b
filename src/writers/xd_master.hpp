// The XD master file xd_vorn.mas: head, scattering table, atom-table and
// KEY-table lines, refinement controls and the module template.
#pragma once

#include <array>
#include <ostream>
#include <string>

#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

struct RunState;

// 18 orbital populations of the scattering-table row of element z.
std::array<int, 18> getsft(int z);
// The head of the master file for SHELX input: banner and title, the
// CELL, WAVE, LATT and SYMM lines in the order of the SHELX file, the
// refinement controls that end the head, and the scattering table of the
// SFAC types.
void write_master_head(const Model& md, std::ostream& os);
// One atom line of the ATOM table.
std::string mas_atom_line(const RunState& rs, int atom, const Frame& f, int kset, const std::string& chemcon_label);
void wrxdmas1(RunState& rs, std::ostream& os, int nkset);
void wrxdmas2(RunState& rs, std::ostream& os);

}  // namespace vorn
