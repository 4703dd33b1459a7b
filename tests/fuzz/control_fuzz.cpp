// The control file and the text-line routines under arbitrary text: the
// whole reader of vorn.inp, the line reader with comments and
// continuations, the tokeniser, the word locators and the label editors.
#include <cstdint>
#include <string>

#include "control/control_file.hpp"
#include "layout/input_lines.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "fuzz_support.hpp"
#include "layout/layout.hpp"
#include "structure/capacity.hpp"

using namespace vorn;

namespace {

void tokenise_lines(std::string_view text) {
  fuzz::Run run;
  RecordFile f;
  f.open_text(std::string(text));
  std::string line;
  fuzz::guarded([&] {
    while (!readinputline(f, line, kLineLength)) {
      if (line.size() != static_cast<std::size_t>(kLineLength)) fuzz::fail("readinputline changed the width");
      const int words = count_words(line);
      for (int w = 1; w <= words + 1; ++w) {
        int a = 0, b = 0;
        const bool found = find_word(line, w, a, b);
        if (found != (w <= words)) fuzz::fail("find_word disagrees with count_words");
        if (found && (a < 1 || b < a || b > kLineLength)) fuzz::fail("find_word gave columns outside the line");
      }
      std::string toks = line;
      LineExtract tokens;
      readline(toks, tokens);
      if (toks.size() != line.size()) fuzz::fail("readline changed the width");
      if (tokens.count < 0 || tokens.count > kMaxKeywords) fuzz::fail("keyword count outside the record");
      // What is left reads as numbers, one by one.
      layout::FreeReader rd(toks);
      double v = 0;
      while (rd.remaining() > 0 && rd.real(v)) {
      }
      const std::string label = padded(line.substr(0, 10), 10);
      for (const std::string& e : {short_dummy_label(label), label_before_bracket(label), label_without_brackets(label)})
        if (e.size() != 10) fuzz::fail("a label editor changed the width");
    }
  });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  fuzz::write_file("vorn.inp", text);
  {
    fuzz::Run run;
    // VORN_DB may be read by a DATABANK line without a name.
    fuzz::guarded([&] { read_control_file(run.rs->log_sink()); });
  }
  tokenise_lines(text);
  return 0;
}
