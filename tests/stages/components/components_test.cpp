#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "platform/screen.h"
#include "records/results.h"
#include "records/settings.h"
#include "stages/components/components.h"
#include "stages/components/measure_bar.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using SegmentTest = ScanTest;

// The fill written out plainly, for the order in which it takes pixels.
struct PlainFill {
  std::vector<PixelEntry> taken;  // in processing order, the stopping pixel included
  std::vector<PixelEntry> boundary;
};

// Over a visited map that earlier fills of the same scan may have marked.
PlainFill FillPlainlyOver(const Bitmap& bitmap, std::vector<uint8_t>& visited, int32_t x, int32_t y,
                          uint32_t limit) {
  static constexpr int32_t kDx[] = {-1, 1, -1, 1, 0, 0, -1, 1};
  static constexpr int32_t kDy[] = {-1, -1, 1, 1, -1, 1, 0, 0};
  std::vector<PixelEntry> stack{{x, y}};
  visited[static_cast<size_t>(y) * bitmap.width + x] = 1;
  PlainFill result;
  while (!stack.empty()) {
    const PixelEntry p = stack.back();
    stack.pop_back();
    bool sawLight = false;
    for (int k = 0; k < 8; ++k) {
      const int32_t nx = p.x + kDx[k];
      const int32_t ny = p.y + kDy[k];
      if (nx < 0 || ny < 0 || nx >= bitmap.width || ny >= bitmap.height) continue;
      const size_t j = static_cast<size_t>(ny) * bitmap.width + nx;
      if (visited[j]) continue;
      visited[j] = 1;
      if (bitmap.pixels[j]) {
        stack.push_back({nx, ny});
      } else {
        sawLight = true;
      }
    }
    result.taken.push_back(p);
    if (result.taken.size() > limit) break;
    if (sawLight) result.boundary.push_back(p);
  }
  return result;
}

PlainFill FillPlainly(const Bitmap& bitmap, int32_t x, int32_t y, uint32_t limit) {
  std::vector<uint8_t> visited(bitmap.pixels.size(), 0);
  return FillPlainlyOver(bitmap, visited, x, y, limit);
}

TEST_F(SegmentTest, SolidSquareStopsAtTheComponentPixelLimit) {
  ASSERT_EQ(g_library.context.settings.componentPixelLimit, 15118);
  Bitmap bitmap(220, 220);
  bitmap.Fill(10, 10, 200, 200);
  LoadScan(bitmap);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 10, 10, &totals), 1);
  EXPECT_EQ(totals.pixelCount, 15119u);
  EXPECT_EQ(g_library.context.scan.stackCount, 0);

  const PlainFill plain = FillPlainly(bitmap, 10, 10, 15118);
  ASSERT_EQ(plain.taken.size(), 15119u);
  int64_t sumX = 0;
  int64_t sumY = 0;
  for (size_t k = 0; k < 15118; ++k) {
    sumX += plain.taken[k].x;
    sumY += plain.taken[k].y;
  }
  EXPECT_EQ(totals.sumX, sumX);
  EXPECT_EQ(totals.sumY, sumY);
  // The centroid divides the sums over 15118 pixels by 15119.
  const int32_t cx = static_cast<int32_t>(static_cast<double>(sumX) / 15119);
  const int32_t cy = static_cast<int32_t>(static_cast<double>(sumY) / 15119);
  EXPECT_EQ(static_cast<int32_t>(static_cast<double>(totals.sumX) / totals.pixelCount), cx);
  EXPECT_EQ(static_cast<int32_t>(static_cast<double>(totals.sumY) / totals.pixelCount), cy);
}

TEST_F(SegmentTest, RestOfAStoppedComponentStartsFurtherComponents) {
  Bitmap bitmap(220, 220);
  bitmap.Fill(10, 10, 200, 200);
  LoadScan(bitmap);
  ASSERT_EQ(FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace),
            1);
  // Every dark pixel ends up visited by some fill.
  for (int32_t y = 10; y < 210; ++y) {
    for (int32_t x = 10; x < 210; ++x) {
      ASSERT_NE(g_library.context.scan.marks[static_cast<size_t>(y) * 220 + x] & kMarkVisited, 0)
          << x << "," << y;
    }
  }
}

TEST_F(SegmentTest, PixelsTouchingAtACornerAreOneComponent) {
  Bitmap bitmap(10, 10);
  bitmap.At(3, 3) = 1;
  bitmap.At(4, 4) = 1;
  bitmap.At(6, 2) = 1;
  bitmap.At(5, 3) = 1;
  LoadScan(bitmap);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 3, 3, &totals), 1);
  EXPECT_EQ(totals.pixelCount, 4u);
}

TEST_F(SegmentTest, RectanglesMeetingAtACornerFormOneBar) {
  Bitmap bitmap(60, 100);
  bitmap.Fill(5, 5, 4, 40);
  bitmap.Fill(9, 45, 4, 40);
  const std::vector<BarRecord> bars = FindBarsIn(bitmap);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].pixelCount, 320);
}

TEST_F(SegmentTest, LeftEdgeMakesNoBoundaryPixels) {
  Bitmap bitmap(30, 60);
  bitmap.Fill(0, 5, 4, 40);
  LoadScan(bitmap);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 0, 5, &totals), 1);
  int onEdge = 0;
  for (int32_t k = 0; k < g_library.context.scan.boundaryCount; ++k) {
    const BoundaryEntry& e = g_library.context.scan.boundaryList[k];
    if (e.x == 0 && e.y > 5 && e.y < 44) ++onEdge;
  }
  EXPECT_EQ(onEdge, 0);
  // The opposite side still has its boundary pixels.
  int onRight = 0;
  for (int32_t k = 0; k < g_library.context.scan.boundaryCount; ++k) {
    if (g_library.context.scan.boundaryList[k].x == 3) ++onRight;
  }
  EXPECT_GE(onRight, 38);
}

TEST_F(SegmentTest, ALightPixelMarksOnlyTheFirstDarkPixelToSeeIt) {
  // A ring filling a 3 x 3 region: its one light pixel is the centre, and
  // the start pixel examines it first.
  Bitmap bitmap(3, 3, 1);
  bitmap.At(1, 1) = 0;
  LoadScan(bitmap);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 0, 0, &totals), 1);
  EXPECT_EQ(totals.pixelCount, 8u);
  ASSERT_EQ(g_library.context.scan.boundaryCount, 1);
  EXPECT_EQ(g_library.context.scan.boundaryList[0].x, 0);
  EXPECT_EQ(g_library.context.scan.boundaryList[0].y, 0);
}

TEST_F(SegmentTest, BarsAreListedInOrderOfDiscovery) {
  Bitmap bitmap(100, 100);
  bitmap.Fill(60, 10, 4, 40);  // first met in row 10
  bitmap.Fill(20, 30, 4, 40);
  bitmap.Fill(40, 10, 4, 40);  // row 10 too, but further left
  const std::vector<BarRecord> bars = FindBarsIn(bitmap);
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(bars[0].centroidX, 41);
  EXPECT_EQ(bars[1].centroidX, 61);
  EXPECT_EQ(bars[2].centroidX, 21);
}

struct LengthCase {
  int32_t height;
  size_t bars;
};

class LengthTest : public ScanTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(LengthTest, KeepsBarsWithinTheLengthLimits) {
  // A 3-pixel-wide bar h pixels high measures h - 1.
  Bitmap bitmap(20, 320);
  bitmap.Fill(5, 5, 3, GetParam().height);
  EXPECT_EQ(FindBarsIn(bitmap).size(), GetParam().bars);
}

// Upright bars near the maximum have more boundary pixels than twice the
// maximum length, and the boundary count rejects them first.
INSTANTIATE_TEST_SUITE_P(Limits, LengthTest,
                         ::testing::Values(LengthCase{18, 0}, LengthCase{19, 1}, LengthCase{300, 1},
                                           LengthCase{303, 0}));

TEST_F(SegmentTest, LongDiagonalBarsFailTheLengthTest) {
  // A diagonal has fewer boundary pixels per pixel of length, so the length
  // test decides.
  for (const int32_t steps : {200, 240}) {
    Bitmap bitmap(260, 260);
    for (int32_t i = 0; i < steps; ++i) bitmap.Fill(5 + i, 5 + i, 3, 1);
    const std::vector<BarRecord> found = FindBarsIn(bitmap);
    ReleaseScanBuffers(g_library.context.scan);
    ASSERT_EQ(found.size(), steps == 200 ? 1u : 0u) << steps;
  }
}

int32_t CapacityAfter(int32_t capacity, int32_t appended) {
  for (int32_t count = 0; count < appended; ++count) {
    if (count >= capacity - 1) capacity = static_cast<int32_t>(1.5 * capacity);
  }
  return capacity;
}

TEST_F(SegmentTest, BarListGrowsByHalfWhenNearlyFull) {
  // 2 x 20 bars with 2-pixel gaps: far more bars than width + height.
  Bitmap bitmap(300, 286);
  for (int32_t y = 0; y + 20 <= 286; y += 22) {
    for (int32_t x = 0; x + 2 <= 300; x += 4) bitmap.Fill(x, y, 2, 20);
  }
  LoadScan(bitmap);
  ASSERT_EQ(g_library.context.scan.barCapacity, 586);
  ASSERT_EQ(FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace),
            1);
  EXPECT_GT(g_library.context.scan.barCount, 879);
  EXPECT_EQ(g_library.context.scan.barCapacity,
            CapacityAfter(586, g_library.context.scan.barCount));
  EXPECT_EQ(g_library.context.scan.barCapacity, 1318);
  // Growth carried every record over: the bars are still in raster order.
  for (int32_t k = 1; k < g_library.context.scan.barCount; ++k) {
    const BarRecord& a = g_library.context.scan.bars[k - 1];
    const BarRecord& b = g_library.context.scan.bars[k];
    ASSERT_TRUE(a.centroidY < b.centroidY ||
                (a.centroidY == b.centroidY && a.centroidX < b.centroidX));
  }
}

// A comb: far more boundary pixels than 4 x (width + height).
Bitmap Comb() {
  Bitmap bitmap(400, 400);
  bitmap.Fill(0, 300, 400, 2);
  for (int32_t x = 0; x < 400; x += 2) bitmap.Fill(x, 230, 1, 70);
  return bitmap;
}

TEST_F(SegmentTest, FillMatchesThePlainFill) {
  const Bitmap bitmaps[] = {Comb(), [] {
                              Bitmap b(50, 50);
                              uint32_t state = 12345;
                              for (auto& p : b.pixels) {
                                state = state * 1103515245u + 12345u;
                                p = (state >> 16) % 3 != 0 ? 1 : 0;
                              }
                              return b;
                            }()};
  for (const Bitmap& bitmap : bitmaps) {
    LoadScan(bitmap);
    int32_t sx = 0;
    int32_t sy = 0;
    while (bitmap.pixels[static_cast<size_t>(sy) * bitmap.width + sx] == 0) ++sx;
    ComponentTotals totals{};
    ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, sx, sy, &totals),
              1);
    const PlainFill plain = FillPlainly(bitmap, sx, sy, 15118);
    EXPECT_EQ(totals.pixelCount, plain.taken.size());
    ASSERT_EQ(static_cast<size_t>(g_library.context.scan.boundaryCount), plain.boundary.size());
    for (size_t k = 0; k < plain.boundary.size(); ++k) {
      EXPECT_EQ(g_library.context.scan.boundaryList[k].x, plain.boundary[k].x);
      EXPECT_EQ(g_library.context.scan.boundaryList[k].y, plain.boundary[k].y);
    }
  }
}

// The whole segmentation written out plainly: a raster walk over a visited
// map of its own, the plain fill, and the measurement of each component.
std::vector<BarRecord> SegmentPlainly(const Bitmap& bitmap, const Settings& settings) {
  std::vector<uint8_t> seen(bitmap.pixels.size(), 0);
  std::vector<BarRecord> bars;
  const uint32_t limit = static_cast<uint32_t>(settings.componentPixelLimit);
  for (int32_t y = 0; y < bitmap.height; ++y) {
    for (int32_t x = 0; x < bitmap.width; ++x) {
      const size_t i = static_cast<size_t>(y) * bitmap.width + x;
      if (bitmap.pixels[i] == 0 || seen[i] != 0) continue;
      const PlainFill plain = FillPlainlyOver(bitmap, seen, x, y, limit);
      const size_t counted = std::min<size_t>(plain.taken.size(), limit);
      int64_t sumX = 0;
      int64_t sumY = 0;
      for (size_t k = 0; k < counted; ++k) {
        sumX += plain.taken[k].x;
        sumY += plain.taken[k].y;
      }
      const double n = static_cast<double>(plain.taken.size());
      BarRecord bar{};
      bar.pixelCount = static_cast<int32_t>(plain.taken.size());
      bar.centroidX = static_cast<int32_t>(static_cast<double>(sumX) / n);
      bar.centroidY = static_cast<int32_t>(static_cast<double>(sumY) / n);
      std::vector<BoundaryEntry> boundary;
      for (const PixelEntry& p : plain.boundary) boundary.push_back({p.x, p.y, 0.0});
      if (!MeasureBar(bar, boundary.data(), static_cast<int32_t>(boundary.size()), settings)) {
        continue;
      }
      if (bar.barLength < settings.minBarPixels || bar.barLength > settings.maxBarPixels) continue;
      bar.meanWidth = static_cast<double>(bar.pixelCount) / bar.barLength;
      bars.push_back(bar);
    }
  }
  return bars;
}

TEST_F(SegmentTest, SegmentationMatchesThePlainOne) {
  // Widths that are no multiple of eight, so that the word-wide passes end
  // in a tail; bars, blobs and noise, so that fills meet visited pixels.
  for (const int32_t width : {61, 97, 130}) {
    Bitmap bitmap(width, 90);
    uint32_t state = static_cast<uint32_t>(width) * 2654435761u;
    auto next = [&state] {
      state = state * 1103515245u + 12345u;
      return state >> 16;
    };
    for (int32_t bar = 0; bar < 12; ++bar) {
      bitmap.Fill(static_cast<int32_t>(next() % (width - 4)), static_cast<int32_t>(next() % 40),
                  1 + static_cast<int32_t>(next() % 4), 20 + static_cast<int32_t>(next() % 30));
    }
    for (auto& p : bitmap.pixels) {
      if (next() % 23 == 0) p ^= 1;
    }
    const std::vector<BarRecord> plain = SegmentPlainly(bitmap, g_library.context.settings);
    const std::vector<BarRecord> bars = FindBarsIn(bitmap);
    ASSERT_FALSE(plain.empty()) << width;
    ASSERT_EQ(bars.size(), plain.size()) << width;
    for (size_t k = 0; k < bars.size(); ++k) {
      EXPECT_EQ(bars[k].centroidX, plain[k].centroidX) << width << " bar " << k;
      EXPECT_EQ(bars[k].centroidY, plain[k].centroidY) << width << " bar " << k;
      EXPECT_EQ(bars[k].pixelCount, plain[k].pixelCount) << width << " bar " << k;
      EXPECT_EQ(bars[k].side.x1, plain[k].side.x1) << width << " bar " << k;
      EXPECT_EQ(bars[k].side.y1, plain[k].side.y1) << width << " bar " << k;
      EXPECT_EQ(bars[k].side.x2, plain[k].side.x2) << width << " bar " << k;
      EXPECT_EQ(bars[k].side.y2, plain[k].side.y2) << width << " bar " << k;
      EXPECT_EQ(bars[k].meanWidth, plain[k].meanWidth) << width << " bar " << k;
    }
  }
}

TEST_F(SegmentTest, BoundaryListGrowsByHalfWhenNearlyFull) {
  const Bitmap bitmap = Comb();
  LoadScan(bitmap);
  ASSERT_EQ(g_library.context.scan.boundaryCapacity, 3200);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 0, 230, &totals), 1);
  EXPECT_GT(g_library.context.scan.boundaryCount, 3200);
  EXPECT_EQ(g_library.context.scan.boundaryCapacity,
            CapacityAfter(3200, g_library.context.scan.boundaryCount));
}

TEST_F(SegmentTest, StackGrowsByHalfWhenNearlyFull) {
  // A solid block pushes far more pixels than 4 x (width + height).
  Bitmap bitmap(40, 40, 1);
  LoadScan(bitmap);
  ASSERT_EQ(g_library.context.scan.stackCapacity, 320);
  ComponentTotals totals{};
  ASSERT_EQ(FillComponent(g_library.context.scan, g_library.context.settings, 0, 0, &totals), 1);
  EXPECT_EQ(totals.pixelCount, 1600u);
  EXPECT_GT(g_library.context.scan.stackCapacity, 320);
}

}  // namespace
}  // namespace bcx::test
