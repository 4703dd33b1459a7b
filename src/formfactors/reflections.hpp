// The reflections of the form-factor table: read from a SHELX HKLF 4 file
// or every index up to a sin(theta)/lambda, then expanded to every
// symmetry equivalent and Friedel mate, as a table for exact index lookup
// must list them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <gemmi/unitcell.hpp>

#include "structure/model.hpp"

namespace vorn {

using Miller = std::array<int, 3>;

// The indices of a SHELX HKLF 4 file (3I4 in columns 1 to 12), in file
// order, up to and including the 0 0 0 record that ends the data (or the
// end of the file).  A record whose indices do not read stops the run
// naming the file and the line.
std::vector<Miller> read_hklf4(const std::string& path);

// Every index with 0 < sin(theta)/lambda <= stol.
std::vector<Miller> reflections_within(const gemmi::UnitCell& cell, double stol);

// h R and -h R for every rotation R of the space group, duplicates
// removed, sorted by h, k, l.
std::vector<Miller> expand_reflections(const std::vector<Miller>& hkl, const Symmetry& symmetry);

}  // namespace vorn
