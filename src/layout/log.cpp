#include "layout/log.hpp"

namespace vorn {

void to_log(Log& log, std::string_view text) { log.log() << text << '\n'; }

void to_term(Log& log, std::string_view text) { log.term() << text << '\n'; }

void to_both(Log& log, std::string_view text) {
  to_log(log, text);
  to_term(log, text);
}

void warn(Log& log, std::string_view text) {
  to_both(log, text);
  ++log.warnings;
}

void warn(Log& log, std::string_view text, int atom) {
  warn(log, text);
  log.warned_atoms.insert(atom);
}

std::string warnings_line(const Log& log) {
  if (log.warnings == 0) return {};
  return " Warnings: " + std::to_string(log.warnings) + ", see vorn.out";
}

}  // namespace vorn
