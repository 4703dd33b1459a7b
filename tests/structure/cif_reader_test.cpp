#include "structure/readers/cif_reader.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "structure/readers/readers.hpp"
#include "structure/symmetry.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

// The reduction of gemmi's tables to SHELX's LATT and SYMM, and back: the
// cards, centred and inverted as the readers do, give the whole group.
TEST(ShelxSymmetry, SpaceGroupsOfEveryCentringAndOrigin) {
  struct Case {
    const char* group;
    char lattice;
    bool centro;
    std::size_t cards;
    const char* first_card;
  } const cases[] = {
      {"P 1", 'P', false, 0, ""},
      {"P 1 21/n 1", 'P', true, 1, "SYMM -X+1/2, Y+1/2, -Z+1/2"},
      {"P n a 21", 'P', false, 3, "SYMM -X, -Y, Z+1/2"},
      {"C 1 2/c 1", 'C', true, 1, "SYMM -X, Y, -Z+1/2"},
      {"I -4 3 d", 'I', false, 23, "SYMM Y+1/4, -X+3/4, -Z+1/4"},
      {"F m -3 m", 'F', true, 23, "SYMM -Y, X, Z"},
      {"R -3 c:H", 'R', true, 5, "SYMM -Y, X-Y, Z"},
      {"R -3 c:R", 'P', true, 5, "SYMM Z, X, Y"},
      // Inversion centre away from the origin: every operator is listed.
      {"P n n n:1", 'P', false, 7, "SYMM -X, -Y, Z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(c.group);
    ASSERT_NE(sg, nullptr);
    const ShelxSymmetry s = shelx_symmetry(sg->operations());
    EXPECT_EQ(s.lattice, c.lattice);
    EXPECT_EQ(s.centrosymmetric, c.centro);
    ASSERT_EQ(s.cards.size(), c.cards);
    EXPECT_EQ(s.cards.empty() ? "" : s.cards[0], c.first_card);
    test::MemoryRun m;
    Log& out = m.rs->log_sink();
    Symmetry sy;
    sy.ops.assign(1, SymOp{});
    for (const std::string& card : s.cards) {
      ASSERT_EQ(add_symmetry_card(sy, card), 0) << card;
    }
    if (s.lattice != 'P') add_lattice_centring(sy, out, s.lattice);
    if (s.centrosymmetric) add_inversion_centre(sy, out.log());
    EXPECT_EQ(sy.count(), sg->operations().order());
  }
}

struct Cif : ::testing::Test {
  test::MemoryRun m;
  Model model;
  test::ScratchDir dir;
  void read_shared(const std::string& name, const std::string& block = "") {
    model = read_cif(test::test_data("cif/" + name), block, ShelxLabels::as_named, m.rs->log_sink());
  }
  // The text of the error that reading `text` as a CIF stops with.
  std::string error_of(const std::string& text, const std::string& block = "") {
    dir.write("t.cif", text);
    return test::error_report([&] { read_cif(dir.file("t.cif"), block, ShelxLabels::as_named, m.rs->log_sink()); });
  }
};

TEST_F(Cif, SharedFiles) {
  struct Case {
    const char* file;
    int natom, nsym, ntypes;
    char lattice;
    const char* first_label;
    int first_iz, first_tp, first_tbl;
    double first_occ, first_u11;
  } const cases[] = {
      // XD's CIF: labels already O(1), no type symbols, symop loop.
      {"paracetamol_P21n_COD7105573.cif", 20, 4, 4, 'P', "O(1)", 8, 2, 1, 1.0, 0.010992},
      {"5-nitrothiophene-2-carbaldehyde_Pna21_COD2205750.cif", 13, 4, 5, 'P', "C(1)", 6, 2, 1, 1.0, 0.0230},
      // Mg on -3m and I on 3m: occupancies 1/12 and 1/6, as SHELX gives them.
      {"MgI2_P-3m1_COD2013551.cif", 2, 12, 2, 'P', "MG()", 12, 2, 2, 1.0 / 12, 0.0091},
      // Hall symbol only; B values in the U column; D atoms are hydrogen.
      {"Sr_oxalate_P21n_Hall_only_COD1000002.cif", 14, 4, 4, 'P', "SR()", 38, 1, 1, 1.0,
       0.61 / (8 * 3.14159265 * 3.14159265)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    read_shared(c.file);
    ASSERT_EQ(model.natom, c.natom);
    EXPECT_EQ(model.symm.count(), c.nsym);
    EXPECT_EQ(model.scattering_types.size(), static_cast<std::size_t>(c.ntypes));
    EXPECT_EQ(model.shelx_head.lattice, c.lattice);
    const Atom& a = model.atoms[0];
    EXPECT_EQ(a.label, c.first_label);
    EXPECT_EQ(a.atomic_number, c.first_iz);
    EXPECT_EQ(a.adp_type, c.first_tp);
    EXPECT_EQ(a.scattering_type, c.first_tbl);
    EXPECT_NEAR(a.occ, c.first_occ, 1e-6);
    EXPECT_NEAR(a.u[0], c.first_u11, 1e-6);
  }
  // The last file: D(W1) is hydrogen of the H type; the missing wavelength
  // and the B values are warned about.
  EXPECT_EQ(model.atoms[11].label, "D(W1)");
  EXPECT_EQ(model.atoms[11].atomic_number, 1);
  EXPECT_EQ(model.atoms[11].scattering_type, 4);
  EXPECT_FLOAT_EQ(model.wavelength, 0.71073);
  EXPECT_NE(m.term.str().find("gives no _diffrn_radiation_wavelength"), std::string::npos);
  EXPECT_NE(m.term.str().find("the U_iso_or_equiv values of 14 atoms are marked as B"), std::string::npos);
}

TEST_F(Cif, BlockByNameOrTheFirstWithAtoms) {
  const std::string atoms =
      "_cell_length_a 5 _cell_length_b 6 _cell_length_c 7\n"
      "_cell_angle_alpha 90 _cell_angle_beta 90 _cell_angle_gamma 90\n"
      "_symmetry_space_group_name_H-M 'P 1'\n"
      "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z\n";
  dir.write("two.cif", "data_global\n_journal_year 2010\ndata_first\n" + atoms + "C1 .1 .2 .3\n" +
                           "data_second\n" + atoms + "N1 .1 .2 .3\nO12 .4 .5 .6\n");
  model = read_cif(dir.file("two.cif"), "", ShelxLabels::as_named, m.rs->log_sink());
  EXPECT_EQ(model.atoms[0].label, "C(1)");
  model = read_cif(dir.file("two.cif"), "SECOND", ShelxLabels::numbered_by_type, m.rs->log_sink());
  ASSERT_EQ(model.natom, 2);
  EXPECT_EQ(model.atoms[1].label, "O(1)");
  EXPECT_NE(test::error_report([&] { read_cif(dir.file("two.cif"), "third", ShelxLabels::as_named, m.rs->log_sink()); })
                .find("has no data block data_third; its blocks: data_global, data_first, data_second"),
            std::string::npos);
}

// R-3c named by its symbol, on hexagonal axes: the rhombohedral centring.
TEST_F(Cif, RhombohedralSpaceGroupBySymbol) {
  dir.write("r.cif",
            "data_r\n_cell_length_a 16.193 _cell_length_b 16.193 _cell_length_c 11.2421\n"
            "_cell_angle_alpha 90 _cell_angle_beta 90 _cell_angle_gamma 120\n"
            "_symmetry_space_group_name_H-M 'R -3 c'\n"
            "loop_ _atom_site_label _atom_site_type_symbol _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z\n"
            "Fe1 Fe 0 0 0.5\n");
  model = read_cif(dir.file("r.cif"), "", ShelxLabels::as_named, m.rs->log_sink());
  EXPECT_EQ(model.shelx_head.lattice, 'R');
  EXPECT_TRUE(model.shelx_head.centrosymmetric);
  EXPECT_EQ(model.symm.count(), 36);
  EXPECT_NEAR(model.atoms[0].occ, 1.0 / 6, 1e-6);   // on -3
  EXPECT_EQ(model.atoms[0].occupancy_kind, OccupancyKind::special_position);
}

TEST_F(Cif, MalformedFilesStopWithFileLineAndCause) {
  const std::string cell =
      "_cell_length_a 5 _cell_length_b 6 _cell_length_c 7\n"
      "_cell_angle_alpha 90 _cell_angle_beta 90 _cell_angle_gamma 90\n";
  const std::string atoms = "loop_ _atom_site_label _atom_site_fract_x _atom_site_fract_y _atom_site_fract_z\n";
  const std::string p1 = "_symmetry_space_group_name_H-M 'P 1'\n";
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {"data_x\n" + cell + "_journal_name 'not closed\n", ", line 4: "},
      {"data_x\n" + atoms + "C1 .1 .2\n", "Malformed CIF file "},
      {"_cell_length_a 5\n", "Malformed CIF file "},
      {"data_x\n" + p1 + atoms + "C1 .1 .2 .3\n", "_cell_length_a is missing"},
      {"data_x\n_cell_length_a abc\n" + cell.substr(17) + p1 + atoms + "C1 .1 .2 .3\n",
       ", line 2: _cell_length_a abc is not a number"},
      {"data_x\n" + cell + atoms + "C1 .1 .2 .3\n", "no symmetry"},
      {"data_x\n" + cell + "loop_ _symmetry_equiv_pos_as_xyz 'x,y,z' 'x,y,q'\n" + atoms + "C1 .1 .2 .3\n",
       ", line 4: the operator 'x,y,q'"},
      {"data_x\n" + cell + "_symmetry_space_group_name_H-M 'P 7'\n" + atoms + "C1 .1 .2 .3\n",
       "the space group 'P 7' is not known"},
      {"data_x\n" + cell + p1 + atoms + "C1 .1 ? .3\n", ", line 5: atom C1 has no fractional coordinates"},
      {"data_x\n" + cell + p1 + atoms + "Xx1 .1 .2 .3\n", "atom Xx1 has no known element"},
      {"data_x\n" + cell + p1, "No data block of CIF file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string report = error_of(c.text);
    EXPECT_NE(report.find(" ERROR *** ReadCif *** "), std::string::npos) << report;
    EXPECT_NE(report.find(c.message), std::string::npos) << report;
    EXPECT_NE(report.find("t.cif"), std::string::npos) << report;
  }
}

}  // namespace
}  // namespace vorn
