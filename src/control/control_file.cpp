// The control file vorn.inp: every keyword sets its switch, the switches are
// checked and normalised, and the final options are echoed to the log.
#include "control/control_file.hpp"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "layout/input_lines.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "layout/layout.hpp"
#include "layout/log.hpp"
#include "structure/capacity.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

constexpr const char* kRoutine = "ReadInp";
constexpr const char* kControlFile = "vorn.inp";

const std::string kRule71 = " " + std::string(71, '-');

// The complete-fragment search visits (2n+1)^3 cells for every atom and
// operator: n = 10 already means 9261 cells.  A larger value is a typing
// slip that would keep the run busy for hours.
constexpr int kMaxCells = 10;

[[noreturn]] void read_error() { fail(kRoutine, "Error while reading file vorn.inp"); }

// The numbers of a tokenised line are read free-form; a line that ends
// before all of them, or a word that does not read, stops the run.
int read_int(layout::FreeReader& r) {
  int v = 0;
  if (!r.integer(v)) read_error();
  return v;
}

double read_real(layout::FreeReader& r) {
  double v = 0;
  if (!r.real(v)) read_error();
  return v;
}

// Word iw of the raw line, from its first to its last column, as a
// 60-character file name (case kept).
FileName raw_word(const std::string& raw, int iw, const char* missing) {
  int a = 0, b = 0;
  if (!find_word(raw, iw, a, b)) fail(kRoutine, missing);
  return FileName(std::string_view(raw).substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1)));
}

// Steps back to the last record of the logical line just read and reads it
// again untokenised, for the file names whose case and length matter.
// Returns false at the end of the file.
bool reread_raw(RecordFile& f, std::string& raw) {
  f.backspace();
  return !readinputline(f, raw, kLineLength);
}

void keyword_format(Switches& sw, const LineExtract& lx) {
  for (int k = 2; k <= lx.count; ++k) {
    if (!lx.starred(k)) continue;
    const Text<8>& w = lx.keyword(k);
    if (w == "SHELX") sw.format = InputFormat::shelx;
    else if (w == "XD") sw.format = InputFormat::xd;
    else if (w == "AIM2TAB") sw.format = InputFormat::aim2tab;
    else if (w == "PLATON") sw.format = InputFormat::platon;
    else if (w == "CIF") sw.format = InputFormat::cif;
  }
  // AIM2TAB and PLATON give Cartesian coordinates without a cell.
  if (is_cartesian(sw.format)) sw.has_cell = false;
}

// Returns false when the raw re-read met the end of the file.
bool keyword_input(Switches& sw, Log& log, const LineExtract& lx, RecordFile& f, const std::string& numbers) {
  for (int k = lx.count - 1; k <= lx.count; ++k) {
    if (!lx.starred(k)) continue;
    if (lx.keyword(k) == "RENAME") sw.rename.requested = true;
    if (lx.keyword(k) == "TOXD") sw.convert_to_xd_only = true;
  }
  if (sw.rename.requested) {
    const int inum = count_words(numbers);
    to_term(log, layout::listed(" inum = ", inum));
    if (inum != 0) {
      int a = 0, b = 0;
      find_word_or_stop(numbers, inum, a, b);
      layout::FreeReader r(std::string_view(numbers).substr(static_cast<std::size_t>(a - 1)));
      sw.rename.count_per_type = read_int(r) != 0;
    }
  }
  std::string raw;
  if (!reread_raw(f, raw)) return false;
  sw.args.inpfile = raw_word(raw, 2, "The INPUT line of vorn.inp names no structure file");
  // "*block name": the word after *BLOCK, as written (a CIF block name may
  // be longer than a keyword, or read as a number).
  for (int w = 3; w < count_words(raw); ++w)
    if (upcased(std::string(raw_word(raw, w, "The INPUT line of vorn.inp is cut").trimmed())) == "*BLOCK") {
      sw.args.block =
          std::string(raw_word(raw, w + 1, "The INPUT line of vorn.inp names no CIF block after *block").trimmed());
      break;
    }
  if (sw.format == InputFormat::xd) {
    sw.args.inpfile2 = raw_word(raw, 3,
                                "The INPUT line of vorn.inp names one file: XD input needs the master file and the "
                                "parameter file");
    sw.xdold = sw.args.inpfile;
    sw.args.inpfile = sw.args.inpfile2;
  }
  return true;
}

void keyword_radii(Switches& sw, Log& log, const LineExtract& lx, const std::string& numbers) {
  if (count_words(numbers) != lx.count - 1) read_error();
  std::vector<double> radius(static_cast<std::size_t>(lx.count > 1 ? lx.count - 1 : 0));
  layout::FreeReader r(numbers);
  for (double& v : radius) v = read_real(r);
  for (int k = 2; k <= lx.count; ++k) {
    std::string sym(lx.keyword(k).view().substr(0, 2));
    to_lower_case(sym);
    sym[0] = lx.keyword(k)[0];
    for (int z = 1; z <= kCovradTable; ++z) {
      if (two_letter_symbol(z) != sym) continue;
      const double value = radius[static_cast<std::size_t>(k - 2)];
      to_log(log, layout::format("(a,a,a,f8.3,a)", " Changing covalent radius of ", two_letter_symbol(z), " to ", value,
                                " Angstroms"));
      sw.covrad[static_cast<std::size_t>(z - 1)] = value;
      break;
    }
  }
}

// Returns false when the raw re-read met the end of the file.
bool keyword_databank(Switches& sw, RecordFile& f) {
  sw.use_databank = true;
  std::string raw;
  if (!reread_raw(f, raw)) return false;
  if (count_words(raw) < 2) {
    const char* env = std::getenv("VORN_DB");
    sw.abank = env ? env : "";
  } else {
    sw.abank = raw_word(raw, 2, "The DATABANK line of vorn.inp names no databank file");
    // `*matts` after the name: the bank is read as a MATTS bank whatever
    // its content looks like.
    if (count_words(raw) >= 3 && upcased(std::string(raw_word(raw, 3, "").trimmed())) == "*MATTS") sw.matts_bank = true;
  }
  return true;
}

// Beyond sin(theta)/lambda 2 no measured reflection lies, and the table of
// a larger sphere would only grow (as the cube of the limit).
constexpr double kMaxStol = 2.0;

// FORMFACTORS file.hkl or FORMFACTORS *stol 0.8.  Returns false when the
// raw re-read met the end of the file.
bool keyword_formfactors(Switches& sw, const LineExtract& lx, RecordFile& f, const std::string& numbers) {
  sw.formfactors = FormFactorRequest{};
  sw.formfactors.requested = true;
  if (lx.count >= 2 && lx.starred(2) && lx.keyword(2) == "STOL") {
    layout::FreeReader r(numbers);
    double stol = 0;
    if (!r.real(stol) || !(stol > 0 && stol <= kMaxStol))
      fail(kRoutine, "FORMFACTORS *stol needs a sin(theta)/lambda above 0 and at most 2 (1/Angstrom)");
    sw.formfactors.stol = stol;
    return true;
  }
  std::string raw;
  if (!reread_raw(f, raw)) return false;
  sw.formfactors.hkl_file =
      raw_word(raw, 2, "The FORMFACTORS line of vorn.inp names no reflection file (file.hkl or *stol 0.8)");
  return true;
}

// MAP a b c: the names as written (labels keep their case and may be
// longer than a keyword).
bool keyword_map(Switches& sw, RecordFile& f) {
  std::string raw;
  if (!reread_raw(f, raw)) return false;
  MapPlaneNames plane;
  plane.where = f.where();
  if (count_words(raw) != 4)
    fail(kRoutine, "A MAP line names three atoms, the plane of the map (" + plane.where + ")");
  for (int w = 2; w <= 4; ++w)
    plane.atoms[static_cast<std::size_t>(w - 2)] = std::string(raw_word(raw, w, "").trimmed());
  sw.map_planes.push_back(std::move(plane));
  return true;
}

// The site-symmetry labels a frame may carry: the chemical ones and the
// point groups of crystal sites, as the KEY table knows them.
constexpr std::string_view kFrameLabels[] = {
    "NO",  "m",   "mm2",  "3m",  "cyl",   "-4m2", "-1",  "2",  "2/m", "222", "mmm", "4",
    "-4",  "4/m", "422",  "4mm", "4/mmm", "3",    "-3",  "32", "-3m", "6",   "-6",  "6/m",
    "622", "6mm", "-62m", "6/mmm", "23",  "m-3",  "432", "-43m", "m-3m"};

std::string line_text(int line) { return " (vorn.inp, line " + std::to_string(line) + ")"; }

// BOND a b, NOBOND a b, AXES atom ATOM0 AX1 ATOM1 ATOM2 AX2 label: the
// words are kept as written; the letters and the label are checked here,
// the names once the structure is read.  Returns false when the raw
// re-read met the end of the file.
bool keyword_correction(Switches& sw, CorrectionLine::Kind kind, std::string_view key, RecordFile& f) {
  std::string raw;
  if (!reread_raw(f, raw)) return false;
  CorrectionLine c;
  c.kind = kind;
  c.line = static_cast<int>(f.position());
  for (int w = 2; w <= count_words(raw); ++w) c.words.emplace_back(raw_word(raw, w, "").trimmed());
  const bool axes = kind == CorrectionLine::Kind::axes;
  const std::size_t wanted = axes ? 7 : 2;
  if (c.words.size() != wanted)
    fail(kRoutine, std::string(key) +
                       (axes ? " needs the atom, ATOM0, AX1, ATOM1, ATOM2, AX2 and the site-symmetry label, e.g. "
                               "AXES C(1) C(2) X C(1) C(3) Y mm2"
                             : " needs the names of two atoms, e.g. " + std::string(key) + " C(1) C(2)") +
                       line_text(c.line));
  if (axes) {
    for (const std::size_t k : {std::size_t{2}, std::size_t{5}}) {
      std::string& letter = c.words[k];
      letter = upcased(letter);
      if (letter != "X" && letter != "Y" && letter != "Z")
        fail(kRoutine, "AXES: the axis " + c.words[k] + " is none of X, Y and Z" + line_text(c.line));
    }
    if (c.words[2] == c.words[5])
      fail(kRoutine, "AXES: both axes are " + c.words[2] + "; AX1 and AX2 must differ" + line_text(c.line));
    std::string& label = c.words[6];
    const auto known = std::find_if(std::begin(kFrameLabels), std::end(kFrameLabels),
                                    [&](std::string_view l) { return upcased(std::string(l)) == upcased(label); });
    if (known == std::end(kFrameLabels))
      fail(kRoutine, "AXES: " + label + " is no site-symmetry label (NO, m, mm2, 3m, cyl, -4m2 or a point group such "
                     "as 2/m)" + line_text(c.line));
    label = std::string(*known);
  } else if (upcased(c.words[0]) == upcased(c.words[1])) {
    fail(kRoutine, std::string(key) + " names " + c.words[0] + " twice" + line_text(c.line));
  }
  sw.corrections.push_back(std::move(c));
  return true;
}

// The keywords of the control file (compared by their first 8 characters).
constexpr std::string_view kKeywords[] = {"FORMAT", "INPUT",  "VERBOSE", "TOLS",  "RADII", "NCELLS",
                                          "DISORD", "KEYGEN", "EXTEND_H", "CHEMCON", "SIMPLE", "DATABANK",
                                          "RINGS",  "SCALE",  "NFRAG",   "FRAG",  "CHFRAG", "FRAMES",
                                          "FORMFACT", "PICTURES", "MAP",
                                          "BOND",     "NOBOND",   "AXES"};

// What a starred word may be.  KEYGEN, DISORD and CHEMCON read their stars
// by position (word 2 is the first choice); the others by the word.
struct Choices {
  std::string_view keyword;
  bool by_position;
  std::vector<std::string_view> words;
};
const std::vector<Choices>& starred_choices() {
  static const std::vector<Choices> table{
      {"FORMAT", false, {"SHELX", "XD", "AIM2TAB", "PLATON", "CIF"}},
      {"INPUT", false, {"RENAME", "TOXD", "BLOCK"}},
      {"DISORD", true, {"EXTENDH", "DB"}},
      {"KEYGEN", true, {"XYZUIJ", "ALL", "ORDERED", "MULT", "ALL", "ORDERED", "KAPPAS"}},
      {"CHEMCON", true, {"HYDROGEN", "OTHER"}},
      {"RINGS", false, {"SPECIAL"}},
      {"FRAMES", false, {"KEEP", "NEW"}},
      {"FORMFACT", false, {"STOL"}},
      {"PICTURES", false, {"PAGE", "MAPS"}},
      {"SCALE", false, {"SIGMA", "DIFF", "FRAC", "FRACT", "FRACTION"}}};
  return table;
}

std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// A line whose keyword the program does not know is passed over; a slip
// such as NCELL or EXTEND-H would otherwise switch an option off unseen.
void warn_unknown_keyword(Log& log, std::string_view key) {
  for (std::string_view k : kKeywords)
    if (k == key) return;
  std::string_view closest;
  std::size_t best = 3;
  for (std::string_view k : kKeywords)
    if (const std::size_t d = edit_distance(key, k); d < best) best = d, closest = k;
  const std::string guess = closest.empty() ? std::string() : layout::format("(3a)", " (", closest, "?)");
  warn(log, layout::format("(5a)", " WARNING: ", key, " is not a keyword of vorn.inp", guess, "; the line is ignored"));
}

// A starred word that its keyword does not offer selects nothing.
void warn_unknown_choices(Log& log, std::string_view key, const LineExtract& lx) {
  for (const Choices& c : starred_choices()) {
    if (c.keyword != key) continue;
    std::string offered;
    for (std::string_view w : c.words) offered.append(" ").append(w);
    for (int k = 2; k <= lx.count; ++k) {
      if (!lx.starred(k)) continue;
      const std::string_view word = lx.keyword(k).trimmed();
      const auto at = static_cast<std::size_t>(k - 2);
      if (c.by_position) {
        if (at < c.words.size() && c.words[at] == word) continue;
        warn(log, layout::format("(7a)", " WARNING: *", word, " stands in place ", std::to_string(k - 1), " of the ",
                                 key, " line, which reads its stars by place:" + offered));
      } else if (std::find(c.words.begin(), c.words.end(), word) == c.words.end()) {
        if (key == "INPUT" && k < lx.count - 1) continue;   // file names come first
        warn(log, layout::format("(6a)", " WARNING: *", word, " is none of the choices of ", key, ":" + offered,
                                 "; it selects nothing"));
      }
    }
  }
}

// Reads every logical line of the control file into the switches.
void read_keywords(Switches& sw, Log& log, RecordFile& f) {
  std::string line;
  while (!readinputline(f, line, kLineLength)) {
    LineExtract lx;
    readline(line, lx);
    const Text<8>& key = lx.keyword(1);
    if (lx.count >= 1) {
      warn_unknown_keyword(log, key.trimmed());
      warn_unknown_choices(log, key.trimmed(), lx);
    }
    layout::FreeReader numbers(line);
    if (key == "FORMAT") {
      keyword_format(sw, lx);
    } else if (key == "INPUT") {
      if (!keyword_input(sw, log, lx, f, line)) break;
    } else if (key == "VERBOSE") {
      sw.verbosity = read_int(numbers);
    } else if (key == "TOLS") {
      sw.tols.bond = read_real(numbers);
      sw.tols.ring_planarity = read_real(numbers);
      sw.tols.group_planarity = read_real(numbers);
    } else if (key == "RADII") {
      keyword_radii(sw, log, lx, line);
    } else if (key == "NCELLS") {
      sw.complete_fragment_cells = read_int(numbers);
      sw.ncells_given = true;
      if (sw.complete_fragment_cells > kMaxCells || sw.complete_fragment_cells < -kMaxCells)
        fail(kRoutine, "NCELLS " + std::to_string(sw.complete_fragment_cells) + " is beyond the limit of " +
                              std::to_string(kMaxCells) + " cells in each direction");
    } else if (key == "DISORD") {
      if (lx.starred(2)) sw.disorder.extend_hydrogens = true;
      if (lx.starred(3)) sw.disorder.use_databank = true;
    } else if (key == "KEYGEN") {
      // Only the positions count; positions beyond the seven switches are
      // not switches and are passed over.
      for (int k = 2; k <= lx.count && k - 1 <= static_cast<int>(sw.lkeys.size()); ++k)
        if (lx.starred(k)) sw.lkeys[static_cast<std::size_t>(k - 2)] = true;
    } else if (key == "EXTEND_H") {
      sw.extend_hydrogens = true;
    } else if (key == "CHEMCON") {
      sw.chemical_constraints.hydrogens = lx.starred(2);
      sw.chemical_constraints.other_atoms = lx.starred(3);
    } else if (key == "SIMPLE") {
      sw.simple_equivalence = true;
    } else if (key == "FRAMES") {
      for (int k = 2; k <= lx.count; ++k)
        if (lx.starred(k) && (lx.keyword(k) == "KEEP" || lx.keyword(k) == "NEW")) sw.new_frames = lx.keyword(k) == "NEW";
    } else if (key == "PICTURES") {
      // A starred word switches its picture on, an unstarred one off.
      for (int k = 2; k <= lx.count; ++k)
        if (lx.keyword(k) == "PAGE") sw.setup_page = lx.starred(k);
        else if (lx.keyword(k) == "MAPS") sw.density_maps = lx.starred(k);
    } else if (key == "MAP") {
      if (!keyword_map(sw, f)) break;
    } else if (key == "DATABANK") {
      if (!keyword_databank(sw, f)) break;
    } else if (key == "BOND" || key == "NOBOND" || key == "AXES") {
      const CorrectionLine::Kind kind = key == "BOND"     ? CorrectionLine::Kind::bond
                                        : key == "NOBOND" ? CorrectionLine::Kind::nobond
                                                          : CorrectionLine::Kind::axes;
      if (!keyword_correction(sw, kind, key.trimmed(), f)) break;
    } else if (key == "FORMFACT") {
      if (!keyword_formfactors(sw, lx, f, line)) break;
    } else if (key == "RINGS") {
      sw.args.search_rings = true;
      sw.ring_options.min_size = read_int(numbers);
      sw.ring_options.max_size = read_int(numbers);
      if (lx.starred(2)) sw.ring_options.mirror_in_planar_ring = true;
    } else if (key == "SCALE") {
      for (int k = 2; k <= lx.count; ++k) {
        if (!lx.starred(k)) continue;
        if (lx.keyword(k) == "SIGMA") sw.args.rescale_method = 3;
        else if (lx.keyword(k) == "DIFF") sw.args.rescale_method = 1;
        else if (lx.keyword(k) == "FRAC" || lx.keyword(k) == "FRACT" || lx.keyword(k) == "FRACTION")
          sw.args.rescale_method = 2;
      }
    }
    // NFRAG, FRAG and CHFRAG are read by the valence-population rescaling;
    // every other line is passed over.
  }
}

const char* format_name(InputFormat format) {
  switch (format) {
    case InputFormat::shelx: return "SHELX";
    case InputFormat::xd: return "XD";
    case InputFormat::aim2tab: return "AIM2TAB";
    case InputFormat::platon: return "PLATON";
    case InputFormat::cif: return "CIF";
    case InputFormat::none: break;
  }
  return "";
}

// Normalises the switches and writes the options to the log.
void echo(Switches& sw, std::ostream& log) {
  layout::write(log, "(a,i2)", " Verbosity level = ", sw.verbosity);
  std::string files;
  if (sw.format == InputFormat::xd) {
    files = std::string(sw.xdold.trimmed()) + " " + std::string(sw.args.inpfile.trimmed());
  } else {
    files = std::string(sw.args.inpfile.trimmed());
  }
  log << " Input file format = " << format_name(sw.format) << "    file(s) = " << files << '\n';
  if (sw.format == InputFormat::cif && !sw.args.block.empty()) log << " CIF data block = " << sw.args.block << '\n';
  if (sw.format == InputFormat::xd)
    log << (sw.use_databank  ? " Multipole model of the XD files : new local frames for the databank populations\n"
            : sw.new_frames ? " Multipole model of the XD files : new local frames, populations turned into them\n"
                            : " Multipole model of the XD files : kept with its local frames\n");
  if (sw.setup_page && !sw.convert_to_xd_only) log << " Pictures : 3D page vorn.html\n";
  if (sw.density_maps && !sw.convert_to_xd_only) {
    log << " Pictures : deformation density maps vorn_map_N.svg in the planes of the planar rings";
    for (const MapPlaneNames& p : sw.map_planes) log << ",\n            and of " << p.atoms[0] << ' ' << p.atoms[1] << ' ' << p.atoms[2];
    log << '\n';
  }
  if (sw.rename.requested) {
    layout::write(log, "(a,i1,a,a,a)", " Change SHELX atom names ( irs=", sw.rename.count_per_type ? 1 : 0, " : ",
                  !sw.rename.count_per_type ? "straightforward counting" : "counting atoms types", " ) ");
  }
  if (sw.convert_to_xd_only) {
    log << '\n'
        << " SIMPLE CONVERSION OF SHELX FILE TO XD FILES WAS REQUESTED\n"
        << " ALL OTHER OPTIONS WILL BE IGNORED !!!!!!\n"
        << '\n'
        << kRule71 << '\n';
    sw.extend_hydrogens = false;
    sw.use_databank = false;
    sw.args.search_rings = false;
    sw.formfactors = FormFactorRequest{};
    sw.setup_page = false;
    sw.density_maps = false;
    sw.corrections.clear();
    return;
  }

  if (sw.complete_fragment_cells == -1) {
    log << " Do not search for complete fragments\n";
  } else {
    sw.complete_fragment_cells = std::abs(sw.complete_fragment_cells);
    layout::write(log, "(a,i3,a,sp,i3,ss,a)", " Search for complete fragments within ", -sw.complete_fragment_cells, " ... ",
                  sw.complete_fragment_cells, " unit cells");
  }

  write_tolerances(sw.tols, log);

  log << " Treatment of disorder :\n";
  log << (sw.disorder.extend_hydrogens ? "   apply Extend_H option\n" : "   do NOT apply Extend_H option\n");
  log << (sw.disorder.use_databank ? "   apply DB\n" : "   do NOT apply DB\n");
  if (sw.use_databank && sw.disorder.use_databank && !sw.disorder.extend_hydrogens) {
    log << "   WARNING!!! Applying DB to disordered H-atoms\n"
        << std::string(14, ' ') << "w/o extending distances is CRAZY !!!\n";
  }

  log << " Instructions for KEY table generation:\n";
  auto& k = sw.lkeys;
  if (!k[kXyzUij]) k[kXyzAll] = k[kXyzOrdered] = false;
  if (!k[kMult]) k[kMultAll] = k[kMultOrdered] = k[kKappas] = false;
  if (k[kXyzAll] && k[kXyzOrdered]) k[kXyzAll] = false;
  if (k[kMultAll] && k[kMultOrdered]) k[kMultAll] = false;
  layout::write(log, "(a,l1,a,l1,a,l1,a)", "   XYZUIJ=.", k[kXyzUij], ". all=.", k[kXyzAll], ". ordered=.",
                k[kXyzOrdered], ".");
  layout::write(log, "(a,l1,a,l1,a,l1,a,l1,a)", "     MULT=.", k[kMult], ". all=.", k[kMultAll], ". ordered=.",
                k[kMultOrdered], ". kappas=.", k[kKappas], ".");

  if (sw.use_databank) {
    log << " Read pseudoatom parameters from databank file :\n"
        << "   " << sw.abank.trimmed() << '\n';
    if (sw.matts_bank) log << "   read as a MATTS-format bank\n";
  }
  if (sw.simple_equivalence) log << " Use simple model for determination of chemical equivalency\n";
  log << (sw.chemical_constraints.hydrogens ? " Use chemical/kappa constraints for H-atoms\n"
                           : " Do NOT use chemical/kappa constraints for H-atoms\n");
  log << (sw.chemical_constraints.other_atoms ? " Use chemical/kappa constraints for non-H atoms\n"
                           : " Do NOT use chemical/kappa constraints for non-H atoms\n");
  if (sw.args.search_rings)
    layout::write(log, "(a,i3,a,i3,a)", " Find rings with ", sw.ring_options.min_size, " - ", sw.ring_options.max_size, " atoms");
  log << " Treatment of atoms that belong to 1 planar ring :\n"
      << (sw.ring_options.mirror_in_planar_ring ? "   always m-symmetry : X - towards center, Y - neighbor in the ring\n"
                                 : "   as other atoms (only mark with iring=1)\n");
  if (sw.extend_hydrogens) {
    log << " Extend H-atoms to standard/neutron distances and create files : \n"
        << "   'reset.bond' with RESET BOND instructions\n"
        << "   'const.bond' with CONSTRAINTS instructions\n";
  }
  if (sw.use_databank) {
    const char* method = sw.args.rescale_method == 1 ? "difference" : sw.args.rescale_method == 2 ? "fraction" : "sigmaPv";
    log << " Scale total population using " << method << " method\n";
  }
  for (const CorrectionLine& c : sw.corrections) {
    const std::vector<std::string>& w = c.words;
    switch (c.kind) {
      case CorrectionLine::Kind::bond: log << " Bond forced between " << w[0] << " and " << w[1] << '\n'; break;
      case CorrectionLine::Kind::nobond: log << " Bond forbidden between " << w[0] << " and " << w[1] << '\n'; break;
      case CorrectionLine::Kind::axes:
        log << " Local frame of " << w[0] << " set : " << w[1] << ' ' << w[2] << ' ' << w[3] << ' ' << w[4] << ' '
            << w[5] << "  symmetry " << w[6] << '\n';
        break;
    }
  }
  if (sw.formfactors.requested) {
    if (sw.formfactors.hkl_file.blank())
      layout::write(log, "(a,f6.3,a)", " Form factors of the model in vorn.tsc for every reflection up to stol =",
                    sw.formfactors.stol, " 1/Angstrom");
    else
      log << " Form factors of the model in vorn.tsc for the reflections of : " << sw.formfactors.hkl_file.trimmed()
          << '\n';
  }

  log << '\n' << kRule71 << '\n';
  log << '\n' << " Atomic covalent radii (Angstroms) : \n" << '\n';
  std::vector<layout::Item> pairs;
  for (int z = 1; z <= kCovradTable; ++z) {
    pairs.emplace_back(two_letter_symbol(z));
    pairs.emplace_back(sw.covrad[static_cast<std::size_t>(z - 1)]);
  }
  log << layout::format_items("(7(3x,a2,f5.2))", pairs) << '\n';
  log << '\n' << kRule71 << '\n';
}

// A kind of key switched on with neither "all" nor "ordered" refines
// nothing for any atom; "all" or "ordered" without its kind switches
// nothing on.  Read before the switches are normalised.
void warn_idle_keys(const Switches& sw, Log& log) {
  if (sw.convert_to_xd_only) return;
  const auto& k = sw.lkeys;
  const struct {
    const char* kind;
    std::size_t on, all, ordered;
  } kinds[] = {{"XYZUIJ", kXyzUij, kXyzAll, kXyzOrdered}, {"MULT", kMult, kMultAll, kMultOrdered}};
  for (const auto& c : kinds) {
    const bool qualified = k[c.all] || k[c.ordered];
    if (k[c.on] && !qualified)
      warn(log, layout::format("(3a)", " WARNING: KEYGEN switches ", c.kind, " on for no atom: star all or ordered after it"));
    if (!k[c.on] && qualified)
      warn(log, layout::format("(5a)", " WARNING: KEYGEN stars all or ordered of ", c.kind, " but not ", c.kind,
                               " itself: no such key is refined"));
  }
}

}  // namespace

Switches read_control_file(Log& log) {
  RecordFile f;
  if (!f.open(kControlFile)) fail(kRoutine, "Unable to open VORN input file vorn.inp");
  to_log(log, "");
  to_log(log, kRule71);
  to_log(log, "");
  to_log(log, " VORN options : ");
  to_log(log, "");
  Switches sw;
  sw.args.rescale_method = 1;
  try {
    read_keywords(sw, log, f);
  } catch (const RunError& e) {
    // A field that does not read is named by its line (the last one of a
    // continued line).
    if (e.routine != kRoutine || e.message != "Error while reading file vorn.inp") throw;
    fail(kRoutine, e.message + ", line " + std::to_string(f.position()));
  }
  f.close();
  if (sw.format == InputFormat::none) fail(kRoutine, "Unknown input file format");
  if (sw.args.rescale_method == 0) fail(kRoutine, "Unknown scaling method");
  if (sw.formfactors.requested && is_cartesian(sw.format))
    fail(kRoutine, "FORMFACTORS needs the cell and the symmetry of the crystal, which AIM2TAB and PLATON input lack");
  warn_idle_keys(sw, log);
  echo(sw, log.log());
  return sw;
}

void write_tolerances(const Tols& t, std::ostream& os) {
  os << " Threshold / Tolerance parameters : \n";
  layout::write(os, "(a,f6.3,a)", "   bond criterion (tol1) : d(i-j) < covR(i) + covR(j) + ", t.bond, " Angstroms");
  layout::write(os, "(a,f7.3,a)", "   ring  planarity criterion (tol2) : sigpln < ", t.ring_planarity, " Angstroms");
  layout::write(os, "(a,f7.3,a)", "   group planarity criterion (tol3) : sigpln < ", t.group_planarity, " Angstroms");
}

void printhelp(std::ostream& os) {
  static constexpr const char* kExample[] = {
      " ",
      "!",
      "! Example of VORN input file (vorn.inp) : ",
      "!",
      "FORMAT  *shelx xd  ",
      "! for SHELX (the example structure bundled with VORN, examples/) :",
      "INPUT   paracetamol.res   rename 0 toxd",
      "! for XD : ",
      "!INPUT   xd.mas xd.inp ",
      "! XD input holding a multipole model: keep its local frames, or build new ones",
      "!FRAMES  *keep new",
      "! 3D page of frames, types and deformation density (vorn.html), density maps",
      "! in the planar rings (vorn_map_1.svg ...) and in the plane of three atoms :",
      "!PICTURES  *page *maps",
      "!MAP  C(1) C(2) C(3)",
      "! etc : ",
      "!INPUT file.inp ",
      "! printout level (higher number gives more printout) :",
      "VERBOSE  4",
      "! tolerances for bonds / planar rings / planar groups",
      "TOLS bond 0.4 ring 0.1 group 0.1",
      "! modify covalent radii",
      "!RADII  H 0.1  He 0.2  Li 0.3 ....",
      "! number of cells in each direction for complete fragment search",
      "! comment it out or set to -1 to turn off search",
      "NCELLS  1",
      "! how to handle disordered part",
      "DISORD  extendH  db",
      "! generation of keys",
      "KEYGEN  *XYZUIJ *all ordered  *MULT *all ordered",
      "! use simple model for determination of chemical equivalency",
      "SIMPLE",
      "! use/do_not_use chemical/kappa contraints for H/non-H atoms",
      "CHEMCON  *hydrogen   *other",
      "! extend H-atoms to neutron/standard distance ",
      "Extend_H",
      "! search for 3-8 membered rings",
      "RINGS  3  8  *special",
      "! assign pseudoatom parameters from a databank (vorn.db: the small",
      "! illustrative bank bundled with VORN, examples/vorn.db)",
      "DATABANK vorn.db",
      "! aspherical form factors of the model for olex2.refine (vorn.tsc) :",
      "! for the reflections of a SHELX HKLF 4 file, or up to sin(theta)/lambda",
      "!FORMFACTORS shelx.hkl",
      "!FORMFACTORS *stol 0.8",
      "! select method for scaling of Pv's ",
      "SCALE *sigma diff fract",
      "! number of fragments ",
      "NFRAG 1",
      "! fragment specifications",
      "!FRAG 1 1 -25",
      "!FRAG 2 26 -50",
      "! net charges of fragments (one per fragment; without it VORN asks)",
      "CHFRAG 0.",
      "! corrections: force or forbid a bond; give an atom its frame as the XD",
      "! atom table writes it (atom ATOM0 AX1 ATOM1 ATOM2 AX2 symmetry label)",
      "!BOND    C(1) C(4)",
      "!NOBOND  C(7) C(8)",
      "!AXES    C(5) C(6) X C(5) C(4) Y m",
      " ",
  };
  for (const char* l : kExample) os << l << '\n';
}

}  // namespace vorn
