// The crystal as a MATTS bank sees it: bonds by the bank's covalent radii
// and tolerance in the infinite crystal (a hydrogen keeps its nearest
// neighbour only), the symmetry images around an atom built on demand, and
// the descriptors the entries test (neighbours, atom planarity, planar
// rings, 3- and 4-membered rings).
#pragma once

#include <array>
#include <map>
#include <vector>

#include <gemmi/math.hpp>
#include <gemmi/unitcell.hpp>

#include "databank/matts_bank.hpp"
#include "structure/model.hpp"

namespace vorn {

// x' = rot x + tran, in fractional coordinates.
struct FracOp {
  gemmi::Mat33 rot;
  gemmi::Vec3 tran;
  gemmi::Vec3 apply(const gemmi::Vec3& x) const { return rot.multiply(x) + tran; }
  FracOp then(const FracOp& inner) const { return {rot.multiply(inner.rot), rot.multiply(inner.tran) + tran}; }
};

// A bond of an atom of the table: to the image op(x) of atom `atom`.
struct BankBond {
  int atom = 0;   // entry index
  FracOp op;
  double length = 0;
};

struct BankGraph {
  gemmi::UnitCell cell;               // a box around the atoms for Cartesian input
  std::vector<gemmi::Vec3> frac;      // atom i of the table at [i]
  std::vector<int> z;
  std::vector<std::vector<BankBond>> bonds;
  gemmi::Position cart(const gemmi::Vec3& f) const { return cell.orthogonalize(gemmi::Fractional(f)); }
};

// Covalent radius (Angstrom) by which the bank's bonds are found.
double matts_covalent_radius(int z);

// The bonds of every atom of the table; a hydrogen is bonded to its
// nearest neighbour only.
BankGraph find_bank_bonds(const Model& model, bool has_cell, const MattsSettings& settings);

// The atoms around one atom of the table: node 0 is the atom itself,
// further nodes are atoms of the table or their symmetry images, added as
// their neighbours are asked for.
class BankCluster {
public:
  struct Node {
    int atom = 0;
    FracOp op;
    gemmi::Position pos;
  };
  BankCluster(const BankGraph& graph, int atom);
  const std::vector<int>& neighbours(int node);
  const Node& node(int n) const { return nodes_[static_cast<std::size_t>(n)]; }
  int size() const { return static_cast<int>(nodes_.size()); }
  bool bonded(int a, int b);
  // Shortest bond path from node 0, for the nodes up to `depth` bonds away.
  std::vector<int> distances(int depth);

private:
  int add(int atom, const FracOp& op);
  const BankGraph& graph_;
  std::vector<Node> nodes_;
  std::vector<std::vector<int>> adjacent_;
  std::vector<bool> expanded_;
  std::map<std::array<long long, 4>, int> index_;
};

// What the entries test of an atom of the table; the same for all its
// images.
struct AtomDescriptors {
  std::vector<int> neighbour_z;     // sorted
  double planarity = 0;             // rms deviation from the best plane (0 below 3 neighbours)
  bool planar_known = false;        // 3 or more neighbours
  bool planar = false;
  bool ring_eligible = false;       // may be a member of a planar ring
  int rings3 = 0, rings4 = 0;
  std::vector<int> planar_ring_sizes;   // sorted
};

// rms deviation of the points from their best plane, sqrt(lambda_min / (N - 3)).
double plane_deviation(const std::vector<gemmi::Position>& points);

// The descriptors of every atom of the table.
std::vector<AtomDescriptors> describe_atoms(const BankGraph& graph, const MattsSettings& settings);

// The planar rings (3 to 8 atoms) through node n of the cluster, as node
// lists in walk order, given the descriptors of the table's atoms.
std::vector<std::vector<int>> planar_rings_through(BankCluster& cluster, int n,
                                                   const std::vector<AtomDescriptors>& descriptors,
                                                   const MattsSettings& settings);

}  // namespace vorn
