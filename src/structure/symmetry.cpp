// Symmetry cards, lattice centring and the inversion centre.
//
// Cards are read in the SHELX/XD style ("SYMM -X, 1/2+Y, 1/2-Z", several
// operators per card separated by ";", or the twelve-number matrix form)
// into the operator list of the model; the list is then multiplied by the
// lattice-centring vectors and, for a centrosymmetric structure, by the
// inversion centre at the origin.
#include "structure/symmetry.hpp"

#include "structure/symmetry_check.hpp"

#include <algorithm>

#include <cmath>
#include <cstdlib>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"

namespace vorn {

namespace {

std::string trimmed_both(std::string_view s) {
  std::size_t a = 0;
  while (a < s.size() && (s[a] == ' ' || s[a] == '\t')) ++a;
  std::size_t b = s.size();
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return std::string(s.substr(a, b - a));
}

// An integer in the narrowest of width w or the width its digits need, so
// operator numbers above 99 stay readable.
std::string number_field(int n, int w) {
  const int need = static_cast<int>(std::to_string(n).size());
  return layout::fmt_i(n, std::max(w, need));
}

bool is_identity(const SymOp& op) {
  for (int i = 0; i < 3; ++i) {
    if (op.trans[static_cast<std::size_t>(i)] != 0.0) return false;
    for (int j = 0; j < 3; ++j)
      if (op.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] != (i == j ? 1.0 : 0.0)) return false;
  }
  return true;
}

// Makes room for one more operator; stops when the list is full.
void grow(std::string_view where, int wanted) {
  if (wanted > kMaxSymm)
    fail(where,
        "Too many symmetry operators: " + std::to_string(wanted) + " needed, the limit is " +
            std::to_string(kMaxSymm));
}

// One operator in matrix form: its number and three lines, line i holding
// rot(i,1), rot(i,2), rot(i,3) and trans(i).
void print_matrix(const Symmetry& sy, std::ostream& log, int n) {
  const SymOp& op = sy.ops[static_cast<std::size_t>(n - 1)];
  log << "\n SYMM " << number_field(n, 2) << '\n';
  for (std::size_t i = 0; i < 3; ++i)
    layout::write(log, "(3f12.6,5x,f12.6)", op.rot[i][0], op.rot[i][1], op.rot[i][2], op.trans[i]);
}

// A number of a coordinate expression from its text: digits with at most
// one decimal point; false when it is not one.
bool read_unsigned(std::string_view text, double& v) {
  if (text.empty() || text.find('.') != text.rfind('.') || text == ".") return false;
  const std::string t(text);
  char* end = nullptr;
  v = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size() && std::isfinite(v);
}

bool is_axis(char c) { return c == 'X' || c == 'Y' || c == 'Z'; }
bool is_digit(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// Translations are kept to the field of the operator listing; a larger one
// is a typing error, not a crystal.
constexpr double kLargestTranslation = 10.0;

// The determinant of the rotation part: +1 or -1 for a proper operator.
double determinant(const SymOp& op) {
  const auto& r = op.rot;
  return static_cast<double>(r[0][0]) * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
         static_cast<double>(r[0][1]) * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
         static_cast<double>(r[0][2]) * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
}

}  // namespace

std::string read_expression(std::string_view expr, double coef[3], double& trans) {
  std::string e;
  for (char c : expr)
    if (c != ' ' && c != '\t') e += c;
  to_upper_case(e);
  coef[0] = coef[1] = coef[2] = 0.0;
  trans = 0.0;
  const std::string quoted = "'" + e + "'";
  if (e.empty()) return "an empty coordinate expression";
  bool axis_seen[3] = {false, false, false};
  bool translation_seen = false;
  std::size_t p = 0;
  while (p < e.size()) {
    double sign = 1.0;
    if (e[p] == '+' || e[p] == '-') {
      sign = e[p] == '-' ? -1.0 : 1.0;
      ++p;
    } else if (p > 0) {
      return quoted + " does not read";   // terms are joined by a sign
    }
    if (p >= e.size()) return quoted + " ends in a sign";
    if (is_axis(e[p])) {
      const int axis = e[p] - 'X';
      if (axis_seen[axis]) return quoted + " holds " + e[p] + " twice";
      axis_seen[axis] = true;
      coef[axis] = sign;
      ++p;
      continue;
    }
    std::size_t q = p;
    while (q < e.size() && is_digit(e[q])) ++q;
    double num = 0, den = 1;
    if (!read_unsigned(std::string_view(e).substr(p, q - p), num)) return quoted + " does not read";
    if (q < e.size() && e[q] == '/') {
      std::size_t r = ++q;
      while (r < e.size() && is_digit(e[r])) ++r;
      if (!read_unsigned(std::string_view(e).substr(q, r - q), den)) return quoted + " does not read";
      q = r;
    }
    if (q < e.size() && is_axis(e[q])) return quoted + " has a coefficient other than 1 or -1";
    if (den == 0) return quoted + " divides by zero";
    if (translation_seen) return quoted + " has two translations";
    translation_seen = true;
    const double t = sign * num / den;
    if (!(std::fabs(t) < kLargestTranslation)) return quoted + " has a translation out of range";
    trans = static_cast<double>(t);
    p = q;
  }
  return {};
}


std::vector<std::string> split(std::string_view text, char sep, int maxcount) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    // The last allowed piece takes the rest of the text.
    const bool last = maxcount > 0 && static_cast<int>(pieces.size()) + 1 >= maxcount;
    std::size_t p = sep == ' ' ? text.find_first_of(" \t", start) : text.find(sep, start);
    if (last) p = std::string_view::npos;
    const std::string piece = trimmed_both(text.substr(start, p == std::string_view::npos ? p : p - start));
    if (!(sep != ',' && piece.empty())) pieces.push_back(piece);
    if (p == std::string_view::npos) break;
    start = p + 1;
  }
  return pieces;
}

bool find_record_with_key(RecordFile& f, std::string_view key, bool rewind, std::string& line) {
  if (rewind) f.rewind();
  std::string raw;
  while (f.next(raw, kLineLength)) {
    if (upcased(raw.substr(0, key.size())) == upcased(key)) {
      line = raw;
      return true;
    }
  }
  return false;
}

bool symop(std::string_view expr, double coef[3], double& trans) { return read_expression(expr, coef, trans).empty(); }

int add_symmetry_card(Symmetry& sy, std::string_view card, std::string* why) {
  std::string reason;
  std::string text(card);
  // A "!" starts a comment, as in SHELX files.
  if (const std::size_t bang = text.find('!'); bang != std::string::npos) text.erase(bang);
  const std::string head = upcased(text.substr(0, std::min<std::size_t>(text.size(), 4)));
  std::size_t skip = 0;
  if (head == "SYMM") skip = 4;
  else if (head.rfind("SYM", 0) == 0) skip = 3;
  text.erase(0, skip);
  for (const std::string& optext : split(text, ';', 3)) {
    const std::string opt = upcased(optext);
    grow("SymCrd", sy.count() + 1);
    SymOp op;
    op.rot = {};
    const std::vector<std::string> pieces = split(opt, opt.find(',') != std::string::npos ? ',' : ' ', 12);
    if (pieces.size() == 3) {
      for (std::size_t j = 0; j < 3 && reason.empty(); ++j) {
        double coef[3];
        double t = 0;
        reason = read_expression(pieces[j], coef, t);
        for (std::size_t i = 0; i < 3; ++i) op.rot[i][j] = coef[i];
        op.trans[j] = t;
      }
    } else if (pieces.size() == 12) {
      for (std::size_t j = 0; j < 3 && reason.empty(); ++j) {
        double v[4];
        for (std::size_t k = 0; k < 4 && reason.empty(); ++k)
          if (!layout::read_fixed_word(pieces[4 * j + k], v[k]) || !std::isfinite(v[k]))
            reason = "'" + pieces[4 * j + k] + "' is not a number";
        if (!reason.empty()) break;
        if (!(std::fabs(v[0]) < kLargestTranslation)) reason = "a translation out of range";
        op.trans[j] = v[0];
        for (std::size_t i = 0; i < 3; ++i) op.rot[i][j] = v[i + 1];
      }
    } else {
      reason = std::to_string(pieces.size()) + (pieces.size() == 1 ? " part" : " parts") +
               " instead of 3 coordinate expressions or 12 numbers";
    }
    // X, Y and Z must each stand in the operator so that it maps the
    // crystal onto itself: the rotation is invertible with determinant 1 or -1.
    if (reason.empty() && std::fabs(std::fabs(determinant(op)) - 1.0) > 1e-4)
      reason = "the rotation part has determinant " + layout::fmt_f(determinant(op), 8, 3) +
               ", not 1 or -1";
    if (!reason.empty()) {
      if (why) *why = reason;
      return 1;
    }
    // The identity is the list's first operator already.
    if (!is_identity(op)) sy.ops.push_back(op);
  }
  return 0;
}

Symmetry read_symmetry_cards(RecordFile& f, std::ostream& log, const UnitCell* cell,
                             std::vector<std::string>* places) {
  Symmetry sy;
  sy.ops.assign(1, SymOp{});
  if (places) places->assign(1, "");
  f.rewind();
  std::string line;
  while (find_record_with_key(f, "SYM", false, line)) {
    // A card that is not a proper operator would leave the structure in
    // the wrong space group: the run stops at it.
    std::string why;
    const int before = sy.count();
    if (add_symmetry_card(sy, line, &why) != 0)
      fail("SymCrd", "Symmetry card on " + f.where() + " is not a proper operator (" + why +
                         "): " + trimmed_both(line));
    for (int n = before; n < sy.count(); ++n) {
      if (cell)
        if (const std::string fault = isometry_fault(sy.ops[static_cast<std::size_t>(n)], *cell); !fault.empty())
          fail("SymCrd", "Symmetry card on " + f.where() + " is no symmetry of the cell (" + fault +
                             "): " + trimmed_both(line));
      if (places) places->push_back(f.where());
    }
  }
  for (int n = 1; n <= sy.count(); ++n) write_operator(sy, log, n);
  return sy;
}

void add_lattice_centring(Symmetry& sy, Log& out, char letter) {
  std::vector<std::array<double, 3>> vectors;
  switch (letter) {
    case 'P': break;
    case 'A': vectors = {{0.0, 0.5, 0.5}}; break;
    case 'B': vectors = {{0.5, 0.0, 0.5}}; break;
    case 'C': vectors = {{0.5, 0.5, 0.0}}; break;
    case 'I': vectors = {{0.5, 0.5, 0.5}}; break;
    case 'F': vectors = {{0.5, 0.5, 0.0}, {0.0, 0.5, 0.5}, {0.5, 0.0, 0.5}}; break;
    // Rhombohedral on hexagonal axes, obverse setting (the one SHELX's
    // LATT 3 and the International Tables use).
    case 'R': vectors = {{2.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0}, {1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0}}; break;
    default:
      fail("NonP", std::string("Lattice type ") + letter + " is not supported (P, A, B, C, I, F or R)");
  }
  const int points = static_cast<int>(vectors.size()) + 1;
  std::ostream& log = out.log();
  log << "\n Non-Primitive lattice...\n";
  layout::write(log, "(3a)", " Lattice centring type is [ ", std::string(1, letter), " ]");
  layout::write(log, "(a,i1)", " Number of lattice points per cell = ", points);
  const std::size_t n0 = sy.ops.size();
  grow("NonP", points * sy.count());
  // The operators for each centring vector follow the primitive ones, in
  // the order of the vectors.
  for (const auto& v : vectors)
    for (std::size_t n = 0; n < n0; ++n) {
      SymOp op = sy.ops[n];
      for (std::size_t j = 0; j < 3; ++j) op.trans[j] += v[j];
      sy.ops.push_back(op);
    }
  reduce_translations(sy);
  log << "\n Symmetry operations after applying the lattice centering:\n";
  write_symmetry_operators(sy, out);
}

void add_inversion_centre(Symmetry& sy, std::ostream& log) {
  const std::size_t n0 = sy.ops.size();
  grow("AddCentSymm", 2 * sy.count());
  for (std::size_t n = 0; n < n0; ++n) {
    SymOp op = sy.ops[n];
    // 0 - v rather than -v: no negative zeros in the listings.
    for (auto& row : op.rot)
      for (double& v : row) v = 0.0 - v;
    for (double& t : op.trans) t = 0.0 - t;
    sy.ops.push_back(op);
  }
  log << "\n Symmetry operations with Center of Symmetry applied: " << number_field(sy.count(), 4) << '\n';
  for (int n = 1; n <= sy.count(); ++n) print_matrix(sy, log, n);
}

void reduce_translations(Symmetry& sy) {
  for (SymOp& op : sy.ops)
    for (double& t : op.trans)
      if (std::fabs(t) >= 1.0) t = std::fmod(t, 1.0);
}

std::string operator_text(const SymOp& op) {
  static constexpr char kAxis[3] = {'X', 'Y', 'Z'};
  std::string out;
  for (std::size_t j = 0; j < 3; ++j) {
    std::string e;
    const double t = op.trans[j];
    if (t != 0.0) {
      // The nearest twelfth, shown with the smallest denominator.
      // Worked in wide integers: a card may carry an absurd translation,
      // which then prints as asterisks instead of overflowing.
      const double tt = std::clamp(static_cast<double>(t), -1e12, 1e12);
      const long long w = std::llround(12.0 * tt);
      long long d = 12;
      for (long long cand : {2LL, 3LL, 4LL, 6LL, 12LL})
        if (w % (12 / cand) == 0) {
          d = cand;
          break;
        }
      e += layout::format("(i2,'/',i1)", w * d / 12, d);
    }
    for (std::size_t i = 0; i < 3; ++i) {
      const double c = op.rot[i][j];
      if (c == 0.0) continue;
      e += c > 0 ? " + " : " - ";
      if (std::fabs(c) != 1.0) e += layout::fmt_f(std::fabs(c), 3, 1);
      e += kAxis[i];
    }
    if (j > 0) out += ',';
    out += e;
  }
  return out;
}

void write_operator(const Symmetry& sy, std::ostream& log, int n) {
  layout::write(log, "(3x,'SYMM', I3, 5X, A)", n, operator_text(sy.ops[static_cast<std::size_t>(n - 1)]));
}

void write_symmetry_operators(const Symmetry& sy, Log& out) {
  std::ostream& log = out.log();
  log << "\n Number of symmetry operations = " << number_field(sy.count(), 2) << '\n';
  if (out.shows(2))
    for (int n = 1; n <= sy.count(); ++n) print_matrix(sy, log, n);
}

}  // namespace vorn
