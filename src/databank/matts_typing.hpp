// Typing by a MATTS bank: each atom of the table gets the first entry (in
// the bank's order) whose named atoms can be mapped onto its crystal
// environment, with every map that fits (the frame builder chooses among
// them).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "databank/matts_bank.hpp"
#include "databank/matts_graph.hpp"
#include "layout/log.hpp"

namespace vorn {

// One way of mapping an entry onto an atom's environment: the image of each
// named atom, and the planar ring given to each ring label (walk order).
struct MattsMap {
  std::vector<BankCluster::Node> named;
  std::map<std::string, std::vector<BankCluster::Node>> rings;
};

// The type of one atom of the table; entry -1 when no entry fits.
struct MattsType {
  int entry = -1;
  std::vector<MattsMap> maps;
};

struct MattsTyping {
  BankGraph graph;
  std::vector<AtomDescriptors> descriptors;
  std::vector<MattsType> types;   // atom i of the table at [i]
  int typed() const;
};

// Bonds, descriptors and types of every atom.  Entries are looked up by the
// element and neighbour count of their central atom, so an atom is tried
// only against the entries that can fit it.
MattsTyping type_atoms(const MattsBank& bank, const Model& model, bool has_cell);

// Whether an atom's image satisfies the descriptors of one named atom
// (element, neighbours, planarity, planar rings, 3- and 4-rings), the
// elements of its named neighbours given.
bool satisfies(const MattsAtom& named, int z, const AtomDescriptors& d, const std::vector<int>& named_neighbour_z);

// The log of the typing: per atom its entry, comment and number of
// instances, the bonds in which the bank's bonds differ from the program's
// (neighbour counts given per atom of the table), one warning listing the
// untyped atoms, and one terminal line with the counts.
void report_typing(const MattsBank& bank, const MattsTyping& typing, const Model& model,
                   const std::vector<int>& program_neighbour_counts, Log& log);

}  // namespace vorn
