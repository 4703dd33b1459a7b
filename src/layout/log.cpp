#include "layout/log.hpp"

namespace vorn {

void to_log(Log& log, std::string_view text) { log.log() << text << '\n'; }

void to_term(Log& log, std::string_view text) { log.term() << text << '\n'; }

void to_both(Log& log, std::string_view text) {
  to_log(log, text);
  to_term(log, text);
}

}  // namespace vorn
