// The values a test builds up before it calls a stage (switches, model,
// neighbours, rings, the tables of the per-atom loop) and the files of a
// run kept in memory; and the stages called with those values.
#pragma once

#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "control/switches.hpp"
#include "databank/databank.hpp"
#include "databank/databank_records.hpp"
#include "databank/databank_text.hpp"
#include "databank/functional_groups.hpp"
#include "driver/run.hpp"
#include "layout/log.hpp"
#include "localframe/atom_loop.hpp"
#include "localframe/equivalence.hpp"
#include "localframe/frame_records.hpp"
#include "localframe/local_frame.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/fragments.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"
#include "topology/rings.hpp"
#include "topology/topology_records.hpp"

namespace vorn::test {

struct TestRun {
  // Room for a model built by hand (natom set, atoms filled in place).
  static constexpr int kHandBuiltEntries = 64;
  TestRun() : nb(kHandBuiltEntries) {
    model.hold_entries(kHandBuiltEntries);
    tables.hold_entries(kHandBuiltEntries);
  }
  // A new atom's index, with room for it in every table, as a reader adds it.
  int add_atom() {
    const int i = model.natom++;
    model.hold_entries(model.natom);
    tables.hold_entries(model.natom);
    if (static_cast<int>(nb.of.size()) < model.natom) nb.of.resize(static_cast<std::size_t>(model.natom));
    return i;
  }

  RunFiles io;
  Switches sw;
  Model model;

  // Neighbour search and ring search.
  Neighbors nb;
  Rings rings;
  AtomIndex index;         // cell lists over the atom table

  // The tables of the per-atom loop, by their names there.
  AtomTables tables;
  Dummies& dummy = tables.dummies;
  KappaSets& kappa_sets = tables.kappa_sets;
  Populations& populations = tables.populations;
  Kappas& kappas = tables.kappas;
  HydrogenParents& hydrogen_parents = tables.hydrogen_parents;
  FunctionalGroups& groups = tables.groups;
  DatabankText dbtext;     // the databank in memory
  DatabankSource databank{io.db, dbtext, false};

  // Convenience accessors.
  Atom& atom(int i) { return model.atoms[i]; }
  const Atom& atom(int i) const { return model.atoms[i]; }
  int natom() const { return model.natom; }
  int entries() const { return model.entries; }
  std::ostream& log() { return io.log.log(); }
  std::ostream& term() { return io.log.term(); }
  // The run's log, at the verbosity of the run's switches.
  Log& log_sink() {
    io.log.verbosity = sw.verbosity;
    return io.log;
  }
  // The per-atom loop over these values (the databank when the switches
  // ask for one).
  AtomLoop loop() {
    databank.direct = direct_forms(index);
    return {sw, model, index, nb, rings, sw.use_databank ? &databank : nullptr, log_sink(), tables, nullptr};
  }
};

// Cartesian and fractional position of entry i of the run's model.
inline Cartesian cart(const TestRun& rs, int i) { return cart(rs.model, i); }
inline Fractional frac(const TestRun& rs, int i) { return frac(rs.model, i); }

// The stages called with the test run's values, under their own names.
inline IndexedAtoms indexed_atoms(TestRun& rs) { return {rs.model, rs.sw, rs.index}; }
inline RingSearch ring_search(TestRun& rs) { return {indexed_atoms(rs), rs.log_sink(), rs.rings}; }
inline bool direct_forms(TestRun& rs) { return direct_forms(rs.index); }
inline void atom_moved(TestRun& rs, int k) { atom_moved(rs.index, rs.model, k); }
inline std::vector<int> entries_closer(TestRun& rs, const Vec3& p, double r, int first, int end) {
  return entries_closer(indexed_atoms(rs), p, r, first, end);
}
inline FoundNeighbours search_neighbours(TestRun& rs, int atom, double rmax, int& disordered) {
  return search_neighbours(indexed_atoms(rs), atom, rmax, disordered);
}
inline FoundNeighbours find_neighbours(TestRun& rs, int atom, double rmax, SearchListing listing) {
  return find_neighbours(indexed_atoms(rs), rs.log_sink(), atom, rmax, listing);
}
inline int nearest_neighbor(TestRun& rs, int atom, double rmax, const std::function<bool(int)>& accept) {
  return nearest_neighbor(indexed_atoms(rs), atom, rmax, accept);
}
inline void run_neighbour_search(TestRun& rs) { rs.nb = find_all_neighbours(indexed_atoms(rs), rs.log_sink()); }
inline std::vector<int> neighbours_by_type(const TestRun& rs, int atom) { return neighbours_by_type(rs.nb, atom); }
inline void write_neighbours(TestRun& rs, int atom, std::ostream& os) {
  write_neighbours(rs.model, rs.nb, atom, rs.sw.verbosity >= 2, os);
}
inline std::vector<int> neighbours_and_self(const TestRun& rs, int atom) { return neighbours_and_self(rs.nb, atom); }
// kind 2: a ring; print 1: the listing.  1 when planar.
inline int planarity(TestRun& rs, int print, const std::vector<int>& list, int kind) {
  return is_planar(rs.model, rs.sw.tols, rs.log_sink(), print == 1, list, kind == 2 ? PlaneKind::ring : PlaneKind::group)
             ? 1
             : 0;
}
// The ring search into rs.rings; returns the reduced structure.
inline std::vector<int> find_rings(TestRun& rs) {
  FoundRings found = find_rings(indexed_atoms(rs), rs.log_sink());
  rs.rings = std::move(found.rings);
  return found.reduced;
}
// The equivalence test of the kappa-set search, with the run's values
// (each flag 1 to compare).
inline bool chemically_equivalent(TestRun& rs, int a, int b, int compare_symmetry, int compare_groups, int simple,
                      int compare_rings) {
  return chemically_equivalent(rs.model, rs.nb, rs.rings, rs.groups, rs.log_sink(), a, b,
                   {compare_symmetry != 0, compare_groups != 0, simple != 0, compare_rings != 0});
}
// The databank transfer of the kappa-set search, with the run's values.
inline DatabankSource databank_source(TestRun& rs) { return {rs.io.db, rs.dbtext, direct_forms(rs.index)}; }
inline DatabankMatch search_databank(TestRun& rs, int i, const PlanarRings& ring, bool planar_group) {
  return search_databank(databank_source(rs), indexed_atoms(rs), rs.hydrogen_parents, rs.groups, rs.log_sink(), i, ring, planar_group);
}
inline void copy_databank_result(TestRun& rs, int i, const DatabankMatch& entry) {
  copy_databank_result(rs.atom(i), i, rs.kappa_sets.of[i].kappa_set, entry, rs.populations, rs.kappas);
}
inline void databank_defaults(TestRun& rs, int i) {
  databank_defaults(rs.atom(i), i, rs.kappa_sets.of[i].kappa_set, rs.populations, rs.kappas);
}
// The functional-group test of the kappa-set search, with the run's values.
inline void detect_functional_group(TestRun& rs, int atom) {
  if (std::string g = detect_functional_group(rs.model, rs.sw, rs.nb, rs.rings, rs.groups, rs.log_sink(), atom); !g.empty())
    rs.tables.group_listing = std::move(g);
}
inline void run_complete_fragments(TestRun& rs) {
  rs.model = complete_fragments(std::move(rs.model), rs.sw, direct_forms(rs.index), rs.log_sink());
}

inline void to_log(TestRun& rs, std::string_view text) { to_log(rs.io.log, text); }
inline void to_term(TestRun& rs, std::string_view text) { to_term(rs.io.log, text); }

}  // namespace vorn::test
