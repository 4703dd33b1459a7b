// Chemical equivalence of two atoms.
#pragma once

#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// What the equivalence test compares besides element and neighbour count.
struct EquivalenceTests {
  bool site_symmetry = false;
  bool functional_groups = false;
  bool simple = false;      // the neighbour count only, not the neighbour types and rings
  bool ring_size = false;
};

// Whether atoms a and b are chemically equivalent: the same element with
// the same neighbours (from the neighbour table), and what `tests` adds
// (ring size from the rings, functional group from except).  At
// verbosity 3 the log says why not.
bool chemically_equivalent(const Model& model, const Neighbors& nb, const Rings& rings, const FunctionalGroups& except, Log& log,
               int a, int b, const EquivalenceTests& tests);

}  // namespace vorn
