// Reflections of the form-factor table: the SHELX HKLF 4 reader, the
// sphere of indices and the expansion to equivalents and Friedel mates.
#include <gtest/gtest.h>

#include <algorithm>

#include "formfactors/reflections.hpp"
#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

TEST(ReadHklf4, ReadsIndicesUpToTheEndRecordAndNamesBadLines) {
  struct Case {
    const char* text;
    std::vector<Miller> expected;
    const char* error;   // part of the message of the stop; empty: none
  };
  const Case cases[] = {
      {"   1   2   3  100.00    1.00   1\n  -4  12-100   20.5     2.1\n   0   0   0    0.00    0.00\n   5   5   5\n",
       {{1, 2, 3}, {-4, 12, -100}, {0, 0, 0}}, ""},
      {"   1       3    1.00    1.00\r\n   2   0   1    3.00    1.00\r\n", {{1, 0, 3}, {2, 0, 1}}, ""},
      {"   1   2   3    1.00    1.00\n\n   4   4   4    1.00    1.00\n", {{1, 2, 3}}, ""},
      {"   1   2   3    1.00    1.00\n   1  2a   3    1.00    1.00\n", {}, "Line 2 of"},
      {"1.0 2.0 3.0\n", {}, "Line 1 of"},
      {"\n   1   2   3\n", {}, "Blank line 1 of"},
      {"", {}, "No reflection in"},
  };
  test::ScratchDir dir;
  for (const Case& c : cases) {
    dir.write("refl.hkl", c.text);
    try {
      const std::vector<Miller> hkl = read_hklf4(dir.file("refl.hkl"));
      EXPECT_EQ(hkl, c.expected) << c.text;
      EXPECT_STREQ(c.error, "") << c.text;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("refl.hkl"), std::string::npos) << e.what();
      EXPECT_NE(std::string(c.error), "") << e.what();
      EXPECT_EQ(e.routine, "ReadHKL");
    }
  }
  EXPECT_THROW(read_hklf4(dir.file("missing.hkl")), RunError);
}

// An operator given by the images of x, y and z (coefficients of x, y, z).
SymOp op(std::array<std::array<double, 3>, 3> image) {
  SymOp s;
  for (std::size_t j = 0; j < 3; ++j)
    for (std::size_t i = 0; i < 3; ++i) s.rot[i][j] = image[j][i];
  return s;
}

TEST(ExpandReflections, ListsEveryEquivalentAndFriedelMateOnce) {
  Symmetry p212121;   // translations play no part
  p212121.ops = {op({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}), op({{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}),
                 op({{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}), op({{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}})};
  Symmetry p3;        // x, y, z; -y, x-y, z; -x+y, -x, z
  p3.ops = {SymOp{}, op({{{0, -1, 0}, {1, -1, 0}, {0, 0, 1}}}), op({{{-1, 1, 0}, {-1, 0, 0}, {0, 0, 1}}})};
  struct Case {
    const Symmetry* symmetry;
    std::vector<Miller> listed, expected;
  };
  const Case cases[] = {
      {&p212121, {{1, 2, 3}},
       {{-1, -2, -3}, {-1, -2, 3}, {-1, 2, -3}, {-1, 2, 3}, {1, -2, -3}, {1, -2, 3}, {1, 2, -3}, {1, 2, 3}}},
      {&p212121, {{2, 0, 0}, {-2, 0, 0}, {0, 0, 0}}, {{-2, 0, 0}, {0, 0, 0}, {2, 0, 0}}},
      {&p3, {{1, 0, 2}}, {{-1, 0, -2}, {-1, 1, 2}, {0, -1, 2}, {0, 1, -2}, {1, -1, -2}, {1, 0, 2}}},
  };
  for (const Case& c : cases) EXPECT_EQ(expand_reflections(c.listed, *c.symmetry), c.expected);
}

TEST(ReflectionsWithin, HoldsEveryIndexOfTheSphereAndNoOther) {
  const gemmi::UnitCell cell(5.1, 6.3, 7.9, 81, 97, 112);
  for (double stol : {0.21, 0.45}) {
    std::vector<Miller> inside;
    for (int h = -12; h <= 12; ++h)
      for (int k = -12; k <= 12; ++k)
        for (int l = -12; l <= 12; ++l)
          if ((h || k || l) && std::sqrt(cell.calculate_1_d2_double(h, k, l)) / 2 <= stol) inside.push_back({h, k, l});
    std::vector<Miller> got = reflections_within(cell, stol);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, inside) << stol;
  }
}

}  // namespace
}  // namespace vorn
