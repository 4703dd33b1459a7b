#include "structure/readers/shelx_reader.hpp"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "structure/cell.hpp"
#include "structure/readers/readers.hpp"
#include "structure/unique_labels.hpp"
#include "support/test_support.hpp"
#include "writers/mopro.hpp"
#include "writers/xd_master.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;


bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Shelx : ::testing::Test {
  test::MemoryRun m;
  Model model;
  ShelxLabels naming = ShelxLabels::as_named;
  test::ScratchDir dir;
  void read_shared(const std::string& name) {
    model = read_shelx(test::test_data("shelx/" + name), naming, m.rs->log_sink());
  }
  void read_text(const std::string& text) {
    dir.write("t.res", text);
    model = read_shelx(dir.file("t.res"), naming, m.rs->log_sink());
  }
  const Atom& at(int i) { return model.atoms[i]; }
  // The heads that the writers make from what the reader kept.
  std::vector<std::string> mas() {
    std::ostringstream os;
    write_master_head(model, os);
    return lines_of(os.str());
  }
  std::vector<std::string> mopro() {
    std::ostringstream os;
    write_mopro_crystal_head(model.shelx_head, os);
    return lines_of(os.str());
  }
};

// ---- Real files -----------------------------------------------------------

TEST_F(Shelx, TryptophanCentrosymmetricWithRidingHydrogens) {
  read_shared("DL-tryptophan_P21c.res");
  ASSERT_EQ(model.natom, 27);
  EXPECT_EQ(model.symm.count(), 4);
  EXPECT_EQ(model.scattering_types.size(), 4u);
  // N1 3 0.318977 0.228436 0.344387 11.0 U11 U22 = / U33 U23 U13 U12
  const Atom& n1 = at(0);
  EXPECT_EQ(n1.label, "N(1)");
  EXPECT_EQ(n1.atomic_number, 7);
  EXPECT_EQ(n1.adp_type, 2);
  EXPECT_EQ(n1.scattering_type, 3);
  EXPECT_EQ(n1.max_multipole_level, 4);
  EXPECT_FLOAT_EQ(n1.fractional[0], 0.318977);
  EXPECT_FLOAT_EQ(n1.fractional[2], 0.344387);
  EXPECT_FLOAT_EQ(n1.occ, 1.0);
  EXPECT_FLOAT_EQ(n1.u[0], 0.03161);
  EXPECT_FLOAT_EQ(n1.u[2], 0.03425);
  EXPECT_FLOAT_EQ(n1.u[3], 0.00698);   // U12
  EXPECT_FLOAT_EQ(n1.u[4], 0.00862);   // U13
  EXPECT_FLOAT_EQ(n1.u[5], -0.00610);  // U23
  // H1N has its own U; H2 rides on C2; H10B rides on C10, not on H10A.
  EXPECT_EQ(at(1).label, "H(1N)");
  EXPECT_EQ(at(1).max_multipole_level, 2);
  EXPECT_FLOAT_EQ(at(1).u[0], 0.05577);
  EXPECT_EQ(at(3).label, "H(2)");
  EXPECT_NEAR(at(3).u[0], 1.2 * equivalent_u(at(2), model.cell), 1e-6);
  EXPECT_EQ(at(17).label, "H(10B)");
  EXPECT_NEAR(at(17).u[0], 1.2 * equivalent_u(at(15), model.cell), 1e-6);
  // Ueq of C2 by hand: (U11/sin2b + U22 + U33/sin2b + 2 U13 cos b/sin2b) / 3.
  EXPECT_NEAR(equivalent_u(at(2), model.cell), 0.0283745, 2e-6);
  EXPECT_NEAR(at(3).u[0], 1.2 * 0.0283745, 3e-6);
  // Cartesian coordinates from the monoclinic cell.
  const Vec3 c = to_cartesian(model.transf, n1.fractional);
  EXPECT_FLOAT_EQ(n1.cartesian[0], c[0]);
  EXPECT_NEAR(n1.cartesian[1], 0.228436 * 5.7445, 1e-4);
  for (int i = 0; i < 27; ++i) EXPECT_EQ(at(i).occupancy_kind, OccupancyKind::normal);
  EXPECT_EQ(at(26).label, "H(15C)");

  const std::string out = m.term.str();
  EXPECT_TRUE(contains(out, "\n    NO.  ATOM     IZ IU SF    XF       YF       ZF    OCCUP  U's -->\n"
                            "     1   N(1)      7  2  3  0.31898  0.22844  0.34439 1.000  0.032  0.029  0.034"
                            "  0.007  0.009 -0.006\n"
                            "     2   H(1N)     1  1  2  0.34018  0.10623  0.31479 1.000  0.056\n"));
  EXPECT_TRUE(contains(out, "\n Total atoms read from SHELX file =    27\n"));
  const std::string log = m.log();
  EXPECT_TRUE(contains(log, "\n Reading SHELX file : "));
  EXPECT_TRUE(contains(log, "\n Cell parameters:     18.899     5.745     9.309    90.000   101.776    90.000\n"
                            "\n Lattice type : P\n Lattice is CentroSymmetric\n\n Symmetry operations : \n"
                            "   SYMM  1      + X, + Y, + Z\n   SYMM  2      - X, 1/2 + Y, 1/2 - Z\n"));
  EXPECT_TRUE(
      contains(log, " Final set of symmetry operations in matrix form:\n\n Number of symmetry operations =  4\n"));
  EXPECT_TRUE(contains(log, "\n Number of atom types =    4\n   atom type = C     atomic number =   6\n"));
  EXPECT_TRUE(contains(log, "         ATOM      ------- FRACTIONAL -------    ------- CARTESIAN -------  FLAG\n"
                            "      1  N(1)       0.31898  0.22844  0.34439     5.3741   1.3123   3.1385     0\n"));
  EXPECT_TRUE(contains(log, "\n FLAG =  0 : normal atoms (    27 )\n"
                            "      =  1 : atoms in special positions (     0 ) \n"
                            "      = -1 : disordered atoms (     0 ) \n"));
  // No residues: every atom is in residue 0.
  EXPECT_FALSE(model.has_residues);
}

TEST_F(Shelx, NaphthaleneHeadsColumnByColumn) {
  read_shared("naphthalene_P21a_half_molecule.res");
  ASSERT_EQ(model.natom, 9);
  const auto x = mas();
  ASSERT_GE(x.size(), 22u);
  EXPECT_EQ(x[0], std::string(79, '!'));
  EXPECT_EQ(x[1], "!                   CREATED BY PROGRAM << VORN >>");
  EXPECT_EQ(x[2], std::string(79, '!'));
  EXPECT_EQ(x[3], "TITLE NAPHTA26");
  //               CELL |   8.1125 (f12.4) ...
  EXPECT_EQ(x[4], "CELL       8.1125      5.9398      8.6490     90.0000    124.4720     90.0000");
  EXPECT_EQ(x[4].size(), 5u + 6 * 12);
  EXPECT_EQ(x[5], "WAVE     0.710730");
  EXPECT_EQ(x[6], "LATT C P");
  EXPECT_EQ(x[7], "SYMM 1/2-X,1/2+Y,-Z");
  EXPECT_EQ(x[8], std::string(79, '!'));
  EXPECT_EQ(x[9], "!");
  EXPECT_EQ(x[10], "    MODULE *XDLSM");
  EXPECT_EQ(x[11], "!");
  EXPECT_EQ(x[12], "SELECT  *model 4 0 0 0 based_on F test verbose 3");
  EXPECT_EQ(x[13], "SELECT  cycle 15 dampk 0.6 cmin 0.6 cmax 1. eigcut 1.d-09");
  EXPECT_EQ(x[14], "SAVE  deriv lsqmat cormat");
  EXPECT_EQ(x[15], "SOLVE  *inv diag *cond");
  EXPECT_EQ(x[16], "!" + std::string(78, '-'));
  EXPECT_EQ(x[17].substr(0, 24), "SCAT CORE SPHV DEFV   1S");
  // DELF' and DELF'' of carbon for the wavelength of the CELL line.
  EXPECT_EQ(x[18], "C    CHFW CHFW CSZD    2  -2   0   0  -2   0   0   0   0   0   0   0   0   0   0   0   0   0"
                   "  0.0031  0.0016  0.000");
  EXPECT_EQ(x[19], "H    CHFW CHFW CSZD   -1   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0   0"
                   "  0.0000  0.0000  0.000");
  EXPECT_EQ(x[20], "END SCAT");
  EXPECT_EQ(x[21], "!" + std::string(78, '-'));
  EXPECT_EQ(x.size(), 22u);

  const auto p = mopro();
  const std::vector<std::string> expected = {
      "CELL    8.1125    5.9398    8.6490  90.0000 124.4720  90.0000  0.71073",
      "",
      "SYMM   2 P CENTRO",
      "  X, Y, Z",
      " 1/2-X,1/2+Y,-Z",
      "",
      "SCALE  1  1.0",
      "",
      "FMULT  1.0",
      "",
      "UOVER  0.0",
      "",
      "SOLVT  0.0  50.0",
      "",
      "EXTIN  0.0  GAUSSIAN  ISOT  TYP1",
      ""};
  EXPECT_EQ(p, expected);
  // Column checks of the MoPro CELL line: a4, 3f10.4, 3f9.4, 1x, f8.5.
  EXPECT_EQ(p[0].substr(4, 10), "    8.1125");
  EXPECT_EQ(p[0].substr(34, 9), "  90.0000");
  EXPECT_EQ(p[0].substr(43, 9), " 124.4720");
  EXPECT_EQ(p[0].substr(61), "  0.71073");
  // Isotropic atoms with the occupancy written as 1.0.
  EXPECT_EQ(at(4).label, "C(5)");
  EXPECT_EQ(at(4).adp_type, 1);
  EXPECT_FLOAT_EQ(at(4).fractional[0], -0.01347);
  EXPECT_FLOAT_EQ(at(8).u[0], 0.06);
  EXPECT_EQ(model.symm.count(), 4);
}

TEST_F(Shelx, CCentredWithResiduesAndRepeatedNames) {
  read_shared("C2c_AlGa_fluoroalkoxy_MOESM1367.res");
  ASSERT_EQ(model.natom, 168);
  // Two cards (identity and -x, y, 1/2-z), C centring, inversion: 8.
  EXPECT_EQ(model.symm.count(), 8);
  EXPECT_EQ(model.scattering_types.size(), 7u);
  EXPECT_EQ(at(0).label, "GA(1)");
  EXPECT_EQ(at(0).atomic_number, 31);
  EXPECT_FLOAT_EQ(at(0).occ, 0.5);
  EXPECT_EQ(at(0).occupancy_kind, OccupancyKind::special_position);  // on the twofold axis
  EXPECT_EQ(at(1).label, "AL(1)");
  EXPECT_EQ(at(1).occupancy_kind, OccupancyKind::normal);
  // Residues: GA1 before any RESI, N1 in residue 1 BIPY.
  const auto& r = model.atoms;
  EXPECT_TRUE(model.has_residues);
  EXPECT_EQ(r[0].residue_text.view(), "GA1      0       ");
  EXPECT_EQ(r[2].residue_text.view(), "N1       1  BIPY ");
  EXPECT_EQ(r[2].residue_name.view(), "N1       1");
  EXPECT_EQ(at(2).label, "N(1)");
  // The same SHELX name in several residues: the later atoms get the
  // element's next free number, and one warning lists them.
  EXPECT_EQ(at(22).label, "N(1)");
  make_labels_unique(model, m.rs->log_sink());
  EXPECT_EQ(at(2).label, "N(1)");
  EXPECT_EQ(at(22).label, "N(3)");   // N(2) is atom 4's
  std::set<std::string> labels;
  for (int i = 0; i < model.natom; ++i) labels.insert(std::string(at(i).label.trimmed()));
  EXPECT_EQ(labels.size(), 168u);
  EXPECT_TRUE(contains(m.term.str(), "N(1) -> N(3) (atom 23)"));
  EXPECT_EQ(mas()[6], "LATT C C");
  EXPECT_EQ(mopro()[2], "SYMM   2 C CENTRO");
  // The residue text of atom 23 follows its own residue line.
  EXPECT_EQ(r[22].residue_text.view().substr(0, 12), "N1       2  ");
}

TEST_F(Shelx, AcentricFreeHydrogens) {
  read_shared("ZP2_Pna21_freeH.ins");
  ASSERT_EQ(model.natom, 50);
  EXPECT_EQ(model.symm.count(), 4);
  EXPECT_EQ(mas()[6], "LATT A P");
  EXPECT_EQ(mas()[7], "SYMM -X,-Y,0.5+Z");
  EXPECT_EQ(mopro()[2], "SYMM   4 P");
  EXPECT_TRUE(contains(m.log(), " Lattice is Acentric\n"));
  EXPECT_EQ(at(0).label, "F(11)");
  EXPECT_EQ(at(49).atomic_number, 1);
  EXPECT_EQ(model.shelx_refinement.wght[0], 0.05);
  EXPECT_FLOAT_EQ(model.shelx_refinement.wght[5], 1.0 / 3.0);
}

TEST_F(Shelx, FreeVariablesAndDisorderFlags) {
  read_shared("thpp_P21n_disorder_cctbx.ins");
  ASSERT_EQ(model.natom, 18);
  EXPECT_EQ(model.shelx_refinement.fvar.size(), 3u);
  EXPECT_FLOAT_EQ(model.shelx_refinement.fvar[1], 0.87977);
  // N3 31.0 = free variable 3 (0.5); C7a 21.0 = fv 2; C7b -21.0 = 1 - fv 2;
  // C3 -31.0 = 1 - fv 3.
  EXPECT_EQ(at(3).label, "N(3)");
  EXPECT_FLOAT_EQ(at(3).occ, 0.5);
  EXPECT_EQ(at(14).label, "C(7A)");
  EXPECT_NEAR(at(14).occ, 0.87977, 1e-6);
  EXPECT_EQ(at(16).label, "C(7B)");
  EXPECT_NEAR(at(16).occ, 0.12023, 1e-6);
  EXPECT_FLOAT_EQ(at(17).occ, 0.5);
  int disordered = 0;
  for (int i = 0; i < 18; ++i) disordered += at(i).occupancy_kind == OccupancyKind::disordered;
  EXPECT_EQ(disordered, 4);
  EXPECT_EQ(at(3).occupancy_kind, OccupancyKind::disordered);
  EXPECT_EQ(at(0).occupancy_kind, OccupancyKind::normal);
  EXPECT_TRUE(contains(m.log(), "      = -1 : disordered atoms (     4 ) \n"));
  EXPECT_FLOAT_EQ(model.shelx_refinement.wght[0], 0.1);
  EXPECT_FLOAT_EQ(model.shelx_refinement.wght[1], 0.0);
}

TEST_F(Shelx, SpecialPositionsInUrea) {
  read_shared("urea_P-421m_special_positions.res");
  ASSERT_EQ(model.natom, 5);
  EXPECT_EQ(model.symm.count(), 8);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(at(i).occupancy_kind, OccupancyKind::special_position) << i;
  EXPECT_FLOAT_EQ(at(0).occ, 0.25);
  EXPECT_FLOAT_EQ(at(1).occ, 0.5);
  EXPECT_EQ(at(2).label, "H(1)");
  EXPECT_TRUE(contains(m.log(), "      =  1 : atoms in special positions (     5 ) \n"));
}

TEST_F(Shelx, FaceCentredCubicExpandsTo192) {
  read_shared("CaF2_Fm-3m_face_centred.res");
  ASSERT_EQ(model.natom, 2);
  EXPECT_EQ(model.symm.count(), 192);
  EXPECT_EQ(at(0).label, "CA(01)");
  EXPECT_EQ(at(0).atomic_number, 20);
  EXPECT_EQ(at(1).label, "F(002)");
  EXPECT_EQ(at(0).occupancy_kind, OccupancyKind::special_position);
  EXPECT_EQ(at(1).occupancy_kind, OccupancyKind::special_position);
  EXPECT_EQ(mas()[6], "LATT C F");
  const auto x = mas();
  ASSERT_EQ(x.size(), 4u + 3 + 23 + 9 + 1 + 2 + 2);
  EXPECT_EQ(x[40].substr(0, 24), "Ca   CHFW CHFW CSZD    2");
  EXPECT_EQ(x[41].substr(0, 24), "F    CHFW CHFW CSZD    2");
  // WGHT after END (SHELXL's suggestion) is the one kept.
  EXPECT_FLOAT_EQ(model.shelx_refinement.wght[0], 0.0109);
}

TEST_F(Shelx, ResiduesAndPartsOfTheKratzertFile) {
  read_shared("p21c_AlGa_perfluoroalkoxy_RESI_PART.res");
  ASSERT_EQ(model.natom, 128);
  EXPECT_TRUE(model.has_residues);
  int disordered = 0;
  for (int i = 0; i < 128; ++i) disordered += at(i).occupancy_kind == OccupancyKind::disordered;
  EXPECT_GT(disordered, 0);
}

TEST_F(Shelx, RhombohedralLatticeOnHexagonalAxes) {
  read_shared("FeCl_perchlorate_hydrate_R-3c_rhombohedral.res");
  ASSERT_EQ(model.natom, 12);
  // R-3c: 6 operators, times 3 lattice points, times the inversion.
  EXPECT_EQ(model.symm.count(), 36);
  EXPECT_EQ(at(0).label, "FE(1)");
  EXPECT_EQ(at(0).occupancy_kind, OccupancyKind::special_position);   // on -3, occupancy 1/6
  EXPECT_EQ(mas()[6], "LATT C R");
  EXPECT_EQ(mopro()[2], "SYMM   6 R CENTRO");
}

// Include lines are resolved in the folder of the .res file; one that
// names its own file stops at the nesting limit instead of looping.
TEST_F(Shelx, IncludeLines) {
  dir.write("cell.inc", "CELL 0.71073 10 10 10 90 90 90\n+atoms.inc\n");
  dir.write("atoms.inc", "C1 1 0.1 0.2 0.3 11.0 0.02\n");
  read_text("TITL t\n+cell.inc\nSFAC C\n+none.inc\nHKLF 4\n+after.inc\nEND\n");
  ASSERT_EQ(model.natom, 1);
  EXPECT_FLOAT_EQ(model.cell.a, 10.0);
  EXPECT_TRUE(contains(m.term.str(), " WARNING: include file none.inc named on line 4 of " + dir.file("t.res")));
  EXPECT_FALSE(contains(m.term.str(), "after.inc"));   // after HKLF nothing is read
  dir.write("self.inc", "+self.inc\n");
  EXPECT_THROW(m.as_driver([&] { read_text("+self.inc\n"); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), "Include file self.inc (line 1 of self.inc) is nested deeper than 5 levels"));
}

TEST_F(Shelx, DifferencePeakAmongAtomsStops) {
  EXPECT_THROW(m.as_driver([&] { read_shared("2240189_EXPORTED_Qpeaks_before_HKLF.res"); }), RunError);
  const std::string out = m.term.str();
  EXPECT_TRUE(contains(out, " ERROR *** ReadShelx *** Error reading atom: Q1() <<Q1    1   0.259967"));
  EXPECT_TRUE(contains(out, "0.64>> (line 77 of "));
  // The twelve atoms before the peak were read, with their "!" comments
  // dropped; the peak (atom 13) is not listed.
  EXPECT_TRUE(contains(out, "\n    12   H(4)      1  1  4  0.37505  0.46837  0.38818 1.000  0.054\n"));
  EXPECT_FALSE(contains(out, "\n    13   "));
}

// ---- Synthetic files --------------------------------------------------------

const char* kSmall =
    "TITL small in P-1\n"
    "    small.res\n"
    "    created by SHELXL-2018/3 at 10:00:00 on 01-Jan-2020\n"
    "CELL 0.71073 5.0 6.0 7.0 90 90 90\n"
    "ZERR 2 0.001 0.001 0.001 0 0 0\n"
    "SFAC C H =\n"
    " ! the second SFAC line\n"
    "SFAC Cl\n"
    "UNIT 2 2 1\n"
    "RIGU C1 =\n"
    "  CL1\n"
    "SADI 0.02 C1 CL1 =\n"
    " C1 H1\n"
    "FVAR 1.0\n"
    "FVAR 0.3 =\n"
    "   0.7\n"
    "Cl1   3   10.5  0.2  0.3  11.0  0.02 0.03 =\n"
    "   0.04 0.001 0.002 0.003\n"
    "c1    1   0.1  0.2  0.4  21.0  0.02 0.03 0.04 0.0 0.0 0.0\n"
    "H1    2   0.1  0.3  0.4  11.0  -1.2!riding on C1\n"
    "HKLF 4\n"
    "O1 0 0 0 0 0 lone pair\n";

TEST_F(Shelx, SyntheticFileWithEveryLineKind) {
  read_text(kSmall);
  ASSERT_EQ(model.natom, 3);
  // No LATT: SHELX's default LATT 1, written before the first SYMM (none).
  EXPECT_EQ(model.symm.count(), 2);
  EXPECT_EQ(mas()[6], "LATT C P");
  EXPECT_EQ(mopro()[2], "SYMM   1 P CENTRO");
  EXPECT_EQ(model.scattering_types.size(), 3u);
  EXPECT_EQ(model.scattering_types[2], 17);
  // Two FVAR lines append, the second continued: 1.0, 0.3, 0.7.
  EXPECT_EQ(model.shelx_refinement.fvar.size(), 3u);
  EXPECT_FLOAT_EQ(model.shelx_refinement.fvar[2], 0.7);
  const Atom& cl = at(0);
  EXPECT_EQ(cl.label, "CL(1)");
  EXPECT_EQ(cl.atomic_number, 17);
  EXPECT_EQ(cl.scattering_type, 3);
  EXPECT_FLOAT_EQ(cl.fractional[0], 0.5);  // 10.5: the fixed value 0.5
  EXPECT_EQ(cl.adp_type, 2);
  EXPECT_FLOAT_EQ(cl.u[1], 0.03);
  EXPECT_FLOAT_EQ(cl.u[5], 0.001);  // U23 from the continuation line
  EXPECT_FLOAT_EQ(cl.u[3], 0.003);  // U12
  EXPECT_EQ(at(1).label, "C(1)");    // lower-case name upper-cased
  EXPECT_FLOAT_EQ(at(1).occ, 0.3);  // 21.0: free variable 2
  EXPECT_EQ(at(2).label, "H(1)");
  EXPECT_EQ(at(2).adp_type, 1);
  EXPECT_NEAR(at(2).u[0], 1.2 * 0.03, 1e-7);
  EXPECT_EQ(at(1).occupancy_kind, OccupancyKind::disordered);
  EXPECT_EQ(at(0).occupancy_kind, OccupancyKind::normal);
}

TEST_F(Shelx, LattPlacedBeforeTheFirstSymmWhenMissing) {
  // Tabs separate words as blanks do.
  read_text("CELL 1.5418 5 6 7 90 95 90\nSYMM -X, 1/2+Y, -Z\nSFAC C\nREM\tx\nC1\t1\t0.1 0.2\t0.3 11 0.02\nEND\n");
  ASSERT_EQ(model.natom, 1);
  EXPECT_EQ(at(0).label, "C(1)");
  EXPECT_FLOAT_EQ(at(0).fractional[1], 0.2);
  const auto x = mas();
  EXPECT_EQ(x[4].substr(0, 5), "CELL ");
  EXPECT_EQ(x[5], "WAVE     1.541800");
  EXPECT_EQ(x[6], "LATT C P");
  EXPECT_EQ(x[7], "SYMM -X, 1/2+Y, -Z");
  EXPECT_EQ(model.symm.count(), 4);
}

TEST_F(Shelx, HeadKeepsTheOrderOfTheFileAndTheWholeSymmetryCard) {
  read_text("SYMM             - X ,    0.50000 + Y ,    0.50000 - Z\nLATT -1\nCELL 0.7 5 6 7 90 100 90\n"
            "SFAC C\nC1 1 0.1 0.2 0.3 11 0.02\nEND\n");
  const auto x = mas();
  EXPECT_EQ(x[4], "SYMM             - X ,    0.50000 + Y ,    0.50000 - Z");
  EXPECT_EQ(x[5], "LATT A P");
  EXPECT_EQ(x[6].substr(0, 5), "CELL ");
  EXPECT_EQ(x[7].substr(0, 5), "WAVE ");
  const auto p = mopro();
  EXPECT_EQ(p[2], "SYMM   2 P");
  EXPECT_EQ(p[4], "             - X ,    0.50000 + Y ,    0.50000 - Z");
  EXPECT_FLOAT_EQ(model.symm.ops[1].trans[1], 0.5);
}

TEST_F(Shelx, RenameBySerialAndByAtomNumber) {
  const std::string file = "CELL 0.7 5 6 7 90 90 90\nLATT -1\nSFAC C CL\n"
                           "C1 1 0.1 0.2 0.3 11 0.02\nCL7 2 0.2 0.2 0.3 11 0.02\nC9 1 0.3 0.2 0.3 11 0.02\nEND\n";
  naming = ShelxLabels::numbered_by_type;
  read_text(file);
  EXPECT_EQ(at(0).label, "C(1)");
  EXPECT_EQ(at(1).label, "Cl(1)");
  EXPECT_EQ(at(2).label, "C(2)");

  test::MemoryRun m2;
  const Model numbered = read_shelx(dir.file("t.res"), ShelxLabels::numbered_in_file, m2.rs->log_sink());
  EXPECT_EQ(numbered.atoms[1].label, "Cl(2)");
  EXPECT_EQ(numbered.atoms[2].label, "C(3)");
}

TEST_F(Shelx, LongNameStops) {
  EXPECT_THROW(m.as_driver([&] { read_text("CELL 0.7 5 6 7 90 90 90\nSFAC CL\nCL1234567 1 0.1 0.2 0.3 11 0.02\nEND\n"); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), "CL1234567"));
  EXPECT_TRUE(contains(m.term.str(), "longer than 8 characters"));
}

TEST_F(Shelx, RidingUWithoutParentStops) {
  EXPECT_THROW(m.as_driver([&] { read_text("CELL 0.7 5 6 7 90 90 90\nSFAC H\nH1 1 0.1 0.2 0.3 11 -1.5\nEND\n"); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), " ERROR *** ProcessU *** Could not find parent atom of the riding atom H(1)"));
  EXPECT_TRUE(contains(m.term.str(), "before it) (line 3 of "));
}

TEST_F(Shelx, UndefinedFreeVariableAndMissingCellStop) {
  EXPECT_THROW(m.as_driver([&] { read_text("CELL 0.7 5 6 7 90 90 90\nSFAC C\nFVAR 1.0\nC1 1 0.1 0.2 0.3 21 0.02\nEND\n"); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), " ERROR *** ReadShelx *** Free variable 2 is used but FVAR gives only 1"));
  test::MemoryRun m2;
  dir.write("nocell.res", "SFAC C\nC1 1 0.1 0.2 0.3 11 0.02\nEND\n");
  EXPECT_THROW(m2.as_driver([&] { read_shelx(dir.file("nocell.res"), ShelxLabels::as_named, m2.rs->log_sink()); }), RunError);
  EXPECT_TRUE(contains(m2.term.str(), "No CELL instruction"));
  test::MemoryRun m3;
  EXPECT_THROW(m3.as_driver([&] { read_shelx(dir.file("missing.res"), ShelxLabels::as_named, m3.rs->log_sink()); }), RunError);
  EXPECT_TRUE(contains(m3.term.str(), " ERROR *** ReadShelx *** Error opening SHELX file " + dir.file("missing.res")));
}

TEST_F(Shelx, UnknownSfacNumberStops) {
  EXPECT_THROW(m.as_driver([&] { read_text("CELL 0.7 5 6 7 90 90 90\nSFAC C\nC1 2 0.1 0.2 0.3 11 0.02\nEND\n"); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), "scattering type 2"));
}

// ---- Single steps -----------------------------------------------------------

TEST(ResolveFreeVariables, DecodesEveryRange) {
  test::MemoryRun m;
  ShelxRefinement sx;
  sx.fvar = {1.0, 0.25, 0.6};
  std::string text = "      1  10.5 -10.5 0.25 31.0 -21.0 25.0 -20.5 1.0 -0.03";
  ASSERT_TRUE(resolve_free_variables(sx, text, 10));
  EXPECT_EQ(text, layout::format("(5x,i4,100f12.6)", 1, 0.5, -0.5, 0.25, 0.6, 0.75, 1.25, 0.375, 1.0, -0.03));
  std::string bad = "      1  0.1 X";
  EXPECT_FALSE(resolve_free_variables(sx, bad, 3));
  std::string far = "      1  2011.0";
  EXPECT_THROW(m.as_driver([&] { resolve_free_variables(sx, far, 2); }), RunError);
  EXPECT_TRUE(contains(m.term.str(), "Free variable 201 is used but FVAR gives only 3"));
}

TEST(ShelxLabel, LabelsFromNames) {
  Label l;
  std::string t = "CL12A  3  0.1";
  shelx_label(ShelxLabels::as_named, t, l, 17, 4, 2);
  EXPECT_EQ(l, "CL(12A)");
  EXPECT_EQ(t, "       3  0.1");
  t = "H12A 2 0.5";
  shelx_label(ShelxLabels::as_named, t, l, 1, 5, 3);
  EXPECT_EQ(l, "H(12A)");
  t = "H12A 2 0.5";
  shelx_label(ShelxLabels::numbered_in_file, t, l, 1, 5, 3);
  EXPECT_EQ(l, "H(6)");
  shelx_label(ShelxLabels::numbered_by_type, t = "N5 3 0.5 ", l, 7, 5, 3);
  EXPECT_EQ(l, "N(3)");
}

TEST(RdShLine, SkipsInstructionsAndJoinsContinuations) {
  RecordFile f;
  f.open_text("REM x =\nC0 1 0.5\nTITL y =\nAFIX 43 =\n  1 2 =\n  3\n! comment\n\n   blank-start comment\nC1 1 0.1 =\n"
              "RESI 3 tol\nPART -2 21.5\nN1 2 0.5\nhklf 4\nO1 1 0 0 0\n");
  std::string line;
  bool end = false, cont = false;
  ShelxResidue r;
  int part = 0;
  // A "=" at the end of a REM line continues nothing.
  read_shelx_atom_line(f, line, end, cont, r, part);
  EXPECT_EQ(std::string(line.substr(0, 9)), "C0 1 0.5 ");
  EXPECT_FALSE(cont);
  read_shelx_atom_line(f, line, end, cont, r, part);
  EXPECT_FALSE(end);
  EXPECT_EQ(part, 0);
  EXPECT_TRUE(cont);
  EXPECT_EQ(std::string(line.substr(0, 12)), "C1 1 0.1    ");
  read_shelx_atom_line(f, line, end, cont, r, part);
  EXPECT_FALSE(cont);
  EXPECT_EQ(std::string(line.substr(0, 8)), "N1 2 0.5");
  EXPECT_EQ(part, -2);
  EXPECT_EQ(r.number, 3);
  EXPECT_EQ(r.rclass, "TOL");
  read_shelx_atom_line(f, line, end, cont, r, part);
  EXPECT_TRUE(end);
  EXPECT_TRUE(is_shelx_instruction("XNPD 0.001"));
  EXPECT_TRUE(is_shelx_instruction("REM"));
  EXPECT_FALSE(is_shelx_instruction("REMO 1"));
  EXPECT_FALSE(is_shelx_instruction("C1A  1"));
}

TEST(WriteAtomListing, ListingAndFlagCounts) {
  Model md;
  md.natom = 2;
  md.hold_entries(2);
  md.atoms[0].label = "C(1)";
  md.atoms[0].fractional[0] = 0.5;
  md.atoms[0].cartesian[0] = 3.25;
  md.atoms[0].occupancy_kind = OccupancyKind::special_position;
  md.atoms[1].label = "H(1)";
  md.atoms[1].occupancy_kind = OccupancyKind::disordered;
  std::ostringstream os;
  write_atom_listing(md, os);
  EXPECT_EQ(os.str(),
            "\n         ATOM      ------- FRACTIONAL -------    ------- CARTESIAN -------  FLAG\n"
            "      1  C(1)       0.50000  0.00000  0.00000     3.2500   0.0000   0.0000     1\n"
            "      2  H(1)       0.00000  0.00000  0.00000     0.0000   0.0000   0.0000    -1\n"
            "\n FLAG =  0 : normal atoms (     0 )\n"
            "      =  1 : atoms in special positions (     1 ) \n"
            "      = -1 : disordered atoms (     1 ) \n");
}

}  // namespace
}  // namespace vorn
