#include <gtest/gtest.h>

#include "structure/model.hpp"

namespace vorn {
namespace {

// The values a run starts from decide what a file without the matching
// instruction gets: no FVAR line gives no free variable (the parameter
// file's scale is then 1).
TEST(ModelStart, StartValuesOfTheStructureModel) {
  const auto model = std::make_unique<Model>();
  const Model& m = *model;
  EXPECT_TRUE(m.shelx_refinement.fvar.empty());
  EXPECT_EQ(m.shelx_refinement.wght[0], -2.0);
  EXPECT_FLOAT_EQ(m.shelx_refinement.wght[5], 1.0 / 3.0);
  EXPECT_EQ(m.atoms.size(), 0u);   // the readers grow it atom by atom
  Model grown;
  grown.hold_entries(3);
  EXPECT_EQ(grown.atoms[2].occ, 1.0);
  EXPECT_TRUE(grown.atoms[2].label.blank());
  EXPECT_TRUE(m.model_name.blank());   // the reader or the file name gives it
  EXPECT_EQ(m.transf.m.at(1, 1), 1.0);
  EXPECT_EQ(m.transf.m.at(1, 2), 0.0);
  EXPECT_EQ(m.natom, 0);
  EXPECT_EQ(m.symm.count(), 0);
}

}  // namespace
}  // namespace vorn
