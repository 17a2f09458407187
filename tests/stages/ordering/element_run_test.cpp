#include "stages/ordering/element_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "api/library.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using ElementRunTest = ScanTest;

// Dark everywhere except columns 13 to 17 of ten rows.
Bitmap TenRowsWithAGap() {
  Bitmap bitmap(30, 10, 1);
  bitmap.Fill(13, 0, 5, 10, 0);
  return bitmap;
}

void ExpectQuad(const Quad& quad, const Point (&expected)[4]) {
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(quad.vertices[k].x, expected[k].x) << "vertex " << k;
    EXPECT_EQ(quad.vertices[k].y, expected[k].y) << "vertex " << k;
  }
}

TEST_F(ElementRunTest, SpaceBetweenTwoUprightSides) {
  LoadScan(TenRowsWithAGap());
  const Segment a = MakeSegment(10, 0, 10, 9);
  const Segment b = MakeSegment(20, 0, 20, 9);
  const double width = MeasureSpace(g_library.context.scan, a, b, 9.0);
  EXPECT_DOUBLE_EQ(width, 50.0 / 9.0);
  const Quad quad = SpaceQuad(a, b);
  ExpectQuad(quad, {{10, 0}, {10, 9}, {20, 9}, {20, 0}});
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 50u);
}

TEST_F(ElementRunTest, ReversedSecondSideGivesTheSameQuadrilateral) {
  LoadScan(TenRowsWithAGap());
  const Segment a = MakeSegment(10, 0, 10, 9);
  const Segment b = MakeSegment(20, 9, 20, 0);
  const double width = MeasureSpace(g_library.context.scan, a, b, 9.0);
  EXPECT_DOUBLE_EQ(width, 50.0 / 9.0);
  ExpectQuad(SpaceQuad(a, b), {{10, 0}, {10, 9}, {20, 9}, {20, 0}});
}

TEST_F(ElementRunTest, EqualDistancesTakeTheSecondEnd) {
  LoadScan(Bitmap(30, 20));
  ExpectQuad(SpaceQuad(MakeSegment(10, 0, 10, 9), MakeSegment(20, 0, 20, 18)),
             {{10, 0}, {10, 9}, {20, 18}, {20, 0}});
}

TEST_F(ElementRunTest, HorizontalEdgeRowCountsExactlyThatEdge) {
  Quad quad{};
  // Light only in row 4; the quadrilateral's top edge lies on it.
  Bitmap bitmap(40, 20, 1);
  bitmap.Fill(0, 4, 40, 1, 0);
  LoadScan(bitmap);
  quad.vertices[0] = {12, 4};
  quad.vertices[1] = {3, 15};
  quad.vertices[2] = {30, 15};
  quad.vertices[3] = {21, 4};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 10u);
}

// The literal row fill of a quadrilateral whose rows have at most two
// crossings.
uint32_t PlainCount(const Bitmap& bitmap, const Point (&v)[4]) {
  int32_t ymin = 10000;
  int32_t ymax = -1;
  for (const Point& p : v) {
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  uint32_t count = 0;
  for (int32_t y = ymin; y <= ymax; ++y) {
    std::vector<int32_t> xs;
    bool onEdge = false;
    int32_t first = 0;
    int32_t last = 0;
    for (int k = 0; k < 4 && !onEdge; ++k) {
      const Point a = v[k];
      const Point b = v[(k + 1) % 4];
      if (a.y != b.y) {
        if (y > std::min(a.y, b.y) && y < std::max(a.y, b.y)) {
          const Point u = a.y > b.y ? a : b;
          const Point w = a.y > b.y ? b : a;
          const double t = static_cast<double>(u.y - y) / (u.y - w.y);
          xs.push_back(static_cast<int32_t>(u.x * (1.0 - t) + w.x * t));
        } else if (y == b.y) {
          if (std::find(xs.begin(), xs.end(), b.x) == xs.end()) xs.push_back(b.x);
        } else if (y == a.y) {
          if (std::find(xs.begin(), xs.end(), a.x) == xs.end()) xs.push_back(a.x);
        }
      } else if (y == a.y) {
        onEdge = true;
        first = std::min(a.x, b.x);
        last = std::max(a.x, b.x);
      }
    }
    if (!onEdge) {
      if (xs.empty()) continue;
      EXPECT_LE(xs.size(), 2u);
      first = *std::min_element(xs.begin(), xs.end());
      last = *std::max_element(xs.begin(), xs.end());
    }
    for (int32_t x = first; x <= last; ++x) {
      count += bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] == 0 ? 1 : 0;
    }
  }
  return count;
}

TEST_F(ElementRunTest, SharedVertexCountsOnce) {
  Quad quad{};
  // A diamond: rows through the side vertices meet two edges at each.
  Bitmap bitmap(20, 20);
  LoadScan(bitmap);
  const Point v[4] = {{5, 0}, {0, 5}, {5, 10}, {10, 5}};
  for (int k = 0; k < 4; ++k) quad.vertices[k] = v[k];
  const uint32_t count = CountLightPixelsInQuad(quad, g_library.context.scan);
  EXPECT_EQ(count, PlainCount(bitmap, v));
  EXPECT_GE(count, 59u);
  EXPECT_LE(count, 63u);
}

TEST_F(ElementRunTest, CountMatchesThePlainFillOnRandomPixels) {
  // Parallelograms between two slanted sides over random pixels, at every
  // alignment of their rows' ends to the eight-pixel words of the count.
  Bitmap bitmap(83, 110);
  uint32_t state = 977;
  auto next = [&state](uint32_t below) {
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 16) % below);
  };
  for (auto& p : bitmap.pixels) p = next(3) == 0 ? 0 : 1;
  LoadScan(bitmap);
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t x = next(30);
    const int32_t y = next(20);
    // Sides long against their slant and stagger, so that the quadrilateral
    // does not cross itself and the plain fill's two crossings hold.
    const int32_t slant = next(5) - 2;
    const int32_t length = 20 + next(40);
    const int32_t gap = 1 + next(30);
    const int32_t stagger = next(9) - 4;
    const Segment a = MakeSegment(x + 5, y + 5, x + 5 + slant, y + 5 + length);
    const Segment b =
        MakeSegment(x + 5 + gap, y + 5 + stagger, x + 5 + gap + slant, y + 5 + stagger + length);
    const Quad quad = SpaceQuad(a, b);
    const Point v[4] = {quad.vertices[0], quad.vertices[1], quad.vertices[2], quad.vertices[3]};
    ASSERT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), PlainCount(bitmap, v))
        << "trial " << trial;
  }
}

TEST_F(ElementRunTest, StaggeredShorterBarLeavesOutsidePixelsUncounted) {
  // Light between columns 11 and 19 over all 20 rows; the second bar covers
  // rows 5 to 14 only.
  Bitmap bitmap(30, 20, 1);
  bitmap.Fill(11, 0, 9, 20, 0);
  LoadScan(bitmap);
  const Segment a = MakeSegment(10, 0, 10, 19);
  const Segment b = MakeSegment(20, 5, 20, 14);
  const double width = MeasureSpace(g_library.context.scan, a, b, 14.0);
  const Quad quad = SpaceQuad(a, b);
  ExpectQuad(quad, {{10, 0}, {10, 19}, {20, 14}, {20, 5}});
  const Point v[4] = {{10, 0}, {10, 19}, {20, 14}, {20, 5}};
  const uint32_t expected = PlainCount(bitmap, v);
  EXPECT_DOUBLE_EQ(width, expected / 14.0);
  EXPECT_LT(expected, 9u * 20u);
  // Rows 5 to 14 lie wholly inside; the corners above and below do not.
  EXPECT_GT(expected, 9u * 10u);
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), expected);
}

TEST_F(ElementRunTest, RowsFarDownAreCounted) {
  Quad quad{};
  // Every vertex below row 10000.
  Bitmap bitmap(20, 12000);
  LoadScan(bitmap);
  quad.vertices[0] = {2, 11000};
  quad.vertices[1] = {2, 11009};
  quad.vertices[2] = {12, 11009};
  quad.vertices[3] = {12, 11000};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 110u);
}

TEST_F(ElementRunTest, SelfCrossingQuadrilateralSpansItsOuterCrossings) {
  Quad quad{};
  LoadScan(Bitmap(20, 20));
  quad.vertices[0] = {0, 0};
  quad.vertices[1] = {10, 10};
  quad.vertices[2] = {10, 0};
  quad.vertices[3] = {0, 10};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 121u);
}

TEST_F(ElementRunTest, VerticesOutsideTheRegionAreClipped) {
  Quad quad{};
  LoadScan(Bitmap(20, 20));
  quad.vertices[0] = {-5, -5};
  quad.vertices[1] = {-5, 30};
  quad.vertices[2] = {100, 30};
  quad.vertices[3] = {100, -5};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 400u);
  quad.vertices[0] = {-50, -50};
  quad.vertices[1] = {-40, -50};
  quad.vertices[2] = {-40, -40};
  quad.vertices[3] = {-50, -40};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 0u);
}

TEST_F(ElementRunTest, ExtremeVerticesStayInsideTheBuffer) {
  Quad quad{};
  LoadScan(Bitmap(16, 16));
  constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
  constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();
  quad.vertices[0] = {kLow, kLow};
  quad.vertices[1] = {kHigh, kLow};
  quad.vertices[2] = {kHigh, kHigh};
  quad.vertices[3] = {kLow, kHigh};
  EXPECT_EQ(CountLightPixelsInQuad(quad, g_library.context.scan), 256u);
  quad.vertices[0] = {kLow, 3};
  quad.vertices[1] = {kHigh, 12};
  quad.vertices[2] = {7, kHigh};
  quad.vertices[3] = {5, kLow};
  EXPECT_LE(CountLightPixelsInQuad(quad, g_library.context.scan), 256u);
}

TEST_F(ElementRunTest, SpaceWithNoLightPixelMeasuresZero) {
  LoadScan(Bitmap(30, 10, 1));
  EXPECT_EQ(MeasureSpace(g_library.context.scan, MakeSegment(10, 0, 10, 9),
                         MakeSegment(20, 0, 20, 9), 9.0),
            0.0);
}

TEST_F(ElementRunTest, GroupOfOneBarGivesItsWidth) {
  BarRecord bar = BarWithSide(3, 0, 3, 30);
  bar.meanWidth = 2.75;
  SetGroup({bar});
  double* run = BuildElementRun(g_library.context.scan, 1);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run[0], 2.75);
  delete[] run;
  EXPECT_EQ(BuildElementRun(g_library.context.scan, 0), nullptr);
}

TEST_F(ElementRunTest, RunAlternatesBarsAndSpaces) {
  LoadScan(TenRowsWithAGap());
  BarRecord a = BarWithSide(10, 0, 10, 9);
  a.meanWidth = 3.0;
  a.barLength = 8.0;
  BarRecord b = BarWithSide(20, 0, 20, 9);
  b.meanWidth = 4.0;
  b.barLength = 10.0;
  BarRecord c = BarWithSide(25, 0, 25, 9);
  c.meanWidth = 5.0;
  SetGroup({a, b, c});
  double* run = BuildElementRun(g_library.context.scan, 3);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run[0], 3.0);
  EXPECT_DOUBLE_EQ(run[1], 50.0 / 9.0);  // the mean of 8 and 10
  EXPECT_EQ(run[2], 4.0);
  EXPECT_EQ(run[3], 0.0);
  EXPECT_EQ(run[4], 5.0);
  delete[] run;
}

}  // namespace
}  // namespace bcx::test
