#include <gtest/gtest.h>

#include "driver/run.hpp"
#include "driver/run_state.hpp"

namespace vorn {
namespace {

// The values a run starts from decide what a file without the matching
// instruction gets: no FVAR line must still give a scale factor of 1.
TEST(ModelStart, StartValuesOfTheStructureModel) {
  auto rs = std::make_unique<RunState>();
  rs->model.shelx1.fvar[1] = 7.0f;
  rs->model.atoms[3].occ = 0.5f;
  init(*rs);
  const Model& m = rs->model;
  EXPECT_EQ(m.shelx1.fvar[1], 1.0f);
  EXPECT_EQ(m.shelx1.fvar[2], 0.0f);
  EXPECT_EQ(m.shelx1.nfvar, 0);
  EXPECT_EQ(m.shelx1.wght[0], -2.0f);
  EXPECT_FLOAT_EQ(m.shelx1.wght[5], 1.0f / 3.0f);
  EXPECT_EQ(m.atoms[3].occ, 1.0f);
  EXPECT_TRUE(m.atoms[3].label.blank());
  EXPECT_EQ(m.amodel, "TEST");
  EXPECT_EQ(m.transf.m.at(1, 1), 1.0f);
  EXPECT_EQ(m.transf.m.at(1, 2), 0.0f);
  EXPECT_EQ(m.natom, 0);
  EXPECT_EQ(m.symm.nsym, 0);
  EXPECT_EQ(rs->sw.compfrag, -1);
  EXPECT_EQ(rs->sw.verbosity, 1);
}

}  // namespace
}  // namespace vorn
