// Records of the local-frame assignment: ring flags, dummy atoms, kappa sets
// and chemical constraints, and the frame chosen for the current atom.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "databank/databank_records.hpp"
#include "layout/text.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "structure/capacity.hpp"
#include "topology/topology_records.hpp"

namespace vorn {

// A point an axis runs to that is no atom (a ring centre, a point along a
// wanted direction).
struct DummyAtom {
  Text<6> label;   // DUM and its number
  // Stored position: fractional when the input had a cell (has_cell),
  // Cartesian Angstrom otherwise.
  std::array<double, 3> pos{0, 0, 0};
};

// The dummy atoms in the order they were made.  A dummy's number counts
// from 1 in that order: its label DUMn and the files' dummy lists use it.
// A frame's point for dummy n is natom + (n - 1), which the XD atom table
// writes as natom + n.
struct Dummies {
  std::vector<DummyAtom> atoms;
  int count() const { return static_cast<int>(atoms.size()); }
  const DummyAtom& numbered(int n) const { return atoms[static_cast<std::size_t>(n - 1)]; }
};

// The kappa sets and chemical constraints given to the atoms so far.
struct KappaSets {
  int last_set = 0;   // the highest kappa-set number given so far
  // By entry index: the atom's kappa set, its chemical constraint and the
  // atom the constraint refers to (-1: none).
  struct OfAtom {
    int kappa_set = 0;
    bool constrained = false;
    int reference = -1;
  };
  std::vector<OfAtom> of;
  // The kappa-set search takes the first earlier atom with the same
  // chemical key; entries 0 .. keyed - 1 have their keys here, each key
  // with the first atom (entry index) that had it.
  int keyed = 0;
  std::unordered_map<std::string, int> first_hydrogen;
  std::unordered_map<std::string, int> first_heavy;
  // Atoms typed by a MATTS bank: the first atom (entry index) of each
  // entry and scattering type, whose kappa set the later ones share.
  std::unordered_map<std::string, int> first_of_entry;
};

// The local frame of one atom as chosen by set_up_atom.
struct Frame {
  // Axis points 1 and 2: label (atom label or dummy label), letter X/Y/Z,
  // Cartesian position, and the point: the atom's entry index, or
  // natom + (d - 1) for dummy d (-1 while no point is set).  The XD atom
  // table writes point + 1.
  std::array<Text<8>, 2> label{};
  std::array<char, 2> letter{' ', ' '};
  std::array<std::array<double, 3>, 2> pos{};
  std::array<int, 2> point{-1, -1};
  // An ordered atom with a disordered neighbour: its kappa set and databank
  // treatment differ from those of the other atoms.
  bool ordered_with_disordered_neighbour = false;
  // The planar rings the atom belongs to, and whether the atom's group (the
  // atom and its neighbours) is planar: the databank entry must agree.
  PlanarRings ring;
  bool planar_group = true;
  // A hydrogen's bond, extended while its frame was chosen (EXTEND_H).
  std::optional<ExtendedBond> extended_bond;
  // The point group of the atom's crystallographic site ("NO" on a general
  // position), whether the axes were built from the site's symmetry
  // elements, and the multipole terms that the site and the label allow.
  std::string site_group = "NO";
  bool axes_from_site = false;
  // The frame and label are those of the atom's AXES line.
  bool set_by_user = false;
  MultipoleSet multipoles = MultipoleSet().set();
};

// The hand of an atom's local frame (the R/L column of the XD atom table):
// left-handed for an atom whose bonds are the mirror image of those of the
// atom it is constrained to.
enum class Handedness { right, left };

// What the per-atom loop decided for one atom, for the writers: its local
// axes, its kappa set and the atom its chemical constraint refers to.
struct AtomSetup {
  Frame frame;
  int kappa_set = 0;
  int reference = -1;   // entry index; -1: no chemical constraint
  Handedness handedness = Handedness::right;
  bool databank_searched = false;
  bool databank_found = false;
  // Transferred populations that the atom's symmetry forbids, set to zero.
  MultipoleSet zeroed_populations;
  // The name of the databank entry transferred (empty when none was).
  std::string bank_type;
};

}  // namespace vorn
