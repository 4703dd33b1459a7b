// The CIF reader.  gemmi parses the file and reads the cell, the atoms and
// their displacement parameters (make_small_structure_from_block); the
// symmetry comes from the operator loop, else from the Hall or the
// Hermann-Mauguin symbol through gemmi's tables.  What the reader then
// fills is what the SHELX reader fills for the same structure: the crystal
// head (CELL, LATT and SYMM instructions), the scattering types, SHELX-style
// labels, and occupancies as SHELX gives them (divided by the number of
// operators that map an atom on a special position onto itself).
#include "structure/readers/cif_reader.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

// gemmi formats numbers (in its CIF writer, which the reader does not use)
// with stb_sprintf; Debian ships it apart from gemmi, and gemmi's headers
// stop a -Werror build with a warning about that.  The C library's
// snprintf stands in.
#define USE_STD_SNPRINTF
#include <gemmi/cif.hpp>
#include <gemmi/smcif.hpp>

#include "layout/layout.hpp"
#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"
#include "structure/readers/reader_common.hpp"
#include "structure/readers/readers.hpp"
#include "structure/readers/shelx_reader.hpp"
#include "structure/site_symmetry.hpp"
#include "structure/symmetry_check.hpp"

namespace vorn {

namespace {

constexpr const char* kRoutine = "ReadCif";
// Used when the file names no wavelength: Mo K-alpha.
constexpr double kDefaultWavelength = 0.71073;

using gemmi::Op;

Op::Tran wrapped(Op::Tran t) {
  Op op{Op::identity().rot, t};
  return op.wrap().tran;
}

Op::Tran sum(const Op::Tran& a, const Op::Tran& b) { return wrapped({a[0] + b[0], a[1] + b[1], a[2] + b[2]}); }
Op::Tran difference(const Op::Tran& a, const Op::Tran& b) { return wrapped({a[0] - b[0], a[1] - b[1], a[2] - b[2]}); }

// "-x+1/2,y+1/2,-z+1/2" as a SHELX card: "SYMM -X+1/2, Y+1/2, -Z+1/2".
std::string symm_card(const Op& op) {
  std::string card = "SYMM ";
  for (char c : op.triplet()) {
    card += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c == ',') card += ' ';
  }
  return card;
}

}  // namespace

ShelxSymmetry shelx_symmetry(const gemmi::GroupOps& ops) {
  gemmi::GroupOps go;
  for (Op op : ops.sym_ops) go.sym_ops.push_back(op.wrap());
  for (const Op::Tran& t : ops.cen_ops) go.cen_ops.push_back(wrapped(t));
  if (std::find(go.cen_ops.begin(), go.cen_ops.end(), Op::Tran{0, 0, 0}) == go.cen_ops.end())
    go.cen_ops.insert(go.cen_ops.begin(), Op::Tran{0, 0, 0});
  ShelxSymmetry out;
  out.lattice = go.find_centering();
  if (std::string_view("PABCIFR").find(out.lattice) == std::string_view::npos || out.lattice == 0) {
    // A centring that SHELX has no letter for: every operator explicitly.
    std::vector<Op> all;
    for (const Op::Tran& c : go.cen_ops)
      for (const Op& op : go.sym_ops) all.push_back(Op{op.rot, sum(op.tran, c)});
    go.sym_ops = all;
    go.cen_ops = {Op::Tran{0, 0, 0}};
    out.lattice = 'P';
  }
  const auto is_centring = [&](const Op::Tran& t) {
    return std::find(go.cen_ops.begin(), go.cen_ops.end(), wrapped(t)) != go.cen_ops.end();
  };
  const Op::Rot inversion = Op::identity().negated_rot();
  for (const Op& op : go.sym_ops)
    if (op.rot == inversion && is_centring(op.tran)) out.centrosymmetric = true;
  std::vector<Op> kept{Op::identity()};
  for (const Op& op : go.sym_ops) {
    const bool repeated = std::any_of(kept.begin(), kept.end(), [&](const Op& k) {
      return k.rot == op.rot && is_centring(difference(op.tran, k.tran));
    });
    // With the inversion at the origin, -R, -t is implied by R, t.
    const bool implied = out.centrosymmetric && std::any_of(kept.begin(), kept.end(), [&](const Op& k) {
      return k.rot == op.negated_rot() && is_centring(sum(op.tran, k.tran));
    });
    if (repeated || implied) continue;
    kept.push_back(op);
    out.cards.push_back(symm_card(op));
  }
  return out;
}

namespace {

std::string where(const std::string& file, const gemmi::cif::Block& block) {
  return file + ", data_" + block.name;
}

// The line of a tag's item (its loop for a looped tag), for messages.
std::string line_of(gemmi::cif::Block& block, const std::string& tag) {
  const gemmi::cif::Item* item = block.find_pair_item(tag);
  if (!item) item = block.find_loop_item(tag);
  return item && item->line_number > 0 ? ", line " + std::to_string(item->line_number) : std::string();
}

gemmi::cif::Document parse_cif(const std::string& file) {
  try {
    return gemmi::cif::read_file(file);
  } catch (const tao::pegtl::parse_error& e) {
    const auto& pos = e.positions();
    const std::string at = pos.empty() ? std::string() : ", line " + std::to_string(pos.front().line);
    fail(kRoutine, "Malformed CIF file " + file + at + ": " + std::string(e.message()));
  } catch (const std::exception& e) {
    fail(kRoutine, "Malformed CIF file " + file + ": " + e.what());
  }
}

bool has_atoms(gemmi::cif::Block& block) { return block.find_values("_atom_site_fract_x").item() != nullptr; }

gemmi::cif::Block& choose_block(gemmi::cif::Document& doc, const std::string& name, const std::string& file) {
  std::string names;
  for (gemmi::cif::Block& b : doc.blocks) {
    if (name.empty() ? has_atoms(b) : gemmi::iequal(b.name, gemmi::to_lower(name))) return b;
    names += (names.empty() ? "" : ", ") + ("data_" + b.name);
  }
  if (name.empty())
    fail(kRoutine, "No data block of CIF file " + file + " has atoms (_atom_site_fract_x)" +
                       (names.empty() ? std::string() : "; its blocks: " + names));
  fail(kRoutine, "CIF file " + file + " has no data block data_" + name +
                     (names.empty() ? std::string() : "; its blocks: " + names));
}

// A number of a single-valued tag; stops when it is absent or no number.
double required_number(gemmi::cif::Block& block, const std::string& tag, const std::string& file) {
  const std::string* v = block.find_value(tag);
  if (!v || gemmi::cif::is_null(*v))
    fail(kRoutine, where(file, block) + ": " + tag + " is missing; the cell needs it");
  const double x = gemmi::cif::as_number(*v);
  if (!std::isfinite(x) || std::fabs(x) > 1e6)
    fail(kRoutine, where(file, block) + line_of(block, tag) + ": " + tag + " " + *v + " is not a number");
  return static_cast<double>(x);
}

UnitCell read_cell(gemmi::cif::Block& block, const std::string& file) {
  const UnitCell c{required_number(block, "_cell_length_a", file), required_number(block, "_cell_length_b", file),
                   required_number(block, "_cell_length_c", file), required_number(block, "_cell_angle_alpha", file),
                   required_number(block, "_cell_angle_beta", file), required_number(block, "_cell_angle_gamma", file)};
  if (c.a <= 0 || c.b <= 0 || c.c <= 0 || c.alpha <= 0 || c.beta <= 0 || c.gamma <= 0 || c.alpha >= 180 ||
      c.beta >= 180 || c.gamma >= 180)
    fail(kRoutine, where(file, block) + line_of(block, "_cell_length_a") + ": the cell " +
                       layout::listed(c.a, c.b, c.c, c.alpha, c.beta, c.gamma).substr(1) + " is no cell");
  return c;
}

// The lines of a file, for the line of a value in a loop.
std::vector<std::string> file_lines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// The line, at `from` (counted from 1) or after it, that holds the raw
// value text; `from` when none does.
std::size_t line_of_value(const std::vector<std::string>& lines, std::size_t from, const std::string& raw) {
  for (std::size_t n = from; n <= lines.size(); ++n)
    if (lines[n - 1].find(raw) != std::string::npos) return n;
  return from;
}

SymOp as_symop(const Op& op) {
  SymOp s;
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) s.rot[j][i] = static_cast<double>(op.rot[i][j]) / Op::DEN;
    s.trans[i] = static_cast<double>(op.tran[i]) / Op::DEN;
  }
  return s;
}

// The operators of a loop must form a group (the centring included): a
// list with an operator missing or mistyped describes no crystal.
void check_cif_closure(const std::vector<Op>& ops, const std::vector<std::string>& at, const std::string& block,
                       const char* tag) {
  for (std::size_t a = 0; a < ops.size(); ++a)
    for (std::size_t b = 0; b < ops.size(); ++b) {
      const Op c = ops[a].combine(ops[b]).wrap();
      if (std::find(ops.begin(), ops.end(), c) == ops.end())
        fail(kRoutine, block + at[a] + ": the operators of " + tag + " do not form a group: '" + ops[a].triplet() +
                           "' after '" + ops[b].triplet() + "'" + at[b] + " gives '" + c.triplet() +
                           "', which is not listed");
    }
}

// The operators: the operator loop, else the Hall symbol, else the
// Hermann-Mauguin symbol (in the setting that the cell angles fit).
// The operators of a space-group symbol must be symmetry of the cell too
// (a wrong symbol, or one of another crystal system).
gemmi::GroupOps symbol_ops(gemmi::GroupOps ops, const UnitCell& cell, const std::string& at, const std::string& tag,
                           const std::string& symbol) {
  for (const Op& op : ops.all_ops_sorted())
    if (const std::string fault = isometry_fault(as_symop(op), cell); !fault.empty())
      fail(kRoutine, at + ": the operator '" + op.triplet() + "' of " + tag + " '" + symbol +
                         "' is no symmetry of the cell (" + fault + ")");
  return ops;
}

gemmi::GroupOps read_operators(gemmi::cif::Block& block, const UnitCell& cell, const std::string& file) {
  for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"}) {
    gemmi::cif::Column col = block.find_values(tag);
    if (!col.item()) continue;
    std::vector<Op> ops;
    std::vector<std::string> at;   // ", line N" of each operator
    const std::vector<std::string> lines = file_lines(file);
    std::size_t line = static_cast<std::size_t>(std::max(col.item()->line_number, 1));
    for (const std::string& v : col) {
      const std::string text = gemmi::cif::as_string(v);
      line = line_of_value(lines, line, v);
      at.push_back(", line " + std::to_string(line));
      try {
        ops.push_back(gemmi::parse_triplet(text).wrap());
      } catch (const std::exception& e) {
        fail(kRoutine, where(file, block) + at.back() + ": the operator '" + text + "' of " + tag +
                           " does not read (" + e.what() + ")");
      }
      if (const std::string fault = isometry_fault(as_symop(ops.back()), cell); !fault.empty())
        fail(kRoutine, where(file, block) + at.back() + ": the operator '" + text + "' of " + tag +
                           " is no symmetry of the cell (" + fault + ")");
    }
    check_cif_closure(ops, at, where(file, block), tag);
    return gemmi::split_centering_vectors(ops);
  }
  for (const char* tag : {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"}) {
    const std::string* v = block.find_value(tag);
    if (!v || gemmi::cif::is_null(*v)) continue;
    // CIF 1 files may write the blanks of a symbol as underscores.
    std::string hall = gemmi::cif::as_string(*v);
    std::replace(hall.begin(), hall.end(), '_', ' ');
    try {
      gemmi::GroupOps ops = gemmi::symops_from_hall(hall.c_str());
      return symbol_ops(std::move(ops), cell, where(file, block) + line_of(block, tag), tag, hall);
    } catch (const RunError&) {
      throw;
    } catch (const std::exception& e) {
      fail(kRoutine, where(file, block) + line_of(block, tag) + ": the Hall symbol '" + hall + "' does not read (" +
                         e.what() + ")");
    }
  }
  for (const char* tag : {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M"}) {
    const std::string* v = block.find_value(tag);
    if (!v || gemmi::cif::is_null(*v)) continue;
    const std::string hm = gemmi::cif::as_string(*v);
    if (const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(hm, cell.alpha, cell.gamma))
      return symbol_ops(sg->operations(), cell, where(file, block) + line_of(block, tag), tag, hm);
    fail(kRoutine, where(file, block) + line_of(block, tag) + ": the space group '" + hm + "' is not known");
  }
  fail(kRoutine, where(file, block) +
                     ": no symmetry: neither _space_group_symop_operation_xyz nor _symmetry_equiv_pos_as_xyz, "
                     "nor a Hall or Hermann-Mauguin symbol");
}

double read_wavelength(const gemmi::SmallStructure& st, gemmi::cif::Block& block, const std::string& file, Log& out) {
  if (std::isfinite(st.wavelength) && st.wavelength > 0 && st.wavelength < 100)
    return static_cast<double>(st.wavelength);
  // A wavelength that is given but is none (0, -1, 100) is a fault of the
  // file, not a file that gives none.
  const char* const tag = "_diffrn_radiation_wavelength";
  const std::string* given = block.find_value(tag);
  gemmi::cif::Column looped = block.find_values(tag);
  if (!given && looped.item() && looped.length() > 0) given = &looped[0];
  if (given && !gemmi::cif::is_null(*given))
    fail(kRoutine, where(file, block) + line_of(block, tag) + ": " + tag + " " + *given +
                       " is not a wavelength (above 0 and below 100 Angstrom)");
  warn(out, " WARNING: " + where(file, block) + " gives no _diffrn_radiation_wavelength; " +
                layout::fmt_f(kDefaultWavelength, 7, 5) + " A (Mo K-alpha) is taken");
  return kDefaultWavelength;
}

int atomic_number(gemmi::El el) { return gemmi::Element(el).atomic_number(); }

// The scattering types: those of the _atom_type loop in its order (as a
// SHELX file's SFAC), then any other element of the atoms.
std::vector<int> read_types(const gemmi::SmallStructure& st, gemmi::cif::Block& block, const std::string& file) {
  std::vector<int> t;
  for (const gemmi::SmallStructure::AtomType& a : st.atom_types)
    if (const int z = atomic_number(a.element); z > 0 && z <= kMaxElementSymbol) add_scattering_type(t, z);
  for (const gemmi::SmallStructure::Site& s : st.sites) {
    const int z = atomic_number(s.element);
    if (z < 1)
      fail(kRoutine, where(file, block) + line_of(block, "_atom_site_label") + ": atom " + s.label +
                         " has no known element (type symbol '" + s.type_symbol + "')");
    if (z > kMaxElementSymbol)
      fail(kRoutine, where(file, block) + ": element " + s.type_symbol + " of atom " + s.label + " is beyond U");
    add_scattering_type(t, z);
  }
  return t;
}

// The number (from 1) of element z's scattering type; 0 when it has none.
int type_number(const std::vector<int>& types, int z) {
  const auto it = std::find(types.begin(), types.end(), z);
  return it == types.end() ? 0 : static_cast<int>(it - types.begin()) + 1;
}

// The label of an atom: built from the CIF label as from a SHELX name
// (C12 gives C(12)); a label already written that way, as XD writes its
// CIFs, is kept.
void cif_label(ShelxLabels naming, const std::string& name, Label& label, int element_z, int atom, int serial) {
  // The SHELX label builder reads the name as the first word of a line.
  std::string text = upcased(name) + " ";
  if (naming == ShelxLabels::as_named && text.find('(') != std::string::npos) {
    text.pop_back();
    if (text.size() > Label::size())
      fail(kRoutine, "Atom label " + name + " is longer than 8 characters; shorten it or use *RENAME");
    label = text;
    return;
  }
  shelx_label(naming, text, label, element_z, atom, serial);
}

// Per row of the atom loop: the ADP type and whether the row is a dummy
// atom (calc flag "dum").
struct RowFlags {
  bool b_values = false;
  bool dummy = false;
  int disorder_group = 0;   // '.' and '?' are no group
};

std::vector<RowFlags> read_row_flags(gemmi::cif::Block& block) {
  std::vector<RowFlags> flags;
  const bool u_column = block.find_values("_atom_site_U_iso_or_equiv").item() != nullptr;
  const bool b_column = block.find_values("_atom_site_B_iso_or_equiv").item() != nullptr;
  for (auto row : block.find("_atom_site_", {"label", "?adp_type", "?thermal_displace_type", "?calc_flag", "?disorder_group"})) {
    RowFlags f;
    for (int k : {1, 2})
      if (row.has2(k)) {
        const std::string type = gemmi::to_lower(gemmi::cif::as_string(row[k]));
        // An ADP type of B with only a U column: the column holds B values.
        f.b_values = u_column && !b_column && !type.empty() && type[0] == 'b';
      }
    f.dummy = row.has2(3) && gemmi::to_lower(gemmi::cif::as_string(row[3])) == "dum";
    if (row.has2(4)) {
      int g = 0;
      if (layout::FreeReader(gemmi::cif::as_string(row[4])).integer(g) && g > -100000 && g < 100000) f.disorder_group = g;
    }
    flags.push_back(f);
  }
  return flags;
}

bool finite(const gemmi::Fractional& f) { return std::isfinite(f.x) && std::isfinite(f.y) && std::isfinite(f.z); }

// The cell, wavelength, scattering types and symmetry of the block, and
// the crystal head as a SHELX file would give it: CELL, LATT, SYMM.
void set_up_cif_crystal(const gemmi::SmallStructure& st, gemmi::cif::Block& block, const std::string& file,
                        Model& md, Log& out) {
  md.cell = read_cell(block, file);
  md.wavelength = read_wavelength(st, block, file, out);
  md.scattering_types = read_types(st, block, file);
  const ShelxSymmetry sym = shelx_symmetry(read_operators(block, md.cell, file));
  if (static_cast<int>(sym.cards.size()) + 1 > kMaxSymm)
    fail(kRoutine, where(file, block) + ": too many symmetry operators: the limit is " + std::to_string(kMaxSymm));

  // The crystal head as a SHELX file would give it: CELL, LATT, SYMM.
  ShelxCrystalHead& head = md.shelx_head;
  using Kind = ShelxCrystalHead::Kind;
  const UnitCell& c = md.cell;
  head.instructions.push_back({Kind::cell, {md.wavelength, c.a, c.b, c.c, c.alpha, c.beta, c.gamma}, ""});
  head.instructions.push_back({Kind::latt, {}, "", sym.centrosymmetric, sym.lattice});
  std::string cards;
  for (const std::string& card : sym.cards) {
    head.instructions.push_back({Kind::symm, {}, card});
    head.symm_cards.push_back(card.substr(4));
    cards += card + "\n";
  }
  head.lattice = sym.lattice;
  head.centrosymmetric = sym.centrosymmetric;
  // The cards stand for the symmetry items of the CIF: a stop on one names
  // the CIF, not a line of the cards made from it.
  RecordFile card_file;
  card_file.open_text(cards);
  std::vector<std::string> card_lines;
  std::vector<RecordOrigin> origins;
  for (std::size_t n = 1; n <= card_file.record_count(); ++n) {
    std::string record;
    card_file.next(record, 0);
    card_lines.push_back(record);
    origins.push_back({"the symmetry of " + where(file, block), 0});
  }
  card_file.open_records(std::move(card_lines), std::move(origins), file);
  set_up_crystal(md, card_file, out);
}

// The displacement parameters of a site: six Uij, or U_iso (given as B
// when the row's ADP type says so).  Returns whether a B was converted.
bool read_displacements(const gemmi::SmallStructure::Site& s, const RowFlags& f, const std::string& at_loop, Atom& at) {
  bool b_read_as_u = false;
  at.u = {};
  if (s.aniso.nonzero()) {
    at.adp_type = 2;
    const auto& a = s.aniso;
    at.u = {static_cast<double>(a.u11), static_cast<double>(a.u22), static_cast<double>(a.u33),
            static_cast<double>(a.u12), static_cast<double>(a.u13), static_cast<double>(a.u23)};
  } else {
    at.adp_type = 1;
    double u = s.u_iso;
    if (f.b_values) {
      u /= 8.0 * gemmi::pi() * gemmi::pi();
      b_read_as_u = true;
    }
    at.u11() = u;
  }
  for (double v : at.u)
    if (!std::isfinite(v) || std::fabs(v) > 10.0)
      fail(kRoutine, at_loop + " has a displacement parameter that does not read or is beyond 10 A^2");
  return b_read_as_u;
}

}  // namespace

Model read_cif(const std::string& file, const std::string& block_name, ShelxLabels naming, Log& out) {
  Model md;
  start_model(md);
  {
    std::error_code ec;
    std::ifstream probe(file);
    if (!std::filesystem::is_regular_file(file, ec) || !probe) fail(kRoutine, "Error opening CIF file " + file);
  }
  std::ostream& log = out.log();
  layout::write(log, "(/a,a)", " Reading CIF file : ", file);
  gemmi::cif::Document doc = parse_cif(file);
  gemmi::cif::Block& block = choose_block(doc, block_name, file);
  log << " Data block : data_" << block.name << '\n';
  md.model_name = structure_name(block.name);
  gemmi::SmallStructure st;
  try {
    st = gemmi::make_small_structure_from_block(block);
  } catch (const std::exception& e) {
    fail(kRoutine, where(file, block) + ": " + e.what());
  }

  set_up_cif_crystal(st, block, file, md, out);

  // The atoms.
  const std::vector<RowFlags> flags = read_row_flags(block);
  std::map<int, int> count_per_type;   // atoms read so far of each scattering type
  int b_read_as_u = 0, special = 0;
  for (std::size_t r = 0; r < st.sites.size(); ++r) {
    const gemmi::SmallStructure::Site& s = st.sites[r];
    const RowFlags f = r < flags.size() ? flags[r] : RowFlags{};
    if (f.dummy) continue;
    const std::string at_loop = where(file, block) + line_of(block, "_atom_site_label") + ": atom " + s.label;
    if (s.label.empty() || s.label == "?" || s.label == ".")
      fail(kRoutine, where(file, block) + line_of(block, "_atom_site_label") + ": atom " + std::to_string(r + 1) +
                         " of the atom loop has no label");
    if (!finite(s.fract)) fail(kRoutine, at_loop + " has no fractional coordinates");
    if (!std::isfinite(s.occ) || s.occ <= 0 || s.occ > 1.0001)
      fail(kRoutine, at_loop + " has the occupancy " + layout::listed(static_cast<double>(s.occ)).substr(1) +
                         ", not one between 0 and 1");
    const int i = md.natom++;
    md.hold_entries(md.natom);
    Atom& at = md.atoms[i];
    at.atomic_number = atomic_number(s.element);
    at.scattering_type = type_number(md.scattering_types, at.atomic_number);
    at.max_multipole_level = default_lmx(at.atomic_number);
    cif_label(naming, s.label, at.label, at.atomic_number, i, ++count_per_type[at.scattering_type]);
    at.name_in_file = s.label;
    at.source = where(file, block) + line_of(block, "_atom_site_label");
    at.fractional[0] = static_cast<double>(s.fract.x);
    at.fractional[1] = static_cast<double>(s.fract.y);
    at.fractional[2] = static_cast<double>(s.fract.z);
    at.occ = static_cast<double>(s.occ);
    at.part = f.disorder_group;
    if (read_displacements(s, f, at_loop, at)) ++b_read_as_u;
    const Vec3 cartesian = to_cartesian(md.transf, at.fractional);
    at.cartesian = {{cartesian[0], cartesian[1], cartesian[2]}};
    for (const double v : {at.cartesian[0], at.cartesian[1], at.cartesian[2]})
      if (!std::isfinite(v) || std::fabs(v) > kFarthestPosition)
        fail(kRoutine, at_loop + ": Cartesian coordinate is not a finite number within 1.0E+06 Angstrom");
    // A CIF gives the occupancy of the site; SHELX (and XD, and this
    // program's special-position flag) the share of the general position.
    const auto order = static_cast<int>(find_site_symmetry(md, i).operations.size());
    if (order > 1) {
      at.occ /= static_cast<double>(order);
      ++special;
    }
    write_atom_line(i, at, out);
    md.atoms[i].residue_text = layout::format("(a6,1x,i3,2x,a5)", padded(upcased(s.label), 10), 0, std::string(10, ' '));
    md.atoms[i].residue_name = layout::format("(a6,1x,i3)", padded(upcased(s.label), 10), 0);
  }
  if (md.natom == 0) fail(kRoutine, where(file, block) + ": no atoms");
  // The same checks as the other readers: a pile of copies on one site
  // stops here as it does in a SHELX file.
  check_atoms_read(md, kRoutine, file, "CIF");
  to_term(out, layout::format("(/a,i5)", " Total atoms read from CIF file = ", md.natom));
  if (special > 0)
    to_log(out, " Occupancies of the " + std::to_string(special) +
                    " atoms on special positions are divided by the order of their site symmetry, as SHELX gives them");
  if (b_read_as_u > 0)
    warn(out, " WARNING: " + where(file, block) + ": the U_iso_or_equiv values of " + std::to_string(b_read_as_u) +
                  " atoms are marked as B (adp_type Biso); they are read as B and divided by 8 pi^2");
  flag_partial_sites(md);
  write_atom_listing(md, log);
  return md;
}

}  // namespace vorn
