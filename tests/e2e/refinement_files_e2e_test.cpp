// What a refinement reads from the files of a run with every step on:
// the hydrogen ADP ratios by group, the MoPro site-symmetry codes of every
// atom on a special position, and fixedH.ins read back by another
// program's SHELX reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "localframe/multipole_symmetry.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const std::string kEverything =
    "FORMAT *shelx\nINPUT structure.res\nNCELLS 1\nDISORD *extendH *db\n"
    "KEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\nEXTEND_H\nRINGS 3 8 *special\n"
    "DATABANK vorn.db\nSCALE *sigma\nCHFRAG 0.\n";

// A run of the built program with every step on; the files it wrote stay
// in `dir`.
void run_everything(const test::ScratchDir& dir, const std::string& structure) {
  dir.copy_in(test::test_data("shelx/" + structure), "structure.res");
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", kEverything);
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
