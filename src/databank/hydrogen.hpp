// Extension of X-H bonds to standard lengths.
#pragma once

#include <optional>

#include "databank/databank_records.hpp"
#include "structure/cell.hpp"

namespace vorn {

struct RunState;

// Extends the bond from x to hydrogen h to the standard length of its
// group (moving h) and returns it; nothing for a disordered hydrogen
// (without DISORD *extendH) or a group the program cannot handle.
std::optional<ExtendedBond> extendh(RunState& rs, int x, int h);
// Moves h along x->h so that the distance becomes d; returns the old one.
float extendbond(const Vec3& x, Vec3& h, float d);

}  // namespace vorn
