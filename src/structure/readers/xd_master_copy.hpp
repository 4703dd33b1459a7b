// For XD input the new master file keeps the old one's head, refinement
// controls and KEY trailer; the per-atom loop copies them at three points.
#pragma once

namespace vorn {

struct RunState;

// Opens the old master file and copies its lines up to the first ATOM line.
void xdcopy_head(RunState& rs);
// Copies the lines after the old atom table up to its KEY line.
void xdcopy_controls(RunState& rs);
// Copies the old file from its EXTCN line to its end and closes it.
void xdcopy_trailer(RunState& rs);

}  // namespace vorn
