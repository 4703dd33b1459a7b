#include "driver/run.hpp"

#include <optional>
#include <sys/resource.h>

#include <algorithm>
#include <optional>
#include <array>
#include <exception>
#include <filesystem>
#include <sstream>
#include <optional>
#include <string>

#include "control/control_file.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "databank/matts_bank.hpp"
#include "databank/matts_transfer.hpp"
#include "databank/matts_typing.hpp"
#include "databank/rescale.hpp"
#include "formfactors/form_factor_table.hpp"
#include "formfactors/reflections.hpp"
#include "formfactors/transferred_atoms.hpp"
#include "layout/layout.hpp"
#include "localframe/atom_loop.hpp"
#include "localframe/kept_xd_model.hpp"
#include "structure/readers/readers.hpp"
#include "structure/readers/reader_common.hpp"
#include "structure/unique_labels.hpp"
#include "control/corrections.hpp"
#include "topology/fragments.hpp"
#include "topology/open_molecules.hpp"
#include "topology/neighbors.hpp"
#include "topology/rings.hpp"
#include "localframe/dummy_atoms.hpp"
#include "topology/cell_grid.hpp"
#include "writers/auxiliary.hpp"
#include "writers/transferred_model.hpp"
#include "writers/axes_drawing.hpp"
#include "writers/setup_page.hpp"
#include "driver/viewer_library.hpp"
#include "driver/density_pictures.hpp"
#include "writers/bond_restraints.hpp"
#include "writers/fixed_hydrogens.hpp"
#include "writers/mopro.hpp"
#include "writers/parameter_files.hpp"
#include "writers/tsc_file.hpp"
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

// The run's own output files, every one but the log.
std::array<OutFile*, 12> run_outputs(RunFiles& io) {
  return {&io.mas,   &io.par,  &io.mopro, &io.con, &io.spf,    &io.svg,
          &io.ang,   &io.reset, &io.cnst, &io.res, &io.fixedh, &io.tsc};
}

// Completes an output file; one that could not be written whole or moved
// into place (a full disk, a directory of that name) stops the run, so
// that the summary never names a file that is not there.
// Files that a step of the run closed itself are checked here too.  When
// writes failed, the message names the file whose write failed first, the
// log included: on a full disk every file written after it fails as well.
void finish_output(RunFiles& io, OutFile& f) {
  if (f.close() && !f.failed()) return;
  const OutFile* first = &f;
  if (f.first_write_failure()) {
    std::vector<const OutFile*> candidates{&io.log.file};
    for (const OutFile* g : run_outputs(io)) candidates.push_back(g);
    for (const OutFile* g : candidates) {
      const auto at = g->first_write_failure();
      if (at && *at < *first->first_write_failure()) first = g;
    }
  }
  if (first == &io.log.file) fail("VORN", "Unable to write log file " + first->name());
  fail("VORN", "Unable to write output file " + first->name());
}

}  // namespace

FileName open_databank(FileName name, RecordFile& db, std::istream* answers, Log& log) {
  if (db.open(std::string(name.trimmed()))) return name;
  to_term(log, "");
  to_term(log, " Error opening databank file " + name.str());
  // A stream of wrong names (a script answering for ever) must not keep
  // the run asking for ever.
  constexpr int kDatabankNameTries = 5;
  int failed_names = 0;
  for (;;) {
    std::string answer;
    do {
      log.term() << " Enter the name of databank file : " << std::flush;
      if (!answers || !std::getline(*answers, answer)) {
        to_term(log, "");
        fail("OpenDB", "No databank file name on standard input (end of input)");
      }
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();
      name = answer;
    } while (name.blank());
    // The name is taken as typed, without its leading blanks.
    std::string typed(name.trimmed());
    typed = typed.substr(typed.find_first_not_of(' '));
    if (db.open(typed)) return name;
    to_term(log, "");
    to_term(log, " Error opening databank file " + name.str());
    if (++failed_names == kDatabankNameTries)
      fail("OpenDB", "No databank file opened after " + std::to_string(kDatabankNameTries) + " names");
  }
}

void write_summary(const WrittenFiles& files, bool databank, Log& log) {
  const bool ext = files.hydrogen_restraints;
  to_log(log, "");
  to_log(log, kRule80);
  to_both(log, "");
  to_both(log, " XD instructions are in file            : xd_vorn.mas");
  if (files.parameters) to_both(log, " XD parameters are in file              : xd_vorn.inp");
  if (files.form_factors) to_both(log, " Aspherical form factors (olex2.refine) : vorn.tsc");
  if (files.fixed_hydrogens) to_both(log, " Atomic coordinates w/extended H-atoms  : fixedH.ins");
  if (ext) {
    to_both(log, " RESET BOND instructions for H-atoms    : reset.bond");
    to_both(log, " CONSTRAINT instructions for H-atoms    : const.bond");
  }
  to_both(log, " MoPro parameters and local symmetry    : mopro_vorn.par & con_mopro.inp");
  if (ext) to_both(log, " MoPro restraints for H-atoms           : res_mopro.inp");
  to_both(log, " Cartesian coordinates in PLATON format : vorn.ang");
  if (files.reduced) to_both(log, " Reduced structure in PLATON format     : reduced.ang & reduced_1.ang");
  if (files.complete) to_both(log, " Completed molecules in PLATON format   : complete.ang");
  if (files.groups) to_both(log, " Unidentified groups in PLATON format   : group.ang");
  if (files.density_maps > 0)
    to_both(log, " Deformation density maps (SVG)         : vorn_map_1.svg" +
                     (files.density_maps > 1 ? " ... vorn_map_" + std::to_string(files.density_maps) + ".svg" : ""));
  if (files.transferred_model) {
    to_both(log, " Entry and frame of every atom          : vorn_types.csv");
    to_both(log, " Transferred model as a rhoCIF          : vorn_model.cif");
  }
  to_both(log, " PLATON plot file with local axes       : vorn.spf");
  to_both(log, " Drawing of the local axes (SVG)        : vorn.svg");
  to_both(log, " Program log file                       : vorn.out");
  to_both(log, "");
  to_both(log, " Local axes can be visualized in PLATON using command : platon -p vorn.spf");
  if (databank) to_both(log, " Summary of DB atom types : grep 'DB comment' vorn.out");
  if (ext) to_both(log, " Summary of X-H distances : grep -i 'x-h' vorn.out");
  to_both(log, " Summary of exceptions    : grep -i 'Exception identified' vorn.out");
}

namespace {

// A KEY table without a single key lets XD refine the scale factor alone.
void warn_if_nothing_refined(const Switches& sw, const Model& model, const std::vector<AtomSetup>& setup, Log& log) {
  // A kept XD model keeps the user's own KEY table, whatever KEYGEN says.
  if (keeps_xd_model(sw, model)) return;
  for (int i = 0; i < model.natom; ++i)
    if (key_text(sw, model.atoms[i], setup[static_cast<std::size_t>(i)].frame.multipoles).find('1') !=
        std::string::npos)
      return;
  warn(log, " WARNING: the KEY table of xd_vorn.mas refines nothing (no KEYGEN line switches a key on for any atom)");
}

ShelxLabels shelx_labels(const Rename& r) {
  if (!r.requested) return ShelxLabels::as_named;
  return r.count_per_type ? ShelxLabels::numbered_by_type : ShelxLabels::numbered_in_file;
}

}  // namespace

namespace {

Model read_structure_file(const Switches& sw, const std::string& file, Log& log) {
  switch (sw.format) {
    case InputFormat::shelx: return read_shelx(file, shelx_labels(sw.rename), log);
    case InputFormat::xd: return read_xd(file, sw.xdold, log);
    case InputFormat::aim2tab: return read_aim2tab(file, log);
    case InputFormat::platon: return read_platon(file, log);
    case InputFormat::cif: return read_cif(file, sw.args.block, shelx_labels(sw.rename), log);
    case InputFormat::none: break;
  }
  return Model{};
}

}  // namespace

Model read_structure(const Switches& sw, Log& log) {
  const std::string file(sw.args.inpfile.trimmed());
  Model model = read_structure_file(sw, file, log);
  make_labels_unique(model, log);
  model.corrections = resolve_corrections(sw.corrections, model);
  // XD's own title is the TITLE line of its master file.
  for (const std::string& r : model.xd_master_records)
    if (model.model_name.blank() && r.rfind("TITLE", 0) == 0) model.model_name = structure_name(std::string_view(r).substr(5));
  // A file that names no structure is named by the file itself.
  if (model.model_name.blank()) model.model_name = structure_name(std::filesystem::path(file).stem().string());
  if (model.model_name.blank()) model.model_name = "VORN";
  return model;
}

namespace {

// The dummy atoms at their Cartesian places, for the drawing.
std::vector<DrawnDummy> drawn_dummies(const Dummies& dummies, const Model& model, const Switches& sw) {
  std::vector<DrawnDummy> drawn;
  for (int d = 1; d <= dummies.count(); ++d) {
    const Vec3 c = dummy_cart(dummies, model, sw, d);
    drawn.push_back({std::string(dummies.numbered(d).label.trimmed()), {c[0], c[1], c[2]}});
  }
  return drawn;
}

void open_output(RunFiles& io, OutFile& f, const std::string& name);

// PICTURES *page: the page is written even without the viewer library (its
// table still shows every atom's frame and type), and the log says why the
// 3D view is missing.
void write_page_step(const Model& model, const Switches& sw, const Neighbors& nb, const std::vector<AtomSetup>& setup,
                     const AtomTables& tables, const std::vector<DensityGrid>& density, RunFiles& io, Log& log) {
  const std::optional<std::string> library = read_viewer_library();
  if (!library)
    warn(log, " vorn.html is written without its 3D view: the viewer library 3Dmol-min.js was not found"
              " (set VORN_3DMOL, or run tools/install-deps.sh browser and build again)");
  OutFile page;
  open_output(io, page, "vorn.html");
  write_setup_page(model, nb, drawn_dummies(tables.dummies, model, sw), setup, log.warned_atoms, library, density,
                   page.os());
  finish_output(io, page);
}

// Every output but the log belongs to the run's output set; a file that
// cannot be created stops the run with a message naming it.
void open_output(RunFiles& io, OutFile& f, const std::string& name) {
  if (!io.outputs.open(f, name)) fail("VORN", "Unable to create output file " + name);
}

// Step 9: the molecules completed from their symmetry copies, written to
// complete.ang when copies were added; without completion, a warning for
// bonds that reach symmetry copies.  The cell lists over the atom table
// follow the model from here on.
Model complete_molecules(Model model, const Switches& sw, AtomIndex& index, RunFiles& io, WrittenFiles& written,
                         Log& log) {
  Switches search = sw;
  if (sw.has_cell && !sw.ncells_given) {
    // Whole molecules by default: incomplete ones are completed as the
    // smallest NCELLS that completes them all would.
    model.entries = model.natom;
    if (const std::optional<int> cells = ncells_for_whole_molecules(model, sw)) {
      search.complete_fragment_cells = *cells;
      to_both(log, layout::format("(/a,i2,a)", " No NCELLS line: molecules completed as with NCELLS", *cells,
                                  " (NCELLS -1 switches this off)"));
    }
  }
  if (!sw.has_cell || search.complete_fragment_cells <= -1) {
    model.entries = model.natom;
    if (sw.has_cell) warn_bonds_through_symmetry(model, sw, log);
    return model;
  }
  model = complete_fragments(std::move(model), search, direct_forms(index), log);
  if (model.entries > model.natom) {
    OutFile ang;
    open_output(io, ang, "complete.ang");
    write_complete_ang(model, ang.os());
    finish_output(io, ang);
    layout::write(log.log(), "(/a)", " File with complete fragment(s) in PLATON format : complete.ang");
    written.complete = true;
  }
  return model;
}

// Step 10: the rings, with the reduced structure written to reduced.ang
// and reduced_1.ang.
Rings find_and_write_rings(const Model& model, const Switches& sw, AtomIndex& index, RunFiles& io, Log& log) {
  FoundRings found = find_rings(IndexedAtoms{model, sw, index}, log);
  OutFile ang, ang1;
  open_output(io, ang, "reduced.ang");
  open_output(io, ang1, "reduced_1.ang");
  write_reduced_ang(model, found.reduced, ang.os());
  write_reduced_numbered_ang(model, found.reduced, ang1.os());
  finish_output(io, ang);
  finish_output(io, ang1);
  const std::string t = times_line(" Timing for ring search u,s,t (s) :", process_times());
  to_log(log, t);
  to_term(log, t);
  return std::move(found.rings);
}

// Step 14: the parameter files (xd_vorn.inp, the MoPro parameters and,
// with extended hydrogens, fixedH.ins), with the valence populations
// rescaled to the fragment charges or, for an XD model read back without a
// databank, as they were refined.
// Returns the populations and kappa values written.
KeptPopulations write_parameter_step(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                                     AtomTables& tables, RunFiles& io, WrittenFiles& written, Log& log,
                                     const std::vector<TransferredAtom>* transferred) {
  open_output(io, io.par, "xd_vorn.inp");
  to_log(log, "");
  to_log(log, kRule80);
  to_both(log, "");
  to_both(log, " Creating XD parameter file...");
  Populations populations = std::move(tables.populations);
  if (!sw.convert_to_xd_only) {
    if (sw.extend_hydrogens) open_output(io, io.fixedh, "fixedH.ins");
    written.fixed_hydrogens = sw.extend_hydrogens;
    if (sw.use_databank) {
      int searched = 0, found = 0;
      for (const AtomSetup& s : setup) {
        searched += s.databank_searched ? 1 : 0;
        found += s.databank_found ? 1 : 0;
      }
      if (transferred == nullptr) {
        to_both(log, layout::format("(/,' ATOMS SEARCHED in DB, FOUND in DB, ','NOT FOUND in DB = ',3i8)", searched,
                                    found, searched - found));
      } else {
        // A MATTS bank is not searched atom by atom: the typing's count
        // says what it fitted.  What is left to say is which typed atoms
        // did not take their entry (disordered atoms without DISORD *db).
        int left = 0;
        for (std::size_t i = 0; i < setup.size() && i < transferred->size(); ++i)
          left += (*transferred)[i].entry >= 0 && !setup[i].databank_found ? 1 : 0;
        if (left > 0)
          to_both(log, layout::format("(/,a,i8,a)", " MATTS transfer :", left,
                                      " typed atom(s) kept spherical (disordered, or beside a disordered atom)"));
      }
      if (searched > 0 && found == 0)
        warn(log, " WARNING: the databank " + std::string(sw.abank.trimmed()) + " fits no atom: every atom stays spherical");
      if (sw.args.rescale_method != 0)
        populations = rescale_valence_populations(std::move(populations), model, sw.args.rescale_method, io.input, log);
    }
  }
  const bool fixedh = sw.extend_hydrogens && !sw.convert_to_xd_only;
  Kappas kappas = tables.kappas;
  int decimals = 5;
  const bool kept_whole = keeps_xd_model(sw, model);
  if (kept_whole) {
    to_log(log, "");
    to_log(log, " The multipole model of the XD files is kept whole: xd_vorn.mas and xd_vorn.inp keep");
    to_log(log, " its local frames, labels, kappa sets, KEY table and parameters" +
                    std::string(sw.extend_hydrogens ? " (the hydrogens moved)." : "."));
    to_log(log, " The MoPro files take the model in the local frames of vorn.out:");
    write_kept_parameter_file(model, io.par.os());
  }
  if (sw.format == InputFormat::xd && !sw.use_databank) {
    KeptPopulations kept = keep_refined_populations(model, setup, std::move(populations), std::move(kappas), log);
    populations = std::move(kept.populations);
    kappas = std::move(kept.kappas);
    decimals = std::clamp(model.xd_refined.coordinate_decimals, 5, 9);
  }
  write_parameter_files(model, setup, tables.dummies, populations, kappas, tables.kappa_sets, log,
                        {kept_whole ? nullptr : &io.par.os(), io.mopro.os(), io.con.os()}, decimals);
  if (fixedh) write_fixedh_file(model, io.fixedh.os());
  if (transferred != nullptr && !sw.convert_to_xd_only) {
    // The model of a MATTS bank: the type and frame of every atom, and the
    // model itself as a rhoCIF, with the populations just written.
    OutFile types, cif;
    open_output(io, types, "vorn_types.csv");
    write_types_csv(model, setup, *transferred, types.os());
    finish_output(io, types);
    open_output(io, cif, "vorn_model.cif");
    write_rho_cif(model, sw, setup, tables.dummies, populations, kappas, cif.os());
    finish_output(io, cif);
    written.transferred_model = true;
  }
  io.con.close();
  io.par.close();
  if (fixedh) io.fixedh.close();
  written.parameters = true;
  return {std::move(populations), std::move(kappas)};
}

// Step 14a: the form factors of the model (vorn.tsc).  The atoms carry the
// populations and kappas of the parameter file: those of a databank entry
// where one was found, the refined ones of an XD parameter file read back;
// every other atom is the neutral spherical atom.
void write_form_factor_step(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                            const KeptPopulations* parameters, RunFiles& io, WrittenFiles& written, Log& log) {
  ModelParameters p;
  if (parameters && (sw.use_databank || sw.format == InputFormat::xd)) {
    p.populations = &parameters->populations;
    p.kappas = &parameters->kappas;
    for (const AtomSetup& s : setup) p.transferred.push_back(sw.use_databank ? s.databank_found : true);
  }
  const std::vector<PseudoAtom> atoms = transferred_atoms(model, setup, p);
  const FormFactorRequest& request = sw.formfactors;
  const gemmi::UnitCell cell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                             model.cell.gamma);
  const std::vector<Miller> listed = request.hkl_file.blank() ? reflections_within(cell, request.stol)
                                                               : read_hklf4(std::string(request.hkl_file.trimmed()));
  const std::vector<Miller> hkl = expand_reflections(listed, model.symm);
  std::vector<std::string> labels;
  for (const PseudoAtom& a : atoms) labels.push_back(a.label);
  open_output(io, io.tsc, "vorn.tsc");
  write_tsc_head(labels, io.tsc.os());
  // The radial parts of every shell at once; the rows in parts, so that a
  // large table is never held whole.
  const ReflectionShells shells = reflection_shells(hkl, cell);
  const RadialParts radial = radial_parts(atoms, shells);
  constexpr std::size_t kRowsPerPart = 4096;
  for (std::size_t first = 0; first < hkl.size(); first += kRowsPerPart)
    write_tsc_rows(assemble_table(atoms, hkl, shells, radial, first, kRowsPerPart), labels, io.tsc.os());
  finish_output(io, io.tsc);
  int spherical = 0;
  for (std::size_t i = 0; i < atoms.size(); ++i)
    spherical += (i < p.transferred.size() && p.transferred[i]) ? 0 : 1;
  to_log(log, "");
  to_both(log, layout::format("(a,i6,a,i8,a,i8,a)", " Form factors of", static_cast<int>(atoms.size()), " atoms at",
                              static_cast<int>(hkl.size()), " reflections (", static_cast<int>(listed.size()),
                              " listed, with equivalents and Friedel mates) : vorn.tsc"));
  if (spherical > 0)
    to_log(log, layout::format("(a,i6,a)", " Neutral spherical atoms (no transferred parameters) :", spherical, ""));
  written.form_factors = true;
}

// The density maps of a run: vorn_map_1.svg up to this number (a run
// with more planar rings draws the first ones and says so).
constexpr int kMaxDensityMaps = 99;

std::string map_file_name(int n) { return "vorn_map_" + std::to_string(n) + ".svg"; }

// Step 15a: the contour maps of the deformation density, one file per
// plane; returns how many were written.
int write_map_step(const Model& model, const Neighbors& nb, const Rings& rings,
                   const std::vector<std::array<int, 3>>& named, const DeformationDensity& density, RunFiles& io,
                   Log& log) {
  std::vector<MapPlane> planes = map_planes(model, rings, named);
  if (planes.empty()) {
    to_log(log, "");
    to_log(log, " No planar ring and no MAP line: no deformation density map is drawn");
    return 0;
  }
  if (static_cast<int>(planes.size()) > kMaxDensityMaps) {
    warn(log, " WARNING: " + std::to_string(planes.size()) + " planes for density maps; the first " +
                  std::to_string(kMaxDensityMaps) + " are drawn");
    planes.resize(kMaxDensityMaps);
  }
  const std::vector<MapAtom> atoms = map_atoms(model);
  const std::vector<std::array<int, 2>> bonds = map_bonds(model, nb);
  to_log(log, "");
  for (std::size_t n = 0; n < planes.size(); ++n) {
    const std::string name = map_file_name(static_cast<int>(n) + 1);
    OutFile map;
    open_output(io, map, name);
    write_density_map(sample_map(planes[n], density, kMapStep), atoms, bonds, map.os());
    finish_output(io, map);
    to_log(log, " Deformation density map " + name + " : plane of " + planes[n].title);
  }
  return static_cast<int>(planes.size());
}

// Every output the program can write but the log: a new set replaces
// those of an earlier run whole, and only directories holding these names
// are taken for sets of this program.
const std::vector<std::string> kOutputNames = [] {
  std::vector<std::string> names = {
      "xd_vorn.mas", "xd_vorn.inp",   "mopro_vorn.par", "con_mopro.inp", "vorn.spf",      "vorn.svg",
      "vorn.ang",    "reset.bond",    "const.bond",     "res_mopro.inp", "fixedH.ins",    "reduced.ang",
      "reduced_1.ang", "complete.ang", "group.ang", "vorn.tsc", "vorn_types.csv", "vorn_model.cif",
      "vorn.html"};
  for (int n = 1; n <= kMaxDensityMaps; ++n) names.push_back(map_file_name(n));
  return names;
}();

void normal_run(RunFiles& io) {
  WrittenFiles written;
  Log& log = io.log;
  if (!io.outputs.begin(kOutputNames)) fail("VORN", "Unable to create output files in the working directory");
  // Steps 1 to 3: banner, files written throughout the run, log.
  header(log.term());
  open_output(io, io.mas, "xd_vorn.mas");
  open_output(io, io.mopro, "mopro_vorn.par");
  write_mopro_par_head(io.mopro.os());
  open_output(io, io.con, "con_mopro.inp");
  write_con_head(io.con.os());
  if (!log.file.open("vorn.out", true)) fail("VORN", "Unable to create log file vorn.out");
  header(log.log());
  for (const std::string& w : io.outputs.take_warnings()) warn(log, w);

  // Step 4: control file.
  Switches sw = read_control_file(log);
  log.verbosity = sw.verbosity;

  // Step 5: exactly one structure reader; the atoms of the MAP lines are
  // looked up at once, so that a slip stops the run before any analysis.
  Model model = read_structure(sw, log);
  const std::vector<std::array<int, 3>> named_planes = map_plane_atoms(model, sw);
  if (writes_crystal_head(sw.format)) {
    write_master_head(model, io.mas.os());
    write_mopro_crystal_head(model.shelx_head, io.mopro.os());
  }

  // Step 7: plot file.
  open_output(io, io.spf, "vorn.spf");
  write_spf_head(io.spf.os());

  // Step 8: databank.
  DatabankText databank_text;
  std::optional<MattsBank> matts;
  std::optional<MattsTyping> typing;
  if (sw.use_databank) {
    sw.abank = open_databank(sw.abank, io.db, io.input, log);
    if (is_matts_bank(io.db, sw.matts_bank)) {
      matts = read_matts_bank(io.db);
      report_matts_bank(*matts, model, log);
      // Typed on the atoms as read: the bank's own bond search reaches
      // every symmetry image, so the copies NCELLS adds are not needed.
      typing = type_atoms(*matts, model, sw.has_cell);
    }
  }

  // Step 9: complete fragments.
  AtomIndex index;
  model = complete_molecules(std::move(model), sw, index, io, written, log);

  // Step 10: rings.
  Rings rings;
  if (sw.args.search_rings) {
    written.reduced = true;
    rings = find_and_write_rings(model, sw, index, io, log);
  }

  // Step 11: hydrogen-extension files.
  if (sw.extend_hydrogens) {
    open_output(io, io.reset, "reset.bond");
    open_output(io, io.cnst, "const.bond");
    open_output(io, io.res, "res_mopro.inp");
    write_res_head(io.res.os());
  }

  // Step 12: neighbours and the per-atom loop.
  const Neighbors nb = find_all_neighbours(IndexedAtoms{model, sw, index}, log);
  open_output(io, io.ang, "vorn.ang");
  OldMasterSections old_master;
  if (sw.format == InputFormat::xd)
    old_master = split_old_master(model.xd_master_records, std::string(sw.xdold.trimmed()));
  const DatabankSource databank{io.db, databank_text, direct_forms(index)};
  // With a MATTS bank every typed atom takes its entry's frame and
  // parameters; the others stay spherical.
  const bool own_bank = sw.use_databank && !matts;
  std::optional<std::vector<TransferredAtom>> transferred;
  if (matts) {
    std::vector<int> counts;
    for (std::size_t i = 0; i < typing->types.size(); ++i) counts.push_back(nb.of[i].count());
    report_typing(*matts, *typing, model, counts, log);
    transferred = transfer_entries(*matts, *typing, model, log);
  }
  AtomLoopResult loop = set_up_atoms(sw, model, index, nb, rings, own_bank ? &databank : nullptr, log,
                                     transferred ? &*transferred : nullptr);
  const std::vector<AtomSetup>& setup = loop.atoms;
  const AtomTables& tables = loop.tables;
  write_master_tables(model, sw, setup, tables.dummies, tables.kappa_sets, old_master, io.mas.os());
  warn_if_nothing_refined(sw, model, setup, log);
  write_vorn_ang(model, sw, tables.dummies, io.ang.os());
  write_con_site_symmetry(model, setup, log, io.con.os());
  write_spf_axes(model, setup, io.spf.os());

  // Step 13.
  if (sw.extend_hydrogens) {
    write_bond_restraints(model, setup, io.reset.os(), io.res.os(), io.cnst.os());
    io.reset.close();
    io.cnst.close();
    write_res_tail(model, setup, io.res.os());
    io.res.close();
  }

  // Step 14: parameter files (XD input always gets its parameter file, so
  // that the pair written is consistent whatever frames the atom table
  // holds), and the form factors of the model they hold.
  std::optional<KeptPopulations> parameters;
  if (sw.use_databank || sw.extend_hydrogens || sw.convert_to_xd_only || sw.format == InputFormat::xd)
    parameters = write_parameter_step(model, sw, setup, loop.tables, io, written, log,
                                      transferred ? &*transferred : nullptr);
  if (sw.formfactors.requested)
    write_form_factor_step(model, sw, setup, parameters ? &*parameters : nullptr, io, written, log);

  // Step 15: plot instructions, and the drawing of the axes, which marks
  // the atoms that any step warned about.
  write_spf_tail(model, sw, tables.dummies, io.spf.os());
  finish_output(io, io.spf);
  open_output(io, io.svg, "vorn.svg");
  write_axes_drawing(model, nb, drawn_dummies(tables.dummies, model, sw), setup, log.warned_atoms, io.svg.os());
  std::optional<DeformationDensity> density;
  if (sw.setup_page || sw.density_maps) {
    density = model_density(model, sw, setup, parameters ? &*parameters : nullptr);
    if (!density) {
      to_log(log, "");
      to_log(log, " No atom carries a multipole model (no databank entry, no XD model):"
                  " no deformation density is drawn");
    }
  }
  if (sw.density_maps && density) written.density_maps = write_map_step(model, nb, rings, named_planes, *density, io, log);
  if (sw.setup_page)
    write_page_step(model, sw, nb, setup, tables, density ? molecule_density_grids(model, nb, *density)
                                                          : std::vector<DensityGrid>{}, io, log);

  // Steps 16 to 19.
  // Files that the steps above left open are complete at a normal end.
  for (OutFile* f : run_outputs(io)) finish_output(io, *f);
  if (!tables.group_listing.empty()) {
    OutFile group;
    open_output(io, group, "group.ang");
    group.os() << tables.group_listing;
    finish_output(io, group);
  }
  if (sw.use_databank) io.db.close();
  written.hydrogen_restraints = sw.extend_hydrogens;
  written.groups = !tables.group_listing.empty();
  write_summary(written, sw.use_databank, log);
  if (const std::vector<std::string> stale = io.outputs.stale(); !stale.empty()) {
    std::string names;
    for (const std::string& n : stale) names += " " + n;
    to_both(log, "");
    to_both(log, " Files of an earlier run removed (this run does not write them):" + names);
  }
  if (const std::string w = warnings_line(log); !w.empty()) {
    to_both(log, "");
    to_both(log, w);
  }
  const std::string t = times_line(" Total program elapsed times u,s,t (s) :", process_times());
  to_log(log, t);
  to_term(log, t);
  to_term(log, "");
  to_log(log, "");
  to_log(log, kRule80);
  to_log(log, "");
  commit_outputs(io.outputs, log.file);
  for (const std::string& w : io.outputs.take_warnings()) warn(log, w);
  log.file.close();
}

// After an error stop: output files that were not completed are dropped
// (an older complete file of the same name stays), and the log says which.
void close_after_stop(RunFiles& io) {
  std::string dropped;
  for (OutFile* f : run_outputs(io)) f->abandon();
  for (const std::string& name : io.outputs.abandon()) dropped += " " + name;
  if (!dropped.empty()) to_log(io.log, " Files not written (run stopped):" + dropped);
  io.log.file.close();
}

}  // namespace

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

int run_program(const std::vector<std::string>& args, RunFiles& files) {
  Log& log = files.log;
  if (!args.empty()) {
    if (args[0].rfind("-h", 0) == 0) {
      // "vorn -h > vorn.inp" gives a control file: the banner is comments.
      std::ostringstream banner;
      header(banner);
      std::istringstream lines(banner.str());
      for (std::string l; std::getline(lines, l);) log.term() << '!' << l << '\n';
      printhelp(log.term());
    } else {
      header(log.term());
    }
    log.term().flush();
    return 0;
  }
  try {
    normal_run(files);
    log.term().flush();
    return 0;
  } catch (const RunError& e) {
    to_log(log, e.report());
    to_term(log, e.report());
    close_after_stop(files);
    log.term().flush();
    return 1;
  } catch (const std::exception& e) {
    // A fault inside the program: report it in the error layout rather
    // than crash, and keep the complete files of an earlier run.
    const std::string text = std::string("\n ERROR *** VORN *** Internal error: ") + e.what() + "\n";
    to_log(log, text);
    to_term(log, text);
    close_after_stop(files);
    log.term().flush();
    return 1;
  }
}

}  // namespace vorn
