#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;
using test::ScratchDir;
using test::test_data;

// The atom blocks of an XD parameter file: label -> the words of its atom
// line, displacement line and population lines; and its kappa lines.
struct ParameterFile {
  std::map<std::string, std::vector<std::vector<std::string>>> atoms;
  std::vector<std::string> kappas;
};

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

ParameterFile parse(const std::string& text) {
  const std::vector<std::string> l = lines_of(text);
  ParameterFile f;
  for (std::size_t k = 0; k < l.size(); ++k) {
    const std::vector<std::string> w = words(l[k]);
    if (w.size() == 16 && w[0].find('(') != std::string::npos && k + 4 < l.size()) {
      auto& block = f.atoms[w[0]];
      for (std::size_t j = 0; j < 5; ++j) block.push_back(words(l[k + j]));
      k += 4;
    } else if (w.size() == 7 && w[0].find_first_not_of("0123456789") == std::string::npos) {
      f.kappas.push_back(l[k].substr(3));
    }
  }
  return f;
}

std::vector<std::string> populations(const std::vector<std::vector<std::string>>& block) {
  std::vector<std::string> p;
  for (std::size_t j = 2; j < 5; ++j) p.insert(p.end(), block[j].begin(), block[j].end());
  return p;
}

// Runs EXTEND_H alone on an XD pair and returns the new parameter file.
std::string extend_hydrogens(const ScratchDir& dir, const std::string& mas, const std::string& par) {
  dir.write("xd.mas", mas);
  dir.write("xd.inp", par);
  dir.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\nEXTEND_H\n");
  EXPECT_EQ(test::run_vorn(dir).status, 0);
  return dir.read("xd_vorn.inp");
}

// The refined DL-serine model read back with EXTEND_H: valence
// populations, coordinates of the heavy atoms and displacement parameters
// stay to the digit, the multipoles follow the atoms' new frames, each
// kappa set keeps the values of the old set of its first atom, and the
// KEEP kappa line names the sets of the new file.
TEST(XdReadBack, RefinedSerineModelSurvivesExtendH) {
  ScratchDir dir;
  const std::string res = read_file(test_data("xd/DL-serine_ReCrystal/xd.res"));
  const ParameterFile old = parse(res);
  const ParameterFile now = parse(extend_hydrogens(dir, read_file(test_data("xd/DL-serine_ReCrystal/xd.mas")), res));
  ASSERT_EQ(now.atoms.size(), 14u);
  for (const auto& [label, block] : old.atoms) {
    const auto& mine = now.atoms.at(label);
    EXPECT_EQ(mine[2][0], block[2][0]) << label << " Pv";
    EXPECT_EQ(mine[1], block[1]) << label << " Uij";
    if (label[0] != 'H') {
      EXPECT_EQ(std::vector<std::string>(mine[0].end() - 4, mine[0].end()),
                std::vector<std::string>(block[0].end() - 4, block[0].end()))
          << label << " coordinates";
    }
  }
  // Every hydrogen keeps its Z axis (H(002) its whole frame): the dipole and
  // quadrupole along it, all that its cylindrical symmetry allows, stay.
  for (const char* h : {"H(03B)", "H(03A)", "H(002)", "H(01A)", "H(01B)", "H(01C)", "H(003)"})
    for (std::size_t k : {4, 5}) EXPECT_EQ(populations(now.atoms.at(h))[k], populations(old.atoms.at(h))[k]) << h;
  ASSERT_EQ(now.kappas.size(), 10u);
  for (const std::string& k : now.kappas)
    EXPECT_NE(std::find(old.kappas.begin(), old.kappas.end(), k), old.kappas.end()) << k;
  EXPECT_NE(dir.read("xd_vorn.mas").find("\nKEEP  kappa    1   2   3   4   5   6   7   8   9  10\n"), std::string::npos);
  EXPECT_NE(dir.read("vorn.out").find(" Multipoles turned into the new local frame: O(001)"), std::string::npos);

  // Read back once more, now in this program's own frames: an atom that
  // keeps its frame (the axis integers of its line) keeps every population
  // to the digit; one whose frame is chosen anew (the methyl-like NH3
  // group takes another hydrogen for its X axis after the extension) is
  // named in the log.
  ScratchDir again;
  const ParameterFile twice = parse(extend_hydrogens(again, dir.read("xd_vorn.mas"), dir.read("xd_vorn.inp")));
  const std::string log = again.read("vorn.out");
  EXPECT_EQ(twice.kappas, now.kappas);
  for (const auto& [label, block] : now.atoms) {
    const auto& mine = twice.atoms.at(label);
    EXPECT_EQ(mine[1], block[1]) << label;
    if (std::equal(block[0].begin(), block[0].begin() + 12, mine[0].begin()))
      EXPECT_EQ(populations(mine), populations(block)) << label;
    else
      EXPECT_NE(log.find(" " + label, log.find("turned into the new local frame:")), std::string::npos) << label;
    if (label[0] != 'H') {
      EXPECT_EQ(std::vector<std::string>(mine[0].end() - 4, mine[0].end()),
                std::vector<std::string>(block[0].end() - 4, block[0].end()))
          << label << " coordinates";
    }
  }
}

}  // namespace
}  // namespace vorn
