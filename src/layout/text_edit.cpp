#include "layout/text_edit.hpp"

#include <algorithm>

#include "layout/run_error.hpp"

namespace vorn {

void to_upper_case(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void to_lower_case(std::string& s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string upcased(std::string_view s) {
  std::string r(s);
  to_upper_case(r);
  return r;
}

int last_nonblank_column(std::string_view s) {
  int n = static_cast<int>(s.size());
  while (n > 0 && s[static_cast<std::size_t>(n - 1)] == ' ') --n;
  return n;
}

int last_nonblank_column_or_length(std::string_view s) {
  const int n = last_nonblank_column(s);
  return n == 0 ? static_cast<int>(s.size()) : n;
}

int first_nonblank_column(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] != ' ') return static_cast<int>(i + 1);
  return 0;
}

std::string_view rtrim(std::string_view s) {
  return s.substr(0, static_cast<std::size_t>(last_nonblank_column(s)));
}

void remove_blanks(std::string& s) {
  if (s.size() > 256) fail("RmBlanks", "len(op).gt.len(line)");
  const std::size_t n = s.size();
  std::string r;
  for (char c : s)
    if (c != ' ') r += c;
  r.resize(n, ' ');
  s = r;
}

std::string padded(std::string_view s, std::size_t n) {
  std::string r(s.substr(0, std::min(s.size(), n)));
  r.resize(n, ' ');
  return r;
}

namespace {

std::string left_justified10(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return padded(s.substr(i), 10);
}

}  // namespace

std::string short_dummy_label(std::string_view label) {
  std::string l = padded(label, 10);
  for (std::size_t c = 0; c + 1 < 10; ++c) {
    if (l[c] == 'U' && l[c + 1] == 'M') {
      l = l.substr(0, c) + l.substr(c + 2);
      break;
    }
  }
  return left_justified10(l);
}

std::string label_before_bracket(std::string_view label) {
  std::string l = padded(label, 10);
  const std::size_t p = l.find('(');
  if (p != std::string::npos) l = l.substr(0, p);
  return left_justified10(l);
}

std::string label_without_brackets(std::string_view label) {
  std::string l = padded(label, 10);
  std::size_t p = l.find('(');
  if (p != std::string::npos) l.erase(p, 1);
  p = l.find(')');
  if (p != std::string::npos) l.erase(p, 1);
  return left_justified10(l);
}

}  // namespace vorn
