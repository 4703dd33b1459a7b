// The static deformation density of the nitrothiophene aldehyde (Pna21,
// every atom with multipoles up to l = 4, each frame turned its own way)
// against the direct sum of the test, in the plane of the thiophene ring:
// at chosen points, and at the grid edges where the map's contour lines
// cross, whose ends the direct sum must find on either side of the level.
#include <gtest/gtest.h>

#include <sstream>

#include "formfactors/direct_density.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"
#include "writers/density_map.hpp"

namespace vorn {
namespace {

Vec3 v3(const gemmi::Vec3& p) { return {p.x, p.y, p.z}; }

TEST(DeformationDensity, AgreesWithTheDirectSumAndItsContoursLieWhereTheDirectSumCrossesTheLevels) {
  test::MemoryRun memory;
  const Model model = read_shelx(test::test_data("shelx/nitrothiophene_carbaldehyde_Pna21.res"),
                                 ShelxLabels::as_named, memory.rs->log_sink());
  const gemmi::UnitCell cell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                             model.cell.gamma);
  std::vector<PseudoAtom> atoms;
  std::vector<MapAtom> shown;
  std::map<std::string, gemmi::Vec3> at;
  for (int n = 0; n < model.natom; ++n) {
    const Atom& a = model.atoms[n];
    const int i = n + 1;   // the atom's number: the invented parameters vary with it
    PseudoAtom p = neutral_atom(std::string(a.label.trimmed()), a.atomic_number, {a.fractional[0], a.fractional[1], a.fractional[2]});
    p.pv *= 1 + 0.05 * std::sin(i);
    p.kappa = 0.96 + 0.02 * (i % 5);
    p.kappa_prime = 0.85 + 0.06 * (i % 4);
    for (int k = 1; k < (a.atomic_number == 1 ? 9 : kHarmonicCount); ++k)
      p.plm[static_cast<std::size_t>(k)] = 0.08 * std::sin(3.0 * i + 7.0 * k);
    const gemmi::Mat33 turn = gemmi::Mat33(1, 0, 0, 0, std::cos(i), -std::sin(i), 0, std::sin(i), std::cos(i))
                                  .multiply(gemmi::Mat33(std::cos(2.0 * i), -std::sin(2.0 * i), 0, std::sin(2.0 * i),
                                                         std::cos(2.0 * i), 0, 0, 0, 1));
    for (int k = 0; k < 3; ++k) p.axes[static_cast<std::size_t>(k)] = v3(turn.column_copy(k));
    atoms.push_back(p);
    at[p.label] = cell.orthogonalize(gemmi::Fractional(a.fractional[0], a.fractional[1], a.fractional[2]));
    shown.push_back({p.label, v3(at[p.label])});
  }
  const std::vector<std::string> ring = {"C(2)", "C(3)", "C(4)", "C(5)", "S(1)"};
  std::vector<Vec3> members;
  gemmi::Vec3 centre;
  for (const std::string& l : ring) members.push_back(v3(at.at(l))), centre += at.at(l) / 5.0;
  const MapPlane plane = plane_through(members, "C(2) C(3) C(4) C(5) S(1)");
  DensityBox region{v3(centre), v3(centre)};
  for (double s : {-1, 1})
    for (double t : {-1, 1})
      for (std::size_t k = 0; k < 3; ++k) {
        const double c = plane.origin[k] + (s < 0 ? plane.u0 : plane.u1) * plane.u[k] + (t < 0 ? plane.v0 : plane.v1) * plane.v[k];
        region.lo[k] = std::min(region.lo[k], c), region.hi[k] = std::max(region.hi[k], c);
      }
  const DeformationDensity density(atoms, std::vector<double>(atoms.size(), 1.0), density_crystal(model, true), region);
  test::DirectDensity direct(model, atoms);

  // The centre, bonds, lone-pair places beyond the atoms and above the ring.
  const gemmi::Vec3 normal = gemmi::Vec3(plane.u[0], plane.u[1], plane.u[2]).cross({plane.v[0], plane.v[1], plane.v[2]});
  std::vector<gemmi::Vec3> points = {centre, centre + normal * 0.6};
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const gemmi::Vec3 a = at.at(ring[k]), b = at.at(ring[(k + 1) % ring.size()]);
    points.push_back((a + b) * 0.5);
    points.push_back(a + (a - centre).normalized() * 0.4);
    points.push_back(a + normal * 0.3 + (b - a) * 0.2);
  }
  points.push_back(at.at("O(1)") + (at.at("O(1)") - at.at("C(1)")).normalized() * 0.35);
  for (const gemmi::Vec3& p : points) {
    const double expected = direct.at(p);
    EXPECT_NEAR(density.at(v3(p)), expected, 2e-5 + 1e-6 * std::fabs(expected)) << p.x << " " << p.y << " " << p.z;
  }

  const DensityMap map = sample_map(plane, density, 0.05);
  std::ostringstream svg;
  std::vector<std::array<int, 2>> bonds;
  write_density_map(map, shown, bonds, svg);
  const std::string text = svg.str();
  for (const std::string& l : ring) EXPECT_NE(text.find(">" + l + "</text>"), std::string::npos) << l;
  EXPECT_GT(test::check_contours(text, direct, 15), 100);
}

}  // namespace
}  // namespace vorn
