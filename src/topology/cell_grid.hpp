// Cell lists over Cartesian positions, so that "every entry within r of a
// point" costs the entries of a few cells instead of the whole atom table.
//
// The grid only proposes candidates: every entry that can lie within r of
// the point is among them (with a margin for rounding), in ascending entry
// index, and the caller applies its own distance test to them in that
// order.  So a search through the grid accepts exactly the entries, in
// exactly the order, that a scan of the whole table accepts, and every
// tie-break that rests on table order stays the same.
#pragma once

#include <vector>

#include "control/switches.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"

namespace vorn {

class CellGrid {
public:
  // Bins points[0..n-1] as entries 0..n-1; cells have at least the given
  // edge (larger when the points are sparse, to bound the number of cells).
  void build(const std::vector<Vec3>& points, double edge);
  // Adds entry id at p (an appended entry, or one that moved).
  void insert(int id, const Vec3& p);
  // Removes entry id, binned at p.
  void remove(int id, const Vec3& p);
  // Every entry whose binned position can lie within r of p, ascending.
  // Entries with a non-finite coordinate are candidates of every search.
  void candidates(const Vec3& p, double r, std::vector<int>& out) const;
  bool empty() const { return cells_ == 0; }

private:
  int axis_cell(int k, double x) const;
  int cell_of(const Vec3& p) const;

  double lo_[3] = {0, 0, 0};
  double inv_edge_ = 1;
  int n_[3] = {0, 0, 0};
  int cells_ = 0;
  std::vector<int> start_;            // entries binned by build(), cell by cell
  std::vector<int> ids_;
  std::vector<Vec3> cpos_;            // their positions, in the same order
  bool any_gone_ = false;
  std::vector<char> gone_;            // entry removed from its build() cell
  std::vector<std::vector<int>> extra_;  // per cell: entries inserted later
  std::vector<Vec3> pos_;             // where each entry is binned (entry id at id)
  std::vector<int> anywhere_;         // non-finite positions
};

// The index of the model's atom table (entries 0 .. Model::entries - 1): built on
// first use, grown when entries are appended, told when an atom moves.
struct AtomIndex {
  // Test hook: 1 runs the direct all-pairs forms of the searches (the
  // oracle the indexed forms are checked against), 0 the indexed forms;
  // -1 takes it from the environment variable VORN_DIRECT at first use
  // (VORN_DIRECT=1 selects the direct forms for a whole run).
  int direct = -1;
  bool built = false;
  int count = 0;                 // entries binned
  std::vector<Vec3> binned;      // where each entry was binned (entry k at k)
  double largest_covalent_radius = 0;              // largest covalent radius among the entries
  CellGrid grid;
  std::vector<int> scratch;      // candidate lists of the searches
  std::vector<int> near;
  std::vector<int> stamp;        // entry accepted by search number `search`
  // 1 when another entry may lie within 0.01 A of the entry (entry k at
  // k): only such an entry can be a duplicate site of an accepted one.
  std::vector<char> twin;
  int search = 0;
};

// The atom table as the searches read it: the model's entries 0 ..
// entries - 1, the switches that set the bond criterion (covalent radii and
// tolerance), and the cell-list index over the entries, which the searches
// build on first use and keep up to date.  A view made for the call: the
// index outlives it, the model may be replaced between calls.
struct IndexedAtoms {
  const Model& model;
  const Switches& sw;
  AtomIndex& index;
  const Atom& atom(int i) const { return model.atoms[i]; }
  int entries() const { return model.entries; }
};

// Whether the direct forms are to run (see AtomIndex::direct).
bool direct_forms(AtomIndex& index);
// Bins every entry 0 .. entries - 1 afresh.
void index_atoms(const IndexedAtoms& t);
// The index, brought up to date with appended entries.
AtomIndex& atom_index(const IndexedAtoms& t);
// Atom k has moved (the hydrogen extension): rebins it.
void atom_moved(AtomIndex& index, const Model& model, int k);
// Candidates for "entries within r of p": a superset, ascending.
const std::vector<int>& entries_near(const IndexedAtoms& t, const Vec3& p, double r);
// The entries first .. end - 1 lying strictly closer than r to p, ascending
// (the exact test; the symmetry-generated axis atoms use it).
std::vector<int> entries_closer(const IndexedAtoms& t, const Vec3& p, double r, int first, int end);

bool finite3(const Vec3& p);

}  // namespace vorn
