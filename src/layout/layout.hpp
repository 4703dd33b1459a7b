// Record layouts in the notation of Fortran edit descriptors.
//
// A layout such as "(a,6f12.4)" or "( i6, 3x, a, 3i3, 3f9.5, f6.3, 6f7.3 )"
// is interpreted exactly as a Fortran formatted WRITE would: I, F, E, A, L,
// nX, quoted text, '/', repeated groups n(...), SP/SS and a closing '$'.
// Output stops at the first data descriptor that finds no item left; when
// the layout ends with items left, a new line starts and the layout reverts
// to its last top-level group.  Numbers that do not fit print as asterisks.
//
// The same library reads numbers free-form (blank- and comma-separated) and
// reads one word as a fixed-point number, as the line tokeniser needs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "layout/text.hpp"

namespace vorn::layout {

using Item = std::variant<long long, double, std::string_view, bool>;

template <class T>
Item to_item(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return Item{v};
  } else if constexpr (std::is_integral_v<T>) {
    return Item{static_cast<long long>(v)};
  } else if constexpr (std::is_floating_point_v<T>) {
    return Item{static_cast<double>(v)};
  } else {
    return Item{std::string_view(v)};
  }
}

// Lines of the formatted record, joined with '\n' (no trailing newline).
// A layout ending in '$' yields the text without the final line end; the
// caller can tell by ends_with_dollar().
std::string format_items(std::string_view layout, std::span<const Item> items);
// The same, appended to out.
void format_into(std::string& out, std::string_view layout, std::span<const Item> items);
// The record and its line end (none for a '$' layout) written to os.
void write_items(std::ostream& os, std::string_view layout, std::span<const Item> items);

template <class... A>
std::string format(std::string_view layout, const A&... args) {
  const Item items[] = {to_item(args)..., Item{0LL}};
  return format_items(layout, std::span<const Item>(items, sizeof...(A)));
}

bool ends_with_dollar(std::string_view layout);

// Writes the formatted record and its line end (none for a '$' layout).
template <class... A>
void write(std::ostream& os, std::string_view layout, const A&... args) {
  const Item items[] = {to_item(args)..., Item{0LL}};
  write_items(os, layout, std::span<const Item>(items, sizeof...(A)));
}

// Writes one line of plain text and its line end.
void line(std::ostream& os, std::string_view text);

// Single edit descriptors, for callers that build a line piece by piece.
std::string fmt_i(long long v, int w);
std::string fmt_f(double v, int w, int d, bool plus = false);
void append_f(std::string& out, double v, int w, int d, bool plus = false);
std::string fmt_e(double v, int w, int d, bool plus = false);
std::string fmt_a(std::string_view s, int w);
std::string fmt_l(bool v, int w);

// A free-form (list-directed) output line: one leading blank, the items
// separated by blanks.
std::string listed_items(std::span<const Item> items);
template <class... A>
std::string listed(const A&... args) {
  const Item items[] = {to_item(args)..., Item{0LL}};
  return listed_items(std::span<const Item>(items, sizeof...(A)));
}

// ---- Reading ------------------------------------------------------------

// Reads one word as a fixed-point real (the F edit descriptor with a width
// equal to the word's length).  Returns false when the word is not a number.
bool read_fixed_word(std::string_view word, double& value);

// Free-form reading of the values of one line.  Values are separated by
// blanks or commas; a '/' ends the values; r*v repeats v r times.
class FreeReader {
public:
  explicit FreeReader(std::string_view text);
  // Each read returns false when no value is left or the next value does
  // not read in the requested type; the value is then unchanged.
  bool real(double& v);
  bool integer(int& v);
  bool integer(long long& v);
  // Number of values still to be read (stops at '/').
  int remaining() const;

private:
  bool next_token(std::string_view& tok);
  void consume();
  std::string text_;                // the line, kept: callers may pass a temporary
  std::size_t at_ = 0;              // where the next word starts
  std::size_t current_ = 0;         // the value being read (place and length) ...
  std::size_t current_size_ = 0;
  long long left_ = 0;              // ... and how many times it is still to be read
};

// Reads exactly out.size() values from the text; false when any fails.
bool read_reals(std::string_view text, std::span<double> out);
bool read_ints(std::string_view text, std::span<int> out);

// Number of blank- or comma-separated values on the line (up to a '/').
int count_values(std::string_view text);

}  // namespace vorn::layout
