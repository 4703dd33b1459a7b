// Free-form number reading and the fixed-point read of one word, with every
// value that reads written back through the record layouts the output
// files use: a field keeps its width whatever the value (asterisks when it
// does not fit).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.hpp"
#include "layout/layout.hpp"

using namespace vorn;

namespace {

void expect_width(const std::string& text, std::size_t w, const char* layout) {
  if (text.size() != w) fuzz::fail(std::string("layout ") + layout + " gave " + std::to_string(text.size()) +
                                   " columns: [" + text + "]");
}

void write_back(double v) {
  const double f = static_cast<double>(v);
  expect_width(layout::format("(f12.4)", f), 12, "f12.4");
  expect_width(layout::format("(f7.3)", f), 7, "f7.3");
  expect_width(layout::format("(f9.5)", v), 9, "f9.5");
  expect_width(layout::format("(e11.4)", f), 11, "e11.4");
  expect_width(layout::format("(sp,f8.4)", f), 8, "sp,f8.4");
  expect_width(layout::format("(sp,e12.5)", v), 12, "sp,e12.5");
  (void)layout::listed(f, v);
}

void write_back(long long v) {
  expect_width(layout::format("(i5)", v), 5, "i5");
  expect_width(layout::format("(i8)", v), 8, "i8");
  expect_width(layout::format("(i3)", static_cast<int>(v % 100000)), 3, "i3");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  // Free-form: alternately a real and an integer, as the readers mix them.
  {
    layout::FreeReader rd(text);
    const int n = rd.remaining();
    if (n < 0) fuzz::fail("negative count of values");
    for (int k = 0; rd.remaining() > 0; ++k) {
      double d = 0;
      double f = 0;
      long long i = 0;
      int j = 0;
      const int before = rd.remaining();
      const bool ok = (k % 4 == 0)   ? rd.real(d)
                      : (k % 4 == 1) ? rd.real(f)
                      : (k % 4 == 2) ? rd.integer(i)
                                     : rd.integer(j);
      if (!ok) break;
      if (rd.remaining() != before - 1) fuzz::fail("a read did not consume one value");
      if (k % 4 == 0) write_back(d);
      if (k % 4 == 1) write_back(static_cast<double>(f));
      if (k % 4 == 2) write_back(i);
      if (k % 4 == 3) write_back(static_cast<long long>(j));
    }
  }
  // Each word as a fixed-point number, as the tokeniser reads it.
  std::size_t p = 0;
  while (p < text.size()) {
    const std::size_t q = text.find(' ', p);
    const std::string_view w = text.substr(p, q == std::string_view::npos ? std::string_view::npos : q - p);
    double v = 0;
    if (layout::read_fixed_word(w, v)) write_back(v);
    if (q == std::string_view::npos) break;
    p = q + 1;
  }
  // Whole-line reads of a fixed count.
  const int count = layout::count_values(text);
  if (count > 0 && count < 64) {
    std::vector<double> r(static_cast<std::size_t>(count));
    std::vector<int> i(static_cast<std::size_t>(count));
    (void)layout::read_reals(text, r);
    (void)layout::read_ints(text, i);
  }
  return 0;
}
