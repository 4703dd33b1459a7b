// The table of L-alanine (2519 measured reflections) end to end: the
// structure factors summed here from the table agree with those from the
// test's own orbital quadrature (independent atoms), and with cctbx's when
// cctbx reads the table with its own reader; cctbx's independent atoms
// differ from the table by no more than the two tabulations of f do.
#include <gtest/gtest.h>

#include <complex>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "formfactors/orbital_quadrature.hpp"
#include "formfactors/reflections.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

bool cctbx_installed() {
  return std::system("/usr/bin/python3 -c 'import smtbx.structure_factors.direct' >/dev/null 2>&1") == 0;
}

std::string run_cctbx(const test::ScratchDir& dir, bool spread) {
  const std::string command = "cd " + dir.path() + " && /usr/bin/python3 " + VORN_SOURCE_DIR +
                              "/tests/formfactors/cctbx_structure_factors.py ala.res vorn.tsc ala.hkl" +
                              (spread ? " spread" : "");
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  char buffer[4096];
  while (p && std::fgets(buffer, sizeof buffer, p)) out += buffer;
  if (p) pclose(p);
  return out;
}

TEST(AlanineTable, StructureFactorsAgreeWithIndependentAtomsAndWithCctbx) {
  const bool cctbx = cctbx_installed();
  test::MemoryRun memory;
  const Model model = read_shelx(test::test_data("shelx/L-alanine_P212121_freeH.res"), ShelxLabels::as_named,
                                 memory.rs->log_sink());
  const gemmi::UnitCell cell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                             model.cell.gamma);
  const std::vector<Miller> listed = read_hklf4(test::test_data("formfactors/L-alanine_P212121_freeH.hkl"));
  ASSERT_EQ(listed.size(), 2519u);
  std::map<int, test::OrbitalDensities> orbitals;
  for (int i = 0; i < model.natom; ++i) orbitals.try_emplace(model.atoms[i].atomic_number, model.atoms[i].atomic_number);

  for (const bool databank : {false, true}) {
    test::ScratchDir dir;
    dir.copy_in(test::test_data("shelx/L-alanine_P212121_freeH.res"), "ala.res");
    dir.copy_in(test::test_data("formfactors/L-alanine_P212121_freeH.hkl"), "ala.hkl");
    dir.copy_in(test::test_data("hcno.db"), "hcno.db");
    dir.write("vorn.inp", std::string("FORMAT *shelx\nINPUT ala.res\nFORMFACTORS ala.hkl\n") +
                              (databank ? "DATABANK hcno.db\n" : ""));
    ASSERT_EQ(test::run_vorn(dir).status, 0);
    std::map<Miller, std::vector<std::complex<double>>> f;
    for (const std::string& line : test::lines_of(dir.read("vorn.tsc"))) {
      if (line.empty() || !(std::isdigit(line[0]) || line[0] == '-')) continue;
      std::istringstream in(line);
      Miller h{};
      in >> h[0] >> h[1] >> h[2];
      for (std::string v; in >> v;) f[h].push_back({std::stod(v), std::stod(v.substr(v.find(',') + 1))});
    }
    EXPECT_EQ(f.size(), 17650u);
    std::istringstream from_cctbx(cctbx ? run_cctbx(dir, !databank) : std::string());
    for (const Miller& h : listed) {
      // F = sum over atoms and operators of f_j(h R) exp(2 pi i (h R . x_j + h . t)).
      std::complex<double> table = 0, independent = 0;
      double size = 0;
      const double length = std::sqrt(cell.calculate_1_d2_double(h[0], h[1], h[2]));
      std::map<int, double> spherical;   // the neutral atom's f by element, at |h|
      if (!databank)
        for (const auto& [z, o] : orbitals) spherical[z] = o.form_factor(length, o.valence_electrons, 1.0);
      for (const SymOp& op : model.symm.ops) {
        Miller hr{};
        for (std::size_t i = 0; i < 3; ++i)
          hr[i] = static_cast<int>(std::lround(op.rot[i][0] * h[0] + op.rot[i][1] * h[1] + op.rot[i][2] * h[2]));
        ASSERT_TRUE(f.count(hr)) << hr[0] << " " << hr[1] << " " << hr[2];
        for (int j = 0; j < model.natom; ++j) {
          const Atom& a = model.atoms[j];
          const double phase = 2 * std::numbers::pi *
                               (hr[0] * a.fractional[0] + hr[1] * a.fractional[1] + hr[2] * a.fractional[2] + h[0] * op.trans[0] +
                                h[1] * op.trans[1] + h[2] * op.trans[2]);
          const std::complex<double> fj = f[hr][static_cast<std::size_t>(j)];
          table += fj * std::polar(1.0, phase);
          size += std::abs(fj);
          independent += spherical[a.atomic_number] * std::polar(1.0, phase);
        }
      }
      if (!databank) {
        EXPECT_LT(std::abs(table - independent), 1e-6 * size) << h[0] << " " << h[1] << " " << h[2];
      }
      if (!cctbx) continue;
      Miller hc{};
      double re, im, iam_re, iam_im, spread;
      ASSERT_TRUE(from_cctbx >> hc[0] >> hc[1] >> hc[2] >> re >> im >> iam_re >> iam_im >> spread);
      ASSERT_EQ(hc, h);
      EXPECT_LT(std::abs(table - std::complex<double>(re, im)), 1e-5 * size) << h[0] << " " << h[1] << " " << h[2];
      if (!databank) {
        EXPECT_LE(std::abs(std::complex<double>(re - iam_re, im - iam_im)), spread + 1e-6);
      }
    }
  }
  if (!cctbx) GTEST_SKIP() << "python3-cctbx is not installed (tools/install-deps.sh installs it): "
                              "the table was not read with cctbx";
}

}  // namespace
}  // namespace vorn
