// The per-atom loop: atom table, dummy lines, KEY table, KAPPA lines, kappa
// sets and constraints, MoPro texts; and whole runs on real structures.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "layout/text_edit.hpp"
#include "localframe/atom_loop.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "molecule.hpp"
#include "writers/auxiliary.hpp"
#include "writers/mopro.hpp"
#include "writers/xd_master.hpp"

namespace vorn::test {
namespace {


// The per-atom loop, then the files the driver writes from what it decided.
void run_loop(test::TestRun& rs) {
  const std::vector<AtomSetup> setup = set_up_atoms(rs.loop());
  write_master_tables(rs.model, rs.sw, setup, rs.dummy, rs.kappa_sets, {}, rs.io.mas.os());
  write_vorn_ang(rs.model, rs.sw, rs.dummy, rs.io.ang.os());
  write_con_site_symmetry(rs.model, setup, rs.io.log, rs.io.con.os());
  write_spf_axes(rs.model, setup, rs.io.spf.os());
}

// ---- KEY strings ------------------------------------------------------------

struct KeyCase : ::testing::Test {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  int c = 0, h = 0;
  void SetUp() override {
    rs.model.natom = 2;
    c = 0;
    h = 1;
    rs.atom(c).atomic_number = 6;
    rs.atom(h).atomic_number = 1;
    rs.atom(c).sitesym = "mm2";
    rs.atom(h).sitesym = "cyl";
    rs.atom(c).max_multipole_level = 4;
    rs.atom(h).max_multipole_level = 2;
  }
  void keys(std::initializer_list<int> on) {
    rs.sw.lkeys.fill(false);
    for (int k : on) rs.sw.lkeys[static_cast<std::size_t>(k)] = true;
  }
  // The KEY text of an atom on a general position, whose multipoles follow
  // its label alone.
  std::string key(int atom) const {
    return key_text(rs.sw, rs.atom(atom), invariant_terms(label_operations(rs.atom(atom).sitesym.trimmed())));
  }
};

TEST_F(KeyCase, NoKeygenLineGivesAllZeros) {
  EXPECT_EQ(key(c), "000 000000 0000000000 000000000000000 00 000 00000 0000000 000000000");
  EXPECT_EQ(key(c).size(), 68u);
}

TEST_F(KeyCase, PositionsForAllAtoms) {
  keys({kXyzUij, kXyzAll});
  EXPECT_EQ(key(c).substr(0, 38), "111 111111 0000000000 000000000000000 ");
  EXPECT_EQ(key(h).substr(0, 38), "111 100000 0000000000 000000000000000 ");
  // An anisotropic hydrogen refines all six Uij.
  rs.atom(h).adp_type = 2;
  EXPECT_EQ(key(h).substr(0, 38), "111 111111 0000000000 000000000000000 ");
}

TEST_F(KeyCase, OrderedOnlySkipsDisorderedAtoms) {
  keys({kXyzUij, kXyzOrdered, kMult, kMultOrdered});
  rs.atom(h).occupancy_kind = OccupancyKind::disordered;
  EXPECT_EQ(key(c), "111 111111 0000000000 000000000000000 10 001 10010 1001000 100100010");
  EXPECT_EQ(key(h), "000 000000 0000000000 000000000000000 00 000 00000 0000000 000000000");
}

TEST_F(KeyCase, MultipolesFollowTheSymmetry) {
  keys({kMult, kMultAll});
  // Nothing above the hydrogen's level 2, although its label allows O30 and H40.
  EXPECT_EQ(key(h).substr(38), "10 001 10000 0000000 000000000");
  MultipoleSet allowed;
  allowed.set(2).set(23);
  EXPECT_EQ(key_text(rs.sw, rs.atom(c), allowed).substr(38), "10 001 00000 0000000 000000001");
  // The conversion-only run refines no multipoles.
  rs.sw.convert_to_xd_only = true;
  EXPECT_EQ(key(c).substr(38), "00 000 00000 0000000 000000000");
}

// ---- The loop on a molecule in memory ---------------------------------------

struct LoopRun : Molecule {
  LoopRun() {
    rs.io.mas.open_memory();
    rs.io.ang.open_memory();
    rs.io.spf.open_memory();
    rs.io.con.open_memory();
  }
};

struct AcetaldehydeRun : LoopRun {
  AcetaldehydeRun() {
    const int c1 = add_atom("C1", 6, {0, 0, 0});
    add_atom("O1", 8, at_dist(pos(c1), dir_xy(90), 1.21));
    const int c2 = add_atom("C2", 6, at_dist(pos(c1), dir_xy(-30), 1.50));
    add_atom("H1", 1, at_dist(pos(c1), dir_xy(210), 1.10));
    methyl_h(c2, sub(pos(c1), pos(c2)), "H2");
    finish();
  }
};

TEST(LocalDef, AtomTableKeyTableAndClosingLines) {
  AcetaldehydeRun m;
  m.rs.sw.lkeys[kMult] = true;
  m.rs.sw.lkeys[kKappas] = true;
  run_loop(m.rs);
  const auto mas = lines_of(m.rs.io.mas.text());
  const std::vector<std::string> want = {
      "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON",
      "C1       O1        X  C1       C2       Y   R   2  1   1   4   m",
      "O1       C1        X  O1       H1       Y   R   2  1   2   4   m",
      "C2       C1        Z  C2       H21      X   R   2  1   3   4   3m",
      "H1       C1        Z  H1       O1       Y   R   2  2   4   2   cyl",
      "H21      C2        Z  H21      C1       Y   R   2  2   5   2   cyl",
      "H22      C2        Z  H22      C1       Y   R   2  2   5   2   cyl     H21",
      "H23      C2        Z  H23      C1       Y   R   2  2   5   2   cyl     H21",
      "END ATOM",
      "KEY     XYZ --U2-- ----U3---- ------U4------- M- -D- --Q-- ---O--- ----H----",
      "C1      000 000000 0000000000 000000000000000 00 000 00000 0000000 000000000",
  };
  ASSERT_GE(mas.size(), want.size());
  for (std::size_t k = 0; k < want.size(); ++k) EXPECT_EQ(mas[k], want[k]) << k;
  const std::vector<std::string> tail = {"KAPPA   110000", "KAPPA   110000", "KAPPA   110000", "KAPPA   100000",
                                         "KAPPA   100000", "EXTCN   0000000", "OVTHP   0", "SCALE   1", "END KEY"};
  ASSERT_EQ(mas.size(), 10 + 7 + tail.size());
  for (std::size_t k = 0; k < tail.size(); ++k) EXPECT_EQ(mas[17 + k], tail[k]);
  // The terminal shows the table after one blank.
  EXPECT_NE(m.mr.term.str().find("\n H22      C2        Z  H22      C1       Y   R   2  2   5   2   cyl     H21\n"),
            std::string::npos);
}

TEST(LocalDef, KappaSetsConstraintsAndParameterIntegers) {
  AcetaldehydeRun m;
  run_loop(m.rs);
  const auto& ks = m.rs.kappa_sets;
  EXPECT_EQ(ks.last_set, 5);
  EXPECT_TRUE(ks.of[5].constrained);
  EXPECT_EQ(ks.of[6].reference, 4);
  EXPECT_FALSE(ks.of[4].constrained);
  // H22: Z (3) to C2 (atom 3), Y (2) to C1 (atom 1), kappa set 5, ref H21.
  // lmax 2 for hydrogen, as in the atom table.
  EXPECT_EQ(m.rs.populations.of[5].xd_integers, (std::array<int, 11>{3, 2, 3, 6, 1, 2, 2, 5, 2, 1, 5}));
  EXPECT_EQ(m.rs.populations.of[0].xd_integers, (std::array<int, 11>{1, 2, 2, 1, 3, 2, 1, 1, 4, 1, 0}));
  EXPECT_EQ(m.rs.hydrogen_parents.of[4].hydrogens, 3);
  EXPECT_FLOAT_EQ(m.rs.populations.of[0].pv, 4.0);
  EXPECT_EQ(m.rs.kappas.set(4).scattering_type, 2);
  const std::string log = m.mr.log();
  EXPECT_NE(log.find(" Exception identified for O1 : Functional group = [ALDEHYDE]"), std::string::npos);
  EXPECT_NE(log.find("\n Old kappa set =    5\n"), std::string::npos);
  EXPECT_NE(log.find("\n Working with atom       6 : [H22     ]     occ =     1.0000\n"), std::string::npos);
  EXPECT_NE(log.find("\n CKS :: Atom=     6  kset=   5  nsft=   2\n"), std::string::npos);
  EXPECT_NE(log.find("\n Atom H22      :: will skip reading databank\n"), std::string::npos);
  EXPECT_EQ(m.rs.groups.of[1].name.str(), Text<40>("ALDEHYDE").str());
}

TEST(LocalDef, HydrogenConstraintsOffGiveEveryHydrogenItsOwnSet) {
  AcetaldehydeRun m;
  m.rs.sw.chemical_constraints = {false, true};
  run_loop(m.rs);
  EXPECT_EQ(m.rs.kappa_sets.last_set, 7);
  EXPECT_FALSE(m.rs.kappa_sets.of[5].constrained);
}

TEST(LocalDef, ConversionOnlyRunUsesOneSetPerScatteringType) {
  AcetaldehydeRun m;
  m.rs.sw.convert_to_xd_only = true;
  m.rs.sw.lkeys[kKappas] = true;
  run_loop(m.rs);
  EXPECT_EQ(m.rs.kappa_sets.of[2].kappa_set, 1);
  EXPECT_EQ(m.rs.kappa_sets.of[6].kappa_set, 2);
  EXPECT_EQ(m.rs.kappa_sets.last_set, 2);
  const std::string mas = m.rs.io.mas.text();
  EXPECT_NE(mas.find("KAPPA   000000\nKAPPA   000000\nEXTCN"), std::string::npos);
  EXPECT_EQ(m.mr.log().find("Calling DetExcept"), std::string::npos);
}

TEST(LocalDef, PlatonInputClosesTheKeyTableAfterTheKappaLines) {
  AcetaldehydeRun m;
  m.rs.sw.format = InputFormat::platon;
  run_loop(m.rs);
  const auto mas = lines_of(m.rs.io.mas.text());
  ASSERT_EQ(mas.size(), 17u + 5u + 4u);
  EXPECT_EQ(mas[mas.size() - 5], "KAPPA   000000");
  EXPECT_EQ(mas[mas.size() - 4], "EXTCN   0000000");
  EXPECT_EQ(mas[mas.size() - 3], "OVTHP   0");
  EXPECT_EQ(mas[mas.size() - 2], "SCALE   1");
  EXPECT_EQ(mas.back(), "END KEY");
}

TEST(LocalDef, MoProTexts) {
  AcetaldehydeRun m;
  m.rs.io.mopro.open_memory();
  const std::vector<AtomSetup> setup = set_up_atoms(m.rs.loop());
  write_mopro_atom(m.rs.model, m.rs.populations, 1, setup[1], m.rs.io.log, m.rs.io.mopro.os());
  EXPECT_EQ(rtrim(lines_of(m.rs.io.mopro.text())[1]), "XY   C1           H1            HEX     K2       V0  M0  Q0");
  write_con_site_symmetry(m.rs.model, setup, m.rs.io.log, m.rs.io.con.os());
  const auto con = lines_of(m.rs.io.con.text());
  ASSERT_EQ(con.size(), 7u);
  EXPECT_EQ(con[0], "SYMPLM  mz   C1         1");
  EXPECT_EQ(con[2], "SYMPLM  3m   C2         1");
  EXPECT_EQ(con[3], "SYMPLM  cy   H1         1");
  // H22 and H23 are constrained to H21: their valence populations would be too.
  write_con_tail(m.rs.model, m.rs.kappa_sets, setup, m.rs.io.con.os());
  const auto all = lines_of(m.rs.io.con.text());
  ASSERT_EQ(all.size(), 7u + 8u);
  EXPECT_EQ(rtrim(all[10]), "! CONPVM  H22         1 H21        1");
  EXPECT_EQ(rtrim(all[11]), "! CONPVM  H23         1 H21        1");
}

TEST(LocalDef, DummyLinesInTheTableAndInVornAng) {
  LoopRun m;
  const int o = m.add_atom("O1", 8, {1, 2, 3});
  m.add_atom("H1", 1, at_dist(m.pos(o), dir_xy(0), 0.957));
  m.add_atom("H2", 1, at_dist(m.pos(o), dir_xy(104.5), 0.960));
  m.finish();
  run_loop(m.rs);
  const auto mas = lines_of(m.rs.io.mas.text());
  EXPECT_EQ(mas[1].substr(0, 40), "O1       DUM1      Z  O1       H1       ");
  EXPECT_EQ(mas[4].substr(0, 8), "DUM1    ");
  EXPECT_EQ(mas[5], "END ATOM");
  const Vec3 d = m.rs.dummy.numbered(1).pos;
  const auto ang = lines_of(m.rs.io.ang.text());
  ASSERT_EQ(ang.size(), 5u);
  EXPECT_EQ(ang[0], "ANGSTROM");
  EXPECT_EQ(ang[1], "ATOM O1         " + std::string("        1.0000        2.0000        3.0000"));
  EXPECT_EQ(ang[4].substr(0, 12), "ATOM Li(1)  ");
  EXPECT_NEAR(std::stof(ang[4].substr(12, 14)), d[0], 1e-4);
  // One plot block (atom and three axis ends) per atom.
  EXPECT_EQ(lines_of(m.rs.io.spf.text()).size(), 12u);
}

// Two stereocentres C1 and C2 with O, C and H substituents (butane-2,3-diol
// without its other hydrogens).  C2 and its substituents are the image of C1
// and its own through the centre of the C-C bond (meso: a mirror image),
// about a two-fold axis across the bond (dl: the same hand), or the
// inversion image with C2's hydrogen bent by about 35 degrees.
enum class Image { inversion, rotation, bent_hydrogen };

struct DiolRun : LoopRun {
  explicit DiolRun(Image image) {
    const auto t = tetra4();
    const Vec3 c1{0, 0, 0}, c2 = at_dist(c1, t[1], 1.53);
    const Vec3 mid = scale(add(c1, c2), 0.5);
    const Vec3 axis = unit(cross(sub(c2, c1), {0, 0, 1}));
    const auto mapped = [&](const Vec3& p) {
      const Vec3 r = sub(p, mid);
      if (image == Image::rotation) {
        const double along = r[0] * axis[0] + r[1] * axis[1] + r[2] * axis[2];
        return add(mid, sub(scale(axis, 2 * along), r));
      }
      return sub(mid, r);
    };
    const std::array<Vec3, 3> subs{at_dist(c1, t[0], 1.43), at_dist(c1, t[2], 1.51), at_dist(c1, t[3], 1.0)};
    for (const auto& [label, z, p] : {std::tuple{"C1", 6, c1}, {"C2", 6, c2}, {"O1", 8, subs[0]}, {"C3", 6, subs[1]},
                                      {"H1", 1, subs[2]}, {"O2", 8, mapped(subs[0])}, {"C4", 6, mapped(subs[1])}})
      add_atom(label, z, p);
    Vec3 h2 = mapped(subs[2]);
    if (image == Image::bent_hydrogen) h2 = at_dist(c2, add(sub(h2, c2), scale(unit(sub(mapped(subs[1]), c2)), 0.7)), 1.0);
    add_atom("H2", 1, h2);
    finish();
  }
};

TEST(LocalDef, MirrorImageConstraintsAreLeftHanded) {
  struct Case {
    Image image;
    const char* line;   // C2's line of the atom table from the R/L column on
    int reference;      // as the XD atom line numbers it: C1 is 1, none 0
  };
  const Case cases[] = {{Image::inversion, "L   2  1   1   4   NO      C1", 1},
                        {Image::rotation, "R   2  1   1   4   NO      C1", 1},
                        {Image::bent_hydrogen, "R   2  1   1   4   NO", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    DiolRun m(c.image);
    run_loop(m.rs);
    const auto mas = lines_of(m.rs.io.mas.text());
    ASSERT_EQ(mas[2].substr(0, 8), "C2      ");
    EXPECT_EQ(mas[2].substr(44), c.line);
    EXPECT_EQ(m.rs.kappa_sets.of[1].constrained, c.reference != 0);
    EXPECT_EQ(m.rs.populations.of[1].xd_integers[10], c.reference);
    const std::string log = m.mr.log();
    EXPECT_EQ(log.find(" Bonds of C2 are the mirror image of those of C1 in their local frames: left-handed frame (L)") !=
                  std::string::npos,
              c.image == Image::inversion);
    EXPECT_EQ(log.find(" WARNING: C2 is not constrained to C1: in their local frames their bonds differ by") !=
                  std::string::npos,
              c.image == Image::bent_hydrogen);
  }
}

// ---- Whole runs on real structures ------------------------------------------

const char* const kStructures[] = {
    "C2c_AlGa_fluoroalkoxy_MOESM1367.res", "CaF2_Fm-3m_face_centred.res",
    "DL-tryptophan_P21c.res",              "I-43d_Ni_complex_body_centred.res",
    "L-alanine_P212121_freeH.res",         "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res",
    "ZP2_Pna21_freeH.ins",                 "jkd77_C22H20N2_P21n.res",
    "naphthalene_P21a_half_molecule.res",  "nitrothiophene_carbaldehyde_Pna21.res",
    "p21c_AlGa_perfluoroalkoxy_RESI_PART.res", "paracetamol_P21n.res",
    "sucrose_P21.res",                     "thpp_P21n_disorder_cctbx.ins",
    "urea_P-421m_special_positions.res"};

std::vector<double> floats(const std::string& s, std::size_t from, int n, int w) {
  std::vector<double> v;
  for (int k = 0; k < n; ++k) v.push_back(std::stof(s.substr(from + static_cast<std::size_t>(k * w), static_cast<std::size_t>(w))));
  return v;
}

void check_run(const std::string& file, const std::string& rings) {
  SCOPED_TRACE(file + " / " + rings);
  ScratchDir dir;
  dir.copy_in(test_data("shelx/" + file), file);
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT " + file + "\nNCELLS 1\n" + rings +
                            "\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\n");
  const RunResult r = run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  const auto mas = lines_of(dir.read("xd_vorn.mas"));
  const auto begin = std::find(mas.begin(), mas.end(),
                               "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON");
  const auto end = std::find(mas.begin(), mas.end(), "END ATOM");
  ASSERT_TRUE(begin != mas.end() && end != mas.end() && begin < end);
  const std::regex atom_line(
      R"(^.{8} .{8}  [XYZ]  .{8} .{8} [XYZ]   [RL] [ \d]{2}\d[ \d]{2}\d[ \d]{3}\d[ \d]{3}\d   (NO|cyl|[-1-6m/]{1,5})( +.{1,8})?$)");
  const std::regex dummy_line(R"(^DUM\d{1,3} *  ( *-?\d+\.\d{6}){3}$)");
  std::set<std::string> atoms, dummies;
  std::vector<std::string> table;
  for (auto it = begin + 1; it != end; ++it) {
    if (it->rfind("DUM", 0) == 0) {
      EXPECT_TRUE(std::regex_match(*it, dummy_line)) << *it;
      dummies.insert(std::string(rtrim(it->substr(0, 6))));
    } else {
      EXPECT_TRUE(std::regex_match(*it, atom_line)) << *it;
      table.push_back(*it);
      atoms.insert(std::string(rtrim(it->substr(0, 8))));
    }
  }
  ASSERT_FALSE(table.empty());
  for (const auto& l : table)
    for (std::size_t col : {9u, 31u}) {
      const std::string axis(rtrim(l.substr(col, 8)));
      EXPECT_TRUE(atoms.count(axis) == 1 || dummies.count(axis) == 1) << l;
    }
  // One KEY line per atom, in table order.
  const auto key = std::find(mas.begin(), mas.end(),
                             "KEY     XYZ --U2-- ----U3---- ------U4------- M- -D- --Q-- ---O--- ----H----");
  ASSERT_TRUE(key != mas.end());
  for (std::size_t k = 0; k < table.size(); ++k) {
    const std::string& l = *(key + 1 + static_cast<std::ptrdiff_t>(k));
    EXPECT_EQ(l.size(), 76u);
    EXPECT_EQ(l.substr(0, 8), table[k].substr(0, 8));
  }
  EXPECT_EQ((key + 1 + static_cast<std::ptrdiff_t>(table.size()))->substr(0, 6), "KAPPA ");
  EXPECT_NE(std::find(mas.begin(), mas.end(), "END KEY"), mas.end());
  EXPECT_EQ(mas.back(), std::string(79, '!'));
  // Every atom's axes in the plot file: three ends 0.2 Angstrom from the
  // atom, none collapsed onto it (a degenerate frame would give one).
  std::vector<std::string> plot;
  for (const auto& l : lines_of(dir.read("vorn.spf")))
    if (l.rfind("ATOM ", 0) == 0 && l.rfind("ATOM D(", 0) != 0) plot.push_back(l);
  ASSERT_EQ(plot.size(), 4 * table.size());
  for (std::size_t k = 0; k < table.size(); ++k) {
    const auto o = floats(plot[4 * k], 16, 3, 12);
    for (std::size_t e = 1; e <= 3; ++e) {
      const auto p = floats(plot[4 * k + e], 16, 3, 12);
      const double d = std::sqrt((p[0] - o[0]) * (p[0] - o[0]) + (p[1] - o[1]) * (p[1] - o[1]) + (p[2] - o[2]) * (p[2] - o[2]));
      EXPECT_NEAR(d, 0.2, 0.002) << plot[4 * k + e];
    }
  }
  // vorn.ang: the atoms and then the dummies.
  const auto ang = lines_of(dir.read("vorn.ang"));
  EXPECT_EQ(ang.size(), 1 + table.size() + dummies.size());
}

TEST(RealStructures, WithRingsAndTheSpecialOption) {
  for (const char* f : kStructures) check_run(f, "RINGS 3 8 *special");
}

TEST(RealStructures, WithRingsOnly) {
  for (const char* f : {"DL-tryptophan_P21c.res", "jkd77_C22H20N2_P21n.res", "sucrose_P21.res"}) check_run(f, "RINGS 3 8");
}

TEST(RealStructures, WithoutRings) {
  for (const char* f : kStructures) check_run(f, "");
}

}  // namespace
}  // namespace vorn::test
