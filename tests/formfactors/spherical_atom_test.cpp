// The spherical core and valence form factors against the reference table
// of the wavefunctions and against an integration written here from the
// published orbitals; the complete aspherical model of the urea atoms
// against the values of the reference table.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <regex>
#include <sstream>
#include <string>

#include <gemmi/elem.hpp>
#include <gemmi/unitcell.hpp>

#include "formfactors/pseudo_atom.hpp"
#include "formfactors/slater_densities.hpp"
#include "formfactors/wavefunction_data.hpp"
#include "formfactors/orbital_quadrature.hpp"

namespace vorn {
namespace {

constexpr double kPi = std::numbers::pi;

std::vector<std::vector<std::string>> table_rows(const std::string& name) {
  std::ifstream in(std::string(VORN_TEST_DATA) + "/formfactors/" + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (std::exchange(header, false)) continue;
    std::istringstream fields(line);
    std::vector<std::string>& row = rows.emplace_back();
    for (std::string f; fields >> f;) row.push_back(f);
  }
  return rows;
}


TEST(SphericalAtom, CoreAndValenceMatchTheReferenceTable) {
  const auto rows = table_rows("check_spherical_form_factors.tsv");
  ASSERT_EQ(rows.size(), 36u * 10u);
  for (const auto& r : rows) {
    const ElementDensities& e = element_densities(gemmi::Element(r[0]).atomic_number());
    const double k = 2 * kPi * 2 * std::stod(r[1]);
    EXPECT_NEAR(spherical_form_factor(e.core, k), std::stod(r[2]), 1e-8) << r[0] << " " << r[1];
    EXPECT_NEAR(spherical_form_factor(e.valence, k), std::stod(r[3]), 1e-8) << r[0] << " " << r[1];
  }
}

TEST(SphericalAtom, KappaScaledValenceMatchesOrbitalQuadrature) {
  struct Case { int z; double pv, kappa; };
  const Case cases[] = {{1, 0.88, 1.16}, {6, 4.1, 0.98}, {8, 6.3, 0.97}, {16, 5.8, 1.02}, {26, 6.0, 1.0}, {35, 7.2, 0.95}};
  for (const Case& c : cases) {
    const test::OrbitalDensities orbitals(c.z);
    for (double length : {0.0, 0.13, 0.6, 1.4, 2.2}) {
      PseudoAtom a;
      a.z = c.z;
      a.pv = c.pv;
      a.kappa = c.kappa;
      const double expected = orbitals.form_factor(length, c.pv, c.kappa);
      const std::complex<double> f = atom_form_factor(a, {0, length, 0});
      EXPECT_NEAR(f.real(), expected, 1e-6 * expected) << "Z " << c.z << " |h| " << length;
      EXPECT_EQ(f.imag(), 0.0);
    }
  }
}

// The model of each urea atom is in the comment lines of the reference
// table: Pval, kappa, kappa', the axes and the populations.
TEST(AsphericalAtom, UreaModelMatchesTheReferenceTable) {
  std::ifstream in(std::string(VORN_TEST_DATA) + "/formfactors/check_urea_aspherical_form_factors.tsv");
  const std::regex model_line(R"(#\s+(\w+) type \w+ Pval (\S+) kappa (\S+) kappa' (\S+) X=\((\S+)\) Y=\((\S+)\) Z=\((\S+)\) Plm\[l m value\]: (.*))");
  std::vector<PseudoAtom> atoms;
  std::string line;
  auto vec = [](std::string s) {
    std::replace(s.begin(), s.end(), ',', ' ');
    Vec3 v{};
    std::istringstream(s) >> v[0] >> v[1] >> v[2];
    return v;
  };
  const gemmi::UnitCell cell(5.578, 5.578, 4.686, 90, 90, 90);
  int checked = 0;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, model_line)) {
      PseudoAtom& a = atoms.emplace_back();
      a.label = m[1];
      a.z = gemmi::Element(a.label.substr(0, 1)).atomic_number();
      a.pv = std::stod(m[2]);
      a.kappa = std::stod(m[3]);
      a.kappa_prime = std::stod(m[4]);
      a.axes = {vec(m[5]), vec(m[6]), vec(m[7])};
      std::string plms = m[8];
      std::replace(plms.begin(), plms.end(), ';', ' ');
      std::istringstream p(plms);
      for (int l, mm; p >> l >> mm;) p >> a.plm[static_cast<std::size_t>(harmonic_index(l, mm))];
    } else if (!line.empty() && line[0] != '#' && line[0] != 'h') {
      std::istringstream fields(line);
      double hkl[3];
      fields >> hkl[0] >> hkl[1] >> hkl[2];
      const gemmi::Vec3 h = cell.frac.mat.left_multiply(gemmi::Vec3(hkl[0], hkl[1], hkl[2]));
      for (const PseudoAtom& a : atoms) {
        std::string value;
        fields >> value;
        const Vec3 v = vec(value + ",0");
        const std::complex<double> f = atom_form_factor(a, {h.x, h.y, h.z});
        EXPECT_NEAR(f.real(), v[0], 2e-6) << a.label << " " << line;
        EXPECT_NEAR(f.imag(), v[1], 2e-6) << a.label << " " << line;
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 30);
}

}  // namespace
}  // namespace vorn
