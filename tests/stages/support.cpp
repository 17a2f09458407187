#include "support.h"

#include <cstring>

#include "api/library.h"
#include "bcxdec.h"
#include "platform/screen.h"
#include "stages/components/components.h"
#include "stages/grouping/grouping.h"
#include "stages/ordering/element_run.h"
#include "stages/ordering/ordering.h"

namespace bcx::test {

void Bitmap::Fill(int32_t left, int32_t top, int32_t w, int32_t h, uint8_t value) {
  for (int32_t y = top; y < top + h; ++y) {
    for (int32_t x = left; x < left + w; ++x) At(x, y) = value;
  }
}

void InitSettings() {
  OverrideScreenPixelsPerInch(96);
  BcxInit();
}

void LoadScan(const Bitmap& bitmap) {
  ASSERT_EQ(AllocateScanBuffers(g_library.context.scan, bitmap.width, bitmap.height), 1);
  if (!bitmap.pixels.empty()) {
    std::memcpy(g_library.context.scan.region, bitmap.pixels.data(), bitmap.pixels.size());
  }
  // For fills run on their own; FindBars marks the region again.
  MarkDarkPixels(g_library.context.scan);
}

std::vector<BarRecord> FindBarsIn(const Bitmap& bitmap) {
  LoadScan(bitmap);
  EXPECT_EQ(FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace),
            1);
  return std::vector<BarRecord>(g_library.context.scan.bars,
                                g_library.context.scan.bars + g_library.context.scan.barCount);
}

std::vector<Group> CollectGroupsIn(const Bitmap& bitmap) {
  std::vector<Group> groups;
  LoadScan(bitmap);
  EXPECT_EQ(FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace),
            1);
  if (g_library.context.scan.barCount == 0) return groups;
  EXPECT_EQ(AllocateGroupTable(g_library.context.scan), 1);
  while (g_library.context.scan.barCount > 0) {
    int32_t n = 0;
    CollectGroup(g_library.context.scan, &n);
    if (n < 2) continue;
    OrderGroup(g_library.context.scan, n);
    int32_t m = 0;
    MergeBrokenBars(g_library.context.scan, n, &m);
    Group g;
    g.bars.assign(g_library.context.scan.group, g_library.context.scan.group + m);
    double* run = BuildElementRun(g_library.context.scan, m);
    EXPECT_NE(run, nullptr);
    if (run != nullptr) g.run.assign(run, run + 2 * m - 1);
    delete[] run;
    groups.push_back(g);
  }
  return groups;
}

void SetGroup(const std::vector<BarRecord>& bars) {
  delete[] g_library.context.scan.group;
  g_library.context.scan.group = new BarRecord[bars.size() + 1];
  for (size_t i = 0; i < bars.size(); ++i) g_library.context.scan.group[i] = bars[i];
  g_library.context.scan.groupCount = static_cast<int32_t>(bars.size());
}

BarRecord BarWithSide(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  BarRecord bar{};
  bar.side = MakeSegment(x1, y1, x2, y2);
  bar.barLength = bar.side.extent;
  bar.centroidX = SegmentMidpoint(bar.side).x;
  bar.centroidY = SegmentMidpoint(bar.side).y;
  return bar;
}

void ScanTest::SetUp() { InitSettings(); }

void ScanTest::TearDown() {
  ReleaseScanBuffers(g_library.context.scan);
  OverrideScreenPixelsPerInch(0);
}

}  // namespace bcx::test
