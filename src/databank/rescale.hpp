// Valence-population rescaling to fragment charges.
#pragma once

namespace vorn {

struct RunState;

void rescalepv(RunState& rs);

}  // namespace vorn
