#include <gtest/gtest.h>

#include <string>

#include "databank/matts_bank.hpp"
#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

MattsBank read_text(const std::string& text) {
  RecordFile f;
  std::vector<std::string> lines;
  std::size_t a = 0;
  for (std::size_t b; (b = text.find('\n', a)) != std::string::npos; a = b + 1) lines.push_back(text.substr(a, b - a));
  f.open_records(lines, "t.matts");
  return read_matts_bank(f);
}

const std::string kEntry =
    "ENTRY\n  ID\nT1\n  COMMENT\nsome O\n  NOI\n17\n  ATOM DESCRIPTORS\n"
    "O1 CONNECTED_TO C2,!H,* PLANARITY + PLANAR_RING_WITH_PLANAR_ATOMS 6A,!5B,* IN_3_MEMBER_RING 2 IN_4_MEMBER_RING +\n"
    "C2 CONNECTED_TO O1,Cl,X PLANARITY - PLANAR_RING_WITH_PLANAR_ATOMS -\n"
    "    LOCAL COORDINATE SYSTEM\nZ !H(O1) X r(6A) L\n  SYMMETRY\nm\n"
    "  PARAMETER MODIFICATION DATE\n2020-01-01\n"
    "  MULTIPOLE MODEL PARAMETERS\nPVAL 6.177(34) KAPPA 0.98 KPRIM 1.1\n"
    "PLMS 1 1 -0.1007(12)  PLMS 4 -4 1.5e-2  PLMS 2 0 3(1)e-2\n\n";

TEST(MattsBank, ReadsEveryFieldOfAnEntry) {
  const MattsBank b = read_text("# c\nSETTINGS\ncovalent bond threshold 0.35\natom in ring planarity threshold 0.2\n"
                                "ring planarity threshold 0.05\natom in planar ring max number of neighbours 4\n\n" +
                                kEntry);
  EXPECT_DOUBLE_EQ(b.settings.bond_tolerance, 0.35);
  EXPECT_DOUBLE_EQ(b.settings.ring_planarity, 0.05);   // the longer key does not take the shorter one's line
  EXPECT_DOUBLE_EQ(b.settings.atom_in_ring_planarity, 0.2);
  EXPECT_EQ(b.settings.ring_atom_max_neighbours, 4);
  ASSERT_EQ(b.entries.size(), 1u);
  const MattsEntry& e = b.entries[0];
  EXPECT_EQ(e.id, "T1");
  EXPECT_EQ(e.comment, "some O");
  EXPECT_EQ(e.instances, 17);
  EXPECT_EQ(e.line, 8u);
  ASSERT_EQ(e.atoms.size(), 2u);
  const MattsAtom& o = e.atoms[0];
  EXPECT_EQ(o.z, 8);
  EXPECT_EQ(o.count, 2);
  EXPECT_TRUE(o.at_least);
  EXPECT_EQ(o.named, std::vector<int>{1});
  EXPECT_EQ(o.not_elements, std::vector<int>{1});
  EXPECT_EQ(o.planarity, MattsPlanarity::planar);
  ASSERT_EQ(o.planar_rings.patterns.size(), 2u);
  EXPECT_EQ(o.planar_rings.patterns[0].label, "6A");
  EXPECT_TRUE(o.planar_rings.patterns[1].forbidden);
  EXPECT_TRUE(o.planar_rings.more_allowed);
  EXPECT_EQ(o.in_3_rings, 2);
  EXPECT_EQ(o.in_4_rings, kSomeRings);
  const MattsAtom& c = e.atoms[1];
  EXPECT_EQ(c.count, 3);
  EXPECT_FALSE(c.at_least);
  EXPECT_EQ(c.elements, std::vector<int>{17});
  EXPECT_EQ(c.in_3_rings, kAnyRingCount);   // the 7-word form
  EXPECT_EQ(c.planar_rings.kind, MattsRingCondition::Kind::none);
  EXPECT_EQ(e.frame.axis[0], 'Z');
  EXPECT_EQ(e.frame.ref[0].kind, MattsAxisRef::Kind::neighbour_of);
  EXPECT_TRUE(e.frame.ref[0].not_z);
  EXPECT_EQ(e.frame.ref[1].ring, "6A");
  EXPECT_TRUE(e.frame.left);
  EXPECT_EQ(e.symmetry, "m");
  EXPECT_DOUBLE_EQ(e.pv, 6.177);
  EXPECT_NEAR(e.sigpv, 0.034, 1e-12);
  EXPECT_DOUBLE_EQ(e.plm[1][2], -0.1007);
  EXPECT_DOUBLE_EQ(e.plm[4][0], 0.015);
  EXPECT_NEAR(e.plm[2][2], 0.03, 1e-15);
}

// Each bad bank stops with its own message on the line of the fault.
TEST(MattsBank, MalformedEntriesNameTheLine) {
  struct Case {
    std::string from, to;   // replaced in kEntry
    std::string message;
  };
  const Case cases[] = {
      {"PLANARITY -", "PLANARITY ?", "The planarity ? is not +, - or * on line 10"},
      {"C2,!H,*", "C2,Q,*", "The neighbour Q is no element, label, X, !El or * on line 9"},
      {"C2,!H,*", "C3,*", "The neighbour C3 is no other atom of the entry on line 9"},
      {"O1,Cl,X", "Cl,X", "The bond O1-C2 is not listed by C2 on line 9"},
      {"6A,!5B,*", "6A,9B", "The planar-ring field 6A,9B does not read on line 9"},
      {"Z !H(O1)", "Z Z", "names no atom of the entry on line 12"},
      {"X r(6A) L", "Z r(6A) L", "The two axes of the local coordinate system are the same on line 12"},
      {"KPRIM 1.1", "KPRIM x", "The number x does not read on line 18"},
      {"PLMS 4 -4", "PLMS 5 -4", "The group PLMS 5 -4 is no PLMS l m on line 19"},
      {"  SYMMETRY\nm\n", "", "has no SYMMETRY on line 15"},
      {"some O\n", "some O\n\n", "An empty line inside the entry starting on line 1 on line 6"},
      {"  MULTIPOLE MODEL PARAMETERS\nPVAL 6.177(34) KAPPA 0.98 KPRIM 1.1\n"
       "PLMS 1 1 -0.1007(12)  PLMS 4 -4 1.5e-2  PLMS 2 0 3(1)e-2\n\n",
       "", "ends before its parameters on line 16"},
  };
  for (const Case& c : cases) {
    std::string text = kEntry;
    const std::size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, c.from.size(), c.to);
    try {
      read_text(text);
      ADD_FAILURE() << "no stop for " << c.to;
    } catch (const RunError& e) {
      EXPECT_NE(e.message.find(c.message + " of databank file t.matts"), std::string::npos) << e.message;
    }
  }
}

TEST(MattsBank, FormatIsTakenFromTheContent) {
  struct Case {
    std::vector<std::string> lines;
    bool forced;
    int expected;   // 1 MATTS, 0 own format, -1 stop
  };
  const Case cases[] = {
      {{"# x", "  ENTRY"}, false, 1},
      {{"SETTINGS"}, false, 1},
      {{"! own", "ATOM 6 C  comment"}, false, 0},
      {{"ATOM 6 C  comment"}, true, 1},
      {{"data_x", " ATOM 6"}, false, -1},
      {{}, false, -1},
  };
  for (const Case& c : cases) {
    RecordFile f;
    f.open_records(c.lines, "b.db");
    if (c.expected < 0) {
      EXPECT_THROW(is_matts_bank(f, c.forced), RunError);
    } else {
      EXPECT_EQ(is_matts_bank(f, c.forced), c.expected == 1);
    }
  }
}

TEST(MattsBank, TheTestBankReadsWhole) {
  RecordFile f;
  ASSERT_TRUE(f.open(test::test_data("matts/small.matts")));
  const MattsBank b = read_matts_bank(f);
  EXPECT_EQ(b.entries.size(), 12u);
  for (const MattsEntry& e : b.entries) EXPECT_GT(e.atoms[0].z, 0) << e.id;
}

}  // namespace
}  // namespace vorn
