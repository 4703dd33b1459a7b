// Fixed-length text fields: a label of 8 characters, a site-symmetry label
// of 5, a file name of 60.  Assignment cuts or blank-pads to the field
// length, so comparisons and output see exactly the stored characters.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vorn {

template <std::size_t N>
class Text {
public:
  Text() { chars_.fill(' '); }
  Text(std::string_view s) { assign(s); }  // NOLINT: implicit on purpose
  Text(const char* s) { assign(s); }       // NOLINT
  Text(const std::string& s) { assign(s); } // NOLINT

  Text& operator=(std::string_view s) { assign(s); return *this; }
  Text& operator=(const char* s) { assign(s); return *this; }
  Text& operator=(const std::string& s) { assign(s); return *this; }

  void assign(std::string_view s) {
    chars_.fill(' ');
    std::copy_n(s.begin(), std::min(s.size(), N), chars_.begin());
  }

  static constexpr std::size_t size() { return N; }
  std::string_view view() const { return {chars_.data(), N}; }
  operator std::string_view() const { return view(); }  // NOLINT
  std::string str() const { return std::string(view()); }
  // The text up to its last non-blank character.
  std::string_view trimmed() const {
    std::size_t n = N;
    while (n > 0 && chars_[n - 1] == ' ') --n;
    return {chars_.data(), n};
  }
  bool blank() const { return trimmed().empty(); }

  char& operator[](std::size_t i) { return chars_[i]; }
  char operator[](std::size_t i) const { return chars_[i]; }

  friend bool operator==(const Text& a, const Text& b) { return a.chars_ == b.chars_; }
  // Comparison with plain text follows the padded-field rule: trailing
  // blanks do not count.
  friend bool operator==(const Text& a, std::string_view b) {
    if (b.size() > N) return false;
    for (std::size_t i = 0; i < N; ++i) {
      const char c = i < b.size() ? b[i] : ' ';
      if (a.chars_[i] != c) return false;
    }
    return true;
  }
  // Without this a literal would match both overloads above.
  friend bool operator==(const Text& a, const char* b) { return a == std::string_view(b); }
  friend bool operator==(const Text& a, const std::string& b) { return a == std::string_view(b); }

private:
  std::array<char, N> chars_;
};

using Label = Text<8>;
using SiteSym = Text<5>;
using FileName = Text<60>;

}  // namespace vorn
