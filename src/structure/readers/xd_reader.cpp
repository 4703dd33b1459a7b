// The XD reader: crystal data from the XD master file, atoms and the scale,
// extinction and thermal parameters from the XD parameter file.
#include "structure/readers/xd_reader.hpp"

#include <algorithm>
#include <cmath>
#include <array>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"
#include "structure/readers/reader_common.hpp"
#include "structure/readers/readers.hpp"
#include "structure/symmetry.hpp"
#include "structure/symmetry_check.hpp"

namespace vorn {

namespace {

constexpr const char* kWhere = "ReadXD";
constexpr const char* kParError = "Error reading XD parameter file";

// Number of population values XD writes per atom for multipole level l:
// Pv, then 2k+1 values for every level k = 0 .. l.
int population_count(int l) { return (l + 1) * (l + 1) + 1; }

// Lattice data of the master file.
struct Lattice {
  char letter = 'P';
  bool centro = true;
};

// A row of the old scattering table is copied into the new master file:
// a dispersion term (or any number of it) that is NaN or infinite would
// be copied with it.
void check_scattering_row(const std::string& line, const std::string& where) {
  const std::string padded = line + ' ';
  for (int k = 2;; ++k) {
    const std::string w = word(padded, k);
    if (w.empty()) break;
    double v = 0;
    if (layout::read_fixed_word(w, v) && !std::isfinite(v))
      fail(kWhere, "The scattering table row on " + where + " holds " + w + ", which is not a finite number");
    const std::string u = upcased(w);
    if (u == "NAN" || u.find("INF") != std::string::npos)
      fail(kWhere, "The scattering table row on " + where + " holds " + w + ", which is not a finite number");
  }
}

// The CELL, WAVE and LATT lines of the master file; the symmetry cards are
// read later with the operators.
Lattice read_master_cell(UnitCell& u, double& wavelength, RecordFile& mas, std::string_view masname) {
  Lattice lat;
  bool cell_seen = false;
  bool in_scattering_table = false;
  std::string line;
  mas.rewind();
  while (mas.next(line, kLineLength)) {
    const std::string head = upcased(line.substr(0, 5));
    if (head == "CELL ") {
      std::array<double, 6> c{};
      if (!layout::read_reals(std::string_view(line).substr(5), c))
        fail(kWhere, "Error reading XD master file");
      u.a = c[0];
      u.b = c[1];
      u.c = c[2];
      u.alpha = c[3];
      u.beta = c[4];
      u.gamma = c[5];
      cell_seen = true;
    } else if (head == "WAVE ") {
      // A wavelength that does not read leaves the dispersion terms at 0;
      // one that reads must be a wavelength.
      layout::FreeReader r(std::string_view(line).substr(5));
      if (!r.real(wavelength)) wavelength = 0;
      if (!(wavelength > 0 && wavelength < 100) && !word(line + ' ', 2).empty())
        fail(kWhere, "The wavelength " + word(line, 2) + " on " + mas.where() +
                         " is not a wavelength (above 0 and below 100 Angstrom)");
    } else if (head == "SCAT ") {
      in_scattering_table = true;
    } else if (upcased(line.substr(0, 8)) == "END SCAT") {
      in_scattering_table = false;
    } else if (in_scattering_table) {
      check_scattering_row(line, mas.where());
    } else if (head == "LATT ") {
      if (upcased(word(line, 2)) == "A") lat.centro = false;
      const std::string third = upcased(word(line, 3));
      if (!third.empty()) lat.letter = third[0];
      if (std::string_view("PABCIFR").find(lat.letter) == std::string_view::npos)
        fail(kWhere, "Lattice type " + third + " on " + mas.where() + " is not supported (P, A, B, C, I, F or R)");
    }
  }
  if (!cell_seen) fail(kWhere, "No CELL line in XD master file " + std::string(masname));
  return lat;
}

// Symmetry operators and the transform.
void build_symmetry(Model& m, RecordFile& mas, const Lattice& lat, Log& out) {
  std::ostream& log = out.log();
  const UnitCell& u = m.cell;
  layout::write(log, "(/a,3f10.3,3f8.2)", " Cell parameters: ", u.a, u.b, u.c, u.alpha, u.beta, u.gamma);
  layout::write(log, "(/2a)", " Lattice type : ", std::string(1, lat.letter));
  layout::write(log, "(' Lattice is ',a)", lat.centro ? "CentroSymmetric" : "Acentric");
  log << "\n Symmetry operations : \n";
  // The inversion is applied before the centring (the SHELX reader does the
  // reverse); the resulting set of operators is the same.
  std::vector<std::string> places;
  m.symm = read_symmetry_cards(mas, log, &m.cell, &places);
  if (lat.centro) add_inversion_centre(m.symm, log);
  if (lat.letter != 'P') add_lattice_centring(m.symm, out, lat.letter);
  check_symmetry_closure(m.symm, places);
  log << " Final set of symmetry operations in matrix form:\n";
  write_symmetry_operators(m.symm, out);
  m.transf = cell_transform(m.cell, out);
}

// Reads the next line of the parameter file, puts its words into `words`
// and returns the line with its words blanked.
std::string next_tokenised(RecordFile& par, LineExtract& words) {
  std::string line;
  next_xd_line(par, line);
  readline(line, words);
  return line;
}

// Reads `count` population (or higher-order displacement) values through
// next_xd_line.  Lines are consumed until exactly that many values are read;
// a word that is not a number, or a line that runs past the count, means
// the atom block does not have the layout the file announces.
std::vector<double> read_values(RecordFile& par, int count, const std::string& what) {
  std::vector<double> values;
  std::string line;
  while (static_cast<int>(values.size()) < count) {
    next_xd_line(par, line);
    layout::FreeReader r(line);
    double v = 0;
    while (r.remaining() > 0) {
      if (!r.real(v)) fail(kWhere, std::string(kParError) + ": " + what + " do not read as numbers");
      values.push_back(v);
    }
  }
  if (static_cast<int>(values.size()) != count)
    fail(kWhere, std::string(kParError) + ": " + what + " hold " + std::to_string(values.size()) + " values, " +
                        std::to_string(count) + " expected");
  return values;
}

// A kappa line: the scattering table, then kappa and the five kappa'
// values.  What does not read keeps its start value.
XdKappaSet read_kappa_line(const std::string& line) {
  XdKappaSet k;
  layout::FreeReader r(line);
  if (r.integer(k.table))
    for (double& v : k.kappa)
      if (!r.real(v)) break;
  return k;
}

}  // namespace

void next_xd_line(RecordFile& f, std::string& line) {
  for (;;) {
    if (!f.next(line, kLineLength)) fail(kWhere, kParError);
    if (line[0] != '!') break;
  }
  to_upper_case(line);
}

bool read_xd_values(RecordFile& f, std::span<double> out) {
  std::size_t got = 0;
  std::string line;
  while (got < out.size()) {
    if (!f.next(line, 0)) fail(kWhere, kParError);
    layout::FreeReader r(line);
    while (got < out.size() && r.remaining() > 0)
      if (!r.real(out[got++])) return false;
  }
  return true;
}

namespace {

// The head of the parameter file: the version (version 1 files have no
// XDPARFILE line), the model line and the 22 control integers (version 2:
// the LIMITS and USAGE lines), up to the first atom.
struct ParameterHead {
  int maxlevel = 0;   // the multipole level of the model line
  int natom = 0;
  int nkset = 0;      // kappa sets
};

ParameterHead read_parameter_head(RecordFile& par, const FileName& parfile, Model& m, Log& out) {
  layout::write(out.log(), "(/2a)", " Reading data from XD parameter file: ", parfile);
  LineExtract words;   // the words of the parameter-file line just read
  std::string line = next_tokenised(par, words);
  int version = 1;
  if (words.keyword(1) == "XDPARFIL") {
    layout::FreeReader r(line);
    if (!r.integer(version)) fail(kWhere, std::string(kParError) + ": no version number on the XDPARFILE line");
    if (version != 1 && version != 2)
      fail(kWhere, "XD parameter file version " + std::to_string(version) + " is not supported (1 or 2)");
    to_log(out, layout::listed(" XD parameter file version = ", version));
    if (version == 2) line = next_tokenised(par, words);
  }
  m.model_name = words.keyword(1).view();
  ParameterHead head;
  {
    layout::FreeReader r(line);
    if (!r.integer(head.maxlevel)) fail(kWhere, std::string(kParError) + ": no multipole level on the model line");
  }
  if (head.maxlevel < 0 || head.maxlevel > 4)
    fail(kWhere, "Multipole level " + std::to_string(head.maxlevel) + " on the model line is outside 0 to 4");
  to_log(out, layout::listed(" Maximum level of multipole expansion = ", head.maxlevel));
  to_log(out, layout::listed(" Model name = ", m.model_name));

  // Integer 9 is the number of atoms, 12 the number of kappa sets, 22 the
  // number of lines (dummy atoms) after the two lines of statistics.
  std::array<int, 22> ctl{};
  bool ok = true;
  if (version == 1) {
    ok = layout::read_ints(next_tokenised(par, words), ctl);
  } else {
    ok = layout::read_ints(next_tokenised(par, words), std::span<int>(ctl.data(), 8)) &&
         layout::read_ints(next_tokenised(par, words), std::span<int>(ctl.data() + 8, 14));
  }
  if (!ok) fail(kWhere, std::string(kParError) + ": control integers (LIMITS/USAGE) do not read");
  head.natom = ctl[8];
  head.nkset = ctl[11];
  const int nskip = ctl[21];
  to_log(out, layout::listed(" Number of atoms in XD parameter file = ", head.natom));
  to_log(out, layout::listed(" Number kappa sets = ", head.nkset));
  if (head.natom < 0 || head.nkset < 0 || nskip < 0)
    fail(kWhere, std::string(kParError) + ": negative count among the control integers");

  to_both(out, layout::format("(/1x,'NO.',3x,'ATOM',6x,'AT.NO.',3x,'ORDER_OF_U',5x,'iSFT')"));
  for (long long k = 0; k < nskip + 2LL; ++k)
    if (!par.next(line, 0)) fail(kWhere, kParError);
  return head;
}

// The widest values the fields of an atom may hold: beyond them a value
// is a typo or a broken file, and would overflow (to Inf) where it is
// multiplied or summed in the later steps.
constexpr double kLargestDisplacement = 10.0;   // A^2
constexpr double kLargestPopulation = 1000.0;
constexpr double kLargestKappa = 100.0;

// Occupancy and displacement parameters of an atom just read.
void check_atom_numbers(const Atom& a, const std::string& atom_line, const std::string& where,
                        const std::string& parname) {
  const std::string name(a.label.trimmed());
  if (!(a.occ >= 0 && a.occ <= 1.0001))
    fail(kWhere, std::string(kParError) + " " + parname + ", " + atom_line + ": the occupancy of atom " + name +
                     " is not a number from 0 to 1");
  for (const double u : a.u)
    if (!(std::fabs(u) <= kLargestDisplacement))
      fail(kWhere, std::string(kParError) + " " + parname + ", " + where + ": a displacement parameter of atom " +
                       name + " is not a finite number within 10 A^2");
}

// The atom of index `atom` in the parameter file.  XD writes the
// population values of the file's level (`npop` of them) for every atom,
// whatever the atom's own level, so each block is skipped by that count
// of values.  Returns the most decimals written in the position.
int read_parameter_atom(RecordFile& par, const std::string& parname, int atom, int npop, Atom& a,
                        XdRefinedAtom& kept, Log& out) {
  LineExtract words;
  std::string line;
  std::array<int, 11> xi{};
  std::array<double, 4> xyzo{};
  for (;;) {
    // A line that does not hold the eleven integers and the position is
    // dropped; the next line is tried for the same atom.
    line = next_tokenised(par, words);
    layout::FreeReader r(line);
    bool good = true;
    for (int& v : xi) good = good && r.integer(v);
    for (double& v : xyzo) good = good && r.real(v);
    if (good) break;
  }
  kept.atom_record = par.position() - 1;
  kept.position = {xyzo[0], xyzo[1], xyzo[2]};
  a.label = words.keyword(1).view();
  const std::string name(a.label.trimmed());
  const std::string atom_line = par.where();
  a.source = atom_line;
  a.fractional = {{xyzo[0], xyzo[1], xyzo[2]}};
  a.occ = xyzo[3];
  a.adp_type = xi[5];
  a.scattering_type = xi[6];
  if (!read_xd_values(par, a.u))
    fail(kWhere, std::string(kParError) + ": displacement parameters of atom " + name + " do not read as numbers");
  check_atom_numbers(a, atom_line, par.where(), parname);
  if (a.adp_type == 3) read_values(par, 10, "third-order displacement parameters of atom " + name);
  if (a.adp_type == 4) read_values(par, 25, "third- and fourth-order displacement parameters of atom " + name);
  a.atomic_number = atomic_number_of(a.label.view());
  a.max_multipole_level = default_lmx(a.atomic_number);
  to_both(out, layout::format("(i4,3x,a,2x,i3,3x,i8,5x,i8)", atom + 1, a.label, a.atomic_number, a.adp_type, a.scattering_type));
  const std::vector<double> pops = read_values(par, npop, "population values of atom " + name);
  for (const double p : pops)
    if (!(std::fabs(p) <= kLargestPopulation))
      fail(kWhere, std::string(kParError) + " " + parname + ", " + par.where() + ": a population value of atom " +
                       name + " is not a finite number within 1.0E+03");
  std::copy(pops.begin(), pops.begin() + std::min(npop, kXdPopulations), kept.populations.begin());
  kept.kappa_set = xi[7];
  int decimals = 0;
  for (int w = 12; w <= 14; ++w) decimals = std::max(decimals, written_decimals(word(line, w)));
  return decimals;
}

// The end of the parameter file: the kappa sets, then the seven extinction
// parameters, the overall thermal parameter and the scale factor, which
// the parameter-file writer writes back.
void read_parameter_tail(RecordFile& par, int nkset, XdRefinedModel& refined, ShelxRefinement& s) {
  std::string line;
  for (int k = 1; k <= nkset; ++k) {
    next_xd_line(par, line);
    refined.kappa_sets.push_back(read_kappa_line(line));
    for (const double v : refined.kappa_sets.back().kappa)
      if (!(v > 0 && v <= kLargestKappa))
        fail(kWhere, std::string(kParError) + ", " + par.where() + ": kappa set " + std::to_string(k) +
                         " holds a value that is not a number above 0 and up to 100");
  }
  std::array<double, 7> ext{};
  if (!read_xd_values(par, ext))
    fail(kWhere, "Extinction parameters after the kappa lines of the XD parameter file do not read as numbers");
  s.fvar.assign(9, 0.0);
  for (std::size_t k = 0; k < 7; ++k) s.fvar[k + 1] = ext[k];
  double value = 0;
  if (!read_xd_values(par, std::span<double>(&value, 1)))
    fail(kWhere, "Overall thermal parameter after the extinction lines of the XD parameter file does not read as a number");
  s.fvar[8] = value;
  if (!read_xd_values(par, std::span<double>(&value, 1)))
    fail(kWhere, "Scale factor at the end of the XD parameter file does not read as a number");
  s.fvar[0] = value;
}

// An atom of the master file's atom table: its label, kappa set and line.
struct MasterAtom {
  std::string label;
  int kappa = 0;
  std::size_t line = 0;
};

std::vector<MasterAtom> master_atom_table(const std::vector<std::string>& records) {
  std::vector<MasterAtom> table;
  bool in_table = false;
  for (std::size_t n = 0; n < records.size(); ++n) {
    const std::string padded = records[n] + ' ';
    const std::string first = upcased(word(padded, 1));
    if (!in_table) {
      in_table = first == "ATOM" && upcased(word(padded, 2)) == "ATOM0";
      continue;
    }
    if (first == "END") break;
    if (first.empty() || first[0] == '!' || word(padded, 12).empty()) continue;
    MasterAtom a{first, 0, n + 1};
    double kap = 0;
    if (layout::read_fixed_word(word(padded, 10), kap) && std::isfinite(kap) && std::fabs(kap) < 1e6)
      a.kappa = static_cast<int>(kap);
    table.push_back(a);
  }
  return table;
}

// The two files of an XD pair describe one model: the parameter file's
// atoms are those of the master file's atom table, in its order, with the
// same kappa sets.  A parameter file of another refinement (or one whose
// USAGE count is off) would be read from the wrong fields.
std::string pair_of(const std::string& mas, const std::string& par) {
  return "XD master file " + mas + " and parameter file " + par + " disagree: ";
}

void check_pair_count(const std::vector<MasterAtom>& table, int natom, const std::string& mas,
                      const std::string& par) {
  if (table.empty() || static_cast<int>(table.size()) == natom) return;
  const int n = static_cast<int>(table.size());
  std::string first = n > natom ? table[static_cast<std::size_t>(natom)].label + " on line " +
                                      std::to_string(table[static_cast<std::size_t>(natom)].line) + " of " + mas +
                                      " is not in " + par
                                : "atom " + std::to_string(n + 1) + " of " + par + " is not in " + mas;
  fail(kWhere, pair_of(mas, par) + "the atom table of " + mas + " lists " + std::to_string(n) +
                   " atoms, the USAGE line of " + par + " " + std::to_string(natom) + "; the first difference: " +
                   first);
}

void check_pair_atoms(const std::vector<MasterAtom>& table, const Model& m, int nkset, const std::string& mas,
                      const std::string& par) {
  if (table.empty()) return;
  for (std::size_t k = 0; k < table.size() && static_cast<int>(k) < m.natom; ++k) {
    const MasterAtom& t = table[k];
    const std::string label(m.atoms[k].label.trimmed());
    const std::string at = " (line " + std::to_string(t.line) + " of " + mas + ")";
    if (upcased(label) != t.label)
      fail(kWhere, pair_of(mas, par) + "atom " + std::to_string(k + 1) + " is " + t.label + at + " but " + label +
                       " in " + par);
    const int kappa = m.xd_refined.atoms[k].kappa_set;
    if (t.kappa != kappa)
      fail(kWhere, pair_of(mas, par) + "atom " + t.label + " has kappa set " + std::to_string(t.kappa) + at +
                       " but " + std::to_string(kappa) + " in " + par);
    if (t.kappa < 1 || t.kappa > nkset)
      fail(kWhere, pair_of(mas, par) + "atom " + t.label + " has kappa set " + std::to_string(t.kappa) + at + ", but " +
                       par + " has " + std::to_string(nkset) + " kappa sets");
  }
}

void read_parameter_file(RecordFile& par, const std::string& parname, const std::string& masname, Model& m,
                         Log& out);

}  // namespace

Model read_xd(const std::string& parfile, const FileName& master, Log& out) {
  Model m;
  m.model_name = "";
  start_model(m);
  std::ostream& log = out.log();

  // Both files must exist.
  const std::string masname(master.trimmed());
  RecordFile mas;
  if (!mas.open(masname)) fail(kWhere, "Error opening XD master file " + masname);
  m.xd_master_records.clear();
  for (std::string record; mas.next(record, 0);) m.xd_master_records.push_back(record);
  mas.rewind();
  RecordFile par;
  if (!par.open(parfile)) fail(kWhere, "Error opening XD parameter file " + std::string(rtrim(parfile)));
  for (std::string record; par.next(record, 0);) m.xd_refined.parameter_records.push_back(record);
  par.rewind();

  // The master file: cell, lattice, symmetry.
  layout::write(log, "(/2a)", " Reading data from XD master file: ", master);
  const Lattice lat = read_master_cell(m.cell, m.wavelength, mas, masname);
  build_symmetry(m, mas, lat, out);
  mas.close();

  const std::string parname(rtrim(parfile));
  try {
    read_parameter_file(par, parname, masname, m, out);
  } catch (const RunError& e) {
    // Every stop inside the parameter file names the line it stopped at.
    if (e.routine != kWhere || e.message.find(" line ") != std::string::npos) throw;
    fail(kWhere, e.message + " (" + (par.at_end() ? "the file ends at " : "") + par.where() + ")");
  }
  par.close();
  check_atoms_read(m, kWhere, parname, "XD");

  std::vector<std::string> labels;
  for (int i = 0; i < m.natom; ++i) labels.emplace_back(m.atoms[i].label.trimmed());
  read_old_atom_table(m.xd_master_records, labels, m.xd_refined);

  write_scattering_types(m.scattering_types, log);
  flag_partial_sites(m);
  write_atom_listing(m, log);
  return m;
}

namespace {

// The parameter file: its head, the atoms, the tail, checked against the
// master file's atom table.
void read_parameter_file(RecordFile& par, const std::string& parname, const std::string& masname, Model& m,
                         Log& out) {
  const ParameterHead head = read_parameter_head(par, FileName(parname), m, out);
  const int natom = head.natom;
  const std::vector<MasterAtom> table = master_atom_table(m.xd_master_records);
  check_pair_count(table, natom, masname, parname);

  // Atoms.
  m.natom = natom;
  const int npop = population_count(head.maxlevel);
  for (int i = 0; i < natom; ++i) {
    // Grown atom by atom: a USAGE count beyond the atoms the file holds
    // stops at the file's end instead of reserving room for it.
    m.hold_entries(i + 1);
    m.xd_refined.atoms.resize(static_cast<std::size_t>(i + 1));
    Atom& a = m.atoms[i];
    const int decimals = read_parameter_atom(par, parname, i, npop, a,
                                             m.xd_refined.atoms[static_cast<std::size_t>(i)], out);
    m.xd_refined.coordinate_decimals = std::max(m.xd_refined.coordinate_decimals, decimals);
    const Vec3 c = to_cartesian(m.transf, a.fractional);
    a.cartesian = {{c[0], c[1], c[2]}};
  }

  read_parameter_tail(par, head.nkset, m.xd_refined, m.shelx_refinement);
  check_pair_atoms(table, m, head.nkset, masname, parname);

  // Scattering types in order of first appearance.  The atoms keep
  // the file's own table index in tbl.
  for (int i = 0; i < natom; ++i) add_scattering_type(m.scattering_types, m.atoms[i].atomic_number);
}

}  // namespace

}  // namespace vorn
