// One Hansen-Coppens pseudoatom and its form factor: the core, the valence
// shell scaled by kappa and the deformation terms up to l = 4 in the
// atom's local frame, with no thermal motion.
#pragma once

#include <array>
#include <complex>
#include <string>

#include "formfactors/real_harmonics.hpp"
#include "structure/model.hpp"

namespace vorn {

struct PseudoAtom {
  std::string label;                  // as the refinement program knows the atom
  int z = 0;                          // element, 1 to 36
  Vec3 position{};                   // fractional
  std::array<Vec3, 3> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // local X, Y, Z (Cartesian unit vectors)
  double pv = 0;                      // valence population
  double kappa = 1;
  double kappa_prime = 1;             // one value for every l
  std::array<double, kHarmonicCount> plm{};   // by harmonic_index(l, m); l = 0 unused
};

// The neutral spherical atom: valence population of the free atom, kappa 1,
// no multipoles.
PseudoAtom neutral_atom(std::string label, int z, const Vec3& position);

// The highest l with a non-zero population (0 when there is none).
int highest_level(const PseudoAtom& atom);

// f(h) = integral rho(r) exp(2 pi i h.r) d3r at the Cartesian reciprocal
// vector h (1/Angstrom), r from the nucleus.  The deformation part is zero
// at h = 0, where f is the atom's electron count.
std::complex<double> atom_form_factor(const PseudoAtom& atom, const Vec3& h);

}  // namespace vorn
