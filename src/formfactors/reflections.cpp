#include "formfactors/reflections.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "layout/record_file.hpp"
#include "layout/run_error.hpp"

namespace vorn {

namespace {

constexpr const char* kWhere = "ReadHKL";

// One I4 field; blanks read as zero, as in Fortran.
bool read_index(const std::string& line, std::size_t column, int& value) {
  std::string field = line.size() > column ? line.substr(column, 4) : std::string();
  const auto first = field.find_first_not_of(' ');
  if (first == std::string::npos) {
    value = 0;
    return true;
  }
  const auto last = field.find_last_not_of(' ');
  const char* begin = field.data() + first;
  const char* end = field.data() + last + 1;
  if (*begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

std::vector<Miller> read_hklf4(const std::string& path) {
  RecordFile f;
  if (!f.open(path)) fail(kWhere, "Error opening reflection file " + path);
  std::vector<Miller> hkl;
  std::string line;
  for (std::size_t number = 1; f.next(line, 0); ++number) {
    if (line.find_first_not_of(" \t") == std::string::npos) {
      // A blank record ends the data as 0 0 0 does; one before any
      // reflection is a fault.
      if (hkl.empty()) fail(kWhere, "Blank line " + std::to_string(number) + " of " + path + " before any reflection");
      break;
    }
    Miller m{};
    for (std::size_t c = 0; c < 3; ++c)
      if (!read_index(line, 4 * c, m[c]))
        fail(kWhere, "Line " + std::to_string(number) + " of " + path + " has no h k l in columns 1 to 12: " + line);
    hkl.push_back(m);
    if (m == Miller{0, 0, 0}) break;
  }
  if (hkl.empty()) fail(kWhere, "No reflection in " + path);
  return hkl;
}

std::vector<Miller> reflections_within(const gemmi::UnitCell& cell, double stol) {
  const double limit = 2 * stol;   // |h| = 1/d = 2 sin(theta)/lambda
  // |h_i| <= |h| a_i, since h_i = h . a_i.
  const int hmax = static_cast<int>(std::floor(limit * cell.a));
  const int kmax = static_cast<int>(std::floor(limit * cell.b));
  const int lmax = static_cast<int>(std::floor(limit * cell.c));
  std::vector<Miller> hkl;
  for (int h = -hmax; h <= hmax; ++h)
    for (int k = -kmax; k <= kmax; ++k)
      for (int l = -lmax; l <= lmax; ++l) {
        if (h == 0 && k == 0 && l == 0) continue;
        if (cell.calculate_1_d2_double(h, k, l) <= limit * limit * (1 + 1e-12)) hkl.push_back({h, k, l});
      }
  return hkl;
}

std::vector<Miller> expand_reflections(const std::vector<Miller>& hkl, const Symmetry& symmetry) {
  std::vector<Miller> all;
  all.reserve(hkl.size() * static_cast<std::size_t>(2 * std::max(symmetry.count(), 1)));
  for (const Miller& m : hkl) {
    all.push_back(m);
    all.push_back({-m[0], -m[1], -m[2]});
    for (const SymOp& op : symmetry.ops) {
      // x'_j = sum_i rot[i][j] x_i, so the indices turn as h'_i = sum_j rot[i][j] h_j.
      Miller r{};
      for (std::size_t i = 0; i < 3; ++i)
        r[i] = static_cast<int>(std::lround(op.rot[i][0] * m[0] + op.rot[i][1] * m[1] + op.rot[i][2] * m[2]));
      all.push_back(r);
      all.push_back({-r[0], -r[1], -r[2]});
    }
  }
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  return all;
}

}  // namespace vorn
