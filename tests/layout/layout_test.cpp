#include <gtest/gtest.h>

#include <cmath>

#include "layout/layout.hpp"
#include "layout/record_file.hpp"
#include "layout/text.hpp"

namespace vorn::layout {
namespace {

TEST(LayoutWrite, FixedPointRoundsAndDropsLeadingZeroOnlyWhenNarrow) {
  EXPECT_EQ(format("(f5.3)", 0.5), "0.500");
  EXPECT_EQ(format("(f4.3)", 0.5), ".500");
  EXPECT_EQ(format("(f5.3)", -0.5), "-.500");
  EXPECT_EQ(format("(f4.3)", -0.5), "****");
  EXPECT_EQ(format("(f5.2)", 0.125), " 0.12");   // exact tie: to even
  EXPECT_EQ(format("(f5.2)", -0.001), "-0.00");
  EXPECT_EQ(format("(f6.2)", 999.999), "******");
  EXPECT_EQ(format("(f3.0)", 2.5), " 2.");
  EXPECT_EQ(format("(f2.0)", 0.4), "0.");
  EXPECT_EQ(format("(f1.0)", 0.4), "*");
}

TEST(LayoutWrite, ExponentFormHasZeroPointMantissa) {
  EXPECT_EQ(format("(e11.4)", 1.5), " 0.1500E+01");
  EXPECT_EQ(format("(e11.4)", 0.0), " 0.0000E+00");
  EXPECT_EQ(format("(e13.6)", 1.52331), " 0.152331E+01");
  EXPECT_EQ(format("(e10.4)", -0.5), "-.5000E+00");
  EXPECT_EQ(format("(e8.4)", 0.5), "********");
  EXPECT_EQ(format("(e11.4)", 9.99995), " 0.1000E+02");
}

TEST(LayoutWrite, IntegersTextsLogicalsAndSigns) {
  EXPECT_EQ(format("(i3)", 1000), "***");
  EXPECT_EQ(format("(i3)", -99), "-99");
  EXPECT_EQ(format("(a3)", "abcdef"), "abc");
  EXPECT_EQ(format("(a8)", "ab"), "      ab");
  EXPECT_EQ(format("(l3)", true), "  T");
  EXPECT_EQ(format("(sp,f8.3,ss,f8.3)", 1.0, 1.0), "  +1.000   1.000");
  EXPECT_EQ(format("(sp,i4)", 0), "  +0");
  EXPECT_EQ(format("('it''s',i2)", 5), "it's 5");
}

TEST(LayoutWrite, OutputStopsAtFirstDescriptorWithoutItem) {
  EXPECT_EQ(format("(a,i5,a)", "x"), "x");
  EXPECT_EQ(format("(i3,' end')"), "");
  EXPECT_EQ(format("(a,f8.3,' end')", "q", 1.0), "q   1.000 end");
  // Twenty numbers fill the first line; the group's line break is taken
  // before its first number finds no item.
  std::vector<Item> items{Item{std::string_view("KEEP  kappa ")}};
  for (int i = 1; i <= 20; ++i) items.emplace_back(static_cast<long long>(i));
  const std::string twenty = format_items("( a, 20i4,' \\', 10(/,20i4,' \\') )", items);
  ASSERT_GE(twenty.size(), 5u);
  EXPECT_EQ(twenty.substr(twenty.size() - 6), " 20 \\\n");
  items.resize(6);
  EXPECT_EQ(format_items("( a, 20i4,' \\', 10(/,20i4,' \\') )", items), "KEEP  kappa    1   2   3   4   5");
}

TEST(LayoutWrite, ReversionRestartsAtLastGroupAndTrailingBlanksAreNotWritten) {
  EXPECT_EQ(format("(a,3x)", "[ab"), "[ab");
  EXPECT_EQ(format("(a,3x,a)", "[ab", "]"), "[ab   ]");
  EXPECT_EQ(format("(2(a,1x))", "p", "q", "r"), "p q\nr");
  EXPECT_EQ(format("(a,2(i2,1x),a)", "p", 1, 2, "z", 3), "p 1  2 z\n 3");
  EXPECT_EQ(format("(a,i2)", "x", 1, "y", 2), "x 1\ny 2");
  EXPECT_EQ(format("(/a)", "t"), "\nt");
}

TEST(LayoutRead, FixedWordFollowsFortranNumberForms) {
  double v = 0;
  EXPECT_TRUE(read_fixed_word("-25", v)); EXPECT_EQ(v, -25);
  EXPECT_TRUE(read_fixed_word("0.", v)); EXPECT_EQ(v, 0);
  EXPECT_TRUE(read_fixed_word("1+3", v)); EXPECT_EQ(v, 1000);
  EXPECT_TRUE(read_fixed_word("1.d10", v)); EXPECT_EQ(v, 1e10);
  EXPECT_TRUE(read_fixed_word(".5", v)); EXPECT_EQ(v, 0.5);
  EXPECT_FALSE(read_fixed_word("3-21g", v));
  EXPECT_FALSE(read_fixed_word("1a", v));
  EXPECT_FALSE(read_fixed_word("shelx.res", v));
  EXPECT_FALSE(read_fixed_word("1e", v));
  EXPECT_FALSE(read_fixed_word("NaN", v));
  EXPECT_FALSE(read_fixed_word("inf", v));
}

TEST(LayoutRead, FreeFormReportsFailures) {
  double f[3];
  EXPECT_TRUE(read_reals("  0.4, 0.1 0.1 ", f));
  EXPECT_FLOAT_EQ(f[0], 0.4);
  EXPECT_FALSE(read_reals(" 0.4 ", f));
  EXPECT_FALSE(read_reals(" 0.4 x 1", f));
  int n[2];
  EXPECT_FALSE(read_ints("1.5 2", n));
  EXPECT_TRUE(read_ints("3*7", std::span<int>(n, 2)));
  EXPECT_EQ(n[1], 7);
  EXPECT_EQ(count_values("1 2 / 3"), 2);
}


TEST(LayoutRead, FixedWordEdgesOfTheFortranReader) {
  double v = 1;
  // A lone sign reads as zero; a lone point or an exponent without digits
  // before it too, keeping a minus sign.
  EXPECT_TRUE(read_fixed_word("-", v)); EXPECT_FALSE(std::signbit(v));
  EXPECT_TRUE(read_fixed_word("-.", v)); EXPECT_TRUE(std::signbit(v)); EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(read_fixed_word("E5", v)); EXPECT_EQ(v, 0.0);
  EXPECT_FALSE(read_fixed_word("E", v));
  EXPECT_FALSE(read_fixed_word("e-", v));
  // Exponents beyond four digits and values beyond a real do not read.
  EXPECT_TRUE(read_fixed_word("0e09999", v));
  EXPECT_FALSE(read_fixed_word("0e10000", v));
  EXPECT_FALSE(read_fixed_word("1e39", v));
  EXPECT_TRUE(read_fixed_word("1e38", v)); EXPECT_EQ(v, 1e38);
  double f = 0;
  FreeReader r("3.4e38 3.5e38 7");
  EXPECT_TRUE(r.real(f));
  EXPECT_FALSE(r.real(f));   // out of range: reported, nothing consumed
  EXPECT_EQ(r.remaining(), 2);
}

TEST(TextField, CutsPadsAndComparesAsAPaddedField) {
  Label l = "C1";
  EXPECT_EQ(l.view(), "C1      ");
  EXPECT_TRUE(l == "C1");
  EXPECT_TRUE(l == std::string("C1  "));
  EXPECT_FALSE(l == "C");
  l = "VERYLONGLABEL";
  EXPECT_EQ(l.view(), "VERYLONG");
  EXPECT_FALSE(l == "VERYLONGLABEL");
  EXPECT_TRUE(Label().blank());
  EXPECT_EQ(format("(a,a)", Label("O1"), "|"), "O1      |");
}

TEST(RecordFileRead, RecordsArePaddedCutAndSteppedBack) {
  RecordFile f;
  f.open_text("first\r\n" + std::string(300, 'y') + "\n\tx\n");
  std::string line;
  ASSERT_TRUE(f.next(line, 10));
  EXPECT_EQ(line, "first     ");   // carriage return dropped, blank-padded
  ASSERT_TRUE(f.next(line, 255));
  EXPECT_EQ(line, std::string(255, 'y'));
  f.backspace();
  ASSERT_TRUE(f.next(line, 0));
  EXPECT_EQ(line.size(), 300u);
  ASSERT_TRUE(f.next(line, 3));
  EXPECT_EQ(line, " x ");            // a tab separates words like a blank
  EXPECT_FALSE(f.next(line, 3));
  f.rewind();
  ASSERT_TRUE(f.next(line, 0));
  EXPECT_EQ(line, "first");
  EXPECT_FALSE(f.open("/nonexistent/dir/file"));
}

}  // namespace
}  // namespace vorn::layout
