// The hand of a constrained atom's frame: bonds in the local frame, their
// pairing by element, and the R / L / unmatched verdict.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "localframe/frame_handedness.hpp"
#include "localframe/site_frame.hpp"

namespace vorn {
namespace {

Frame frame_of(char l1, const Vec3& p1, char l2, const Vec3& p2, const char* label = "NO") {
  Frame f;
  f.letter = {l1, l2};
  f.pos = {p1, p2};
  if (std::string(label) != "NO") f.multipoles = invariant_terms(label_operations(label));
  return f;
}

TEST(FrameHandedness, BondsFollowTheLettersAndTheFreeAxis) {
  // Axis points along +x and +y of the Cartesian frame from the atom at
  // (1,1,1); a bond along +z lies on the free axis, whose sense completes
  // a right-handed X, Y, Z.
  const Vec3 o{1, 1, 1};
  struct Case {
    char l1, l2;
    int free;
    double sense;
  };
  const Case cases[] = {{'X', 'Y', 2, 1}, {'Y', 'X', 2, -1}, {'Z', 'X', 1, 1}, {'Z', 'Y', 0, -1}, {'Y', 'Z', 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.l1) + c.l2);
    const Frame f = frame_of(c.l1, {3, 1, 1}, c.l2, {1.5, 2, 1});
    EXPECT_EQ(free_axis(f), c.free);
    const auto b = bonds_in_frame(o, frame_axes(o, f), {{6, {1, 1, 4}}});
    EXPECT_NEAR(b[0].dir[static_cast<std::size_t>(c.free)], c.sense, 1e-6);
  }
}

TEST(FrameHandedness, PairingByElementTakesTheBestMatch) {
  const std::vector<LocalBond> a{{6, {1, 0, 0}}, {6, {0, 1, 0}}, {8, {0, 0, 1}}};
  // The carbons swapped and one moved by 10 degrees.
  const double s = std::sin(10 * 0.0174533), c = std::cos(10 * 0.0174533);
  const std::vector<LocalBond> b{{6, {0, c, s}}, {6, {1, 0, 0}}, {8, {0, 0, 1}}};
  EXPECT_NEAR(pairing_deviation(a, b), 10.0, 0.01);
  EXPECT_TRUE(std::isinf(pairing_deviation(a, {{6, {1, 0, 0}}, {7, {0, 1, 0}}, {8, {0, 0, 1}}})));
  EXPECT_TRUE(std::isinf(pairing_deviation(a, {{6, {1, 0, 0}}, {8, {0, 0, 1}}})));
  // Nine fluorines (paired one by one, nearest first) in reverse order.
  std::vector<LocalBond> ring, reversed;
  for (int k = 0; k < 9; ++k) ring.push_back({9, {std::cos(0.7 * k), std::sin(0.7 * k), 0.1 * k}});
  reversed.assign(ring.rbegin(), ring.rend());
  EXPECT_NEAR(pairing_deviation(ring, reversed), 0.0, 0.01);
  // Reflected through the XY plane the oxygen points the other way.
  EXPECT_NEAR(pairing_deviation(a, reflected(a, 2)), 180.0, 0.01);
}

TEST(FrameHandedness, Verdicts) {
  // A tetrahedral atom in an X,Y frame: O on X, C in the plane, C and H on
  // either side of it.
  const std::vector<LocalBond> chiral{
      {8, {1, 0, 0}}, {6, {-0.33, 0.94, 0}}, {6, {-0.33, -0.47, 0.82}}, {1, {-0.33, -0.47, -0.82}}};
  const std::vector<LocalBond> planar{{8, {1, 0, 0}}, {6, {-0.5, 0.87, 0}}, {1, {-0.5, -0.87, 0}}};
  std::vector<LocalBond> bent = chiral;
  bent[3].dir = {0.3, -0.9, -0.3};
  const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  struct Case {
    const char* what;
    Frame frame;
    std::vector<LocalBond> atom, reference;
    MirrorVerdict want;
  };
  const Case cases[] = {
      {"same bonds", frame_of('X', x, 'Y', y), chiral, chiral, MirrorVerdict::right},
      {"mirror image", frame_of('X', x, 'Y', y), reflected(chiral, 2), chiral, MirrorVerdict::left},
      {"distorted beyond the tolerance", frame_of('X', x, 'Y', y), bent, chiral, MirrorVerdict::unmatched},
      {"two bonds only", frame_of('X', x, 'Y', y), {chiral[0], chiral[1]}, {chiral[0], chiral[2]},
       MirrorVerdict::right},
      {"planar: its own mirror image", frame_of('X', x, 'Y', y), planar, reflected(chiral, 2), MirrorVerdict::right},
      // "m" allows only what the XY mirror leaves unchanged; "3m" in an
      // X,Y frame allows the Z dipole, which the hand turns round.
      {"m: the hand changes no multipole", frame_of('X', x, 'Y', y, "m"), bent, chiral, MirrorVerdict::right},
      {"3m: it changes some", frame_of('X', x, 'Y', y, "3m"), reflected(chiral, 2), chiral, MirrorVerdict::left},
      // "mm2" about Z in a Z,X frame: the free axis is Y, normal to a mirror.
      {"mm2 in a Z,X frame", frame_of('Z', z, 'X', x, "mm2"), reflected(chiral, 1), chiral, MirrorVerdict::right},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(compare_environments(c.frame, c.atom, c.reference).verdict, c.want);
  }
  const MirrorCheck m = compare_environments(frame_of('X', x, 'Y', y), reflected(chiral, 2), chiral);
  EXPECT_GT(m.direct, 90.0);
  EXPECT_NEAR(m.mirrored, 0.0, 0.01);
}

}  // namespace
}  // namespace vorn
