// A bank entry keeps its density whatever frame its atom is written in:
// populations turned here, with the test's own harmonics, from one frame
// into the written one (terms its KEY does not refine set to zero) are the
// written populations, to 1e-4 beyond the rounding of the fourth decimal.
#include <gtest/gtest.h>

#include <regex>

#include "support/xd_density.hpp"

namespace vorn {
namespace {

void run(const test::ScratchDir& dir, const std::string& structure, const std::string& bank, const std::string& extra) {
  dir.copy_in(test::test_data(structure), "structure.res");
  dir.copy_in(test::test_data(bank), "vorn.db");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT structure.res\nDATABANK vorn.db\nCHFRAG 0.\n"
                        "KEYGEN *XYZUIJ *all ordered *MULT *all ordered\n" + extra);
  EXPECT_EQ(test::run_vorn(dir).status, 0);
}

void expect_written(const test::XdAtom& written, const test::Populations& p, const std::string& atom) {
  ASSERT_EQ(written.key.size(), 24u) << atom;
  for (int l = 1, at = 0; l <= 4; ++l)
    for (int k = 0; k < 2 * l + 1; ++k, ++at) {
      const int m = l + test::key_m(l, k);
      EXPECT_NEAR(written.plm[l][m], written.key[at] == '1' ? p[l][m] : 0.0, 2e-4) << atom << " l " << l << " k " << k;
    }
}

// Paracetamol's ring carbons: X towards the ring centre with *special,
// along a bond without it (60 degrees or more apart).
TEST(BankFrames, RingAtomsCarryOneDensityWithAndWithoutSpecialRings) {
  const test::ScratchDir special, plain;
  run(special, "shelx/paracetamol_P21n.res", "../../examples/vorn.db", "RINGS 3 8 *special\n");
  run(plain, "shelx/paracetamol_P21n.res", "../../examples/vorn.db", "RINGS 3 8\n");
  const test::XdPair a = test::read_xd_pair(special), b = test::read_xd_pair(plain);
  for (const char* c : {"C(1)", "C(2)", "C(3)", "C(4)", "C(5)", "C(6)"}) {
    const gemmi::Mat33 fa = test::written_axes(a, c), fb = test::written_axes(b, c);
    EXPECT_LT(fa.column_copy(0).dot(fb.column_copy(0)), 0.51) << c;
    expect_written(b.atom.at(c), test::turned(a.atom.at(c).plm, fa, fb), c);
  }
}

// The populations of a MATTS entry as the bank lists them.
test::Populations entry_populations(const std::string& bank, const std::string& id) {
  const std::string text = test::read_file(test::test_data(bank));
  std::istringstream in(text.substr(text.find("PLMS", text.find("\n" + id + "\n"))));
  test::Populations p{};
  std::string word, value;
  for (int l = 0, m = 0; in >> word >> l >> m >> value && word == "PLMS";) p[l][l + m] = std::stod(value);
  return p;
}

// Urea's O and N lie on sites that rebuild the frames of their entries (the
// log names the entry's frame).
TEST(BankFrames, FramesRebuiltByTheSiteKeepTheEntrysDensity) {
  const test::ScratchDir dir;
  run(dir, "shelx/urea_P-421m_special_positions.res", "matts/small.matts", "");
  const test::XdPair x = test::read_xd_pair(dir);
  const std::regex rebuilt(" The frame from its neighbours does not follow the site : \\w+, (\\w) -> (\\S+), (\\w) -> (\\S+)");
  const std::regex working(" Working with atom +\\d+ : \\[(\\S+) *\\].*");
  std::string atom, types = dir.read("vorn_types.csv");
  int checked = 0;
  for (const std::string& line : test::lines_of(dir.read("vorn.out"))) {
    std::smatch m;
    if (std::regex_match(line, m, working)) atom = m[1];
    if (!std::regex_match(line, m, rebuilt)) continue;
    const std::size_t id = types.find(atom + ';') + atom.size() + 1;
    const gemmi::Mat33 own = test::axes_towards(x.site.at(atom), x.site.at(m[2]), m[1].str()[0], x.site.at(m[4]), m[3].str()[0]);
    expect_written(x.atom.at(atom), test::turned(entry_populations("matts/small.matts", types.substr(id, types.find(';', id) - id)), own,
                                                 test::written_axes(x, atom)),
                   atom);
    ++checked;
  }
  EXPECT_EQ(checked, 2);
}

}  // namespace
}  // namespace vorn
