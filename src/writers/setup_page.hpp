// vorn.html: one page, opened from disk without a network, on which the
// frames, types and constraints of the run can be checked by turning the
// molecules in three dimensions.  The molecular viewer library is copied
// into the page when it is written, so the page depends on nothing else.
#pragma once

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "formfactors/density_grid.hpp"
#include "localframe/frame_records.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"
#include "writers/axes_drawing.hpp"

namespace vorn {

// The lines between which the page holds the viewer library: the
// whole-output references mask what lies between them.
inline constexpr const char* kLibraryBegin = "<!-- viewer library begin -->";
inline constexpr const char* kLibraryEnd = "<!-- viewer library end -->";

// The deformation density travels as one line per grid block whose values
// are written after this marker: the whole-output references mask them.
inline constexpr const char* kDensityValues = "\"values\":\"";
// Grid values are kept in steps of this (e/A^3), as one signed byte each
// (so up to +-0.635), enough for surfaces from 0.02 to 0.6 e/A^3.
inline constexpr double kDensityQuantum = 0.005;

// `library`: the text of the viewer library (3Dmol.js); without it the page
// still shows the atom table and says why the 3D view is missing.
// `density`: the grid blocks of the deformation density, drawn as
// isosurfaces at a level the page lets the reader change; none without a
// multipole model.
void write_setup_page(const Model& model, const Neighbors& neighbours, const std::vector<DrawnDummy>& dummies,
                      const std::vector<AtomSetup>& setup, const std::set<int>& warned_atoms,
                      const std::optional<std::string>& library, const std::vector<DensityGrid>& density,
                      std::ostream& os);

}  // namespace vorn
