// Small steps that the XD, AIM2TAB and PLATON readers share when they fill
// the structure model.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <string>
#include <string_view>

#include "layout/run_error.hpp"
#include "structure/model.hpp"

namespace vorn {

// Before a reader appends atoms: every label and site-symmetry label blank,
// no scattering types.
inline void start_model(Model& m) {
  for (Atom& a : m.atoms) {
    a.label = "";
    a.sitesym = "";
  }
  m.scattering_types.clear();
}

// Appends atomic number z to the scattering types unless it is listed.
inline void add_scattering_type(std::vector<int>& types, int z) {
  if (std::find(types.begin(), types.end(), z) == types.end()) types.push_back(z);
}

// A structure's name as XD takes it (one word): the first word of a title,
// up to an extension, without the characters that are no part of a file
// name.
inline std::string structure_name(std::string_view title) {
  std::string name;
  std::size_t i = title.find_first_not_of(' ');
  for (; i != std::string_view::npos && i < title.size() && title[i] != ' ' && title[i] != '.' && name.size() < 20; ++i) {
    const char c = title[i];
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') name += c;
  }
  return name;
}

// Highest multipole level of an atom: 4, or 2 for hydrogen.
inline int default_lmx(int z) { return z == 1 ? 2 : 4; }

// Positions beyond this distance from the origin (in Angstrom) are no
// crystal: the products of the later steps would overflow.
constexpr double kFarthestPosition = 1.0e6;

// Atoms closer than this (in Angstrom) share a site; a site may hold a few
// (a mixed or disordered site), but not a pile of copies, which no crystal
// holds and whose searches take time as the cube of their number.
constexpr double kSameSite = 0.1;
constexpr int kMaxAtomsPerSite = 8;

// The end of every reader.  A file from which no atom was read (a file of
// another format, one cut before its first atom) stops the run, naming the
// file and the format it was read as; so does an atom whose position is not
// a finite number within reach (an overflowing cell or coordinate), which
// would otherwise reach every output as NaN.
inline void check_atoms_read(const Model& m, std::string_view where, const std::string& file,
                             std::string_view format) {
  if (m.natom == 0) fail(where, "No atom read from file " + file + " (read as " + std::string(format) + " format)");
  for (int i = 0; i < m.natom; ++i) {
    const Atom& a = m.atoms[i];
    const std::string name = "Atom " + std::to_string(i + 1) + " " + std::string(a.label.trimmed());
    for (const double v : {a.fractional[0], a.fractional[1], a.fractional[2]})
      if (!std::isfinite(v)) fail(where, name + ": fractional coordinate is not a finite number");
    for (const double v : {a.cartesian[0], a.cartesian[1], a.cartesian[2]})
      if (!std::isfinite(v) || std::fabs(v) > kFarthestPosition)
        fail(where, name + ": Cartesian coordinate is not a finite number within 1.0E+06 Angstrom");
  }
  std::map<std::array<long long, 3>, int> on_site;
  for (int i = 0; i < m.natom; ++i) {
    const Atom& a = m.atoms[i];
    const std::array<long long, 3> site{std::llround(a.cartesian[0] / kSameSite), std::llround(a.cartesian[1] / kSameSite),
                                        std::llround(a.cartesian[2] / kSameSite)};
    if (++on_site[site] > kMaxAtomsPerSite)
      fail(where, "Atom " + std::to_string(i + 1) + " " + std::string(a.label.trimmed()) + " is one of more than " +
                      std::to_string(kMaxAtomsPerSite) + " atoms at one site (within 0.1 Angstrom)");
  }
}

}  // namespace vorn
