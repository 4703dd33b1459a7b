#include <gtest/gtest.h>

#include "layout/layout.hpp"

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
  EXPECT_EQ(format("(e13.6)", 1.52331f), " 0.152331E+01");
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
  float f[3];
  EXPECT_TRUE(read_reals("  0.4, 0.1 0.1 ", f));
  EXPECT_FLOAT_EQ(f[0], 0.4f);
  EXPECT_FALSE(read_reals(" 0.4 ", f));
  EXPECT_FALSE(read_reals(" 0.4 x 1", f));
  int n[2];
  EXPECT_FALSE(read_ints("1.5 2", n));
  EXPECT_TRUE(read_ints("3*7", std::span<int>(n, 2)));
  EXPECT_EQ(n[1], 7);
  EXPECT_EQ(count_values("1 2 / 3"), 2);
}

}  // namespace
}  // namespace vorn::layout
