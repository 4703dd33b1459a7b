#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "layout/run_error.hpp"
#include "databank/hydrogen.hpp"
#include "writers/bond_restraints.hpp"
#include "topology/neighbors.hpp"
#include "databank/xh_groups.hpp"
#include "layout/layout.hpp"
#include "support/test_support.hpp"
#include "writers/auxiliary.hpp"
#include "writers/fixed_hydrogens.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;


// Directions of the bonds around one atom (roughly tetrahedral).
const Vec3 kDir[] = {{1, 0, 0}, {-0.333, 0.943, 0}, {-0.333, -0.471, 0.816}, {-0.333, -0.471, -0.816}};

// A small molecule built by hand: atoms, bonds, and the neighbour table
// and hydrogen parent descriptors that the neighbour search and the frame
// assignment would have stored.
struct Molecule : ::testing::Test {
  test::MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  std::vector<std::pair<int, int>> bonds;
  std::set<int> aromatic_atoms, planar_atoms;

  void SetUp() override {
    // A cubic cell of 20 Angstrom.
    for (int k = 1; k <= 3; ++k) {
      rs.model.transf.m.at(k, k) = 20.0;
      rs.model.transf.minv.at(k, k) = 0.05;
    }
    rs.io.reset.open_memory("reset.bond");
    rs.io.cnst.open_memory("const.bond");
    rs.io.res.open_memory("res_mopro.inp");
  }

  int add(const char* label, int iz, Vec3 p) {
    const int i = rs.add_atom();
    rs.model.entries = i + 1;
    Atom& a = rs.atom(i);
    a.label = label;
    a.atomic_number = iz;
    a.cartesian = {{p[0], p[1], p[2]}};
    a.fractional[0] = p[0] / 20.0;
    a.fractional[1] = p[1] / 20.0;
    a.fractional[2] = p[2] / 20.0;
    return i;
  }
  // A new atom bonded to `to`, at distance d along bond direction k.
  int on(int to, const char* label, int iz, int k, double d) {
    const Vec3 o = cart(rs, to);
    const Vec3& e = kDir[k];
    const int i = add(label, iz, {o[0] + d * e[0], o[1] + d * e[1], o[2] + d * e[2]});
    bonds.emplace_back(to, i);
    return i;
  }
  // Fills further bond directions of `atom` with carbons (d 1.5) until it
  // has n neighbours.
  void saturate(int atom, int n, const char* label = "C9") {
    int have = 0;
    for (auto& b : bonds) have += (b.first == atom || b.second == atom) ? 1 : 0;
    for (int k = have; k < n; ++k) on(atom, label, 6, k % 4, 1.5 + 0.01 * static_cast<double>(k));
  }
  void finish() {
    const int n = rs.natom();
    for (int i = 0; i < n; ++i) {
      AtomNeighbors& an = rs.nb.of[i];
      an = AtomNeighbors{};
      std::vector<std::pair<double, int>> list;
      for (auto& b : bonds) {
        if (b.first == i) list.emplace_back(dist(cart(rs, i), cart(rs, b.second)), b.second);
        if (b.second == i) list.emplace_back(dist(cart(rs, i), cart(rs, b.first)), b.first);
      }
      std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.first < b.first; });
      for (auto& [d, j] : list) {
        an.atom.push_back(j);
        an.dist.push_back(d);
        const int z = rs.atom(j).atomic_number;
        auto t = std::find_if(an.types.begin(), an.types.end(), [z](auto& ty) { return ty.atomic_number == z; });
        if (t == an.types.end()) {
          an.types.push_back(NeighborType{z, {}});
          t = an.types.end() - 1;
        }
        t->members.push_back(j);
      }
      std::stable_sort(an.types.begin(), an.types.end(), [](auto& a, auto& b) { return a.atomic_number < b.atomic_number; });
    }
    for (int i = 0; i < n; ++i) {
      if (rs.atom(i).atomic_number != 1 || rs.nb.of[i].count() != 1) continue;
      const int p = rs.nb.of[i].atom[0];
      rs.hydrogen_parents.of[i].atomic_number = rs.atom(p).atomic_number;
      rs.hydrogen_parents.of[i].neighbour_count = rs.nb.of[p].count();
      const auto& ty = rs.nb.of[p].types;
      rs.hydrogen_parents.of[i].hydrogens = !ty.empty() && ty[0].atomic_number == 1 ? ty[0].count() : 0;
    }
  }
  XhTopology topo() {
    XhTopology t;
    t.aromatic = [this](int a) { return aromatic_atoms.count(a) > 0; };
    t.planar_group = [this](int a) { return planar_atoms.count(a) > 0; };
    return t;
  }
  XhGroup classify(int h) {
    finish();
    return classify_xh(rs.model, rs.nb, rs.hydrogen_parents, rs.nb.of[h].atom[0], h, topo());
  }
  void expect_group(int h, const char* name, double length, double ratio) {
    const XhGroup g = classify(h);
    EXPECT_EQ(g.kind, XhGroup::Kind::Identified) << name;
    EXPECT_EQ(g.name, name);
    EXPECT_FLOAT_EQ(g.length, length) << name;
    EXPECT_FLOAT_EQ(g.ratio, ratio) << name;
  }
  void expect_not_identified(int h) { EXPECT_EQ(classify(h).kind, XhGroup::Kind::NotIdentified); }

  // Parents: an sp3 carbon with the given partner elements and hydrogens.
  int carbon_with(std::initializer_list<int> partners, int nh) {
    const int c = add("C1", 6, {5, 5, 5});
    int k = 0, h = 0;
    for (int i = 0; i < nh; ++i) h = on(c, "H1", 1, k++, 0.96);
    for (int z : partners) {
      const int p = on(c, z == 6 ? "C2" : "X2", z, k++, 1.50);
      saturate(p, z == 8 ? 2 : (z == 7 ? 3 : 4));
    }
    return h;
  }
};

// ---- Carbon parents -----------------------------------------------------

TEST_F(Molecule, MethylNextToCarbon) {
  expect_group(carbon_with({6}, 3), "C-C-H3", 1.077, 1.5);
}
TEST_F(Molecule, MethylOnOxygenIsHeteroMethyl) {
  expect_group(carbon_with({8}, 3), "X-C-H3", 1.077, 1.5);
}
TEST_F(Molecule, MethyleneAmongCarbons) {
  expect_group(carbon_with({6, 6}, 2), "C2-C-H2", 1.092, 1.2);
}
TEST_F(Molecule, MethyleneNextToNitrogen) {
  expect_group(carbon_with({6, 7}, 2), "X2-C-H2", 1.091, 1.2);
}
TEST_F(Molecule, MethineAmongCarbons) {
  expect_group(carbon_with({6, 6, 6}, 1), "C3-C-H", 1.099, 1.2);
}
TEST_F(Molecule, MethineNextToOxygen) {
  expect_group(carbon_with({6, 6, 8}, 1), "X3-C-H", 1.098, 1.2);
}
TEST_F(Molecule, MethaneCarbonIsNotInTheTable) {
  expect_not_identified(carbon_with({}, 4));
}

TEST_F(Molecule, AromaticAndOlefinicCH) {
  // Benzene C-H: a carbon of one planar ring.
  const int c = add("C1", 6, {5, 5, 5});
  const int h = on(c, "H1", 1, 0, 0.95);
  saturate(on(c, "C2", 6, 1, 1.39), 3);
  saturate(on(c, "C6", 6, 2, 1.39), 3);
  aromatic_atoms = {c};
  expect_group(h, "aromatic C-H", 1.083, 1.2);
  // The same carbon outside any planar ring is olefinic.
  aromatic_atoms.clear();
  expect_group(h, "C-C=C-H", 1.082, 1.2);
}

TEST_F(Molecule, AldehydeAndTerminalMethyleneAreOlefinic) {
  const int c = add("C1", 6, {5, 5, 5});
  const int h = on(c, "H1", 1, 0, 0.95);
  on(c, "O1", 8, 1, 1.21);
  saturate(on(c, "C2", 6, 2, 1.50), 4);
  expect_group(h, "C-C=C-H", 1.082, 1.2);

  // =CH2 of a vinyl group: two hydrogens on a trigonal carbon.
  const int c2 = add("C3", 6, {12, 12, 12});
  const int h2 = on(c2, "H3", 1, 0, 0.95);
  on(c2, "H4", 1, 1, 0.95);
  saturate(on(c2, "C4", 6, 2, 1.33), 3);
  aromatic_atoms = {c2};
  expect_group(h2, "C-C=C-H", 1.082, 1.2);
}

TEST_F(Molecule, AlkyneCHIsNotIdentified) {
  const int c = add("C1", 6, {5, 5, 5});
  const int h = on(c, "H1", 1, 0, 0.93);
  saturate(on(c, "C2", 6, 1, 1.20), 2);
  expect_not_identified(h);
}

// ---- Nitrogen parents ---------------------------------------------------

TEST_F(Molecule, SecondaryAmineBetweenTrigonalCarbons) {
  // Indole-like N-H: both carbons trigonal.
  const int n = add("N1", 7, {5, 5, 5});
  const int h = on(n, "H1", 1, 0, 0.88);
  saturate(on(n, "C2", 6, 1, 1.37), 3);
  const int c8 = on(n, "C8", 6, 2, 1.38);
  saturate(c8, 3);
  expect_group(h, "C2-N-H", 1.030, 1.2);
  // One carbon sp3: an ordinary secondary amine.
  saturate(c8, 4);
  expect_group(h, "X2-N-H", 1.027, 1.2);
}

TEST_F(Molecule, PlanarAminoOnAromaticCarbon) {
  // Aniline: NH2 on a ring carbon.
  const int n = add("N1", 7, {5, 5, 5});
  const int h = on(n, "H1A", 1, 0, 0.86);
  on(n, "H1B", 1, 1, 0.86);
  const int c = on(n, "C1", 6, 2, 1.40);
  saturate(c, 3);
  aromatic_atoms = {c};
  planar_atoms = {n};
  expect_group(h, "C(ar)-N-H2pl", 1.010, 1.2);
  planar_atoms.clear();
  expect_group(h, "C(ar)-N-H2py", 1.024, 1.2);
}

TEST_F(Molecule, AmideAminoAndOtherPlanarAmino) {
  // Acetamide: the carbon carries a terminal oxygen.
  const int n = add("N1", 7, {5, 5, 5});
  const int h = on(n, "H1A", 1, 0, 0.86);
  on(n, "H1B", 1, 1, 0.86);
  const int c = on(n, "C1", 6, 2, 1.33);
  const int o = on(c, "O1", 8, 1, 1.24);
  saturate(on(c, "C2", 6, 2, 1.50), 4);
  planar_atoms = {n};
  expect_group(h, "C-N-H2 amido", 1.010, 1.2);
  // A carbamate-like carbon whose oxygen is bonded on: no amide oxygen.
  saturate(o, 2);
  expect_group(h, "C-N-H2pl", 1.012, 1.2);
  // Pyramidal NH2 on a non-aromatic trigonal carbon.
  planar_atoms.clear();
  expect_group(h, "X-N-H2", 1.015, 1.2);
}

TEST_F(Molecule, PlanarAminoOnSp3CarbonIsNotIdentified) {
  const int n = add("N1", 7, {5, 5, 5});
  const int h = on(n, "H1A", 1, 0, 0.90);
  on(n, "H1B", 1, 1, 0.90);
  saturate(on(n, "C1", 6, 2, 1.47), 4);
  planar_atoms = {n};
  expect_not_identified(h);
}

TEST_F(Molecule, AmmoniumAndAmmonia) {
  const int n = add("N1", 7, {5, 5, 5});
  const int h = on(n, "H1A", 1, 0, 0.90);
  on(n, "H1B", 1, 1, 0.90);
  on(n, "H1C", 1, 2, 0.90);
  const int c = on(n, "C1", 6, 3, 1.49);
  saturate(c, 4);
  expect_group(h, "N+-H", 1.036, 1.5);

  // NH3 bonded to nothing else: three neighbours, three hydrogens.
  const int n2 = add("N2", 7, {14, 14, 14});
  const int h2 = on(n2, "H2A", 1, 0, 0.90);
  on(n2, "H2B", 1, 1, 0.90);
  on(n2, "H2C", 1, 2, 0.90);
  expect_not_identified(h2);
}

// ---- Oxygen parents -----------------------------------------------------

TEST_F(Molecule, Water) {
  const int o = add("O1W", 8, {5, 5, 5});
  const int h = on(o, "H1W", 1, 0, 0.85);
  on(o, "H2W", 1, 1, 0.85);
  expect_group(h, "water", 0.9584, 1.5);
}

TEST_F(Molecule, PhenolAlcoholAndEnol) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  const int y = on(o, "C1", 6, 1, 1.36);
  saturate(y, 3);
  aromatic_atoms = {y};
  expect_group(h, "O-H in phenol", 0.992, 1.5);
  aromatic_atoms.clear();
  expect_group(h, "C-O-H any", 0.980, 1.5);
  saturate(y, 4);
  expect_group(h, "Csp3-O-H in alcohol", 0.970, 1.5);
}

TEST_F(Molecule, PartnerIsTheNonHydrogenEvenWhenTheHydrogenLiesFarther) {
  // A badly placed hydroxyl hydrogen, farther out than the carbon.
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 1.48);
  saturate(on(o, "C1", 6, 1, 1.43), 4);
  expect_group(h, "Csp3-O-H in alcohol", 0.970, 1.5);
}

TEST_F(Molecule, CarboxylicAcidAndEther) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  const int y = on(o, "C1", 6, 1, 1.31);
  const int o2 = on(y, "O2", 8, 1, 1.22);
  saturate(y, 3);
  expect_group(h, "O-H in acid", 1.018, 1.5);
  saturate(o2, 2);
  expect_group(h, "O-H in ether", 0.980, 1.5);
  // A third oxygen on the carbon is not in the table.
  on(y, "O3", 8, 3, 1.40);
  expect_not_identified(h);
}

TEST_F(Molecule, PhosphoricAcidAndOtherHydroxyls) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  const int p = on(o, "P1", 15, 1, 1.56);
  on(p, "O2", 8, 1, 1.50);
  on(p, "O3", 8, 2, 1.50);
  on(p, "O4", 8, 3, 1.50);
  expect_group(h, "O-H in Pacid", 1.015, 1.5);

  const int o5 = add("O5", 8, {14, 14, 14});
  const int h5 = on(o5, "H5", 1, 0, 0.84);
  saturate(on(o5, "Si1", 14, 1, 1.63), 4);
  expect_group(h5, "X-OH", 0.983, 1.5);
}

TEST_F(Molecule, HydroxideOxygenIsNotIdentified) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  expect_not_identified(h);
}

TEST_F(Molecule, PartnerWithoutOxygenStops) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  const int y = on(o, "C1", 6, 1, 1.43);
  saturate(y, 4);
  finish();
  // A neighbour table that lost the oxygen on the partner's side.
  auto& types = rs.nb.of[y].types;
  types.erase(std::remove_if(types.begin(), types.end(), [](auto& t) { return t.atomic_number == 8; }), types.end());
  EXPECT_THROW(mr.as_driver([&] { classify_xh(rs.model, rs.nb, rs.hydrogen_parents, o, h, topo()); }), RunError);
  EXPECT_NE(mr.log().find(" ERROR *** ExtendH *** Error 1 in Y-O-H"), std::string::npos);
}

TEST_F(Molecule, AcidCarbonWithoutTheOtherOxygenStops) {
  const int o = add("O1", 8, {5, 5, 5});
  const int h = on(o, "H1", 1, 0, 0.84);
  const int y = on(o, "C1", 6, 1, 1.31);
  saturate(y, 3);
  finish();
  for (auto& t : rs.nb.of[y].types)
    if (t.atomic_number == 8) t.members.push_back(o);   // counted twice, listed once
  EXPECT_THROW(mr.as_driver([&] { classify_xh(rs.model, rs.nb, rs.hydrogen_parents, o, h, topo()); }), RunError);
  EXPECT_NE(mr.log().find(" ERROR *** ExtendH *** Error 2 in Y-O-H"), std::string::npos);
}

// ---- Sulphur and unhandled parents ------------------------------------------

TEST_F(Molecule, ThiolAndBoron) {
  const int s = add("S1", 16, {5, 5, 5});
  const int h = on(s, "H1", 1, 0, 1.20);
  saturate(on(s, "C1", 6, 1, 1.82), 4);
  expect_group(h, "S-H", 1.338, 1.5);

  const int b = add("B1", 5, {14, 14, 14});
  const int hb = on(b, "H2", 1, 0, 1.10);
  saturate(b, 4);
  EXPECT_EQ(classify(hb).kind, XhGroup::Kind::Unhandled);
}

// ---- set_bond_length -------------------------------------------------------------

TEST(ExtendBond, MovesAlongTheBondAndReturnsTheOldLength) {
  const Vec3 x{1, 2, 3};
  Vec3 h{1.6, 2.8, 3};   // 1.0 Angstrom away
  const double old = set_bond_length(x, h, 1.083);
  EXPECT_FLOAT_EQ(old, 1.0);
  EXPECT_NEAR(h[0], 1.0 + 0.6 * 1.083, 1e-6);
  EXPECT_NEAR(h[1], 2.0 + 0.8 * 1.083, 1e-6);
  EXPECT_FLOAT_EQ(h[2], 3.0);
  EXPECT_NEAR(dist(x, h), 1.083, 1e-6);
}

// ---- extend_xh_bond: skipped hydrogens and the per-hydrogen lines ------------------

struct ExtendH : Molecule {
  int n = 0, h = 0;
  // NH2 on an sp3 carbon, N-H exactly 0.900: not identified, so the
  // hydrogen keeps its place.
  void amine(const char* nlabel, const char* hlabel) {
    n = add(nlabel, 7, {5, 5, 5});
    h = on(n, hlabel, 1, 0, 0.90);
    on(n, "H9", 1, 1, 0.90);
    saturate(on(n, "C1", 6, 2, 1.47), 4);
    finish();
  }
  // A thiol S-H, 1.200 long: extended to the standard 1.338.
  void thiol(const char* slabel, const char* hlabel) {
    n = add(slabel, 16, {5, 5, 5});
    h = on(n, hlabel, 1, 0, 1.20);
    saturate(on(n, "C1", 6, 2, 1.82), 4);
    finish();
  }
  std::string reset() const { return rs.io.reset.text(); }
  std::string cnst() const { return rs.io.cnst.text(); }
  std::string res() const { return rs.io.res.text(); }
  Text<100> uratio;   // the URATIO restraint of the last extension
  // Extends the bond and writes its lines as the run does after the loop.
  void extend(int x, int hh) {
    AtomSetup s;
    s.frame.extended_bond = extend_xh_bond(rs.model, rs.index, rs.sw, rs.nb, rs.rings, rs.hydrogen_parents, rs.log_sink(), x, hh);
    if (!s.frame.extended_bond) return;
    write_bond_restraints(rs.model, {s}, rs.io.reset.os(), rs.io.res.os(), rs.io.cnst.os());
    uratio = uratio_line(rs.model, *s.frame.extended_bond);
  }
};

TEST_F(ExtendH, NotIdentifiedKeepsItsPlaceAndGetsNoBondRestraint) {
  amine("N1", "H1");
  const Atom before = rs.atom(h);
  extend(n, h);
  EXPECT_EQ(rs.atom(h).cartesian[0], before.cartesian[0]);
  EXPECT_EQ(rs.atom(h).fractional[0], before.fractional[0]);
  EXPECT_NE(mr.log().find("\n Trying to extend hydrogen H1 to standard distance :\n"
                          "   X-H group : N1-H1 >  NOT IDENTIFIED\n"
                          " WARNING: the group of hydrogen H1 on N1 is not identified: it keeps its X-ray distance "
                          "of 0.900 A and gets no bond restraint\n"),
            std::string::npos);
  EXPECT_EQ(rs.io.log.warnings, 1);
  EXPECT_EQ(reset() + res() + cnst(), "");
  EXPECT_EQ(uratio.str(), "URATIO         N1 1     H1 1    1.2 0.01" + std::string(60, ' '));
}

TEST_F(ExtendH, ExtendedBondGetsEveryLine) {
  thiol("S1", "H1");
  extend(n, h);
  EXPECT_EQ(reset(), "RESET BOND  S1 H1 1.338\n");
  EXPECT_EQ(res(), "DISTAN      S1 1     H1 1  1.338 0.001\n");
  const std::vector<std::string> expected = {
      "!", "! S1 - H1 =     1.338 Angstroms", "!", "CON 1 X/1 -1 X/2 = 0", "CON 1 Y/1 -1 Y/2 = 0",
      "CON 1 Z/1 -1 Z/2 = 0"};
  EXPECT_EQ(lines_of(cnst()), expected);
}

TEST_F(ExtendH, BracketedLabelsLoseTheirBracketsInTheRestraints) {
  thiol("S(12)", "H(12A)");
  extend(n, h);
  EXPECT_EQ(reset(), "RESET BOND  S(12) H(12A) 1.338\n");
  // Names at the length of the label, brackets removed, in five columns.
  EXPECT_EQ(res(), "DISTAN   S12   1  H12A  1  1.338 0.001\n");
  EXPECT_EQ(uratio.trimmed(), "URATIO      S12   1  H12A  1    1.5 0.01");
}

TEST_F(ExtendH, LongNamesAreWrittenWhole) {
  thiol("S1A2B", "H1A2B3");
  extend(n, h);
  EXPECT_EQ(res(), "DISTAN   S1A2B 1  H1A2B3 1  1.338 0.001\n");
}

TEST_F(ExtendH, ResidueNamesInTheRestraints) {
  thiol("S1", "H1");
  rs.model.has_residues = true;
  rs.model.atoms[n].residue_name = "S1      12";
  rs.model.atoms[h].residue_name = "H1      12";
  extend(n, h);
  EXPECT_EQ(res(), "DISTAN   S1      12  H1      12  1.338  0.001\n");
  EXPECT_EQ(uratio.trimmed(), "URATIO      S1      12  H1      12    1.5  0.01");
}

TEST_F(ExtendH, BoronHydrogenIsLeftAlone) {
  const int b = add("B1", 5, {5, 5, 5});
  const int hb = on(b, "H1", 1, 0, 1.10);
  saturate(b, 4);
  finish();
  const Atom before = rs.atom(hb);
  extend(b, hb);
  EXPECT_NE(mr.log().find("   X-H group : B1-H1 >  DON'T KNOW HOW TO HANDLE\n"), std::string::npos);
  EXPECT_EQ(rs.atom(hb).cartesian[0], before.cartesian[0]);
  EXPECT_EQ(reset(), "");
  EXPECT_EQ(cnst(), "");
  EXPECT_EQ(res(), "");
  EXPECT_TRUE(uratio.blank());
}

TEST_F(ExtendH, DisorderedHydrogenIsSkippedUnlessAsked) {
  thiol("S1", "H1");
  rs.atom(h).occupancy_kind = OccupancyKind::disordered;
  extend(n, h);
  EXPECT_NE(mr.log().find("   X-H group : S1-H1 >  H-ATOM IS DISORDERED\n"), std::string::npos);
  EXPECT_EQ(mr.log().find("Trying to extend"), std::string::npos);
  EXPECT_EQ(reset(), "");
  EXPECT_EQ(cnst(), "");
  EXPECT_EQ(res(), "");
  EXPECT_TRUE(uratio.blank());

  rs.sw.disorder.extend_hydrogens = true;
  extend(n, h);
  EXPECT_EQ(reset(), "RESET BOND  S1 H1 1.338\n");
}

// ---- extend_xh_bond: identified groups are moved -----------------------------------

TEST_F(ExtendH, MethylHydrogenMovesToStandardLength) {
  const int c = add("C1", 6, {5, 5, 5});
  const int hm = on(c, "H1", 1, 1, 0.96);
  on(c, "H2", 1, 2, 0.96);
  on(c, "H3", 1, 3, 0.96);
  saturate(on(c, "C2", 6, 0, 1.52), 4);
  finish();
  extend(c, hm);

  const Vec3 pc = cart(rs, c), ph = cart(rs, hm);
  EXPECT_NEAR(dist(pc, ph), 1.077, 1e-5);
  // Along the old bond direction.
  const double len = rlength(kDir[1]);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(ph[k], pc[k] + 1.077 * kDir[1][k] / len, 1e-5);
  // Fractional coordinates follow (20 Angstrom cubic cell).
  EXPECT_NEAR(rs.atom(hm).fractional[0], ph[0] / 20.0, 1e-6);
  EXPECT_NEAR(rs.atom(hm).fractional[1], ph[1] / 20.0, 1e-6);
  EXPECT_NEAR(rs.atom(hm).fractional[2], ph[2] / 20.0, 1e-6);
  EXPECT_NE(mr.log().find("\n Trying to extend hydrogen H1 to standard distance :\n"
                          "   X-H group : C1-H1 >  C-C-H3 =  0.960 /  1.077 Angstroms\n"),
            std::string::npos);
  // A search from the parent meets the hydrogen where it is now.
  const FoundNeighbours around = find_neighbours(rs, c, 0.0, SearchListing::silent);
  const auto at = std::find(around.atom.begin(), around.atom.end(), hm);
  ASSERT_NE(at, around.atom.end());
  EXPECT_NEAR(around.dist[static_cast<std::size_t>(at - around.atom.begin())], 1.077, 1e-5);

  EXPECT_EQ(reset(), "RESET BOND  C1 H1 1.077\n");
  EXPECT_EQ(res(), "DISTAN      C1 1     H1 1  1.077 0.001\n");
  EXPECT_EQ(uratio.trimmed(), "URATIO         C1 1     H1 1    1.5 0.01");
  EXPECT_EQ(lines_of(cnst())[1], "! C1 - H1 =     1.077 Angstroms");

  // The moved coordinates are the ones fixedH.ins receives.
  rs.io.fixedh.open_memory("fixedH.ins");
  rs.atom(hm).scattering_type = 2;
  rs.atom(hm).u[0] = 0.05;
  rs.atom(hm).adp_type = 1;
  rs.model.cell = {20, 20, 20, 90, 90, 90};   // the cube of the Cartesian-to-fractional step
  write_fixedh_file(rs.model, rs.io.fixedh.os());
  const std::string expected = layout::format("(a,1x,i3,3f11.6,f12.5,f11.5)", "H1    ", 2, ph[0] / 20.0, ph[1] / 20.0,
                                              ph[2] / 20.0, 11.0, 0.05);
  EXPECT_NE(rs.io.fixedh.text().find("\n" + expected + "\n"), std::string::npos) << rs.io.fixedh.text();
  EXPECT_NE(rs.io.fixedh.text().find("\nH1       2   0.232069 "), std::string::npos);
}

TEST_F(ExtendH, CartesianInputKeepsItsFractionalCoordinates) {
  rs.sw.has_cell = false;
  const int o = add("O1W", 8, {5, 5, 5});
  const int h1 = on(o, "H1W", 1, 0, 0.85);
  const int h2 = on(o, "H2W", 1, 1, 0.9584);
  finish();
  const double xf = rs.atom(h1).fractional[0];
  extend(o, h1);
  extend(o, h2);
  EXPECT_NEAR(dist(cart(rs, o), cart(rs, h1)), 0.9584, 1e-5);
  EXPECT_EQ(rs.atom(h1).fractional[0], xf);
  // A hydrogen already at its length is logged with equal lengths.
  EXPECT_NE(mr.log().find("   X-H group : O1W-H1W >  water =  0.850 /  0.958 Angstroms\n"), std::string::npos);
  EXPECT_NE(mr.log().find("   X-H group : O1W-H2W >  water =  0.958 /  0.958 Angstroms\n"), std::string::npos);
  EXPECT_EQ(reset(), "RESET BOND  O1W H1W 0.958\nRESET BOND  O1W H2W 0.958\n");
  EXPECT_EQ(uratio.trimmed(), "URATIO        O1W 1    H2W 1    1.5 0.01");
  EXPECT_EQ(lines_of(cnst()).size(), 12u);
}

}  // namespace
}  // namespace vorn
