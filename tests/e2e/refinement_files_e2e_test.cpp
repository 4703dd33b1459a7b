// What a refinement reads from the files of a run with every step on:
// the hydrogen ADP ratios by group, the MoPro site-symmetry codes of every
// atom on a special position, and fixedH.ins read back by another
// program's SHELX reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/real_harmonics.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// The control file of a run with every step and every key on.
std::string everything(const std::string& format, const std::string& file) {
  return "FORMAT *" + format + "\nINPUT " + file + "\nNCELLS 1\nDISORD *extendH *db\n"
         "KEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\nEXTEND_H\nRINGS 3 8 *special\n"
         "DATABANK vorn.db\nSCALE *sigma\nCHFRAG 0.\n";
}

// A run of the built program with every step on (a SHELX file unless the
// name ends in .cif); the files it wrote stay in `dir`.
void run_everything(const test::ScratchDir& dir, const std::string& structure) {
  const bool cif = structure.size() > 4 && structure.substr(structure.size() - 4) == ".cif";
  const std::string file = cif ? "structure.cif" : "structure.res";
  dir.copy_in(test::test_data((cif ? "cif/" : "shelx/") + structure), file);
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", everything(cif ? "cif" : "shelx", file));
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
}

// The U(H)/U(X) ratio of each hydrogen's URATIO restraint, by hydrogen name.
std::map<std::string, double> uratios(const std::string& restraints) {
  std::map<std::string, double> ratio;
  for (const std::string& l : test::lines_of(restraints)) {
    std::istringstream in(l);
    std::string key, parent, hydrogen;
    int n1 = 0, n2 = 0;
    double r = 0;
    if (in >> key >> parent >> n1 >> hydrogen >> n2 >> r && key == "URATIO") ratio[hydrogen] = r;
  }
  return ratio;
}

TEST(RefinementFiles, HydrogenAdpRatiosFollowTheGroup) {
  // Rotating groups (methyl, hydroxyl, NH3+) 1.5; riding C-H, CH2 and N-H 1.2.
  const struct {
    const char* structure;
    const char* hydrogen;
    const char* group;
    double ratio;
  } cases[] = {
      {"paracetamol_P21n.res", "H1O", "phenol O-H", 1.5}, {"paracetamol_P21n.res", "H1N", "amide N-H", 1.2},
      {"paracetamol_P21n.res", "H2", "aromatic C-H", 1.2}, {"paracetamol_P21n.res", "H6", "aromatic C-H", 1.2},
      {"paracetamol_P21n.res", "H8A", "methyl", 1.5},     {"paracetamol_P21n.res", "H8C", "methyl", 1.5},
      {"L-alanine_P212121_freeH.res", "H1", "NH3+", 1.5}, {"L-alanine_P212121_freeH.res", "H3", "NH3+", 1.5},
      {"L-alanine_P212121_freeH.res", "H4", "C-alpha H", 1.2},
      {"L-alanine_P212121_freeH.res", "H6", "methyl", 1.5},
  };
  std::map<std::string, std::map<std::string, double>> by_structure;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.structure) + " " + c.hydrogen + " (" + c.group + ")");
    if (!by_structure.count(c.structure)) {
      test::ScratchDir dir;
      run_everything(dir, c.structure);
      by_structure[c.structure] = uratios(dir.read("res_mopro.inp"));
    }
    const auto& found = by_structure[c.structure];
    ASSERT_TRUE(found.count(c.hydrogen));
    EXPECT_DOUBLE_EQ(found.at(c.hydrogen), c.ratio);
  }
}

// The terms of MoPro's code (l, KEY position) in the atom's frame:
// unchanged by every operation at a few directions, or m = 0 alone for the
// cylindrical code.
std::set<std::pair<int, int>> code_terms(const std::string& code) {
  const gemmi::Mat33 mx(-1, 0, 0, 0, 1, 0, 0, 0, 1), my(1, 0, 0, 0, -1, 0, 0, 0, 1), mz(1, 0, 0, 0, 1, 0, 0, 0, -1);
  const gemmi::Mat33 c2z(-1, 0, 0, 0, -1, 0, 0, 0, 1);
  const double c = -0.5, s = std::sqrt(3.0) / 2;
  const gemmi::Mat33 c3z(c, -s, 0, s, c, 0, 0, 0, 1);
  const std::map<std::string, std::vector<gemmi::Mat33>> ops{
      {"mx", {mx}}, {"my", {my}}, {"mz", {mz}}, {"mxmy", {c2z, mx}}, {"3m", {c3z, my}}, {"cy", {}}};
  std::set<std::pair<int, int>> terms;
  for (int l = 1; l <= 4; ++l)
    for (int k = 0; k < 2 * l + 1; ++k) {
      const int m = test::key_m(l, k);
      bool kept = code != "cy" || m == 0;
      for (const gemmi::Mat33& r : ops.at(code))
        for (const gemmi::Vec3& u : {gemmi::Vec3(0.3, 0.5, 0.8), gemmi::Vec3(-0.7, 0.2, 0.4), gemmi::Vec3(0.1, -0.9, -0.3)})
          kept = kept && std::fabs(test::real_ylm(l, m, r.multiply(u)) - test::real_ylm(l, m, u)) < 1e-9;
      if (kept) terms.insert({l, k});
    }
  return terms;
}

struct TableAtom {
  std::string label, sitesym;
  int lmax = 4;
  std::set<std::pair<int, int>> refined;   // KEY bits up to lmax
  bool restricted = false;                 // a term up to lmax is not refined
};

// The atom and KEY tables of xd_vorn.mas.
std::vector<TableAtom> table_atoms(const std::string& mas) {
  std::vector<TableAtom> atoms;
  std::map<std::string, std::size_t> index;
  bool in_atoms = false;
  for (const std::string& l : test::lines_of(mas)) {
    std::istringstream in(l);
    std::vector<std::string> w;
    for (std::string x; in >> x;) w.push_back(x);
    if (w.empty()) continue;
    if (w[0] == "ATOM" && w.size() > 1 && w[1] == "ATOM0") { in_atoms = true; continue; }
    if (w[0] == "END") in_atoms = false;
    if (in_atoms && w.size() >= 12 && w[0].rfind("DUM", 0) != 0) {
      index[w[0]] = atoms.size();
      atoms.push_back({w[0], w[11], std::stoi(w[10]), {}, false});
    } else if (!in_atoms && w.size() == 10 && index.count(w[0])) {
      TableAtom& a = atoms[index[w[0]]];
      for (int l = 1; l <= a.lmax; ++l)
        for (int k = 0; k < 2 * l + 1; ++k) {
          if (w[static_cast<std::size_t>(5 + l)][static_cast<std::size_t>(k)] == '1') a.refined.insert({l, k});
          else a.restricted = true;
        }
    }
  }
  return atoms;
}

// Every atom whose KEY leaves out a term the atom could carry (its site or
// label forbids it) has a SYMPLM line, in atom order; a MoPro code allows
// none of the terms the KEY leaves out, and a line without such a code
// names the atom's point group.
TEST(RefinementFiles, EveryAtomWithSymmetryHasAMoproCodeThatAllowsNoForbiddenTerm) {
  const std::set<std::string> codes{"mx", "my", "mz", "mxmy", "3m", "cy"};
  int checked = 0;
  std::vector<std::string> structures;
  for (const char* folder : {"shelx", "cif"})
    for (const auto& entry : fs::directory_iterator(test::test_data(folder)))
      structures.push_back(entry.path().filename().string());
  for (const std::string& name : structures) {
    if (name.find("Qpeaks") != std::string::npos) continue;   // stops on its difference peaks
    SCOPED_TRACE(name);
    test::ScratchDir dir;
    run_everything(dir, name);
    std::vector<std::vector<std::string>> lines;
    for (const std::string& l : test::lines_of(dir.read("con_mopro.inp"))) {
      std::istringstream in(l);
      std::vector<std::string> w;
      for (std::string x; in >> x;) w.push_back(x);
      if (!w.empty() && w[0] == "SYMPLM") lines.push_back(w);
    }
    // No two dummy atoms of the atom table at one place (R-3c had DUM4 = DUM7).
    std::set<std::string> dummy_places;
    for (const std::string& l : test::lines_of(dir.read("xd_vorn.mas")))
      if (l.rfind("DUM", 0) == 0) EXPECT_TRUE(dummy_places.insert(l.substr(l.find(' '))).second) << l;
    std::size_t next = 0;
    for (const TableAtom& a : table_atoms(dir.read("xd_vorn.mas"))) {
      if (!a.restricted) continue;
      SCOPED_TRACE(a.label + " " + a.sitesym);
      ASSERT_LT(next, lines.size());
      const std::vector<std::string>& w = lines[next++];
      ASSERT_GE(w.size(), 3u);   // keyword, code, atom
      ++checked;
      if (!codes.count(w[1])) {
        EXPECT_EQ(w[1], a.sitesym);
        continue;
      }
      for (const auto& t : code_terms(w[1]))
        if (t.first <= a.lmax) EXPECT_TRUE(a.refined.count(t)) << w[1] << " allows l=" << t.first << " k=" << t.second;
    }
    EXPECT_EQ(next, lines.size());
  }
  EXPECT_GT(checked, 50);
}

// fixedH.ins read back by cctbx's SHELX reader: every atom under the
// input's own label, the anisotropic ones with their Uij, and each
// extended X-H bond at the length of its restraint by cctbx's metric.
TEST(RefinementFiles, FixedHydrogenFileReadsBackInAnotherShelxReader) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is not installed";
  test::ScratchDir dir;
  run_everything(dir, "paracetamol_P21n.res");
  std::string pairs;
  std::vector<double> targets;
  for (const std::string& l : test::lines_of(dir.read("res_mopro.inp"))) {
    std::istringstream in(l);
    std::string key, x, h;
    int n = 0;
    double length = 0;
    if (in >> key >> x >> n >> h >> n >> length && key == "DISTAN") {
      pairs += x + " " + h + "\n";
      targets.push_back(length);
    }
  }
  ASSERT_EQ(targets.size(), 9u);
  dir.write("pairs.txt", pairs);
  const std::string script = std::string(VORN_SOURCE_DIR) + "/tests/e2e/shelx_read_back.py";
  const std::string command = "cd '" + dir.path() + "' && /usr/bin/python3 '" + script +
                              "' fixedH.ins < pairs.txt > read.txt 2> errors.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cctbx (python3-cctbx) is not installed";
  ASSERT_EQ(WEXITSTATUS(status), 0) << dir.read("errors.txt");
  std::map<std::string, int> aniso;
  std::vector<double> lengths;
  for (const std::string& l : test::lines_of(dir.read("read.txt"))) {
    std::istringstream in(l);
    std::string key, a, b;
    in >> key >> a;
    if (key == "ATOM") in >> aniso[a];
    double d = 0;
    if (key == "DIST" && in >> b >> d) lengths.push_back(d);
  }
  // Paracetamol: 11 anisotropic heavy atoms, 9 isotropic hydrogens.
  ASSERT_EQ(aniso.size(), 20u);
  for (const char* heavy : {"O1", "O2", "N1", "C1", "C8"}) EXPECT_EQ(aniso[heavy], 1) << heavy;
  for (const char* h : {"H1O", "H1N", "H8A"}) EXPECT_EQ(aniso[h], 0) << h;
  ASSERT_EQ(lengths.size(), targets.size());
  for (std::size_t k = 0; k < targets.size(); ++k) EXPECT_NEAR(lengths[k], targets[k], 1.5e-3) << k;
}

}  // namespace
}  // namespace vorn
