// Local-frame assignment of one atom, then its kappa set, constraint and
// output lines.
#pragma once

#include "localframe/frame_records.hpp"

namespace vorn {

struct RunState;

// The whole per-atom work: frame and site symmetry, then kappa set,
// chemical constraint, output lines and databank transfer.
void defloc(RunState& rs, int atom);

// Replaces axis points that coincide with symmetry-generated atoms by new
// dummies.
void checksymeq(RunState& rs, Frame& frame);

}  // namespace vorn
