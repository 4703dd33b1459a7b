#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "localframe/multipole_rotation.hpp"
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

// Runs an XD pair with the given control lines; returns false when the run
// fails.
bool run_pair(const ScratchDir& dir, const std::string& mas, const std::string& par, const std::string& lines) {
  dir.write("xd.mas", mas);
  dir.write("xd.inp", par);
  dir.write("vorn.inp", "FORMAT *xd\nINPUT xd.mas xd.inp\n" + lines);
  return test::run_vorn(dir).status == 0;
}

// The atom-table lines (label -> line) and the KEY lines of a master file.
std::map<std::string, std::string> table_lines(const std::string& mas, const std::string& from, const std::string& to) {
  std::map<std::string, std::string> lines;
  bool in = false;
  for (const std::string& l : lines_of(mas)) {
    if (l.rfind(from, 0) == 0) in = true;
    else if (in && l.rfind(to, 0) == 0) break;
    else if (in && !words(l).empty()) lines[words(l)[0]] = l;
  }
  return lines;
}

std::string serine(const std::string& name) { return read_file(test_data("xd/DL-serine_ReCrystal/" + name)); }

// The refined DL-serine model read back plainly and with EXTEND_H: every
// non-hydrogen atom keeps its atom-table line (frame, kappa set, level,
// label), KEY line and parameter block (integers, coordinates, Uij, Pv and
// multipoles) to the digit, the kappa lines stay, the hydrogens keep all
// but their positions, and the KEEP kappa line names the 14 sets.
TEST(XdReadBack, RefinedSerineModelIsKeptWhole) {
  const ParameterFile old = parse(serine("xd.res"));
  const auto old_atoms = table_lines(serine("xd.mas"), "ATOM ", "END ATOM");
  const auto old_keys = table_lines(serine("xd.mas"), "KEY ", "KAPPA");
  for (const char* lines : {"", "EXTEND_H\n"}) {
    SCOPED_TRACE(lines);
    ScratchDir dir;
    ASSERT_TRUE(run_pair(dir, serine("xd.mas"), serine("xd.res"), lines));
    const ParameterFile now = parse(dir.read("xd_vorn.inp"));
    const std::string mas = dir.read("xd_vorn.mas");
    ASSERT_EQ(now.atoms.size(), 14u);
    EXPECT_EQ(now.kappas, old.kappas);
    EXPECT_EQ(table_lines(mas, "ATOM ", "END ATOM"), old_atoms);
    EXPECT_EQ(table_lines(mas, "KEY ", "KAPPA"), old_keys);
    EXPECT_NE(mas.find("\nKEEP  kappa    1   2   3   4   5   6   7   8   9  10  11  12  13  14\n"), std::string::npos);
    for (const auto& [label, block] : old.atoms) {
      const auto& mine = now.atoms.at(label);
      EXPECT_EQ(std::vector<std::string>(mine[0].begin(), mine[0].begin() + 12),
                std::vector<std::string>(block[0].begin(), block[0].begin() + 12)) << label;
      for (std::size_t j = 1; j < 5; ++j) EXPECT_EQ(mine[j], block[j]) << label << " line " << j;
      const bool moved = mine[0] != block[0];
      EXPECT_EQ(moved, label[0] == 'H' && *lines != '\0') << label << " coordinates";
    }
  }
}

// FRAMES *new: new frames, the multipoles turned exactly into them.  An
// atom whose new label forbids nothing keeps the power of each order; one
// that loses terms has the share lost in the log; a spherical model (every
// multipole zero) gets new frames without the keyword.
TEST(XdReadBack, NewFramesKeepThePowerOfEachOrder) {
  const ParameterFile old = parse(serine("xd.res"));
  ScratchDir dir;
  ASSERT_TRUE(run_pair(dir, serine("xd.mas"), serine("xd.res"), "FRAMES *new\n"));
  const ParameterFile now = parse(dir.read("xd_vorn.inp"));
  const std::string log = dir.read("vorn.out");
  int free_atoms = 0;
  for (const auto& [label, line] : table_lines(dir.read("xd_vorn.mas"), "ATOM ", "END ATOM")) {
    const std::vector<std::string> w = words(line);
    if (w.size() < 12 || !old.atoms.count(label)) continue;
    const auto to_plm = [](const std::vector<std::string>& p) {   // D11+ D11- D10, then m = 0, +1, -1, ...
      Plm plm;
      for (std::size_t at = 2, l = 1; l <= 4; ++l)
        for (int k = 0; k <= static_cast<int>(2 * l); ++k)
          plm(static_cast<int>(l), l == 1 ? (k == 0 ? 1 : k == 1 ? -1 : 0) : (k + 1) / 2 * (k % 2 ? 1 : -1)) =
              std::stof(p[at++]);
      return plm;
    };
    const auto was = power_by_order(to_plm(populations(old.atoms.at(label))));
    const auto is = power_by_order(to_plm(populations(now.atoms.at(label))));
    if (w[11] == "NO") {
      ++free_atoms;
      // Four-decimal populations: the power agrees to their rounding.
      for (std::size_t l = 1; l <= 4; ++l) EXPECT_NEAR(is[l], was[l], 2e-3 * std::sqrt(was[l]) + 1e-7) << label << " l " << l;
    } else if (is != was) {
      EXPECT_NE(log.find(" Share of the multipole power lost by " + label), std::string::npos) << label;
    }
  }
  EXPECT_GE(free_atoms, 1);

  // Every multipole zero: population lines 2 to 4 of each block from the
  // third value on.
  std::vector<std::string> spherical = lines_of(serine("xd.res"));
  for (std::size_t k = 0; k < spherical.size(); ++k)
    if (const auto w = words(spherical[k]); w.size() == 16 && old.atoms.count(w[0]))
      for (std::size_t j = 2; j <= 4; ++j)
        for (std::size_t c = j == 2 ? 16 : 0; c + 8 <= spherical[k + j].size(); c += 8)
          spherical[k + j].replace(c, 8, "  0.0000");
  ScratchDir iam;
  std::string text;
  for (const std::string& l : spherical) text += l + "\n";
  ASSERT_TRUE(run_pair(iam, serine("xd.mas"), text, ""));
  EXPECT_NE(table_lines(iam.read("xd_vorn.mas"), "ATOM ", "END ATOM"),
            table_lines(serine("xd.mas"), "ATOM ", "END ATOM"));
  EXPECT_TRUE(iam.exists("xd_vorn.inp"));
}

}  // namespace
}  // namespace vorn
