// Least-squares plane test and the ring-membership query.
#pragma once

#include <vector>

namespace vorn {

struct RunState;

// kind 2 = ring (ring tolerance), otherwise group tolerance.  Returns 1 when
// planar.  print = 1 writes the listing.
int planarity(RunState& rs, int print, const std::vector<int>& list, int kind);

struct RingState {
  int cyclic = 0;
  int inone = 0;
  int intwo = 0;
  int ring = 0;
  int size = 0;
};
RingState isitcyclic(const RunState& rs, int atom);

}  // namespace vorn
