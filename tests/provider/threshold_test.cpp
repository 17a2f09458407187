// Threshold levels, Otsu and adaptive binarisation, and the crop region.
#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

// A 256 x 2 ramp: pixel x has grey x, so a fixed level L marks L pixels
// of each row dark.
constexpr int kRampWidth = 256;
constexpr int kRampHeight = 2;

void LoadPix(PIX* pix) {
  const Bytes png = Encode(pix, IFF_PNG);
  pixDestroy(&pix);
  ASSERT_EQ(LoadMemory(png.data(), static_cast<uint32_t>(png.size()), 0), 1);
}

void LoadRamp() {
  PIX* pix = pixCreate(kRampWidth, kRampHeight, 8);
  for (int y = 0; y < kRampHeight; ++y) {
    for (int x = 0; x < kRampWidth; ++x) pixSetPixel(pix, x, y, x);
  }
  LoadPix(pix);
}

int DarkCount(int width, int height) {
  const Bytes binary = Binarised(width, height);
  return binary.empty() ? -1 : static_cast<int>(std::count(binary.begin(), binary.end(), 1));
}

class ThresholdTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  }
  void TearDown() override {
    ReleaseImage();
    SetThreshold(RASTRA_DEFAULT_THRESHOLD);
  }
};

struct LevelCase {
  int32_t level;
  uint8_t accepted;
  int darkPerRow;  // on the ramp after the call, starting from level 200
};

constexpr int kStartLevel = 200;
const LevelCase kLevelCases[] = {
    {0, 0, kStartLevel},
    {1, 1, 1},
    {2, 1, 2},
    {128, 1, 128},
    {254, 1, 254},
    {255, 1, 255},
    {256, 0, kStartLevel},
    {-3, 0, kStartLevel},
    {INT32_MIN, 0, kStartLevel},
    {INT32_MAX, 0, kStartLevel},
};

TEST_F(ThresholdTest, FixedLevelsAndRefusals) {
  LoadRamp();
  for (const LevelCase& c : kLevelCases) {
    SCOPED_TRACE(c.level);
    ASSERT_EQ(SetThreshold(kStartLevel), 1);
    EXPECT_EQ(SetThreshold(c.level), c.accepted);
    EXPECT_EQ(DarkCount(kRampWidth, kRampHeight), c.darkPerRow * kRampHeight);
  }
}

TEST_F(ThresholdTest, DefaultLevelIs128) {
  LoadRamp();
  EXPECT_EQ(DarkCount(kRampWidth, kRampHeight), RASTRA_DEFAULT_THRESHOLD * kRampHeight);
}

TEST_F(ThresholdTest, AutomaticModesAreAcceptedAndRefusalsKeepThem) {
  EXPECT_EQ(SetThreshold(RASTRA_THRESHOLD_OTSU), 1);
  EXPECT_EQ(SetThreshold(RASTRA_THRESHOLD_ADAPTIVE), 1);
  EXPECT_EQ(SetThreshold(-3), 0);
  EXPECT_EQ(SetThreshold(0), 0);
  // Still adaptive: a flat grey image has no local contrast and stays light,
  // where level 128 would make it all dark.
  PIX* pix = pixCreate(30, 30, 8);
  pixSetAllArbitrary(pix, 100);
  LoadPix(pix);
  EXPECT_EQ(DarkCount(30, 30), 0);
}

TEST_F(ThresholdTest, ThresholdWorksWithoutAnImage) {
  EXPECT_EQ(SetThreshold(50), 1);
  LoadRamp();
  EXPECT_EQ(DarkCount(kRampWidth, kRampHeight), 50 * kRampHeight);
}

// Two grey values 60 and 200 with a little noise: Otsu puts the level
// between them wherever the mix lies.
TEST_F(ThresholdTest, OtsuSplitsABimodalImage) {
  constexpr int kSide = 40;
  PIX* pix = pixCreate(kSide, kSide, 8);
  int expectedDark = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const bool dark = x < 10 || (y > 30 && x < 30);
      const int noise = (x * 7 + y * 13) % 9 - 4;
      pixSetPixel(pix, x, y, (dark ? 60 : 200) + noise);
      expectedDark += dark ? 1 : 0;
    }
  }
  LoadPix(pix);
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_OTSU), 1);
  EXPECT_EQ(DarkCount(kSide, kSide), expectedDark);
  // A level of 40 would miss every dark pixel.
  ASSERT_EQ(SetThreshold(40), 1);
  EXPECT_EQ(DarkCount(kSide, kSide), 0);
}

TEST_F(ThresholdTest, OtsuOnASingleGreyFallsBackToTheDefault) {
  PIX* pix = pixCreate(10, 10, 8);
  pixSetAllArbitrary(pix, 100);
  LoadPix(pix);
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_OTSU), 1);
  EXPECT_EQ(DarkCount(10, 10), 100);
}

TEST_F(ThresholdTest, OtsuUsesTheRegionOnly) {
  LoadRamp();
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_OTSU), 1);
  SetRegion(100, 0, 109, 1);
  const int dark = DarkCount(10, 2);
  EXPECT_GT(dark, 0);
  EXPECT_LT(dark, 20);
}

// Bars 8 pixels wide every 20 pixels, at 35 % of a background that rises
// from 30 on the left to 255 on the right.
constexpr int kGradientWidth = 400;
constexpr int kGradientHeight = 100;

bool GradientBar(int x) { return x % 20 >= 6 && x % 20 < 14; }

void LoadGradientBars() {
  PIX* pix = pixCreate(kGradientWidth, kGradientHeight, 8);
  for (int y = 0; y < kGradientHeight; ++y) {
    for (int x = 0; x < kGradientWidth; ++x) {
      const int background = 30 + 225 * x / (kGradientWidth - 1);
      pixSetPixel(pix, x, y, GradientBar(x) ? background * 35 / 100 : background);
    }
  }
  LoadPix(pix);
}

double CorrectShare() {
  const Bytes binary = Binarised(kGradientWidth, kGradientHeight);
  if (binary.empty()) return 0.0;
  int correct = 0;
  for (int y = 0; y < kGradientHeight; ++y) {
    for (int x = 0; x < kGradientWidth; ++x) {
      if (binary[y * kGradientWidth + x] == (GradientBar(x) ? 1 : 0)) ++correct;
    }
  }
  return static_cast<double>(correct) / (kGradientWidth * kGradientHeight);
}

TEST_F(ThresholdTest, AdaptiveSeparatesBarsOnAStrongGradient) {
  LoadGradientBars();
  ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  EXPECT_LT(CorrectShare(), 0.8);
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_OTSU), 1);
  EXPECT_LT(CorrectShare(), 0.9);
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_ADAPTIVE), 1);
  EXPECT_GT(CorrectShare(), 0.99);
}

TEST_F(ThresholdTest, AdaptiveOnTinyRegions) {
  LoadGradientBars();
  ASSERT_EQ(SetThreshold(RASTRA_THRESHOLD_ADAPTIVE), 1);
  SetRegion(0, 0, 0, 0);
  EXPECT_EQ(DarkCount(1, 1), 0);
  SetRegion(305, 10, 314, 10);  // one row across a bar
  EXPECT_EQ(DarkCount(10, 1), 8);
}

class RegionTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
    LoadPix(MakePattern(Pixels::kGrey8));
  }
  void TearDown() override { ReleaseImage(); }
};

TEST_F(RegionTest, CropsToTheRegion) {
  SetRegion(10, 5, 29, 24);
  const Bytes binary = Binarised(20, 20);
  ASSERT_EQ(binary.size(), 400u);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(binary[y * 20 + x], PatternDark(x + 10, y + 5) ? 1 : 0);
    }
  }
}

TEST_F(RegionTest, RefusesABufferOfAnotherSize) {
  SetRegion(10, 5, 29, 24);
  Bytes buffer(kPatternWidth * kPatternHeight, 0xAA);
  struct Size {
    int32_t width;
    int32_t height;
  };
  constexpr Size kWrong[] = {{kPatternWidth, kPatternHeight},
                             {20, 19},
                             {19, 20},
                             {21, 20},
                             {0, 0},
                             {-20, -20},
                             {400, 1},
                             {1, 400}};
  for (const Size& size : kWrong) {
    EXPECT_EQ(GetBinaryPixels(buffer.data(), size.width, size.height), 0);
  }
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xAA; }));
  EXPECT_EQ(GetBinaryPixels(nullptr, 20, 20), 0);
}

TEST_F(RegionTest, IgnoresRectanglesOutsideTheImage) {
  SetRegion(10, 5, 29, 24);
  SetRegion(0, 0, kPatternWidth, kPatternHeight - 1);
  SetRegion(0, 0, kPatternWidth - 1, kPatternHeight);
  SetRegion(30, 5, 29, 24);
  SetRegion(10, 25, 29, 24);
  SetRegion(UINT16_MAX, UINT16_MAX, UINT16_MAX, UINT16_MAX);
  EXPECT_FALSE(Binarised(20, 20).empty());
}

TEST_F(RegionTest, WholeImageAndSinglePixelRegions) {
  SetRegion(0, 0, kPatternWidth - 1, kPatternHeight - 1);
  EXPECT_EQ(
      PatternMismatches(Binarised(kPatternWidth, kPatternHeight), kPatternWidth, kPatternHeight),
      0);
  SetRegion(16, 0, 16, 0);
  const Bytes light = Binarised(1, 1);
  ASSERT_EQ(light.size(), 1u);
  EXPECT_EQ(light[0], 0);
}

TEST_F(RegionTest, LoadResetsTheRegion) {
  SetRegion(10, 5, 29, 24);
  LoadPix(MakePattern(Pixels::kGrey8));
  EXPECT_TRUE(Binarised(20, 20).empty());
  EXPECT_EQ(
      PatternMismatches(Binarised(kPatternWidth, kPatternHeight), kPatternWidth, kPatternHeight),
      0);
}

TEST_F(RegionTest, SizeReportsTheWholeImage) {
  SetRegion(10, 5, 29, 24);
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_EQ(GetSize(&width, &height), 1);
  EXPECT_EQ(width, kPatternWidth);
  EXPECT_EQ(height, kPatternHeight);
  EXPECT_EQ(GetSize(nullptr, &height), 0);
  EXPECT_EQ(GetSize(&width, nullptr), 0);
}

}  // namespace
}  // namespace rastra_test
