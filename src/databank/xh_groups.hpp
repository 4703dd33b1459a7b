// The kinds of X-H group and their standard (neutron) X-H lengths.
#pragma once

#include <functional>
#include <string>

namespace vorn {

struct RunState;

struct XhGroup {
  enum class Kind {
    Unhandled,      // parent is not C, N, O or S: the hydrogen is left alone
    NotIdentified,  // handled element, unknown group: H keeps its distance
    Identified,
  };
  Kind kind = Kind::Unhandled;
  std::string name;      // group name shown in the log
  float length = 0;      // standard X-H length (Angstrom)
  float ratio = 0;       // U(H)/U(X) ratio of the MoPro restraint
};

// The two topology questions the classification asks.  extendh answers
// them with the ring query and the group planarity test; a test can answer
// them by hand.
struct XhTopology {
  // The atom lies in exactly one planar ring.
  std::function<bool(int)> aromatic;
  // The atom and its bonded neighbours lie in one plane.
  std::function<bool(int)> planar_group;
};

// Answers from the ring record and the group planarity test (no listing).
XhTopology xh_topology(RunState& rs);

// Classifies the X-H bond of hydrogen h on parent x from the parent
// descriptors of h (rs.forh) and the stored neighbour table (rs.nb).
// Stops with "ExtendH" errors for an O-H whose partner has no usable O.
XhGroup classify_xh(RunState& rs, int x, int h, const XhTopology& topo);

}  // namespace vorn
