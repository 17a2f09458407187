#include "records/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "api/library.h"
#include "bcxdec.h"
#include "platform/screen.h"
#include "records/results.h"

namespace {

using bcx::g_library;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bcx::OverrideScreenPixelsPerInch(0);
    g_library.context.settings = bcx::Settings{};
  }
  void TearDown() override {
    bcx::OverrideScreenPixelsPerInch(0);
    BcxCleanUp();
    g_library.context.settings = bcx::Settings{};
  }
};

struct ThresholdCase {
  int32_t dpi;
  int32_t componentLimit;
  int32_t maxPixels;
  int32_t minPixels;
};

TEST_F(SettingsTest, InitDerivesThresholdsFromScreenResolution) {
  const ThresholdCase cases[] = {{96, 15118, 302, 18}, {120, 18897, 377, 23}};
  for (const ThresholdCase& c : cases) {
    bcx::OverrideScreenPixelsPerInch(c.dpi);
    EXPECT_EQ(BcxInit(), 1);
    EXPECT_EQ(g_library.context.settings.screenDpi, c.dpi);
    EXPECT_EQ(g_library.context.settings.componentPixelLimit, c.componentLimit) << c.dpi;
    EXPECT_EQ(g_library.context.settings.maxBarPixels, c.maxPixels) << c.dpi;
    EXPECT_EQ(g_library.context.settings.minBarPixels, c.minPixels) << c.dpi;
    EXPECT_FLOAT_EQ(g_library.context.settings.widthRatioLimit, 10.0f);
    EXPECT_FLOAT_EQ(g_library.context.settings.minBarLength, 0.5f);
    EXPECT_FLOAT_EQ(g_library.context.settings.maxBarLength, 8.0f);
  }
}

TEST_F(SettingsTest, PlatformResolutionIs96OffWindows) {
  EXPECT_EQ(bcx::ScreenPixelsPerInch(), 96);
}

struct LimitCase {
  double ratio, minLen, maxLen;
  uint16_t result;
  float storedRatio, storedMin, storedMax;
};

TEST_F(SettingsTest, SetLimitClampsAndRefuses) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Refused calls leave the previous values, here 7, 1 and 3.
  const LimitCase cases[] = {
      {25, 0.3, 12, 1, 10.0f, 0.5f, 10.0f},
      {10, 0.5, 0.4, 0, 7.0f, 1.0f, 3.0f},
      {0, 1, 2, 0, 7.0f, 1.0f, 3.0f},
      {10, -1, 2, 0, 7.0f, 1.0f, 3.0f},
      {10, 1, -2, 0, 7.0f, 1.0f, 3.0f},
      {nan, 1, 2, 0, 7.0f, 1.0f, 3.0f},
      {10, nan, 2, 0, 7.0f, 1.0f, 3.0f},
      {10, 1, nan, 0, 7.0f, 1.0f, 3.0f},
      {10, 12, 15, 1, 10.0f, 12.0f, 10.0f},  // minimum above the stored maximum
      {10, 0.5, 10, 1, 10.0f, 0.5f, 10.0f},
      {10, 0.5, 9.99, 1, 10.0f, 0.5f, static_cast<float>(9.99)},
      {5, 0.6, 1, 1, 5.0f, 0.6f, 1.0f},
      {20, 0.6, 1, 1, 20.0f, 0.6f, 1.0f},
      {4.99, 0.6, 1, 1, 10.0f, 0.6f, 1.0f},
      {20.01, 0.6, 1, 1, 10.0f, 0.6f, 1.0f},
  };
  BcxInit();
  for (const LimitCase& c : cases) {
    ASSERT_EQ(BcxSetLimit(7, 1, 3), 1);
    EXPECT_EQ(BcxSetLimit(c.ratio, c.minLen, c.maxLen), c.result)
        << c.ratio << " " << c.minLen << " " << c.maxLen;
    EXPECT_EQ(g_library.context.settings.widthRatioLimit, c.storedRatio);
    EXPECT_EQ(g_library.context.settings.minBarLength, c.storedMin);
    EXPECT_EQ(g_library.context.settings.maxBarLength, c.storedMax);
  }
}

TEST_F(SettingsTest, SetLimitRecomputesThresholds) {
  BcxInit();
  ASSERT_EQ(BcxSetLimit(10, 1.0, 2.0), 1);
  // 96 * 2.0 / 2.54 = 75.59..., 96 * 1.0 / 2.54 = 37.79...
  EXPECT_EQ(g_library.context.settings.maxBarPixels, 75);
  EXPECT_EQ(g_library.context.settings.minBarPixels, 37);
  EXPECT_EQ(g_library.context.settings.componentPixelLimit, 3779);
}

TEST_F(SettingsTest, SetLimitBeforeInitThenScanRepairReadsResolution) {
  ASSERT_EQ(BcxSetLimit(10, 1.0, 2.0), 1);
  EXPECT_EQ(g_library.context.settings.componentPixelLimit, 0);
  EXPECT_EQ(g_library.context.settings.maxBarPixels, 0);
  EXPECT_EQ(g_library.context.settings.minBarPixels, 0);
  bcx::OverrideScreenPixelsPerInch(120);
  bcx::RepairSettings(g_library.context.settings);
  EXPECT_EQ(g_library.context.settings.screenDpi, 120);
  EXPECT_EQ(g_library.context.settings.maxBarPixels, 94);  // 120 * 2 / 2.54 = 94.48
  EXPECT_EQ(g_library.context.settings.minBarPixels, 47);
}

TEST_F(SettingsTest, RepairGivesDefaultsToANeverInitialisedLibrary) {
  bcx::RepairSettings(g_library.context.settings);
  EXPECT_FLOAT_EQ(g_library.context.settings.widthRatioLimit, 10.0f);
  EXPECT_FLOAT_EQ(g_library.context.settings.minBarLength, 0.5f);
  EXPECT_FLOAT_EQ(g_library.context.settings.maxBarLength, 8.0f);
  EXPECT_EQ(g_library.context.settings.screenDpi, 96);
  EXPECT_EQ(g_library.context.settings.componentPixelLimit, 15118);
  EXPECT_EQ(g_library.context.settings.maxBarPixels, 302);
  EXPECT_EQ(g_library.context.settings.minBarPixels, 18);
}

TEST_F(SettingsTest, ScanTypeSwitches) {
  BcxInit();
  for (int id = 0; id < bcx::kSymbologyCount; ++id)
    EXPECT_EQ(g_library.context.settings.switches[id], 0);
  EXPECT_EQ(BcxScanType(3, 1), 1);
  EXPECT_EQ(g_library.context.settings.switches[3], 1);
  EXPECT_EQ(BcxScanType(3, 2), 1);  // neither on nor off: unchanged
  EXPECT_EQ(g_library.context.settings.switches[3], 1);
  EXPECT_EQ(BcxScanType(3, 0), 1);
  EXPECT_EQ(g_library.context.settings.switches[3], 0);
  EXPECT_EQ(BcxScanType(3, 2), 1);
  EXPECT_EQ(g_library.context.settings.switches[3], 0);
  EXPECT_EQ(BcxScanType(7, 1), 1);
  EXPECT_TRUE(bcx::SymbologyEnabled(g_library.context.settings, 7));
  EXPECT_EQ(BcxScanType(8, 1), 0);
  EXPECT_EQ(BcxScanType(0xFFFF, 1), 0);
  // BcxInit leaves the switches alone.
  BcxInit();
  EXPECT_EQ(g_library.context.settings.switches[7], 1);
}

TEST_F(SettingsTest, ThresholdLevelsAcceptedAndRefused) {
  BcxInit();
  struct Case {
    int32_t level;
    uint16_t result;
  } cases[] = {{1, 1},  {128, 1}, {255, 1},
               {0, 0},  {256, 0}, {-1, 1},
               {-2, 1}, {-3, 0},  {std::numeric_limits<int32_t>::min(), 0}};
  for (const Case& c : cases) EXPECT_EQ(BcxSetThreshold(c.level), c.result) << c.level;
  BcxSetThreshold(128);
}

}  // namespace
