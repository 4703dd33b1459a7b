// The control switches set by the control-file reader and read by every
// later step of the run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "layout/text.hpp"
#include "structure/elements.hpp"

namespace vorn {

struct Args {
  FileName inpfile;    // structure file; for XD input the parameter file
  FileName inpfile2;   // second INPUT word as read
  std::string block;   // CIF input: the data block (*BLOCK name); empty = the first with atoms
  bool search_rings = false;   // RINGS: search for rings
  int rescale_method = 0;   // Pv scaling: 1 difference, 2 fraction, 3 sigmaPv
};

struct Tols {
  double bond = 0.2;   // bond tolerance added to the sum of covalent radii
  double ring_planarity = 0.1;   // ring planarity limit
  double group_planarity = 0.1;   // group planarity limit
};

struct Disorder {
  bool extend_hydrogens = false;   // extend X-H of disordered atoms too
  bool use_databank = false;       // databank for disordered atoms too
};

struct RingLimits {
  int min_size = 0;
  int max_size = 0;
  bool mirror_in_planar_ring = false;   // atoms of one planar ring always get m symmetry
};

// A MAP line: three atoms whose plane gets a density map, and the line
// that names them (for the message when a name fits no atom).
struct MapPlaneNames {
  std::array<std::string, 3> atoms;
  std::string where;
};

struct Rename {
  bool requested = false;        // INPUT ... *rename n
  bool count_per_type = false;   // n = 1: counting per atom type; 0: straightforward counting
};

// KEY-table switches in the order of the KEYGEN line.
enum KeySwitch { kXyzUij = 0, kXyzAll, kXyzOrdered, kMult, kMultAll, kMultOrdered, kKappas };

// The format of the structure file(s) named on the INPUT line.
enum class InputFormat { none, shelx, xd, aim2tab, platon, cif };

// AIM2TAB and PLATON files give Cartesian coordinates without a cell.
inline bool is_cartesian(InputFormat f) { return f == InputFormat::aim2tab || f == InputFormat::platon; }
// SHELX and CIF files give the crystal data from which the program writes
// the heads of the XD master and MoPro files itself.
inline bool writes_crystal_head(InputFormat f) { return f == InputFormat::shelx || f == InputFormat::cif; }

// FORMFACTORS: the form-factor table vorn.tsc, for the reflections of a
// SHELX HKLF 4 file or for every reflection up to a sin(theta)/lambda.
struct FormFactorRequest {
  bool requested = false;
  FileName hkl_file;   // blank: every reflection up to stol
  double stol = 0;     // 1/Angstrom
};

// A BOND, NOBOND or AXES line: the user's correction of one bond or one
// atom's frame, its words as written (the names are looked up once the
// structure is read).  AXES words: atom, ATOM0, AX1, ATOM1, ATOM2, AX2 and
// the site-symmetry label, as in the XD atom table.
struct CorrectionLine {
  enum class Kind { bond, nobond, axes };
  Kind kind = Kind::bond;
  std::vector<std::string> words;
  int line = 0;
};

// CHEMCON: whether chemical and kappa constraints are used, for hydrogen
// atoms and for the other atoms.
struct ChemicalConstraints {
  bool hydrogens = true;
  bool other_atoms = true;
  bool for_element(int z) const { return z == 1 ? hydrogens : other_atoms; }
};

struct Switches {
  InputFormat format = InputFormat::none;
  bool has_cell = true;   // fractional coordinates with a cell (not AIM2TAB or PLATON input)
  Args args;
  FileName xdold;      // XD master file of XD input
  FileName abank;      // databank file
  bool matts_bank = false;   // `*matts`: read the databank as a MATTS bank
  bool use_databank = false;          // DATABANK: transfer pseudoatom parameters
  bool extend_hydrogens = false;      // EXTEND_H: extend X-H bonds
  bool convert_to_xd_only = false;    // *toxd: plain SHELX-to-XD conversion
  int verbosity = 1;
  Tols tols;
  int complete_fragment_cells = -1;   // NCELLS; -1 = no complete-fragment search
  bool ncells_given = false;   // an NCELLS line was read (-1 included)
  Disorder disorder;
  std::array<bool, 7> lkeys{};
  ChemicalConstraints chemical_constraints;   // CHEMCON
  bool simple_equivalence = false;   // SIMPLE: equivalence by the neighbour count only
  // XD input holding a multipole model: build new local frames and turn the
  // populations into them (FRAMES *new) instead of keeping the model whole.
  bool new_frames = false;
  // PICTURES *page: the interactive page vorn.html, written only on
  // request (it carries the viewer library, half a megabyte).
  bool setup_page = false;
  // PICTURES *maps: contour maps of the static deformation density
  // (vorn_map_N.svg) in the plane of every planar ring and of each MAP line.
  bool density_maps = false;
  std::vector<MapPlaneNames> map_planes;
  RingLimits ring_options;
  Rename rename;
  std::array<double, kCovradTable> covrad = default_covrad();
  FormFactorRequest formfactors;
  std::vector<CorrectionLine> corrections;
  // Whether a CHFRAG/NFRAG/FRAG line exists is read later by the rescaling.
};

// Covalent radius of element z: the control file's table for 1..54,
// published radii beyond; 0 for no element.
inline double covalent_radius(const Switches& sw, int z) {
  if (z >= 1 && z <= kCovradTable) return sw.covrad[static_cast<std::size_t>(z - 1)];
  return covrad_extended(z);
}

}  // namespace vorn
