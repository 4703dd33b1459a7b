// The pictures of the static deformation density: the grid blocks around
// each molecule for the page's isosurfaces, and the contour maps in the
// planes of the planar rings and of the MAP lines.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "control/switches.hpp"
#include "formfactors/density_grid.hpp"
#include "localframe/frame_records.hpp"
#include "localframe/kept_xd_model.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"
#include "writers/density_map.hpp"

namespace vorn {

// Grid spacing and reach of the page's blocks: 0.15 A resolves the
// bonding density and lone pairs and keeps a 200-atom page near a megabyte.
constexpr double kPageGridStep = 0.15;
constexpr double kPageGridMargin = 1.2;
// Points along a block's edge: the viewer numbers a surface's vertices in
// 16 bits per block.
constexpr int kPageBlockPoints = 32;
constexpr double kMapStep = 0.05;

// The atoms of the table named by each MAP line (by label, or by the name
// in the structure file); a name that fits no atom stops the run naming
// the line.
std::vector<std::array<int, 3>> map_plane_atoms(const Model& model, const Switches& sw);

// The deformation density of the run's model over the whole atom table:
// none when no atom carries a model (a databank entry found, or the model
// of an XD parameter file).
std::optional<DeformationDensity> model_density(const Model& model, const Switches& sw,
                                                const std::vector<AtomSetup>& setup, const KeptPopulations* parameters);

// The blocks around every molecule of the atom table, sampled.
std::vector<DensityGrid> molecule_density_grids(const Model& model, const Neighbors& nb,
                                                const DeformationDensity& density);

// A map per planar ring, then one per MAP line.
std::vector<MapPlane> map_planes(const Model& model, const Rings& rings,
                                 const std::vector<std::array<int, 3>>& named);

// The atoms a map may show (the whole table with its copies) and their bonds.
std::vector<MapAtom> map_atoms(const Model& model);
std::vector<std::array<int, 2>> map_bonds(const Model& model, const Neighbors& nb);

}  // namespace vorn
