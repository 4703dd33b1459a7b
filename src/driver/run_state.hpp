// The run state: every shared record of a run, in one object that the
// routines receive explicitly.  A test builds one, fills the few records a
// routine reads, and calls the routine.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "control/switches.hpp"
#include "layout/tokens.hpp"
#include "databank/databank_records.hpp"
#include "databank/databank_text.hpp"
#include "layout/log.hpp"
#include "layout/out_file.hpp"
#include "layout/record_file.hpp"
#include "localframe/frame_records.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"
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
  Log& log_sink() { return io.log; }
};

// Cartesian and fractional position of atom i of the run's model.
inline Vec3 cart(const RunState& rs, int i) { return cart(rs.model, i); }
inline Vec3 frac(const RunState& rs, int i) { return frac(rs.model, i); }

// Writes text (which may hold several lines) and a line end to the log.
void to_log(RunState& rs, std::string_view text);
// ... to the terminal.
void to_term(RunState& rs, std::string_view text);
// ... to the log and then to the terminal.
void to_both(RunState& rs, std::string_view text);


}  // namespace vorn
