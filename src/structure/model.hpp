// The structure model: unit cell, transforms, symmetry operators, atoms with
// their coordinates and displacement parameters, scattering types, SHELX
// refinement values and the expanded atom list of complete fragments.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "layout/text.hpp"
#include "structure/anomalous_dispersion.hpp"
#include "structure/capacity.hpp"
#include "structure/corrections.hpp"
#include "structure/xd_refined_model.hpp"

namespace vorn {

using Vec3 = std::array<double, 3>;

// A point in fractional coordinates of the cell, and one in Cartesian
// Angstrom: distinct types, so that a routine's signature says which it
// takes, and both read as the plain triple where the kind does not matter
// (a distance, a stored position).
struct Fractional : Vec3 {};
struct Cartesian : Vec3 {};

// How an atom fills its site: wholly, as one of the symmetry-equivalent
// shares of a special position, or as a partial (disordered) atom.
enum class OccupancyKind { normal, special_position, disordered };

// One entry of the atom table: an atom read, or a symmetry copy of one.
struct Atom {
  Label label;
  // The name the structure file gives the atom (SHELX name, CIF label), as a
  // refinement program reading that file knows it; empty for other input.
  std::string name_in_file;
  // Where the reader found the atom ("line 8 of in.res"), so that a fault
  // found later in its site can send the user to the line to correct;
  // empty where the input gives no line.
  std::string source;
  Fractional fractional{};
  Cartesian cartesian{};   // Angstrom
  int atomic_number = 0;   // 0 = none
  SiteSym sitesym;
  int adp_type = 0;   // 1 isotropic, 2 anisotropic (XD: up to 4)
  int scattering_type = 0;   // number (from 1) in the scattering-type table, 0 none
  int max_multipole_level = 0;
  double occ = 1.0;
  OccupancyKind occupancy_kind = OccupancyKind::normal;
  // Disorder part (SHELX PART, CIF disorder group): atoms of two different
  // non-zero parts are alternatives, never bonded; 0 belongs to every part.
  int part = 0;
  // For an entry the complete-fragment search appended: the index of the
  // atom it is a copy of (-1 for an atom read); for an atom read: its copies.
  int copy_of = -1;
  int copies = 0;
  // MoPro's residue columns for the atom (name, residue number and class;
  // name and number), from SHELX RESI instructions or the label alone.
  Text<17> residue_text;
  Text<10> residue_name;
  // u11, u22, u33, u12, u13, u23 (Angstrom squared)
  std::array<double, 6> u{};
  double& u11() { return u[0]; }
  double u11() const { return u[0]; }
};

struct UnitCell {
  double a = 0, b = 0, c = 0, alpha = 0, beta = 0, gamma = 0;
};

// 3x3 matrix stored column by column as in the model: m[col][row] would be
// confusing, so element (i,j) (row i, column j, 1-based) is at(i,j).
struct Mat3 {
  std::array<double, 9> v{1, 0, 0, 0, 1, 0, 0, 0, 1};  // column-major
  double& at(int i, int j) { return v[static_cast<std::size_t>((j - 1) * 3 + (i - 1))]; }
  double at(int i, int j) const { return v[static_cast<std::size_t>((j - 1) * 3 + (i - 1))]; }
};

// The cell's coordinate transforms: m maps fractional to Cartesian, minv back.
struct Transform {
  Mat3 m;
  Mat3 minv;
};

// One space-group operator: it maps x to x'(j) = sum_i rot[i][j] x(i) + trans[j].
struct SymOp {
  // rot[i][j]: coefficient of input coordinate i+1 in output coordinate j+1.
  std::array<std::array<double, 3>, 3> rot{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  std::array<double, 3> trans{0, 0, 0};
};

// The space group's operators, the identity first (none for input without
// a cell).  Listings number them from 1 in this order.
struct Symmetry {
  std::vector<SymOp> ops;
  int count() const { return static_cast<int>(ops.size()); }
};

// What a SHELX file (or an XD parameter file) gives of its refinement:
// the free variables (FVAR) and the weighting scheme (WGHT).
struct ShelxRefinement {
  // The values of the FVAR instructions in file order: free variable k is
  // fvar[k - 1], the first being the overall scale.  XD input keeps its
  // scale, seven extinction parameters and overall thermal parameter here
  // as values 1 to 9, which the XD parameter file's tail writes back.
  std::vector<double> fvar;
  std::array<double, 6> wght{-2.0, 0, 0, 0, 0, 1.0 / 3.0};
};

// What a SHELX file's CELL, LATT and SYMM instructions say, kept for the
// heads of the XD master and MoPro parameter files.
struct ShelxCrystalHead {
  enum class Kind { cell, latt, symm };
  struct Instruction {
    Kind kind = Kind::cell;
    std::array<double, 7> wave_cell{};   // CELL: wavelength, a, b, c, alpha, beta, gamma
    std::string text;                   // SYMM: the card as read, without trailing blanks
    bool centrosymmetric = true;        // LATT: its sign
    char lattice = 'P';                 // LATT: its centring letter
  };
  // In file order; without a LATT instruction SHELX's default (LATT 1)
  // stands before the first SYMM.
  std::vector<Instruction> instructions;
  char lattice = 'P';
  bool centrosymmetric = true;
  std::vector<std::string> symm_cards;  // the operators after the keyword
};

// The whole structure model.
struct Model {
  int natom = 0;
  // The number of entries of the atom table: entries 0 .. natom - 1 are
  // the atoms read, natom .. entries - 1 the symmetry copies the
  // complete-fragment search adds.
  int entries = 0;
  std::vector<Atom> atoms;
  // The atomic number of each scattering type (SHELX SFAC, the XD
  // scattering table), in the order the files number them from 1.
  std::vector<int> scattering_types;
  UnitCell cell;
  // Wavelength of the data in Angstrom (SHELX CELL, XD WAVE, CIF
  // _diffrn_radiation_wavelength); 0 when the input gives none.
  double wavelength = 0;
  // f' and f'' that the structure file gives itself (SHELX DISP cards);
  // they take precedence over the values calculated for the wavelength.
  std::vector<DispersionCard> dispersion;
  Transform transf;
  Symmetry symm;
  ShelxRefinement shelx_refinement;
  // SHELX RESI instructions were read: the MoPro files name atoms by
  // their residue texts.
  bool has_residues = false;
  // The structure's name, the XD title and model name: the first word of
  // SHELX's TITL, the CIF block name, XD's model name; the input file's
  // name without its extension when the file gives none.
  Text<20> model_name;
  ShelxCrystalHead shelx_head;   // SHELX input only
  // XD input: the old master file's records, whose head, refinement
  // controls and trailer the new master file keeps.
  std::vector<std::string> xd_master_records;
  // XD input: the refined model of the old files.
  XdRefinedModel xd_refined;
  // The bonds and frames the control file corrects (atoms of the
  // asymmetric unit; set once the structure is read).
  Corrections corrections;

  // Grows the atom table to hold n entries (0 .. n - 1), keeping what it
  // holds: the readers and the complete-fragment search call it as they add
  // atoms, so the table is as large as the structure and no larger.
  void hold_entries(int n) {
    if (n <= static_cast<int>(atoms.size())) return;
    atoms.resize(static_cast<std::size_t>(n));
  }
};

// " (atom read from line 8 of in.res)" for entry k of the atom table (a
// symmetry copy is read where its atom was); empty when the input gives no
// line.  Stops that concern an atom's site end with it.
inline std::string where_read(const Model& md, int k) {
  const int atom = k >= md.natom ? md.atoms[k].copy_of : k;
  const std::string& source = md.atoms[atom].source;
  return source.empty() ? std::string() : " (atom read from " + source + ")";
}

}  // namespace vorn
