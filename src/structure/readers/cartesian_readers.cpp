// Readers of structures without crystal data: the atom table of an AIM2TAB
// output file (Cartesian coordinates in bohr) and a PLATON coordinate file
// (Cartesian coordinates in Angstrom).  They fill only the atoms and the
// scattering types: no cell, no symmetry, no occupancy check.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"
#include "layout/record_file.hpp"
#include "structure/elements.hpp"
#include "structure/readers/reader_common.hpp"
#include "structure/readers/readers.hpp"

namespace vorn {

namespace {

constexpr double kBohr = 0.52917725;   // Angstrom per bohr

// Columns first..last (1-based) of a blank-padded line.
std::string_view columns(std::string_view line, std::size_t first, std::size_t last) {
  return line.substr(first - 1, last - first + 1);
}

// Reads a field under the edit descriptor Fw.d: blanks are ignored, an
// all-blank field is 0, and digits without a decimal point carry d implied
// decimals.
bool read_fixed_field(std::string_view field, int d, double& value) {
  std::string t;
  for (char c : field)
    if (c != ' ') t += c;
  if (t.empty()) {
    value = 0;
    return true;
  }
  double v = 0;
  if (!layout::read_fixed_word(t, v)) return false;
  if (t.find('.') == std::string::npos) v /= std::pow(10.0, d);
  value = v;
  return true;
}

// The field without its leading blanks: a label set right in its field
// still names its element.
std::string_view left_justified(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

// A Cartesian atom: no fractional position, no displacement parameters.
void set_cartesian_atom(Atom& a, std::string_view label, double x, double y, double z) {
  a = Atom{};
  a.label = label;
  a.cartesian[0] = x;
  a.cartesian[1] = y;
  a.cartesian[2] = z;
  a.occ = 1.0;
  a.atomic_number = atomic_number_of(a.label.view());
  a.max_multipole_level = default_lmx(a.atomic_number);
}

}  // namespace

Model read_aim2tab(const std::string& file, Log& log) {
  constexpr const char* kWhere = "ReadAim2Tab";
  Model m;
  start_model(m);
  RecordFile f;
  if (!f.open(file)) fail(kWhere, "Error opening AIM2TAB output file " + file);

  int announced = -1;    // count of the NUMBER OF ATOMS READ line
  bool table = false;
  std::string line;
  while (f.next(line, kLineLength)) {
    const std::string_view key = columns(line, 2, 23);
    if (key == "NUMBER OF ATOMS READ =") {
      if (!layout::read_ints(columns(line, 24, 30), std::span<int>(&announced, 1)) || announced < 0)
        fail(kWhere, "Error reading the number of atoms in the line NUMBER OF ATOMS READ =");
    } else if (key == "NO. ATOM       AT.MASS") {
      // The table is read for the count announced before it.
      if (announced < 0) fail(kWhere, "Atom table found before the line NUMBER OF ATOMS READ =");
      const std::string shortmsg = "Atom table shorter than the " + std::to_string(announced) +
                                   " atoms announced in NUMBER OF ATOMS READ =";
      if (!f.next(line, kLineLength)) fail(kWhere, shortmsg);
      m.scattering_types.clear();
      for (int i = 0; i < announced; ++i) {
        if (!f.next(line, kLineLength) || rtrim(line).empty()) fail(kWhere, shortmsg);
        // 5X, A8, 11X, 3F9.4: label, then x, y, z in bohr.
        const std::string_view label = left_justified(columns(line, 6, 13));
        double xyz[3] = {0, 0, 0};
        bool ok = !label.empty();
        for (int k = 0; k < 3 && ok; ++k)
          ok = read_fixed_field(columns(line, 25 + 9 * k, 33 + 9 * k), 4, xyz[k]);
        if (!ok)
          fail(kWhere, "Error reading atom " + std::to_string(i + 1) + " of the atom table: " + std::string(rtrim(line)));
        // Grown as the rows are read, not to the count announced: a count
        // that the table does not hold stops at its end.
        m.hold_entries(i + 1);
        set_cartesian_atom(m.atoms[i], label, xyz[0] * kBohr, xyz[1] * kBohr, xyz[2] * kBohr);
        add_scattering_type(m.scattering_types, m.atoms[i].atomic_number);
      }
      m.natom = announced;
      table = true;
    }
  }
  f.close();
  if (announced >= 0 && !table) fail(kWhere, "No atom table (NO. ATOM       AT.MASS) after the number of atoms");

  to_term(log, layout::format("(/a,i4)", " Number of atom types = ", static_cast<int>(m.scattering_types.size())));
  for (std::size_t k = 0; k < m.scattering_types.size(); ++k)
    to_term(log, layout::format("(3x,'atom type = ',i2,3x,' atomic number = ',i3)", static_cast<int>(k + 1),
                                m.scattering_types[k]));
  to_term(log, layout::format("(/a,i5)", " Total atoms read from AIM2TAB output file = ", m.natom));
  check_atoms_read(m, kWhere, file, "AIM2TAB");
  write_atom_listing(m, log.log());
  return m;
}

Model read_platon(const std::string& file, Log& log) {
  constexpr const char* kWhere = "ReadPlaton";
  Model m;
  start_model(m);
  RecordFile f;
  if (!f.open(file)) fail(kWhere, "Error opening PLATON file " + file);
  layout::write(log.log(), "(//a,a)", " Reading PLATON file : ", FileName(file));

  int count = 0;
  std::string line;
  while (f.next(line, kLineLength)) {
    const std::string raw = line;
    LineExtract lx;
    readline(line, lx);
    if (!(lx.keyword(1) == "ATOM")) continue;
    const int i = count++;
    m.hold_entries(count);
    // The label is the word after ATOM and the coordinates follow it,
    // taken from the line as written: a label such as D1 (deuterium) also
    // reads as a number.
    double xyz[3] = {0, 0, 0};
    int label_start = 0, label_end = 0;
    const bool labelled = find_word(raw, 2, label_start, label_end);
    const std::string label =
        labelled ? upcased(std::string_view(raw).substr(static_cast<std::size_t>(label_start - 1),
                                                        static_cast<std::size_t>(label_end - label_start + 1)))
                 : std::string();
    if (!labelled || !layout::read_reals(std::string_view(raw).substr(static_cast<std::size_t>(label_end)), xyz))
      fail(kWhere, "ATOM line " + std::to_string(i + 1) + " has no label or no three coordinates");
    set_cartesian_atom(m.atoms[i], std::string_view(label).substr(0, std::min<std::size_t>(label.size(), 8)),
                       xyz[0], xyz[1], xyz[2]);
    add_scattering_type(m.scattering_types, m.atoms[i].atomic_number);
  }
  m.natom = count;
  f.close();

  write_scattering_types(m.scattering_types, log.log());
  to_both(log, layout::format("(/' Total atoms read from PLATON file = ',i8)", m.natom));
  check_atoms_read(m, kWhere, file, "PLATON");
  write_atom_listing(m, log.log());
  return m;
}

}  // namespace vorn
