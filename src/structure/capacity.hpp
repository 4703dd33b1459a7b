// Fixed capacities of the program.  A run that would exceed one stops with a
// message naming the limit.
#pragma once

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
inline constexpr int kMaxKeywords = 40;      // keywords on one tokenised line
inline constexpr int kLineLength = 255;      // a text line of an input file

}  // namespace vorn
