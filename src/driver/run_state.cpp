#include "driver/run_state.hpp"

namespace vorn {

void to_log(RunState& rs, std::string_view text) { rs.log() << text << '\n'; }

void to_term(RunState& rs, std::string_view text) { rs.term() << text << '\n'; }

void to_both(RunState& rs, std::string_view text) {
  to_log(rs, text);
  to_term(rs, text);
}

}  // namespace vorn
