#include "control/stop.hpp"

#include <string>

#include "control/text_edit.hpp"
#include "driver/run_state.hpp"

namespace vorn {

void err(RunState& rs, std::string_view where, std::string_view message) {
  std::string text = "\n ERROR *** ";
  text += where;
  text += " *** ";
  // The message without its trailing blanks (callers pass padded fields).
  text += rtrim(message);
  text += "\n";
  to_log(rs, text);
  to_term(rs, text);
  rs.log().flush();
  rs.term().flush();
  throw StopRun{1};
}

void stop_plain(RunState& rs, std::string_view text) {
  to_term(rs, text);
  to_log(rs, text);
  rs.log().flush();
  rs.term().flush();
  throw StopRun{1};
}

}  // namespace vorn
