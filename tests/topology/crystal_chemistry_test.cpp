// Bonds in real crystals: coordination bonds to metals, disorder parts kept
// apart, bond tables that are mutual, and close sites that no PART
// separates.  Distances are recomputed here from the coordinates of the
// file, not taken from the neighbour table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "control/corrections.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

void read_and_bond(TestRun& rs, const std::string& file, int ncells) {
  rs.sw.format = InputFormat::shelx;
  rs.model = read_shelx(test_data("shelx/" + file), ShelxLabels::as_named, rs.log_sink());
  rs.sw.complete_fragment_cells = ncells;
  if (ncells >= 0) {
    run_complete_fragments(rs);
  } else {
    rs.model.entries = rs.model.natom;
  }
  run_neighbour_search(rs);
}

bool bonded(const TestRun& rs, int a, int b) {
  const std::vector<int>& n = rs.nb.of[a].atom;
  return std::find(n.begin(), n.end(), b) != n.end();
}

TEST(CrystalBonds, TablesAreMutualAndKeepDisorderPartsApart) {
  // Every structure of tests/data/shelx but the one that stops on Q peaks.
  for (const auto& entry : std::filesystem::directory_iterator(test_data("shelx"))) {
    const std::string file = entry.path().filename().string();
    if (file.find("Qpeaks_before") != std::string::npos) continue;
    for (const int ncells : {-1, 1}) {
      TestRun rs;
      read_and_bond(rs, file, ncells);
      int part_bonds = 0;
      for (int a = 0; a < rs.entries(); ++a) {
        for (const int b : rs.nb.of[a].atom) {
          EXPECT_TRUE(bonded(rs, b, a)) << file << " NCELLS " << ncells << ": " << rs.atom(a).label.trimmed()
                                        << " lists " << rs.atom(b).label.trimmed() << ", not the reverse";
          const int pa = rs.atom(a).part, pb = rs.atom(b).part;
          if (pa != 0 && pb != 0 && pa != pb) ++part_bonds;
          // A negative part bonds to no copy of its own part in another image.
          if (pa < 0 && pa == pb) {
            EXPECT_EQ(a >= rs.natom(), b >= rs.natom()) << file;
          }
        }
      }
      EXPECT_EQ(part_bonds, 0) << file << " NCELLS " << ncells;
    }
  }
}

int find_label(const TestRun& rs, std::string_view label) {
  for (int i = 0; i < rs.natom(); ++i)
    if (rs.atom(i).label.trimmed() == label) return i;
  return -1;
}

// The metal's neighbours by element against the atoms within a distance
// window measured here: every ligand atom of the window is bonded.
struct MetalCase {
  const char* file;
  const char* metal;
  int element;          // of the ligand atoms counted
  double lo, hi;         // their distance window (A)
  int count;            // ligand atoms of that element in the window
};

TEST(CrystalBonds, MetalsBondToTheirLigands) {
  const MetalCase cases[] = {
      {"Ru_complex_methanol_P21c_Qpeaks_after_END.ins", "RU()", 6, 2.15, 2.35, 5},   // the Cp* ring
      {"Ru_complex_methanol_P21c_Qpeaks_after_END.ins", "RU()", 15, 2.2, 2.4, 2},
      {"FeCl_perchlorate_hydrate_R-3c_rhombohedral.res", "FE(1)", 8, 1.9, 2.2, 6},
      {"Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", "MG(1)", 8, 2.0, 2.15, 6},
  };
  for (const MetalCase& c : cases) {
    TestRun rs;
    read_and_bond(rs, c.file, 1);
    const int m = find_label(rs, c.metal);
    ASSERT_GE(m, 0) << c.file;
    int in_window = 0;
    for (int k = 0; k < rs.entries(); ++k) {
      if (rs.atom(k).atomic_number != c.element) continue;
      const double d = std::hypot(rs.atom(k).cartesian[0] - rs.atom(m).cartesian[0], rs.atom(k).cartesian[1] - rs.atom(m).cartesian[1], rs.atom(k).cartesian[2] - rs.atom(m).cartesian[2]);
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
  rs.sw.covrad[43] = 0.3;   // RADII Ru 0.3
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
    const int n = rs.add_atom();
    rs.model.atoms[n] = rs.model.atoms[0];
    rs.model.atoms[n].label = "C(1')";
    rs.model.atoms[n].cartesian[0] += 0.69;
    rs.model.atoms[0].part = c.part1;
    rs.model.atoms[n].part = c.part2;
    rs.model.entries = n + 1;
    run_neighbour_search(rs);
    const bool named = term.str().find("C(1) and C(1') are   0.690 Ang apart and no PART separates them") != std::string::npos;
    EXPECT_EQ(named, c.named) << c.part1 << " " << c.part2 << term.str();
  }
}

// The sites that NCELLS n allows, enumerated here: each operator's image
// of each atom, translated within n cells of the image brought into the
// unit cell or within n cells of the image itself (in every component);
// of those, the ones bonded step by step to the asymmetric unit.  The
// completed table holds exactly these.
TEST(CrystalBonds, CopiesAreThoseTheNcellsRangeAllows) {
  for (const int n : {0, 1}) {
    TestRun rs;
    rs.sw.tols.bond = 0.4;
    read_and_bond(rs, "CaF2_Fm-3m_face_centred.res", n);
    std::map<std::array<long long, 3>, int> site;   // fractional x 1e4 -> index into `at`
    std::vector<std::pair<Vec3, double>> at;        // Cartesian position, covalent radius
    const auto add = [&](const std::array<double, 3>& f, int i) {
      const std::array<long long, 3> key{std::llround(f[0] * 1e4), std::llround(f[1] * 1e4), std::llround(f[2] * 1e4)};
      if (site.emplace(key, static_cast<int>(at.size())).second)
        at.emplace_back(to_cartesian(rs.model.transf, Fractional{Vec3{double(f[0]), double(f[1]), double(f[2])}}),
                        covalent_radius(rs.sw, rs.atom(i).atomic_number));
      return site[key];
    };
    std::vector<int> todo;
    for (int i = 0; i < rs.natom(); ++i) todo.push_back(add({rs.atom(i).fractional[0], rs.atom(i).fractional[1], rs.atom(i).fractional[2]}, i));
    for (int i = 0; i < rs.natom(); ++i)
      for (const SymOp& o : rs.model.symm.ops) {
        std::array<double, 3> base{};
        for (int j = 0; j < 3; ++j)
          base[j] = o.trans[j] + o.rot[0][j] * rs.atom(i).fractional[0] + o.rot[1][j] * rs.atom(i).fractional[1] + o.rot[2][j] * rs.atom(i).fractional[2];
        for (int t = 0; t < 729; ++t) {   // translations -4 .. 4
          const std::array<int, 3> u{t / 81 - 4, t / 9 % 9 - 4, t % 9 - 4};
          bool near_cell = true, near_image = true;
          for (int j = 0; j < 3; ++j) {
            near_cell = near_cell && std::abs(u[j] + std::floor(base[j])) <= n;
            near_image = near_image && std::abs(u[j]) <= n;
          }
          if (near_cell || near_image) add({base[0] + u[0], base[1] + u[1], base[2] + u[2]}, i);
        }
      }
    std::vector<bool> reached(at.size(), false);
    for (const int k : todo) reached[static_cast<std::size_t>(k)] = true;
    while (!todo.empty()) {
      const auto [p, r] = at[static_cast<std::size_t>(todo.back())];
      todo.pop_back();
      for (std::size_t k = 0; k < at.size(); ++k) {
        const double d = dist(p, at[k].first);
        if (!reached[k] && d >= 0.5 && d <= r + at[k].second + rs.sw.tols.bond) reached[k] = true, todo.push_back(static_cast<int>(k));
      }
    }
    std::set<int> listed;
    for (int k = 0; k < rs.entries(); ++k) {
      const int s = add({rs.atom(k).fractional[0], rs.atom(k).fractional[1], rs.atom(k).fractional[2]}, 0);
      listed.insert(s);
      EXPECT_TRUE(static_cast<std::size_t>(s) < reached.size() && reached[static_cast<std::size_t>(s)])
          << "NCELLS " << n << ": entry " << k << " lies outside the range";
    }
    EXPECT_EQ(listed.size(), static_cast<std::size_t>(std::count(reached.begin(), reached.end(), true))) << n;
    EXPECT_EQ(rs.entries(), static_cast<int>(listed.size())) << "NCELLS " << n;
  }
}

// A BOND or NOBOND line changes the bonds between the two atoms it names
// and no other: the tables with and without it, entry by entry.
TEST(CrystalBonds, BondLinesChangeTheNamedBondAlone) {
  const struct {
    CorrectionLine::Kind kind;
    const char* a;
    const char* b;
  } cases[] = {{CorrectionLine::Kind::bond, "C(1)", "C(4)"},
               {CorrectionLine::Kind::bond, "O(1)", "H(2)"},
               {CorrectionLine::Kind::nobond, "C(7)", "C(8)"},
               {CorrectionLine::Kind::nobond, "H(1O)", "O(1)"}};
  TestRun plain;
  read_and_bond(plain, "paracetamol_P21n.res", -1);
  for (const auto& c : cases) {
    TestRun rs;
    rs.sw.format = InputFormat::shelx;
    rs.model = read_shelx(test_data("shelx/paracetamol_P21n.res"), ShelxLabels::as_named, rs.log_sink());
    rs.model.corrections = resolve_corrections({{c.kind, {c.a, c.b}, 9}}, rs.model);
    rs.model.entries = rs.model.natom;
    run_neighbour_search(rs);
    const int a = find_label(rs, c.a), b = find_label(rs, c.b);
    ASSERT_TRUE(a >= 0 && b >= 0) << c.a << " " << c.b;
    for (int i = 0; i < rs.natom(); ++i)
      for (int j = 0; j < rs.natom(); ++j) {
        const bool named = (i == a && j == b) || (i == b && j == a);
        const bool expected = named ? c.kind == CorrectionLine::Kind::bond : bonded(plain, i, j);
        EXPECT_EQ(bonded(rs, i, j), expected) << c.a << " " << c.b << ": " << i << " - " << j;
      }
  }
}

}  // namespace
}  // namespace vorn::test
