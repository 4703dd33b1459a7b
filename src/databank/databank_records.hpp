// What the databank transfer, the functional-group test and the
// hydrogen extension find and keep.
#pragma once

#include <array>
#include <vector>

#include "layout/text.hpp"

namespace vorn {

// Multipole populations plm(l, m), l = 0..4, m = -4..4 (|m| <= l used).
struct Plm {
  std::array<double, 45> v{};
  double& operator()(int l, int m) { return v[static_cast<std::size_t>(l * 9 + m + 4)]; }
  double operator()(int l, int m) const { return v[static_cast<std::size_t>(l * 9 + m + 4)]; }
};

// The databank entry found for an atom: its parameters, its comment and
// functional group as the bank gives them.
struct DatabankMatch {
  bool found = false;   // an entry fits the atom
  double pv = 0, sigpv = 0.01, kappa1 = 1.0, kappa2 = 1.0;
  Plm plm;
  Text<80> comment;
  Text<40> group;
  Text<5> site_symmetry;   // the entry's site-symmetry label (its NEIG or PRNT line)
};

// One atom's populations and the integers of its XD atom line, written
// as they stand (the file's own numbers: atoms counted from 1).
struct AtomPopulations {
  double pv = 0;
  double sigpv = 0;
  Plm plm;
  std::array<int, 11> xd_integers{};
};

// The populations of every entry of the atom table, by entry index.
struct Populations {
  std::vector<AtomPopulations> of;
};

// One kappa set: the expansion-contraction of the spherical valence
// (kappa) and of the deformation terms (kappa'), and the scattering type of
// the atom that opened it.  A set no atom has filled yet holds zeros.
struct KappaSet {
  double kappa = 0;
  double kappa_prime = 0;
  int scattering_type = 0;
};

// The kappa sets of the run.  XD's and MoPro's files number them from 1,
// and so do the atoms' kappa-set numbers: set n is sets[n - 1].
struct Kappas {
  std::vector<KappaSet> sets;
  int count() const { return static_cast<int>(sets.size()); }
  KappaSet& set(int number) { return sets.at(static_cast<std::size_t>(number - 1)); }
  const KappaSet& set(int number) const { return sets.at(static_cast<std::size_t>(number - 1)); }
  // Makes room for sets 1 .. number.
  void hold(int number) {
    if (number > count()) sets.resize(static_cast<std::size_t>(number));
  }
};

// What a hydrogen atom's bank search knows of its parent.
struct HydrogenParent {
  int neighbour_count = 0;
  int atomic_number = 0;
  int hydrogens = 0;      // the parent's neighbours of its lightest element
  bool in_ring = false;
};

// The parents of the hydrogen atoms, by entry index.
struct HydrogenParents {
  std::vector<HydrogenParent> of;
};

// An X-H bond set to its standard length (or kept at its own length when
// the hydrogen's group is not identified), for the files that keep it
// fixed in the later refinements: parent, hydrogen, length and the ratio of
// the hydrogen's Uiso to its parent's Ueq.
struct ExtendedBond {
  int parent = -1;     // entry indices; -1 none
  int hydrogen = -1;
  double length = 0;
  double u_ratio = 0;
  // False when the hydrogen's group was not identified: the bond keeps
  // its X-ray length and no bond restraint is written for it.
  bool standard_length = true;
};

// The functional group an atom was found in.
struct AtomGroup {
  // A group was recognised (its name can stay blank): the databank
  // entry must then name the same group.
  bool identified = false;
  Text<40> name;
};

// The functional groups of the atoms, by entry index.
struct FunctionalGroups {
  std::vector<AtomGroup> of;
};

}  // namespace vorn
