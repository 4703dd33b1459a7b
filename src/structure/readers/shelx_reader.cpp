// The SHELX reader: a .res or .ins file read in two passes.  The first pass
// takes the instructions that the program honours (CELL, LATT, SYMM, SFAC,
// FVAR, WGHT, RESI) and keeps what the heads of the XD master and MoPro
// files need; after the symmetry and the transform are set up, the second
// pass reads the atoms up to END or HKLF.
#include "structure/readers/shelx_reader.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"
#include "structure/readers/reader_common.hpp"
#include "structure/readers/shelx_include.hpp"
#include "structure/readers/readers.hpp"
#include "structure/symmetry.hpp"
#include "structure/symmetry_check.hpp"

namespace vorn {

namespace {

// Instruction names: the classic SHELX set, then the instructions of newer
// SHELXL versions, so that real result files read.
constexpr std::string_view kInstructions[] = {
    "TITL", "CELL", "ZERR", "LATT", "SYMM", "SFAC", "DISP", "UNIT", "LAUE", "REM ", "MORE", "TIME", "FLAT",
    "HKLF", "OMIT", "SHEL", "BASF", "TWIN", "EXTI", "SWAT", "HOPE", "MERG", "SPEC", "RESI", "MOVE", "ANIS",
    "AFIX", "HFIX", "FRAG", "FEND", "EXYZ", "EADP", "EQIV", "OMIT", "CONN", "PART", "BIND", "FREE", "DFIX",
    "DANG", "BUMP", "SAME", "SADI", "CHIV", "FALT", "DELU", "SIMU", "DEFS", "ISOR", "NCSY", "SUMP", "L.S.",
    "CGLS", "BLOC", "DAMP", "STIR", "WGHT", "FVAR", "BOND", "CONF", "MPLA", "RTAB", "HTAB", "LIST", "ACTA",
    "SIZE", "TEMP", "WPDB", "FMAP", "GRID", "PLAN", "MOLE", "END ",
    // Newer SHELXL instructions.
    "RIGU", "XNPD", "NEUT", "ABIN", "ANSC", "ANSR", "BEDE", "LONE", "PRIG", "WIGL", "TWST",
    // Structure-solution instructions of .ins files.
    "ESEL", "EGEN", "PATT", "TREF", "INIT", "PHAN", "PSEE", "VECT", "FIND"};

constexpr std::string_view kLatticeLetters = "PIRFABC";

// SHELX reads a tab as a blank; so do the word routines here.
void untab(std::string& line) { std::replace(line.begin(), line.end(), '\t', ' '); }

// A "!" starts a comment in SHELX lines.
void strip_comment(std::string& line) {
  const std::size_t bang = line.find('!');
  if (bang != std::string::npos) line.replace(bang, line.size() - bang, line.size() - bang, ' ');
}

bool ends_with_equals(const std::string& line) {
  const int n = last_nonblank_column(line);
  return n > 0 && line[static_cast<std::size_t>(n - 1)] == '=';
}

// The numbers after the 4-character keyword of an instruction.
std::string after_keyword(const std::string& line) { return line.size() > 4 ? line.substr(4) : std::string(); }

// A RESI instruction: the residue number and class, in either order.
ShelxResidue read_resi(const std::string& line) {
  ShelxResidue r;
  bool have_number = false;
  for (const std::string& w : split(after_keyword(line), ' ', 0)) {
    int n = 0;
    if (!have_number && layout::FreeReader(w).integer(n) && n > -1000000 && n < 1000000) {
      r.number = n;
      have_number = true;
    } else if (r.rclass.empty()) {
      r.rclass = w;
    }
  }
  return r;
}

void atom_line_error(std::string_view name, const std::string& text) {
  fail("ReadShelx", "Error reading atom: " + std::string(name.substr(0, std::min<std::size_t>(4, name.size()))) +
                        " <<" + std::string(rtrim(text)) + ">>");
}

}  // namespace

bool is_shelx_instruction(std::string_view line) {
  std::string head(line.substr(0, std::min<std::size_t>(4, line.size())));
  head.resize(4, ' ');
  return std::find(std::begin(kInstructions), std::end(kInstructions), head) != std::end(kInstructions);
}

// The disorder part that a PART instruction opens: its first number (0
// when it has none that reads).
int read_part(const std::string& line) {
  const std::vector<std::string> words = split(after_keyword(line), ' ', 0);
  int n = 0;
  if (words.empty() || !layout::FreeReader(words[0]).integer(n) || n < -99999 || n > 99999) return 0;
  return n;
}

void read_shelx_atom_line(RecordFile& f, std::string& line, bool& end, bool& cont, ShelxResidue& resi, int& part) {
  end = false;
  cont = false;
  std::string raw;
  while (f.next(raw, kLineLength)) {
    untab(raw);
    if (rtrim(raw).empty() || raw[0] == '!') continue;
    to_upper_case(raw);
    const std::string head = raw.substr(0, 4);
    if (head == "END " || head == "HKLF") {
      end = true;
      return;
    }
    if (is_shelx_instruction(raw)) {
      if (head == "RESI") resi = read_resi(raw);
      if (head == "PART") part = read_part(raw);
      // Skip the instruction's continuation lines.  REM and TITL are plain
      // text: a "=" at their end continues nothing.
      std::string l = raw;
      strip_comment(l);
      const bool text_only = head == "REM " || head == "TITL";
      while (!text_only && ends_with_equals(l)) {
        if (!f.next(l, kLineLength)) break;
        strip_comment(l);
      }
      continue;
    }
    // A line that begins with a blank and continues nothing is a comment
    // (SHELXL writes such lines under TITL).
    if (raw[0] == ' ') continue;
    strip_comment(raw);
    if (ends_with_equals(raw)) {
      raw[static_cast<std::size_t>(last_nonblank_column(raw) - 1)] = ' ';
      cont = true;
    }
    line = raw;
    return;
  }
  end = true;
}

void shelx_label(ShelxLabels naming, std::string& text, Label& label, int element_z, int atom, int serial) {
  int a = 0, b = 0;
  if (!find_word(text, 1, a, b)) fail("ReadChar", "Unexpected STOP in ReadChar...");
  const std::string name = text.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1));
  const std::string_view sym = two_letter_symbol(element_z);
  std::string l;
  if (naming != ShelxLabels::as_named) {
    const int number = naming == ShelxLabels::numbered_by_type ? serial : atom + 1;
    l = layout::format("(a2,'(',i6,')')", sym, number);
    remove_blanks(l);
    l = std::string(rtrim(l));
  } else {
    const std::size_t n = std::min<std::size_t>(sym.size() > 1 && sym[1] != ' ' ? 2 : 1, name.size());
    l = name.substr(0, n) + "(" + name.substr(n) + ")";
  }
  if (l.size() > Label::size())
    fail("ReadShelx",
        "Atom " + name + " gives the label " + l + ", longer than 8 characters; shorten the SHELX name");
  label = l;
  for (int c = a; c <= b; ++c) text[static_cast<std::size_t>(c - 1)] = ' ';
}

bool resolve_free_variables(const ShelxRefinement& sx, std::string& text, int count) {
  std::vector<double> v(static_cast<std::size_t>(std::max(count, 0)));
  if (count < 1 || !layout::read_reals(text, v)) return false;
  std::string out = layout::format("(5x,i4)", static_cast<int>(std::lround(v[0])));
  for (std::size_t k = 1; k < v.size(); ++k) {
    double x = v[k];
    if (x > -10.0 && x < 10.0) {
      // a plain value
    } else if (x >= 10.0 && x < 20.0) {
      x -= 10.0;
    } else if (x > -20.0 && x <= -10.0) {
      x += 10.0;
    } else {
      // x = 10 m + p: p times free variable m (x > 0) or p times
      // (free variable m minus 1) (x < 0).
      // A free variable that FVAR does not give has no value: the file
      // is wrong.  The quotient is compared as a real first: a huge value
      // must give that message, not an integer overflow.
      const double q = std::trunc(std::fabs(x) / 10.0);
      const int given = static_cast<int>(sx.fvar.size());
      if (q > static_cast<double>(given))
        fail("ReadShelx",
            "Free variable " + (q < 1e9 ? std::to_string(static_cast<long long>(q)) : layout::listed(q).substr(1)) +
                " is used but FVAR gives only " + std::to_string(given));
      const double value = sx.fvar[static_cast<std::size_t>(q) - 1];
      const double p = std::fmod(x, 10.0);
      x = x > 0 ? p * value : p * (value - 1.0);
    }
    out += layout::fmt_f(x, 12, 6);
  }
  text = out;
  return true;
}

void resolve_riding_u(Model& md, int i, int& last_own_u) {
  Atom& at = md.atoms[i];
  const double u = at.u11();
  if (u < -5.0 || u > -0.5) {
    last_own_u = i;
    return;
  }
  if (last_own_u < 0)
    fail("ProcessU", "Could not find parent atom of the riding atom " + std::string(at.label.trimmed()) +
                         " (no atom without a riding U stands before it)");
  at.u11() = std::fabs(u) * equivalent_u(md.atoms[last_own_u], md.cell);
}

void set_up_crystal(Model& md, RecordFile& cards, Log& out) {
  std::ostream& log = out.log();
  const char letter = md.shelx_head.lattice;
  const bool centro = md.shelx_head.centrosymmetric;
  const UnitCell& c = md.cell;
  layout::write(log, "(/a,6f10.3)", " Cell parameters: ", c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  layout::write(log, "(/2a)", " Lattice type : ", std::string(1, letter));
  layout::write(log, "(' Lattice is ',a)", centro ? "CentroSymmetric" : "Acentric");
  log << "\n Symmetry operations : \n";
  check_rhombohedral_setting(letter, c, "LATT 3 or -3 in " + cards.path());
  std::vector<std::string> places;
  md.symm = read_symmetry_cards(cards, log, &c, &places);
  if (letter != 'P') add_lattice_centring(md.symm, out, letter);
  if (centro) add_inversion_centre(md.symm, log);
  check_symmetry_closure(md.symm, places);
  log << " Final set of symmetry operations in matrix form:\n";
  write_symmetry_operators(md.symm, out);
  write_scattering_types(md.scattering_types, log);
  md.transf = cell_transform(md.cell, out);
  const std::string heading = "\n    NO.  ATOM     IZ IU SF    XF       YF       ZF    OCCUP  U's -->";
  to_both(out, heading);
}

void write_atom_line(int i, const Atom& at, Log& out) {
  std::string line_out;
  if (at.adp_type == 1)
    line_out = layout::format("( i6, 3x, a, 3i3, 3f9.5, f6.3, 6f7.3 )", i + 1, at.label.view(), at.atomic_number, at.adp_type, at.scattering_type,
                              at.fractional[0], at.fractional[1], at.fractional[2], at.occ, at.u[0]);
  else
    line_out = layout::format("( i6, 3x, a, 3i3, 3f9.5, f6.3, 6f7.3 )", i + 1, at.label.view(), at.atomic_number, at.adp_type, at.scattering_type,
                              at.fractional[0], at.fractional[1], at.fractional[2], at.occ, at.u[0], at.u[1], at.u[2], at.u[3], at.u[4], at.u[5]);
  to_term(out, line_out);
  to_log(out, line_out);
}

void write_atom_listing(const Model& md, std::ostream& os) {
  os << "\n";
  os << std::string(9, ' ') << "ATOM" << std::string(6, ' ') << "------- FRACTIONAL -------" << std::string(4, ' ')
     << "------- CARTESIAN -------  FLAG\n";
  // The listing's FLAG column: 0 normal, 1 special position, -1 disordered.
  auto flag = [](OccupancyKind k) { return k == OccupancyKind::normal ? 0 : k == OccupancyKind::special_position ? 1 : -1; };
  int count[3] = {0, 0, 0};
  for (int i = 0; i < md.natom; ++i) {
    const Atom& a = md.atoms[i];
    layout::write(os, "(i7,2x,a,1x,3f9.5,2x,3f9.4,i6)", i + 1, a.label.view(), a.fractional[0], a.fractional[1], a.fractional[2], a.cartesian[0], a.cartesian[1], a.cartesian[2],
                  flag(a.occupancy_kind));
    ++count[flag(a.occupancy_kind) + 1];
  }
  os << "\n";
  os << " FLAG =  0 : normal atoms ( " << layout::fmt_i(count[1], 5) << " )\n";
  os << "      =  1 : atoms in special positions ( " << layout::fmt_i(count[2], 5) << " ) \n";
  os << "      = -1 : disordered atoms ( " << layout::fmt_i(count[0], 5) << " ) \n";
}

void write_scattering_types(const std::vector<int>& types, std::ostream& os) {
  layout::write(os, "(/a,i4)", " Number of atom types = ", static_cast<int>(types.size()));
  for (const int z : types) layout::write(os, "(3x,'atom type = ',a,3x,' atomic number = ',i3)", two_letter_symbol(z), z);
}

namespace {

// What the instructions say of the lattice, besides what they put in the model.
struct LatticeCards {
  int latt = 0;          // LATT's number without its sign; 0 before a LATT
  bool centro = false;
  bool have_cell = false;
  int nsymcards = 1;     // operators so far, identity included
};

using Kind = ShelxCrystalHead::Kind;

// One instruction of the first pass (CELL, LATT, SYMM, SFAC, FVAR, WGHT,
// RESI or DISP, its continuation lines joined), into the model.
void read_instruction(const std::string& key, const std::string& line, LatticeCards& lattice, Model& md, Log& out) {
  ShelxCrystalHead& head = md.shelx_head;
  if (key == "CELL") {
    std::array<double, 7> v{};
    if (!layout::read_reals(after_keyword(line), v))
      fail("ReadShelx", "Cannot read wavelength and cell from: " + std::string(rtrim(line)));
    md.wavelength = v[0];
    md.cell = UnitCell{v[1], v[2], v[3], v[4], v[5], v[6]};
    lattice.have_cell = true;
    head.instructions.push_back({Kind::cell, v, ""});
  } else if (key == "LATT") {
    int n = 0;
    layout::FreeReader rd(after_keyword(line));
    if (!rd.integer(n)) fail("ReadShelx", "Cannot read the lattice number from: " + std::string(rtrim(line)));
    if (n == 0 || n > 7 || n < -7)
      fail("ReadShelx", "Lattice number " + std::to_string(n) + " on LATT is not one of 1 to 7 or -1 to -7");
    lattice.centro = n >= 1;
    lattice.latt = std::abs(n);
    head.instructions.push_back({Kind::latt, {}, "", lattice.centro, kLatticeLetters[static_cast<std::size_t>(lattice.latt - 1)]});
  } else if (key == "SYMM") {
    if (lattice.nsymcards + 1 > kMaxSymm)
      fail("ReadShelx", "Too many SYMM instructions: the limit is " + std::to_string(kMaxSymm) +
                               " symmetry operators, identity included");
    head.instructions.push_back({Kind::symm, {}, std::string(rtrim(line))});
    head.symm_cards.emplace_back(rtrim(after_keyword(line)));
    ++lattice.nsymcards;
  } else if (key == "SFAC") {
    std::string toks = line;
    LineExtract lx;
    readline(toks, lx);
    for (int k = 2; k <= lx.count; ++k) {
      const std::string sym(lx.keyword(k).trimmed());
      const int z = atomic_number_of(sym);
      if (z < 1) fail("ReadShelx", "Unknown element " + sym + " on the SFAC instruction");
      if (z > kMaxElementSymbol)
        fail("ReadShelx",
            "Element " + sym + " (Z = " + std::to_string(z) + ") on the SFAC instruction is beyond U");
      md.scattering_types.push_back(z);
    }
  } else if (key == "FVAR") {
    const std::string rest = after_keyword(line);
    const int k = layout::count_values(rest);
    std::vector<double> v(static_cast<std::size_t>(k));
    if (!layout::read_reals(rest, v))
      fail("ReadShelx", "Cannot read FVAR values from: " + std::string(rtrim(line)));
    md.shelx_refinement.fvar.insert(md.shelx_refinement.fvar.end(), v.begin(), v.end());
  } else if (key == "WGHT") {
    layout::FreeReader rd(after_keyword(line));
    for (double& w : md.shelx_refinement.wght)
      if (!rd.real(w)) break;
  } else if (key == "RESI") {
    md.has_residues = true;
  } else if (key == "DISP") {
    // A card that does not read leaves the calculated terms in place.
    if (DispersionCard card; read_disp_card(line, card))
      md.dispersion.push_back(card);
    else
      warn(out, " WARNING: DISP card ignored (no element, f' and f''): " + std::string(rtrim(line)));
  }
}

// The lattice once every instruction is read: without LATT, SHELX's
// default LATT 1, primitive and centrosymmetric, whose line goes where LATT
// stands in a SHELX file, before the first SYMM.
void finish_lattice(LatticeCards& lattice, ShelxCrystalHead& head) {
  if (lattice.latt == 0) {
    lattice.latt = 1;
    lattice.centro = true;
    auto& ins = head.instructions;
    const auto first_symm =
        std::find_if(ins.begin(), ins.end(), [](const ShelxCrystalHead::Instruction& h) { return h.kind == Kind::symm; });
    ins.insert(first_symm, {Kind::latt, {}, "", true, 'P'});
  }
  head.lattice = kLatticeLetters[static_cast<std::size_t>(lattice.latt - 1)];
  head.centrosymmetric = lattice.centro;
}

// The atom of index `i` from its line (continuation joined): scattering
// type, label, position, occupancy and displacement parameters, free
// variables and riding U resolved.
void read_atom(const std::string& text, int i, ShelxLabels naming, std::map<int, int>& count_per_type, int& last_own_u,
               Model& md, Log& out) {
  const std::string name = word(text, 1);
  Atom& at = md.atoms[i];
  at.name_in_file = name;
  int s = 0;
  layout::FreeReader sfac(word(text, 2));
  if (!sfac.integer(s)) atom_line_error(name, text);
  if (s < 1 || s > static_cast<int>(md.scattering_types.size()))
    fail("ReadShelx",
        "Atom " + name + " has scattering type " + std::to_string(s) + ", which SFAC does not list");
  at.atomic_number = md.scattering_types[static_cast<std::size_t>(s - 1)];
  at.scattering_type = s;
  at.max_multipole_level = at.atomic_number == 1 ? 2 : 4;
  const int type_count = ++count_per_type[s];

  std::string nums = text;
  shelx_label(naming, nums, at.label, at.atomic_number, i, type_count);
  const int count = layout::count_values(nums);
  if ((count != 6 && count != 11) || !resolve_free_variables(md.shelx_refinement, nums, count)) atom_line_error(at.label.trimmed(), text);
  std::array<double, 11> v{};
  if (!layout::read_reals(nums, std::span<double>(v.data(), static_cast<std::size_t>(count))))
    atom_line_error(at.label.trimmed(), text);
  at.fractional[0] = v[1];
  at.fractional[1] = v[2];
  at.fractional[2] = v[3];
  at.occ = v[4];
  at.u = {};
  if (count == 6) {
    at.adp_type = 1;
    at.u11() = v[5];
    resolve_riding_u(md, i, last_own_u);
  } else {
    at.adp_type = 2;
    last_own_u = i;
    // SHELX order U11 U22 U33 U23 U13 U12 into U11 U22 U33 U12 U13 U23.
    at.u = {v[5], v[6], v[7], v[10], v[9], v[8]};
  }
  write_atom_line(i, at, out);
  const Vec3 cartesian = to_cartesian(md.transf, at.fractional);
  at.cartesian = {{cartesian[0], cartesian[1], cartesian[2]}};
}

}  // namespace

Model read_shelx(const std::string& file, ShelxLabels naming, Log& out) {
  Model md;
  start_model(md);
  std::map<int, int> count_per_type;   // atoms read so far of each scattering type
  int last_own_u = -1;   // the last atom whose U does not ride: a riding U's parent

  RecordFile f;
  if (!f.open(file)) fail("ReadShelx", "Error opening SHELX file " + file);
  std::ostream& log = out.log();
  layout::write(log, "(/a,a)", " Reading SHELX file : ", file);
  {
    std::vector<RecordOrigin> origins;
    std::vector<std::string> records = expand_shelx_includes(f, file, out, &origins);
    f.open_records(std::move(records), std::move(origins), file);
  }

  // ---- First pass: the instructions.
  LatticeCards lattice;
  ShelxCrystalHead& head = md.shelx_head;
  head = ShelxCrystalHead{};
  md.has_residues = false;
  std::string line;
  while (f.next(line, kLineLength)) {
    untab(line);
    to_upper_case(line);
    const std::string key = line.substr(0, 4);
    if (key == "TITL" && md.model_name.blank()) md.model_name = structure_name(line.substr(std::min<std::size_t>(4, line.size())));
    if (key != "CELL" && key != "LATT" && key != "SYMM" && key != "SFAC" && key != "FVAR" && key != "WGHT" &&
        key != "RESI" && key != "DISP")
      continue;
    strip_comment(line);
    const std::string place = f.where();
    // An instruction continued with "=" (long SFAC or FVAR lists) is read
    // as one line.
    while (ends_with_equals(line)) {
      line[static_cast<std::size_t>(last_nonblank_column(line) - 1)] = ' ';
      std::string next;
      if (!f.next(next, kLineLength)) break;
      untab(next);
      to_upper_case(next);
      strip_comment(next);
      line = std::string(rtrim(line)) + " " + next;
    }
    try {
      read_instruction(key, line, lattice, md, out);
    } catch (const RunError& e) {
      fail(e.routine, e.message + " (" + place + ")");
    }
  }
  if (!lattice.have_cell) fail("ReadShelx", "No CELL instruction in the SHELX file " + file);
  finish_lattice(lattice, head);

  set_up_crystal(md, f, out);

  // ---- Second pass: the atoms.
  f.rewind();
  md.natom = 0;
  ShelxResidue resi;
  int part = 0;
  for (;;) {
    bool end = false, cont = false;
    read_shelx_atom_line(f, line, end, cont, resi, part);
    if (end) break;
    const std::string place = f.where();
    std::string text = padded(line, 100);
    if (cont) {
      // The continuation is the next line, whatever it begins with.
      std::string next;
      if (f.next(next, kLineLength)) {
        untab(next);
        to_upper_case(next);
        strip_comment(next);
        text += padded(next, 100);
      }
    }
    text = padded(text, 200);
    const std::string name = word(text, 1);
    const int i = md.natom++;
    md.hold_entries(md.natom);
    try {
      read_atom(text, i, naming, count_per_type, last_own_u, md, out);
    } catch (const RunError& e) {
      // Every stop on an atom line names the file and the line.
      fail(e.routine, e.message + " (" + place + ")");
    }
    md.atoms[i].source = place;
    md.atoms[i].part = part;
    // Every atom is recorded with the residue it stands in, so that the
    // residue texts stay aligned with the atom table.
    md.atoms[i].residue_text = layout::format("(a6,1x,i3,2x,a5)", padded(name, 10), resi.number, padded(resi.rclass, 10));
    md.atoms[i].residue_name = layout::format("(a6,1x,i3)", padded(name, 10), resi.number);
  }
  to_term(out, layout::format("(/a,i5)", " Total atoms read from SHELX file = ", md.natom));
  check_atoms_read(md, "ReadShelx", file, "SHELX");
  flag_partial_sites(md);
  write_atom_listing(md, log);
  f.close();
  return md;
}

}  // namespace vorn
