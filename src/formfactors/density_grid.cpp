#include "formfactors/density_grid.hpp"

#include <algorithm>
#include <cmath>

namespace vorn {

std::vector<DensityGrid> grid_blocks(const std::vector<Vec3>& places, double margin, double step, int most) {
  std::vector<DensityGrid> blocks;
  if (places.empty()) return blocks;
  Vec3 lo = places.front(), hi = places.front();
  for (const Vec3& p : places)
    for (std::size_t k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
  std::array<int, 3> total{};
  for (std::size_t k = 0; k < 3; ++k) {
    lo[k] -= margin;
    total[k] = static_cast<int>(std::ceil((hi[k] + margin - lo[k]) / step)) + 1;
  }
  // Blocks overlap by one plane of points.
  const int stride = most - 1;
  for (int i = 0; i < total[0] - 1 || i == 0; i += stride)
    for (int j = 0; j < total[1] - 1 || j == 0; j += stride)
      for (int k = 0; k < total[2] - 1 || k == 0; k += stride) {
        DensityGrid g;
        g.step = step;
        const std::array<int, 3> first{i, j, k};
        for (std::size_t a = 0; a < 3; ++a) {
          g.origin[a] = lo[a] + step * first[a];
          g.points[a] = std::min(most, total[a] - first[a]);
        }
        blocks.push_back(std::move(g));
      }
  return blocks;
}

DensityBox grid_box(const DensityGrid& grid) {
  DensityBox b{grid.origin, grid.origin};
  for (std::size_t a = 0; a < 3; ++a) b.hi[a] += grid.step * (grid.points[a] - 1);
  return b;
}

void sample_density(const DeformationDensity& density, DensityGrid& grid) {
  grid.values.clear();
  grid.values.reserve(static_cast<std::size_t>(grid.points[0]) * grid.points[1] * grid.points[2]);
  for (int i = 0; i < grid.points[0]; ++i)
    for (int j = 0; j < grid.points[1]; ++j)
      for (int k = 0; k < grid.points[2]; ++k)
        grid.values.push_back(density.at({grid.origin[0] + grid.step * i, grid.origin[1] + grid.step * j,
                                          grid.origin[2] + grid.step * k}));
}

}  // namespace vorn
