// The run sequence of the program: the control file, the structure, the
// searches, the per-atom loop and the writers, in that order.
#pragma once

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "control/switches.hpp"
#include "layout/log.hpp"
#include "layout/out_file.hpp"
#include "layout/output_set.hpp"
#include "layout/record_file.hpp"
#include "structure/model.hpp"

namespace vorn {

// The files of a run.  The log holds vorn.out and the terminal; standard
// input is a pointer so that a test can feed it.
struct RunFiles {
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
  OutFile tsc;      // vorn.tsc
  RecordFile db;    // the databank
  OutputSet outputs;  // every output above but the log, moved into place together
};

// The structure file(s) named by the control file, read by the reader of
// their format.
Model read_structure(const Switches& sw, Log& log);

// The banner.
void header(std::ostream& os);
// Opens the databank file named by the control file; when it does not open,
// asks on the terminal (`answers`) for another name until one opens, and
// returns the name that opened, as typed.  Stops at the end of the answers.
FileName open_databank(FileName name, RecordFile& db, std::istream* answers, Log& log);
// The files a run wrote besides those every run writes.
struct WrittenFiles {
  bool parameters = false;          // xd_vorn.inp
  bool hydrogen_restraints = false; // fixedH.ins, reset.bond, const.bond, res_mopro.inp
  bool fixed_hydrogens = false;     // fixedH.ins
  bool reduced = false;             // reduced.ang, reduced_1.ang
  bool complete = false;            // complete.ang
  bool groups = false;              // group.ang
  bool form_factors = false;        // vorn.tsc
  bool transferred_model = false;   // vorn_types.csv, vorn_model.cif
  int density_maps = 0;             // vorn_map_1.svg ...
};
// The closing summary of the files written, to the log and the terminal;
// with a databank, where to find the summary of its atom types.
void write_summary(const WrittenFiles& files, bool databank, Log& log);
// A whole run in the working directory; returns the exit status.
int run_program(const std::vector<std::string>& args, RunFiles& files);

}  // namespace vorn
