#include "writers/tsc_file.hpp"

#include <cmath>
#include <cstdio>
#include <set>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

namespace {

constexpr const char* kWhere = "WriteTSC";

void check_labels(const std::vector<std::string>& labels) {
  std::set<std::string> seen;
  for (const std::string& l : labels) {
    if (l.empty() || l.find_first_of(" \t:") != std::string::npos)
      fail(kWhere, "Atom label '" + l + "' cannot name a scatterer of vorn.tsc (empty, or with a blank or colon)");
    if (!seen.insert(upcased(l)).second)
      fail(kWhere, "Two atoms are named " + l + " (case aside): vorn.tsc cannot tell them apart");
  }
}

// "%.6f" without the sign of a value that prints as zero.
void append_value(std::string& line, double v) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.6f", v);
  std::string_view text(buffer, static_cast<std::size_t>(n));
  if (text == "-0.000000") text.remove_prefix(1);
  line += text;
}

}  // namespace

void write_tsc(const FormFactorTable& table, const std::vector<std::string>& labels, std::ostream& os) {
  write_tsc_head(labels, os);
  write_tsc_rows(table, labels, os);
}

void write_tsc_head(const std::vector<std::string>& labels, std::ostream& os) {
  check_labels(labels);
  os << "TITLE: form factors of the transferred pseudoatom model\n"
     << "AD: FALSE\n"
     << "SYMM: expanded\n"
     << "SCATTERERS:";
  for (const std::string& l : labels) os << ' ' << l;
  os << "\nDATA:\n";
}

void write_tsc_rows(const FormFactorTable& table, const std::vector<std::string>& labels, std::ostream& os) {
  std::string line;
  for (std::size_t r = 0; r < table.hkl.size(); ++r) {
    line.clear();
    for (int i = 0; i < 3; ++i) {
      if (i) line += ' ';
      line += std::to_string(table.hkl[r][static_cast<std::size_t>(i)]);
    }
    const std::string index = line;
    for (std::size_t j = 0; j < table.atoms; ++j) {
      const std::complex<double> f = table.at(r, j);
      if (!std::isfinite(f.real()) || !std::isfinite(f.imag()))
        fail(kWhere, "The form factor of " + labels[j] + " at " + index + " is not a number");
      line += ' ';
      append_value(line, f.real());
      line += ',';
      append_value(line, f.imag());
    }
    line += '\n';
    os << line;
  }
}

}  // namespace vorn
