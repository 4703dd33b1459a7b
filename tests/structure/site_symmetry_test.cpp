// Point groups and symmetry elements of sites, for every crystallographic
// point group built from the generators of its site-symmetry label.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "localframe/multipole_symmetry.hpp"
#include "structure/site_symmetry.hpp"

namespace vorn::test {
namespace {

SiteSymmetry group_of(const std::vector<gemmi::Mat33>& generators) {
  std::vector<gemmi::Mat33> group{gemmi::Mat33()};
  group.insert(group.end(), generators.begin(), generators.end());
  for (std::size_t a = 0; a < group.size(); ++a)
    for (std::size_t b = 0; b < group.size(); ++b) {
      const gemmi::Mat33 p = group[a].multiply(group[b]);
      bool known = false;
      for (const gemmi::Mat33& g : group) known = known || g.approx(p, 1e-6);
      if (!known) group.push_back(p);
    }
  SiteSymmetry site;
  for (const gemmi::Mat33& g : group) site.operations.push_back(classify_operation(g));
  site.point_group = classify_point_group(site.operations);
  return site;
}

TEST(SiteSymmetry, EveryPointGroupIsNamedAndItsElementsListed) {
  const char* const labels[] = {"-1",  "2",   "m",  "2/m", "222", "mm2", "mmm", "4",   "-4",  "4/m", "422",
                                "4mm", "-4m2", "4/mmm", "3", "-3",  "32",  "3m",  "-3m", "6",   "-6",  "6/m",
                                "622", "6mm", "-62m", "6/mmm", "23", "m-3", "432", "-43m", "m-3m"};
  // D2d is named "-42m"; the frame's label "-4m2" says its mirrors lie
  // normal to X and Y.
  for (const std::string label : labels)
    EXPECT_EQ(site_symmetry_label(group_of(label_operations(label)).point_group), label == "-4m2" ? "-42m" : label);
  EXPECT_EQ(site_symmetry_label(group_of({}).point_group), "NO");

  // m-3m: three four-fold axes, four -3 axes, six two-fold axes, nine
  // mirrors and the inversion.
  std::map<std::string, int> count;
  for (const SiteOperation& e : symmetry_elements(group_of(label_operations("m-3m")))) ++count[element_symbol(e.kind)];
  EXPECT_EQ(count, (std::map<std::string, int>{{"4", 3}, {"-3", 4}, {"2", 6}, {"m", 9}, {"-1", 1}}));
  const std::vector<SiteOperation> s4 = symmetry_elements(group_of(label_operations("-4")));
  ASSERT_EQ(s4.size(), 1u);
  EXPECT_EQ(s4[0].kind, -4);
  EXPECT_NEAR(std::fabs(s4[0].axis.z), 1.0, 1e-9);
}

}  // namespace
}  // namespace vorn::test
