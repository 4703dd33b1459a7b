// Fixed capacities of the program.  A run that would exceed one stops with a
// message naming the limit.
#pragma once

#include "layout/line_limits.hpp"

namespace vorn {

inline constexpr int kMaxAtoms = 20000;      // atoms including symmetry copies
inline constexpr int kMaxSymm = 192;         // symmetry operators, identity included
inline constexpr int kMaxFvar = 200;         // SHELX free variables
inline constexpr int kMaxNeiSearch = 1000;   // neighbours found by one search
inline constexpr int kMaxNeiStored = 20;     // stored neighbours (and types) per atom
inline constexpr int kMaxRings = 1000;
inline constexpr int kMaxRingSize = 100;
inline constexpr int kMaxDummySlots = 2000;
inline constexpr int kMaxDummyNames = 999;

}  // namespace vorn
