#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "databank/databank.hpp"
#include "databank/rescale.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::MemoryRun;

// A structure of carbon, nitrogen, oxygen and hydrogen atoms with made-up
// databank populations, and a control file given as text.
struct Rescale {
  MemoryRun mr;
  test::TestRun& rs = *mr.rs;
  RecordFile control;
  std::istringstream input;

  Rescale(int method, const std::string& control_text, const std::string& answers = "") : input(answers) {
    rs.sw.args.rescale_method = method;
    control.open_text(control_text);
    const int z[] = {6, 6, 8, 1, 7, 1, 6, 8};
    const double pv[] = {4.10, 3.95, 6.30, 0.88, 5.20, 0.80, 4.05, 6.10};
    const double sig[] = {0.05, 0.04, 0.08, 0.02, 0.06, 0.0, 0.05, 0.07};
    rs.model.natom = 8;
    for (int i = 0; i < 8; ++i) {
      rs.atom(i).atomic_number = z[i];
      rs.atom(i).label = test::numbered("A", i + 1);
      rs.populations.of[i].pv = pv[i];
      rs.populations.of[i].sigpv = sig[i];
    }
    rs.atom(7).occ = 0.5;
    rs.populations.of[7].pv *= 0.5;
  }
  void run() { run_with(&control); }
  void run_with(RecordFile* file) {
    rs.populations = rescale_valence_populations(std::move(rs.populations), rs.model, rs.sw.args.rescale_method, file, &input, rs.io.log);
  }
  std::vector<double> pv() const {
    std::vector<double> v;
    for (int i = 0; i < 8; ++i) v.push_back(rs.populations.of[i].pv);
    return v;
  }
  double free_sum(std::initializer_list<int> atoms) const {
    double s = 0;
    for (int i : atoms) s += pval(rs.atom(i).atomic_number) * rs.atom(i).occ;
    return s;
  }
  double sum(std::initializer_list<int> atoms) const {
    double s = 0;
    for (int i : atoms) s += rs.populations.of[i].pv;
    return s;
  }
};

TEST(Rescale, DifferenceSpreadsTheMissingChargeEvenlyOverEachFragment) {
  Rescale t(1, "NFRAG 2\nFRAG 1 1 -3\nFRAG 2 5 -6 8\nCHFRAG 0. -1.\n");
  const std::vector<double> before = t.pv();
  t.run();
  EXPECT_NEAR(t.sum({0, 1, 2}), t.free_sum({0, 1, 2}), 1e-5);
  EXPECT_NEAR(t.sum({4, 5, 7}), t.free_sum({4, 5, 7}) + 1.0, 1e-5);
  const double c1 = t.rs.populations.of[0].pv - before[0];
  EXPECT_NEAR(t.rs.populations.of[1].pv - before[1], c1, 1e-6);
  EXPECT_NEAR(t.rs.populations.of[2].pv - before[2], c1, 1e-6);
  EXPECT_NEAR(t.rs.populations.of[7].pv - before[7], t.rs.populations.of[4].pv - before[4], 1e-6);
  // Atoms 4 and 7 belong to no fragment.
  EXPECT_EQ(t.rs.populations.of[3].pv, before[3]);
  EXPECT_EQ(t.rs.populations.of[6].pv, before[6]);
  // No question is asked when CHFRAG gives the charges.
  EXPECT_EQ(t.mr.term.str().find("Enter net charge"), std::string::npos);
  const std::string log = t.mr.log();
  EXPECT_NE(log.find("\n Using difference method for rescaling...\n"), std::string::npos);
  EXPECT_NE(log.find("\n ***** Rescaling Pv's in fragment =   2 *****\n"), std::string::npos);
  EXPECT_NE(log.find("\n Rescaling Sum-of-Pv to     10.000000 el.   ( Charge =   -1.000 el. )\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("\n    NO  ATOM       Occup.    Pv(DB)      Pv(free)    +Corr       Pv(new)\n\n"),
            std::string::npos);
  // Fragment 1: sfree 14, sdb 14.35, so every atom gets -0.35 / 3.
  EXPECT_NE(log.find("\n Sum-of-Pv[free]     =    14.000000 el.\n Sum-of-Pv[databank] =    14.350000 el.\n"
                     " Difference          =    -0.350000 el. (   2.50 % )\n"),
            std::string::npos);
  EXPECT_NE(log.find("\n     1  A1         1.000     4.10000     4.00000    -0.11667     3.98333\n"), std::string::npos);
  EXPECT_NE(log.find("\n     8  A8         0.500     3.05000     3.00000    +0.31667     3.36667\n"), std::string::npos);
  EXPECT_NE(log.find("\n                    SUM     14.35000    14.00000    -0.35000    14.00000\n"), std::string::npos);
  EXPECT_NE(log.find("\n                    SUM      9.05000     9.00000     0.95000    10.00000\n"), std::string::npos);
  EXPECT_NE(t.mr.term.str().find(" Difference          =    -0.050000 el. (   0.56 % )\n"), std::string::npos);
}

TEST(Rescale, FractionScalesEveryPopulationByOneFactor) {
  Rescale t(2, "NFRAG 1\nFRAG 1 2 4 -7\nCHFRAG 1.\n");
  const std::vector<double> before = t.pv();
  t.run();
  const double target = t.free_sum({1, 3, 4, 5, 6}) - 1.0;
  EXPECT_NEAR(t.sum({1, 3, 4, 5, 6}), target, 1e-5);
  const double factor = t.rs.populations.of[1].pv / before[1];
  for (int i : {3, 4, 5, 6}) EXPECT_NEAR(t.rs.populations.of[i].pv / before[static_cast<std::size_t>(i)], factor, 1e-6);
  for (int i : {0, 2, 7}) EXPECT_EQ(t.rs.populations.of[i].pv, before[static_cast<std::size_t>(i)]);
  EXPECT_NE(t.mr.log().find("    *Corr       Pv(new)"), std::string::npos);
}

TEST(Rescale, SigmaSharesTheDifferenceInProportionToSigmaPv) {
  Rescale t(3, "NFRAG 1\nFRAG 1 3 -6\nCHFRAG 0.\n");
  const std::vector<double> before = t.pv();
  t.run();
  EXPECT_NEAR(t.sum({2, 3, 4, 5}), t.free_sum({2, 3, 4, 5}), 1e-5);
  // sigmaPv 0.08, 0.02, 0.06 and 0: corrections in the ratio 4 : 1 : 3 : 0.
  const double c4 = t.rs.populations.of[3].pv - before[3];
  EXPECT_NEAR(t.rs.populations.of[2].pv - before[2], 4 * c4, 1e-5);
  EXPECT_NEAR(t.rs.populations.of[4].pv - before[4], 3 * c4, 1e-5);
  EXPECT_EQ(t.rs.populations.of[5].pv, before[5]);
  EXPECT_EQ(t.rs.populations.of[2].sigpv, 0.08);   // sigmaPv itself is not changed
  const std::string log = t.mr.log();
  EXPECT_NE(log.find("\n Sum of sigma(Pv)    =     0.160000\n"), std::string::npos);
  EXPECT_NE(t.mr.term.str().find(" Sum of sigma(Pv)    =     0.160000\n"), std::string::npos);
}

TEST(Rescale, AnAtomInTwoFragmentsIsRescaledInBothInFragmentOrder) {
  Rescale t(1, "NFRAG 2\nFRAG 1 1 2\nFRAG 2 2 3\nCHFRAG 0. 0.\n");
  const std::vector<double> b = t.pv();
  t.run();
  // Fragment 1: atoms 1, 2 to 8 electrons.
  const double c1 = (8.0 - (b[0] + b[1])) / 2;
  const double pv2 = b[1] + c1;
  // Fragment 2: atom 2 as rescaled in fragment 1, and atom 3, to 10.
  const double c2 = (10.0 - (pv2 + b[2])) / 2;
  EXPECT_NEAR(t.rs.populations.of[0].pv, b[0] + c1, 1e-5);
  EXPECT_NEAR(t.rs.populations.of[1].pv, pv2 + c2, 1e-5);
  EXPECT_NEAR(t.rs.populations.of[2].pv, b[2] + c2, 1e-5);
  EXPECT_NEAR(t.sum({1, 2}), 10.0, 1e-5);
}

TEST(Rescale, FragLinesWithRangesContinuationsAndSeveralLinesPerFragment) {
  // Continued over two records, with a comment between them; a range whose
  // start is the fragment number itself; a later line adding atom 8.
  Rescale t(1,
            "NFRAG 3\n"
            "FRAG 1 1 -2 \\\n"
            "! the continuation\n"
            "  4 -5\n"
            "frag 3 -3\n"
            "FRAG 1 8 0\n"
            "CHFRAG 0. 0. 0.\n");
  const std::vector<double> b = t.pv();
  t.run();
  EXPECT_NEAR(t.sum({0, 1, 3, 4, 7}), t.free_sum({0, 1, 3, 4, 7}), 1e-5);
  EXPECT_NEAR(t.rs.populations.of[2].pv, t.free_sum({2}), 1e-5);
  EXPECT_EQ(t.rs.populations.of[5].pv, b[5]);
  EXPECT_EQ(t.rs.populations.of[6].pv, b[6]);
  // Fragment 2 has no atoms: a warning, nothing changed.
  EXPECT_NE(t.mr.log().find(" WARNING: No atoms in fragment   2; its Pv's are left unchanged"), std::string::npos);
}

TEST(Rescale, WithoutFragmentsEveryAtomIsOneFragmentAndTheChargeIsAsked) {
  Rescale t(1, "! no fragment lines\nVERBOSE 1\n", "  \n");
  t.run();
  EXPECT_NEAR(t.sum({0, 1, 2, 3, 4, 5, 6, 7}), t.free_sum({0, 1, 2, 3, 4, 5, 6, 7}), 1e-5);
  const std::string term = t.mr.term.str();
  EXPECT_NE(term.find("\n Using ALL atoms for fragment 1 !\n"), std::string::npos);
  EXPECT_NE(term.find(" Enter net charge of fragment   1 [0.] : "), std::string::npos);

  // A non-number is asked again; the number then counts.
  Rescale u(1, "NFRAG 1\n", "minus one\n-1\n");
  u.run();
  EXPECT_NEAR(u.sum({0, 1, 2, 3, 4, 5, 6, 7}), u.free_sum({0, 1, 2, 3, 4, 5, 6, 7}) + 1.0, 1e-5);
  const std::string uterm = u.mr.term.str();
  EXPECT_NE(uterm.find("[minus one] is not a number"), std::string::npos);
  EXPECT_NE(uterm.find("[0.] : ", uterm.find("not a number")), std::string::npos);

  // "CHFRAG 0." without FRAG lines: one neutral fragment, no question.
  Rescale v(2, "CHFRAG 0.\n");
  v.run();
  EXPECT_EQ(v.mr.term.str().find("Enter net charge"), std::string::npos);
  EXPECT_NEAR(v.sum({0, 1, 2, 3, 4, 5, 6, 7}), v.free_sum({0, 1, 2, 3, 4, 5, 6, 7}), 1e-5);

  // No control file at all, and no answer at the end of the input.
  Rescale w(3, "");
  w.run_with(nullptr);
  EXPECT_NE(w.mr.log().find(" No answer on standard input (end of input): net charge of fragment   1 taken as 0."),
            std::string::npos);
  EXPECT_NEAR(w.sum({0, 1, 2, 3, 4, 5, 6, 7}), w.free_sum({0, 1, 2, 3, 4, 5, 6, 7}), 1e-5);
}

TEST(Rescale, ZeroDenominatorsLeaveTheFragmentUnchanged) {
  Rescale t(3, "NFRAG 1\nFRAG 1 6\nCHFRAG 0.\n");   // atom 6 has sigmaPv 0
  const double before = t.rs.populations.of[5].pv;
  t.run();
  EXPECT_EQ(t.rs.populations.of[5].pv, before);
  EXPECT_NE(t.mr.log().find("WARNING: Sum of sigma(Pv) is zero"), std::string::npos);

  Rescale u(2, "NFRAG 1\nFRAG 1 1 2\nCHFRAG 0.\n");
  u.rs.populations.of[0].pv = 0;
  u.rs.populations.of[1].pv = 0;
  u.run();
  EXPECT_EQ(u.rs.populations.of[0].pv, 0.0);
  EXPECT_NE(u.mr.log().find("WARNING: Sum-of-Pv[databank] is zero"), std::string::npos);

  Rescale v(1, "NFRAG 1\nFRAG 1 1\nCHFRAG 0.\n");
  v.rs.atom(0).occ = 0;
  v.run();
  EXPECT_FLOAT_EQ(v.rs.populations.of[0].pv, 4.10);
  EXPECT_NE(v.mr.log().find("WARNING: Sum-of-Pv[free] is zero in fragment   1"), std::string::npos);
}

TEST(Rescale, BadFragLinesStop) {
  Rescale t(1, "NFRAG 1\nFRAG 1 1 -9\n");
  EXPECT_THROW(t.mr.as_driver([&] { t.run(); }), RunError);
  EXPECT_NE(t.mr.log().find(" ERROR *** rescalePv *** Atom number 9 on a FRAG line of fragment 1 is outside 1..8"),
            std::string::npos);
  Rescale u(1, "NFRAG 1\nFRAG 1 12\n");
  EXPECT_THROW(u.mr.as_driver([&] { u.run(); }), RunError);
  EXPECT_NE(u.mr.log().find("Atom number 12 on a FRAG line"), std::string::npos);
  Rescale v(1, "NFRAG 1\nFRAG 1 C1 C2\n");
  EXPECT_THROW(v.mr.as_driver([&] { v.run(); }), RunError);
  EXPECT_NE(v.mr.log().find(" ERROR *** rescalePv *** Error reading fragments from vorn.inp"), std::string::npos);
}

}  // namespace
}  // namespace vorn
