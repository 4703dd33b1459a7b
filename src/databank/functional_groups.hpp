// Functional-group exceptions.
#pragma once

#include <vector>

#include "control/switches.hpp"
#include "databank/databank_records.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// Identifies the functional group of atom i from its neighbourhood and
// rings and records it in except (flag and group name of i, and the flag
// of a phosphorus it checks); the checks are listed in the log.  Returns
// true when an unknown group was written to group.ang.
bool detexcept(const Model& model, const Switches& sw, const Neighbors& nb, const Rings& rings, Exceptions& except,
               Log& log, int i);
// Writes atom i and its neighbourhood up to three bonds to group.ang.
void printgroup(const Model& model, const Neighbors& nb, int i);
// 1 when j is among the first n entries of list; otherwise appends it.
int checkat(std::vector<int>& list, int j);

}  // namespace vorn
