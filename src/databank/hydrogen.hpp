// Extension of X-H bonds to standard lengths.
#pragma once

#include "structure/cell.hpp"

namespace vorn {

struct RunState;

void extendh(RunState& rs, int x, int h);
// Moves h along x->h so that the distance becomes d; returns the old one.
float extendbond(const Vec3& x, Vec3& h, float d);

}  // namespace vorn
