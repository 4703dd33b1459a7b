#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "layout/text_edit.hpp"
#include "layout/layout.hpp"
#include "support/test_support.hpp"
#include "writers/parameter_files.hpp"

namespace vorn {
namespace {

using test::MemoryRun;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) out.push_back(l);
  return out;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> v;
  layout::FreeReader r(line);
  double x = 0;
  while (r.real(x)) v.push_back(x);
  return v;
}

// Two atoms, one dummy, two kappa sets.
struct ParFile {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  ParFile() {
    rs.io.par.open_memory("xd_vorn.inp");
    rs.model.natom = 2;
    Atom& c = rs.atom(0);
    c.label = "C(1)";
    c.scattering_type = 1;
    c.fractional[0] = 0.12345;
    c.fractional[1] = -0.5;
    c.fractional[2] = 0.98765;
    c.u = {0.0123, 0.0234, 0.0345, -0.001, 0.002, -0.003};
    rs.populations.of[0].xd_integers = {1, 2, 3, 1, 2, 2, 1, 1, 4, 1, 0};
    rs.populations.of[0].pv = 4.1234;
    Plm& p = rs.populations.of[0].plm;
    p(0, 0) = 0.01;
    p(1, 1) = 0.11;
    p(1, -1) = -0.11;
    p(1, 0) = 0.10;
    p(2, 0) = 0.20;
    p(2, 2) = 0.22;
    p(2, -2) = -0.22;
    p(3, -3) = -0.33;
    p(4, 4) = 0.44;
    p(4, -4) = -0.44;
    Atom& h = rs.atom(1);
    h.label = "H(1)";
    h.scattering_type = 2;
    h.occ = 0.5;
    h.u[0] = 0.025;
    h.adp_type = 1;
    rs.populations.of[1].xd_integers = {3, 1, 1, 2, 4, 1, 2, 2, 4, 1, 1};
    rs.populations.of[1].pv = 0.45;
    rs.dummy.atoms = {{"DUM1", {0.25, 0.5, -0.125}}};
    rs.kappas.sets.resize(2);
    rs.kappas.set(1).scattering_type = 1;
    rs.kappas.set(1).kappa = 0.98;
    rs.kappas.set(1).kappa_prime = 1.1;
    rs.kappas.set(2).scattering_type = 2;
    rs.kappas.set(2).kappa = 1.16;
    rs.kappas.set(2).kappa_prime = 1.3;
    rs.model.shelx_refinement.fvar = {1.52331, 0.0123, 0, 0, 0, 0, 0, 0, -0.5};
    rs.model.model_name = "UREA";
  }
  std::ostringstream mopro, con;
  std::vector<std::string> run() {
    write_parameter_files(rs.model, std::vector<AtomSetup>(static_cast<std::size_t>(rs.natom())), rs.dummy, rs.populations,
                          rs.kappas, rs.kappa_sets, rs.io.log, {&rs.io.par.os(), mopro, con});
    return split_lines(rs.io.par.text());
  }
};

TEST(XdParameterFile, RecordsInOrderWithTheirLayouts) {
  ParFile t;
  const std::vector<std::string> l = t.run();
  // 9 head lines, one dummy, five lines per atom, one per kappa set, three.
  ASSERT_EQ(l.size(), 9u + 1u + 2u * 5u + 2u + 3u);
  EXPECT_EQ(l[0], std::string(80, '!'));
  EXPECT_EQ(l[1], "!                   CREATED BY PROGRAM << VORN >>");
  EXPECT_EQ(l[2], std::string(80, '!'));
  EXPECT_EQ(l[3], "XDPARFILE VERSION  2");
  EXPECT_EQ(l[4], "  UREA   MODEL  4  2  1  0");
  EXPECT_EQ(l[5], "LIMITS nat 300 ntx 31 lmx 4 nzz 30 nto 0 nsc 20 ntb 20 nov 2500");
  EXPECT_EQ(l[6], "USAGE    2 2 4    2 0 1 0 0    2 0 0 0 0    1");
  EXPECT_EQ(l[7], "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[8], "  0.000000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[9], "     0.250000     0.500000    -0.125000");
  EXPECT_EQ(l[10], "C(1)      1  2    3    1    2      2    1    1    4    1    0  0.12345 -0.50000  0.98765  1.0000");
  EXPECT_EQ(l[11], "  0.012300  0.023400  0.034500 -0.001000  0.002000 -0.003000");
  // Pv, the monopole, the dipoles as +1, -1, 0, then m = 0, +1, -1, ...
  EXPECT_EQ(l[12], "  4.1234  0.0100  0.1100 -0.1100  0.1000  0.2000  0.0000  0.0000  0.2200 -0.2200");
  EXPECT_EQ(l[13], "  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000 -0.3300  0.0000  0.0000  0.0000");
  EXPECT_EQ(l[14], "  0.0000  0.0000  0.0000  0.0000  0.4400 -0.4400");
  EXPECT_EQ(l[15], "H(1)      3  1    1    2    4      1    2    2    4    1    1  0.00000  0.00000  0.00000  0.5000");
  EXPECT_EQ(l[16], "  0.025000  0.000000  0.000000  0.000000  0.000000  0.000000");
  EXPECT_EQ(l[17].substr(0, 16), "  0.4500  0.0000");
  EXPECT_EQ(l[20], "  1  0.980000  1.100000  1.100000  1.100000  1.100000  1.100000");
  EXPECT_EQ(l[21], "  2  1.160000  1.300000  1.300000  1.300000  1.300000  1.300000");
  EXPECT_EQ(l[22], " 0.1230E-01 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00");
  EXPECT_EQ(l[23], "-0.5000E+00");
  EXPECT_EQ(l[24], " 0.152331E+01");
}

TEST(XdParameterFile, PopulationsReadBackInXdOrder) {
  ParFile t;
  const std::vector<std::string> l = t.run();
  std::vector<double> pops;
  for (int k = 12; k <= 14; ++k)
    for (double v : numbers(l[static_cast<std::size_t>(k)])) pops.push_back(v);
  ASSERT_EQ(pops.size(), 26u);
  const Plm& p = t.rs.populations.of[0].plm;
  const int order[25][2] = {{0, 0}, {1, 1},  {1, -1}, {1, 0},  {2, 0},  {2, 1},  {2, -1}, {2, 2},  {2, -2},
                            {3, 0}, {3, 1},  {3, -1}, {3, 2},  {3, -2}, {3, 3},  {3, -3}, {4, 0},  {4, 1},
                            {4, -1}, {4, 2}, {4, -2}, {4, 3},  {4, -3}, {4, 4},  {4, -4}};
  EXPECT_NEAR(pops[0], t.rs.populations.of[0].pv, 5e-5);
  for (int k = 0; k < 25; ++k)
    EXPECT_NEAR(pops[static_cast<std::size_t>(k + 1)], p(order[k][0], order[k][1]), 5e-5) << k;
}

TEST(XdParameterFile, NoDummiesAndASingleAtom) {
  ParFile t;
  t.rs.dummy.atoms.clear();
  t.rs.model.natom = 1;
  t.rs.kappas.sets.resize(1);
  t.rs.model.shelx_refinement.fvar = {1.0};
  const std::vector<std::string> l = t.run();
  ASSERT_EQ(l.size(), 9u + 5u + 1u + 3u);
  // One atom of table 1: one scattering table.
  EXPECT_EQ(l[6], "USAGE    1 2 4    1 0 1 0 0    1 0 0 0 0    0");
  EXPECT_EQ(l[9].substr(0, 8), "C(1)    ");
  EXPECT_EQ(l[14].substr(0, 3), "  1");
  EXPECT_EQ(l[17], " 0.100000E+01");
}


// ---- The program on real structures with the example databank ----------

struct AtomBlock {
  std::string label;
  std::vector<int> xd_integers;
  double occ = 0;
  std::vector<double> pops;   // Pv and the 25 multipole populations
};

struct XdPar {
  int natom = 0, nkset = 0, nsft = 0, ndummy = 0;
  std::vector<AtomBlock> atoms;
  std::vector<std::vector<double>> kappa_lines;
  std::size_t lines = 0;
};

// Reads xd_vorn.inp by its record counts; every count is checked.
XdPar read_xd_par(const std::string& text) {
  const std::vector<std::string> l = split_lines(text);
  XdPar p;
  p.lines = l.size();
  EXPECT_GE(l.size(), 12u);
  if (l.size() < 12) return p;
  EXPECT_EQ(l[3], "XDPARFILE VERSION  2");
  const std::vector<double> usage = numbers(l[6].substr(6));
  EXPECT_EQ(usage.size(), 14u) << l[6];
  if (usage.size() != 14) return p;
  p.natom = static_cast<int>(usage[0]);
  p.nkset = static_cast<int>(usage[3]);
  p.nsft = static_cast<int>(usage[8]);
  p.ndummy = static_cast<int>(usage[13]);
  const std::size_t expected = 9u + static_cast<std::size_t>(p.ndummy) + 5u * static_cast<std::size_t>(p.natom) +
                               static_cast<std::size_t>(p.nkset) + 3u;
  EXPECT_EQ(l.size(), expected);
  if (l.size() != expected) return p;
  std::size_t k = 9 + static_cast<std::size_t>(p.ndummy);
  for (int i = 0; i < p.natom; ++i) {
    AtomBlock b;
    b.label = l[k].substr(0, 8);
    const std::vector<double> v = numbers(l[k].substr(8));
    EXPECT_EQ(v.size(), 15u) << l[k];
    for (std::size_t j = 0; j < 11 && j < v.size(); ++j) b.xd_integers.push_back(static_cast<int>(v[j]));
    if (v.size() == 15) b.occ = v[14];
    EXPECT_EQ(numbers(l[k + 1]).size(), 6u) << l[k + 1];
    for (std::size_t j = k + 2; j <= k + 4; ++j)
      for (double x : numbers(l[j])) b.pops.push_back(x);
    EXPECT_EQ(b.pops.size(), 26u) << b.label;
    p.atoms.push_back(b);
    k += 5;
  }
  for (int s = 0; s < p.nkset; ++s) {
    p.kappa_lines.push_back(numbers(l[k++]));
    EXPECT_EQ(p.kappa_lines.back().size(), 7u);
  }
  EXPECT_EQ(numbers(l[k]).size(), 7u);
  EXPECT_EQ(numbers(l[k + 1]).size(), 1u);
  EXPECT_EQ(numbers(l[k + 2]).size(), 1u);
  return p;
}

// The log's report of one atom: the parameters transferred and the new Pv
// of the rescaling table.
struct LogAtom {
  bool found = false;
  std::vector<double> params;   // Pval, kappa, kappa', sigmaPv
  std::vector<double> plm;      // (0,0), then (l, -l..l) for l = 1..4
  double pv_new = -1;
  std::set<std::string> zeroed;  // terms the atom's symmetry forbids
};

std::map<std::string, LogAtom> read_log(const std::string& log) {
  std::map<std::string, LogAtom> out;
  const std::vector<std::string> l = split_lines(log);
  const std::string assigned = " Pseudoatom parameters assigned to ";
  for (std::size_t k = 0; k < l.size(); ++k) {
    if (l[k].rfind(" ReadDB :: atom ", 0) == 0) {
      const std::string rest = l[k].substr(16);
      out[rest.substr(0, rest.find(' '))].found = rest.find(" was found") != std::string::npos;
    }
    if (l[k].rfind(assigned, 0) == 0 && k + 7 < l.size()) {
      const std::string label = l[k].substr(assigned.size(), l[k].find(" : ") - assigned.size());
      LogAtom& a = out[label];
      a.params = numbers(l[k + 2].substr(l[k + 2].find('=') + 1));
      a.plm.clear();   // populations turned into the written frame are reported again
      for (std::size_t j = k + 3; j <= k + 7; ++j)
        for (double x : numbers(l[j].substr(l[j].find(':') + 1))) a.plm.push_back(x);
    }
    const std::string forbidden = " Populations that the symmetry of ";
    if (l[k].rfind(forbidden, 0) == 0) {
      std::istringstream words(l[k].substr(l[k].find(" : ") + 3));
      LogAtom& a = out[l[k].substr(forbidden.size(), l[k].find(" forbids") - forbidden.size())];
      for (std::string w; words >> w;) a.zeroed.insert(w);
    }
    // A row of the rescaling table: I6, 2X, A8, 1X, F7.3, then four F12.5.
    if (l[k].size() == 72 && l[k].substr(6, 2) == "  " && l[k].find_first_not_of(" 0123456789") == 8) {
      const std::string label(rtrim(l[k].substr(8, 8)));
      const std::vector<double> v = numbers(l[k].substr(16));
      if (v.size() == 5) out[label].pv_new = v[4];
    }
  }
  return out;
}

struct DemoRun {
  test::ScratchDir dir;
  test::RunResult result;
  DemoRun(const std::string& shelx, const std::string& extra, const std::string& input = "") {
    dir.copy_in(test::test_data("shelx/" + shelx), shelx);
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
    dir.write("vorn.inp", "FORMAT *shelx\nINPUT " + shelx + "\nNCELLS 1\nRINGS 3 8\n" + extra);
    result = test::run_vorn(dir, "", input);
  }
};

// Every atom's populations in xd_vorn.inp are the ones the log reports:
// multipoles as transferred times the occupancy (zero where the log says
// the atom's symmetry forbids them), Pv as rescaled.
void expect_file_matches_log(const XdPar& p, const std::map<std::string, LogAtom>& log, double target) {
  const int xd_order[25] = {0, 3, 1, 2, 6, 7, 5, 8, 4, 12, 13, 11, 14, 10, 15, 9, 20, 21, 19, 22, 18, 23, 17, 24, 16};
  const char* const xd_names[25] = {"P00",  "D11+", "D11-", "D10",  "Q20",  "Q21+", "Q21-", "Q22+", "Q22-",
                                    "O30",  "O31+", "O31-", "O32+", "O32-", "O33+", "O33-", "H40",  "H41+",
                                    "H41-", "H42+", "H42-", "H43+", "H43-", "H44+", "H44-"};
  double sum = 0;
  std::map<int, const LogAtom*> last_of_set;
  for (const AtomBlock& b : p.atoms) {
    const std::string label(rtrim(b.label));
    const auto it = log.find(label);
    ASSERT_NE(it, log.end()) << label;
    const LogAtom& a = it->second;
    EXPECT_TRUE(a.found) << label;
    ASSERT_EQ(a.plm.size(), 25u) << label;
    ASSERT_EQ(b.pops.size(), 26u) << label;
    EXPECT_NEAR(b.pops[0], a.pv_new, 6e-5) << label;
    for (int j = 0; j < 25; ++j) {
      const double transferred = a.zeroed.count(xd_names[j]) ? 0.0 : a.plm[static_cast<std::size_t>(xd_order[j])];
      EXPECT_NEAR(b.pops[static_cast<std::size_t>(j + 1)], transferred * b.occ, 6e-4) << label << " population " << j;
    }
    sum += b.pops[0];
    last_of_set[b.xd_integers[7]] = &a;
  }
  EXPECT_NEAR(sum, target, 2e-3);
  // A kappa set carries the kappas of the last atom transferred into it.
  ASSERT_EQ(static_cast<int>(last_of_set.size()), p.nkset);
  for (const auto& [set, a] : last_of_set) {
    const std::vector<double>& k = p.kappa_lines[static_cast<std::size_t>(set - 1)];
    ASSERT_EQ(a->params.size(), 4u);
    EXPECT_NEAR(k[1], a->params[1], 1e-4) << "set " << set;
    for (std::size_t j = 2; j < 7; ++j) EXPECT_NEAR(k[j], a->params[2], 1e-4) << "set " << set;
  }
}

TEST(XdParameterFileRun, ParacetamolWithTheExampleDatabank) {
  DemoRun run("paracetamol_P21n.res", "EXTEND_H\nDATABANK vorn.db\nSCALE *sigma\nCHFRAG 0.\n");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  EXPECT_NE(run.result.out.find(" ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB =       20      20       0"),
            std::string::npos)
      << run.result.out;
  const XdPar p = read_xd_par(run.dir.read("xd_vorn.inp"));
  EXPECT_EQ(p.natom, 20);
  // C8H9NO2: 8*4 + 9 + 5 + 2*6 valence electrons, neutral.
  expect_file_matches_log(p, read_log(run.dir.read("vorn.out")), 58.0);
  EXPECT_TRUE(run.dir.exists("fixedH.ins"));
}

TEST(XdParameterFileRun, AlanineWithTheChargeAskedOnTheTerminal) {
  DemoRun run("L-alanine_P212121_freeH.res", "DATABANK vorn.db\nSCALE *diff\n", "\n");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  const XdPar p = read_xd_par(run.dir.read("xd_vorn.inp"));
  EXPECT_EQ(p.natom, 13);
  const std::map<std::string, LogAtom> log = read_log(run.dir.read("vorn.out"));
  // C3H7NO2: 12 + 7 + 5 + 12 valence electrons; the blank answer is 0.
  expect_file_matches_log(p, log, 36.0);
  EXPECT_NE(run.result.out.find(" Enter net charge of fragment   1 [0.] : "), std::string::npos);
  EXPECT_FALSE(run.dir.exists("fixedH.ins"));
}

TEST(XdParameterFileRun, EndOfInputAtTheChargePromptTakesZero) {
  DemoRun run("L-alanine_P212121_freeH.res", "DATABANK vorn.db\nSCALE *frac\n");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  EXPECT_NE(run.dir.read("vorn.out").find(" No answer on standard input (end of input): net charge of fragment   1 "
                                          "taken as 0."),
            std::string::npos);
  const XdPar p = read_xd_par(run.dir.read("xd_vorn.inp"));
  expect_file_matches_log(p, read_log(run.dir.read("vorn.out")), 36.0);
}

TEST(XdParameterFileRun, ConversionOnlyWritesFreeAtomPopulations) {
  test::ScratchDir dir;
  dir.copy_in(test::test_data("shelx/paracetamol_P21n.res"), "p.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT p.res *toxd\nEXTEND_H\nDATABANK vorn.db\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(dir.exists("fixedH.ins"));
  const XdPar p = read_xd_par(dir.read("xd_vorn.inp"));
  ASSERT_EQ(p.natom, 20);
  for (const AtomBlock& b : p.atoms) {
    const char e = b.label[0];
    const double pv = e == 'O' ? 6 : e == 'N' ? 5 : e == 'C' ? 4 : 1;
    EXPECT_NEAR(b.pops[0], pv * b.occ, 1e-4) << b.label;
    for (std::size_t j = 1; j < b.pops.size(); ++j) EXPECT_EQ(b.pops[j], 0.0) << b.label;
  }
  for (const auto& k : p.kappa_lines)
    for (std::size_t j = 1; j < k.size(); ++j) EXPECT_EQ(k[j], 1.0);
}

TEST(XdParameterFileRun, FreeVariablesGiveExtinctionAndScale) {
  test::ScratchDir dir;
  dir.copy_in(test::test_data("shelx/I-43d_Ni_complex_body_centred.res"), "ni.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT ni.res *toxd\n");
  const test::RunResult r = test::run_vorn(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string text = dir.read("xd_vorn.inp");
  const XdPar p = read_xd_par(text);
  EXPECT_EQ(p.nkset, p.nsft);   // one kappa set per scattering type
  const std::vector<std::string> l = split_lines(text);
  ASSERT_GE(l.size(), 3u);
  // FVAR 0.03537 0.23365 0.20533 0.26513
  EXPECT_EQ(l[l.size() - 3], " 0.2336E+00 0.2053E+00 0.2651E+00 0.0000E+00 0.0000E+00 0.0000E+00 0.0000E+00");
  EXPECT_EQ(l[l.size() - 2], " 0.0000E+00");
  EXPECT_EQ(l[l.size() - 1], " 0.353700E-01");
}

TEST(XdParameterFileRun, ZwitterionRescaledPerFragment) {
  // L-alanine: carboxylate (O1, O2, C3) -1, ammonium (N1, H1-H3) +1, the
  // rest neutral; the third FRAG line is continued on the next record.
  DemoRun run("L-alanine_P212121_freeH.res",
              "DATABANK vorn.db\nSCALE *frac\nNFRAG 3\nFRAG 1 1 2 13\nFRAG 2 3 -6\nFRAG 3 7 \\\n  8 -12\n"
              "CHFRAG -1. 1. 0.\n");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  const XdPar p = read_xd_par(run.dir.read("xd_vorn.inp"));
  ASSERT_EQ(p.natom, 13);
  auto sum = [&](std::initializer_list<int> atoms) {
    double s = 0;
    for (int i : atoms) s += p.atoms[static_cast<std::size_t>(i - 1)].pops[0];
    return s;
  };
  EXPECT_NEAR(sum({1, 2, 13}), 17.0, 2e-4);
  EXPECT_NEAR(sum({3, 4, 5, 6}), 7.0, 2e-4);
  EXPECT_NEAR(sum({7, 8, 9, 10, 11, 12}), 12.0, 2e-4);
  EXPECT_EQ(run.result.out.find("Enter net charge"), std::string::npos);
  EXPECT_NE(run.result.out.find(" Rescaling Sum-of-Pv to     17.000000 el.   ( Charge =   -1.000 el. )"),
            std::string::npos);
}

}  // namespace
}  // namespace vorn
