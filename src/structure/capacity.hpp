// Fixed capacities of the program.  A run that would exceed one stops with a
// message naming the limit.
#pragma once

#include "layout/line_limits.hpp"

namespace vorn {

// Atoms, neighbours and rings have no limit (their tables grow with the
// structure).  This is left only as the size of the scattering-type table
// and the default of the ring walk's table, which the walk sizes to the
// entries itself.
inline constexpr int kMaxAtoms = 20000;
inline constexpr int kMaxSymm = 192;         // symmetry operators, identity included
inline constexpr int kMaxFvar = 200;         // SHELX free variables
inline constexpr int kMaxRingSize = 100;
inline constexpr int kMaxDummySlots = 2000;
inline constexpr int kMaxDummyNames = 999;

}  // namespace vorn
