// Atoms on special positions, checked on real structures independently of
// the program's own symmetry code: the site operations come from the
// structure file through gemmi, the harmonics from the standard library,
// and the frames and keys from the written xd_vorn.mas.  No KEY line may
// refine a multipole that the site changes, and every frame must let each
// multipole the site allows be refined on its own.
#include <gtest/gtest.h>

#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "layout/text_edit.hpp"
#include "support/real_harmonics.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

// SHELX writes translations as decimals; gemmi reads fractions.
std::string as_fractions(const std::string& card) {
  static const std::regex decimal(R"((\d+\.\d*))");
  std::string out;
  std::sregex_iterator it(card.begin(), card.end(), decimal), end;
  std::size_t last = 0;
  for (; it != end; ++it) {
    out += card.substr(last, static_cast<std::size_t>(it->position()) - last);
    out += std::to_string(std::lround(std::stod(it->str()) * 24)) + "/24";
    last = static_cast<std::size_t>(it->position() + it->length());
  }
  return out + card.substr(last);
}

struct Crystal {
  gemmi::UnitCell cell;
  std::vector<gemmi::Op> ops;
};

Crystal read_crystal(const std::string& res) {
  Crystal c;
  std::vector<gemmi::Op> base{gemmi::Op::identity()};
  int latt = 1;
  std::istringstream in(res);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "CELL") {
      double wave, p[6];
      words >> wave >> p[0] >> p[1] >> p[2] >> p[3] >> p[4] >> p[5];
      c.cell.set(p[0], p[1], p[2], p[3], p[4], p[5]);
    } else if (key == "LATT") {
      words >> latt;
    } else if (key == "SYMM") {
      base.push_back(gemmi::parse_triplet(as_fractions(line.substr(4))));
    }
  }
  if (latt > 0)
    for (std::size_t k = 0, n = base.size(); k < n; ++k) {
      gemmi::Op inverted = base[k];
      inverted.rot = inverted.negated_rot();
      for (int& t : inverted.tran) t = -t;
      base.push_back(inverted);
    }
  const int D = gemmi::Op::DEN / 2;
  const std::map<int, std::vector<gemmi::Op::Tran>> centring{
      {1, {}}, {2, {{D, D, D}}}, {4, {{0, D, D}, {D, 0, D}, {D, D, 0}}}, {5, {{0, D, D}}}, {6, {{D, 0, D}}},
      {7, {{D, D, 0}}}};
  c.ops = base;
  for (const gemmi::Op::Tran& t : centring.at(std::abs(latt)))
    for (const gemmi::Op& op : base) c.ops.push_back(op.add_centering(t));
  return c;
}

gemmi::Mat33 cartesian_rotation(const gemmi::UnitCell& cell, const gemmi::Op& op) {
  gemmi::Mat33 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.a[i][j] = double(op.rot[i][j]) / gemmi::Op::DEN;
  return cell.orth.mat.multiply(r).multiply(cell.frac.mat);
}

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

TEST(SiteSymmetry, KeysRefineOnlyWhatTheSiteAllowsAndFramesResolveIt) {
  const std::vector<std::string> files{"urea_P-421m_special_positions.res", "I-43d_Ni_complex_body_centred.res",
                                       "CaF2_Fm-3m_face_centred.res",
                                       "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res",
                                       "C2c_AlGa_fluoroalkoxy_MOESM1367.res"};
  const std::vector<gemmi::Vec3> probes{{0.31, 0.52, 0.8}, {-0.7, 0.23, 0.41}, {0.13, -0.9, -0.33}, {0.6, 0.61, -0.5},
                                        {-0.2, -0.45, 0.87}};
  int special_atoms = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ScratchDir dir;
    dir.copy_in(test_data("shelx/" + file), "s.res");
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
    dir.write("vorn.inp",
              "FORMAT *shelx\nINPUT s.res\nNCELLS 1\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\n"
              "DATABANK vorn.db\nCHFRAG 0.\n");
    ASSERT_EQ(run_vorn(dir).status, 0);
    const Crystal crystal = read_crystal(read_file(test_data("shelx/" + file)));

    // Fractional positions of the atoms (parameter file) and dummies (master file).
    std::map<std::string, gemmi::Fractional> at;
    std::vector<std::string> inp = lines_of(dir.read("xd_vorn.inp"));
    const std::regex atom_record(R"(^\S{1,8} +(-?\d+ +){11}-?\d+\.\d{5})");
    for (const std::string& l : inp)
      if (std::regex_search(l, atom_record)) {
        const auto w = words_of(l);
        at[w[0]] = gemmi::Fractional(std::stod(w[12]), std::stod(w[13]), std::stod(w[14]));
      }
    const std::vector<std::string> mas = lines_of(dir.read("xd_vorn.mas"));
    for (const std::string& l : mas)
      if (l.rfind("DUM", 0) == 0) {
        const auto w = words_of(l);
        at[w[0]] = gemmi::Fractional(std::stod(w[1]), std::stod(w[2]), std::stod(w[3]));
      }
    std::map<std::string, std::string> key;
    const auto key_header = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("KEY ", 0) == 0; });
    for (auto it = key_header + 1; it != mas.end() && it->rfind("KAPPA", 0) != 0; ++it)
      key[std::string(rtrim(it->substr(0, 8)))] = it->substr(8 + 38);

    const auto table = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("ATOM     ATOM0", 0) == 0; });
    for (auto it = table + 1; it != mas.end() && *it != "END ATOM"; ++it) {
      if (it->rfind("DUM", 0) == 0) continue;
      const std::string label(rtrim(it->substr(0, 8)));
      SCOPED_TRACE(*it);
      const gemmi::Fractional x = at.at(label);
      const gemmi::Position origin = crystal.cell.orthogonalize(x);
      // The site group in Cartesian space.
      std::vector<gemmi::Mat33> site;
      for (const gemmi::Op& op : crystal.ops) {
        const auto y = op.apply_to_xyz({x.x, x.y, x.z});
        const gemmi::Fractional d = gemmi::Fractional(y[0] - x.x, y[1] - x.y, y[2] - x.z).wrap_to_zero();
        if (crystal.cell.orthogonalize_difference(d).length() < 0.01) site.push_back(cartesian_rotation(crystal.cell, op));
      }
      if (site.size() < 2) continue;
      ++special_atoms;
      // The written frame: the first axis towards point 1, the second
      // towards point 2 made perpendicular, right-handed.
      const std::string p1(rtrim(it->substr(9, 8))), p2(rtrim(it->substr(31, 8)));
      const char l1 = (*it)[19], l2 = (*it)[40];
      const gemmi::Vec3 e1 = (gemmi::Vec3(crystal.cell.orthogonalize(at.at(p1))) - origin).normalized();
      gemmi::Vec3 e2 = gemmi::Vec3(crystal.cell.orthogonalize(at.at(p2))) - origin;
      e2 = (e2 - e1 * e2.dot(e1)).normalized();
      gemmi::Vec3 axis[3];
      axis[l1 - 'X'] = e1;
      axis[l2 - 'X'] = e2;
      const int third = 3 - (l1 - 'X') - (l2 - 'X');
      axis[third] = ((l2 - l1 + 3) % 3 == 1) ? e1.cross(e2) : e2.cross(e1);
      const gemmi::Mat33 f(axis[0].x, axis[1].x, axis[2].x, axis[0].y, axis[1].y, axis[2].y, axis[0].z, axis[1].z,
                           axis[2].z);
      const std::string& k = key.at(label);   // "10 ddd ddddd ddddddd ddddddddd"
      std::size_t pos = 3;
      for (int l = 1; l <= 4; ++l, ++pos) {
        int single = 0, refined = 0;
        for (int j = 0; j < 2 * l + 1; ++j, ++pos) {
          const int m = key_m(l, j);
          bool invariant = true;
          for (const gemmi::Mat33& r : site) {
            const gemmi::Mat33 in_frame = f.transpose().multiply(r).multiply(f);
            for (const gemmi::Vec3& u : probes)
              invariant = invariant && std::fabs(real_ylm(l, m, in_frame.multiply(u)) - real_ylm(l, m, u)) < 2e-3;
          }
          single += invariant;
          refined += k[pos] == '1';
          EXPECT_TRUE(invariant || k[pos] == '0') << "refines a forbidden term, l=" << l << " m=" << m;
        }
        // The multipoles the site allows, counted by the group average of
        // each order's character, are all single terms in the frame
        // (except the order-4 combination of the cubic sites).
        double character = 0;
        for (const gemmi::Mat33& r : site) {
          const double det = r.determinant();
          const gemmi::Mat33 p = det > 0 ? r : gemmi::Mat33(-r.a[0][0], -r.a[0][1], -r.a[0][2], -r.a[1][0], -r.a[1][1],
                                                              -r.a[1][2], -r.a[2][0], -r.a[2][1], -r.a[2][2]);
          const double t = std::acos(std::clamp((p.a[0][0] + p.a[1][1] + p.a[2][2] - 1) / 2, -1.0, 1.0));
          double chi = 1;
          for (int m = 1; m <= l; ++m) chi += 2 * std::cos(m * t);
          character += det > 0 || l % 2 == 0 ? chi : -chi;
        }
        const long allowed = std::lround(character / double(site.size()));
        if (site.size() < 24) {
          EXPECT_EQ(single, allowed) << "l=" << l;
        }
        EXPECT_LE(refined, single);
      }
    }
  }
  EXPECT_GE(special_atoms, 10);
}

}  // namespace
}  // namespace vorn::test
