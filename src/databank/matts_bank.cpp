// Reading a MATTS-format pseudoatom bank.  The file is line oriented: a
// SETTINGS block, then ENTRY records whose sections are opened by lines
// holding only their name; an entry ends with the first empty line after
// its MULTIPOLE MODEL PARAMETERS.  Every fault names the file and line.
#include "databank/matts_bank.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include <gemmi/elem.hpp>
#include <gemmi/util.hpp>

#include "layout/run_error.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

constexpr const char* kRoutine = "ReadMATTS";

std::vector<std::string> words_of(const std::string& line) {
  return gemmi::split_str_multi(line, " \t");
}

std::string trimmed(const std::string& s) { return gemmi::trim_str(s); }

// The lines of the file as records, with their 1-based numbers.
struct Lines {
  const std::string& path;
  std::vector<std::string> text;
  [[noreturn]] void fault(std::size_t k, const std::string& what) const {
    fail(kRoutine, what + " on line " + std::to_string(k + 1) + " of databank file " + path);
  }
};

std::vector<std::string> all_records(RecordFile& file) {
  std::vector<std::string> v;
  file.rewind();
  std::string line;
  while (file.next(line, 0)) v.push_back(line);
  file.rewind();
  return v;
}

// A number, optionally with its standard uncertainty in brackets:
// `1.092(38)` is 1.092 with s.u. 0.038.
std::optional<std::pair<double, double>> number_with_su(const std::string& w) {
  std::string digits = w;
  double su = 0;
  const std::size_t open = w.find('(');
  if (open != std::string::npos) {
    const std::size_t close = w.find(')', open);
    if (close == std::string::npos || close == open + 1) return std::nullopt;
    const std::string inner = w.substr(open + 1, close - open - 1);
    if (!std::all_of(inner.begin(), inner.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
      return std::nullopt;
    const std::string mantissa = w.substr(0, open);
    const std::size_t dot = mantissa.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    digits = mantissa + w.substr(close + 1);
    int exponent = 0;
    const std::string tail = w.substr(close + 1);
    if (!tail.empty()) {
      if (tail[0] != 'e' && tail[0] != 'E') return std::nullopt;
      char* end = nullptr;
      const long e = std::strtol(tail.c_str() + 1, &end, 10);
      if (*end != '\0' || tail.size() == 1 || e < -300 || e > 300) return std::nullopt;
      exponent = static_cast<int>(e);
    }
    if (inner.size() > 15) return std::nullopt;
    su = std::stod(inner) * std::pow(10.0, exponent - decimals);
  }
  if (digits.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(digits.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v) || !std::isfinite(su)) return std::nullopt;
  return std::make_pair(v, su);
}

bool is_int(const std::string& w, int& v) {
  if (w.empty() || w.size() > 6) return false;
  char* end = nullptr;
  const long x = std::strtol(w.c_str(), &end, 10);
  if (*end != '\0') return false;
  v = static_cast<int>(x);
  return true;
}

// SETTINGS: each known key is found in its line and takes the line's last
// word.  The ring threshold is looked for after the atom-in-ring one so that
// the longer key, which contains the shorter, keeps its own line.
void read_settings(const Lines& f, std::size_t& k, MattsSettings& s) {
  for (++k; k < f.text.size(); ++k) {
    const std::string line = trimmed(f.text[k]);
    if (line.empty()) return;
    if (line[0] == '#') continue;
    const std::vector<std::string> w = words_of(line);
    auto value = [&]() {
      const auto v = number_with_su(w.back());
      if (!v || v->first < 0) f.fault(k, "The setting \"" + line + "\" has no valid number");
      return v->first;
    };
    if (line.find("covalent bond threshold") != std::string::npos)
      s.bond_tolerance = value();
    else if (line.find("atom in ring planarity threshold") != std::string::npos)
      s.atom_in_ring_planarity = value();
    else if (line.find("ring planarity threshold") != std::string::npos)
      s.ring_planarity = value();
    else if (line.find("atom in planar ring max number of neighbours") != std::string::npos)
      s.ring_atom_max_neighbours = static_cast<int>(std::min(value(), 1000.0));
  }
}

// Atom label `C12`, `Cl3`, `X4`: the element is the label without digits.
bool label_element(const std::string& label, int& z, bool& any) {
  if (label.empty() || !std::isupper(static_cast<unsigned char>(label[0]))) return false;
  if (!std::isdigit(static_cast<unsigned char>(label.back()))) return false;
  std::string sym;
  for (char c : label)
    if (!std::isdigit(static_cast<unsigned char>(c))) sym += c;
  any = sym == "X";
  z = any ? 0 : matts_element(sym);
  return true;
}

// The neighbour count of a ring field: `*`, `-`, `+` or a number.
bool ring_count(const std::string& w, int& n) {
  if (w == "*") n = kAnyRingCount;
  else if (w == "-") n = 0;
  else if (w == "+") n = kSomeRings;
  else return is_int(w, n) && n >= 0;
  return true;
}

bool ring_condition(const std::string& w, MattsRingCondition& r) {
  using K = MattsRingCondition::Kind;
  if (w == "*") { r.kind = K::any; return true; }
  if (w == "-" || w == "Ar-") { r.kind = K::none; return true; }
  if (w == "+" || w == "Ar+") { r.kind = K::some; return true; }
  r.kind = K::patterns;
  for (const std::string& t : gemmi::split_str(w, ',')) {
    if (t == "*") { r.more_allowed = true; continue; }
    MattsRingSpec pattern;
    std::size_t p = 0;
    if (!t.empty() && t[0] == '!') { pattern.forbidden = true; p = 1; }
    std::size_t q = p;
    while (q < t.size() && std::isdigit(static_cast<unsigned char>(t[q]))) ++q;
    if (q == p || q - p > 2) return false;
    pattern.size = std::atoi(t.substr(p, q - p).c_str());
    pattern.label = t.substr(q);
    if (pattern.size < 3 || pattern.size > 8) return false;
    if (!std::all_of(pattern.label.begin(), pattern.label.end(), [](unsigned char c) { return std::isalpha(c) != 0; }))
      return false;
    if (!pattern.label.empty()) pattern.label = t.substr(p);   // `6A`: the size belongs to the label
    r.patterns.push_back(pattern);
  }
  return true;
}

struct RawAtom {
  std::size_t line;
  std::vector<std::string> words;
};

int find_label(const std::vector<MattsAtom>& atoms, const std::string& label) {
  for (std::size_t i = 0; i < atoms.size(); ++i)
    if (atoms[i].label == label) return static_cast<int>(i);
  return -1;
}

// The descriptor lines of an entry: labels first (so that a list may name
// an atom given further down), then every list and field.
std::vector<MattsAtom> read_descriptors(const Lines& f, const std::vector<RawAtom>& raw) {
  std::vector<MattsAtom> atoms;
  for (const RawAtom& r : raw) {
    if (r.words.size() != 11 && r.words.size() != 7)
      f.fault(r.line, "An atom descriptor needs 7 or 11 words, not " + std::to_string(r.words.size()));
    MattsAtom a;
    a.label = r.words[0];
    if (!label_element(a.label, a.z, a.any_element)) f.fault(r.line, "The atom label " + a.label + " does not read");
    if (find_label(atoms, a.label) >= 0) f.fault(r.line, "The atom label " + a.label + " is given twice");
    atoms.push_back(a);
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const RawAtom& r = raw[i];
    MattsAtom& a = atoms[i];
    const std::string& list = r.words[2];
    if (list != "-") {
      for (const std::string& t : gemmi::split_str(list, ',')) {
        if (t == "*") { a.at_least = true; continue; }
        ++a.count;
        if (t == "X") continue;
        if (!t.empty() && t[0] == '!') {
          const int z = matts_element(t.substr(1));
          if (z == 0) f.fault(r.line, "The neighbour " + t + " names no element");
          a.not_elements.push_back(z);
          continue;
        }
        if (!t.empty() && std::isdigit(static_cast<unsigned char>(t.back()))) {
          const int n = find_label(atoms, t);
          if (n < 0 || n == static_cast<int>(i)) f.fault(r.line, "The neighbour " + t + " is no other atom of the entry");
          a.named.push_back(n);
          continue;
        }
        const int z = matts_element(t);
        if (z == 0) f.fault(r.line, "The neighbour " + t + " is no element, label, X, !El or *");
        a.elements.push_back(z);
      }
    }
    const std::string& planar = r.words[4];
    if (planar == "+") a.planarity = MattsPlanarity::planar;
    else if (planar == "-") a.planarity = MattsPlanarity::nonplanar;
    else if (planar != "*") f.fault(r.line, "The planarity " + planar + " is not +, - or *");
    if (!ring_condition(r.words[6], a.planar_rings)) f.fault(r.line, "The planar-ring field " + r.words[6] + " does not read");
    if (r.words.size() == 11) {
      if (!ring_count(r.words[8], a.in_3_rings)) f.fault(r.line, "The 3-ring field " + r.words[8] + " does not read");
      if (!ring_count(r.words[10], a.in_4_rings)) f.fault(r.line, "The 4-ring field " + r.words[10] + " does not read");
    }
  }
  // A bond is declared on both of its atoms.
  for (std::size_t i = 0; i < atoms.size(); ++i)
    for (int n : atoms[i].named) {
      const auto& back = atoms[static_cast<std::size_t>(n)].named;
      if (std::find(back.begin(), back.end(), static_cast<int>(i)) == back.end())
        f.fault(raw[i].line, "The bond " + atoms[i].label + "-" + atoms[static_cast<std::size_t>(n)].label +
                                 " is not listed by " + atoms[static_cast<std::size_t>(n)].label);
    }
  return atoms;
}

// `C2`, `H(C2)`, `!H(C2)`, `!(C2)`, `any_atom(C2)`, `r(6A)`,
// `average_direction(C2,H)`, `any_orthogonal`.
MattsAxisRef read_axis_ref(const Lines& f, std::size_t k, const std::vector<MattsAtom>& atoms, const std::string& w) {
  using K = MattsAxisRef::Kind;
  MattsAxisRef r;
  r.text = w;
  auto named = [&](const std::string& label) {
    const int n = find_label(atoms, label);
    if (n < 0) f.fault(k, "The axis point " + w + " names no atom of the entry");
    return n;
  };
  if (w == "any_orthogonal") return r;
  const std::size_t open = w.find('(');
  if (open == std::string::npos) {
    r.kind = K::named;
    r.atom = named(w);
    if (r.atom == 0) f.fault(k, "The axis point " + w + " is the central atom");
    return r;
  }
  if (w.back() != ')') f.fault(k, "The axis point " + w + " does not read");
  const std::string head = w.substr(0, open);
  const std::string inner = w.substr(open + 1, w.size() - open - 2);
  if (head == "r") {
    MattsRingCondition c;
    if (!ring_condition(inner, c) || c.patterns.size() != 1 || c.patterns[0].label.empty() || c.patterns[0].forbidden)
      f.fault(k, "The ring " + w + " is no labelled ring");
    r.kind = K::ring;
    r.ring = inner;
    return r;
  }
  if (head == "average_direction") {
    r.kind = K::average_direction;
    for (const std::string& t : gemmi::split_str(inner, ',')) {
      if (!t.empty() && std::isdigit(static_cast<unsigned char>(t.back()))) {
        r.named.push_back(named(t));
      } else {
        const int z = matts_element(t);
        if (z == 0) f.fault(k, "The direction " + w + " lists " + t + ", no atom or element");
        r.elements.push_back(z);
      }
    }
    if (r.named.size() + r.elements.size() == 0) f.fault(k, "The direction " + w + " lists no point");
    return r;
  }
  r.kind = K::neighbour_of;
  r.atom = named(inner);
  if (head == "any_atom" || head == "!") return r;
  std::string sym = head;
  if (!sym.empty() && sym[0] == '!') { r.not_z = true; sym = sym.substr(1); }
  r.z = matts_element(sym);
  if (r.z == 0) f.fault(k, "The axis point " + w + " does not read");
  return r;
}

MattsFrameDef read_frame(const Lines& f, std::size_t k, const std::vector<MattsAtom>& atoms) {
  const std::vector<std::string> w = words_of(f.text[k]);
  if (w.size() != 5) f.fault(k, "The local coordinate system needs 5 words");
  MattsFrameDef d;
  for (int i = 0; i < 2; ++i) {
    const std::string& axis = w[static_cast<std::size_t>(2 * i)];
    if (axis != "X" && axis != "Y" && axis != "Z") f.fault(k, "The axis " + axis + " is not X, Y or Z");
    d.axis[static_cast<std::size_t>(i)] = axis[0];
    d.ref[static_cast<std::size_t>(i)] = read_axis_ref(f, k, atoms, w[static_cast<std::size_t>(2 * i + 1)]);
  }
  if (d.axis[0] == d.axis[1]) f.fault(k, "The two axes of the local coordinate system are the same");
  if (w[4] != "R" && w[4] != "L") f.fault(k, "The hand " + w[4] + " is not R or L");
  d.left = w[4] == "L";
  return d;
}

// PVAL v KAPPA v KPRIM v [SIGPV s], then groups of PLMS l m value.
void read_parameters(const Lines& f, std::size_t& k, MattsEntry& e) {
  if (k >= f.text.size() || trimmed(f.text[k]).empty()) f.fault(k, "The entry " + e.id + " has no PVAL line");
  const std::vector<std::string> w = words_of(f.text[k]);
  if (w.size() != 6 && w.size() != 8) f.fault(k, "The PVAL line needs 6 or 8 words");
  auto number = [&](const std::string& s) {
    const auto v = number_with_su(s);
    if (!v) f.fault(k, "The number " + s + " does not read");
    return *v;
  };
  const auto pv = number(w[1]);
  e.pv = pv.first;
  e.sigpv = w.size() == 8 ? number(w[7]).first : pv.second;
  e.kappa = number(w[3]).first;
  e.kprim = number(w[5]).first;
  if (e.kappa <= 0 || e.kprim <= 0 || e.kappa > 100 || e.kprim > 100 || std::abs(e.pv) > 1000 || e.sigpv < 0)
    f.fault(k, "The PVAL line holds a value out of range");
  for (++k; k < f.text.size(); ++k) {
    if (trimmed(f.text[k]).empty()) return;
    const std::vector<std::string> p = words_of(f.text[k]);
    if (p.size() % 4 != 0) f.fault(k, "A PLMS group needs 4 words");
    for (std::size_t g = 0; g < p.size(); g += 4) {
      int l = 0, m = 0;
      if (p[g] != "PLMS" || !is_int(p[g + 1], l) || !is_int(p[g + 2], m) || l < 0 || l > 4 || std::abs(m) > l)
        f.fault(k, "The group " + p[g] + " " + p[g + 1] + " " + p[g + 2] + " is no PLMS l m");
      const double v = number(p[g + 3]).first;
      if (std::abs(v) > 100) f.fault(k, "The population " + p[g + 3] + " is out of range");
      e.plm[static_cast<std::size_t>(l)][static_cast<std::size_t>(l + m)] = v;
    }
  }
}

enum class Section { none, id, comment, noi, descriptors, frame, symmetry, chirality, ignored };

std::optional<Section> section_of(const std::string& line) {
  static const std::map<std::string, Section> names = {
      {"ID", Section::id},
      {"COMMENT", Section::comment},
      {"NOI", Section::noi},
      {"ATOM DESCRIPTORS", Section::descriptors},
      {"LOCAL COORDINATE SYSTEM", Section::frame},
      {"SYMMETRY", Section::symmetry},
      {"CHIRALITY", Section::chirality},
      {"PARAMETER MODIFCATION DATE", Section::ignored},
      {"PARAMETER MODIFICATION DATE", Section::ignored},
      {"ENTRY CREATION DATE", Section::ignored},
      {"DEFINITION MODIFICATION DATE", Section::ignored},
      {"END", Section::ignored},
  };
  const auto it = names.find(line);
  if (it == names.end()) return std::nullopt;
  return it->second;
}

// One entry from its ENTRY line; k is left on the line after it.
MattsEntry read_entry(const Lines& f, std::size_t& k) {
  MattsEntry e;
  e.line = k + 1;
  Section section = Section::none;
  std::vector<RawAtom> raw;
  std::optional<std::size_t> frame_line, symmetry_line, chirality_line;
  bool has_comment = false;
  for (++k;; ++k) {
    if (k >= f.text.size()) f.fault(k - 1, "The entry starting on line " + std::to_string(e.line) + " ends before its parameters");
    const std::string line = trimmed(f.text[k]);
    if (line.empty()) f.fault(k, "An empty line inside the entry starting on line " + std::to_string(e.line));
    if (line == "MULTIPOLE MODEL PARAMETERS" || line == "MULTIPOLE MODEL PARAMTERS") break;
    if (line[0] == '#') continue;
    if (line == "ENTRY" || line == "SETTINGS")
      f.fault(k, "The entry starting on line " + std::to_string(e.line) + " ends before its parameters");
    if (const auto s = section_of(line)) {
      section = *s;
      if (section == Section::comment) has_comment = true;
      continue;
    }
    switch (section) {
      case Section::none: f.fault(k, "The line \"" + line + "\" belongs to no section of the entry");
      case Section::id: if (e.id.empty()) e.id = line; break;
      case Section::comment: e.comment += (e.comment.empty() ? "" : " ") + line; break;
      case Section::noi: {
        int n = 0;
        if (e.instances == 0 && is_int(words_of(line)[0], n) && n >= 0) e.instances = n;
        break;
      }
      case Section::descriptors: raw.push_back({k, words_of(line)}); break;
      case Section::frame: if (!frame_line) frame_line = k; break;
      case Section::symmetry: if (!symmetry_line) symmetry_line = k; break;
      case Section::chirality: if (!chirality_line) chirality_line = k; break;
      case Section::ignored: break;
    }
  }
  const std::size_t params = k;
  auto missing = [&](const char* what) {
    f.fault(params, std::string("The entry starting on line ") + std::to_string(e.line) + " has no " + what);
  };
  if (!has_comment) missing("COMMENT");
  if (raw.empty()) missing("ATOM DESCRIPTORS");
  if (!frame_line) missing("LOCAL COORDINATE SYSTEM");
  if (!symmetry_line) missing("SYMMETRY");
  if (e.id.empty()) {
    const auto w = words_of(e.comment);
    if (w.empty()) missing("ID");
    e.id = w[0];
  }
  e.atoms = read_descriptors(f, raw);
  e.frame = read_frame(f, *frame_line, e.atoms);
  e.symmetry = words_of(f.text[*symmetry_line])[0];
  if (chirality_line) {
    const auto w = words_of(f.text[*chirality_line]);
    if (w.size() != 3) f.fault(*chirality_line, "The chirality needs three atom labels");
    for (std::size_t i = 0; i < 3; ++i) {
      e.chirality[i] = find_label(e.atoms, w[i]);
      if (e.chirality[i] <= 0) f.fault(*chirality_line, "The chirality atom " + w[i] + " is no named atom of the entry");
    }
    e.chiral = true;
  }
  ++k;
  read_parameters(f, k, e);
  return e;
}

}  // namespace

int matts_element(std::string_view symbol) {
  if (symbol.empty() || symbol.size() > 2 || !std::isupper(static_cast<unsigned char>(symbol[0]))) return 0;
  std::string s(symbol);
  for (std::size_t i = 1; i < s.size(); ++i) s[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
  const gemmi::Element el = gemmi::find_element(s.c_str());
  return el == gemmi::El::X || el.name() != s ? 0 : el.atomic_number();
}

bool looks_like_matts_bank(RecordFile& file) {
  for (const std::string& line : all_records(file)) {
    const std::string t = trimmed(line);
    if (t == "SETTINGS" || t == "ENTRY") return true;
  }
  return false;
}

bool looks_like_own_bank(RecordFile& file) {
  for (const std::string& line : all_records(file))
    if (line.compare(0, 4, "ATOM") == 0) return true;
  return false;
}

bool is_matts_bank(RecordFile& file, bool forced) {
  if (forced || looks_like_matts_bank(file)) return true;
  if (looks_like_own_bank(file)) return false;
  fail("OpenDB", "The databank file " + file.path() +
                     " is in no known format: neither a MATTS bank (SETTINGS and ENTRY records) nor ATOM entries");
}

MattsBank read_matts_bank(RecordFile& file) {
  MattsBank bank;
  bank.path = file.path();
  const Lines f{bank.path, all_records(file)};
  for (std::size_t k = 0; k < f.text.size(); ++k) {
    const std::string line = trimmed(f.text[k]);
    if (line.empty() || line[0] == '#') continue;
    if (line == "SETTINGS") {
      read_settings(f, k, bank.settings);
    } else if (line == "ENTRY") {
      bank.entries.push_back(read_entry(f, k));
    } else if (line == "ELEMENTS_GROUP") {
      ++k;   // its definition line; no groups are used by the entries read here
    } else {
      f.fault(k, "The line \"" + line.substr(0, 40) + "\" is no SETTINGS, ENTRY or comment");
    }
  }
  if (bank.entries.empty()) fail(kRoutine, "The databank file " + bank.path + " holds no ENTRY");
  return bank;
}

void report_matts_bank(const MattsBank& bank, const Model& model, Log& log) {
  const MattsSettings& s = bank.settings;
  to_log(log, "");
  to_both(log, " MATTS bank " + bank.path + " : " + std::to_string(bank.entries.size()) + " entries");
  char line[160];
  std::snprintf(line, sizeof line,
                "   bond tolerance %.3f A, ring planarity %.3f A, atom in ring planarity %.3f A, ring atoms with at "
                "most %d neighbours",
                s.bond_tolerance, s.ring_planarity, s.atom_in_ring_planarity, s.ring_atom_max_neighbours);
  to_log(log, line);
  std::vector<bool> in_bank(kMaxElementSymbol + 1, false);
  for (const MattsEntry& e : bank.entries)
    if (e.atoms[0].z > 0 && e.atoms[0].z <= kMaxElementSymbol) in_bank[static_cast<std::size_t>(e.atoms[0].z)] = true;
  std::vector<bool> named(kMaxElementSymbol + 1, false);
  std::string absent;
  for (int i = 0; i < model.natom; ++i) {
    const int z = model.atoms[i].atomic_number;
    if (z <= 0 || z > kMaxElementSymbol || in_bank[static_cast<std::size_t>(z)] || named[static_cast<std::size_t>(z)])
      continue;
    named[static_cast<std::size_t>(z)] = true;
    absent += ' ' + std::string(gemmi::trim_str(std::string(two_letter_symbol(z))));
  }
  if (!absent.empty())
    warn(log, " WARNING: the databank has no entry for the element(s)" + absent + ": their atoms stay spherical");
}

}  // namespace vorn
