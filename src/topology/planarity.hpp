// Least-squares plane test and the ring-membership query.
#pragma once

#include <vector>

#include "control/switches.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// Which limit a plane is held to: the ring or the group planarity
// tolerance.
enum class PlaneKind { ring, group };

// Whether the atoms lie in a least-squares plane within the tolerance of
// their kind.  listed writes the test to the log (the plane and the
// distances too from verbosity 2 on).
bool is_planar(const Model& md, const Tols& tols, Log& log, bool listed, const std::vector<int>& list,
               PlaneKind kind);

// Where an atom stands among the rings: in a ring at all, in one planar
// ring (of one or two rings), at the junction of two planar rings.  ring is
// the planar ring's number, the sum of both numbers at a junction; size its
// size, the sum of both sizes at a junction.  An atom of three rings counts
// as in a ring only.
struct RingState {
  bool in_ring = false;
  bool in_one_planar = false;
  bool in_two_planar = false;
  int ring = 0;
  int size = 0;
};
// Whether the atom is in a ring, and in one or two planar rings.
RingState ring_state(const Rings& rings, int atom);

}  // namespace vorn
