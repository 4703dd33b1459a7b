// Bonds in real crystals: coordination bonds to metals, disorder parts kept
// apart, bond tables that are mutual, and the disorder flag of a partly
// occupied special position.  Distances are recomputed here from the
// coordinates of the file, not taken from the neighbour table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "structure/cell.hpp"
#include "structure/readers/readers.hpp"
#include "structure/symmetry.hpp"
#include "topology/open_molecules.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

void read_and_bond(TestRun& rs, const std::string& file, int ncells) {
  rs.sw.format = InputFormat::shelx;
  rs.model = read_shelx(test_data("shelx/" + file), ShelxLabels::as_named, rs.log_sink());
  rs.sw.compfrag = ncells;
  if (ncells >= 0) {
    gencompletefrags(rs);
  } else {
    rs.model.cryst.ncomplete = rs.model.natom;
  }
  findallneighbors(rs);
}

bool bonded(const TestRun& rs, int a, int b) {
  const std::vector<int>& n = rs.nb.of[a].atom;
  return std::find(n.begin(), n.end(), b) != n.end();
}

// Every structure of tests/data/shelx, plain and completed with NCELLS 1.
const char* const kStructures[] = {
    "8-hydroxyquinolinium_hydrogenmaleate_P212121.res",
    "C2c_AlGa_fluoroalkoxy_MOESM1367.res",     "CaF2_Fm-3m_face_centred.res",
    "DL-tryptophan_P21c.res",                  "FeCl_perchlorate_hydrate_R-3c_rhombohedral.res",
    "I-43d_Ni_complex_body_centred.res",       "L-alanine_P212121_freeH.res",
    "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", "Ru_complex_methanol_P21c_Qpeaks_after_END.ins",
    "ZP2_Pna21_freeH.ins",                     "jkd77_C22H20N2_P21n.res",
    "naphthalene_P21a_half_molecule.res",      "nitrothiophene_carbaldehyde_Pna21.res",
    "p21c_AlGa_perfluoroalkoxy_RESI_PART.res", "paracetamol_P21n.res",
    "sucrose_P21.res",                         "thpp_P21n_disorder_cctbx.ins",
    "urea_P-421m_special_positions.res"};

TEST(CrystalBonds, TablesAreMutualAndKeepDisorderPartsApart) {
  for (const char* file : kStructures) {
    for (const int ncells : {-1, 1}) {
      TestRun rs;
      read_and_bond(rs, file, ncells);
      int part_bonds = 0;
      for (int a = 1; a <= rs.ncomplete(); ++a) {
        for (const int b : rs.nb.of[a].atom) {
          EXPECT_TRUE(bonded(rs, b, a)) << file << " NCELLS " << ncells << ": " << rs.atom(a).label.trimmed()
                                        << " lists " << rs.atom(b).label.trimmed() << ", not the reverse";
          const int pa = rs.atom(a).part, pb = rs.atom(b).part;
          if (pa != 0 && pb != 0 && pa != pb) ++part_bonds;
          // A negative part bonds to no copy of its own part in another image.
          if (pa < 0 && pa == pb) EXPECT_EQ(a > rs.natom(), b > rs.natom()) << file;
        }
      }
      EXPECT_EQ(part_bonds, 0) << file << " NCELLS " << ncells;
    }
  }
}

int find_label(const TestRun& rs, std::string_view label) {
  for (int i = 1; i <= rs.natom(); ++i)
    if (rs.atom(i).label.trimmed() == label) return i;
  return 0;
}

// The metal's neighbours by element against the atoms within a distance
// window measured here: every ligand atom of the window is bonded.
struct MetalCase {
  const char* file;
  const char* metal;
  int element;          // of the ligand atoms counted
  float lo, hi;         // their distance window (A)
  int count;            // ligand atoms of that element in the window
};

TEST(CrystalBonds, MetalsBondToTheirLigands) {
  const MetalCase cases[] = {
      {"Ru_complex_methanol_P21c_Qpeaks_after_END.ins", "RU()", 6, 2.15f, 2.35f, 5},   // the Cp* ring
      {"Ru_complex_methanol_P21c_Qpeaks_after_END.ins", "RU()", 15, 2.2f, 2.4f, 2},
      {"FeCl_perchlorate_hydrate_R-3c_rhombohedral.res", "FE(1)", 8, 1.9f, 2.2f, 6},
      {"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", "MG(1)", 8, 2.0f, 2.15f, 6},
  };
  for (const MetalCase& c : cases) {
    TestRun rs;
    read_and_bond(rs, c.file, 1);
    const int m = find_label(rs, c.metal);
    ASSERT_NE(m, 0) << c.file;
    int in_window = 0;
    for (int k = 1; k <= rs.ncomplete(); ++k) {
      if (rs.atom(k).iz != c.element) continue;
      const double d = std::hypot(rs.atom(k).xc - rs.atom(m).xc, rs.atom(k).yc - rs.atom(m).yc, rs.atom(k).zc - rs.atom(m).zc);
      if (d < c.lo || d > c.hi) continue;
      ++in_window;
      EXPECT_TRUE(bonded(rs, m, k)) << c.file << ": " << c.metal << " - " << rs.atom(k).label.trimmed() << " at " << d;
    }
    EXPECT_EQ(in_window, c.count) << c.file << " " << c.metal;
  }
}

TEST(CrystalBonds, AMetalWithoutBondsIsNamed) {
  TestRun rs;
  std::ostringstream term;
  rs.io.log.terminal = &term;
  rs.sw.covrad[43] = 0.3f;   // RADII Ru 0.3
  read_and_bond(rs, "Ru_complex_methanol_P21c_Qpeaks_after_END.ins", -1);
  EXPECT_NE(term.str().find("Metal atom RU() has no bonded neighbour"), std::string::npos) << term.str();
}

// A second C(1) 0.69 A from the first: unresolved disorder unless two
// different parts hold them.
TEST(CrystalBonds, CloseSitesWithoutPartsAreNamed) {
  const struct {
    int part1, part2;
    bool named;
  } cases[] = {{0, 0, true}, {1, 1, true}, {0, 2, true}, {1, 2, false}};
  for (const auto& c : cases) {
    TestRun rs;
    std::ostringstream term;
    rs.io.log.terminal = &term;
    rs.sw.format = InputFormat::shelx;
    rs.model = read_shelx(test_data("shelx/naphthalene_P21a_half_molecule.res"), ShelxLabels::as_named, rs.log_sink());
    const int n = ++rs.model.natom;
    rs.model.atoms[n] = rs.model.atoms[1];
    rs.model.atoms[n].label = "C(1')";
    rs.model.atoms[n].xc += 0.69f;
    rs.model.atoms[1].part = c.part1;
    rs.model.atoms[n].part = c.part2;
    rs.model.cryst.ncomplete = n;
    findallneighbors(rs);
    const bool named = term.str().find("C(1) and C(1') are   0.690 Ang apart and no PART separates them") != std::string::npos;
    EXPECT_EQ(named, c.named) << c.part1 << " " << c.part2 << term.str();
  }
}

// Without an NCELLS line molecules are completed by default; the NCELLS
// chosen must give the whole molecule (naphthalene C10H8 from its half,
// the Mg hexaaqua ion with its maleates), and nothing for structures that
// are whole already or a network.
TEST(WholeMolecules, DefaultNcellsCompletesEveryMolecule) {
  const struct {
    const char* file;
    bool completed;
    int carbons, hydrogens;   // of the completed table
  } cases[] = {{"naphthalene_P21a_half_molecule.res", true, 10, 8},
               {"paracetamol_P21n.res", false, 8, 9},
               {"CaF2_Fm-3m_face_centred.res", false, 0, 0}};
  for (const auto& c : cases) {
    TestRun rs;
    rs.sw.format = InputFormat::shelx;
    rs.model = read_shelx(test_data(std::string("shelx/") + c.file), ShelxLabels::as_named, rs.log_sink());
    rs.model.cryst.ncomplete = rs.natom();
    const std::optional<int> cells = ncells_for_whole_molecules(rs.model, rs.sw);
    ASSERT_EQ(cells.has_value(), c.completed) << c.file;
    rs.sw.compfrag = cells.value_or(-1);
    if (cells) {
      gencompletefrags(rs);
    } else {
      rs.model.cryst.ncomplete = rs.natom();
    }
    int carbons = 0, hydrogens = 0;
    for (int k = 1; k <= rs.ncomplete(); ++k) {
      carbons += rs.atom(k).iz == 6 ? 1 : 0;
      hydrogens += rs.atom(k).iz == 1 ? 1 : 0;
    }
    EXPECT_EQ(carbons, c.carbons) << c.file;
    EXPECT_EQ(hydrogens, c.hydrogens) << c.file;
  }
}

// The flag of an atom follows its share of the site times the site's
// order: a third of a half-occupied site on a three-fold axis is disordered.
TEST(DisorderFlag, FollowsOccupancyAndSiteSymmetryTogether) {
  struct Case {
    float x, y, occ;
    int flag;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 1.0f / 3.0f, 1},     // whole site on the axis
      {0.0f, 0.0f, 1.0f / 6.0f, -1},    // half of the site on the axis
      {0.31f, 0.17f, 0.5f, -1},         // half of a general position
      {0.31f, 0.17f, 1.0f, 0},
  };
  for (const Case& c : cases) {
    Model md;
    md.cell = {6.0f, 6.0f, 5.0f, 90.0f, 90.0f, 120.0f};
    Log quiet;
    md.transf = cell_transform(md.cell, quiet);
    RecordFile cards;
    cards.open_text("SYMM -Y,X-Y,Z\nSYMM -X+Y,-X,Z\n");
    std::ostringstream listing;
    md.symm = read_symmetry_cards(cards, listing);
    md.natom = 1;
    Atom& a = md.atoms[1];
    a.xf = c.x;
    a.yf = c.y;
    a.zf = 0.25f;
    a.occ = c.occ;
    const Vec3 xc = to_cartesian(md.transf, Fractional{{a.xf, a.yf, a.zf}});
    a.xc = xc[0];
    a.yc = xc[1];
    a.zc = xc[2];
    flag_partial_sites(md);
    EXPECT_EQ(md.atoms[1].flag, c.flag) << c.x << " " << c.occ;
  }
}

}  // namespace
}  // namespace vorn::test
