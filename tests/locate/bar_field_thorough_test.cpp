// The bar field on drawn images: which blocks let which line directions
// through, for stripes at known angles, and nothing for paper, noise and
// patterns without one direction.
#include "detect/bar_field_thorough.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

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
  for (int a = 0; a < kDirections; ++a) n += BlocksCrossing(f.field, a);
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
