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
  int lrings = 0;      // 1 = ring search
  int iscale = 0;      // Pv scaling: 1 difference, 2 fraction, 3 sigmaPv
};

struct Tols {
  float tol1 = 0.2f;   // bond tolerance added to the sum of covalent radii
  float tol2 = 0.1f;   // ring planarity limit
  float tol3 = 0.1f;   // group planarity limit
};

struct Disorder {
  int disext = 0;      // extend X-H of disordered atoms too
  int disdb = 0;       // databank for disordered atoms too
};

struct RingLimits {
  int ringmin = 0;
  int ringmax = 0;
  int ringspec = 0;    // atoms of one planar ring always get m symmetry
};

// A MAP line: three atoms whose plane gets a density map, and the line
// that names them (for the message when a name fits no atom).
struct MapPlaneNames {
  std::array<std::string, 3> atoms;
  std::string where;
};

struct Rename {
  int irename = 0;
  int irs = 0;         // 0 straightforward counting, 1 counting atom types
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

struct Switches {
  InputFormat format = InputFormat::none;
  int ifra = 1;        // 1 = fractional coordinates with a cell
  Args args;
  FileName xdold;      // XD master file of XD input
  FileName abank;      // databank file
  bool matts_bank = false;   // `*matts`: read the databank as a MATTS bank
  int usedb = 0;
  int lfh = 0;         // extend X-H bonds
  int lsx = 0;         // plain SHELX-to-XD conversion (TOXD)
  int verbosity = 1;
  Tols tols;
  int compfrag = -1;   // NCELLS; -1 = no complete-fragment search
  bool ncells_given = false;   // an NCELLS line was read (-1 included)
  Disorder disorder;
  std::array<bool, 7> lkeys{};
  std::array<int, 2> lchem{1, 1};   // constraints for H atoms, for other atoms
  int simple = 0;
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
  RingLimits ring1;
  Rename rename;
  std::array<float, kCovradTable> covrad = default_covrad();
  FormFactorRequest formfactors;
  std::vector<CorrectionLine> corrections;
  // Whether a CHFRAG/NFRAG/FRAG line exists is read later by the rescaling.
};

// Covalent radius of element z: the control file's table for 1..54,
// published radii beyond; 0 for no element.
inline float covalent_radius(const Switches& sw, int z) {
  if (z >= 1 && z <= kCovradTable) return sw.covrad[static_cast<std::size_t>(z - 1)];
  return covrad_extended(z);
}

}  // namespace vorn
