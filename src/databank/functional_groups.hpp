// Functional-group exceptions.
#pragma once

#include <string>
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
// the listing for group.ang when the group is unknown, else nothing.
std::string detect_functional_group(const Model& model, const Switches& sw, const Neighbors& nb, const Rings& rings,
                      FunctionalGroups& except, Log& log, int i);
// The text of group.ang: atom i and its neighbourhood up to three bonds,
// in PLATON format.
std::string group_listing(const Model& model, const Neighbors& nb, int i);
// 1 when j is among the first n entries of list; otherwise appends it.
int append_if_absent(std::vector<int>& list, int j);

}  // namespace vorn
