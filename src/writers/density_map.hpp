// vorn_map_N.svg: a contour map of the static deformation density in one
// plane (a planar ring, or three atoms named on a MAP line), with the atoms
// and bonds that lie in the plane.  The map's projection is written into
// the file (data-origin, data-u, data-v, data-scale, data-offset, and
// data-grid: where the grid starts along u and v, and its step) so that a
// reader can map any point of the drawing back into the crystal.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "formfactors/deformation_density.hpp"

namespace vorn {

// Contours every 0.05 e/A^3, the usual step of published maps, up to
// +-1 e/A^3: closer to the nuclei the lines would only blacken the atoms.
constexpr double kContourStep = 0.05;
constexpr int kContourLevels = 20;
// The map reaches this far beyond the atoms that define its plane.
constexpr double kMapMargin = 2.0;

struct MapPlane {
  std::string title;            // the atoms whose plane it is
  Vec3 origin{}, u{}, v{};     // Cartesian; u and v span the plane
  double u0 = 0, u1 = 0, v0 = 0, v1 = 0;   // extent along u and v from the origin (A)
};

// The best plane through the points (their centroid, the normal of least
// spread), u towards the first point, the extent their spread plus the
// margin.
MapPlane plane_through(const std::vector<Vec3>& points, std::string title);

// The density at the nodes of the plane, step A apart: values[j * columns + i]
// at origin + (u0 + i step) u + (v0 + j step) v.
struct DensityMap {
  MapPlane plane;
  double step = 0;
  int columns = 0, rows = 0;
  std::vector<double> values;
};

DensityMap sample_map(const MapPlane& plane, const DeformationDensity& density, double step);

// An atom the map may show, and the bonds between such atoms (indices
// into the list).
struct MapAtom {
  std::string label;
  Vec3 position{};
};

// Atoms within 0.5 A of the plane and inside the map are drawn and
// labelled, with the bonds between them.
void write_density_map(const DensityMap& map, const std::vector<MapAtom>& atoms,
                       const std::vector<std::array<int, 2>>& bonds, std::ostream& os);

}  // namespace vorn
