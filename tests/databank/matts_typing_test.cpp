#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <string>

#include "databank/matts_frame.hpp"
#include "databank/matts_typing.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::MemoryRun;

struct Typed {
  MemoryRun mr;
  Model model;
  MattsBank bank;
  MattsTyping typing;
  // inverted: every position through the origin (the other enantiomer).
  explicit Typed(const std::string& structure, const std::string& drop_entry = "", bool inverted = false) {
    model = read_shelx(test::test_data("shelx/" + structure), ShelxLabels::as_named, mr.rs->log_sink());
    for (int i = 0; inverted && i < model.natom; ++i) {
      Atom& a = model.atoms[i];
      a.fractional[0] = -a.fractional[0], a.fractional[1] = -a.fractional[1], a.fractional[2] = -a.fractional[2];
    }
    RecordFile f;
    EXPECT_TRUE(f.open(test::test_data("matts/small.matts")));
    bank = read_matts_bank(f);
    std::erase_if(bank.entries, [&](const MattsEntry& e) { return e.id == drop_entry; });
    typing = type_atoms(bank, model, true);
  }
  int index(const std::string& label) const {
    for (int i = 0; i < model.natom; ++i)
      if (model.atoms[i].label.trimmed() == label) return i;
    ADD_FAILURE() << "no atom " << label;
    return 0;
  }
  std::string entry(const std::string& label) const {
    const int e = typing.types[static_cast<std::size_t>(index(label))].entry;
    return e < 0 ? "-" : bank.entries[static_cast<std::size_t>(e)].id;
  }
};

const char* const kUrea = "urea_P-421m_special_positions.res";
const char* const kParacetamol = "paracetamol_P21n.res";
const char* const kAlanine = "L-alanine_P212121_freeH.res";
const char* const kSucrose = "sucrose_P21.res";
const char* const kMaleate = "8-hydroxyquinolinium_hydrogenmaleate_P212121.res";

TEST(MattsTyping, AtomsOfRealStructuresGetTheirEntries) {
  struct Case {
    const char* structure;
    const char* atom;
    const char* entry;
    const char* dropped = "";   // an entry taken out of the bank first
  };
  const Case cases[] = {
      {kUrea, "O()", "T-O-urea"},                 // two entries fit: the first in the bank wins
      {kUrea, "O()", "T-O-any1", "T-O-urea"},     // ... the second one without it
      {kUrea, "C()", "T-C-urea"},                 // one of its N is a symmetry image
      {kUrea, "H(1)", "T-H-on-N"},
      {kParacetamol, "C(1)", "T-C-arOH"},         // planar 6-ring with a labelled ring
      {kParacetamol, "C(2)", "T-C-arH"},
      {kParacetamol, "C(8)", "T-C-methyl"},
      {kParacetamol, "H(8A)", "T-H-methyl"},
      {kParacetamol, "H(1O)", "T-H-hydroxyl"},
      {kParacetamol, "O(1)", "-"},                // no hydroxyl O in the bank
      {kParacetamol, "C(7)", "-"},
      {kAlanine, "C(1)", "T-C-chiral"},
      {kAlanine, "H(5)", "T-H-methyl"},
      {kAlanine, "N(1)", "-"},
      {kSucrose, "O(1)", "T-O-ether2"},
      {kSucrose, "C(1)", "-"},
      {kMaleate, "O(2)", "T-O-any1"},             // the bridging H bonds to its nearest O only
      {kMaleate, "C(6)", "T-C-arOH"},
      {kMaleate, "C(10)", "-"},                   // fused: in two planar rings
  };
  for (const Case& c : cases) {
    const Typed t(c.structure, c.dropped);
    EXPECT_EQ(t.entry(c.atom), c.entry) << c.structure << ' ' << c.atom << " without " << c.dropped;
  }
}

TEST(MattsTyping, SymmetricNeighboursGiveOneMapEach) {
  const Typed urea(kUrea);
  const MattsType& o = urea.typing.types[static_cast<std::size_t>(urea.index("O()"))];
  ASSERT_EQ(o.maps.size(), 2u);   // N3, N4 on the two N of the molecule, both ways
  EXPECT_NE(o.maps[0].named[2].pos.dist(o.maps[1].named[2].pos), 0.0);
  const Typed para(kParacetamol);
  const MattsType& c1 = para.typing.types[static_cast<std::size_t>(para.index("C(1)"))];
  ASSERT_FALSE(c1.maps.empty());
  ASSERT_EQ(c1.maps[0].rings.count("6A"), 1u);
  EXPECT_EQ(c1.maps[0].rings.at("6A").size(), 6u);
}

// The bank's bonds against a direct scan of every operator and lattice
// translation, with the hydrogen's nearest-neighbour rule applied after.
TEST(MattsTyping, BondsAreThoseOfADirectScan) {
  for (const char* s : {kUrea, kAlanine, kMaleate}) {
    const Typed t(s);
    const BankGraph& g = t.typing.graph;
    const std::size_t n = g.z.size();
    std::vector<std::vector<std::pair<double, std::size_t>>> scan(n);   // (length, partner)
    std::vector<std::set<std::array<long, 4>>> sites(n);                // partner sites met
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j)
        for (const SymOp& op : t.model.symm.ops) {
          gemmi::Vec3 f;
          for (int c = 0; c < 3; ++c) {
            double v = op.trans[static_cast<std::size_t>(c)];
            for (int r = 0; r < 3; ++r)
              v += op.rot[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] * g.frac[j].at(r);
            f.at(c) = v;
          }
          for (int a = -2; a <= 2; ++a)
            for (int b = -2; b <= 2; ++b)
              for (int c = -2; c <= 2; ++c) {
                const double d = g.cart(f + gemmi::Vec3(a, b, c)).dist(g.cart(g.frac[i]));
                const gemmi::Position p = g.cart(f + gemmi::Vec3(a, b, c));
                // An operator that maps a site onto itself gives its images twice.
                const std::array<long, 4> site{long(j), std::lround(p.x * 1e3), std::lround(p.y * 1e3), std::lround(p.z * 1e3)};
                if (d > 1e-6 && d <= matts_covalent_radius(g.z[i]) + matts_covalent_radius(g.z[j]) + 0.4 &&
                    sites[i].insert(site).second)
                  scan[i].emplace_back(d, j);
              }
        }
    std::vector<double> nearest(n, 1e9);
    for (std::size_t i = 0; i < n; ++i) {
      std::sort(scan[i].begin(), scan[i].end());
      if (!scan[i].empty()) nearest[i] = scan[i][0].first;
    }
    for (std::size_t i = 0; i < n; ++i) {
      std::vector<double> expected, found;
      for (const auto& [d, j] : scan[i])
        if ((g.z[i] != 1 || d <= nearest[i] + 1e-9) && (g.z[j] != 1 || d <= nearest[j] + 1e-9)) expected.push_back(d);
      for (const BankBond& b : g.bonds[i]) found.push_back(b.length);
      std::sort(found.begin(), found.end());
      ASSERT_EQ(found.size(), expected.size()) << s << ' ' << t.model.atoms[i].label.trimmed();
      for (std::size_t k = 0; k < found.size(); ++k) EXPECT_NEAR(found[k], expected[k], 1e-9);
    }
  }
  // urea C: bonded to O, N and the N of a symmetry image; the bridging H of
  // the maleate to one O only.
  const Typed urea(kUrea);
  EXPECT_EQ(urea.typing.graph.bonds[static_cast<std::size_t>(urea.index("C()"))].size(), 3u);
  const Typed maleate(kMaleate);
  EXPECT_EQ(maleate.typing.graph.bonds[static_cast<std::size_t>(maleate.index("H(1)"))].size(), 1u);
}

// Axes of the entries' frames against those another typer computed for the
// same structures and frame definitions (Cartesian frame: x along a, z
// along c*).
TEST(MattsFrame, AxesAgreeWithAnIndependentTyper) {
  struct Case {
    const char* structure;
    const char* atom;
    int row;                  // 0 X, 1 Y, 2 Z
    gemmi::Vec3 axis;
    bool left;
    bool inverted = false;
  };
  const Case cases[] = {
      {kAlanine, "C(1)", 0, {0.718890, -0.193984, -0.667509}, false},   // chirality as the entry's
      {kAlanine, "C(1)", 2, {-0.306472, -0.950353, -0.053882}, false},
      {kAlanine, "C(1)", 0, {-0.718890, 0.193984, 0.667509}, true, true},   // the mirror image: left-handed
      {kAlanine, "C(1)", 2, {0.306472, 0.950353, 0.053882}, true, true},
      {kAlanine, "C(2)", 0, {-0.093686, 0.442064, -0.892078}, false},   // methyl: Z to C, X to the best H
      {kAlanine, "C(2)", 2, {0.801469, 0.565060, 0.195842}, false},
      {kParacetamol, "C(1)", 0, {-0.010679, -0.623831, -0.781486}, false},   // X to the ring centre
      {kParacetamol, "C(1)", 1, {0.896265, -0.352514, 0.269151}, false},
      {kUrea, "O()", 0, {0, 0, -1}, false},
      {kSucrose, "O(1)", 0, {0.671408, 0.691855, -0.265607}, false},   // Z along an average direction
      {kSucrose, "O(1)", 2, {0.385799, -0.632312, -0.671819}, false},
  };
  for (const Case& c : cases) {
    const Typed t(c.structure, "", c.inverted);
    const int i = t.index(c.atom);
    const MattsType& type = t.typing.types[static_cast<std::size_t>(i)];
    ASSERT_GE(type.entry, 0) << c.atom;
    const auto f = build_matts_frame(t.bank.entries[static_cast<std::size_t>(type.entry)], type, t.typing.graph,
                                     t.typing.descriptors, i);
    ASSERT_TRUE(f) << c.atom;
    const gemmi::Vec3 row = f->axes.row_copy(c.row);
    EXPECT_NEAR(row.dist(c.axis), 0, 2e-6) << c.structure << ' ' << c.atom << ' ' << c.row << ' ' << row.x << ' ' << row.y << ' ' << row.z;
    EXPECT_EQ(f->left, c.left);
  }
}

TEST(MattsTyping, PlaneDeviationOfAPuckeredSquare) {
  // Four points +-h off their best plane: sqrt(4 h^2 / (4 - 3)) = 2h.
  for (double h : {0.0, 0.01, 0.05, 0.2}) {
    const std::vector<gemmi::Position> p{{1, 0, h}, {-1, 0, h}, {0, 1, -h}, {0, -1, -h}};
    EXPECT_NEAR(plane_deviation(p), 2 * h, 1e-9) << h;
  }
}

}  // namespace
}  // namespace vorn
