// Runs with the MATTS-format test bank: the rhoCIF of the transferred model
// read back by gemmi against vorn_types.csv and the bank's own values.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gemmi/cif.hpp>
#include <gemmi/gz.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/util.hpp>

#include "support/test_support.hpp"
#include "support/xd_density.hpp"

namespace vorn {
namespace {

struct MattsRun {
  test::ScratchDir dir;
  explicit MattsRun(const std::string& extra) {
    dir.copy_in(test::test_data("shelx/paracetamol_P21n.res"), "structure.res");
    dir.copy_in(test::test_data("matts/small.matts"), "bank.txt");
    dir.write("vorn.inp", "FORMAT *shelx\nINPUT structure.res\nDATABANK bank.txt\nCHFRAG 0.\n" + extra);
    const test::RunResult r = test::run_vorn(dir);
    EXPECT_EQ(r.status, 0) << r.out;
  }
};

// The row of an atom, by the names of the columns asked for.
std::map<std::string, std::string> row(gemmi::cif::Table& t, const std::vector<std::string>& names,
                                       const std::string& label) {
  std::map<std::string, std::string> out;
  for (auto r : t)
    if (r.str(0) == label)
      for (std::size_t k = 0; k < names.size(); ++k) out[names[k]] = r[k];
  return out;
}

const std::vector<std::string> kAxes = {"atom_label", "atom0", "ax1", "atom1", "atom2", "ax2", "handedness"};
const std::vector<std::string> kRho = {"atom_label", "coeff_Pv", "coeff_P11", "coeff_P20", "coeff_P33",
                                       "coeff_P4-4", "kappa", "kappa_prime"};

TEST(MattsEndToEnd, TheTransferredModelReadsBackAsARhoCif) {
  const MattsRun run("RINGS 3 8 *special\n");
  const std::vector<std::string> types = test::lines_of(run.dir.read("vorn_types.csv"));
  ASSERT_EQ(types.size(), 20u);   // every atom of the file, in its order
  gemmi::cif::Document doc = gemmi::cif::read_file(run.dir.file("vorn_model.cif"));
  gemmi::cif::Block& b = doc.sole_block();
  std::set<std::string> sites;
  for (const std::string& s : b.find_values("_atom_site_label")) sites.insert(s);
  gemmi::cif::Table axes = b.find("_atom_local_axes_", kAxes);
  gemmi::cif::Table rho = b.find("_atom_rho_multipole_", kRho);
  ASSERT_TRUE(axes.ok() && rho.ok());
  for (const std::string& line : types) {
    const std::vector<std::string> f = gemmi::split_str(line, ';');
    ASSERT_EQ(f.size(), 4u) << line;
    const std::vector<std::string> frame = gemmi::split_str_multi(f[2], " ");
    ASSERT_EQ(frame.size(), 6u) << line;
    const auto a = row(axes, kAxes, f[0]);
    ASSERT_FALSE(a.empty()) << f[0];
    EXPECT_EQ(a.at("atom0"), frame[0]);
    EXPECT_EQ(a.at("ax1"), frame[1]);
    EXPECT_EQ(a.at("atom2"), frame[3]);
    EXPECT_EQ(a.at("ax2"), frame[4]);
    EXPECT_EQ(a.at("handedness"), frame[5]);
    EXPECT_TRUE(sites.count(frame[0]) && sites.count(frame[3])) << line;   // dummy atoms are sites too
    const auto p = row(rho, kRho, f[0]);
    ASSERT_FALSE(p.empty()) << f[0];
    if (f[1] == "-") {
      // Untyped: spherical, kappa 1.
      EXPECT_EQ(gemmi::cif::as_number(p.at("coeff_P20")), 0.0) << f[0];
      EXPECT_EQ(gemmi::cif::as_number(p.at("kappa")), 1.0) << f[0];
    }
  }
  // The carbonyl O's entry leaves its X axis free (Z C2 X any_orthogonal):
  // an atom bonded to its C stands in, where a dummy would add a site.
  const auto o = row(axes, kAxes, "O(2)");
  EXPECT_EQ(o.at("atom0"), "C(7)");
  EXPECT_EQ(o.at("atom2").rfind("DUM", 0), std::string::npos) << o.at("atom2");
  EXPECT_TRUE(o.at("atom2") == "N(1)" || o.at("atom2") == "C(8)") << o.at("atom2");
  // An aromatic CH (the ring-centre frame of its entry, written as it is):
  // the bank's populations and kappas.
  struct Expected {
    const char* atom;
    const char* id;
    double p11, p20, p33, kappa, kprim;
  };
  for (const Expected& e : {Expected{"C(2)", "T-C-arH", 0.020, -0.200, -0.300, 1.0, 0.87},
                            Expected{"C(1)", "T-C-arOH", 0.100, -0.180, -0.330, 1.0, 0.88}}) {
    EXPECT_NE(run.dir.read("vorn_types.csv").find(std::string(e.atom) + ";" + e.id + ";"), std::string::npos);
    const auto p = row(rho, kRho, e.atom);
    EXPECT_NEAR(gemmi::cif::as_number(p.at("coeff_P11")), e.p11, 1e-5) << e.atom;
    EXPECT_NEAR(gemmi::cif::as_number(p.at("coeff_P20")), e.p20, 1e-5) << e.atom;
    EXPECT_NEAR(gemmi::cif::as_number(p.at("coeff_P33")), e.p33, 1e-5) << e.atom;
    EXPECT_NEAR(gemmi::cif::as_number(p.at("kappa")), e.kappa, 1e-5) << e.atom;
    EXPECT_NEAR(gemmi::cif::as_number(p.at("kappa_prime")), e.kprim, 1e-5) << e.atom;
  }
}

// The aromatic carbons take their entry's frame whether or not RINGS
// *special would give them the ring-centre frame of the program's own
// rules: the same axes and the same populations either way (the untyped
// atoms keep the program's frame, which *special changes).
TEST(MattsEndToEnd, TypedAtomsKeepTheirEntrysFrameWithAndWithoutSpecialRings) {
  const MattsRun special("RINGS 3 8 *special\n"), plain("RINGS 3 8\n");
  const std::vector<std::string> ta = test::lines_of(special.dir.read("vorn_types.csv"));
  const std::vector<std::string> tb = test::lines_of(plain.dir.read("vorn_types.csv"));
  ASSERT_EQ(ta.size(), tb.size());
  gemmi::cif::Document da = gemmi::cif::read_file(special.dir.file("vorn_model.cif"));
  gemmi::cif::Document db = gemmi::cif::read_file(plain.dir.file("vorn_model.cif"));
  gemmi::cif::Table ra = da.sole_block().find("_atom_rho_multipole_", kRho);
  gemmi::cif::Table rb = db.sole_block().find("_atom_rho_multipole_", kRho);
  int typed = 0;
  for (std::size_t i = 0; i < ta.size(); ++i) {
    const std::vector<std::string> fa = gemmi::split_str(ta[i], ';'), fb = gemmi::split_str(tb[i], ';');
    ASSERT_EQ(fa.size(), 4u);
    ASSERT_EQ(fa[1], fb[1]) << ta[i];
    if (fa[1] == "-") continue;
    ++typed;
    const std::vector<std::string> xa = gemmi::split_str_multi(fa[2], " "), xb = gemmi::split_str_multi(fb[2], " ");
    for (std::size_t k : {1, 2, 4, 5}) EXPECT_EQ(xa.at(k), xb.at(k)) << ta[i];
    const auto pa = row(ra, kRho, fa[0]), pb = row(rb, kRho, fa[0]);
    for (const char* c : {"coeff_P11", "coeff_P20", "coeff_P33", "coeff_P4-4", "kappa_prime"})
      EXPECT_NEAR(gemmi::cif::as_number(pa.at(c)), gemmi::cif::as_number(pb.at(c)), 1e-4) << fa[0] << ' ' << c;
  }
  EXPECT_EQ(typed, 12);
}

// An invented -6m2 entry for paracetamol's amide C (X along C=O, Z normal
// to its plane; it also lists D11+ and O33-): labelled -62m, its KEY and
// populations keep exactly the terms that -6 along Z and a two-fold axis
// along X leave unchanged, found here by turning directions.
TEST(MattsEndToEnd, MinusSixMTwoEntriesKeepTheTermsOfTheirSymmetry) {
  test::ScratchDir dir;
  dir.copy_in(test::test_data("shelx/paracetamol_P21n.res"), "structure.res");
  const std::string rings = " PLANAR_RING_WITH_PLANAR_ATOMS - IN_3_MEMBER_RING - IN_4_MEMBER_RING -\n";
  dir.write("bank.txt", "ENTRY\n  ID\nT-C-D3h\n  COMMENT\ninvented\n  ATOM DESCRIPTORS\nC1 CONNECTED_TO O2,N3,C PLANARITY +" +
                            rings + "O2 CONNECTED_TO C1 PLANARITY *" + rings + "N3 CONNECTED_TO C1,* PLANARITY *" + rings +
                            "  LOCAL COORDINATE SYSTEM\nX O2 Y N3 R\n  SYMMETRY\n-6m2\n  MULTIPOLE MODEL PARAMETERS\n"
                            "PVAL 4.0(1) KAPPA 1.0 KPRIM 0.9\nPLMS 1 1 0.04  PLMS 2 0 -0.2  PLMS 3 3 0.3  PLMS 3 -3 0.05\n\n");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT structure.res\nDATABANK bank.txt *matts\nCHFRAG 0.\n"
                        "KEYGEN *XYZUIJ *all ordered *MULT *all ordered\n");
  ASSERT_EQ(test::run_vorn(dir).status, 0);
  EXPECT_NE(dir.read("vorn_types.csv").find("C(7);T-C-D3h;O(2) X C(7) N(1) Y R;-62m"), std::string::npos);
  const double c = std::cos(std::numbers::pi / 3), s = std::sin(std::numbers::pi / 3);
  const gemmi::Mat33 ops[2] = {{-c, s, 0, -s, -c, 0, 0, 0, -1}, {1, 0, 0, 0, -1, 0, 0, 0, -1}};
  const test::XdAtom written = test::read_xd_pair(dir).atom.at("C(7)");
  const test::Populations listed = {{{}, {0, 0, 0.04}, {0, 0, -0.2}, {0.05, 0, 0, 0, 0, 0, 0.3}, {}}};
  for (int l = 1, at = 0; l <= 4; ++l)
    for (int k = 0; k < 2 * l + 1; ++k, ++at) {
      const int m = test::key_m(l, k);
      bool kept = true;
      for (const gemmi::Vec3& u : {gemmi::Vec3(0.3, 0.5, 0.8), gemmi::Vec3(-0.7, 0.2, 0.4), gemmi::Vec3(0.1, -0.9, -0.3)})
        for (const gemmi::Mat33& op : ops) kept = kept && std::fabs(test::real_ylm(l, m, op.multiply(u)) - test::real_ylm(l, m, u)) < 1e-9;
      EXPECT_EQ(written.key.at(static_cast<std::size_t>(at)), kept ? '1' : '0') << l << ' ' << m;
      EXPECT_NEAR(written.plm[l][l + m], kept ? listed[l][l + m] : 0.0, 1e-4) << l << ' ' << m;
    }
}

// AIM2TAB input has no cell: the model's sites are the table's Cartesian
// coordinates (bohr there, A here).
TEST(MattsEndToEnd, InputWithoutACellGivesCartesianSites) {
  test::ScratchDir dir;
  dir.copy_in(test::test_data("aim2tab/DL-tryptophan.tab"), "structure.tab");
  dir.copy_in(test::test_data("matts/small.matts"), "bank.txt");
  dir.write("vorn.inp", "FORMAT *aim2tab\nINPUT structure.tab\nDATABANK bank.txt\nCHFRAG 0.\n");
  ASSERT_EQ(test::run_vorn(dir).status, 0);
  gemmi::cif::Document doc = gemmi::cif::read_file(dir.file("vorn_model.cif"));
  gemmi::cif::Block& b = doc.sole_block();
  EXPECT_TRUE(b.find_value("_cell_length_a") == nullptr && !b.find("_atom_site_", {"fract_x"}).ok());
  std::map<std::string, std::vector<double>> sites;
  for (auto r : b.find("_atom_site_", {"label", "Cartn_x", "Cartn_y", "Cartn_z"}))
    for (int k = 1; k <= 3; ++k) sites[r.str(0)].push_back(gemmi::cif::as_number(r[k]));
  int compared = 0;
  for (const std::string& line : test::lines_of(test::read_file(test::test_data("aim2tab/DL-tryptophan.tab")))) {
    std::istringstream in(line);
    std::string tag;
    double mass = 0, x[3]{};
    if (!(in >> tag >> mass >> x[0] >> x[1] >> x[2]) || !std::isdigit(tag[0])) continue;
    const std::vector<double>& got = sites[tag.substr(tag.find_first_not_of("0123456789"))];
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.at(static_cast<std::size_t>(k)), x[k] * 0.529177, 2e-4) << tag;
    ++compared;
  }
  EXPECT_EQ(compared, 27);
}

}  // namespace
}  // namespace vorn
