// vorn.svg: a drawing of every atom's local axes, so that the frames can be
// checked without a plotting program.  Each molecule (fragment of bonded
// atoms of the atom table) has its own panel, viewed along the normal of
// its best plane; the panel's projection is written into the file
// (data-origin, data-u, data-v, data-scale, data-offset) so that a reader
// can map any Cartesian point onto it.
#pragma once

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gemmi/math.hpp>

#include "localframe/frame_records.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// A dummy atom as the drawing needs it: label and Cartesian position.
struct DrawnDummy {
  std::string label;
  gemmi::Vec3 pos;
};

// Atoms on special positions are ringed; atoms that a warning named
// (`warned_atoms`) or whose forbidden populations were zeroed get a dashed
// ring.
void write_axes_drawing(const Model& model, const Neighbors& neighbours, const std::vector<DrawnDummy>& dummies,
                        const std::vector<AtomSetup>& setup, const std::set<int>& warned_atoms, std::ostream& os);

}  // namespace vorn
