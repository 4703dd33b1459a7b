// Extension of X-H bonds to standard lengths.
#pragma once

#include <optional>

#include "databank/databank_records.hpp"
#include "control/switches.hpp"
#include "layout/log.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// Extends the bond from x to hydrogen h to the standard length of its
// group and returns it; nothing for a disordered hydrogen (without DISORD
// *extendH) or a group the program cannot handle.  The group is told by
// the neighbour table, the rings and the parent descriptors of h; h is
// moved in the model, and in the cell lists so that later neighbour
// searches meet it where it is now.
std::optional<ExtendedBond> extend_xh_bond(Model& model, AtomIndex& index, const Switches& sw, const Neighbors& nb,
                                    const Rings& rings, const HydrogenParents& parents, Log& log, int x, int h);
// Moves h along x->h so that the distance becomes d; returns the old one.
double set_bond_length(const Vec3& x, Vec3& h, double d);

}  // namespace vorn
