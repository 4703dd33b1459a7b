#include "layout/input_lines.hpp"

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/line_limits.hpp"

namespace vorn {

bool readinputline(RecordFile& f, std::string& line, int n) {
  line.assign(static_cast<std::size_t>(n), ' ');
  int p = 1;
  std::string rec;
  for (;;) {
    if (!f.next(rec, kLineLength)) return true;
    if (rec[0] == '!' || last_nonblank_column(rec) == 0) continue;
    const int L = last_nonblank_column_or_length(rec);
    if (rec[static_cast<std::size_t>(L - 1)] != '\\') {
      // The last record of a continued line must fit as well: cutting it
      // would silently drop the numbers at its end.
      if (p > 1 && n < p + L - 1) fail("ReadInputLine", "Line exceeds limit of 255 characters");
      for (int c = 1; c <= L && p + c - 1 <= n; ++c)
        line[static_cast<std::size_t>(p + c - 2)] = rec[static_cast<std::size_t>(c - 1)];
      return false;
    }
    if (n < p + L) fail("ReadInputLine", "Line exceeds limit of 255 characters");
    for (int c = 1; c <= L; ++c) line[static_cast<std::size_t>(p + c - 2)] = rec[static_cast<std::size_t>(c - 1)];
    p = last_nonblank_column_or_length(line) + 2;
  }
}

}  // namespace vorn
