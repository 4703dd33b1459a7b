// Marching squares on functions whose level sets are known: every point
// drawn lies on the level (exactly for a linear function, where the
// interpolation along an edge is exact), the lines close or end on the
// border as the level set does, and their number is that of its pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "writers/contour_lines.hpp"

namespace vorn {
namespace {

struct Case {
  const char* name;
  std::function<double(double, double)> f;
  double level;
  std::size_t lines;
  bool closed;
  double tolerance;   // of f at the drawn points
};

TEST(ContourLines, PointsLieOnTheLevelAndLinesCloseAsTheLevelSetDoes) {
  constexpr int n = 41;
  const Case cases[] = {
      {"plane", [](double i, double j) { return 0.3 * i + 0.7 * j; }, 9.05, 1, false, 1e-12},
      {"circle", [](double i, double j) { return std::hypot(i - 20.3, j - 19.6); }, 7.5, 1, true, 0.02},
      {"two bumps", [](double i, double j) { return std::min(std::hypot(i - 10, j - 10), std::hypot(i - 30, j - 28)); },
       4.2, 2, true, 0.02},
      // Both branches of a hyperbola: the saddle cells near the centre must
      // not join them.
      {"saddle", [](double i, double j) { return (i - 20.5) * (j - 20.5); }, 3.0, 2, false, 1e-9},
      {"outside the range", [](double i, double j) { return i + j; }, 1000, 0, false, 0},
  };
  for (const Case& c : cases) {
    std::vector<double> values;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) values.push_back(c.f(i, j));
    const std::vector<ContourLine> lines = contour_lines(values, n, n, c.level);
    ASSERT_EQ(lines.size(), c.lines) << c.name;
    for (const ContourLine& line : lines) {
      EXPECT_EQ(line.closed, c.closed) << c.name;
      EXPECT_GT(line.points.size(), 3u) << c.name;
      for (const auto& p : line.points) EXPECT_NEAR(c.f(p[0], p[1]), c.level, c.tolerance) << c.name;
      const auto& a = line.points.front();
      const auto& b = line.points.back();
      const bool on_border = [&](const std::array<double, 2>& p) {
        return p[0] == 0 || p[1] == 0 || p[0] == n - 1 || p[1] == n - 1;
      }(a);
      if (c.closed) {
        EXPECT_EQ(a, b) << c.name;
      } else {
        EXPECT_TRUE(on_border) << c.name;
      }
    }
  }
}

}  // namespace
}  // namespace vorn
