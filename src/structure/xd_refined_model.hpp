// The refined multipole model of an XD master/parameter pair, as read: what
// a run that transfers nothing from a databank carries over into the new
// parameter file (the multipoles turned into the atoms' new frames).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vorn {

// Number of population values of an atom block in a parameter file of
// multipole level 4: Pv, then 2l+1 values for every level l = 0 .. 4.
inline constexpr int kXdPopulations = 26;

// One atom of the old files: its local frame as the old master's atom
// table gives it, and its populations as the parameter file gives them.
struct XdRefinedAtom {
  std::string axis_atom1, axis_atom2;   // ATOM0 and ATOM2 labels
  char axis1 = ' ', axis2 = ' ';        // AX1 and AX2 letters
  char hand = 'R';                      // R/L
  std::string site_symmetry;            // SITESYM
  bool in_atom_table = false;
  int kappa_set = 0;                    // the eighth integer of its parameter line
  std::size_t atom_record = 0;          // index of its atom line among the parameter file's records
  std::array<double, 3> position{};      // fractional coordinates as read
  // Pv, then the multipoles in the file's order; levels beyond the file's
  // are zero.
  std::array<double, kXdPopulations> populations{};
};

// One kappa line: scattering table, kappa and the five kappa' values.
struct XdKappaSet {
  int table = 0;
  std::array<double, 6> kappa{1, 1, 1, 1, 1, 1};
};

struct XdDummyAtom {
  std::string label;
  std::array<double, 3> fractional{};
};

struct XdRefinedModel {
  std::vector<XdRefinedAtom> atoms;          // atom i at [i]
  std::vector<XdKappaSet> kappa_sets;        // set k at [k - 1]
  std::vector<XdDummyAtom> dummies;          // the old master's dummy atoms
  int coordinate_decimals = 0;               // decimals of the file's coordinates
  std::vector<std::string> parameter_records; // the parameter file as read
};

// Whether the parameter file holds a multipole model: a non-zero multipole
// (l >= 1) for some atom.  A spherical model, straight after an IAM
// refinement, holds none.
bool holds_multipoles(const XdRefinedModel& refined);

// Reads the old master file's atom table (between the line beginning
// "ATOM " and the END line) into the frames of the atoms of `model`,
// matched by label, and its dummy-atom lines.  Lines that do not read are
// left out: their atoms keep no old frame, and so no multipoles.
void read_old_atom_table(const std::vector<std::string>& master_records, const std::vector<std::string>& labels,
                         XdRefinedModel& refined);

// Decimals of a number as written ("0.248317" has 6), 0 without a point.
int written_decimals(const std::string& number);

}  // namespace vorn
