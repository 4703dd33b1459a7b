// Local-frame assignment on small molecules: one case per row of the
// decision table and per special case (isolated atom, simple frame, rings).
#include <gtest/gtest.h>

#include <string>

#include "layout/run_error.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/local_frame.hpp"
#include "molecule.hpp"
#include "structure/cell.hpp"

namespace vorn::test {
namespace {

// sitesym, both letters and both axis points (entry index, or natom + (d - 1)
// for dummy d).
void expect_frame(Molecule& m, int atom, const Frame& f, const char* sym, char l1, int p1, char l2, int p2) {
  SCOPED_TRACE(m.rs.atom(atom).label.str());
  EXPECT_EQ(m.rs.atom(atom).sitesym.str(), SiteSym(sym).str());
  EXPECT_EQ(f.letter[0], l1);
  EXPECT_EQ(f.letter[1], l2);
  EXPECT_EQ(f.point[0], p1);
  EXPECT_EQ(f.point[1], p2);
  // The label of each point is the label of that atom or dummy.
  for (int k = 0; k < 2; ++k) {
    const int p = f.point[static_cast<std::size_t>(k)];
    const std::string want = p < m.rs.natom() ? m.rs.atom(p).label.str()
                                               : Label(m.rs.dummy.numbered(p - m.rs.natom() + 1).label.view()).str();
    EXPECT_EQ(f.label[static_cast<std::size_t>(k)].str(), want);
  }
}

// The frame spans a plane: the two axis directions are not parallel.
void expect_proper(Molecule& m, int atom, const Frame& f) {
  const Vec3 o = m.pos(atom);
  const Vec3 n = cross(sub(f.pos[0], o), sub(f.pos[1], o));
  EXPECT_GT(rlength(n), 0.05) << m.rs.atom(atom).label.str();
}

bool has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// Acetaldehyde CH3-CHO.
struct Acetaldehyde : Molecule {
  int c1, o, c2, h1;
  std::array<int, 3> hm{};
  Acetaldehyde() {
    c1 = add_atom("C1", 6, {0, 0, 0});
    o = add_atom("O1", 8, at_dist(pos(c1), dir_xy(90), 1.21));
    c2 = add_atom("C2", 6, at_dist(pos(c1), dir_xy(-30), 1.50));
    h1 = add_atom("H1", 1, at_dist(pos(c1), dir_xy(210), 1.10));
    hm = methyl_h(c2, sub(pos(c1), pos(c2)), "H2");
    finish();
  }
};

TEST(ThreeNeighbours, AldehydeCarbonIsCase300) {
  Acetaldehyde m;
  const Frame f = m.frame(m.c1);
  expect_frame(m, m.c1, f, "m", 'X', m.o, 'Y', m.c2);
  EXPECT_TRUE(f.planar_group);
  EXPECT_TRUE(has(m.mr.log(), " Label =   300"));
}

TEST(FourNeighbours, MethylCarbonIs3mTowardsTheCarbon) {
  Acetaldehyde m;
  const Frame f = m.frame(m.c2);
  expect_frame(m, m.c2, f, "3m", 'Z', m.c1, 'X', m.hm[0]);
  EXPECT_FALSE(f.planar_group);
}

TEST(OneNeighbour, CarbonylOxygenTakesYFromThePartnersNeighbour) {
  Acetaldehyde m;
  const Frame f = m.frame(m.o);
  // The partner's stored neighbours come nearest first: H before C.
  expect_frame(m, m.o, f, "m", 'X', m.c1, 'Y', m.h1);
  EXPECT_TRUE(has(m.mr.log(), " Angle   O1 - C1 - H1 ="));
}

TEST(ThreeNeighbours, CarboxylateCarbonIsCase301) {
  Molecule m;
  const int c1 = m.add_atom("C1", 6, {0, 0, 0});
  const int o1 = m.add_atom("O1", 8, at_dist(m.pos(c1), dir_xy(90), 1.25));
  m.add_atom("O2", 8, at_dist(m.pos(c1), dir_xy(210), 1.27));
  const int c2 = m.add_atom("C2", 6, at_dist(m.pos(c1), dir_xy(330), 1.52));
  m.methyl_h(c2, sub(m.pos(c1), m.pos(c2)), "H");
  m.finish();
  const Frame f = m.frame(c1);
  expect_frame(m, c1, f, "mm2", 'Z', c2, 'X', o1);
  EXPECT_TRUE(has(m.mr.log(), " Label =   301"));
}

TEST(ThreeNeighbours, FormateCarbonPointsZAtTheOxygenMidpoint) {
  Molecule m;
  const int c1 = m.add_atom("C1", 6, {0, 0, 0});
  const int o1 = m.add_atom("O1", 8, at_dist(m.pos(c1), dir_xy(90), 1.25));
  const int o2 = m.add_atom("O2", 8, at_dist(m.pos(c1), dir_xy(210), 1.27));
  m.add_atom("H1", 1, at_dist(m.pos(c1), dir_xy(330), 1.09));
  m.finish();
  const Frame f = m.frame(c1);
  expect_frame(m, c1, f, "mm2", 'Z', m.rs.natom(), 'X', o1);
  const Vec3 mid = midpoint(m.pos(o1), m.pos(o2));
  EXPECT_NEAR(f.pos[0][1], mid[1], 1e-4);
}

TEST(ThreeNeighbours, PyramidalNitrogenWithThreeKindsIsCase310) {
  Molecule m;
  const auto d = tetra4();
  const int n = m.add_atom("N1", 7, {0, 0, 0});
  const int o = m.add_atom("O1", 8, at_dist(m.pos(n), d[0], 1.45));
  const int c = m.add_atom("C1", 6, at_dist(m.pos(n), d[1], 1.47));
  m.add_atom("H1", 1, at_dist(m.pos(n), d[2], 1.01));
  m.finish();
  const Frame f = m.frame(n);
  expect_frame(m, n, f, "NO", 'X', o, 'Y', c);
  EXPECT_FALSE(f.planar_group);
  EXPECT_TRUE(has(m.mr.log(), " Label =   310"));
}

TEST(ThreeNeighbours, MethylamineNitrogenIsCase311) {
  Molecule m;
  const auto d = tetra4();
  const int n = m.add_atom("N1", 7, {0, 0, 0});
  const int c = m.add_atom("C1", 6, at_dist(m.pos(n), d[0], 1.47));
  m.add_atom("H1", 1, at_dist(m.pos(n), d[1], 1.01));
  m.add_atom("H2", 1, at_dist(m.pos(n), d[2], 1.02));
  m.methyl_h(c, sub(m.pos(n), m.pos(c)), "HC");
  m.finish();
  const Frame f = m.frame(n);
  expect_frame(m, n, f, "m", 'X', m.rs.natom(), 'Y', c);
  EXPECT_TRUE(has(m.mr.log(), " Label =   311"));
}

TEST(ThreeNeighbours, AmmoniaIsCase312WithACentroidDummy) {
  Molecule m;
  const auto d = tetra4();
  const int n = m.add_atom("N1", 7, {0, 0, 0});
  const int h1 = m.add_atom("H1", 1, at_dist(m.pos(n), d[0], 1.01));
  const int h2 = m.add_atom("H2", 1, at_dist(m.pos(n), d[1], 1.02));
  const int h3 = m.add_atom("H3", 1, at_dist(m.pos(n), d[2], 1.03));
  m.finish();
  const Frame f = m.frame(n);
  expect_frame(m, n, f, "3m", 'Z', m.rs.natom(), 'X', h1);
  const double cx = (m.pos(h1)[0] + m.pos(h2)[0] + m.pos(h3)[0]) / 3.0;
  EXPECT_NEAR(m.rs.dummy.numbered(1).pos[0], cx, 1e-5);
  EXPECT_TRUE(has(m.mr.log(), " Label =   312"));
}

TEST(ThreeNeighbours, NitrateNitrogenIsCase303) {
  Molecule m;
  const int n = m.add_atom("N1", 7, {0, 0, 0});
  const int o1 = m.add_atom("O1", 8, at_dist(m.pos(n), dir_xy(90), 1.24));
  const int o2 = m.add_atom("O2", 8, at_dist(m.pos(n), dir_xy(210), 1.25));
  m.add_atom("O3", 8, at_dist(m.pos(n), dir_xy(330), 1.26));
  m.finish();
  const Frame f = m.frame(n);
  expect_frame(m, n, f, "3m", 'X', o1, 'Y', o2);
  EXPECT_TRUE(has(m.mr.log(), " Label =   303"));
}

TEST(ThreeNeighbours, FlatPyramidWithTheCentroidOnTheAtomTakesThePlanarFrame) {
  // Three equal oxygens, the nitrogen 0.08 A out of their plane: not planar
  // at a group limit of 0.05 A, but the centroid of the oxygens lies within
  // 0.1 A of the atom, so Z is the plane normal (X along the first bond,
  // Y in the plane), not along a bond.
  Molecule m;
  m.rs.sw.tols.group_planarity = 0.05;
  const int n = m.add_atom("N1", 7, {0, 0, 0.08});
  const int o1 = m.add_atom("O1", 8, at_dist({0, 0, 0}, dir_xy(90), 1.25));
  const int o2 = m.add_atom("O2", 8, at_dist({0, 0, 0}, dir_xy(210), 1.25));
  m.add_atom("O3", 8, at_dist({0, 0, 0}, dir_xy(330), 1.25));
  m.finish();
  const Frame f = m.frame(n);
  EXPECT_FALSE(f.planar_group);
  // The oxygens are equally far: Y takes the next one in the table.
  expect_frame(m, n, f, "3m", 'X', o1, 'Y', o2);
  EXPECT_TRUE(has(m.mr.log(), " Label =   312"));
  EXPECT_TRUE(has(m.mr.log(), " Centroid of the three neighbours on the atom; Z normal to their plane (planar 3m frame)"));
}

// Carbon with four neighbours along the tetrahedron directions.
struct Tetrahedral : Molecule {
  int c;
  explicit Tetrahedral(const char* label = "C1", int z = 6) { c = add_atom(label, z, {0, 0, 0}); }
  int on(int k, const char* label, int z, double len) {
    return add_atom(label, z, at_dist(pos(c), tetra4()[static_cast<std::size_t>(k)], len));
  }
};

TEST(FourNeighbours, FourKindsGiveNoSymmetry) {
  Tetrahedral m;
  const int br = m.on(0, "BR1", 35, 1.94);
  const int cl = m.on(1, "CL1", 17, 1.77);
  m.on(2, "F1", 9, 1.35);
  m.on(3, "H1", 1, 1.09);
  m.finish();
  const Frame f = m.frame(m.c);
  expect_frame(m, m.c, f, "NO", 'X', br, 'Y', cl);
}

TEST(FourNeighbours, OnePairGivesMirrorFromTheOtherTwo) {
  Tetrahedral m;
  const int cl = m.on(0, "CL1", 17, 1.77);
  const int fl = m.on(1, "F1", 9, 1.35);
  m.on(2, "H1", 1, 1.09);
  m.on(3, "H2", 1, 1.10);
  m.finish();
  const Frame f = m.frame(m.c);
  expect_frame(m, m.c, f, "m", 'X', cl, 'Y', fl);
}

TEST(FourNeighbours, MethyleneBetweenEquivalentCarbonsIsMm2) {
  Tetrahedral m;
  const int c1 = m.on(0, "C1A", 6, 1.53);
  const int c3 = m.on(1, "C3", 6, 1.53);
  const int ha = m.on(2, "H2A", 1, 1.09);
  m.on(3, "H2B", 1, 1.10);
  m.methyl_h(c1, sub(m.pos(m.c), m.pos(c1)), "H1");
  m.methyl_h(c3, sub(m.pos(m.c), m.pos(c3)), "H3");
  m.finish();
  const Frame f = m.frame(m.c);
  expect_frame(m, m.c, f, "mm2", 'Z', m.rs.natom(), 'Y', ha);
  const Vec3 mid = midpoint(m.pos(c1), m.pos(c3));
  EXPECT_NEAR(dist(f.pos[0], mid), 0.0, 1e-4);
}

TEST(FourNeighbours, FourEquivalentNeighboursGiveMinus42m) {
  Tetrahedral m;
  const int h1 = m.on(0, "H1", 1, 1.08);
  const int h2 = m.on(1, "H2", 1, 1.09);
  const int h3 = m.on(2, "H3", 1, 1.10);
  m.on(3, "H4", 1, 1.11);
  m.finish();
  const Frame f = m.frame(m.c);
  expect_frame(m, m.c, f, "-4m2", 'Z', m.rs.natom(), 'Y', h3);
  EXPECT_NEAR(dist(f.pos[0], midpoint(m.pos(h1), m.pos(h2))), 0.0, 1e-4);
}

TEST(FourNeighbours, TwoHydrogenPairsStop) {
  // A boron with two terminal and two bridging hydrogens (a hydrogen bonds
  // to two atoms only between boron or metal atoms).
  Tetrahedral m("B1", 5);
  m.on(0, "H1", 1, 1.08);
  m.on(1, "H2", 1, 1.09);
  const int h3 = m.on(2, "H3", 1, 1.20);
  const int h4 = m.on(3, "H4", 1, 1.21);
  m.add_atom("B3", 5, at_dist(m.pos(h3), tetra4()[2], 1.20));
  m.add_atom("B4", 5, at_dist(m.pos(h4), tetra4()[3], 1.20));
  m.finish();
  EXPECT_THROW(m.mr.as_driver([&] { m.frame(m.c); }), RunError);
  EXPECT_TRUE(has(m.mr.log(), "4 neighbors: 2 + 2 case"));
}

TEST(FourNeighbours, TransSquarePlanarPairsStillGiveAProperFrame) {
  Molecule m;
  const int pt = m.add_atom("PT1", 78, {0, 0, 0});
  const int n1 = m.add_atom("N1", 7, {2.05, 0, 0});
  m.add_atom("N2", 7, {-2.06, 0, 0});
  const int cl1 = m.add_atom("CL1", 17, {0, 2.30, 0});
  m.add_atom("CL2", 17, {0, -2.31, 0});
  m.finish();
  const Frame f = m.frame(pt);
  expect_frame(m, pt, f, "mm2", 'Z', n1, 'Y', cl1);
  expect_proper(m, pt, f);
}

TEST(FourNeighbours, SquarePlanarMinus42mPassesOverTheTransPair) {
  Molecule m;
  const int pt = m.add_atom("PT1", 78, {0, 0, 0});
  const int cl1 = m.add_atom("CL1", 17, {2.30, 0, 0});
  const int cl2 = m.add_atom("CL2", 17, {-2.31, 0, 0});
  const int cl3 = m.add_atom("CL3", 17, {0, 2.32, 0});
  m.add_atom("CL4", 17, {0, -2.33, 0});
  m.finish();
  const Frame f = m.frame(pt);
  expect_frame(m, pt, f, "-4m2", 'Z', m.rs.natom(), 'Y', cl2);
  EXPECT_NEAR(dist(f.pos[0], midpoint(m.pos(cl1), m.pos(cl3))), 0.0, 1e-4);
  expect_proper(m, pt, f);
}

TEST(SimpleFrame, SixNeighboursSkipTheTransPartner) {
  Molecule m;
  const int s = m.add_atom("S1", 16, {0, 0, 0});
  const int f1 = m.add_atom("F1", 9, {1.56, 0, 0});
  m.add_atom("F2", 9, {-1.57, 0, 0});
  const int f3 = m.add_atom("F3", 9, {0, 1.58, 0});
  m.add_atom("F4", 9, {0, -1.59, 0});
  m.add_atom("F5", 9, {0, 0, 1.60});
  m.add_atom("F6", 9, {0, 0, -1.61});
  m.finish();
  const Frame f = m.frame(s);
  expect_frame(m, s, f, "NO", 'X', f1, 'Y', f3);
}

TEST(SimpleFrame, OrderedAtomWithOneDisorderedNeighbourSearchesAround) {
  Molecule m;
  const int cl = m.add_atom("CL1", 17, {0, 0, 0});
  const int c = m.add_atom("C1", 6, {1.77, 0, 0});
  const int o = m.add_atom("O9", 8, {0, 3.2, 0});
  m.rs.atom(c).occupancy_kind = OccupancyKind::disordered;
  m.rs.atom(c).occ = 0.5;
  m.finish();
  const Frame f = m.frame(cl);
  expect_frame(m, cl, f, "NO", 'X', c, 'Y', o);
  EXPECT_TRUE(f.ordered_with_disordered_neighbour);
}

TEST(TwoNeighbours, NitrileCarbonIsLinearWithXFromBeyondThePair) {
  Molecule m;
  const int n = m.add_atom("N1", 7, {0, 0, 0});
  const int c1 = m.add_atom("C1", 6, {1.15, 0, 0});
  const int c2 = m.add_atom("C2", 6, {2.61, 0, 0});
  const auto h = m.methyl_h(c2, {-1, 0, 0}, "H");
  m.finish();
  const Frame fc = m.frame(c1);
  expect_frame(m, c1, fc, "cyl", 'Z', c2, 'X', h[0]);
  EXPECT_TRUE(has(m.mr.log(), " LINEAR conformation !"));
  // The nitrile N: its partner's other bond is collinear, so Z and cyl; Y
  // comes from the search around the partner, skipping that atom.
  const Frame fn = m.frame(n);
  expect_frame(m, n, fn, "cyl", 'Z', c1, 'Y', h[0]);
}

TEST(TwoNeighbours, AlleneMiddleCarbonTakesXFromAtomsBeyondTheBondedPair) {
  Molecule m;
  const int c2 = m.add_atom("C2", 6, {0, 0, 0});
  const int c1 = m.add_atom("C1", 6, {-1.30, 0, 0});
  const int c3 = m.add_atom("C3", 6, {1.32, 0, 0});
  const int h11 = m.add_atom("H11", 1, at_dist(m.pos(c1), dir_xy(120), 1.08));
  m.add_atom("H12", 1, at_dist(m.pos(c1), dir_xy(240), 1.09));
  m.add_atom("H31", 1, at_dist(m.pos(c3), {0.5, 0, 0.866}, 1.10));
  m.add_atom("H32", 1, at_dist(m.pos(c3), {0.5, 0, -0.866}, 1.11));
  m.finish();
  const Frame f = m.frame(c2);
  expect_frame(m, c2, f, "cyl", 'Z', c3, 'X', h11);
  EXPECT_TRUE(has(m.mr.log(), " Angle   C3 - C2 - H11 ="));
}

TEST(TwoNeighbours, LinearDihydrideWithNothingAroundUsesAnOriginDummy) {
  Molecule m;
  const int be = m.add_atom("BE1", 4, {1, 2, 3});
  const int h1 = m.add_atom("H1", 1, {2.33, 2, 3});
  m.add_atom("H2", 1, {-0.34, 2, 3});
  m.finish();
  const Frame f = m.frame(be);
  // B2 is hydrogen, so Z goes to B1.
  expect_frame(m, be, f, "cyl", 'Z', h1, 'X', m.rs.natom());
  EXPECT_TRUE(has(m.mr.term.str(), " Will make dummy at 0,0,0"));
  EXPECT_FLOAT_EQ(m.rs.dummy.numbered(1).pos[0], 0.0);
}

TEST(TwoNeighbours, WaterOxygenIsBentMm2) {
  Molecule m;
  const int o = m.add_atom("O1", 8, {0, 0, 0});
  const int h1 = m.add_atom("H1", 1, at_dist(m.pos(o), dir_xy(0), 0.957));
  const int h2 = m.add_atom("H2", 1, at_dist(m.pos(o), dir_xy(104.5), 0.960));
  m.finish();
  const Frame fo = m.frame(o);
  expect_frame(m, o, fo, "mm2", 'Z', m.rs.natom(), 'Y', h1);
  EXPECT_TRUE(has(m.mr.log(), " BENT conformation !"));
  // Water hydrogen: Z to O, Y to the other hydrogen.
  const Frame fh = m.frame(h1);
  expect_frame(m, h1, fh, "cyl", 'Z', o, 'Y', h2);
  EXPECT_EQ(m.rs.hydrogen_parents.of[h1].atomic_number, 8);
  EXPECT_EQ(m.rs.hydrogen_parents.of[h1].neighbour_count, 2);
  EXPECT_EQ(m.rs.hydrogen_parents.of[h1].hydrogens, 2);
}

TEST(TwoNeighbours, HydroxylOxygenAndHydrogen) {
  Molecule m;
  const int o = m.add_atom("O1", 8, {0, 0, 0});
  const int c = m.add_atom("C1", 6, {1.43, 0, 0});
  const int h = m.add_atom("H1", 1, at_dist(m.pos(o), dir_xy(108.5), 0.96));
  m.methyl_h(c, {-1, 0, 0}, "HC");
  m.finish();
  // One hydrogen: X to the other neighbour, Y to the hydrogen.
  const Frame fo = m.frame(o);
  expect_frame(m, o, fo, "m", 'X', c, 'Y', h);
  // Hydroxyl hydrogen: Y to the nearest heavy atom around O.
  const Frame fh = m.frame(h);
  expect_frame(m, h, fh, "cyl", 'Z', o, 'Y', c);
  EXPECT_TRUE(has(m.mr.log(), " Angle   H1 - O1 - C1 ="));
  EXPECT_EQ(m.rs.hydrogen_parents.of[h].hydrogens, 1);
}

TEST(TwoNeighbours, BentWithoutHydrogenOrPair) {
  Molecule m;
  const int o = m.add_atom("O1", 8, {0, 0, 0});
  const int n = m.add_atom("N1", 7, at_dist(m.pos(o), dir_xy(0), 1.40));
  const int c = m.add_atom("C1", 6, at_dist(m.pos(o), dir_xy(112), 1.43));
  m.finish();
  const Frame f = m.frame(o);
  expect_frame(m, o, f, "m", 'X', n, 'Y', c);
}

struct Benzene : Molecule {
  std::vector<int> c, h;
  explicit Benzene(int planar) {
    for (int k = 0; k < 6; ++k) c.push_back(add_atom(numbered("C", k + 1), 6, scale(dir_xy(60.0 * k), 1.39)));
    for (int k = 0; k < 6; ++k) h.push_back(add_atom(numbered("H", k + 1), 1, scale(dir_xy(60.0 * k), 2.47)));
    add_ring(c, planar);
    rs.sw.ring_options.mirror_in_planar_ring = true;
    finish();
  }
};

TEST(Rings, PlanarBenzeneWithTheSpecialOptionSharesOneCentreDummy) {
  Benzene m(1);
  for (int k = 0; k < 6; ++k) {
    const int a = m.c[static_cast<std::size_t>(k)];
    const Frame f = m.frame(a);
    const int left = m.c[static_cast<std::size_t>((k + 5) % 6)], right = m.c[static_cast<std::size_t>((k + 1) % 6)];
    // The nearer ring neighbour, the earlier one in the atom list on a tie.
    const int y = neighbours_by_type(m.rs, a)[0];
    EXPECT_TRUE(y == left || y == right);
    expect_frame(m, a, f, "m", 'X', m.rs.natom(), 'Y', y);
    EXPECT_EQ(f.ring.rings, 1);
    EXPECT_EQ(f.ring.members, 6);
  }
  EXPECT_EQ(m.rs.dummy.count(), 1);
  EXPECT_NEAR(rlength(m.rs.dummy.numbered(1).pos), 0.0, 1e-4);
  EXPECT_EQ(m.rs.rings.ring(1).centre_dummy, 1);
}

TEST(Rings, WithoutTheSpecialOptionARingAtomOnlyCarriesItsFlags) {
  Benzene m(1);
  m.rs.sw.ring_options.mirror_in_planar_ring = false;
  const Frame f = m.frame(m.c[0]);
  // Neighbours C, C, H in a plane with the C pair: case 301, Z to the
  // midpoint of the pair because the odd neighbour is hydrogen.
  EXPECT_EQ(m.rs.atom(m.c[0]).sitesym.str(), SiteSym("mm2").str());
  EXPECT_EQ(f.letter[0], 'Z');
  EXPECT_EQ(f.ring.rings, 1);
  EXPECT_EQ(m.rs.dummy.count(), 1);
}

TEST(Rings, NonPlanarRingIsTreatedAsNoRing) {
  Benzene m(0);
  const Frame f = m.frame(m.c[0]);
  EXPECT_TRUE(has(m.mr.log(), " Will be treated as if it DOES NOT belong to a ring"));
  EXPECT_EQ(f.ring.rings, 0);
}

// Naphthalene: two fused planar six-membered rings.
struct Naphthalene : Molecule {
  int j1 = 0, j2 = 0;
  std::vector<int> ra, rb;
  Naphthalene() {
    const double x0 = 1.2124;
    j1 = add_atom("C9", 6, {0, 0.70, 0});
    j2 = add_atom("C10", 6, {0, -0.70, 0});
    std::vector<int> outer;
    const Vec3 ca{-x0, 0, 0}, cb{x0, 0, 0};
    int n = 1;
    for (double deg : {90.0, 150.0, 210.0, 270.0}) {
      const int a = add_atom(numbered("C", n++), 6, add(ca, scale(dir_xy(deg), 1.40)));
      ra.push_back(a);
      add_atom(numbered("H", a + 1), 1, add(ca, scale(dir_xy(deg), 2.48)));
    }
    for (double deg : {90.0, 30.0, -30.0, -90.0}) {
      const int b = add_atom(numbered("C", n++), 6, add(cb, scale(dir_xy(deg), 1.40)));
      rb.push_back(b);
      add_atom(numbered("H", b + 1), 1, add(cb, scale(dir_xy(deg), 2.48)));
    }
    add_ring({j1, ra[0], ra[1], ra[2], ra[3], j2}, 1);
    add_ring({j1, rb[0], rb[1], rb[2], rb[3], j2}, 1);
    rs.sw.ring_options.mirror_in_planar_ring = true;
    finish();
  }
};

TEST(Rings, FusedJunctionAtomPointsXAtItsPartner) {
  Naphthalene m;
  const Frame f = m.frame(m.j1);
  // Y: the first ring neighbour of the sorted list that lies in one ring.
  int y = -1;
  for (int e : neighbours_by_type(m.rs, m.j1))
    if (e != m.j2 && y < 0) y = e;
  EXPECT_TRUE(y == m.ra[0] || y == m.rb[0]);
  expect_frame(m, m.j1, f, "m", 'X', m.j2, 'Y', y);
  EXPECT_EQ(f.ring.rings, 2);
  EXPECT_EQ(f.ring.members, 12);
  EXPECT_TRUE(has(m.mr.log(), " Atom belongs to 2 planar rings of tot numb ( #    3 )"));
}

TEST(Rings, SpiroAtomWithoutARingPartnerGoesToTheGeneralProcedure) {
  Molecule m;
  const double h = 1.3077;
  const int c0 = m.add_atom("C0", 6, {0, 0, 0});
  const int c1 = m.add_atom("C1", 6, {0.755, 0, h});
  const int c2 = m.add_atom("C2", 6, {-0.755, 0, h});
  const int c3 = m.add_atom("C3", 6, {0, 0.755, -h});
  const int c4 = m.add_atom("C4", 6, {0, -0.755, -h});
  for (int c : {c1, c2, c3, c4}) {
    const Vec3 p = m.pos(c);
    const Vec3 out{p[0] * 2.0, p[1] * 2.0, p[2] > 0 ? 0.4 : -0.4};
    const Vec3 side = p[0] != 0 ? Vec3{0, 0.8, 0} : Vec3{0.8, 0, 0};
    m.add_atom(numbered("H", c + 1) + "A", 1, at_dist(p, add(out, side), 1.08));
    m.add_atom(numbered("H", c + 1) + "B", 1, at_dist(p, sub(out, side), 1.09));
  }
  m.add_ring({c0, c1, c2}, 1);
  m.add_ring({c0, c3, c4}, 1);
  m.rs.sw.ring_options.mirror_in_planar_ring = true;
  m.finish();
  const Frame f = m.frame(c0);
  EXPECT_TRUE(has(m.mr.log(), "No ring neighbour can direct the X-axis"));
  expect_frame(m, c0, f, "-4m2", 'Z', m.rs.natom(), 'Y', c3);
  EXPECT_EQ(f.ring.rings, 2);
  EXPECT_EQ(f.ring.members, 6);
}

// A cell of 10 x 11 x 12 Angstrom.
void orthorhombic(Molecule& m) {
  m.rs.sw.has_cell = true;
  m.rs.sw.format = InputFormat::shelx;
  m.rs.model.cell = {10, 11, 12, 90, 90, 90};
  m.rs.model.transf = cell_transform(m.rs.model.cell, m.rs.log_sink());
}

int add_frac(Molecule& m, const char* label, int z, const Vec3& f) {
  const int i = m.add_atom(label, z, to_cartesian(m.rs.model.transf, Fractional{f}));
  m.rs.atom(i).fractional[0] = f[0];
  m.rs.atom(i).fractional[1] = f[1];
  m.rs.atom(i).fractional[2] = f[2];
  return i;
}

TEST(Isolated, NobleGasAloneTakesDummiesAtOriginAndCellCentre) {
  Molecule m;
  orthorhombic(m);
  const int ar = add_frac(m, "AR1", 18, {0.1, 0.2, 0.3});
  m.finish();
  const Frame f = m.frame(ar);
  expect_frame(m, ar, f, "NO", 'X', 1, 'Y', 2);
  EXPECT_EQ(m.rs.dummy.count(), 2);
  EXPECT_FLOAT_EQ(m.rs.dummy.numbered(1).pos[0], 0.0);
  EXPECT_FLOAT_EQ(m.rs.dummy.numbered(2).pos[2], 0.5);
  EXPECT_TRUE(has(m.mr.term.str(), " No neighbors of atom AR1      were found within      20.00 Angstroms"));
  EXPECT_TRUE(has(m.mr.term.str(), " Will make dummies at 0,0,0 and 0.5,0.5,0.5"));
  // The axis positions are Cartesian.
  EXPECT_NEAR(f.pos[1][1], 5.5, 1e-4);
}

TEST(Isolated, NobleGasOnTheOriginStillGetsAProperFrame) {
  Molecule m;
  orthorhombic(m);
  const int ar = add_frac(m, "AR1", 18, {0, 0, 0});
  m.finish();
  const Frame f = m.frame(ar);
  expect_proper(m, ar, f);
  EXPECT_GT(dist(f.pos[0], m.pos(ar)), 1.0);
}

TEST(Isolated, NearbyAtomsWithinTheSearchRadius) {
  Molecule m;
  const int ar = m.add_atom("AR1", 18, {0, 0, 0});
  const int k1 = m.add_atom("AR2", 18, {3.8, 0, 0});
  const int k2 = m.add_atom("AR3", 18, {0, 4.2, 0});
  m.finish();
  const Frame f = m.frame(ar);
  expect_frame(m, ar, f, "NO", 'X', k1, 'Y', k2);
}

TEST(SymmetryCopies, AxisAtomThatIsACopyBecomesADummy) {
  Molecule m;
  orthorhombic(m);
  const int o = add_frac(m, "O1", 8, {0.02, 0.5, 0.5});
  const int h = add_frac(m, "H1", 1, {0.11, 0.5, 0.5});
  m.rs.model.entries = 2;
  // The copy of O1 through the inversion centre at 0, 1/2, 1/2.
  m.rs.model.natom = 2;
  const int copy = 2;
  Atom& c = m.rs.atom(copy);
  c = m.rs.atom(o);
  c.fractional[0] = -0.02;
  c.cartesian[0] = -0.2;
  m.rs.model.entries = 3;
  m.rs.model.atoms[copy].copy_of = o;
  Frame f;
  f.label = {Label("O1"), Label("H1")};
  f.letter = {'X', 'Y'};
  f.pos = {cart(m.rs, copy), cart(m.rs, h)};
  f.point = {copy, h};
  replace_copies_by_dummies(indexed_atoms(m.rs), m.rs.dummy, m.rs.log_sink(), f);
  EXPECT_EQ(f.label[0].str(), Label("DUM1").str());
  EXPECT_EQ(f.point[0], 2);
  EXPECT_EQ(f.point[1], h);
  EXPECT_FLOAT_EQ(m.rs.dummy.numbered(1).pos[0], -0.02);
  EXPECT_NEAR(f.pos[0][0], -0.2, 1e-6);
  EXPECT_TRUE(has(m.mr.log(), " Atom O1 used in definition of X-axis is symmetry-generated; replace with dummy    1"));
}

}  // namespace
}  // namespace vorn::test
