#include "topology/fragments.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/test_support.hpp"
#include "topology/molecules.hpp"
#include "topology/neighbors.hpp"
#include "topology/rings.hpp"
#include "writers/auxiliary.hpp"

namespace vorn::test {
namespace {

// P2(1)/a: x,y,z; 1/2-x,1/2+y,-z; -x,-y,-z; 1/2+x,1/2-y,z.
void p21a(test::TestRun& rs) {
  add_diag_op(rs, 1, 1, 1, 0, 0, 0);
  add_diag_op(rs, -1, 1, -1, 0.5, 0.5, 0);
  add_diag_op(rs, -1, -1, -1, 0, 0, 0);
  add_diag_op(rs, 1, -1, 1, 0.5, 0.5, 0);
}

// Half a naphthalene molecule on the inversion centre at the origin
// (the published room-temperature structure).
void half_naphthalene(test::TestRun& rs) {
  set_cell(rs, 8.1125, 5.9398, 8.649, 90, 124.472, 90);
  p21a(rs);
  add_frac(rs, "C1", 6, 0.082520, 0.019250, 0.328940);
  add_frac(rs, "C2", 6, 0.112930, 0.163550, 0.222850);
  add_frac(rs, "C3", 6, 0.048140, 0.105520, 0.037400);
  add_frac(rs, "C4", 6, 0.076670, 0.251940, -0.075630);
  add_frac(rs, "C5", 6, -0.013470, -0.190770, 0.254470);
  add_frac(rs, "H1", 1, 0.128200, 0.062700, 0.459400);
  add_frac(rs, "H2", 1, 0.179700, 0.310300, 0.272300);
  add_frac(rs, "H3", 1, 0.142900, 0.392300, -0.025500);
  add_frac(rs, "H4", 1, -0.036500, -0.294500, 0.331500);
}

TEST(CompleteFragments, MoleculeOnInversionCentre) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  half_naphthalene(rs);
  rs.sw.complete_fragment_cells = 0;
  ScratchDir dir;
  Model done;
  {
    InDirectory in(dir.path());
    done = complete_fragments(rs.model, rs.sw, direct_forms(rs.index), rs.log_sink());
  }
  ASSERT_EQ(done.entries, 18);
  EXPECT_EQ(done.natom, 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(done.atoms[i].copies, 1) << i;
    EXPECT_EQ(done.atoms[i].copy_of, -1);
  }
  for (int k = 9; k < 18; ++k) {
    const int src = done.atoms[k].copy_of;
    ASSERT_GE(src, 0);
    ASSERT_LE(src, 8);
    const Atom& c = done.atoms[k];
    const Atom& s = done.atoms[src];
    EXPECT_EQ(c.label, s.label);
    EXPECT_EQ(c.atomic_number, s.atomic_number);
    EXPECT_FLOAT_EQ(c.fractional[0], -s.fractional[0]);
    EXPECT_FLOAT_EQ(c.fractional[2], -s.fractional[2]);
    EXPECT_NEAR(c.cartesian[0], -s.cartesian[0], 1e-5);
    EXPECT_NEAR(c.cartesian[1], -s.cartesian[1], 1e-5);
    EXPECT_NEAR(c.cartesian[2], -s.cartesian[2], 1e-5);
  }
  // The junction copy bonds to the original junction and comes first; C1
  // bonds only to copies and is found in a later pass.
  EXPECT_EQ(done.atoms[9].copy_of, 2);

  const std::string log = run.log();
  const std::string head =
      "\n List of atoms in complete fragment(s) :\n"
      "\n"
      "       ATOM        ------ FRACTIONAL ------    ----- CARTESIAN -----     ISQ NSQ\n"
      "     1 C1          0.0825   0.0192   0.3289   -0.941   0.114   2.345       0   1\n";
  EXPECT_NE(log.find(head), std::string::npos) << log;
  EXPECT_NE(log.find("    10 C3         -0.0481  -0.1055  -0.0374   -0.207  -0.627  -0.267       3   0\n"),
            std::string::npos)
      << log;
  // The later stages read the completed table.
  rs.model = done;
  std::ostringstream complete;
  write_complete_ang(rs.model, complete);
  const std::vector<std::string> ang = lines_of(complete.str());
  ASSERT_EQ(ang.size(), 18u);
  EXPECT_EQ(ang[0], "ATOM   C1              -0.9408      0.1143      2.3454");
  EXPECT_EQ(ang[9], "ATOM   C3              -0.2074     -0.6268     -0.2667");

  // The completed molecule: ten carbons in two six-membered rings, and
  // every carbon of the copy has its full set of neighbours.
  run_neighbour_search(rs);
  for (int k = 0; k < 18; ++k) EXPECT_EQ(rs.nb.of[k].count(), done.atoms[k].atomic_number == 6 ? 3 : 1) << k;
  rs.sw.ring_options.min_size = 3;
  rs.sw.ring_options.max_size = 8;
  ReducedTable table;
  {
    InDirectory in(dir.path());
    build_reduced_table(ring_search(rs), table);
    walk_reduced_table(ring_search(rs), table);
  }
  EXPECT_EQ(rs.rings.count(), 2);
  EXPECT_EQ(table.count(), 10);
}

TEST(CompleteFragments, TranslationsCountFromTheUnitCell) {
  // The same molecule moved to the inversion centre at the cell centre,
  // and to the one at (1/2, 1, 1/2), where a carbon's partner is its image
  // under -x,-y,-z plus (1, 2, 1): NCELLS n covers the n cells around the
  // unit cell for every operator, so the first is whole with NCELLS 0 and
  // the second with NCELLS 1.  With too few cells a warning names the
  // atoms whose bonds are missing and the NCELLS value that completes
  // their molecule.
  struct Case {
    double dy;
    int cells, entries, warnings;
  };
  for (const Case& c : {Case{0.5, 0, 18, 0}, Case{1.0, 1, 18, 0}, Case{1.0, 0, 16, 2}}) {
    MemoryRun run;
    test::TestRun& rs = *run.rs;
    half_naphthalene(rs);
    for (int i = 0; i < rs.natom(); ++i) {
      Atom& a = rs.atom(i);
      const Vec3 p = to_cartesian(rs.model.transf, Fractional{{a.fractional[0] + 0.5, a.fractional[1] + c.dy, a.fractional[2] + 0.5}});
      a.fractional[0] += 0.5;
      a.fractional[1] += c.dy;
      a.fractional[2] += 0.5;
      a.cartesian = {{p[0], p[1], p[2]}};
    }
    rs.sw.complete_fragment_cells = c.cells;
    ScratchDir dir;
    InDirectory in(dir.path());
    const Model done = complete_fragments(rs.model, rs.sw, direct_forms(rs.index), rs.log_sink());
    EXPECT_EQ(done.entries, c.entries) << c.dy << " " << c.cells;
    EXPECT_EQ(rs.log_sink().warnings, c.warnings) << run.log();
    if (c.warnings > 0) {
      EXPECT_NE(run.log().find("; NCELLS 1 completes its molecule"), std::string::npos) << run.log();
    }
  }
}

TEST(CompleteFragments, AtomOnSpecialPositionIsNotCopied) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // Carbon dioxide on the inversion centre: C1 at the origin, O1 1.16 A away.
  set_cell(rs, 11.6, 9.0, 8.0, 90, 90, 90);
  add_diag_op(rs, 1, 1, 1, 0, 0, 0);
  add_diag_op(rs, -1, -1, -1, 0, 0, 0);
  add_frac(rs, "C1", 6, 0, 0, 0);
  add_frac(rs, "O1", 8, 0.1, 0, 0);
  rs.atom(0).occ = 0.5;
  rs.atom(0).occupancy_kind = OccupancyKind::special_position;
  rs.atom(1).occ = 0.7;
  rs.atom(1).occupancy_kind = OccupancyKind::disordered;
  rs.sw.complete_fragment_cells = 1;
  ScratchDir dir;
  InDirectory in(dir.path());
  const Model done = complete_fragments(rs.model, rs.sw, direct_forms(rs.index), rs.log_sink());
  ASSERT_EQ(done.entries, 3);
  EXPECT_EQ(done.atoms[0].copies, 0);
  EXPECT_EQ(done.atoms[1].copies, 1);
  EXPECT_EQ(done.atoms[2].copy_of, 1);
  EXPECT_NEAR(done.atoms[2].cartesian[0], -1.16, 1e-5);
  // The copy keeps the source's occupancy and flag.
  EXPECT_EQ(done.atoms[2].label, "O1");
  EXPECT_EQ(done.atoms[2].occ, 0.7);
  EXPECT_EQ(done.atoms[2].occupancy_kind, OccupancyKind::disordered);
}

TEST(CompleteFragments, CompleteStructureWritesNothing) {
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  // Whole benzene molecules at a general position of P-1 in a large cell.
  set_cell(rs, 20, 20, 20, 90, 90, 90);
  add_diag_op(rs, 1, 1, 1, 0, 0, 0);
  add_diag_op(rs, -1, -1, -1, 0, 0, 0);
  benzene(rs, 5, 5, 5);
  for (int i = 0; i < rs.natom(); ++i) {
    const Vec3 f = to_fractional(rs.model.transf, cart(rs, i));
    rs.atom(i).fractional[0] = f[0];
    rs.atom(i).fractional[1] = f[1];
    rs.atom(i).fractional[2] = f[2];
  }
  const std::string before = run.log();
  rs.sw.complete_fragment_cells = 1;
  ScratchDir dir;
  InDirectory in(dir.path());
  const Model done = complete_fragments(rs.model, rs.sw, direct_forms(rs.index), rs.log_sink());
  EXPECT_EQ(done.entries, 12);
  EXPECT_EQ(run.log(), before);
  EXPECT_FALSE(dir.exists("complete.ang"));
}

}  // namespace
}  // namespace vorn::test
