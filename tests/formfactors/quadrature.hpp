// Gauss-Legendre quadrature for the independent integrations of the
// form-factor tests.
#pragma once

#include <cmath>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace vorn::test {

// Nodes and weights of the n-point rule on [a, b], in panels equal parts.
inline std::vector<std::pair<double, double>> gauss_legendre(double a, double b, int n, int panels = 1) {
  std::vector<std::pair<double, double>> rule;
  std::vector<std::pair<double, double>> unit;
  for (int i = 1; i <= n; ++i) {
    double x = std::cos(std::numbers::pi * (i - 0.25) / (n + 0.5)), dp = 0;
    for (int it = 0; it < 100; ++it) {
      double p0 = 1, p1 = x;
      for (int k = 2; k <= n; ++k) {
        const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      dp = n * (x * p1 - p0) / (x * x - 1);
      const double dx = p1 / dp;
      x -= dx;
      if (std::fabs(dx) < 1e-16) break;
    }
    unit.push_back({x, 2 / ((1 - x * x) * dp * dp)});
  }
  const double width = (b - a) / panels;
  for (int p = 0; p < panels; ++p)
    for (const auto& [x, w] : unit) rule.push_back({a + width * (p + 0.5 * (x + 1)), 0.5 * width * w});
  return rule;
}

inline double integrate(const std::vector<std::pair<double, double>>& rule, const std::function<double(double)>& f) {
  double s = 0;
  for (const auto& [x, w] : rule) s += w * f(x);
  return s;
}

}  // namespace vorn::test
