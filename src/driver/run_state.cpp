#include "driver/run_state.hpp"

namespace vorn {

void to_log(RunState& rs, std::string_view text) { to_log(rs.io.log, text); }

void to_term(RunState& rs, std::string_view text) { to_term(rs.io.log, text); }

void to_both(RunState& rs, std::string_view text) { to_both(rs.io.log, text); }

void warn(RunState& rs, std::string_view text) { warn(rs.io.log, text); }

}  // namespace vorn
