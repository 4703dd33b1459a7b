// Symmetry cards, lattice centring and the inversion centre.
//
// Cards are read in the SHELX/XD style ("SYMM -X, 1/2+Y, 1/2-Z", several
// operators per card separated by ";", or the twelve-number matrix form)
// into the operator list of the model; the list is then multiplied by the
// lattice-centring vectors and, for a centrosymmetric structure, by the
// inversion centre at the origin.
#include "structure/symmetry.hpp"

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
    if (op.trans[static_cast<std::size_t>(i)] != 0.0f) return false;
    for (int j = 0; j < 3; ++j)
      if (op.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] != (i == j ? 1.0f : 0.0f)) return false;
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
  const SymOp& op = sy.op[n];
  log << "\n SYMM " << number_field(n, 2) << '\n';
  for (std::size_t i = 0; i < 3; ++i)
    layout::write(log, "(3f12.6,5x,f12.6)", op.rot[i][0], op.rot[i][1], op.rot[i][2], op.trans[i]);
}

// Translation part of one coordinate expression, after its axis terms are
// cut out: a decimal number, or a fraction such as 1/2, -1/4 or 5/6.
bool read_translation(const std::string& rest, float& t) {
  if (rest.empty()) {
    t = 0.0f;
    return true;
  }
  if (rest.find('/') == std::string::npos) {
    double v = 0;
    if (layout::read_fixed_word(rest, v)) {
      t = static_cast<float>(v);
      return true;
    }
  }
  // Digit scan: '/' switches from the numerator to the denominator; a '-'
  // just before a number makes it negative; other characters are ignored.
  long long part[2] = {0, 1};
  int sign[2] = {1, 1};
  int cur = 0;
  bool in_digits = false;
  int next_sign = 1;
  for (char c : rest) {
    if (c == '/') {
      cur = 1;
      in_digits = false;
    } else if (c >= '0' && c <= '9') {
      const int d = c - '0';
      if (!in_digits) {
        part[cur] = d;
        sign[cur] = next_sign;
        in_digits = true;
      } else if (part[cur] < 100000000) {
        part[cur] = part[cur] * 10 + d;
      }
    } else {
      in_digits = false;
    }
    next_sign = c == '-' ? -1 : 1;
  }
  const long long num = sign[0] * part[0];
  const long long den = sign[1] * part[1];
  if (den == 0) return false;
  t = static_cast<float>(static_cast<double>(num) / static_cast<double>(den));
  return true;
}

}  // namespace

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

bool srchl(RecordFile& f, std::string_view key, bool rewind, std::string& line) {
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

bool removerot(std::string& expr, float coef[3]) {
  static constexpr const char* kTerms[9] = {"+X", "+Y", "+Z", "-X", "-Y", "-Z", "X", "Y", "Z"};
  static constexpr float kSign[9] = {1, 1, 1, -1, -1, -1, 1, 1, 1};
  bool set[3] = {false, false, false};
  coef[0] = coef[1] = coef[2] = 0.0f;
  for (int k = 0; k < 9; ++k) {
    const int axis = k % 3;
    if (set[axis]) continue;
    const std::size_t p = expr.find(kTerms[k]);
    if (p == std::string::npos) continue;
    coef[axis] = kSign[k];
    set[axis] = true;
    expr.erase(p, std::char_traits<char>::length(kTerms[k]));
  }
  return set[0] || set[1] || set[2];
}

bool symop(std::string_view expr, float coef[3], float& trans) {
  std::string e;
  for (char c : expr)
    if (c != ' ' && c != '\t') e += c;
  upcase(e);
  removerot(e, coef);
  return read_translation(e, trans);
}

int add_symmetry_card(Symmetry& sy, std::string_view card) {
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
    grow("SymCrd", sy.nsym + 1);
    ++sy.nsym;
    SymOp op;
    op.rot = {};
    const std::vector<std::string> pieces = split(opt, opt.find(',') != std::string::npos ? ',' : ' ', 12);
    if (pieces.size() == 3) {
      for (std::size_t j = 0; j < 3; ++j) {
        float coef[3];
        float t = 0;
        if (!symop(pieces[j], coef, t)) return 1;
        for (std::size_t i = 0; i < 3; ++i) op.rot[i][j] = coef[i];
        op.trans[j] = t;
      }
    } else if (pieces.size() == 12) {
      for (std::size_t j = 0; j < 3; ++j) {
        double v[4];
        for (std::size_t k = 0; k < 4; ++k)
          if (!layout::read_fixed_word(pieces[4 * j + k], v[k])) return 1;
        op.trans[j] = static_cast<float>(v[0]);
        for (std::size_t i = 0; i < 3; ++i) op.rot[i][j] = static_cast<float>(v[i + 1]);
      }
    } else {
      return 1;
    }
    sy.op[sy.nsym] = op;
    if (is_identity(op)) --sy.nsym;
  }
  return 0;
}

Symmetry read_symmetry_cards(RecordFile& f, std::ostream& log) {
  Symmetry sy;
  sy.op[1] = SymOp{};
  sy.nsym = 1;
  f.rewind();
  std::string line;
  while (srchl(f, "SYM", false, line)) {
    if (add_symmetry_card(sy, line) != 0) {
      layout::write(log, "(' * * * Symmetry card no.', I3, ' illegal * * *')", sy.nsym);
      --sy.nsym;
    }
  }
  for (int n = 1; n <= sy.nsym; ++n) write_operator(sy, log, n);
  return sy;
}

void add_lattice_centring(Symmetry& sy, Log& out, char letter) {
  std::vector<std::array<float, 3>> vectors;
  switch (letter) {
    case 'P': break;
    case 'A': vectors = {{0.0f, 0.5f, 0.5f}}; break;
    case 'B': vectors = {{0.5f, 0.0f, 0.5f}}; break;
    case 'C': vectors = {{0.5f, 0.5f, 0.0f}}; break;
    case 'I': vectors = {{0.5f, 0.5f, 0.5f}}; break;
    case 'F': vectors = {{0.5f, 0.5f, 0.0f}, {0.0f, 0.5f, 0.5f}, {0.5f, 0.0f, 0.5f}}; break;
    // Rhombohedral on hexagonal axes, obverse setting (the one SHELX's
    // LATT 3 and the International Tables use).
    case 'R': vectors = {{2.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f}, {1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f}}; break;
    default:
      fail_plain(std::string(" Lattice type ") + letter + " is not supported");
  }
  const int points = static_cast<int>(vectors.size()) + 1;
  std::ostream& log = out.log();
  log << "\n Non-Primitive lattice...\n";
  layout::write(log, "(3a)", " Lattice centring type is [ ", std::string(1, letter), " ]");
  layout::write(log, "(a,i1)", " Number of lattice points per cell = ", points);
  const int n0 = sy.nsym;
  grow("NonP", points * n0);
  for (int k = 2; k <= points; ++k) {
    const auto& v = vectors[static_cast<std::size_t>(k - 2)];
    for (int n = 1; n <= n0; ++n) {
      SymOp op = sy.op[n];
      for (std::size_t j = 0; j < 3; ++j) op.trans[j] += v[j];
      sy.op[(k - 1) * n0 + n] = op;
    }
  }
  sy.nsym = points * n0;
  reduce_translations(sy);
  log << "\n Symmetry operations after applying the lattice centering:\n";
  write_symmetry_operators(sy, out);
}

void add_inversion_centre(Symmetry& sy, std::ostream& log) {
  const int n0 = sy.nsym;
  grow("AddCentSymm", 2 * n0);
  for (int n = 1; n <= n0; ++n) {
    SymOp op = sy.op[n];
    // 0 - v rather than -v: no negative zeros in the listings.
    for (auto& row : op.rot)
      for (float& v : row) v = 0.0f - v;
    for (float& t : op.trans) t = 0.0f - t;
    sy.op[n0 + n] = op;
  }
  sy.nsym = 2 * n0;
  log << "\n Symmetry operations with Center of Symmetry applied: " << number_field(sy.nsym, 4) << '\n';
  for (int n = 1; n <= sy.nsym; ++n) print_matrix(sy, log, n);
}

void reduce_translations(Symmetry& sy) {
  for (int n = 1; n <= sy.nsym; ++n)
    for (float& t : sy.op[n].trans)
      if (std::fabs(t) >= 1.0f) t = std::fmod(t, 1.0f);
}

std::string operator_text(const SymOp& op) {
  static constexpr char kAxis[3] = {'X', 'Y', 'Z'};
  std::string out;
  for (std::size_t j = 0; j < 3; ++j) {
    std::string e;
    const float t = op.trans[j];
    if (t != 0.0f) {
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
      const float c = op.rot[i][j];
      if (c == 0.0f) continue;
      e += c > 0 ? " + " : " - ";
      if (std::fabs(c) != 1.0f) e += layout::fmt_f(std::fabs(c), 3, 1);
      e += kAxis[i];
    }
    if (j > 0) out += ',';
    out += e;
  }
  return out;
}

void write_operator(const Symmetry& sy, std::ostream& log, int n) {
  layout::write(log, "(3x,'SYMM', I3, 5X, A)", n, operator_text(sy.op[n]));
}

void write_symmetry_operators(const Symmetry& sy, Log& out) {
  std::ostream& log = out.log();
  log << "\n Number of symmetry operations = " << number_field(sy.nsym, 2) << '\n';
  if (out.shows(2))
    for (int n = 1; n <= sy.nsym; ++n) print_matrix(sy, log, n);
}

}  // namespace vorn
