// Contour lines of a function sampled on a regular two-dimensional grid,
// by marching squares: the lines of the density maps.
#pragma once

#include <array>
#include <vector>

namespace vorn {

// A line through the points where the sampled function equals the level,
// in grid units (column i, row j as real numbers); a closed line ends at
// its first point again.
struct ContourLine {
  std::vector<std::array<double, 2>> points;
  bool closed = false;
};

// `values[j * columns + i]` at column i, row j.  A point at the level
// counts as above it.  Each crossing lies on a grid edge, placed by linear
// interpolation between the edge's two values; a cell whose two diagonal
// corners lie on one side and two on the other is split as the mean of
// its corners says.
std::vector<ContourLine> contour_lines(const std::vector<double>& values, int columns, int rows, double level);

}  // namespace vorn
