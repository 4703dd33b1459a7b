// The kinds of X-H group and their standard (neutron) X-H lengths.
#pragma once

#include <functional>
#include <string>

#include "control/switches.hpp"
#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

struct XhGroup {
  enum class Kind {
    Unhandled,      // parent is not C, N, O or S: the hydrogen is left alone
    NotIdentified,  // handled element, unknown group: H keeps its distance
    Identified,
  };
  Kind kind = Kind::Unhandled;
  std::string name;      // group name shown in the log
  double length = 0;      // standard X-H length (Angstrom)
  double ratio = 0;       // U(H)/U(X) ratio of the MoPro restraint
};

// The U(H)/U(X) ratio of the restraint on a hydrogen whose parent (atomic
// number parent_z) has parent_neighbours bonded atoms, `hydrogens` of them
// hydrogens: 1.5 for methyl, NH3+, hydroxyl and water hydrogens, 1.2 for
// the others.
double hydrogen_u_ratio(int parent_z, int parent_neighbours, int hydrogens);

// The two topology questions the classification asks.  extend_xh_bond answers
// them with the ring query and the group planarity test; a test can answer
// them by hand.
struct XhTopology {
  // The atom lies in exactly one planar ring.
  std::function<bool(int)> aromatic;
  // The atom and its bonded neighbours lie in one plane.
  std::function<bool(int)> planar_group;
};

// Answers from the ring record and the group planarity test (no listing);
// the returned answers refer to the arguments, which must outlive them.
XhTopology xh_topology(const Model& model, const Tols& tols, const Neighbors& nb, const Rings& rings, Log& log);

// Classifies the X-H bond of hydrogen h on parent x from the parent
// descriptors of h and the stored neighbour table.  Stops with "ExtendH"
// errors for an O-H whose partner has no usable O.
XhGroup classify_xh(const Model& model, const Neighbors& nb, const HydrogenParents& parents, int x, int h,
                    const XhTopology& topo);

}  // namespace vorn
