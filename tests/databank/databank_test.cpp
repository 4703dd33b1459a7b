#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "layout/run_error.hpp"
#include "databank/databank.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::MemoryRun;

// One atom (index 0) with a hand-made neighbour description, matched
// against the test databank.
struct Match {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  FoundNeighbours neighbours;   // what the databank's own neighbour search would find
  PlanarRings ring;
  bool planar_group = true;
  DatabankMatch entry;     // the entry the last search found

  explicit Match(const std::string& db_file = "hcno.db") {
    rs.model.natom = 1;
    if (!db_file.empty()) {
      EXPECT_TRUE(rs.io.db.open(test::test_data(db_file)));
    }
  }

  // types: (atomic number, count) in ascending atomic number.
  void atom(int z, const char* sym, std::vector<std::pair<int, int>> types, int lpg, int rings = 0,
            int members = 0) {
    Atom& a = rs.atom(0);
    a.label = z == 1 ? "H1" : z == 6 ? "C1" : z == 7 ? "N1" : "O1";
    a.atomic_number = z;
    a.sitesym = sym;
    neighbours = FoundNeighbours{};
    int next = 1;
    for (const auto& [tz, n] : types) {
      NeighborType t;
      t.atomic_number = tz;
      for (int k = 0; k < n; ++k) {
        t.members.push_back(next);
        neighbours.atom.push_back(next++);
        neighbours.dist.push_back(1.0);
      }
      neighbours.types.push_back(t);
    }
    planar_group = lpg != 0;
    ring.rings = rings;
    ring.members = members;
  }
  void hydrogen(const char* sym, int hp, int sp, int hnei) {
    atom(1, sym, {{hp, 1}}, 1);
    rs.hydrogen_parents.of[0].atomic_number = hp;
    rs.hydrogen_parents.of[0].neighbour_count = sp;
    rs.hydrogen_parents.of[0].hydrogens = hnei;
  }
  void group(const char* name) {
    rs.groups.of[0].identified = true;
    rs.groups.of[0].name = name;
  }
  // Comment of the accepted entry's ATOM line up to its first blank, or
  // "none" when nothing was found.
  std::string found() {
    entry = search_databank_with_neighbours(databank_source(rs), rs.model, rs.hydrogen_parents, rs.groups, rs.log_sink(), 0,
                     DatabankQuery{neighbours, ring, planar_group});
    if (!entry.found) return "none";
    const std::string c(entry.comment.trimmed());
    return c.substr(0, c.find(' '));
  }
};

TEST(Pval, CountsElectronsBeyondThePrecedingNobleGas) {
  // {atomic number, valence electrons}; iron keeps all electrons beyond argon.
  const std::vector<std::pair<int, double>> cases{{1, 1}, {2, 2}, {3, 1}, {6, 4}, {10, 8}, {11, 1},
                                                  {17, 7}, {19, 1}, {26, 8}, {35, 17}, {37, 1}, {54, 18},
                                                  {55, 1}, {79, 25}, {86, 32}, {87, 1}, {92, 6}};
  for (const auto& [z, electrons] : cases) EXPECT_EQ(pval(z), electrons) << "Z = " << z;
}

TEST(DatabankMatch, FirstFittingEntryWinsAndBlankEntrySymmetryFitsAnySite) {
  Match t;
  // A methyl carbon on a 3m site fits both methyl entries: the first wins,
  // although its type lines come in another order than the atom's types.
  t.atom(6, "3m", {{1, 3}, {6, 1}}, 0);
  EXPECT_EQ(t.found(), "CH3-1");
  EXPECT_FLOAT_EQ(t.entry.pv, 4.10);
  EXPECT_FLOAT_EQ(t.entry.kappa1, 0.99);
  EXPECT_FLOAT_EQ(t.entry.kappa2, 0.88);
  EXPECT_FLOAT_EQ(t.entry.sigpv, 0.04);
  // The same carbon on a site without symmetry fits only the entry that
  // names no symmetry.
  t.atom(6, "NO", {{1, 3}, {6, 1}}, 0);
  EXPECT_EQ(t.found(), "CH3-2");
  EXPECT_FLOAT_EQ(t.entry.pv, 4.20);
  // Site symmetry is compared without regard to case.
  t.atom(6, "m", {{1, 1}, {6, 2}}, 1, 1, 6);
  EXPECT_EQ(t.found(), "CAR");
  // Ring flag and ring size must agree.
  t.atom(6, "m", {{1, 1}, {6, 2}}, 1, 1, 5);
  EXPECT_EQ(t.found(), "none");
  // Every neighbour type must be found with its count.
  t.atom(6, "NO", {{1, 2}, {6, 2}}, 0);
  EXPECT_EQ(t.found(), "none");
}

TEST(DatabankMatch, PlanarityWordOrDefaultByNeighbourCount) {
  Match t;
  // "F" on the entry: only a non-planar group fits.
  t.atom(6, "NO", {{1, 1}, {6, 2}}, 0);
  EXPECT_EQ(t.found(), "CPYR");
  // No word and three neighbours: planar by default.
  t.atom(6, "NO", {{1, 1}, {6, 2}}, 1);
  EXPECT_EQ(t.found(), "CSP2");
  t.atom(7, "NO", {{1, 2}, {6, 1}}, 1);
  EXPECT_EQ(t.found(), "N-AMINE");
  t.atom(7, "NO", {{1, 2}, {6, 1}}, 0);
  EXPECT_EQ(t.found(), "none");
  // No word and four neighbours: non-planar by default.
  t.atom(7, "3m", {{1, 3}, {6, 1}}, 0);
  EXPECT_EQ(t.found(), "N-AMMON");
  t.atom(7, "3m", {{1, 3}, {6, 1}}, 1);
  EXPECT_EQ(t.found(), "none");
  t.atom(6, "3m", {{1, 3}, {6, 1}}, 1);
  EXPECT_EQ(t.found(), "none");
}

TEST(DatabankMatch, HydrogenEntriesMatchTheParentAndExactSymmetry) {
  Match t;
  t.hydrogen("cyl", 6, 4, 3);
  EXPECT_EQ(t.found(), "H-CH3");
  EXPECT_FLOAT_EQ(t.entry.plm(1, 0), 0.15);
  EXPECT_FLOAT_EQ(t.entry.plm(2, 0), 0.08);
  // A PRNT line without symmetry fits only a blank site symmetry.
  t.hydrogen("", 6, 4, 3);
  EXPECT_EQ(t.found(), "H-NOSYM");
  t.hydrogen("NO", 6, 4, 3);
  EXPECT_EQ(t.found(), "none");
  t.hydrogen("cyl", 6, 4, 2);
  EXPECT_EQ(t.found(), "none");
  t.hydrogen("cyl", 7, 4, 3);
  EXPECT_EQ(t.found(), "none");
}

TEST(DatabankMatch, FunctionalGroupEntriesOnlyForAtomsWithThatGroup) {
  Match t;
  // Without a group every EXCEPT entry is skipped.
  t.atom(8, "m", {{1, 1}, {6, 1}}, 1);
  EXPECT_EQ(t.found(), "OH-GEN");
  t.group("ALCOHOL");
  EXPECT_EQ(t.found(), "OH-ALC");
  EXPECT_EQ(t.entry.group.trimmed(), "ALCOHOL");
  // The entry with two blanks after GROUP reads " PHENOL" and is skipped.
  t.group("PHENOL");
  EXPECT_EQ(t.found(), "OH-PH");
  EXPECT_FLOAT_EQ(t.entry.pv, 6.25);
  // A group no entry names: entries without EXCEPT do not fit either.
  t.group("CARBOXYLIC");
  EXPECT_EQ(t.found(), "none");
  t.hydrogen("cyl", 8, 2, 1);
  t.group("ALCOHOL");
  EXPECT_EQ(t.found(), "H-OALC");
  t.rs.groups.of[0].identified = false;
  t.rs.groups.of[0].name = "";
  EXPECT_EQ(t.found(), "none");
}

TEST(DatabankMatch, PlmsTriplesRoundLAndMAndIgnoreATrailingPair) {
  Match t;
  t.atom(6, "3m", {{1, 3}, {6, 1}}, 0);
  ASSERT_EQ(t.found(), "CH3-1");
  const Plm& p = t.entry.plm;
  EXPECT_FLOAT_EQ(p(0, 0), 0.01);
  EXPECT_FLOAT_EQ(p(1, 0), 0.05);
  EXPECT_FLOAT_EQ(p(2, 0), -0.02);
  EXPECT_FLOAT_EQ(p(3, 3), 0.30);
  EXPECT_FLOAT_EQ(p(3, -3), -0.31);
  EXPECT_FLOAT_EQ(p(2, -2), 0.05);   // m = -1.6 rounds to -2
  EXPECT_FLOAT_EQ(p(2, -1), 0.0);
  EXPECT_FLOAT_EQ(p(4, 4), 0.011);
  EXPECT_FLOAT_EQ(p(4, 0), 0.0);     // the incomplete triple "4 0" is ignored
  EXPECT_FLOAT_EQ(p(1, 1), 0.0);
}

TEST(DatabankMatch, NotFoundLeavesElementDefaultsAndCountersAddUp) {
  Match t;
  t.atom(6, "3m", {{1, 3}, {6, 1}}, 0);
  t.found();
  t.atom(8, "NO", {{1, 2}}, 1);
  EXPECT_EQ(t.found(), "none");
  EXPECT_FLOAT_EQ(t.entry.pv, 6.0);
  EXPECT_FLOAT_EQ(t.entry.kappa1, 1.0);
  EXPECT_FLOAT_EQ(t.entry.kappa2, 1.0);
  EXPECT_FLOAT_EQ(t.entry.sigpv, 0.01);
  for (double v : t.entry.plm.v) EXPECT_EQ(v, 0.0);
  // An atom without neighbours needs no type lines; the last entry of the
  // file ends with its PLMS lines.
  t.atom(7, "NO", {}, 1);
  EXPECT_EQ(t.found(), "N-FREE");
  EXPECT_FLOAT_EQ(t.entry.plm(1, 0), 0.5);
  EXPECT_FLOAT_EQ(t.entry.plm(1, 1), 0.25);
  t.atom(16, "NO", {{6, 2}}, 0);
  EXPECT_EQ(t.found(), "none");
}

TEST(DatabankMatch, ReportAndSearchHeaderInTheLog) {
  Match t;
  t.atom(6, "3m", {{1, 3}, {6, 1}}, 0);
  t.rs.sw.verbosity = 2;
  t.found();
  const std::string log = t.mr.log();
  EXPECT_NE(log.find("\n Searching DataBank for a match : \n"), std::string::npos);
  EXPECT_NE(log.find("\n  asymi = [3M   ]\n"), std::string::npos);
  EXPECT_NE(log.find("\n  lPG   = F\n"), std::string::npos);
  EXPECT_NE(log.find("\n  type = 2 atom = 6 neib = 1\n"), std::string::npos);
  EXPECT_NE(log.find("\n Reading atom = ATOM 6 C  CH3-1  methyl carbon on a threefold site   "), std::string::npos);
  EXPECT_NE(log.find("\n   jnei=  4 jty=  2 jring=  0 asymr=[3M   ] planar=F\n jmemb=  0\n"), std::string::npos);
  EXPECT_NE(log.find("\n   type =  1 jatum =  6 jndt =  1\n   type =  2 jatum =  1 jndt =  3\n"), std::string::npos);
  EXPECT_NE(log.find("\n\n ReadDB :: atom C1 was found in the DataBank\n"), std::string::npos);
  EXPECT_NE(log.find("\n\n DB comment for C1 = [CH3-1  methyl carbon on a threefold site]\n"), std::string::npos);
  EXPECT_NE(log.find("\n\n Pseudoatom parameters assigned to C1 : \n\n"
                     "   Pval, Kappa, Kappa', sigmaPv =       4.1000      0.9900      0.8800      0.0400\n"
                     "    2nd Monopole:  0.010\n"
                     "         Dipoles:  0.000  0.050  0.000\n"
                     "     Quadrupoles:  0.050  0.000 -0.020  0.000  0.000\n"
                     "       Octupoles: -0.310  0.000  0.000  0.000  0.000  0.000  0.300\n"
                     "   Hexadecapoles:  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.000  0.011\n"),
            std::string::npos)
      << log;
  // A hydrogen's PRNT line and the group messages.
  t.hydrogen("cyl", 8, 2, 1);
  t.group("ALCOHOL");
  t.found();
  const std::string h = t.mr.log();
  EXPECT_NE(h.find("\n   jhp =  8 jsp =  2 jhnei=  1 asymr=[CYL  ]\n"), std::string::npos);
  EXPECT_NE(h.find("\n Functional group = [ALCOHOL], but no functional group specified for this entry..\n"
                   " Skipping DB entry...\n\n"),
            std::string::npos);
  EXPECT_NE(h.find("\n      functional group   = [ALCOHOL]\n      group read from DB = [ALCOHOL]\n"),
            std::string::npos);
  EXPECT_NE(h.find("\n\n Functional group = [ALCOHOL]\n"), std::string::npos);
  t.rs.groups.of[0].identified = false;
  t.atom(8, "m", {{1, 1}, {6, 1}}, 1);
  t.found();
  EXPECT_NE(t.mr.log().find("   Exception entry in DataBank :\n"
                            " Exception was not identified for this atom - Skip DB entry...\n\n"),
            std::string::npos);
  t.group("PHENOL");
  t.found();
  EXPECT_NE(t.mr.log().find("      group read from DB = [ PHENOL]\n   Wrong functional group... :(\n\n"),
            std::string::npos);
  t.atom(16, "NO", {}, 0);
  t.found();
  EXPECT_NE(t.mr.log().find("\n ReadDB :: atom O1 was NOT found in the DataBank\n"), std::string::npos);
}

// A databank given as text, for the faults of the file.
void expect_stop(const std::string& db, int z, std::vector<std::pair<int, int>> types, const std::string& where,
                 const std::string& message) {
  Match t("");
  t.rs.io.db.open_text(db);
  t.atom(z, "NO", std::move(types), 0);
  EXPECT_THROW(t.mr.as_driver([&] { search_databank_with_neighbours(databank_source(t.rs), t.rs.model, t.rs.hydrogen_parents, t.rs.groups, t.rs.log_sink(), 0,
                                                         DatabankQuery{t.neighbours, t.ring, t.planar_group}); }), RunError) << db;
  EXPECT_NE(t.mr.log().find(" ERROR *** " + where + " *** " + message), std::string::npos) << t.mr.log();
}

TEST(DatabankFaults, EndOfFileInsideAnEntryStopsInReadFile) {
  // Looking for the type lines.
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 2 0 0\nTYPE 1 1 3\n", 6, {{1, 3}, {6, 1}}, "ReadFile",
              "Error reading unit = 47");
  // Looking for PVAL.
  const std::string entry = "ReadDB", missing = "The databank entry on line 2 of databank file (text) has no ";
  expect_stop("! first line\nATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\n! no parameters\n", 6, {{1, 4}}, entry,
              missing + "PVAL line (end of the file)");
  // Looking for NEIG.
  expect_stop("! first line\nATOM 6 C  X carbon\n! nothing more\n", 6, {{1, 4}}, entry,
              missing + "NEIG line (end of the file)");
  // An entry without its PVAL line never takes the next entry's.
  expect_stop("! first line\nATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\nATOM 6 C  Y other\nNEIG 4 1 0 0\n"
              "TYPE 1 1 4\nPVAL 4.3 1 1 0.02\n",
              6, {{1, 4}}, entry, missing + "PVAL line before the next entry on line 5");
  // An entry that fits but ends with its PVAL line is complete.
  Match t("");
  t.rs.io.db.open_text("ATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\nPVAL 4.3 1 1 0.02\n");
  t.atom(6, "NO", {{1, 4}}, 0);
  EXPECT_EQ(t.found(), "X");
  EXPECT_FLOAT_EQ(t.entry.pv, 4.3);
}

TEST(DatabankFaults, BadEntriesStopWithTheDatabankLine) {
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\nPVAL 4.3 1 1 0.02\nPLMS 1 0 0.1 5 0 0.2\n", 6, {{1, 4}},
              "ReadDB", "PLMS triple 2 has l or m out of range (0 <= l <= 4, -l <= m <= l) on line 5 of databank file");
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\nPVAL 4.3 1 1 0.02\nPLMS 2 -3 0.1\n", 6, {{1, 4}},
              "ReadDB", "PLMS triple 1 has l or m out of range");
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 13 0 0\n", 6, {{1, 4}}, "ReadDB",
              "More than 12 neighbour types (13) on line 2 of databank file");
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 1 zero 0\n", 6, {{1, 4}}, "ReadDB", "Cannot read the neighbour counts");
  expect_stop("ATOM 6 C  X carbon\nNEIG 4 1 0 0\nTYPE 1 1 4\nPVAL 1e40 1 1 0.02\n", 6, {{1, 4}}, "ReadDB",
              "Cannot read Pval, kappa, kappa' and sigmaPv (PVAL) from line 4 of databank file");
  expect_stop("ATOM 6 C\n", 6, {{1, 4}}, "ReadChar", "Unexpected STOP in ReadChar...");
  expect_stop("ATOM six C x\n", 6, {{1, 4}}, "ReadDB", "Cannot read the atomic number of an ATOM line from line 1");
}

TEST(DatabankCopy, PopulationsScaleWithOccupancyAndKappaSetsKeepTheirOpener) {
  Match t;
  t.rs.model.natom = 3;
  for (int i = 0; i < 3; ++i) {
    t.rs.atom(i).atomic_number = 6;
    t.rs.atom(i).scattering_type = i == 2 ? 2 : 1;
  }
  t.rs.atom(1).occ = 0.5;
  t.rs.kappa_sets.of[0].kappa_set = 1;
  t.rs.kappa_sets.of[1].kappa_set = 1;
  t.rs.kappa_sets.of[2].kappa_set = 2;
  t.entry = DatabankMatch{};
  t.entry.pv = 4.2;
  t.entry.sigpv = 0.06;
  t.entry.kappa1 = 0.98;
  t.entry.kappa2 = 0.9;
  t.entry.plm(2, -2) = 0.1;
  copy_databank_result(t.rs.atom(0), 0, t.rs.kappa_sets.of[0].kappa_set, t.entry, t.rs.populations, t.rs.kappas);
  EXPECT_EQ(t.rs.kappas.count(), 1);
  EXPECT_EQ(t.rs.kappas.set(1).scattering_type, 1);
  t.entry.kappa1 = 1.02;
  t.rs.atom(1).scattering_type = 5;   // a later atom of the set does not change its type
  copy_databank_result(t.rs.atom(1), 1, t.rs.kappa_sets.of[1].kappa_set, t.entry, t.rs.populations, t.rs.kappas);
  EXPECT_FLOAT_EQ(t.rs.populations.of[1].pv, 2.1);
  EXPECT_FLOAT_EQ(t.rs.populations.of[1].sigpv, 0.06);
  EXPECT_FLOAT_EQ(t.rs.populations.of[1].plm(2, -2), 0.05);
  EXPECT_FLOAT_EQ(t.rs.kappas.set(1).kappa, 1.02);   // the last atom of the set
  EXPECT_EQ(t.rs.kappas.set(1).scattering_type, 1);
  EXPECT_EQ(t.rs.kappas.count(), 1);
  // An atom read without databank: element defaults, unit kappas.
  t.rs.atom(2).occ = 0.25;
  databank_defaults(t.rs.atom(2), 2, t.rs.kappa_sets.of[2].kappa_set, t.rs.populations, t.rs.kappas);
  EXPECT_FLOAT_EQ(t.rs.populations.of[2].pv, 1.0);
  EXPECT_EQ(t.rs.populations.of[2].sigpv, 0.0);
  EXPECT_EQ(t.rs.kappas.count(), 2);
  EXPECT_EQ(t.rs.kappas.set(2).scattering_type, 2);
  EXPECT_FLOAT_EQ(t.rs.kappas.set(2).kappa, 1.0);
  EXPECT_FLOAT_EQ(t.rs.kappas.set(2).kappa_prime, 1.0);
}


// The databank named by VORN_DB, and the prompt for another name when the
// named file does not open, in a run of the program.
TEST(DatabankRun, FileFromTheEnvironmentOrFromThePrompt) {
  const std::string res = "paracetamol_P21n.res";
  const std::string head = "FORMAT *shelx\nINPUT " + res + "\nNCELLS 1\nRINGS 3 8\nSCALE *diff\nCHFRAG 0.\n";
  const std::string counts = " ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB =       20      20       0";
  {
    test::ScratchDir dir;
    dir.copy_in(test::test_data("shelx/" + res), res);
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "bank.db");
    dir.write("vorn.inp", head + "DATABANK\n");
    ::setenv("VORN_DB", "bank.db", 1);
    const test::RunResult r = test::run_vorn(dir);
    ::unsetenv("VORN_DB");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(counts), std::string::npos) << r.out;
  }
  {
    test::ScratchDir dir;
    dir.copy_in(test::test_data("shelx/" + res), res);
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "bank.db");
    dir.write("vorn.inp", head + "DATABANK missing.db\n");
    const test::RunResult r = test::run_vorn(dir, "", "\nbank.db\n");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(" Error opening databank file missing.db"), std::string::npos);
    EXPECT_NE(r.out.find(counts), std::string::npos) << r.out;
    // The transferred types are listed in the log.
    const std::string log = dir.read("vorn.out");
    EXPECT_NE(log.find(" DB comment for C(8) = [C(H3)  methyl carbon]"), std::string::npos);
    EXPECT_NE(log.find(" DB comment for H(1O) = [H-O(phenol)  hydroxyl hydrogen of a phenol]"), std::string::npos);
    EXPECT_NE(log.find(" DB comment for O(2) = [O(=C)N  amide carbonyl oxygen]"), std::string::npos);
  }
}

}  // namespace
}  // namespace vorn
