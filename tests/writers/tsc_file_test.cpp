#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "layout/run_error.hpp"
#include "writers/tsc_file.hpp"

namespace vorn {
namespace {

TEST(WriteTsc, HeadThenOneLineOfSixDecimalsPerReflection) {
  FormFactorTable t;
  t.hkl = {{-1, 0, 12}, {0, 0, 0}};
  t.atoms = 2;
  t.f = {{7.3085734, -0.0000004}, {-0.5, 1e-7}, {8.0, 0.0}, {-0.0000001, 0.0000006}};
  std::ostringstream os;
  write_tsc(t, {"O1", "H1A"}, os);
  EXPECT_EQ(os.str(),
            "TITLE: form factors of the transferred pseudoatom model\n"
            "AD: FALSE\n"
            "SYMM: expanded\n"
            "SCATTERERS: O1 H1A\n"
            "DATA:\n"
            "-1 0 12 7.308573,0.000000 -0.500000,0.000000\n"
            "0 0 0 8.000000,0.000000 0.000000,0.000001\n");
}

TEST(WriteTsc, StopsOnLabelsTheReaderCannotTellApartAndOnNonNumbers) {
  struct Case {
    std::vector<std::string> labels;
    double value;
    const char* message;
  };
  const Case cases[] = {
      {{"C1", "c1"}, 1.0, "Two atoms are named c1"},
      {{"C1", "C 2"}, 1.0, "'C 2' cannot name a scatterer"},
      {{"C1", ""}, 1.0, "'' cannot name a scatterer"},
      {{"C1", "C2"}, std::nan(""), "The form factor of C2 at 3 -1 0 is not a number"},
      {{"C1", "C2"}, INFINITY, "The form factor of C2 at 3 -1 0 is not a number"},
  };
  for (const Case& c : cases) {
    FormFactorTable t;
    t.hkl = {{3, -1, 0}};
    t.atoms = 2;
    t.f = {{1.0, 0.0}, {c.value, 0.0}};
    std::ostringstream os;
    try {
      write_tsc(t, c.labels, os);
      ADD_FAILURE() << c.message;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vorn
