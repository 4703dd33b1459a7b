#include <gtest/gtest.h>

#include "structure/anomalous_dispersion.hpp"

namespace vorn {
namespace {

// International Tables for Crystallography Vol. C, Table 4.2.6.8 (Mo and Cu
// K-alpha1).  The Cromer-Liberman values agree within 0.02 e.
TEST(AnomalousDispersion, CromerLibermanMatchesTheTabulatedValues) {
  struct Case {
    int z;
    float wavelength, fp, fpp;
  };
  const Case cases[] = {
      {6, 0.70930f, 0.0033f, 0.0016f},   {8, 0.70930f, 0.0106f, 0.0060f},  {15, 0.70930f, 0.1023f, 0.0942f},
      {17, 0.70930f, 0.1484f, 0.1585f},  {28, 0.70930f, 0.3393f, 1.1124f}, {6, 1.54056f, 0.0181f, 0.0091f},
      {8, 1.54056f, 0.0492f, 0.0322f},   {15, 1.54056f, 0.2955f, 0.4335f}, {17, 1.54056f, 0.3639f, 0.7018f},
      {28, 1.54056f, -3.0029f, 0.5091f},
  };
  for (const Case& c : cases) {
    const AnomalousTerms t = anomalous_terms(c.z, c.wavelength, {});
    EXPECT_NEAR(t.fp, c.fp, 0.02f) << "Z " << c.z << " at " << c.wavelength;
    EXPECT_NEAR(t.fpp, c.fpp, 0.02f) << "Z " << c.z << " at " << c.wavelength;
  }
  // Hydrogen, and a run without a wavelength, add nothing.
  EXPECT_EQ(anomalous_terms(1, 0.71073f, {}).fp, 0.0f);
  EXPECT_EQ(anomalous_terms(17, 0.0f, {}).fpp, 0.0f);
}

TEST(AnomalousDispersion, DispCardsTakePrecedenceTheLastOneWinning) {
  const std::vector<DispersionCard> cards{{17, 1.0f, 2.0f}, {17, 0.5f, 0.25f}};
  EXPECT_EQ(anomalous_terms(17, 0.71073f, cards).fp, 0.5f);
  EXPECT_EQ(anomalous_terms(17, 0.71073f, cards).fpp, 0.25f);
  EXPECT_NEAR(anomalous_terms(8, 0.71073f, cards).fp, 0.011f, 0.001f);
}

TEST(AnomalousDispersion, DispCardsAsShelxWritesThem) {
  struct Case {
    const char* line;
    bool reads;
    int z;
    float fp, fpp;
  };
  const Case cases[] = {
      {"DISP $C -0.00054  0.00034  4.56231", true, 6, -0.00054f, 0.00034f},
      {"DISP CL 0.1484 0.1585 1.2", true, 17, 0.1484f, 0.1585f},
      {"DISP $MG  0.00850  0.00831", true, 12, 0.00850f, 0.00831f},
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
