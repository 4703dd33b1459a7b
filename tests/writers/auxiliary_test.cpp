#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"
#include "layout/layout.hpp"
#include "writers/auxiliary.hpp"
#include "writers/fixed_hydrogens.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;


const std::vector<std::string> kFixedPlotLines = {
    "SOLID COLOR", "COLOR TYPE X GREEN Y YELLOW Z BROWN D ORANGE", "RADII ATOMS ALL 0.06",
    "RADII ATOMS X 0.02", "RADII ATOMS Y 0.02", "RADII ATOMS Z 0.02", "RADII BONDS ALL 0.01 1",
    "RADII BONDS TO X 0.01 1", "RADII BONDS TO Y 0.01 1", "RADII BONDS TO Z 0.01 1", "RADII BONDS TO D 0.00 0",
    "DETACH X Y", "DETACH X Z", "DETACH Y Z", "DETACH X X", "DETACH Y Y", "DETACH Z Z", "LABEL ON", "LABEL H",
    "UNLABEL X Y Z"};

struct PlotFile : ::testing::Test {
  test::MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  void SetUp() override {
    rs.io.spf.open_memory("vorn.spf");
    rs.io.fixedh.open_memory("fixedH.ins");
    // A cubic cell of 10 Angstrom.
    for (int k = 1; k <= 3; ++k) {
      rs.model.transf.m.at(k, k) = 10.0;
      rs.model.transf.minv.at(k, k) = 0.1;
    }
  }
  void types(std::initializer_list<int> zs) {
    for (int z : zs) rs.model.scattering_types.push_back(z);
  }
};

TEST_F(PlotFile, Head) {
  std::ostringstream os;
  write_spf_head(os);
  EXPECT_EQ(os.str(), "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange\nANGSTROM\n");
}

TEST_F(PlotFile, WithoutDummiesThereAreNoDummyLines) {
  types({6, 1});
  write_spf_tail(rs.model, rs.sw, rs.dummy, rs.io.spf.os());
  const auto l = lines_of(rs.io.spf.text());
  ASSERT_EQ(l.size(), 22u);
  EXPECT_EQ(l[0], "JOIN RADII  C  0.77 H  0.40  X 0.01  Y 0.01  Z 0.01");
  EXPECT_EQ(std::vector<std::string>(l.begin() + 1, l.begin() + 21), kFixedPlotLines);
  EXPECT_EQ(l[21], "PLOT");
}

TEST_F(PlotFile, DummiesRadiiChangesAndHeavyElements) {
  types({6, 1, 78});
  rs.sw.covrad[5] = 0.80;   // a RADII line changed carbon
  for (int d = 1; d <= 10; ++d) rs.dummy.atoms.push_back({"", {0.1, 0.2, 0.01 * static_cast<double>(d)}});
  write_spf_tail(rs.model, rs.sw, rs.dummy, rs.io.spf.os());
  const auto l = lines_of(rs.io.spf.text());
  ASSERT_EQ(l.size(), 10u + 1 + 20 + 5 + 3 + 1);
  EXPECT_EQ(l[0], "ATOM D(1)          1.0000        2.0000        0.1000");
  // From the tenth dummy on the number takes two digits instead of an asterisk.
  EXPECT_EQ(l[9], "ATOM D(10)          1.0000        2.0000        1.0000");
  // Platinum lies beyond the changeable table: it gets the radius the
  // neighbour search uses for it.
  EXPECT_EQ(l[10], "JOIN RADII  C  0.80 H  0.40 Pt 1.36  X 0.01  Y 0.01  Z 0.01  D 0.01");
  EXPECT_EQ(std::vector<std::string>(l.begin() + 11, l.begin() + 31), kFixedPlotLines);
  const std::vector<std::string> block = {"RADII ATOMS D 0.02", "DETACH D X", "DETACH D Y", "DETACH D Z", "LABEL D",
                                          "DETACH D C ", "DETACH D H ", "DETACH D Pt", "PLOT"};
  EXPECT_EQ(std::vector<std::string>(l.begin() + 31, l.end()), block);
}

TEST_F(PlotFile, CartesianDummiesAreWrittenAsStored) {
  rs.sw.has_cell = false;
  rs.dummy.atoms.push_back({"", {-1.5, 12.25, 0.0}});
  write_spf_tail(rs.model, rs.sw, rs.dummy, rs.io.spf.os());
  EXPECT_EQ(lines_of(rs.io.spf.text())[0], "ATOM D(1)         -1.5000       12.2500        0.0000");
}

TEST_F(PlotFile, FixedHAtomRecordsInShelxOrder) {
  // A SHELX label without parentheses, the occupancy fixed (10 + occ), and
  // the Uij in SHELX's order U11 U22 U33 U23 U13 U12 on a continued line.
  rs.model.natom = 2;
  rs.model.model_name = "UREA";
  rs.model.cell = {5.6, 5.6, 4.7, 90, 90, 90};
  Atom& c = rs.atom(0);
  c.label = "C(1A)";
  c.scattering_type = 1;
  c.adp_type = 2;
  c.u = {0.011, 0.022, 0.033, 0.012, 0.013, 0.023};
  Atom& h = rs.atom(1);
  h.label = "H(1)";
  h.scattering_type = 2;
  h.adp_type = 1;
  h.fractional[0] = 0.123457;
  h.fractional[1] = -0.25;
  h.fractional[2] = 1.0;
  h.occ = 0.5;
  h.u = {0.03125, 0, 0, 0, 0, 0};
  write_fixedh_file(rs.model, rs.io.fixedh.os());
  const auto l = lines_of(rs.io.fixedh.text());
  const auto first = std::find(l.begin(), l.end(), "FVAR 1.00000");
  ASSERT_NE(first, l.end());
  EXPECT_EQ(*(first + 1), "C1A      1   0.000000   0.000000   0.000000    11.00000    0.01100    0.02200 =");
  EXPECT_EQ(*(first + 2), "        0.03300    0.02300    0.01300    0.01200");
  EXPECT_EQ(*(first + 3), "H1       2   0.123457  -0.250000   1.000000    10.50000    0.03125");
  EXPECT_EQ(l.back(), "END");
}

TEST(ShelxSymmCard, OperatorsReadAsShelxWritesThem) {
  const struct {
    std::array<std::array<double, 3>, 3> rot;
    std::array<double, 3> trans;
    const char* card;
  } cases[] = {
      {{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0.5, 0.5, 0.5}, "-X+1/2, Y+1/2, -Z+1/2"},
      {{{{0, 1, 0}, {-1, -1, 0}, {0, 0, 1}}}, {2.0 / 3, 1.0 / 3, 1.0 / 3}, "-Y+2/3, X-Y+1/3, Z+1/3"},
      {{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, -0.25, 0.75}, "X, Y-1/4, Z+3/4"},
  };
  for (const auto& c : cases) {
    SymOp op;
    op.rot = c.rot;
    op.trans = c.trans;
    EXPECT_EQ(symm_card(op), c.card);
  }
}

// ---- End to end: every file of the run is complete --------------------------

int count_prefix(const std::vector<std::string>& l, const std::string& prefix) {
  return static_cast<int>(std::count_if(l.begin(), l.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs the program on one SHELX file with DATABANK, RINGS and EXTEND_H and
// checks the completeness of the MoPro, restraint, plot and fixedH files.
void check_run(const test::ScratchDir& dir, const std::string& res) {
  SCOPED_TRACE(res);
  dir.copy_in(test::test_data("shelx/" + res), "s.res");
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp",
            "FORMAT *shelx\nINPUT s.res\nTOLS bond 0.4 ring 0.1 group 0.1\nNCELLS 1\n"
            "CHEMCON *hydrogen *other\nEXTEND_H\nRINGS 3 8 *special\nDATABANK vorn.db\nSCALE *sigma\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* f : {"xd_vorn.mas", "xd_vorn.inp", "fixedH.ins", "reset.bond", "const.bond", "vorn.ang",
                        "reduced.ang", "reduced_1.ang", "vorn.spf", "vorn.out", "mopro_vorn.par", "con_mopro.inp",
                        "res_mopro.inp"})
    EXPECT_TRUE(dir.exists(f)) << f;

  const auto fixedh = lines_of(dir.read("fixedH.ins"));
  // One record per atom between FVAR and HKLF (an anisotropic atom's
  // continuation line begins with blanks).
  const auto fvar = std::find(fixedh.begin(), fixedh.end(), "FVAR 1.00000");
  const auto hklf = std::find(fixedh.begin(), fixedh.end(), "HKLF 4");
  ASSERT_LT(fvar, hklf);
  const int natom = static_cast<int>(std::count_if(fvar + 1, hklf, [](const std::string& l) { return l[0] != ' '; }));
  ASSERT_GT(natom, 0);
  for (const auto& l : fixedh) EXPECT_LE(l.size(), 80u) << l;
  EXPECT_EQ(fixedh.back(), "END");

  // mopro_vorn.par: head, model section, one record group per atom, tail.
  const std::string par_text = dir.read("mopro_vorn.par");
  const auto par = lines_of(par_text);
  ASSERT_GT(par.size(), 4u);
  EXPECT_EQ(par[1], "!               CREATED BY PROGRAM << VORN >>");
  EXPECT_TRUE(ends_with(par_text, "\n\nSTOP \n"));
  EXPECT_EQ(count_prefix(par, "ATOMS "), 1);
  EXPECT_NE(std::find(par.begin(), par.end(), "ATOMS " + layout::fmt_i(natom, 4)), par.end());
  EXPECT_EQ(count_prefix(par, "ATOM "), natom);
  int groups = 0;
  for (std::size_t i = 0; i < par.size(); ++i) {
    if (par[i].rfind("ATOM ", 0) != 0) continue;
    ++groups;
    ASSERT_LT(i + 4, par.size());
    EXPECT_EQ(par[i + 1].size(), 90u);
    const bool iso = par[i + 2].rfind("UISO   ", 0) == 0;
    EXPECT_TRUE(iso || par[i + 2].rfind("UANI   ", 0) == 0) << par[i + 2];
    const std::size_t blank = i + (iso ? 4 : 6);
    ASSERT_LT(blank, par.size());
    EXPECT_EQ(par[blank], "") << par[i];
    EXPECT_EQ(par[i + 3].size(), 72u) << par[i];
  }
  EXPECT_EQ(groups, natom);
  const auto dummy = std::find_if(par.begin(), par.end(), [](const std::string& s) { return s.rfind("DUMMY ", 0) == 0; });
  ASSERT_NE(dummy, par.end());
  const int ndum = std::stoi(dummy->substr(6));
  EXPECT_EQ(count_prefix(par, "DUMY "), ndum);

  const std::string con = dir.read("con_mopro.inp");
  EXPECT_EQ(con.rfind("!\n! local symmetry  \n!\n", 0), 0u);
  EXPECT_NE(con.find("\n!\n! similarity (switched-off)\n!\n"), std::string::npos);
  EXPECT_TRUE(ends_with(con, "\n!\n! end\n!\n"));

  // One RESET BOND and DISTAN line and six const.bond lines per hydrogen
  // extended to its standard length (three when its parent is a symmetry
  // copy), one URATIO line per treated hydrogen; a hydrogen whose group is
  // not identified keeps its X-ray distance and gets no bond restraint.
  const auto reset = lines_of(dir.read("reset.bond"));
  const std::string res_text = dir.read("res_mopro.inp");
  const auto resl = lines_of(res_text);
  EXPECT_EQ(res_text.rfind("!\n! X-H distances\n!\n", 0), 0u);
  EXPECT_TRUE(ends_with(res_text, "!\n! end\n!\n"));
  EXPECT_EQ(count_prefix(resl, "DISTAN   "), static_cast<int>(reset.size()));
  for (const auto& l : resl)
    if (l.rfind("URATIO", 0) == 0) {
      EXPECT_EQ(l.size(), 100u);
    }
  const std::size_t cons = lines_of(dir.read("const.bond")).size();
  EXPECT_TRUE(cons <= 6 * reset.size() && cons >= 3 * reset.size()) << cons;
  const auto log = lines_of(dir.read("vorn.out"));
  int extended = 0, kept = 0;
  for (const auto& l : log) {
    if (l.rfind("   X-H group : ", 0) != 0) continue;
    extended += ends_with(l, " Angstroms");
    kept += ends_with(l, "NOT IDENTIFIED");
  }
  EXPECT_EQ(extended, static_cast<int>(reset.size()));
  EXPECT_EQ(count_prefix(resl, "URATIO      "), extended + kept);

  const std::string spf_text = dir.read("vorn.spf");
  const auto spf = lines_of(spf_text);
  EXPECT_EQ(spf_text.rfind("TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange\nANGSTROM\n", 0), 0u);
  EXPECT_TRUE(ends_with(spf_text, "PLOT\n"));
  EXPECT_EQ(count_prefix(spf, "JOIN RADII "), 1);
  EXPECT_EQ(count_prefix(spf, "ATOM D("), ndum);
  // The JOIN RADII line holds one 8-column pair per element, X, Y, Z and,
  // with dummies, D; the dummy block detaches D from X, Y, Z and each element.
  const auto join = *std::find_if(spf.begin(), spf.end(), [](const std::string& l) { return l.rfind("JOIN RADII ", 0) == 0; });
  EXPECT_EQ((join.size() - 11) % 8, 0u);
  const int ntypes = static_cast<int>((join.size() - 11) / 8) - 3 - (ndum > 0 ? 1 : 0);
  EXPECT_GT(ntypes, 0);
  EXPECT_EQ(count_prefix(spf, "DETACH D "), ndum > 0 ? 3 + ntypes : 0);
  EXPECT_EQ(spf[spf.size() - 2], ndum > 0 ? "DETACH D " + join.substr(static_cast<std::size_t>(12 + 8 * (ntypes - 1)), 2) : "UNLABEL X Y Z");
}

TEST(RunFiles, CompleteOnRealStructures) {
  for (const char* res : {"paracetamol_P21n.res", "DL-tryptophan_P21c.res", "sucrose_P21.res",
                          "L-alanine_P212121_freeH.res", "ZP2_Pna21_freeH.ins", "nitrothiophene_carbaldehyde_Pna21.res",
                          "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", "urea_P-421m_special_positions.res",
                          "jkd77_C22H20N2_P21n.res", "p21c_AlGa_perfluoroalkoxy_RESI_PART.res",
                          "thpp_P21n_disorder_cctbx.ins"}) {
    test::ScratchDir dir;
    check_run(dir, res);
  }
}

// The extended O-H bond of paracetamol, read back from fixedH.ins through
// the cell metric, has the phenol length.
TEST(RunFiles, ExtendedCoordinatesReachFixedH) {
  test::ScratchDir dir;
  check_run(dir, "paracetamol_P21n.res");
  const auto fixedh = lines_of(dir.read("fixedH.ins"));
  auto find = [&](const std::string& label) -> std::array<double, 3> {
    for (const auto& l : fixedh) {
      std::istringstream in(l);
      std::string name;
      int type = 0;
      std::array<double, 3> x{};
      if (in >> name >> type >> x[0] >> x[1] >> x[2] && name == label) return x;
    }
    ADD_FAILURE() << label;
    return {0, 0, 0};
  };
  const auto o = find("O1"), h = find("H1O");
  const double a = 7.0907, b = 9.2114, c = 11.5972, beta = 97.844 * M_PI / 180.0;
  const double dx = (h[0] - o[0]) * a, dy = (h[1] - o[1]) * b, dz = (h[2] - o[2]) * c;
  const double d = std::sqrt(dx * dx + dy * dy + dz * dz + 2 * dx * dz * std::cos(beta));
  EXPECT_NEAR(d, 0.992, 0.0005);
}

}  // namespace
}  // namespace vorn
