// The form factors of every atom of the asymmetric unit at every
// reflection: the radial transforms once per reflection shell and atom
// type (element, kappa, kappa'), the angular part per reflection and atom.
#pragma once

#include <complex>
#include <vector>

#include <gemmi/unitcell.hpp>

#include "formfactors/pseudo_atom.hpp"
#include "formfactors/reflections.hpp"

namespace vorn {

// The reflections grouped by |h|: symmetry equivalents and Friedel mates
// fall into one shell.
struct ReflectionShells {
  std::vector<Vec3> h;            // Cartesian, 1/Angstrom, per reflection
  std::vector<int> shell;          // per reflection
  std::vector<double> k;           // K = 2 pi |h| per shell
};

ReflectionShells reflection_shells(const std::vector<Miller>& hkl, const gemmi::UnitCell& cell);

// Radial transforms per shell and atom type.
struct RadialParts {
  std::vector<int> type;           // per atom
  int types = 0;
  // Per shell and type: the spherical part (core + Pv valence) and the
  // deformation transforms for l = 1..4 (element 0 unused).
  struct Values {
    double spherical = 0;
    std::array<double, 5> deformation{};
  };
  std::vector<Values> values;      // shell * types + type
};

RadialParts radial_parts(const std::vector<PseudoAtom>& atoms, const ReflectionShells& shells);

struct FormFactorTable {
  std::vector<Miller> hkl;
  std::vector<std::complex<double>> f;   // reflection * atoms + atom
  std::size_t atoms = 0;
  std::complex<double> at(std::size_t reflection, std::size_t atom) const { return f[reflection * atoms + atom]; }
};

// The angular part at every reflection and atom, combined with the radial
// parts; for the reflections first .. first + count - 1 only when a count
// is given (a table written in parts never holds every row at once).
FormFactorTable assemble_table(const std::vector<PseudoAtom>& atoms, const std::vector<Miller>& hkl,
                               const ReflectionShells& shells, const RadialParts& radial, std::size_t first = 0,
                               std::size_t count = static_cast<std::size_t>(-1));

// All three steps.
FormFactorTable form_factor_table(const std::vector<PseudoAtom>& atoms, const std::vector<Miller>& hkl,
                                  const gemmi::UnitCell& cell);

}  // namespace vorn
