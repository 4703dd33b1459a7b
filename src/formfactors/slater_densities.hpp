// The spherical core and valence densities of the neutral atoms H to Kr
// from their Slater-type orbitals, and the deformation radial functions
// of each element, in Angstrom units.
#pragma once

#include <array>
#include <vector>

#include "formfactors/radial_transforms.hpp"

namespace vorn {

constexpr int kMaxFormFactorElement = 36;

struct ElementDensities {
  int z = 0;
  std::vector<SlaterTerm> core;       // integrates to the core electrons
  std::vector<SlaterTerm> valence;    // integrates to one electron
  double core_electrons = 0;
  double valence_electrons = 0;       // the neutral valence population
  double deformation_zeta = 0;        // 1/Angstrom
  std::array<int, 5> deformation_power{};
};

// The densities of element z (1 to 36); none (z == 0) outside.
const ElementDensities& element_densities(int z);

// Bohr radius in Angstrom, by which the wavefunction exponents are divided;
// the deformation exponents are multiplied by Angstrom in bohr instead,
// as the tables were made.
constexpr double kBohr = 0.52917721092;
constexpr double kAngstromInBohr = 1.8897261245;

}  // namespace vorn
