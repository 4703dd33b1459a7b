// The XD master file xd_vorn.mas: head, scattering table, atom-table and
// KEY-table lines, refinement controls and the module template.
#pragma once

#include <array>
#include <ostream>
#include <string>

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// 18 orbital populations of the scattering-table row of element z.
std::array<int, 18> getsft(int z);
// Banner and title lines (head lines 1 to 4).
void write_mas_banner(std::ostream& os);
// The refinement-control lines that end the head (after CELL/LATT/SYMM).
void write_mas_lsm_head(std::ostream& os);
// The scattering table.
void write_mas_scat(RunState& rs, std::ostream& os);
// One atom line of the ATOM table.
std::string mas_atom_line(const RunState& rs, int atom, const Frame& f, int kset, const std::string& chemcon_label);
void wrxdmas1(RunState& rs, std::ostream& os, int nkset);
void wrxdmas2(RunState& rs, std::ostream& os);

}  // namespace vorn
