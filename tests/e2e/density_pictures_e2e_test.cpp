// The deformation-density pictures of whole runs: which maps a control file
// gets (one per planar ring, then one per MAP line, named in the title and
// the log), the stops for MAP lines that name no atom, no pictures without
// a model, and the page of a 200-atom structure with its grids.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "formfactors/direct_density.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

struct MapCase {
  const char* name;
  const char* lines;        // after the common control lines
  bool databank;
  int status;
  std::vector<std::string> titles;   // of vorn_map_1.svg, vorn_map_2.svg, ...
  const char* in_log;       // text the log (or the error) holds
};

TEST(DensityPictures, MapsForEveryPlanarRingAndMapLine) {
  const MapCase cases[] = {
      {"ring and MAP line", "PICTURES *maps\nMAP C(1) C(2) O(1)\n", true, 0,
       {"C(2) C(3) C(4) C(5) S(1)", "C(1) C(2) O(1)"}, " Deformation density map vorn_map_2.svg : plane of C(1) C(2) O(1)"},
      {"names as in the file, any case", "PICTURES *maps\nMAP o2 n1 O3\n", true, 0,
       {"C(2) C(3) C(4) C(5) S(1)", "O(2) N(1) O(3)"}, "vorn_map_2.svg : plane of O(2) N(1) O(3)"},
      {"maps switched off", "PICTURES maps\nMAP C(1) C(2) O(1)\n", true, 0, {}, " Find rings"},
      {"no model", "PICTURES *maps\n", false, 0, {}, " No atom carries a multipole model"},
      {"a name of no atom", "PICTURES *maps\n! a comment\nMAP C(1) C(9) O(1)\n", true, 1, {},
       "MAP names C(9), which is no atom of the structure (line 8 of vorn.inp)"},
      {"one atom twice", "PICTURES *maps\nMAP C(1) C(2) C(1)\n", true, 1, {}, "MAP names one atom twice"},
      {"two atoms only", "PICTURES *maps\nMAP C(1) C(2)\n", true, 1, {}, "A MAP line names three atoms"},
  };
  for (const MapCase& c : cases) {
    ScratchDir dir;
    dir.copy_in(test_data("shelx/nitrothiophene_carbaldehyde_Pna21.res"), "s.res");
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
    dir.write("vorn.inp", std::string("FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nCHFRAG 0.\n") +
                              (c.databank ? "DATABANK vorn.db\n" : "") + c.lines);
    const RunResult r = run_vorn(dir);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_NE((dir.read("vorn.out") + r.out).find(c.in_log), std::string::npos) << c.name << "\n" << r.out;
    for (std::size_t n = 0; n < c.titles.size(); ++n) {
      const std::string svg = dir.read("vorn_map_" + std::to_string(n + 1) + ".svg");
      EXPECT_NE(svg.find("<title>Static deformation density in the plane of " + c.titles[n] + "</title>"),
                std::string::npos) << c.name << " " << n + 1;
      EXPECT_NE(svg.find("class=\"neg\""), std::string::npos) << c.name;
      EXPECT_NE(svg.find("class=\"pos\""), std::string::npos) << c.name;
    }
    EXPECT_FALSE(dir.exists("vorn_map_" + std::to_string(c.titles.size() + 1) + ".svg")) << c.name;
  }
}

// The map of the thiophene ring with the bundled bank's model, as written:
// its contour lines lie where the direct sum of the test crosses their
// levels, for the model read back from xd_vorn.mas (frames) and
// xd_vorn.inp (positions, populations, kappas) of the atoms the bank typed.
TEST(DensityPictures, MapOfTheTransferredModelFollowsTheDirectSum) {
  ScratchDir dir;
  dir.copy_in(test_data("shelx/nitrothiophene_carbaldehyde_Pna21.res"), "s.res");
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nDATABANK vorn.db\nCHFRAG 0.\nPICTURES *maps\n");
  ASSERT_EQ(run_vorn(dir).status, 0);
  MemoryRun memory;
  const Model model = read_shelx(dir.file("s.res"), ShelxLabels::as_named, memory.rs->log_sink());
  const gemmi::UnitCell cell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                             model.cell.gamma);
  std::map<std::string, std::vector<std::string>> table;   // label: ATOM0 AX1 ATOM1 ATOM2 AX2 R/L TP TBL KAP
  bool in_table = false;
  for (const std::string& l : lines_of(dir.read("xd_vorn.mas"))) {
    if (l.rfind("END ATOM", 0) == 0) in_table = false;
    std::istringstream in(l);
    std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
    if (in_table && w.size() > 9) table[w[0]] = {w.begin() + 1, w.end()};
    if (l.rfind("ATOM     ATOM0", 0) == 0) in_table = true;
  }
  std::map<std::string, std::vector<double>> numbers;   // label: x y z occ, U line, 26 populations
  std::vector<std::array<double, 2>> kappas;
  const std::vector<std::string> par = lines_of(dir.read("xd_vorn.inp"));
  for (std::size_t k = 0; k < par.size(); ++k) {
    std::istringstream in(par[k]);
    std::string first;
    in >> first;
    std::smatch m;
    if (std::regex_match(par[k], m, std::regex(R"(\s*\d+\s+([0-9.]+)\s+([0-9.]+)(\s+[0-9.]+){4}\s*)")))
      kappas.push_back({std::stod(m[1]), std::stod(m[2])});
    if (!table.count(first)) continue;
    std::vector<double>& v = numbers[first];
    std::istringstream head(par[k]);
    std::vector<std::string> w{std::istream_iterator<std::string>(head), {}};
    for (std::size_t i = w.size() - 4; i < w.size(); ++i) v.push_back(std::stod(w[i]));
    for (std::size_t line = k + 2; line <= k + 4; ++line) {
      std::istringstream p(par[line]);
      for (double x; p >> x;) v.push_back(x);
    }
    ASSERT_EQ(v.size(), 30u) << first;
  }
  auto place = [&](const std::string& label) {
    const std::vector<double>& v = numbers.at(label);
    return cell.orthogonalize(gemmi::Fractional(v[0], v[1], v[2]));
  };
  // XD's order of the populations after Pv and P00, as (l, m).
  const int order[24][2] = {{1, 1}, {1, -1}, {1, 0}, {2, 0}, {2, 1}, {2, -1}, {2, 2}, {2, -2}, {3, 0}, {3, 1}, {3, -1},
                            {3, 2}, {3, -2}, {3, 3}, {3, -3}, {4, 0}, {4, 1}, {4, -1}, {4, 2}, {4, -2}, {4, 3}, {4, -3},
                            {4, 4}, {4, -4}};
  std::vector<PseudoAtom> atoms;
  const std::string log = dir.read("vorn.out");
  for (const auto& [label, t] : table) {
    if (log.find(" DB comment for " + label + " = ") == std::string::npos) continue;
    const std::vector<double>& v = numbers.at(label);
    PseudoAtom a;
    a.z = label[0] == 'H' ? 1 : 0;
    ASSERT_EQ(a.z, 1) << "the bundled bank types only the hydrogens here: " << label;
    a.position = {v[0], v[1], v[2]};
    a.pv = v[4];
    for (int k = 0; k < 24; ++k) a.plm[static_cast<std::size_t>(harmonic_index(order[k][0], order[k][1]))] = v[6 + k];
    a.kappa = kappas.at(static_cast<std::size_t>(std::stoi(t[8]) - 1))[0];
    a.kappa_prime = kappas.at(static_cast<std::size_t>(std::stoi(t[8]) - 1))[1];
    // Axis 1 towards ATOM0, axis 2 along ATOM1 -> ATOM2 made normal to it,
    // the third completing a right-handed set (reversed for L).
    const gemmi::Vec3 e1 = (place(t[0]) - place(label)).normalized(), d = place(t[3]) - place(t[2]);
    const gemmi::Vec3 e2 = (d - e1 * d.dot(e1)).normalized();
    const int i1 = t[1][0] - 'X', i2 = t[4][0] - 'X', i3 = 3 - i1 - i2;
    std::array<gemmi::Vec3, 3> axes;
    axes[i1] = e1, axes[i2] = e2;
    axes[i3] = axes[(i3 + 1) % 3].cross(axes[(i3 + 2) % 3]) * (t[5] == "L" ? -1.0 : 1.0);
    for (int k = 0; k < 3; ++k) a.axes[static_cast<std::size_t>(k)] = {axes[k].x, axes[k].y, axes[k].z};
    atoms.push_back(a);
  }
  ASSERT_EQ(atoms.size(), 3u);
  DirectDensity direct(model, atoms);
  EXPECT_GT(check_contours(dir.read("vorn_map_1.svg"), direct, 4), 100);
}

// The page of the 200-atom benchmark structure (benzene, ethane and
// acetonitrile with the bundled bank's model) carries a grid block set per
// molecule and stays well under 5 MB.
TEST(DensityPictures, PageOfTwoHundredAtomsWithItsGridsIsSmall) {
  if (std::system("/usr/bin/python3 -c 1 > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3 to make the structure";
  ScratchDir dir;
  ASSERT_EQ(std::system(("/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) + "/tools/make_bench_structure.py 200 " +
                         dir.path() + " vorn.db > /dev/null").c_str()), 0);
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", dir.read("vorn.inp") + "PICTURES *page\n");
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string page = dir.read("vorn.html");
  EXPECT_GT(page.find("\"values\":\""), page.find("id=\"vorn-density\"")) << "no density grid on the page";
  EXPECT_LT(std::filesystem::file_size(dir.file("vorn.html")), 5u * 1000 * 1000);
}

}  // namespace
}  // namespace vorn::test
