#include "driver/run.hpp"

#include <sys/resource.h>

#include <exception>
#include <memory>
#include <string>

#include "control/control_file.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "databank/rescale.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "localframe/atom_loop.hpp"
#include "structure/readers/readers.hpp"
#include "topology/fragments.hpp"
#include "topology/neighbors.hpp"
#include "topology/rings.hpp"
#include "localframe/dummy_atoms.hpp"
#include "writers/auxiliary.hpp"
#include "writers/axes_drawing.hpp"
#include "writers/bond_restraints.hpp"
#include "writers/mopro.hpp"
#include "writers/parameter_files.hpp"
#include "writers/xd_master.hpp"
#include "writers/xd_master_copy.hpp"

namespace vorn {

namespace {

struct Times {
  double user = 0, sys = 0;
};

// Cumulative processor times of the process, in seconds.
Times process_times() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  Times t;
  t.user = static_cast<double>(ru.ru_utime.tv_sec) + 1e-6 * static_cast<double>(ru.ru_utime.tv_usec);
  t.sys = static_cast<double>(ru.ru_stime.tv_sec) + 1e-6 * static_cast<double>(ru.ru_stime.tv_usec);
  return t;
}

std::string times_line(const char* text, const Times& t) {
  return layout::format("(/a,3(1x,f12.1))", text, t.user, t.sys, t.user + t.sys);
}

const std::string kRule80(80, '-');

// Opens an output file of the run; a file that cannot be created stops the
// run with a message naming it.
void open_output(OutFile& f, const std::string& name) {
  if (!f.open(name)) fail("VORN", "Unable to create output file " + name);
}

// Completes an output file; one that could not be written whole or moved
// into place (a full disk, a directory of that name) stops the run, so
// that the summary never names a file that is not there.
// Files that a step of the run closed itself are checked here too.
void finish_output(OutFile& f) {
  if (!f.close() || f.failed()) fail("VORN", "Unable to write output file " + f.name());
}

}  // namespace

// Step 8: the databank file, asking for another name until one opens.
void opendb(RunState& rs) {
  std::string name(rs.sw.abank.trimmed());
  if (rs.io.db.open(name)) return;
  to_term(rs, "");
  to_term(rs, " Error opening databank file " + rs.sw.abank.str());
  for (;;) {
    std::string answer;
    do {
      rs.term() << " Enter the name of databank file : " << std::flush;
      if (!rs.io.input || !std::getline(*rs.io.input, answer)) {
        to_term(rs, "");
        fail("OpenDB", "No databank file name on standard input (end of input)");
      }
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();
      rs.sw.abank = answer;
    } while (rs.sw.abank.blank());
    // The name is taken as typed, without its leading blanks.
    std::string typed(rs.sw.abank.trimmed());
    const std::size_t first = typed.find_first_not_of(' ');
    typed = typed.substr(first);
    if (rs.io.db.open(typed)) return;
    to_term(rs, "");
    to_term(rs, " Error opening databank file " + rs.sw.abank.str());
  }
}

void write_summary(RunState& rs, const WrittenFiles& files) {
  const bool ext = files.hydrogen_restraints;
  to_log(rs, "");
  to_log(rs, kRule80);
  to_both(rs, "");
  to_both(rs, " XD instructions are in file            : xd_vorn.mas");
  if (files.parameters) to_both(rs, " XD parameters are in file              : xd_vorn.inp");
  if (files.fixed_hydrogens) to_both(rs, " Atomic coordinates w/extended H-atoms  : fixedH.ins");
  if (ext) {
    to_both(rs, " RESET BOND instructions for H-atoms    : reset.bond");
    to_both(rs, " CONSTRAINT instructions for H-atoms    : const.bond");
  }
  to_both(rs, " MoPro parameters and local symmetry    : mopro_vorn.par & con_mopro.inp");
  if (ext) to_both(rs, " MoPro restraints for H-atoms           : res_mopro.inp");
  to_both(rs, " Cartesian coordinates in PLATON format : vorn.ang");
  if (files.reduced) to_both(rs, " Reduced structure in PLATON format     : reduced.ang & reduced_1.ang");
  if (files.complete) to_both(rs, " Completed molecules in PLATON format   : complete.ang");
  if (files.groups) to_both(rs, " Unidentified groups in PLATON format   : group.ang");
  to_both(rs, " PLATON plot file with local axes       : vorn.spf");
  to_both(rs, " Drawing of the local axes (SVG)        : vorn.svg");
  to_both(rs, " Program log file                       : vorn.out");
  to_both(rs, "");
  to_both(rs, " Local axes can be visualized in PLATON using command : platon -p vorn.spf");
  if (rs.sw.usedb == 1) to_both(rs, " Summary of DB atom types : grep 'DB comment' vorn.out");
  if (ext) to_both(rs, " Summary of X-H distances : grep -i 'x-h' vorn.out");
  to_both(rs, " Summary of exceptions    : grep -i 'Exception identified' vorn.out");
}

namespace {

// A KEY table without a single key lets XD refine the scale factor alone.
void warn_if_nothing_refined(RunState& rs, const std::vector<AtomSetup>& setup) {
  for (int i = 1; i <= rs.natom(); ++i)
    if (key_text(rs.sw, rs.atom(i), setup[static_cast<std::size_t>(i - 1)].frame.multipoles).find('1') !=
        std::string::npos)
      return;
  warn(rs, " WARNING: the KEY table of xd_vorn.mas refines nothing (no KEYGEN line switches a key on for any atom)");
}

ShelxLabels shelx_labels(const Rename& r) {
  if (r.irename != 1) return ShelxLabels::as_named;
  return r.irs != 0 ? ShelxLabels::numbered_by_type : ShelxLabels::numbered_in_file;
}

}  // namespace

Model read_structure(const Switches& sw, Log& log) {
  const std::string file(sw.args.inpfile.trimmed());
  switch (sw.format) {
    case InputFormat::shelx: return read_shelx(file, shelx_labels(sw.rename), log);
    case InputFormat::xd: return read_xd(file, sw.xdold, log);
    case InputFormat::aim2tab: return read_aim2tab(file, log);
    case InputFormat::platon: return read_platon(file, log);
    case InputFormat::none: break;
  }
  return Model{};
}

namespace {

void normal_run(RunState& rs) {
  WrittenFiles written;
  init(rs);
  Io& io = rs.io;
  // Steps 1 to 3: banner, files written throughout the run, log.
  header(rs.term());
  open_output(io.mas, "xd_vorn.mas");
  open_output(io.mopro, "mopro_vorn.par");
  write_mopro_par_head(io.mopro.os());
  open_output(io.con, "con_mopro.inp");
  write_con_head(io.con.os());
  if (!io.log.file.open("vorn.out", true)) fail("VORN", "Unable to create log file vorn.out");
  header(rs.log());

  // Step 4: control file.
  rs.sw = read_control_file(io.log);
  io.log.verbosity = rs.sw.verbosity;

  // Step 5: exactly one structure reader.
  rs.model = read_structure(rs.sw, io.log);
  if (rs.sw.format == InputFormat::shelx) {
    write_master_head(rs.model, io.mas.os());
    write_mopro_crystal_head(rs.model.shelx_head, io.mopro.os());
  }

  // Step 7: plot file.
  open_output(io.spf, "vorn.spf");
  write_spf_head(io.spf.os());

  // Step 8: databank.
  if (rs.sw.usedb == 1) opendb(rs);

  // Step 9: complete fragments.
  if (rs.sw.ifra == 1 && rs.sw.compfrag > -1) {
    rs.model = complete_fragments(std::move(rs.model), rs.sw, direct_forms(rs.index), io.log);
    if (rs.ncomplete() > rs.natom()) {
      OutFile ang;
      if (!ang.open("complete.ang")) fail("GenCompleteFrags", "Unable to create output file complete.ang");
      write_complete_ang(rs.model, ang.os());
      ang.close();
      layout::write(rs.log(), "(/a)", " File with complete fragment(s) in PLATON format : complete.ang");
      written.complete = true;
    }
  } else {
    rs.model.cryst.ncomplete = rs.natom();
  }

  // Step 10: rings.
  if (rs.sw.args.lrings == 1) {
    written.reduced = true;
    FoundRings found = find_rings(IndexedAtoms{rs.model, rs.sw, rs.index}, io.log);
    rs.rings = std::move(found.rings);
    const std::vector<int>& reduced = found.reduced;
    // Both files are created before either is written, so that one that
    // cannot be created leaves neither behind.
    OutFile ang, ang1;
    if (!ang.open("reduced.ang")) fail("Connect4Rings", "Unable to create output file reduced.ang");
    if (!ang1.open("reduced_1.ang")) fail("Connect4Rings", "Unable to create output file reduced_1.ang");
    write_reduced_ang(rs.model, reduced, ang.os());
    write_reduced_numbered_ang(rs.model, reduced, ang1.os());
    ang.close();
    ang1.close();
    const std::string t = times_line(" Timing for ring search u,s,t (s) :", process_times());
    to_log(rs, t);
    to_term(rs, t);
  }

  // Step 11: hydrogen-extension files.
  if (rs.sw.lfh == 1) {
    open_output(io.reset, "reset.bond");
    open_output(io.cnst, "const.bond");
    open_output(io.res, "res_mopro.inp");
    write_res_head(io.res.os());
  }

  // Step 12: neighbours and the per-atom loop.
  rs.nb = find_all_neighbours(IndexedAtoms{rs.model, rs.sw, rs.index}, io.log);
  if (!io.ang.open("vorn.ang")) fail("LocalDef", "Unable to create output file vorn.ang");
  OldMasterSections old_master;
  if (rs.sw.format == InputFormat::xd)
    old_master = split_old_master(rs.model.xd_master_records, std::string(rs.sw.xdold.trimmed()));
  const std::vector<AtomSetup> setup = set_up_atoms(rs);
  write_master_tables(rs.model, rs.sw, setup, rs.dummy, rs.kset, old_master, io.mas.os());
  warn_if_nothing_refined(rs, setup);
  write_vorn_ang(rs.model, rs.sw, rs.dummy, io.ang.os());
  write_con_site_symmetry(rs.model, setup, io.con.os());
  write_spf_axes(rs.model, setup, io.spf.os());
  open_output(io.svg, "vorn.svg");
  std::vector<DrawnDummy> dummies;
  for (int d = 1; d <= rs.dummy.count; ++d) {
    const Vec3 c = dummy_cart(rs.dummy, rs.model, rs.sw, d);
    dummies.push_back({std::string(rs.dummy.label[d].trimmed()), {c[0], c[1], c[2]}});
  }
  write_axes_drawing(rs.model, rs.nb, dummies, setup, io.svg.os());

  // Step 13.
  if (rs.sw.lfh == 1) {
    write_bond_restraints(rs.model, setup, io.reset.os(), io.res.os(), io.cnst.os());
    io.reset.close();
    io.cnst.close();
    write_res_tail(rs.model, setup, io.res.os());
    io.res.close();
  }

  // Step 14: parameter files.
  if (rs.sw.usedb == 1 || rs.sw.lfh == 1 || rs.sw.lsx == 1) {
    open_output(io.par, "xd_vorn.inp");
    to_log(rs, "");
    to_log(rs, kRule80);
    to_both(rs, "");
    to_both(rs, " Creating XD parameter file...");
    if (rs.sw.lsx != 1) {
      if (rs.sw.lfh == 1) open_output(io.fixedh, "fixedH.ins");
      written.fixed_hydrogens = rs.sw.lfh == 1;
      if (rs.sw.usedb == 1) {
        int searched = 0, found = 0;
        for (const AtomSetup& s : setup) {
          searched += s.databank_searched ? 1 : 0;
          found += s.databank_found ? 1 : 0;
        }
        to_both(rs, layout::format("(/,' ATOMS SEARCHED in DB, FOUND in DB, ','NOT FOUND in DB = ',3i8)", searched,
                                   found, searched - found));
        if (rs.sw.args.iscale != 0)
          rs.mp = rescale_valence_populations(std::move(rs.mp), rs.model, rs.sw.args.iscale, io.input, io.log);
      }
    }
    const bool fixedh = rs.sw.lfh == 1 && rs.sw.lsx != 1;
    write_parameter_files(rs.model, setup, rs.dummy, rs.mp, rs.kappas, rs.kset, io.log,
                          {io.par.os(), io.mopro.os(), io.con.os(), fixedh ? &io.fixedh.os() : nullptr});
    io.con.close();
    io.par.close();
    if (fixedh) io.fixedh.close();
    written.parameters = true;
  }

  // Step 15: plot instructions.
  write_spf_tail(rs.model, rs.sw, rs.dummy, io.spf.os());
  finish_output(io.spf);

  // Steps 16 to 19.
  // Files that the steps above left open are complete at a normal end.
  for (OutFile* f : {&io.mas, &io.mopro, &io.con, &io.ang, &io.svg, &io.par, &io.fixedh, &io.reset, &io.cnst, &io.res})
    finish_output(*f);
  if (rs.sw.usedb == 1) io.db.close();
  written.hydrogen_restraints = rs.sw.lfh == 1;
  written.groups = io.group_written;
  write_summary(rs, written);
  if (const std::string w = warnings_line(rs.io.log); !w.empty()) {
    to_both(rs, "");
    to_both(rs, w);
  }
  const std::string t = times_line(" Total program elapsed times u,s,t (s) :", process_times());
  to_log(rs, t);
  to_term(rs, t);
  to_term(rs, "");
  to_log(rs, "");
  to_log(rs, kRule80);
  to_log(rs, "");
  io.log.file.close();
}

// After an error stop: output files that were not completed are dropped
// (an older complete file of the same name stays), and the log says which.
void close_after_stop(RunState& rs) {
  Io& io = rs.io;
  OutFile* files[] = {&io.mas, &io.par, &io.mopro, &io.con, &io.spf, &io.svg, &io.ang,
                      &io.reset, &io.cnst, &io.res, &io.fixedh};
  std::string dropped;
  for (OutFile* f : files)
    if (f->abandon()) dropped += " " + f->name();
  if (!dropped.empty()) to_log(rs, " Files not written (run stopped):" + dropped);
  io.log.file.close();
}

}  // namespace

void init(RunState& rs) {
  auto fresh = std::make_unique<RunState>();
  fresh->io = std::move(rs.io);
  rs = std::move(*fresh);
}

void header(std::ostream& os) {
  const std::string eq = " " + std::string(71, '=');
  os << "\n"
     << eq << "\n"
     << "   PROGRAM  V O R N  -  AUTOMATIC SETUP OF THE LOCAL COORDINATE SYSTEM\n"
     << eq << "\n"
     << " Program determines the local coordinate system for each atom based on\n"
     << std::string(16, ' ') << "connectivity and geometrical parameters\n"
     << " In addition it provides an interface to TALDRIM LAB pseudoatom databank\n"
     << " Sample VORN input file (vorn.inp) can be printed out with : vorn -h\n"
     << " " << std::string(71, '-') << "\n"
     << eq << "\n";
}

int run_program(RunState& rs, const std::vector<std::string>& args) {
  if (!args.empty()) {
    header(rs.term());
    if (args[0].rfind("-h", 0) == 0) printhelp(rs.term());
    rs.term().flush();
    return 0;
  }
  try {
    normal_run(rs);
    rs.term().flush();
    return 0;
  } catch (const RunError& e) {
    to_log(rs, e.report());
    to_term(rs, e.report());
    close_after_stop(rs);
    rs.term().flush();
    return 1;
  } catch (const std::exception& e) {
    // A fault inside the program: report it in the error layout rather
    // than crash, and keep the complete files of an earlier run.
    const std::string text = std::string("\n ERROR *** VORN *** Internal error: ") + e.what() + "\n";
    to_log(rs, text);
    to_term(rs, text);
    close_after_stop(rs);
    rs.term().flush();
    return 1;
  }
}

}  // namespace vorn
