#include "layout/run_error.hpp"

#include "layout/text_edit.hpp"

namespace vorn {

RunError::RunError(std::string_view routine_name, std::string_view text)
    : std::runtime_error(std::string(routine_name) + ": " + std::string(text)),
      routine(routine_name),
      message(routine_name.empty() ? std::string(text) : std::string(rtrim(text))) {}

std::string RunError::report() const {
  return "\n ERROR *** " + routine + " *** " + message + "\n";
}

void fail(std::string_view routine, std::string_view message) { throw RunError(routine, message); }

}  // namespace vorn
