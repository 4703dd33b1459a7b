// The deformation density sampled on regular Cartesian grids: the blocks
// the page draws its isosurfaces from.
#pragma once

#include <array>
#include <vector>

#include "formfactors/deformation_density.hpp"

namespace vorn {

// Values at origin + step (i, j, k), k running fastest (the order of the
// viewer's volume data).
struct DensityGrid {
  Vec3 origin{};
  double step = 0;
  std::array<int, 3> points{};
  std::vector<double> values;
};

// The box around `places` (Cartesian) widened by `margin` on every side,
// cut into blocks of at most `most` points along each edge which share
// their boundary planes, so that surfaces run on from block to block.
std::vector<DensityGrid> grid_blocks(const std::vector<Vec3>& places, double margin, double step, int most);

// Fills the values of a block.
void sample_density(const DeformationDensity& density, DensityGrid& grid);

// The Cartesian box a block covers.
DensityBox grid_box(const DensityGrid& grid);

}  // namespace vorn
