// The bar field on drawn images: which blocks let which line directions
// through, for stripes at known angles, and nothing for paper, noise and
// patterns without one direction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "stages/scanlines/bar_field.h"

namespace bcx {
namespace {

constexpr int kDirections = 12;
constexpr double kDegree = M_PI / 180.0;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

Image Paper(int width, int height, uint8_t level = 220) {
  return {width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, level)};
}

// Dark stripes `period` pixels apart whose gradient points at `degrees`
// (0: bars upright, read along the rows), inside the box.
void DrawStripes(Image& image, double degrees, double period, int left, int top, int right,
                 int bottom) {
  const double ux = std::cos(degrees * kDegree);
  const double uy = std::sin(degrees * kDegree);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const double phase = std::fmod(std::fabs(x * ux + y * uy), period) / period;
      image.pixels[static_cast<size_t>(y) * image.width + x] = phase < 0.5 ? 30 : 220;
    }
  }
}

// The same stripes as a scanner or camera sees them: each pixel the
// average of its area (4 x 4 points), so the edges do not step from pixel
// to pixel, which leans a stripe's measured gradient by degrees.
void DrawSmoothStripes(Image& image, double degrees, double period, int left, int top, int right,
                       int bottom) {
  const double ux = std::cos(degrees * kDegree);
  const double uy = std::sin(degrees * kDegree);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      double sum = 0.0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const double px = x + (sx + 0.5) / 4.0;
          const double py = y + (sy + 0.5) / 4.0;
          const double phase = std::fmod(std::fabs(px * ux + py * uy), period) / period;
          sum += phase < 0.5 ? 30 : 220;
        }
      }
      image.pixels[static_cast<size_t>(y) * image.width + x] =
          static_cast<uint8_t>(std::lround(sum / 16.0));
    }
  }
}

struct Field {
  BarField field;
  Field() = default;
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;
  ~Field() { FreeBarField(field); }
};

bool Map(const Image& image, Field& f) {
  return MapBarField(image.pixels.data(), image.width, image.height, image.width, kDirections,
                     f.field);
}

uint16_t BitsAt(const Field& f, double x, double y) {
  uint16_t bits = 0;
  for (int a = 0; a < kDirections; ++a) {
    if (CrossesBars(f.field, x, y, a)) bits = static_cast<uint16_t>(bits | (1u << a));
  }
  return bits;
}

int64_t AllBlocks(const Field& f) {
  int64_t n = 0;
  for (int a = 0; a < f.field.directions; ++a) n += BlocksCrossing(f.field, a);
  return n;
}

// Directions of lines within 30 degrees of the gradient, as the field
// should let through; the angles tested keep a degree or more off that
// limit.
uint16_t DirectionsNear(double degrees) {
  uint16_t bits = 0;
  for (int a = 0; a < kDirections; ++a) {
    double apart = std::fmod(std::fabs(a * 15.0 - degrees), 180.0);
    if (apart > 90.0) apart = 180.0 - apart;
    if (apart <= 30.0) bits = static_cast<uint16_t>(bits | (1u << a));
  }
  return bits;
}

struct StripeCase {
  double degrees;
  double period;
  uint16_t expected;  // the bits, written out so the rule is checked, not restated
};

class StripeDirections : public testing::TestWithParam<StripeCase> {};

TEST_P(StripeDirections, TheBlocksInsideLetTheNearDirectionsThrough) {
  const StripeCase c = GetParam();
  ASSERT_EQ(DirectionsNear(c.degrees), c.expected);
  Image image = Paper(160, 120);
  DrawStripes(image, c.degrees, c.period, 40, 30, 120, 90);
  Field f;
  ASSERT_TRUE(Map(image, f));
  EXPECT_EQ(f.field.columns, 20);
  EXPECT_EQ(f.field.rows, 15);
  for (double y = 44; y < 78; y += 8) {
    for (double x = 54; x < 108; x += 8) {
      EXPECT_EQ(BitsAt(f, x, y), c.expected) << "at " << x << "," << y;
    }
  }
  // Blank paper two blocks and more away from the stripes.
  for (const double x : {4.0, 20.0, 140.0, 155.0}) EXPECT_EQ(BitsAt(f, x, 60), 0) << x;
  for (const double y : {4.0, 110.0}) EXPECT_EQ(BitsAt(f, 80, y), 0) << y;
}

INSTANTIATE_TEST_SUITE_P(Angles, StripeDirections,
                         testing::Values(StripeCase{3.0, 6.0, 0b100000000111},    // 0, 15, 30, 165
                                         StripeCase{7.0, 5.0, 0b100000000111},    // the same
                                         StripeCase{44.0, 4.0, 0b000000011110},   // 15 .. 60
                                         StripeCase{84.0, 8.0, 0b000011110000},   // 60 .. 105
                                         StripeCase{-20.0, 5.0, 0b111000000001},  // 135 .. 180
                                         StripeCase{172.0, 4.0, 0b110000000011}));  // 150 .. 195

TEST(BarField, PaperNoiseAndCheckersLetNothingThrough) {
  Image paper = Paper(96, 64);
  Image noise = Paper(96, 64);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> level(60, 200);
  for (uint8_t& p : noise.pixels) p = static_cast<uint8_t>(level(random));
  // Squares: as much gradient across as along, so no direction.
  Image checkers = Paper(96, 64);
  for (int y = 0; y < checkers.height; ++y) {
    for (int x = 0; x < checkers.width; ++x) {
      checkers.pixels[static_cast<size_t>(y) * checkers.width + x] =
          ((x / 4) + (y / 4)) % 2 == 0 ? 30 : 220;
    }
  }
  for (const Image* image : {&paper, &noise, &checkers}) {
    Field f;
    ASSERT_TRUE(Map(*image, f));
    EXPECT_EQ(AllBlocks(f), 0);
    EXPECT_EQ(f.field.directions, kDirections);  // and no refined direction
  }
}

double Degrees(double radians) { return radians / kDegree; }

// How far the field may measure crisp stripes off their angle: central
// differences lean them towards the nearer diagonal, up to some four
// degrees; the refined lines pass windows that far off.
constexpr double kLean = 4.5;

// Stripes away from every fixed direction add one at their own angle,
// which only the blocks of those stripes let through; stripes within two
// degrees of a fixed direction add none.
struct RefinedCase {
  double degrees;
  int refined;
  double angle;  // of the refined direction, in degrees
};

class RefinedDirections : public testing::TestWithParam<RefinedCase> {};

TEST_P(RefinedDirections, StripesOffTheFixedDirectionsAddTheirOwn) {
  const RefinedCase c = GetParam();
  Image image = Paper(160, 120);
  DrawSmoothStripes(image, c.degrees, 8.0, 40, 30, 120, 90);
  Field f;
  ASSERT_TRUE(Map(image, f));
  EXPECT_EQ(f.field.fixed, kDirections);
  // The windows on the patch's edges, half stripes and half the edge,
  // may gather into a weaker peak of their own: the stripes' comes first.
  if (c.refined == 0) {
    EXPECT_EQ(f.field.directions, kDirections);
  } else {
    ASSERT_GE(f.field.directions, kDirections + 1);
  }
  for (int a = 0; a < kDirections; ++a) EXPECT_DOUBLE_EQ(f.field.angles[a], a * 15.0 * kDegree);
  if (c.refined == 0) return;
  EXPECT_NEAR(Degrees(f.field.angles[kDirections]), c.angle, kLean);
  for (double y = 44; y < 78; y += 8) {
    for (double x = 54; x < 108; x += 8) EXPECT_TRUE(CrossesBars(f.field, x, y, kDirections));
  }
  EXPECT_FALSE(CrossesBars(f.field, 4, 60, kDirections));
  EXPECT_FALSE(CrossesBars(f.field, 80, 110, kDirections));
}

INSTANTIATE_TEST_SUITE_P(Angles, RefinedDirections,
                         testing::Values(RefinedCase{37.3, 1, 37.3}, RefinedCase{5.0, 1, 5.0},
                                         RefinedCase{-20.0, 1, 160.0}, RefinedCase{176.5, 1, 176.5},
                                         RefinedCase{44.0, 0, 0}, RefinedCase{90.0, 0, 0},
                                         RefinedCase{1.5, 0, 0}, RefinedCase{22.0, 1, 22.0},
                                         RefinedCase{128.0, 1, 128.0}, RefinedCase{110.0, 1, 110.0},
                                         RefinedCase{80.0, 1, 80.0}));

TEST(BarField, TwoPatchesAtTwoAnglesAddTwoDirectionsTheLargerFirst) {
  Image image = Paper(320, 120);
  DrawSmoothStripes(image, 22.0, 8.0, 16, 16, 96, 104);     // 80 x 88
  DrawSmoothStripes(image, 128.0, 8.0, 160, 16, 304, 104);  // 144 x 88
  Field f;
  ASSERT_TRUE(Map(image, f));
  ASSERT_EQ(f.field.directions, kDirections + 2);
  EXPECT_NEAR(Degrees(f.field.angles[kDirections]), 128.0, kLean);
  EXPECT_NEAR(Degrees(f.field.angles[kDirections + 1]), 22.0, kLean);
  EXPECT_TRUE(CrossesBars(f.field, 230, 60, kDirections));
  EXPECT_FALSE(CrossesBars(f.field, 230, 60, kDirections + 1));
  EXPECT_TRUE(CrossesBars(f.field, 56, 60, kDirections + 1));
  EXPECT_FALSE(CrossesBars(f.field, 56, 60, kDirections));
  // The counts kept when mapped are those of asking every block.
  for (int a = 0; a < f.field.directions; ++a) {
    int64_t asked = 0;
    for (int r = 0; r < f.field.rows; ++r) {
      for (int c = 0; c < f.field.columns; ++c)
        asked += CrossesBars(f.field, 8 * c + 4, 8 * r + 4, a);
    }
    EXPECT_EQ(BlocksCrossing(f.field, a), asked) << a;
  }
}

// Patches at more angles than there is room for: eight of them get a
// direction each, the rest are left to the fixed directions.
TEST(BarField, AtMostEightRefinedDirections) {
  Image image = Paper(800, 112);
  const double angles[] = {5, 20, 35, 50, 65, 80, 95, 110, 125, 140};
  for (int i = 0; i < 10; ++i)
    DrawSmoothStripes(image, angles[i], 8.0, 8 + 80 * i, 8, 64 + 80 * i, 104);
  Field f;
  ASSERT_TRUE(Map(image, f));
  ASSERT_EQ(f.field.directions, kDirections + kMaxRefinedDirections);
  bool taken[10] = {};
  for (int r = 0; r < kMaxRefinedDirections; ++r) {
    const double found = Degrees(f.field.angles[kDirections + r]);
    int nearest = 0;
    for (int i = 1; i < 10; ++i) {
      if (std::fabs(angles[i] - found) < std::fabs(angles[nearest] - found)) nearest = i;
    }
    EXPECT_NEAR(found, angles[nearest], kLean) << r;
    EXPECT_FALSE(taken[nearest]) << "twice: " << angles[nearest];
    taken[nearest] = true;
  }
}

TEST(BarField, FaintStripesOnPaperStillShow) {
  // Twelve grey levels of contrast, about what a blurred photo of a
  // symbol keeps: still a field.
  Image image = Paper(96, 64);
  for (int y = 16; y < 48; ++y) {
    for (int x = 16; x < 80; ++x) {
      image.pixels[static_cast<size_t>(y) * image.width + x] = (x / 3) % 2 == 0 ? 208 : 220;
    }
  }
  Field f;
  ASSERT_TRUE(Map(image, f));
  EXPECT_EQ(BitsAt(f, 48, 32) & 1u, 1u);
}

TEST(BarField, SmallAndOddSizedImages) {
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {2, 3}, {9, 1}, {17, 9}}) {
    Image image = Paper(w, h);
    Field f;
    ASSERT_TRUE(Map(image, f)) << w << "x" << h;
    EXPECT_EQ(f.field.columns, (w + 7) / 8);
    EXPECT_EQ(f.field.rows, (h + 7) / 8);
    EXPECT_EQ(AllBlocks(f), 0);
  }
}

TEST(BarField, BadArgumentsMapNothing) {
  const Image image = Paper(16, 16);
  struct Case {
    const uint8_t* pixels;
    int width;
    int height;
    int directions;
  };
  for (const Case c : {Case{nullptr, 16, 16, 12}, Case{image.pixels.data(), 0, 16, 12},
                       Case{image.pixels.data(), 16, -1, 12}, Case{image.pixels.data(), 16, 16, 0},
                       Case{image.pixels.data(), 16, 16, 17}}) {
    BarField field;
    field.columns = 5;  // overwritten
    EXPECT_FALSE(MapBarField(c.pixels, c.width, c.height, 16, c.directions, field));
    EXPECT_EQ(field.across, nullptr);
    EXPECT_EQ(field.columns, 0);
    FreeBarField(field);
  }
}

TEST(BarField, QuestionsOutsideTheFieldAreAnsweredNo) {
  Image image = Paper(64, 64);
  DrawStripes(image, 0.0, 6.0, 0, 0, 64, 64);
  Field f;
  ASSERT_TRUE(Map(image, f));
  ASSERT_TRUE(CrossesBars(f.field, 32, 32, 0));
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{
           {-0.5, 32}, {32, -0.5}, {64, 32}, {32, 64}, {kNan, 32}, {32, kNan}, {1e300, 32}}) {
    EXPECT_FALSE(CrossesBars(f.field, x, y, 0)) << x << "," << y;
  }
  EXPECT_FALSE(CrossesBars(f.field, 32, 32, -1));
  EXPECT_FALSE(CrossesBars(f.field, 32, 32, kDirections));
  EXPECT_EQ(BlocksCrossing(f.field, -1), 0);
  EXPECT_EQ(BlocksCrossing(f.field, kDirections), 0);
  BarField empty;
  EXPECT_FALSE(CrossesBars(empty, 1, 1, 0));
  EXPECT_EQ(BlocksCrossing(empty, 0), 0);
}

}  // namespace
}  // namespace bcx
