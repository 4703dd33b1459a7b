#include "driver/run_state.hpp"

namespace vorn {

void to_log(RunState& rs, std::string_view text) { rs.log() << text << '\n'; }

void to_term(RunState& rs, std::string_view text) { rs.term() << text << '\n'; }

void to_both(RunState& rs, std::string_view text) {
  to_log(rs, text);
  to_term(rs, text);
}

float covalent_radius(const RunState& rs, int z) {
  if (z >= 1 && z <= kCovradTable) return rs.sw.covrad[static_cast<std::size_t>(z - 1)];
  return covrad_extended(z);
}

}  // namespace vorn
