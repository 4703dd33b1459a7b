#include "layout/layout.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unordered_map>

namespace vorn::layout {

namespace {

// ---- Parsing of a layout ------------------------------------------------

enum class Kind { Group, Int, Fixed, Expo, Alpha, Logic, Blanks, Literal, Slash, SignPlus, SignDefault, Colon };

struct Node {
  Kind kind = Kind::Literal;
  int repeat = 1;
  int w = 0;   // -1 for A without a width
  int d = 0;
  std::string text;
  std::vector<Node> children;
};

Node node(Kind k) {
  Node n;
  n.kind = k;
  return n;
}

class Parser {
public:
  explicit Parser(std::string_view s) : s_(s) {}

  std::vector<Node> parse_top() {
    skip_blanks();
    if (pos_ < s_.size() && s_[pos_] == '(') {
      ++pos_;
      auto list = parse_list();
      return list;
    }
    // A layout without its outer parentheses is accepted as its list.
    return parse_list();
  }

private:
  [[noreturn]] void fail(const char* why) const {
    throw std::logic_error(std::string("record layout ") + std::string(s_) + ": " + why);
  }

  void skip_blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }

  bool digit_here() const { return pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])); }

  int number() {
    int v = 0;
    if (!digit_here()) fail("number expected");
    while (digit_here()) v = v * 10 + (s_[pos_++] - '0');
    return v;
  }

  std::vector<Node> parse_list() {
    std::vector<Node> list;
    for (;;) {
      skip_blanks();
      if (pos_ >= s_.size()) return list;
      const char c = s_[pos_];
      if (c == ')') { ++pos_; return list; }
      if (c == ',') { ++pos_; continue; }
      if (c == '/') { ++pos_; list.push_back(node(Kind::Slash)); continue; }
      if (c == ':') { ++pos_; list.push_back(node(Kind::Colon)); continue; }
      if (c == '$') { ++pos_; continue; }
      if (c == '\'' || c == '"') { list.push_back(literal(c)); continue; }
      int rep = 1;
      bool has_rep = false;
      if (digit_here()) { rep = number(); has_rep = true; skip_blanks(); }
      if (pos_ >= s_.size()) fail("unexpected end");
      const char k = static_cast<char>(std::toupper(static_cast<unsigned char>(s_[pos_])));
      if (k == '(') {
        ++pos_;
        Node g = node(Kind::Group);
        g.repeat = rep;
        g.children = parse_list();
        list.push_back(std::move(g));
        continue;
      }
      ++pos_;
      Node n;
      n.repeat = rep;
      switch (k) {
        case 'X':
          n.kind = Kind::Blanks;
          n.w = has_rep ? rep : 1;
          n.repeat = 1;
          break;
        case 'I':
          n.kind = Kind::Int;
          n.w = number();
          break;
        case 'F':
          n.kind = Kind::Fixed;
          n.w = number();
          expect('.');
          n.d = number();
          break;
        case 'E':
          n.kind = Kind::Expo;
          n.w = number();
          expect('.');
          n.d = number();
          break;
        case 'A':
          n.kind = Kind::Alpha;
          n.w = digit_here() ? number() : -1;
          break;
        case 'L':
          n.kind = Kind::Logic;
          n.w = number();
          break;
        case 'S': {
          const char nx = pos_ < s_.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(s_[pos_]))) : ' ';
          if (nx == 'P') { ++pos_; n.kind = Kind::SignPlus; }
          else if (nx == 'S') { ++pos_; n.kind = Kind::SignDefault; }
          else n.kind = Kind::SignDefault;
          break;
        }
        default:
          fail("unknown edit descriptor");
      }
      list.push_back(std::move(n));
    }
  }

  void expect(char c) {
    if (pos_ >= s_.size() || s_[pos_] != c) fail("'.' expected");
    ++pos_;
  }

  Node literal(char quote) {
    Node n = node(Kind::Literal);
    ++pos_;
    for (;;) {
      if (pos_ >= s_.size()) fail("unterminated text");
      const char c = s_[pos_++];
      if (c == quote) {
        if (pos_ < s_.size() && s_[pos_] == quote) { n.text += quote; ++pos_; continue; }
        break;
      }
      n.text += c;
    }
    return n;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

// ---- Execution ------------------------------------------------------------

class Writer {
public:
  Writer(std::span<const Item> items, std::string& out) : items_(items), out_(out) {}

  // Runs the top-level list, with reversion while items remain.
  void run(const std::vector<Node>& top) {
    std::size_t start = 0;
    std::size_t revert = 0;
    for (std::size_t i = 0; i < top.size(); ++i)
      if (top[i].kind == Kind::Group) revert = i;
    bool any_group = false;
    for (const auto& n : top) any_group = any_group || n.kind == Kind::Group;
    if (!any_group) revert = 0;
    for (;;) {
      const std::size_t used_before = next_;
      for (std::size_t i = start; i < top.size() && !stopped_; ++i) exec(top[i]);
      if (stopped_ || next_ >= items_.size()) break;
      if (next_ == used_before) throw std::logic_error("record layout consumes no item");
      new_line();
      start = revert;
    }
  }

private:
  // Blanks of nX are written only when something follows them on the line.
  void flush_blanks() {
    out_.append(static_cast<std::size_t>(pending_), ' ');
    pending_ = 0;
  }

  void emit(std::string_view s) {
    flush_blanks();
    out_ += s;
  }

  void new_line() {
    out_ += '\n';
    pending_ = 0;
  }

  const Item* take() {
    if (next_ >= items_.size()) { stopped_ = true; return nullptr; }
    return &items_[next_++];
  }

  [[noreturn]] static void mismatch(const char* what) {
    throw std::logic_error(std::string("record layout: item does not suit ") + what);
  }

  void exec(const Node& n) {
    for (int r = 0; r < n.repeat && !stopped_; ++r) exec_once(n);
  }

  void exec_once(const Node& n) {
    switch (n.kind) {
      case Kind::Group:
        for (const auto& c : n.children) {
          if (stopped_) return;
          exec(c);
        }
        return;
      case Kind::Literal: emit(n.text); return;
      case Kind::Blanks: pending_ += n.w; return;
      case Kind::Slash: new_line(); return;
      case Kind::SignPlus: plus_ = true; return;
      case Kind::SignDefault: plus_ = false; return;
      case Kind::Colon:
        if (next_ >= items_.size()) stopped_ = true;
        return;
      default: break;
    }
    const Item* it = take();
    if (!it) return;
    switch (n.kind) {
      case Kind::Int: {
        const auto* v = std::get_if<long long>(it);
        if (!v) mismatch("I");
        std::string s = fmt_i(*v, n.w);
        if (plus_ && *v >= 0 && s.find('*') == std::string::npos) s = sign_plus(s, n.w);
        emit(s);
        return;
      }
      case Kind::Fixed: {
        const auto* v = std::get_if<double>(it);
        if (!v) mismatch("F");
        flush_blanks();
        append_f(out_, *v, n.w, n.d, plus_);
        return;
      }
      case Kind::Expo: {
        const auto* v = std::get_if<double>(it);
        if (!v) mismatch("E");
        emit(fmt_e(*v, n.w, n.d, plus_));
        return;
      }
      case Kind::Alpha: {
        const auto* v = std::get_if<std::string_view>(it);
        if (!v) mismatch("A");
        flush_blanks();
        if (n.w < 0) {
          out_ += *v;
        } else if (static_cast<int>(v->size()) >= n.w) {
          out_ += v->substr(0, static_cast<std::size_t>(n.w));
        } else {
          out_.append(static_cast<std::size_t>(n.w) - v->size(), ' ');
          out_ += *v;
        }
        return;
      }
      case Kind::Logic: {
        const auto* v = std::get_if<bool>(it);
        if (!v) mismatch("L");
        emit(fmt_l(*v, n.w));
        return;
      }
      default: return;
    }
  }

  // Adds a '+' in front of a right-aligned non-negative integer field.
  static std::string sign_plus(const std::string& s, int w) {
    std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return s;
    if (first == 0) return std::string(static_cast<std::size_t>(w), '*');
    std::string r = s;
    r[first - 1] = '+';
    return r;
  }

  std::span<const Item> items_;
  std::size_t next_ = 0;
  bool stopped_ = false;
  bool plus_ = false;
  int pending_ = 0;
  std::string& out_;
};

std::string stars(int w) { return std::string(static_cast<std::size_t>(w < 0 ? 0 : w), '*'); }

std::string right(std::string s, int w) {
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

}  // namespace

namespace {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// A run writes the same few hundred layouts up to millions of times, and
// parsing each one every time costs a third of a large run.  The parsed
// form depends on the layout text alone, so keeping it changes no output.
const std::vector<Node>& parsed(std::string_view layout) {
  thread_local std::unordered_map<std::string, std::vector<Node>, TextHash, std::equal_to<>> known;
  const auto it = known.find(layout);
  if (it != known.end()) return it->second;
  Parser p(layout);
  auto top = p.parse_top();
  return known.emplace(std::string(layout), std::move(top)).first->second;
}

}  // namespace

void format_into(std::string& out, std::string_view layout, std::span<const Item> items) {
  Writer w(items, out);
  w.run(parsed(layout));
}

std::string format_items(std::string_view layout, std::span<const Item> items) {
  std::string out;
  format_into(out, layout, items);
  return out;
}

void write_items(std::ostream& os, std::string_view layout, std::span<const Item> items) {
  // One buffer serves every record: most records are written this way.
  thread_local std::string buf;
  buf.clear();
  format_into(buf, layout, items);
  if (!ends_with_dollar(layout)) buf += '\n';
  os.write(buf.data(), static_cast<std::streamsize>(buf.size()));
}

bool ends_with_dollar(std::string_view layout) {
  std::size_t n = layout.size();
  while (n > 0 && (layout[n - 1] == ' ' || layout[n - 1] == ')')) --n;
  return n > 0 && layout[n - 1] == '$';
}

void line(std::ostream& os, std::string_view text) {
  os << text << '\n';
}

std::string fmt_i(long long v, int w) {
  return right(std::to_string(v), w);
}

std::string fmt_f(double v, int w, int d, bool plus) {
  std::string out;
  append_f(out, v, w, d, plus);
  return out;
}

void append_f(std::string& out, double v, int w, int d, bool plus) {
  if (!std::isfinite(v)) {
    std::string t = std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : (plus ? "+Inf" : "Inf"));
    out += right(t, w);
    return;
  }
  // The exact decimal value rounded to d places, as the C library's "%.*f"
  // prints it, into a buffer wide enough for any double.
  char buf[512];
  char* const body = buf + 1;
  const int prec = std::min(std::max(d, 0), 180);
  const auto res = std::to_chars(body, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, prec);
  if (res.ec != std::errc{}) {
    out.append(static_cast<std::size_t>(std::max(w, 0)), '*');
    return;
  }
  const char* first = body;
  const char* last = res.ptr;
  // Leading "0" before the point is optional: dropped when the field is
  // too narrow for it.
  const bool negative = std::signbit(v);
  const int sign = negative || plus ? 1 : 0;
  if (last - first >= 2 && first[0] == '0' && first[1] == '.' && sign + (last - first) > w) ++first;
  // With no decimals the point still closes the number ("12.").
  const int len = static_cast<int>(last - first) + sign + (prec == 0 ? 1 : 0);
  if (len > w) {
    out.append(static_cast<std::size_t>(std::max(w, 0)), '*');
    return;
  }
  out.append(static_cast<std::size_t>(w - len), ' ');
  // A value that rounds to zero keeps its minus sign, as the Fortran run
  // time prints it.
  if (sign) out += negative ? '-' : '+';
  out.append(first, last);
  if (prec == 0) out += '.';
}

std::string fmt_e(double v, int w, int d, bool plus) {
  if (!std::isfinite(v)) {
    std::string t = std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : (plus ? "+Inf" : "Inf"));
    return right(t, w);
  }
  const bool negative = std::signbit(v);
  const double a = std::fabs(v);
  std::string mant;
  int expo = 0;
  if (a == 0.0) {
    mant = std::string(static_cast<std::size_t>(d), '0');
  } else {
    char buf[512];
    // d significant digits: x.xxx e+yy, then shift to 0.xxxx.
    std::snprintf(buf, sizeof buf, "%.*e", d > 0 ? d - 1 : 0, a);
    std::string s(buf);
    const std::size_t epos = s.find('e');
    const std::string m = s.substr(0, epos);
    expo = std::atoi(s.c_str() + epos + 1) + 1;
    for (char c : m)
      if (c != '.') mant += c;
    if (d == 0) mant.clear();
  }
  std::string ex;
  const int ae = std::abs(expo);
  char ebuf[16];
  if (ae <= 99) {
    std::snprintf(ebuf, sizeof ebuf, "E%c%02d", expo < 0 ? '-' : '+', ae);
  } else if (ae <= 999) {
    std::snprintf(ebuf, sizeof ebuf, "%c%03d", expo < 0 ? '-' : '+', ae);
  } else {
    return stars(w);
  }
  ex = ebuf;
  const std::string sign = negative ? "-" : (plus ? "+" : "");
  std::string body = "0." + mant + ex;
  if (static_cast<int>(sign.size() + body.size()) > w) body.erase(0, 1);
  return right(sign + body, w);
}

std::string fmt_a(std::string_view s, int w) {
  if (static_cast<int>(s.size()) >= w) return std::string(s.substr(0, static_cast<std::size_t>(w)));
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + std::string(s);
}

std::string fmt_l(bool v, int w) {
  if (w <= 0) return {};
  return std::string(static_cast<std::size_t>(w - 1), ' ') + (v ? "T" : "F");
}

std::string listed_items(std::span<const Item> items) {
  std::string out = " ";
  for (const auto& it : items) {
    std::string piece;
    if (const auto* s = std::get_if<std::string_view>(&it)) {
      piece = std::string(*s);
    } else if (const auto* i = std::get_if<long long>(&it)) {
      piece = std::to_string(*i);
    } else if (const auto* b = std::get_if<bool>(&it)) {
      piece.assign(1, *b ? 'T' : 'F');
    } else {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.7g", std::get<double>(it));
      piece = buf;
    }
    const bool need_blank = out.back() != ' ' && !piece.empty() && piece.front() != ' ';
    if (need_blank) out += ' ';
    out += piece;
  }
  return out;
}

// ---- Reading ------------------------------------------------------------

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Parses a Fortran real: [sign] [digits] [. digits] [exponent], where the
// exponent is a letter E, D or Q with an optional signed integer, or a sign
// followed by an integer.  An empty mantissa reads as 0 (keeping its sign),
// as the Fortran run time does for a lone sign or point, and an exponent
// beyond 9999 does not read, as there.  Infinity and NaN are not numbers
// here, nor is a value too large for a real: a structure or control file
// that holds them is bad input.
bool parse_real(std::string_view w, double& value) {
  if (w.empty()) return false;
  std::size_t i = 0;
  std::string norm;
  if (w[i] == '+' || w[i] == '-') norm += w[i++];
  std::size_t mant_digits = 0;
  bool point = false;
  std::string mant;
  while (i < w.size()) {
    const char c = w[i];
    if (is_digit(c)) { mant += c; ++mant_digits; ++i; }
    else if (c == '.' && !point) { mant += c; point = true; ++i; }
    else break;
  }
  std::string exp;
  if (i < w.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(w[i])));
    std::size_t j = i;
    if (c == 'E' || c == 'D' || c == 'Q') {
      ++j;
      if (j < w.size() && (w[j] == '+' || w[j] == '-')) exp += w[j++];
    } else if (c == '+' || c == '-') {
      exp += w[j++];
    } else {
      return false;
    }
    std::size_t nd = 0;
    while (j < w.size() && is_digit(w[j])) { exp += w[j++]; ++nd; }
    if (nd == 0 || j != w.size()) return false;
    const std::size_t first = exp.find_first_not_of("+-0");
    if (first != std::string::npos && exp.size() - first > 4) return false;
    i = j;
  }
  if (i != w.size()) return false;
  if (mant_digits == 0) {
    // A lone sign or point (with or without an exponent) reads as zero;
    // the minus sign is kept unless the sign stands alone.
    value = w.size() > 1 && norm == "-" ? -0.0 : 0.0;
    return true;
  }
  // Correctly rounded, as strtod, but free of the locale; it takes no '+'.
  if (norm == "+") norm.clear();
  norm += mant;
  if (!exp.empty()) norm += 'e' + exp;
  double x = 0;
  const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), x, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Beyond the range of a double: strtod tells an underflow (a zero)
    // from an overflow.
    x = std::strtod(norm.c_str(), nullptr);
  } else if (res.ec != std::errc{} || res.ptr != norm.data() + norm.size()) {
    return false;
  }
  if (!std::isfinite(x)) return false;
  value = x;
  return true;
}

bool parse_int(std::string_view w, long long& value) {
  if (w.empty()) return false;
  std::size_t i = 0;
  bool neg = false;
  if (w[0] == '+' || w[0] == '-') { neg = w[0] == '-'; i = 1; }
  if (i >= w.size()) return false;
  long long v = 0;
  for (; i < w.size(); ++i) {
    if (!is_digit(w[i])) return false;
    if (v > 100000000000000000LL) return false;
    v = v * 10 + (w[i] - '0');
  }
  value = neg ? -v : v;
  return true;
}

}  // namespace

// A value beyond the range of single-precision reals (3.4e38), the range
// the files we read are written in, is not a number: taking it would only
// let an overflow reach an output file.
bool read_fixed_word(std::string_view word, double& value) {
  double x = 0;
  if (!parse_real(word, x) || std::fabs(x) > static_cast<double>(FLT_MAX)) return false;
  value = x;
  return true;
}

FreeReader::FreeReader(std::string_view text) : text_(text) {}

namespace {

bool separator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// The next word of text at or after i (up to a '/'), and its repeat count:
// "r*v" is the value v repeated r times.  Returns false when none is left.
bool scan_word(std::string_view text, std::size_t& i, std::string_view& value, long long& repeat) {
  while (i < text.size() && separator(text[i])) ++i;
  if (i >= text.size() || text[i] == '/') return false;
  std::size_t j = i;
  while (j < text.size() && !separator(text[j]) && text[j] != '/') ++j;
  const std::string_view tok = text.substr(i, j - i);
  i = j;
  const std::size_t star = tok.find('*');
  long long r = 0;
  if (star != std::string_view::npos && star > 0 && parse_int(tok.substr(0, star), r) && r > 0 && r < 100000) {
    value = tok.substr(star + 1);
    repeat = r;
  } else {
    value = tok;
    repeat = 1;
  }
  return true;
}

}  // namespace

bool FreeReader::next_token(std::string_view& tok) {
  const std::string_view text(text_);
  if (left_ == 0) {
    std::string_view value;
    if (!scan_word(text, at_, value, left_)) return false;
    current_ = static_cast<std::size_t>(value.data() - text.data());
    current_size_ = value.size();
  }
  tok = text.substr(current_, current_size_);
  return true;
}

void FreeReader::consume() { --left_; }

bool FreeReader::real(double& v) {
  std::string_view t;
  double x = 0;
  if (!next_token(t) || !parse_real(t, x) || std::fabs(x) > static_cast<double>(FLT_MAX)) return false;
  consume();
  v = x;
  return true;
}

bool FreeReader::integer(long long& v) {
  std::string_view t;
  if (!next_token(t)) return false;
  long long x = 0;
  if (!parse_int(t, x)) return false;
  consume();
  v = x;
  return true;
}

bool FreeReader::integer(int& v) {
  long long x = 0;
  std::string_view t;
  if (!next_token(t)) return false;
  if (!parse_int(t, x) || x > 2147483647LL || x < -2147483647LL) return false;
  consume();
  v = static_cast<int>(x);
  return true;
}

int FreeReader::remaining() const {
  long long n = left_;
  std::size_t i = at_;
  std::string_view v;
  long long r = 0;
  while (scan_word(text_, i, v, r)) n += r;
  return static_cast<int>(n);
}

bool read_reals(std::string_view text, std::span<double> out) {
  FreeReader r(text);
  for (auto& v : out)
    if (!r.real(v)) return false;
  return true;
}

bool read_ints(std::string_view text, std::span<int> out) {
  FreeReader r(text);
  for (auto& v : out)
    if (!r.integer(v)) return false;
  return true;
}

int count_values(std::string_view text) {
  return FreeReader(text).remaining();
}

}  // namespace vorn::layout
