// The static deformation density of the model in real space: every
// pseudoatom's valence and multipole density minus the neutral spherical
// atom's valence density, summed over the atoms and their symmetry copies
// near the point.  The core densities are the same in both and cancel, so
// they are never computed.
#pragma once

#include <array>
#include <vector>

#include "formfactors/pseudo_atom.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"

namespace vorn {

// Each atom's share is summed out to the distance beyond which it stays
// below this (e/A^3), found from its own radial functions and populations
// (about 3 A for a carbon, more for a hydrogen with a small kappa'), and
// never further than the limit.
constexpr double kNegligibleDensity = 1e-6;
constexpr double kDensityReach = 6.0;

// An axis-aligned Cartesian box (Angstrom).
struct DensityBox {
  Vec3 lo{};
  Vec3 hi{};
};

// Where the copies of the atoms stand: the fractional-to-Cartesian matrix
// and the operators; a structure without a cell (Cartesian input) has the
// atoms alone, with no translation.
struct DensityCrystal {
  std::array<Vec3, 3> orth{};                  // orth[row][column]
  std::vector<SymOp> ops;
  bool periodic = true;
};

DensityCrystal density_crystal(const Model& model, bool periodic);

// The spherical part of one pseudoatom's deformation density at r from
// its nucleus: Pv k^3 rho_val(k r) - Nval rho_val(r).
double spherical_deformation(const PseudoAtom& atom, double r);
// Its multipoles at the vector from the nucleus given in the atom's local
// axes: sum_l k'^3 R_l(k' r) sum_m Plm d_lm.
double multipole_density(const PseudoAtom& atom, int lmax, const Vec3& local);

// The density of the model in one region: the copies of `atoms` whose
// reach meets the box, indexed by cell lists.  Only the atoms given take
// part: those that carry a model.  `occupancy[i]` is atom i's occupancy
// as the structure file gives it (divided by the order of a special site).
class DeformationDensity {
public:
  DeformationDensity(const std::vector<PseudoAtom>& atoms, const std::vector<double>& occupancy,
                     const DensityCrystal& crystal, const DensityBox& region);
  // e/A^3 at the Cartesian point (inside the region, or the copies
  // outside it are missing).
  double at(const Vec3& point) const;
  int copies() const { return static_cast<int>(sites_.size()); }

private:
  // One copy: its atom's radial table, its Cartesian place, the copy's
  // local axes, and the weight (occupancy times the number of operators
  // that map the atom onto this place).
  struct Site {
    int atom = 0;
    int type = 0;
    Vec3 position{};
    std::array<Vec3, 3> axes{};
    double weight = 1;
    double reach = 0;
  };
  // The spherical part of one kind of atom as a cubic Hermite table on
  // r = 0, h, 2h, ... (value and slope at each node), and the atom with
  // its multipoles.
  struct RadialTable {
    int z = 0;
    double pv = 0, kappa = 1;
    std::vector<double> value, slope;
  };
  double spherical(const RadialTable& t, double r) const;

  std::vector<PseudoAtom> atoms_;
  std::vector<int> lmax_;
  std::vector<double> reach_;   // per atom
  double longest_reach_ = 0;
  std::vector<RadialTable> types_;
  std::vector<Site> sites_;
  CellGrid grid_;
  mutable std::vector<int> candidates_;
};

}  // namespace vorn
