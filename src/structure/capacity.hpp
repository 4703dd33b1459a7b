// Fixed capacities of the program.  A run that would exceed one stops with a
// message naming the limit.
#pragma once

#include "layout/line_limits.hpp"

namespace vorn {

// Atoms, neighbours and rings have no limit: their tables grow with the
// structure.
// Symmetry operators, identity included: no space group has more in its
// conventional cell (F m -3 m: 48 x 4), so a longer list is a fault of the
// cards, not a crystal; the list itself grows with its content.
inline constexpr int kMaxSymm = 192;
inline constexpr int kMaxRingSize = 100;
inline constexpr int kMaxDummyNames = 999;   // dummy atoms: XD's labels DUM1 .. DUM999

}  // namespace vorn
