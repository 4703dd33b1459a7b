// The record layouts compared character by character with the Fortran run
// time: a Fortran program formats thousands of random values with the same
// edit descriptors, and reads random words as fixed-point numbers, and our
// library must give the same text and the same verdicts.  Skipped when no
// gfortran is installed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "support/test_support.hpp"

namespace vorn::layout {
namespace {

// One layout and the kinds of its items: I integer, R real, A text, L logical.
struct Case {
  std::string layout;
  std::string kinds;
};

const std::vector<std::string> kTexts = {"C1", "LONGLABEL", "", "  ab", "x", "O(1A)"};

std::vector<Case> cases() {
  std::vector<Case> c;
  for (const char* f : {"f4.1", "f5.2", "f6.3", "f7.3", "f8.3", "f8.4", "f9.5", "f10.4", "f12.1", "f12.4",
                        "f3.0", "f5.0", "f6.2", "f1.0", "f2.1", "f15.8", "e10.3", "e11.4", "e12.5", "e13.6",
                        "e15.7", "e9.2", "e8.1", "e7.4", "sp,f8.3", "sp,e12.4", "sp,f6.0", "sp,f4.2"})
    c.push_back({std::string("(") + f + ")", "R"});
  for (const char* f : {"i1", "i3", "i4", "i5", "i8", "i12", "sp,i5", "sp,i2"})
    c.push_back({std::string("(") + f + ")", "I"});
  c.push_back({"(a,i4,2x,f8.3,l2)", "AIRL"});
  c.push_back({"(3(1x,f7.3))", "RRRRRRR"});              // reversion to the group
  c.push_back({"(a,2(i3,1x,e11.4))", "AIRIRIR"});        // reversion after the text
  c.push_back({"(sp,f7.2,ss,f7.2,i4,sp,i4)", "RRII"});
  c.push_back({"(2x,a8,a3,a,l1)", "AAAL"});
  c.push_back({"(i3,'x',/,2f6.1)", "IRR"});
  c.push_back({"(f8.3,5x)", "R"});                       // trailing blanks are not written
  c.push_back({"(a,f6.2,' end')", "AR"});
  c.push_back({"('it''s',i3,:,' after',i2)", "I"});       // ':' stops before the text
  c.push_back({"(a,i5,a)", "AI"});                        // stops at the descriptor without item
  c.push_back({"(1x,3(i4,f9.5),' |')", "IRIRIRIRIR"});
  c.push_back({"(7(3x,a2,f5.2))", "ARARARARARARARARAR"});
  return c;
}

float random_real(std::mt19937& g) {
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> expo(-7, 8);
  const double sign = pick(g) < 4 ? -1.0 : 1.0;
  switch (pick(g)) {
    case 0: {
      // Exact binary fractions: ties of decimal rounding.
      std::uniform_int_distribution<int> num(0, 4000);
      return static_cast<float>(sign * num(g) / 8.0);
    }
    case 1: {
      // Values just around a rounding boundary of a few decimals.
      std::uniform_int_distribution<int> num(0, 99999);
      std::uniform_int_distribution<int> dec(1, 5);
      return static_cast<float>(sign * (num(g) + 0.5) / std::pow(10.0, dec(g)));
    }
    case 2: return sign * 0.0f;
    case 3: {
      std::uniform_int_distribution<int> num(0, 100000);
      return static_cast<float>(sign * num(g));
    }
    default: return static_cast<float>(sign * unit(g) * std::pow(10.0, expo(g)));
  }
}

long long random_int(std::mt19937& g) {
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<long long> small(-120, 120);
  std::uniform_int_distribution<long long> mid(-100000, 100000);
  std::uniform_int_distribution<long long> big(-2000000000LL, 2000000000LL);
  switch (pick(g)) {
    case 0: return small(g);
    case 1: return mid(g);
    case 2: return big(g);
    default: return small(g) / 10;
  }
}

bool have_gfortran() { return std::system("command -v gfortran > /dev/null 2>&1") == 0; }

// The Fortran program: reads "case value..." lines and writes each case's
// record followed by a line "@@".
std::string fortran_source(const std::vector<Case>& cs) {
  std::ostringstream f;
  f << "program oracle\n"
    << "  implicit none\n"
    << "  character(len=9), parameter :: strs(" << kTexts.size() << ") = [character(len=9) :: ";
  for (std::size_t i = 0; i < kTexts.size(); ++i) f << (i ? ", " : "") << "'" << kTexts[i] << "'";
  f << "]\n  integer, parameter :: lens(" << kTexts.size() << ") = [";
  for (std::size_t i = 0; i < kTexts.size(); ++i) f << (i ? ", " : "") << kTexts[i].size();
  f << "]\n"
    << "  integer :: k, v(40), ios, w, n\n"
    << "  character(len=400) :: line\n"
    << "  character(len=40) :: word, fmt\n"
    << "  real :: x\n"
    << "  open(9, file='values.txt', status='old')\n"
    << "  open(10, file='written.txt', status='replace')\n"
    << "  do\n"
    << "    read(9, '(a)', iostat=ios) line\n"
    << "    if (ios /= 0) exit\n"
    << "    read(line, *) k\n"
    << "    if (k == 0) then\n"
    << "      read(line, *) k, n\n"
    << "      word = line(index(line, '|') + 1:)\n"
    << "      w = n\n"
    << "      write(fmt, '(a,i0,a)') '(f', w, '.0)'\n"
    << "      x = 0\n"
    << "      read(word(1:w), fmt, iostat=ios) x\n"
    << "      if (ios == 0) then\n"
    << "        write(10, '(a,i0)') 'ok ', transfer(x, 1)\n"
    << "      else\n"
    << "        write(10, '(a)') 'bad'\n"
    << "      end if\n"
    << "      cycle\n"
    << "    end if\n"
    << "    select case (k)\n";
  for (std::size_t c = 0; c < cs.size(); ++c) {
    const Case& cc = cs[c];
    f << "    case (" << c + 1 << ")\n"
      << "      read(line, *) k, v(1:" << cc.kinds.size() << ")\n"
      << "      write(10, \"" << cc.layout << "\") ";
    for (std::size_t j = 0; j < cc.kinds.size(); ++j) {
      const std::string vj = "v(" + std::to_string(j + 1) + ")";
      // One item per source line keeps within the free-form line length.
      f << (j ? ", &\n        " : "&\n        ");
      switch (cc.kinds[j]) {
        case 'I': f << vj; break;
        case 'R': f << "transfer(" << vj << ", 1.0)"; break;
        case 'A': f << "strs(" << vj << ")(1:lens(" << vj << "))"; break;
        case 'L': f << "(" << vj << " /= 0)"; break;
      }
    }
    f << "\n";
  }
  f << "    end select\n"
    << "    write(10, '(a)') '@@'\n"
    << "  end do\n"
    << "end program\n";
  return f.str();
}

std::int32_t bits_of(float x) {
  std::int32_t b = 0;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

std::string random_word(std::mt19937& g) {
  static constexpr char kAlphabet[] = "0123456789.+-eEdDqx*";
  std::uniform_int_distribution<int> len(1, 7);
  std::uniform_int_distribution<int> ch(0, static_cast<int>(sizeof kAlphabet) - 2);
  std::uniform_int_distribution<int> digit_bias(0, 2);
  std::string w;
  const int n = len(g);
  for (int i = 0; i < n; ++i) w += digit_bias(g) == 0 ? kAlphabet[ch(g)] : kAlphabet[ch(g) % 11];
  return w;
}

TEST(LayoutOracle, WritingAndFixedPointReadingMatchGfortran) {
  if (!have_gfortran()) GTEST_SKIP() << "gfortran is not installed";
  test::ScratchDir dir;
  const std::vector<Case> cs = cases();
  dir.write("oracle.f90", fortran_source(cs));
  ASSERT_EQ(std::system(("cd '" + dir.path() + "' && gfortran -O0 -o oracle oracle.f90 > build.log 2>&1").c_str()), 0)
      << dir.read("build.log");

  std::mt19937 g(20261207u);
  std::ostringstream values;
  std::string expected;
  std::vector<std::string> what;   // description of each output block
  std::uniform_int_distribution<int> text_pick(0, static_cast<int>(kTexts.size()) - 1);
  std::uniform_int_distribution<int> coin(0, 1);
  const int rounds = 1500;
  for (int r = 0; r < rounds; ++r) {
    for (std::size_t c = 0; c < cs.size(); ++c) {
      const Case& cc = cs[c];
      std::vector<Item> items;
      values << c + 1;
      std::ostringstream desc;
      desc << cc.layout << " with";
      for (char kind : cc.kinds) {
        switch (kind) {
          case 'I': {
            const long long v = random_int(g);
            items.emplace_back(v);
            values << ' ' << v;
            desc << ' ' << v;
            break;
          }
          case 'R': {
            const float x = random_real(g);
            items.emplace_back(static_cast<double>(x));
            values << ' ' << bits_of(x);
            char buf[64];
            std::snprintf(buf, sizeof buf, " %.9g", static_cast<double>(x));
            desc << buf;
            break;
          }
          case 'A': {
            const int t = text_pick(g);
            items.emplace_back(std::string_view(kTexts[static_cast<std::size_t>(t)]));
            values << ' ' << t + 1;
            desc << " '" << kTexts[static_cast<std::size_t>(t)] << "'";
            break;
          }
          case 'L': {
            const int b = coin(g);
            items.emplace_back(b == 1);
            values << ' ' << b;
            desc << ' ' << (b ? 'T' : 'F');
            break;
          }
        }
      }
      values << '\n';
      expected += format_items(cc.layout, items) + "\n@@\n";
      what.push_back(desc.str());
    }
  }
  // Fixed-point reads of words: "0 width |word".
  const std::vector<std::string> fixed_words = {"E5", "+", "-", ".", "+.", ".E5", "1e", "1+", "+-1", "1d",
                                                "1q5", "1.e-2", "0.", "-.", "e", "-25", "3-21", "1a", "1.5.",
                                                "*1", "12345678"};
  std::vector<std::string> words = fixed_words;
  for (int i = 0; i < 3000; ++i) words.push_back(random_word(g));
  for (const std::string& w : words) {
    values << "0 " << w.size() << " |" << w << '\n';
    double v = 0;
    if (read_fixed_word(w, v)) {
      expected += "ok " + std::to_string(bits_of(static_cast<float>(v))) + "\n";
    } else {
      expected += "bad\n";
    }
    what.push_back("fixed-point read of '" + w + "'");
  }
  dir.write("values.txt", values.str());
  ASSERT_EQ(std::system(("cd '" + dir.path() + "' && ./oracle > run.log 2>&1").c_str()), 0) << dir.read("run.log");
  const std::string written = dir.read("written.txt");

  // Compare block by block so that a difference names its layout and values.
  std::istringstream ours(expected), theirs(written);
  std::string a, b;
  std::size_t block = 0;
  int differences = 0;
  std::string block_ours, block_theirs;
  auto flush_block = [&](bool fixed) {
    if (block_ours != block_theirs && ++differences <= 10)
      ADD_FAILURE() << (block < what.size() ? what[block] : std::string("?")) << "\n  ours:     [" << block_ours
                    << "]\n  gfortran: [" << block_theirs << "]";
    block_ours.clear();
    block_theirs.clear();
    if (!fixed) ++block;
  };
  bool more_a = true, more_b = true;
  while (more_a || more_b) {
    // Read one block from each side: lines up to "@@", or one fixed-read line.
    for (std::string* acc : {&block_ours, &block_theirs}) {
      std::istringstream& in = acc == &block_ours ? ours : theirs;
      bool& more = acc == &block_ours ? more_a : more_b;
      std::string l;
      while ((more = static_cast<bool>(std::getline(in, l)))) {
        if (l == "@@") break;
        // A value beyond the range of a real reads as infinity there and
        // is refused here on purpose.
        if (acc == &block_theirs && (l == "ok 2139095040" || l == "ok -8388608")) l = "bad";
        *acc += l + "\n";
        if (l == "bad" || l.rfind("ok ", 0) == 0) break;
      }
    }
    if (!more_a && !more_b && block_ours.empty() && block_theirs.empty()) break;
    flush_block(false);
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(block, what.size());
}

}  // namespace
}  // namespace vorn::layout
