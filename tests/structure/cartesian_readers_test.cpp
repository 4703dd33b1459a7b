#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::MemoryRun;
using test::ScratchDir;
using test::test_data;

constexpr double kBohr = 0.52917725;

struct Site {
  Label label;
  int atomic_number = 0;
  double x = 0, y = 0, z = 0;
};

// The DL-serine molecule in Cartesian coordinates (Angstrom), as the XD
// reader gives it.
std::vector<Site> serine_sites() {
  MemoryRun run;
  ScratchDir dir;   // the master file name is a 60-character field: keep it short
  dir.copy_in(test_data("xd/DL-serine_ReCrystal/xd.mas"), "xd.mas");
  const Model md = read_xd(test_data("xd/DL-serine_ReCrystal/xd.res"), dir.file("xd.mas"), run.rs->log_sink());
  std::vector<Site> s;
  for (int i = 0; i < md.natom; ++i) {
    const Atom& a = md.atoms[i];
    s.push_back({a.label, a.atomic_number, a.cartesian[0], a.cartesian[1], a.cartesian[2]});
  }
  return s;
}

template <class F>
void expect_stop(MemoryRun& run, F&& f, const std::string& text) {
  EXPECT_THROW(run.as_driver([&] { f(); }), RunError);
  EXPECT_NE(run.log().find(text), std::string::npos) << run.log();
}

void expect_cartesian_only(const Atom& a) {
  EXPECT_EQ(a.fractional[0], 0.0);
  EXPECT_EQ(a.fractional[1], 0.0);
  EXPECT_EQ(a.fractional[2], 0.0);
  EXPECT_EQ(a.occ, 1.0);
  EXPECT_EQ(a.adp_type, 0);
  EXPECT_EQ(a.scattering_type, 0);
  EXPECT_EQ(a.occupancy_kind, OccupancyKind::normal);
  EXPECT_EQ(a.u, (std::array<double, 6>{}));
}

// ---- AIM2TAB -----------------------------------------------------------

// An AIM2TAB table: count line, heading, rule, then 5X, A8, 11X, 3F9.4
// lines (number, label, atomic mass, x, y, z in bohr).
std::string aim2tab(const std::vector<Site>& sites, int announced) {
  std::string s = " AIM2TAB: atomic coordinates of the wavefunction\n\n";
  s += layout::format("(a,i7)", " NUMBER OF ATOMS READ =", announced) + "\n\n";
  s += " NO. ATOM       AT.MASS      X        Y        Z\n";
  s += " " + std::string(50, '-') + "\n";
  int n = 0;
  for (const Site& t : sites)
    s += layout::format("(i5,a,f11.4,3f9.4)", ++n, t.label, 12.0, t.x / kBohr, t.y / kBohr, t.z / kBohr) + "\n";
  return s;
}

TEST(ReadAim2Tab, SerineTableInBohrReadsEndToEnd) {
  const std::vector<Site> sites = serine_sites();
  ASSERT_EQ(sites.size(), 14u);
  ScratchDir dir;
  dir.write("serine.tab", aim2tab(sites, 14) + "\n TOTAL CHARGE = 0\n");
  MemoryRun run;
  const Model md = read_aim2tab(dir.file("serine.tab"), run.rs->log_sink());
  ASSERT_EQ(md.natom, 14);
  for (int i = 0; i < 14; ++i) {
    const Atom& a = md.atoms[i];
    const Site& t = sites[static_cast<std::size_t>(i)];
    EXPECT_EQ(a.label, t.label) << i;
    EXPECT_EQ(a.atomic_number, t.atomic_number) << i;
    EXPECT_EQ(a.max_multipole_level, t.atomic_number == 1 ? 2 : 4) << i;
    // Four decimals in bohr are good to 3e-5 Angstrom.
    EXPECT_NEAR(a.cartesian[0], t.x, 4e-5) << i;
    EXPECT_NEAR(a.cartesian[1], t.y, 4e-5) << i;
    EXPECT_NEAR(a.cartesian[2], t.z, 4e-5) << i;
    expect_cartesian_only(a);
  }
  ASSERT_EQ(md.scattering_types.size(), 4u);
  EXPECT_EQ(md.scattering_types[1], 7);
  EXPECT_EQ(md.symm.count(), 0);
  const std::string term = run.term.str();
  EXPECT_NE(term.find("\n Number of atom types =    4\n"
                      "   atom type =  1    atomic number =   8\n"
                      "   atom type =  2    atomic number =   7\n"
                      "   atom type =  3    atomic number =   6\n"
                      "   atom type =  4    atomic number =   1\n"
                      "\n Total atoms read from AIM2TAB output file =    14\n"),
            std::string::npos)
      << term;
  EXPECT_NE(run.log().find("------- FRACTIONAL -------"), std::string::npos);
}

TEST(ReadAim2Tab, BohrToAngstromAndFixedFields) {
  ScratchDir dir;
  dir.write("t.tab",
            " NUMBER OF ATOMS READ =      3\n"
            " NO. ATOM       AT.MASS\n"
            "\n"
            "    1 C1         12.0000   1.0000   0.0000   0.0000\n"
            "    2   H2        1.0080    10000  -2.5000         \n"   // implied decimals, blank field
            "    3 cl3        35.4530   0.0000   0.0000  -1.0000\n");
  MemoryRun run;
  const Model md = read_aim2tab(dir.file("t.tab"), run.rs->log_sink());
  ASSERT_EQ(md.natom, 3);
  EXPECT_FLOAT_EQ(md.atoms[0].cartesian[0], 0.52917725);
  EXPECT_EQ(md.atoms[1].label, "H2");   // set right in its field, still hydrogen
  EXPECT_EQ(md.atoms[1].atomic_number, 1);
  EXPECT_FLOAT_EQ(md.atoms[1].cartesian[0], 0.52917725);
  EXPECT_FLOAT_EQ(md.atoms[1].cartesian[1], -2.5 * 0.52917725);
  EXPECT_EQ(md.atoms[1].cartesian[2], 0.0);
  EXPECT_EQ(md.atoms[2].label, "cl3");
  EXPECT_EQ(md.atoms[2].atomic_number, 17);
  EXPECT_FLOAT_EQ(md.atoms[2].cartesian[2], -0.52917725);
}

TEST(ReadAim2Tab, ShortOrUnannouncedTablesStop) {
  const std::vector<Site> three = {{"C1", 6, 1, 0, 0}, {"C2", 6, 2, 0, 0}};
  struct Case {
    std::string text, message;
  } cases[] = {
      {aim2tab(three, 3), " ERROR *** ReadAim2Tab *** Atom table shorter than the 3 atoms announced"},
      {aim2tab(three, 3) + "\n TOTAL CHARGE = 0\n", "Atom table shorter than the 3 atoms announced"},
      {aim2tab(three, 2).substr(aim2tab(three, 2).find(" NO. ATOM")),
       "Atom table found before the line NUMBER OF ATOMS READ ="},
      {" NUMBER OF ATOMS READ =      2\n", "No atom table"},
      {" NUMBER OF ATOMS READ =  20001\n", " ERROR *** ReadAim2Tab *** No atom table"},
      {aim2tab(three, 3) + "    3 C3         12.0000   x.0000   0.0000   0.0000\n",
       "Error reading atom 3 of the atom table"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("t.tab", c.text);
    MemoryRun run;
    expect_stop(run, [&] { read_aim2tab(dir.file("t.tab"), run.rs->log_sink()); }, c.message);
  }
  MemoryRun run;
  expect_stop(run, [&] { read_aim2tab("no-such.tab", run.rs->log_sink()); }, "Error opening AIM2TAB output file no-such.tab");
}

// ---- PLATON ------------------------------------------------------------

// A coordinate file in the layout of vorn.ang: "ATOM " + A8 + 3X + 3F14.4
// per atom, then the dummy atoms as lithium, "ATOM Li(" I1 ")" 2X 3F14.4.
std::string platon_file(const std::vector<Site>& sites, int ndummy) {
  std::string s = "ANGSTROM\n";
  for (const Site& t : sites) s += layout::format("(a,a8,3x,3f14.4)", "ATOM ", t.label, t.x, t.y, t.z) + "\n";
  for (int d = 1; d <= ndummy; ++d)
    s += layout::format("(a,i1,a,2x,3f14.4)", "ATOM Li(", d, ")", 0.5 * d, -1.0, 2.0) + "\n";
  return s;
}

TEST(ReadPlaton, CoordinateFileReadsBackWithDummiesAsLithium) {
  std::vector<Site> sites = serine_sites();
  sites.push_back({"Cl1", 17, 1.25, -3.5, 0.0625});
  ScratchDir dir;
  dir.write("vorn.ang", platon_file(sites, 10));
  MemoryRun run;
  const Model md = read_platon(dir.file("vorn.ang"), run.rs->log_sink());
  ASSERT_EQ(md.natom, 25);
  for (int i = 0; i < 15; ++i) {
    const Atom& a = md.atoms[i];
    const Site& t = sites[static_cast<std::size_t>(i)];
    EXPECT_EQ(a.atomic_number, t.atomic_number) << i;
    EXPECT_NEAR(a.cartesian[0], t.x, 5.1e-5) << i;
    EXPECT_NEAR(a.cartesian[1], t.y, 5.1e-5) << i;
    EXPECT_NEAR(a.cartesian[2], t.z, 5.1e-5) << i;
    expect_cartesian_only(a);
  }
  EXPECT_EQ(md.atoms[0].label, "O(001)");
  EXPECT_EQ(md.atoms[14].label, "CL1");   // upper case after the tokeniser
  EXPECT_EQ(md.atoms[15].label, "LI(1)");
  EXPECT_EQ(md.atoms[15].atomic_number, 3);
  EXPECT_EQ(md.atoms[15].max_multipole_level, 4);
  EXPECT_FLOAT_EQ(md.atoms[16].cartesian[0], 1.0);
  EXPECT_EQ(md.atoms[24].label, "LI(*)");   // the tenth dummy has no room for its number
  EXPECT_EQ(md.atoms[24].atomic_number, 3);
  ASSERT_EQ(md.scattering_types.size(), 6u);
  EXPECT_EQ(md.scattering_types[4], 17);
  EXPECT_EQ(md.scattering_types[5], 3);
  const std::string total = "\n Total atoms read from PLATON file =       25\n";
  EXPECT_NE(run.term.str().find(total), std::string::npos) << run.term.str();
  EXPECT_NE(run.log().find(total), std::string::npos);
  EXPECT_NE(run.log().find(" Reading PLATON file : "), std::string::npos);
  EXPECT_NE(run.log().find("   atom type = Li    atomic number =   3"), std::string::npos);
}

TEST(ReadPlaton, OnlyAtomLinesCountAndBadLinesStop) {
  {
    ScratchDir dir;
    dir.write("p.ang", "ANGSTROM\nCELL 1 2 3\n");
    MemoryRun run;
    expect_stop(run, [&] { read_platon(dir.file("p.ang"), run.rs->log_sink()); },
                " ERROR *** ReadPlaton *** No atom read from file " + dir.file("p.ang") + " (read as PLATON format)");
  }
  {
    ScratchDir dir;
    dir.write("p.ang", "ANGSTROM\natom n1 1.0 2.0\n");
    MemoryRun run;
    expect_stop(run, [&] { read_platon(dir.file("p.ang"), run.rs->log_sink()); },
                " ERROR *** ReadPlaton *** ATOM line 1 has no label or no three coordinates");
  }
  MemoryRun run;
  expect_stop(run, [&] { read_platon("no-such.ang", run.rs->log_sink()); }, " ERROR *** ReadPlaton *** Error opening PLATON file no-such.ang");
}

// ---- The program on Cartesian input --------------------------------------

namespace e2e {

std::vector<std::string> atom_lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string s;
  while (std::getline(in, s))
    if (s.rfind("ATOM ", 0) == 0) out.push_back(s);
  return out;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TEST(CartesianInputRun, VornAngOfAShelxRunReadsBackAsPlatonInput) {
  ScratchDir dir;
  // Tryptophan's indole rings give the frames dummy atoms at ring centres.
  dir.copy_in(test_data("shelx/DL-tryptophan_P21c.res"), "trp.res");
  dir.write("vorn.inp", "FORMAT  *shelx\nINPUT   trp.res\nNCELLS 1\nRINGS 3 8 *special\n");
  const test::RunResult first = test::run_vorn(dir);
  ASSERT_EQ(first.status, 0) << first.out;
  const std::string ang = dir.read("vorn.ang");
  const std::vector<std::string> before = atom_lines(ang);
  ASSERT_EQ(before.size(), 29u);
  EXPECT_EQ(before[27].substr(0, 13), "ATOM Li(1)   ");

  dir.write("trp.ang", ang);
  dir.write("vorn.inp", "FORMAT  *platon\nINPUT   trp.ang\n");
  const test::RunResult second = test::run_vorn(dir);
  ASSERT_EQ(second.status, 0) << second.out;
  EXPECT_NE(second.out.find(layout::format("(/' Total atoms read from PLATON file = ',i8)", before.size())),
            std::string::npos)
      << second.out;
  // Every atom line of the first file, dummies included (now lithium
  // atoms), comes back with its label in upper case and the same
  // coordinates; the frames of the second run may add dummies of their own.
  const std::vector<std::string> after = atom_lines(dir.read("vorn.ang"));
  ASSERT_GE(after.size(), before.size());
  for (std::size_t k = 0; k < before.size(); ++k) {
    std::istringstream b(before[k]), a(after[k]);
    std::string wb, wa, lb, la, xb, xa;
    b >> wb >> lb;
    a >> wa >> la;
    EXPECT_EQ(la, upper(lb)) << k;
    for (int c = 0; c < 3; ++c) {
      b >> xb;
      a >> xa;
      EXPECT_EQ(xa, xb) << k;   // F14.4 on both sides
    }
  }
}

TEST(CartesianInputRun, Aim2TabTableOfSerine) {
  const std::vector<Site> sites = serine_sites();
  ScratchDir dir;
  dir.write("serine.tab", aim2tab(sites, static_cast<int>(sites.size())));
  dir.write("vorn.inp", "FORMAT  *aim2tab\nINPUT   serine.tab\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(" Total atoms read from AIM2TAB output file =    14"), std::string::npos) << r.out;
  const std::vector<std::string> ang = atom_lines(dir.read("vorn.ang"));
  ASSERT_GE(ang.size(), sites.size());
  for (std::size_t k = 0; k < sites.size(); ++k) {
    std::istringstream w(ang[k].substr(16));
    double x = 0, y = 0, z = 0;
    w >> x >> y >> z;
    EXPECT_EQ(ang[k].substr(5, 8), sites[k].label.view()) << k;
    EXPECT_NEAR(x, sites[k].x, 1.1e-4) << k;
    EXPECT_NEAR(y, sites[k].y, 1.1e-4) << k;
    EXPECT_NEAR(z, sites[k].z, 1.1e-4) << k;
  }
  const std::string mas = dir.read("xd_vorn.mas");
  EXPECT_EQ(mas.substr(0, 15), "ATOM     ATOM0 ");   // no crystal data to copy
  EXPECT_NE(mas.find("\nEXTCN   0000000\nOVTHP   0\nSCALE   1\nEND KEY\n"), std::string::npos);
}

}  // namespace e2e

}  // namespace
}  // namespace vorn
