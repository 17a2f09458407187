#include "stages/components/measure_bar.h"

#include <gtest/gtest.h>

#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "platform/screen.h"
#include "records/bar.h"
#include "records/settings.h"
#include "stages/components/components.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using MeasureBarTest = ScanTest;

struct Filled {
  BarRecord bar;
  std::vector<BoundaryEntry> boundary;
  BarCorners corners;
  int accepted;
};

// Fills the component at (x, y) and measures it.
Filled FillAndMeasure(const Bitmap& bitmap, int32_t x, int32_t y) {
  LoadScan(bitmap);
  Filled f{};
  ComponentTotals totals{};
  EXPECT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, x, y, &totals), 1);
  f.bar.pixelCount = static_cast<int32_t>(totals.pixelCount);
  f.bar.centroidX = static_cast<int32_t>(static_cast<double>(totals.sumX) / totals.pixelCount);
  f.bar.centroidY = static_cast<int32_t>(static_cast<double>(totals.sumY) / totals.pixelCount);
  f.accepted = MeasureBarCorners(f.bar, g_library.context.scan.boundaryList,
                                 g_library.context.scan.boundaryCount, g_library.context.settings,
                                 &f.corners);
  f.boundary.assign(g_library.context.scan.boundaryList,
                    g_library.context.scan.boundaryList + g_library.context.scan.boundaryCount);
  return f;
}

void ExpectPoint(const BoundaryEntry& e, int32_t x, int32_t y) {
  EXPECT_EQ(e.x, x);
  EXPECT_EQ(e.y, y);
}

TEST_F(MeasureBarTest, DefaultThresholdsAt96Dpi) {
  EXPECT_EQ(g_library.context.settings.minBarPixels, 18);
  EXPECT_EQ(g_library.context.settings.maxBarPixels, 302);
  EXPECT_EQ(g_library.context.settings.componentPixelLimit, 15118);
}

TEST_F(MeasureBarTest, UprightRectangle) {
  Bitmap bitmap(60, 60);
  bitmap.Fill(5, 5, 4, 40);
  const Filled f = FillAndMeasure(bitmap, 5, 5);
  ASSERT_EQ(f.accepted, 1);
  EXPECT_EQ(f.bar.pixelCount, 160);
  EXPECT_EQ(f.bar.centroidX, 6);
  EXPECT_EQ(f.bar.centroidY, 24);
  EXPECT_EQ(f.boundary.size(), 82u);
  ExpectPoint(f.boundary[f.corners.a], 8, 44);
  ExpectPoint(f.boundary[f.corners.b], 5, 5);
  ExpectPoint(f.boundary[f.corners.t], 8, 5);
  EXPECT_EQ(f.bar.side.x1, 8);
  EXPECT_EQ(f.bar.side.y1, 5);
  EXPECT_EQ(f.bar.side.x2, 8);
  EXPECT_EQ(f.bar.side.y2, 44);
  EXPECT_DOUBLE_EQ(f.bar.barLength, 39.0);
  EXPECT_DOUBLE_EQ(f.boundary[f.corners.a].distanceSquared, 404.0);
}

TEST_F(MeasureBarTest, UprightRectangleInTheBarList) {
  Bitmap bitmap(60, 60);
  bitmap.Fill(5, 5, 4, 40);
  const std::vector<BarRecord> bars = FindBarsIn(bitmap);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].pixelCount, 160);
  EXPECT_DOUBLE_EQ(bars[0].barLength, 39.0);
  EXPECT_DOUBLE_EQ(bars[0].meanWidth, 160.0 / 39.0);
}

TEST_F(MeasureBarTest, LyingRectangle) {
  Bitmap bitmap(60, 60);
  bitmap.Fill(5, 5, 40, 4);
  const std::vector<BarRecord> bars = FindBarsIn(bitmap);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].pixelCount, 160);
  EXPECT_EQ(bars[0].centroidX, 24);
  EXPECT_EQ(bars[0].centroidY, 6);
  EXPECT_EQ(bars[0].side.x1, 44);
  EXPECT_EQ(bars[0].side.y1, 5);
  EXPECT_EQ(bars[0].side.x2, 5);
  EXPECT_EQ(bars[0].side.y2, 5);
  EXPECT_DOUBLE_EQ(bars[0].barLength, 39.0);
  EXPECT_DOUBLE_EQ(bars[0].meanWidth, 160.0 / 39.0);
}

// A boundary list of n pixels along the outline of a 2 x (n / 2) bar.
std::vector<BoundaryEntry> OutlineOf(int32_t n) {
  std::vector<BoundaryEntry> list;
  for (int32_t k = 0; k < n; ++k) list.push_back(BoundaryEntry{k % 2 == 0 ? 0 : 1, k / 2, 0.0});
  return list;
}

struct CountCase {
  int32_t count;
  int accepted;
};

class BoundaryCountTest : public ScanTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(BoundaryCountTest, SizeTestOnTheBoundaryCount) {
  std::vector<BoundaryEntry> list = OutlineOf(GetParam().count);
  BarRecord bar{};
  bar.centroidX = 0;
  bar.centroidY = GetParam().count / 4;
  EXPECT_EQ(
      MeasureBar(bar, list.data(), static_cast<int32_t>(list.size()), g_library.context.settings),
      GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Limits, BoundaryCountTest,
                         ::testing::Values(CountCase{35, 0}, CountCase{36, 1}, CountCase{604, 1},
                                           CountCase{605, 0}, CountCase{0, 0}, CountCase{1, 0}));

TEST_F(MeasureBarTest, TooFewPixelsForThreeCornersAreRejected) {
  // A resolution this low allows a bar of no length at all.
  OverrideScreenPixelsPerInch(1);
  BcxInit();
  ASSERT_EQ(g_library.context.settings.minBarPixels, 0);
  std::vector<BoundaryEntry> list = OutlineOf(2);
  BarRecord bar{};
  EXPECT_EQ(MeasureBar(bar, list.data(), 2, g_library.context.settings), 0);
  list = OutlineOf(3);
  EXPECT_EQ(MeasureBar(bar, list.data(), 3, g_library.context.settings), 1);
}

TEST_F(MeasureBarTest, EarliestEntryWinsATie) {
  // (0,0) and (10,0) lie equally far from the centroid (5,20); so do (0,40)
  // and (10,40).
  std::vector<BoundaryEntry> list;
  for (int32_t y = 0; y <= 40; y += 2) {
    list.push_back(BoundaryEntry{0, y, 0.0});
    list.push_back(BoundaryEntry{10, y, 0.0});
  }
  BarRecord bar{};
  bar.centroidX = 5;
  bar.centroidY = 20;
  BarCorners corners{};
  ASSERT_EQ(MeasureBarCorners(bar, list.data(), static_cast<int32_t>(list.size()),
                              g_library.context.settings, &corners),
            1);
  ExpectPoint(list[corners.a], 0, 0);
  ExpectPoint(list[corners.b], 10, 40);
  ExpectPoint(list[corners.t], 10, 0);
  EXPECT_EQ(list[corners.t].x, 10);
}

TEST_F(MeasureBarTest, SquareCandidatesMeetAtTheThirdCorner) {
  // A short, wide component: T lies far from both A and B.
  Bitmap bitmap(80, 80);
  bitmap.Fill(10, 10, 30, 24);
  const Filled f = FillAndMeasure(bitmap, 10, 10);
  ASSERT_EQ(f.accepted, 1);
  const BoundaryEntry& t = f.boundary[f.corners.t];
  // Both candidates end at T; the side is one of them.
  EXPECT_EQ(f.bar.side.x2, t.x);
  EXPECT_EQ(f.bar.side.y2, t.y);
}

TEST_F(MeasureBarTest, OneDotIsRejected) {
  Bitmap bitmap(10, 10);
  bitmap.At(4, 4) = 1;
  const Filled f = FillAndMeasure(bitmap, 4, 4);
  EXPECT_EQ(f.boundary.size(), 1u);
  EXPECT_EQ(f.accepted, 0);
}

}  // namespace
}  // namespace bcx::test
