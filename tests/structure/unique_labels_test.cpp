#include "structure/unique_labels.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace vorn {
namespace {

TEST(UniqueLabels, RepeatedAndElementOnlyLabelsGetTheNextFreeNumber) {
  const struct {
    std::vector<std::string> in, out;
  } cases[] = {
      {{"C(1)", "C(2)", "O(1)"}, {"C(1)", "C(2)", "O(1)"}},                      // nothing to do
      {{"C(1)", "C(1)", "C(2)", "C(1)"}, {"C(1)", "C(3)", "C(2)", "C(4)"}},      // skips taken numbers
      {{"O()", "C()", "N()", "O(1)"}, {"O(2)", "C(1)", "N(1)", "O(1)"}},         // urea's element-only labels
      {{"H(1A)", "H(1A)", "CL(1)", "CL(1)"}, {"H(1A)", "H(1)", "CL(1)", "CL(2)"}},
  };
  for (const auto& c : cases) {
    test::MemoryRun m;
    Model model;
    model.natom = static_cast<int>(c.in.size());
    for (int i = 1; i <= model.natom; ++i) model.atoms[i].label = c.in[static_cast<std::size_t>(i - 1)];
    make_labels_unique(model, m.rs->log_sink());
    for (int i = 1; i <= model.natom; ++i)
      EXPECT_EQ(model.atoms[i].label.trimmed(), c.out[static_cast<std::size_t>(i - 1)]) << c.in[0] << " atom " << i;
    EXPECT_EQ(m.rs->io.log.warnings, c.in == c.out ? 0 : 1);
  }
}

}  // namespace
}  // namespace vorn
