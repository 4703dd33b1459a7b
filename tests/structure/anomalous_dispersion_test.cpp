#include <gtest/gtest.h>

#include "structure/anomalous_dispersion.hpp"

namespace vorn {
namespace {

// International Tables for Crystallography Vol. C, Table 4.2.6.8 (Mo and Cu
// K-alpha1).  The Cromer-Liberman values agree within 0.02 e.
TEST(AnomalousDispersion, CromerLibermanMatchesTheTabulatedValues) {
  struct Case {
    int z;
    double wavelength, fp, fpp;
  };
  const Case cases[] = {
      {6, 0.70930, 0.0033, 0.0016},   {8, 0.70930, 0.0106, 0.0060},  {15, 0.70930, 0.1023, 0.0942},
      {17, 0.70930, 0.1484, 0.1585},  {28, 0.70930, 0.3393, 1.1124}, {6, 1.54056, 0.0181, 0.0091},
      {8, 1.54056, 0.0492, 0.0322},   {15, 1.54056, 0.2955, 0.4335}, {17, 1.54056, 0.3639, 0.7018},
      {28, 1.54056, -3.0029, 0.5091},
  };
  for (const Case& c : cases) {
    const AnomalousTerms t = anomalous_terms(c.z, c.wavelength, {});
    EXPECT_NEAR(t.fp, c.fp, 0.02) << "Z " << c.z << " at " << c.wavelength;
    EXPECT_NEAR(t.fpp, c.fpp, 0.02) << "Z " << c.z << " at " << c.wavelength;
  }
  // Hydrogen, and a run without a wavelength, add nothing.
  EXPECT_EQ(anomalous_terms(1, 0.71073, {}).fp, 0.0);
  EXPECT_EQ(anomalous_terms(17, 0.0, {}).fpp, 0.0);
}

TEST(AnomalousDispersion, DispCardsTakePrecedenceTheLastOneWinning) {
  const std::vector<DispersionCard> cards{{17, 1.0, 2.0}, {17, 0.5, 0.25}};
  EXPECT_EQ(anomalous_terms(17, 0.71073, cards).fp, 0.5);
  EXPECT_EQ(anomalous_terms(17, 0.71073, cards).fpp, 0.25);
  EXPECT_NEAR(anomalous_terms(8, 0.71073, cards).fp, 0.011, 0.001);
}

TEST(AnomalousDispersion, DispCardsAsShelxWritesThem) {
  struct Case {
    const char* line;
    bool reads;
    int z;
    double fp, fpp;
  };
  const Case cases[] = {
      {"DISP $C -0.00054  0.00034  4.56231", true, 6, -0.00054, 0.00034},
      {"DISP CL 0.1484 0.1585 1.2", true, 17, 0.1484, 0.1585},
      {"DISP $MG  0.00850  0.00831", true, 12, 0.00850, 0.00831},
      {"DISP C 0.002", false, 6, 0, 0},
      {"DISP $Q 0.1 0.2", false, 0, 0, 0},
      {"DISP", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DispersionCard card;
    ASSERT_EQ(read_disp_card(std::string(c.line) + " ", card), c.reads) << c.line;
    if (!c.reads) continue;
    EXPECT_EQ(card.z, c.z) << c.line;
    EXPECT_FLOAT_EQ(card.fp, c.fp) << c.line;
    EXPECT_FLOAT_EQ(card.fpp, c.fpp) << c.line;
  }
}

}  // namespace
}  // namespace vorn
