// What a refinement reads from the files of a run with every step on: the
// hydrogen ADP ratios by group, the MoPro code of every atom with symmetry,
// and fixedH.ins read back by another program's SHELX reader.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/real_harmonics.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// The whitespace-separated words of each line of a text.
std::vector<Words> words_of(const std::string& text) {
  std::vector<Words> lines;
  for (const std::string& l : test::lines_of(text)) {
    std::istringstream in(l);
    lines.emplace_back();
    for (std::string w; in >> w;) lines.back().push_back(w);
  }
  return lines;
}

// A run of the built program with every step and key on (a CIF when the
// name ends in .cif); the files it wrote stay in `dir`.
void run_everything(const test::ScratchDir& dir, const std::string& structure,
                    const std::string& bank = std::string(VORN_SOURCE_DIR) + "/examples/vorn.db") {
  const bool cif = structure.ends_with(".cif");
  const std::string file = cif ? "structure.cif" : "structure.res";
  dir.copy_in(test::test_data((cif ? "cif/" : "shelx/") + structure), file);
  dir.copy_in(bank, "vorn.db");
  dir.write("vorn.inp", std::string("FORMAT *") + (cif ? "cif" : "shelx") + "\nINPUT " + file +
                            "\nNCELLS 1\nDISORD *extendH *db\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered "
                            "*kappas\nEXTEND_H\nRINGS 3 8 *special\nDATABANK vorn.db\nSCALE *sigma\nCHFRAG 0.\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
}

TEST(RefinementFiles, HydrogenAdpRatiosFollowTheGroup) {
  // Rotating groups (methyl, hydroxyl, NH3+) 1.5; riding C-H, CH2 and N-H 1.2.
  const std::map<std::string, std::map<std::string, std::string>> expected{
      {"paracetamol_P21n.res",   // phenol, amide N-H, aromatic C-H, methyl
       {{"H1O", "1.5"}, {"H1N", "1.2"}, {"H2", "1.2"}, {"H6", "1.2"}, {"H8A", "1.5"}, {"H8C", "1.5"}}},
      {"L-alanine_P212121_freeH.res",   // NH3+, C-alpha H, methyl
       {{"H1", "1.5"}, {"H3", "1.5"}, {"H4", "1.2"}, {"H6", "1.5"}}}};
  for (const auto& [structure, ratios] : expected) {
    test::ScratchDir dir;
    run_everything(dir, structure);
    std::map<std::string, std::string> found;
    for (const Words& w : words_of(dir.read("res_mopro.inp")))
      if (w.size() > 5 && w[0] == "URATIO") found[w[3]] = w[5];
    for (const auto& [hydrogen, ratio] : ratios) EXPECT_EQ(found[hydrogen], ratio) << structure << " " << hydrogen;
  }
}

// The terms (l, KEY position) that MoPro's code allows in the atom's frame:
// unchanged by its operations at a few directions; m = 0 alone for "cy".
std::set<std::pair<int, int>> code_terms(const std::string& code) {
  const double c = -0.5, s = std::sqrt(3.0) / 2;
  const gemmi::Mat33 mx(-1, 0, 0, 0, 1, 0, 0, 0, 1), my(1, 0, 0, 0, -1, 0, 0, 0, 1), mz(1, 0, 0, 0, 1, 0, 0, 0, -1),
      c2z(-1, 0, 0, 0, -1, 0, 0, 0, 1), c3z(c, -s, 0, s, c, 0, 0, 0, 1);
  const std::map<std::string, std::vector<gemmi::Mat33>> ops{
      {"mx", {mx}}, {"my", {my}}, {"mz", {mz}}, {"mxmy", {c2z, mx}}, {"3m", {c3z, my}}, {"cy", {}}};
  std::set<std::pair<int, int>> terms;
  for (int l = 1; l <= 4; ++l)
    for (int k = 0; k < 2 * l + 1; ++k) {
      const int m = test::key_m(l, k);
      bool kept = code != "cy" || m == 0;
      for (const gemmi::Mat33& r : ops.at(code))
        for (const gemmi::Vec3& u : {gemmi::Vec3(0.3, 0.5, 0.8), gemmi::Vec3(-0.7, 0.2, 0.4)})
          kept = kept && std::fabs(test::real_ylm(l, m, r.multiply(u)) - test::real_ylm(l, m, u)) < 1e-9;
      if (kept) terms.insert({l, k});
    }
  return terms;
}

// Over every SHELX file and CIF, and two transfers from the MATTS test bank
// (whose "m" is normal to Z whatever the axis letters): each atom whose KEY
// leaves out a term up to its lmax has a SYMPLM line, in atom order, whose
// MoPro code allows none of the terms left out, or that names the atom's
// point group; no two dummy atoms share a place (R-3c had DUM4 = DUM7).
TEST(RefinementFiles, EveryAtomWithSymmetryHasAMoproCodeThatAllowsNoForbiddenTerm) {
  int checked = 0;
  std::vector<std::pair<std::string, std::string>> runs;   // structure, bank
  for (const char* folder : {"shelx", "cif"})
    for (const auto& entry : fs::directory_iterator(test::test_data(folder))) {
      const std::string name = entry.path().filename().string();
      if (name.find("Qpeaks") == std::string::npos)   // stops on its difference peaks
        runs.emplace_back(name, std::string(VORN_SOURCE_DIR) + "/examples/vorn.db");
    }
  for (const char* name : {"paracetamol_P21n.res", "urea_P-421m_special_positions.res"})
    runs.emplace_back(name, test::test_data("matts/small.matts"));
  for (const auto& [name, bank] : runs) {
      SCOPED_TRACE(name + " with " + bank);
      test::ScratchDir dir;
      run_everything(dir, name, bank);
      std::vector<Words> symplm;
      for (const Words& w : words_of(dir.read("con_mopro.inp")))
        if (!w.empty() && w[0] == "SYMPLM") symplm.push_back(w);
      std::map<std::string, std::pair<int, std::string>> table;   // label: lmax, site-symmetry label
      std::set<std::string> dummy_places;
      std::size_t next = 0;
      for (const Words& w : words_of(dir.read("xd_vorn.mas"))) {
        if (w.size() > 3 && w[0].starts_with("DUM")) {
          EXPECT_TRUE(dummy_places.insert(w[1] + " " + w[2] + " " + w[3]).second) << w[0];
        }
        if (w.size() >= 12 && w[2].size() == 1 && w[0] != "ATOM") table[w[0]] = {std::stoi(w[10]), w[11]};
        if (w.size() != 10 || !table.count(w[0])) continue;   // a KEY line: label, XYZ, U2-U4, M, D, Q, O, H
        const auto [lmax, sitesym] = table[w[0]];
        std::set<std::pair<int, int>> left_out;
        for (int l = 1; l <= lmax; ++l)
          for (int k = 0; k < 2 * l + 1; ++k)
            if (w[static_cast<std::size_t>(5 + l)][static_cast<std::size_t>(k)] == '0') left_out.insert({l, k});
        if (left_out.empty()) continue;
        ASSERT_LT(next, symplm.size()) << w[0];
        const Words& line = symplm[next++];
        ASSERT_GE(line.size(), 3u) << w[0];
        ++checked;
        if (line[1] == sitesym && !std::set<std::string>{"mx", "my", "mz", "mxmy", "3m", "cy"}.count(line[1]))
          continue;
        for (const auto& t : code_terms(line[1])) EXPECT_FALSE(left_out.count(t)) << w[0] << " " << line[1];
      }
      EXPECT_EQ(next, symplm.size());
    }
  EXPECT_GT(checked, 50);
}

// fixedH.ins read back by cctbx's SHELX reader: the input's own labels,
// anisotropic heavy atoms, and each extended X-H bond at the length of its
// restraint by cctbx's metric.
TEST(RefinementFiles, FixedHydrogenFileReadsBackInAnotherShelxReader) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is not installed";
  test::ScratchDir dir;
  run_everything(dir, "paracetamol_P21n.res");
  std::string pairs;
  std::vector<double> targets, lengths;
  for (const Words& w : words_of(dir.read("res_mopro.inp")))
    if (w.size() > 5 && w[0] == "DISTAN") {
      pairs += w[1] + " " + w[3] + "\n";
      targets.push_back(std::stod(w[5]));
    }
  ASSERT_EQ(targets.size(), 9u);
  dir.write("pairs.txt", pairs);
  const int status = std::system(("cd '" + dir.path() + "' && /usr/bin/python3 '" + VORN_SOURCE_DIR +
                                  "/tests/e2e/shelx_read_back.py' fixedH.ins < pairs.txt > read.txt 2> errors.txt")
                                     .c_str());
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cctbx (python3-cctbx) is not installed";
  ASSERT_EQ(WEXITSTATUS(status), 0) << dir.read("errors.txt");
  std::map<std::string, std::string> aniso;
  for (const Words& w : words_of(dir.read("read.txt"))) {
    if (w[0] == "ATOM") aniso[w[1]] = w[2];
    if (w[0] == "DIST") lengths.push_back(std::stod(w[3]));
  }
  EXPECT_EQ(aniso.size(), 20u);
  for (const char* label : {"O1", "N1", "C8", "H1O", "H1N", "H8A"})
    EXPECT_EQ(aniso[label], label[0] == 'H' ? "0" : "1") << label;
  ASSERT_EQ(lengths.size(), targets.size());
  for (std::size_t k = 0; k < targets.size(); ++k) EXPECT_NEAR(lengths[k], targets[k], 1.5e-3) << k;
}

}  // namespace
}  // namespace vorn
