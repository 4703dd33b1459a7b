// BOND, NOBOND and AXES lines on paracetamol: a run with the line against
// the same run without it, and lines that stop the run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace vorn::test {
namespace {

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// The words of each row of the atom table (KAP column dropped) and of the
// KEY table, and the DUM rows, of xd_vorn.mas; and vorn.out.
struct CorrectedRun {
  RunResult result;
  std::vector<std::vector<std::string>> atoms, keys, dummies;
  std::string log;
};

CorrectedRun run_with(const std::string& extra, const std::string& file = "paracetamol_P21n.res") {
  ScratchDir dir;
  dir.copy_in(test_data("shelx/" + file), "structure.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT structure.res\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered\n" + extra);
  CorrectedRun r;
  r.result = run_vorn(dir);
  std::vector<std::vector<std::string>>* part = nullptr;
  for (const std::string& line : lines_of(dir.exists("xd_vorn.mas") ? dir.read("xd_vorn.mas") : "")) {
    std::vector<std::string> w = words_of(line);
    if (line.rfind("ATOM     ATOM0", 0) == 0) part = &r.atoms;
    else if (line.rfind("KEY     XYZ", 0) == 0) part = &r.keys;
    else if (line.rfind("DUM", 0) == 0) r.dummies.push_back(w);
    else if (line.rfind("END", 0) == 0 || line.rfind("KAPPA", 0) == 0) part = nullptr;
    else if (part == &r.atoms && w.size() > 10) w.erase(w.begin() + 9), part->push_back(w);
    else if (part == &r.keys) part->push_back(w);
  }
  if (dir.exists("vorn.out")) r.log = dir.read("vorn.out");
  return r;
}

// The terms in KEY order (l = 1: +1, -1, 0; then m = 0, +1, -1, +2, ...)
// that a label keeps, from how each harmonic changes: under a mirror
// normal to Z, (l, m) by (-1)^(l+m); normal to Y a sine term changes sign;
// normal to X a cosine term changes by (-1)^m, a sine term by -(-1)^m.
// The mirror of m holds both axis points; mm2 has those normal to X and Y.
std::string allowed_terms(const std::string& label, char normal) {
  std::string s;
  for (int l = 1; l <= 4; ++l)
    for (int k = 0; k <= 2 * l; ++k) {
      const int m = l == 1 ? std::vector<int>{1, -1, 0}[static_cast<std::size_t>(k)] : k == 0 ? 0 : (k % 2 ? 1 : -1) * ((k + 1) / 2);
      const int am = m < 0 ? -m : m;
      const bool z = (l + am) % 2 == 0, y = m >= 0, x = (m >= 0) == (am % 2 == 0);
      const bool keep = label == "m" ? (normal == 'Z' ? z : normal == 'Y' ? y : x) : label == "mm2" ? x && y : true;
      s += keep ? '1' : '0';
    }
  return s;
}

// Each AXES line changes its atom's rows of the atom table (frame, label,
// no constraint) and of the KEY table, and nothing else but kappa-set
// numbers.
TEST(Corrections, AnAxesLineChangesItsAtomAlone) {
  const CorrectedRun plain = run_with("");
  ASSERT_EQ(plain.result.status, 0) << plain.result.out;
  ASSERT_EQ(plain.atoms.size(), 20u);
  const struct {
    const char* line;
    std::size_t row;                  // the atom's row
    std::vector<std::string> frame;   // ATOM0 AX1 ATOM1 ATOM2 AX2 as written
    const char* label;
    char normal;                      // of the mirror of m
  } cases[] = {
      {"AXES C(5) C(6) X C(5) C(4) Y NO", 7, {"C(6)", "X", "C(5)", "C(4)", "Y"}, "NO", ' '},
      {"axes c(8) h(8a) z c(8) c(7) x m", 10, {"H(8A)", "Z", "C(8)", "C(7)", "X"}, "m", 'Y'},
      {"AXES C(6) C(5) Y C(6) C(1) Z m", 8, {"C(5)", "Y", "C(6)", "C(1)", "Z"}, "m", 'X'},
      {"AXES O(2) C(7) Z O(2) N(1) X MM2", 1, {"C(7)", "Z", "O(2)", "N(1)", "X"}, "mm2", ' '},
      // ATOM1 -> ATOM2 from another atom: a dummy at C(3) + C(2) - C(1).
      {"AXES C(3) C(2) X C(1) C(2) Y m", 5, {"C(2)", "X", "C(3)", "DUM1", "Y"}, "m", 'Z'},
  };
  for (const auto& c : cases) {
    const CorrectedRun r = run_with(std::string(c.line) + "\n");
    ASSERT_EQ(r.result.status, 0) << c.line << r.result.out;
    ASSERT_EQ(r.atoms.size(), plain.atoms.size()) << c.line;
    for (std::size_t row = 0; row < r.atoms.size(); ++row) {
      if (row == c.row) continue;
      EXPECT_EQ(r.atoms[row], plain.atoms[row]) << c.line;
      EXPECT_EQ(r.keys[row], plain.keys[row]) << c.line;
    }
    const std::vector<std::string>& w = r.atoms[c.row];
    ASSERT_EQ(w.size(), 11u) << c.line << ": constrained to " << w.back();
    EXPECT_EQ(std::vector<std::string>(w.begin() + 1, w.begin() + 6), c.frame) << c.line;
    EXPECT_EQ(w[10], c.label) << c.line;
    const std::vector<std::string>& key = r.keys[c.row];
    EXPECT_EQ(key[6] + key[7] + key[8] + key[9], allowed_terms(c.label, c.normal)) << c.line;
    EXPECT_NE(r.log.find(" Local frame of " + words_of(c.line)[1] + " set : "), std::string::npos) << c.line;
    if (c.frame[3] != "DUM1") continue;
    ASSERT_EQ(r.dummies.size(), 1u);
    // Fractional coordinates from the SHELX file: C(1), C(2), C(3).
    const double at[3][3] = {{0.13391, 0.33088, 0.62968}, {0.28055, 0.23703, 0.60987}, {0.25822, 0.14279, 0.51487}};
    for (std::size_t k = 0; k < 3; ++k)
      EXPECT_NEAR(std::stod(r.dummies[0][k + 1]), at[2][k] + at[1][k] - at[0][k], 2e-5) << k;
  }
}

// Urea's C(1) lies on an mm2 site, whose two-fold axis runs along C=O: a
// frame with X along it is rebuilt from the site, with a warning.
TEST(Corrections, AFrameItsSiteForbidsIsRebuilt) {
  const CorrectedRun r = run_with("AXES C(1) O(1) X C(1) N(1) Y NO\n", "urea_P-421m_special_positions.res");
  ASSERT_EQ(r.result.status, 0) << r.result.out;
  EXPECT_NE(r.result.out.find(" WARNING: the frame AXES gives C(1) (NO, X -> O(1), Y -> N(1)) does not fit its crystal "
                              "site mm2; the frame of the site is used"),
            std::string::npos);
  std::string c1;
  for (const std::vector<std::string>& w : r.atoms)
    if (w[0] == "C(1)") c1 = w[1] + w[2] + w.back();
  EXPECT_EQ(c1, "O(1)Zmm2");
}

// A line that cannot be applied stops the run naming its line.
TEST(Corrections, BadLinesStopNamingTheirLine) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"BOND C(1) C(99)", "BOND: no atom of the structure is named C(99) (vorn.inp, line 5)"},
      {"NOBOND X(1) C(2)", "NOBOND: no atom of the structure is named X(1) (vorn.inp, line 5)"},
      {"AXES C(5) C(6) X C(5) Q(4) Y NO", "AXES: no atom of the structure is named Q(4) (vorn.inp, line 5)"},
      {"AXES C(5) C(6) W C(5) C(4) Y NO", "AXES: the axis W is none of X, Y and Z (vorn.inp, line 5)"},
      {"AXES C(5) C(6) X C(5) C(4) X NO", "AXES: both axes are X; AX1 and AX2 must differ (vorn.inp, line 5)"},
      {"AXES C(5) C(6) X C(5) C(4) Y mm3", "AXES: mm3 is no site-symmetry label"},
      {"AXES C(5) C(6) X C(5) C(4) Y", "AXES needs the atom, ATOM0, AX1, ATOM1, ATOM2, AX2 and the site-symmetry label"},
      {"BOND C(1)", "BOND needs the names of two atoms"},
      {"NOBOND C(1) c(1)", "NOBOND names C(1) twice (vorn.inp, line 5)"},
      {"AXES C(5) C(6) X C(5) C(5) Y NO", "AXES: an axis of C(5) runs from an atom to itself (vorn.inp, line 5)"},
      {"AXES C(5) C(6) X C(5) C(6) Y NO", "AXES: the two axes of C(5) are parallel and span no plane (vorn.inp, line 5)"},
  };
  for (const auto& c : cases) {
    const CorrectedRun r = run_with("! a correction\n" + std::string(c.line) + "\n");
    EXPECT_EQ(r.result.status, 1) << c.line;
    EXPECT_NE(r.result.out.find(" ERROR *** ReadInp *** " + std::string(c.message).substr(0, 4)), std::string::npos)
        << c.line << r.result.out;
    EXPECT_NE(r.result.out.find(c.message), std::string::npos) << c.line;
  }
}

}  // namespace
}  // namespace vorn::test
