// The run state: every shared record of a run, in one object that the
// routines receive explicitly.  A test builds one, fills the few records a
// routine reads, and calls the routine.
#pragma once

#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "control/switches.hpp"
#include "layout/tokens.hpp"
#include "databank/databank.hpp"
#include "databank/databank_records.hpp"
#include "databank/databank_text.hpp"
#include "databank/functional_groups.hpp"
#include "layout/log.hpp"
#include "layout/out_file.hpp"
#include "layout/record_file.hpp"
#include "localframe/equivalence.hpp"
#include "localframe/frame_records.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
#include "topology/fragments.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"
#include "topology/rings.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// The files of a run.  The log holds vorn.out and the terminal; standard
// input is a pointer so that a test can feed it.
struct Io {
  Log log;
  std::istream* input = &std::cin;
  OutFile mas;      // xd_vorn.mas
  OutFile par;      // xd_vorn.inp
  OutFile mopro;    // mopro_vorn.par
  OutFile con;      // con_mopro.inp
  OutFile spf;      // vorn.spf
  OutFile svg;      // vorn.svg
  bool group_written = false;   // group.ang, by the functional-group test
  OutFile ang;      // vorn.ang
  OutFile reset;    // reset.bond
  OutFile cnst;     // const.bond
  OutFile res;      // res_mopro.inp
  OutFile fixedh;   // fixedH.ins
  RecordFile db;    // the databank
};

struct RunState {
  Switches sw;
  Model model;

  // Neighbour search and ring search.
  Neighbors nb;
  Rings rings;
  AtomIndex index;         // cell lists over the atom table

  // Local frames.
  Dummies dummy;
  KappaSets kset;

  // Databank transfer.
  Mpoles mp;
  Kappas kappas;
  Forh forh;
  Exceptions except;
  DatabankText dbtext;     // the databank in memory

  // Texts kept for the MoPro files.

  Io io;

  // Convenience accessors.
  Atom& atom(int i) { return model.atoms[i]; }
  const Atom& atom(int i) const { return model.atoms[i]; }
  int natom() const { return model.natom; }
  int ncomplete() const { return model.cryst.ncomplete; }
  std::ostream& log() { return io.log.log(); }
  std::ostream& term() { return io.log.term(); }
  // The run's log, at the verbosity of the run's switches.
  Log& log_sink() {
    io.log.verbosity = sw.verbosity;
    return io.log;
  }
};

// Cartesian and fractional position of atom i of the run's model.
inline Vec3 cart(const RunState& rs, int i) { return cart(rs.model, i); }
inline Vec3 frac(const RunState& rs, int i) { return frac(rs.model, i); }

// The stages not yet converted (the local frames, the databank transfer,
// the writers) and their tests reach the searches through the run state:
// these calls hand them the values the searches take.
inline IndexedAtoms indexed_atoms(RunState& rs) { return {rs.model, rs.sw, rs.index}; }
inline RingSearch ring_search(RunState& rs) { return {indexed_atoms(rs), rs.log_sink(), rs.rings}; }
inline bool direct_forms(RunState& rs) { return direct_forms(rs.index); }
inline void atom_moved(RunState& rs, int k) { atom_moved(rs.index, rs.model, k); }
inline std::vector<int> entries_closer(RunState& rs, const Vec3& p, float r, int first, int last) {
  return entries_closer(indexed_atoms(rs), p, r, first, last);
}
inline Neig getnei(RunState& rs, int atom, float rmax, int& disordered) {
  return search_neighbours(indexed_atoms(rs), atom, rmax, disordered);
}
inline Neig findnei(RunState& rs, int atom, float rmax, SearchListing listing) {
  return find_neighbours(indexed_atoms(rs), rs.log_sink(), atom, rmax, listing);
}
inline int nearest_neighbor(RunState& rs, int atom, float rmax, const std::function<bool(int)>& accept) {
  return nearest_neighbor(indexed_atoms(rs), atom, rmax, accept);
}
inline void findallneighbors(RunState& rs) { rs.nb = find_all_neighbours(indexed_atoms(rs), rs.log_sink()); }
inline std::vector<int> sortnei(const RunState& rs, int atom) { return neighbours_by_type(rs.nb, atom); }
inline void prtatomnei(RunState& rs, int atom, std::ostream& os) {
  write_neighbours(rs.model, rs.nb, atom, rs.sw.verbosity >= 2, os);
}
inline std::vector<int> collectnei(const RunState& rs, int atom) { return neighbours_and_self(rs.nb, atom); }
// kind 2: a ring; print 1: the listing.  1 when planar.
inline int planarity(RunState& rs, int print, const std::vector<int>& list, int kind) {
  return is_planar(rs.model, rs.sw.tols, rs.log_sink(), print == 1, list, kind == 2 ? PlaneKind::ring : PlaneKind::group)
             ? 1
             : 0;
}
inline RingState isitcyclic(const RunState& rs, int atom) { return ring_state(rs.rings, atom); }
// The ring search into rs.rings; returns the reduced structure.
inline std::vector<int> find_rings(RunState& rs) {
  FoundRings found = find_rings(indexed_atoms(rs), rs.log_sink());
  rs.rings = std::move(found.rings);
  return found.reduced;
}
// The equivalence test of the kappa-set search, with the run's values
// (each flag 1 to compare).
inline bool sameatoms(RunState& rs, int a, int b, int compare_symmetry, int compare_groups, int simple,
                      int compare_rings) {
  return sameatoms(rs.model, rs.nb, rs.rings, rs.except, rs.log_sink(), a, b,
                   {compare_symmetry != 0, compare_groups != 0, simple != 0, compare_rings != 0});
}
// The databank transfer of the kappa-set search, with the run's values.
inline DatabankSource databank_source(RunState& rs) { return {rs.io.db, rs.dbtext, direct_forms(rs.index)}; }
inline Mpoles1 readdb(RunState& rs, int i, const Forring& ring, bool planar_group) {
  return readdb(databank_source(rs), indexed_atoms(rs), rs.forh, rs.except, rs.log_sink(), i, ring, planar_group);
}
inline void copy_databank_result(RunState& rs, int i, const Mpoles1& entry) {
  copy_databank_result(rs.atom(i), i, rs.kset.kappaset[i], entry, rs.mp, rs.kappas);
}
inline void databank_defaults(RunState& rs, int i) {
  databank_defaults(rs.atom(i), i, rs.kset.kappaset[i], rs.mp, rs.kappas);
}
// The functional-group test of the kappa-set search, with the run's values.
inline void detexcept(RunState& rs, int atom) {
  if (detexcept(rs.model, rs.sw, rs.nb, rs.rings, rs.except, rs.log_sink(), atom)) rs.io.group_written = true;
}
inline void gencompletefrags(RunState& rs) {
  rs.model = complete_fragments(std::move(rs.model), rs.sw, direct_forms(rs.index), rs.log_sink());
}

// Writes text (which may hold several lines) and a line end to the log.
void to_log(RunState& rs, std::string_view text);
// ... to the terminal.
void to_term(RunState& rs, std::string_view text);
// ... to the log and then to the terminal.
void to_both(RunState& rs, std::string_view text);
// ... as a warning, counted for the closing line.
void warn(RunState& rs, std::string_view text);


}  // namespace vorn
