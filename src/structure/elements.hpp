// Element tables: symbols, covalent radii and the symbol-to-number lookup.
#pragma once

#include <array>
#include <string_view>

namespace vorn {

inline constexpr int kMaxElementSymbol = 92;
inline constexpr int kCovradTable = 54;   // radii the control file can change

// Two-character symbol of element z (1..92), "C " for carbon; "  " outside.
std::string_view two_letter_symbol(int z);

// Atomic number of a symbol or label: only its first two characters count.
int atomic_number_of(std::string_view symbol);

// Start values of the covalent radii (Angstrom) for elements 1..54, indexed
// 1-based: element z at [z-1].
const std::array<double, kCovradTable>& default_covrad();

// Covalent radius used for elements beyond the 54 of the changeable table
// (published single-bond radii), so that heavy-atom structures run.
double covrad_extended(int z);

}  // namespace vorn
