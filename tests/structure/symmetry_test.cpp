#include "structure/symmetry.hpp"

#include <array>
#include <cmath>

#include "structure/symmetry_check.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

struct Sym : ::testing::Test {
  test::MemoryRun m;
  Log& out = m.rs->log_sink();
  std::ostream& log = out.log();
  Symmetry sy;
  void identity_only() {
    sy.ops.assign(1, SymOp{});
  }
  void read_cards(const std::string& text) {
    RecordFile f;
    f.open_text(text);
    sy = read_symmetry_cards(f, log);
  }
  const SymOp& op(int n) { return sy.ops[static_cast<std::size_t>(n - 1)]; }   // as the listing numbers it
};

TEST_F(Sym, CardWithFractionsGivesRotationAndTranslation) {
  read_cards("TITL x\nSYMM -X, 1/2+Y, 1/2-Z\nSFAC C\n");
  ASSERT_EQ(sy.count(), 2);
  const SymOp& s = op(2);
  EXPECT_EQ(s.rot[0][0], -1);
  EXPECT_EQ(s.rot[1][1], 1);
  EXPECT_EQ(s.rot[2][2], -1);
  EXPECT_EQ(s.rot[0][1], 0);
  EXPECT_FLOAT_EQ(s.trans[0], 0.0);
  EXPECT_FLOAT_EQ(s.trans[1], 0.5);
  EXPECT_FLOAT_EQ(s.trans[2], 0.5);
  EXPECT_EQ(m.log(), "   SYMM  1      + X, + Y, + Z\n   SYMM  2      - X, 1/2 + Y, 1/2 - Z\n");
}

TEST_F(Sym, DecimalTranslationsLowerCaseAndIdentityDropped) {
  read_cards("symm 0.5-x, -y, z+0.5\nSYMM X, Y, Z\nREM SYMM -X,-Y,-Z\n");
  ASSERT_EQ(sy.count(), 2);
  EXPECT_FLOAT_EQ(op(2).trans[0], 0.5);
  EXPECT_FLOAT_EQ(op(2).trans[2], 0.5);
  EXPECT_EQ(op(2).rot[0][0], -1);
  EXPECT_EQ(op(2).rot[1][1], -1);
  EXPECT_EQ(op(2).rot[2][2], 1);
}

TEST_F(Sym, NoCardsGiveTheIdentityOnly) {
  read_cards("TITL nothing\nCELL 1 2 3 90 90 90\n");
  EXPECT_EQ(sy.count(), 1);
  EXPECT_EQ(m.log(), "   SYMM  1      + X, + Y, + Z\n");
}

TEST_F(Sym, HexagonalTermsAndAnyDigitFractions) {
  read_cards("SYMM -Y, X-Y, 1/3+Z\nSYMM 2/3-x+y, 1/3-x, 5/6+z\nSYMM x, y, -1/6+z\n");
  ASSERT_EQ(sy.count(), 4);
  // x' = -y, y' = x - y
  EXPECT_EQ(op(2).rot[1][0], -1);
  EXPECT_EQ(op(2).rot[0][1], 1);
  EXPECT_EQ(op(2).rot[1][1], -1);
  EXPECT_FLOAT_EQ(op(2).trans[2], 1.0 / 3.0);
  EXPECT_EQ(op(3).rot[0][0], -1);
  EXPECT_EQ(op(3).rot[1][0], 1);
  EXPECT_FLOAT_EQ(op(3).trans[0], 2.0 / 3.0);
  EXPECT_FLOAT_EQ(op(3).trans[2], 5.0 / 6.0);
  EXPECT_FLOAT_EQ(op(4).trans[2], -1.0 / 6.0);
  EXPECT_NE(m.log().find("   SYMM  3      2/3 - X + Y, 1/3 - X, 5/6 + Z"), std::string::npos);
  EXPECT_NE(m.log().find("   SYMM  4      + X, + Y,-1/6 + Z"), std::string::npos);
}

TEST_F(Sym, SeveralOperatorsPerCardAndMatrixForm) {
  read_cards("SYM -X,-Y,Z; X,-Y,1/2+Z\nSYMM 0.5 -1 0 0  0 0 1 0  0 0 0 1\n");
  ASSERT_EQ(sy.count(), 4);
  EXPECT_EQ(op(3).rot[1][1], -1);
  EXPECT_FLOAT_EQ(op(3).trans[2], 0.5);
  EXPECT_EQ(op(4).rot[0][0], -1);
  EXPECT_FLOAT_EQ(op(4).trans[0], 0.5);
  EXPECT_EQ(op(4).rot[1][1], 1);
}

// A card that is not a proper operator would leave the structure in the
// wrong space group: the run stops, naming the card, its line and the fault.
TEST(SymCard, ImproperCardsStopTheRun) {
  const std::pair<const char*, const char*> cases[] = {
      {"SYMM X,Y", "(2 parts instead of 3 coordinate expressions or 12 numbers)"},
      {"SYMM X,Y,Z,W", "(4 parts instead"},
      {"SYMM 1/0+X,Y,Z", "('1/0+X' divides by zero)"},
      {"SYMM A,B,C", "('A' does not read)"},
      {"SYMM 2X,Y,Z", "('2X' has a coefficient other than 1 or -1)"},
      {"SYMM 1e30+X,Y,Z", "('1E30+X' does not read)"},
      {"SYMM X-X,Y,Z", "('X-X' holds X twice)"},
      {"SYMM X,X,Z", "(the rotation part has determinant    0.000, not 1 or -1)"},
      {"SYMM X+99,Y,Z", "('X+99' has a translation out of range)"},
      {"SYMM -X,-Y,Z-", "('Z-' ends in a sign)"},
      {"SYMM -X,,Z", "(an empty coordinate expression)"},
      {"SYMM 0.5 -1 0 0  0 0 1 0  0 0 0 A", "('A' is not a number)"},
      {"SYMM 0 2 0 0  0 0 1 0  0 0 0 1", "(the rotation part has determinant    2.000"},
  };
  for (const auto& [card, why] : cases) {
    test::MemoryRun run;
    RecordFile f;
    f.open_text(std::string("TITL x\nSYMM -X,-Y,Z\n") + card + " ! comment\n");
    EXPECT_THROW(run.as_driver([&] { read_symmetry_cards(f, run.rs->log_sink().log()); }), RunError) << card;
    const std::string head = " ERROR *** SymCrd *** Symmetry card on line 3 of (text) is not a proper operator ";
    EXPECT_NE(run.log().find(head + why), std::string::npos) << run.log();
    EXPECT_NE(run.log().find(std::string("): ") + card + " ! comment\n"), std::string::npos) << run.log();
  }
}

TEST_F(Sym, CentringThenInversion) {
  read_cards("SYMM -X, Y, 1/2-Z\n");
  add_lattice_centring(sy, out, 'C');
  ASSERT_EQ(sy.count(), 4);
  EXPECT_FLOAT_EQ(op(3).trans[0], 0.5);
  EXPECT_FLOAT_EQ(op(3).trans[1], 0.5);
  EXPECT_FLOAT_EQ(op(4).trans[2], 0.5);
  add_inversion_centre(sy, log);
  ASSERT_EQ(sy.count(), 8);
  EXPECT_EQ(op(5).rot[0][0], -1);
  EXPECT_EQ(op(6).rot[0][0], 1);
  EXPECT_FLOAT_EQ(op(6).trans[2], -0.5);
  const std::string l = m.log();
  EXPECT_NE(l.find("\n Non-Primitive lattice...\n Lattice centring type is [ C ]\n"
                   " Number of lattice points per cell = 2\n"),
            std::string::npos);
  EXPECT_NE(l.find("\n Symmetry operations after applying the lattice centering:\n\n"
                   " Number of symmetry operations =  4\n"),
            std::string::npos);
  EXPECT_NE(l.find("\n Symmetry operations with Center of Symmetry applied:    8\n\n SYMM  1\n"
                   "    1.000000    0.000000    0.000000         0.000000\n"),
            std::string::npos);
  EXPECT_NE(l.find("\n SYMM  6\n    1.000000    0.000000    0.000000         0.000000\n"
                   "    0.000000   -1.000000    0.000000         0.000000\n"
                   "    0.000000    0.000000    1.000000        -0.500000\n"), std::string::npos);
}

TEST_F(Sym, CentringReducesWholeTranslations) {
  read_cards("SYMM 1/2+X, 1/2+Y, Z\n");
  add_lattice_centring(sy, out, 'I');
  ASSERT_EQ(sy.count(), 4);
  // 1/2 + 1/2 gives a whole cell, reduced to 0.
  EXPECT_FLOAT_EQ(op(4).trans[0], 0.0);
  EXPECT_FLOAT_EQ(op(4).trans[2], 0.5);
  sy.ops[3].trans = {1.5, -1.25, 0.75};
  reduce_translations(sy);
  EXPECT_FLOAT_EQ(op(4).trans[0], 0.5);
  EXPECT_FLOAT_EQ(op(4).trans[1], -0.25);
  EXPECT_FLOAT_EQ(op(4).trans[2], 0.75);
}

TEST_F(Sym, FaceCentredCubicNeeds192) {
  std::string cards;
  const char* ops[] = {"-X,-Y,+Z", "-X,+Y,-Z", "+X,-Y,-Z", "+Z,+X,+Y", "+Z,-X,-Y", "-Z,-X,+Y", "-Z,+X,-Y",
                       "+Y,+Z,+X", "-Y,+Z,-X", "+Y,-Z,-X", "-Y,-Z,+X", "+Y,+X,-Z", "-Y,-X,-Z", "+Y,-X,+Z",
                       "-Y,+X,+Z", "+X,+Z,-Y", "-X,+Z,+Y", "-X,-Z,-Y", "+X,-Z,+Y", "+Z,+Y,-X", "+Z,-Y,+X",
                       "-Z,+Y,+X", "-Z,-Y,-X"};
  for (const char* o : ops) cards += std::string("SYMM ") + o + "\n";
  read_cards(cards);
  EXPECT_EQ(sy.count(), 24);
  add_lattice_centring(sy, out, 'F');
  EXPECT_EQ(sy.count(), 96);
  add_inversion_centre(sy, log);
  EXPECT_EQ(sy.count(), 192);
  EXPECT_NE(m.log().find("\n SYMM 192\n"), std::string::npos);
  // One more doubling is beyond the capacity: a clear stop, no overflow.
  EXPECT_THROW(m.as_driver([&] { add_inversion_centre(sy, log); }), RunError);
  EXPECT_NE(m.term.str().find("limit is 192"), std::string::npos);
}

TEST_F(Sym, TooManyCardsStop) {
  std::string cards;
  for (int k = 1; k <= 200; ++k) cards += "SYMM X, Y, " + std::to_string(k) + "/200+Z\n";
  EXPECT_THROW(m.as_driver([&] { read_cards(cards); }), RunError);
  EXPECT_NE(m.term.str().find(" ERROR *** SymCrd *** Too many symmetry operators"), std::string::npos);
}

TEST_F(Sym, RhombohedralCentringOnHexagonalAxes) {
  read_cards("SYMM Y, X, 1/2-Z\n");
  add_lattice_centring(sy, out, 'R');
  ASSERT_EQ(sy.count(), 6);
  // Obverse setting: (2/3,1/3,1/3) and (1/3,2/3,2/3); 1/2 + 1/3 stays below 1,
  // 1/2 + 2/3 is reduced to 1/6.
  const double t[6][3] = {{0, 0, 0}, {0, 0, 0.5}, {2 / 3., 1 / 3., 1 / 3.}, {2 / 3., 1 / 3., 5 / 6.},
                         {1 / 3., 2 / 3., 2 / 3.}, {1 / 3., 2 / 3., 1 / 6.}};
  for (int n = 1; n <= 6; ++n)
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(op(n).trans[j], t[n - 1][j], 1e-6) << n << " " << j;
  EXPECT_NE(m.log().find(" Lattice centring type is [ R ]\n Number of lattice points per cell = 3\n"),
            std::string::npos);
}

TEST_F(Sym, MatrixListingOnlyAboveVerbosityOne) {
  read_cards("SYMM -X, 1/2+Y, 1/2-Z\n");
  Log quiet, loud;
  quiet.file.open_memory();
  loud.file.open_memory();
  loud.verbosity = 2;
  write_symmetry_operators(sy, quiet);
  EXPECT_EQ(quiet.file.text(), "\n Number of symmetry operations =  2\n");
  write_symmetry_operators(sy, loud);
  EXPECT_EQ(loud.file.text(),
            "\n Number of symmetry operations =  2\n"
            "\n SYMM  1\n"
            "    1.000000    0.000000    0.000000         0.000000\n"
            "    0.000000    1.000000    0.000000         0.000000\n"
            "    0.000000    0.000000    1.000000         0.000000\n"
            "\n SYMM  2\n"
            "   -1.000000    0.000000    0.000000         0.000000\n"
            "    0.000000    1.000000    0.000000         0.500000\n"
            "    0.000000    0.000000   -1.000000         0.500000\n");
}

TEST(SymOp, ExpressionsAndFractions) {
  double c[3];
  double t = 0;
  ASSERT_TRUE(symop("-1/4+X", c, t));
  EXPECT_FLOAT_EQ(t, -0.25);
  EXPECT_EQ(c[0], 1);
  ASSERT_TRUE(symop("3/4 - y", c, t));
  EXPECT_FLOAT_EQ(t, 0.75);
  EXPECT_EQ(c[1], -1);
  ASSERT_TRUE(symop("11/12-Z", c, t));
  EXPECT_FLOAT_EQ(t, 11.0 / 12.0);
  ASSERT_TRUE(symop("Z", c, t));
  EXPECT_EQ(t, 0.0);
  EXPECT_FALSE(symop("1/0+X", c, t));
}


// The Cartesian length of a fractional vector, from edge vectors built
// for the test (a along x, b in the xy plane).
double cartesian_length(const UnitCell& c, const std::array<double, 3>& f) {
  const double d = std::acos(-1.0) / 180;
  const double cx = std::cos(c.beta * d), cy = (std::cos(c.alpha * d) - cx * std::cos(c.gamma * d)) / std::sin(c.gamma * d);
  const double e[3][3] = {{c.a, 0, 0},
                          {c.b * std::cos(c.gamma * d), c.b * std::sin(c.gamma * d), 0},
                          {c.c * cx, c.c * cy, c.c * std::sqrt(1 - cx * cx - cy * cy)}};
  double v[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) v[k] += f[static_cast<std::size_t>(i)] * e[i][k];
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// An operator is an isometry of the cell when it keeps the length of every
// vector; checked on the edges and their sums, in Cartesian space.
TEST_F(Sym, IsometryAgreesWithCartesianLengths) {
  const std::pair<UnitCell, const char*> cases[] = {
      {{7, 7, 9, 90, 90, 120}, "SYMM -Y, X-Y, Z"}, {{10, 10, 10, 90, 90, 90}, "SYMM -Y, X-Y, Z"},
      {{5, 8, 9, 90, 104, 90}, "SYMM -X, Y, -Z"},  {{5, 8, 9, 90, 104, 90}, "SYMM -X, -Y, Z"},
      {{10, 10, 10, 90, 90, 90}, "SYMM X+Y, Y, Z"}, {{6, 6, 6, 90, 90, 90}, "SYMM Z, X, Y"},
      {{6, 6, 7, 90, 90, 90}, "SYMM Z, X, Y"},     {{7, 7, 9, 90, 90, 120}, "SYMM Y, X, -Z"},
  };
  for (const auto& [cell, card] : cases) {
    read_cards(std::string(card) + "\n");
    ASSERT_EQ(sy.count(), 2) << card;
    bool kept = true;
    for (const std::array<double, 3> f : {std::array<double, 3>{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}}) {
      std::array<double, 3> g{};
      for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) g[j] += op(2).rot[i][j] * f[i];
      kept = kept && std::fabs(cartesian_length(cell, g) - cartesian_length(cell, f)) < 1e-3;
    }
    EXPECT_EQ(isometry_fault(op(2), cell).empty(), kept) << card << " " << cell.a << " " << cell.gamma;
  }
}

// Cards that with the centring and the inversion form a group pass; a
// missing product stops, naming the cards.
TEST_F(Sym, ClosureOfTheOperators) {
  const std::pair<const char*, bool> cases[] = {
      {"SYMM -X, 1/2+Y, 1/2-Z\n", true},
      {"SYMM -X, -Y, Z\nSYMM -X, Y, -Z\nSYMM X, -Y, -Z\n", true},
      {"SYMM -X, -Y, Z\nSYMM -X, Y, -Z\n", false},
      {"SYMM -Y, X-Y, Z\nSYMM -X+Y, -X, Z\n", true},
      {"SYMM -Y, X-Y, Z\n", false},
      {"SYMM X, Y, 1/3+Z\n", false},
  };
  for (const auto& [cards, closed] : cases) {
    RecordFile f;
    f.open_text(std::string("TITL x\n") + cards);
    std::vector<std::string> places;
    sy = read_symmetry_cards(f, log, nullptr, &places);
    add_inversion_centre(sy, log);
    std::string message;
    try {
      check_symmetry_closure(sy, places);
    } catch (const RunError& e) {
      message = e.message;
    }
    EXPECT_EQ(message.empty(), closed) << cards << message;
    EXPECT_EQ(message.find("(card on line 2 of (text))") != std::string::npos, !closed) << message;
  }
}

}  // namespace
}  // namespace vorn
