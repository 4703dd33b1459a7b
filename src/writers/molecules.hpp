// The molecules of the atom table, as the drawings show them.
#pragma once

#include <vector>

#include "structure/model.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// Bonded atoms of the table (copies left out), each molecule in the order
// of the table.
std::vector<std::vector<int>> molecules(const Model& model, const Neighbors& nb);

}  // namespace vorn
