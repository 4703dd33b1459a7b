// The four structure readers and the listings they share.
#pragma once

#include <ostream>
#include <string>

namespace vorn {

struct RunState;

void readshelx(RunState& rs, const std::string& file);
void readxd(RunState& rs, const std::string& parfile);
void readaim2tab(RunState& rs, const std::string& file);
void readplaton(RunState& rs, const std::string& file);

// The fractional/Cartesian atom listing with flags.
void printatoms(RunState& rs, std::ostream& os);
// The list of scattering types.
void prattyp(RunState& rs, std::ostream& os);

}  // namespace vorn
