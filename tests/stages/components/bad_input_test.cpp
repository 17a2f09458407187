// Regions that hold no symbol, or nothing at all, must be scanned without a
// crash or a read outside the buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "pipeline/pipeline.h"
#include "records/results.h"
#include "records/settings.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using BadInputTest = ScanTest;

void StoreAResult() {
  const Point corners[kCornerCount] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ASSERT_EQ(AppendResult(g_library.context.results, kCode39, "OLD", 3, corners), 1);
  ASSERT_EQ(g_library.context.results.count, 1);
}

Bitmap Noise(int32_t width, int32_t height, uint32_t seed, int darkPercent) {
  Bitmap bitmap(width, height);
  std::mt19937 random(seed);
  for (auto& p : bitmap.pixels) p = static_cast<int>(random() % 100) < darkPercent ? 1 : 0;
  return bitmap;
}

int Scan(const Bitmap& bitmap) {
  LoadScan(bitmap);
  return RunExactPipeline(g_library.context);
}

TEST_F(BadInputTest, RegionWithoutDarkPixels) {
  StoreAResult();
  EXPECT_EQ(Scan(Bitmap(64, 48)), 0);
  EXPECT_EQ(g_library.context.scan.barCount, 0);
  EXPECT_EQ(g_library.context.results.count, 0);
  EXPECT_EQ(g_library.context.results.records[0].text, nullptr);
}

TEST_F(BadInputTest, AllDarkRegion) {
  EXPECT_EQ(Scan(Bitmap(300, 300, 1)), 0);
  EXPECT_EQ(g_library.context.results.count, 0);
  EXPECT_EQ(g_library.context.scan.group, nullptr);
}

TEST_F(BadInputTest, RandomNoise) {
  for (const int percent : {5, 30, 50, 70, 95}) {
    EXPECT_EQ(Scan(Noise(257, 193, 1000u + percent, percent)), 0) << percent;
    ReleaseScanBuffers(g_library.context.scan);
  }
}

TEST_F(BadInputTest, WidestRegion) {
  // 65535 x 16: noise, bars, and components touching every border.
  Bitmap bitmap = Noise(65535, 16, 7, 20);
  for (int32_t x = 0; x + 3 < 65535; x += 997) bitmap.Fill(x, 0, 3, 16);
  bitmap.Fill(65531, 0, 4, 16);
  EXPECT_EQ(Scan(bitmap), 0);
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(BadInputTest, TallestRegionWithBars) {
  Bitmap bitmap(16, 65535);
  for (int32_t y = 0; y + 30 < 65535; y += 40) bitmap.Fill(2, y, 12, 3);
  EXPECT_EQ(Scan(bitmap), 0);
}

TEST_F(BadInputTest, ZeroWidthOrHeight) {
  StoreAResult();
  LoadScan(Bitmap(0, 16));
  EXPECT_EQ(RunExactPipeline(g_library.context), 0);
  EXPECT_EQ(g_library.context.results.count, 0);
  LoadScan(Bitmap(16, 0));
  EXPECT_EQ(RunExactPipeline(g_library.context), 0);
}

TEST_F(BadInputTest, ScanAfterResultsLeavesTheTableEmpty) {
  StoreAResult();
  Bitmap bitmap(100, 100);
  bitmap.Fill(10, 10, 4, 40);
  bitmap.Fill(20, 10, 8, 40);
  bitmap.Fill(34, 10, 4, 40);
  EXPECT_EQ(Scan(bitmap), 0);
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(BadInputTest, NeverInitialisedSettingsAreRepaired) {
  g_library.context.settings = Settings{};
  Bitmap bitmap(100, 100);
  bitmap.Fill(10, 10, 4, 40);
  bitmap.Fill(20, 10, 8, 40);
  LoadScan(bitmap);
  EXPECT_EQ(RunExactPipeline(g_library.context), 0);
  EXPECT_EQ(g_library.context.settings.minBarPixels, 18);
  EXPECT_EQ(g_library.context.settings.componentPixelLimit, 15118);
}

TEST_F(BadInputTest, DegenerateBarsInOneGroup) {
  // Bars crossing at all angles and touching ends: grouping compares no
  // angles, so odd quadrilaterals reach the space measurement.
  Bitmap bitmap(200, 200);
  for (int32_t i = 0; i < 60; ++i) {
    bitmap.At(20 + i, 100) = 1;
    bitmap.At(20 + i, 101) = 1;
    bitmap.At(150, 70 + i) = 1;
    bitmap.At(151, 70 + i) = 1;
    bitmap.At(100 + i / 2, 10 + i) = 1;
    bitmap.At(101 + i / 2, 10 + i) = 1;
  }
  const std::vector<Group> groups = CollectGroupsIn(bitmap);
  for (const Group& g : groups) {
    for (double w : g.run) EXPECT_GE(w, 0.0);
  }
}

// A binary PGM image in memory, for the public calls.
std::vector<uint8_t> Pgm(const Bitmap& bitmap) {
  const std::string header =
      "P5\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n255\n";
  std::vector<uint8_t> data(header.begin(), header.end());
  for (uint8_t p : bitmap.pixels) data.push_back(p != 0 ? 0 : 255);
  return data;
}

class PublicScanTest : public ScanTest {
 protected:
  void TearDown() override {
    BcxCleanUp();
    ScanTest::TearDown();
  }
};

TEST_F(PublicScanTest, NoImageChangesNothing) {
  StoreAResult();
  EXPECT_EQ(BcxScan(), 0);
  EXPECT_EQ(g_library.context.results.count, 1);
}

TEST_F(PublicScanTest, UnsizedRegionIsRefused) {
  Bitmap bitmap(120, 80);
  bitmap.Fill(10, 10, 4, 40);
  const std::vector<uint8_t> pgm = Pgm(bitmap);
  ASSERT_EQ(BcxLoadFromMem(pgm.data(), static_cast<uint32_t>(pgm.size()), BCX_IMG_PNM), 1);
  StoreAResult();
  EXPECT_EQ(BcxScan(), 0);
  EXPECT_EQ(BcxGetCount(), 0);
}

TEST_F(PublicScanTest, RegionOfAnOlderImageIsRefused) {
  Bitmap big(300, 200);
  const std::vector<uint8_t> first = Pgm(big);
  ASSERT_EQ(BcxLoadFromMem(first.data(), static_cast<uint32_t>(first.size()), BCX_IMG_PNM), 1);
  uint16_t w = 0;
  uint16_t h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  const std::vector<uint8_t> second = Pgm(Bitmap(40, 30, 1));
  ASSERT_EQ(BcxLoadFromMem(second.data(), static_cast<uint32_t>(second.size()), BCX_IMG_PNM), 1);
  EXPECT_EQ(BcxScan(), 0);
}

TEST_F(PublicScanTest, WholeImageAndSubRegionScan) {
  Bitmap bitmap(400, 300);
  for (int32_t x = 20; x < 380; x += 9) bitmap.Fill(x, 50, 3 + x % 4, 120);
  const std::vector<uint8_t> pgm = Pgm(bitmap);
  ASSERT_EQ(BcxLoadFromMem(pgm.data(), static_cast<uint32_t>(pgm.size()), BCX_IMG_PNM), 1);
  for (uint16_t id = 0; id < 8; ++id) BcxScanType(id, 1);
  uint16_t w = 0;
  uint16_t h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  EXPECT_EQ(BcxScan(), 0);
  ASSERT_EQ(BcxSetRegion(100, 100, 299, 199), 1);
  EXPECT_EQ(BcxScan(), 0);
  ASSERT_EQ(BcxSetRegion(0, 0, 1, 299), 1);
  EXPECT_EQ(BcxScan(), 0);
  EXPECT_EQ(BcxGetCount(), 0);
  EXPECT_EQ(g_library.context.scan.region, nullptr);
  EXPECT_EQ(g_library.context.scan.bars, nullptr);
}

}  // namespace
}  // namespace bcx::test
