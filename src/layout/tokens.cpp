#include "layout/tokens.hpp"

#include <vector>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/layout.hpp"

namespace vorn {

const Text<8>& LineExtract::keyword(int k) const {
  static const Text<8> blank;
  if (k < 1 || k > count || k > kMaxKeywords) return blank;
  return words[static_cast<std::size_t>(k - 1)];
}

bool LineExtract::starred(int k) const {
  if (k < 1 || k > count || k > kMaxKeywords) return false;
  return starred_flags[static_cast<std::size_t>(k - 1)];
}

int count_words(std::string_view line) {
  const int n = static_cast<int>(line.size());
  if (n < 2) return 0;
  int count = 0;
  for (int i = 1; i <= n - 1; ++i)
    if (line[static_cast<std::size_t>(i - 1)] != ' ' && line[static_cast<std::size_t>(i)] == ' ') ++count;
  return count;
}

bool find_word(std::string_view line, int iw, int& istart, int& iend) {
  const int n = static_cast<int>(line.size());
  if (n < 2 || iw < 1) return false;
  int count = 0;
  int last_blank = 0;
  for (int j = 1; j <= n - 1; ++j) {
    const char c = line[static_cast<std::size_t>(j - 1)];
    if (c == ' ') {
      last_blank = j;
      continue;
    }
    if (line[static_cast<std::size_t>(j)] == ' ') {
      ++count;
      if (count == iw) {
        iend = j;
        istart = last_blank + 1;
        return true;
      }
    }
  }
  return false;
}

void find_word_or_stop(std::string_view line, int iw, int& istart, int& iend) {
  if (!find_word(line, iw, istart, iend)) fail("ReadChar", "Unexpected STOP in ReadChar...");
}

std::string word(std::string_view line, int iw) {
  int a = 0, b = 0;
  if (!find_word(line, iw, a, b)) return {};
  return std::string(line.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1)));
}

void readline(std::string& line, LineExtract& ex) {
  ex = LineExtract{};
  const int count = count_words(line);
  struct Span { int a, b; };
  std::vector<Span> spans;
  for (int w = 1; w <= count; ++w) {
    int a = 0, b = 0;
    if (!find_word(line, w, a, b)) break;
    const std::string_view wd(line.data() + a - 1, static_cast<std::size_t>(b - a + 1));
    double v = 0;
    if (layout::read_fixed_word(wd, v)) continue;
    std::string_view text = wd;
    bool star = false;
    if (!text.empty() && text.front() == '*') {
      star = true;
      text.remove_prefix(1);
    }
    if (ex.count < kMaxKeywords) {
      ex.starred_flags[static_cast<std::size_t>(ex.count)] = star;
      ex.words[static_cast<std::size_t>(ex.count)] = upcased(text.substr(0, std::min<std::size_t>(text.size(), 8)));
      ++ex.count;
    }
    spans.push_back({a, b});
  }
  for (const Span& s : spans)
    for (int c = s.a; c <= s.b; ++c) line[static_cast<std::size_t>(c - 1)] = ' ';
}

}  // namespace vorn
