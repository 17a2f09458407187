// Thorough grouping on hand-made bar lists: which bars continue a seed by
// direction, length, level and proximity along its scan line.
#include "stages/grouping/grouping_thorough.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "records/geometry.h"
#include "stages/components/scan_state.h"

namespace bcx::test {
namespace {

struct BarSpec {
  double x;  // middle
  double y;
  double degrees;  // direction of the side, 90 upright
  double length;
  double width;
};

BarRecord MakeBar(const BarSpec& b) {
  const double r = b.degrees * 3.14159265358979323846 / 180.0;
  const double dx = 0.5 * b.length * std::cos(r);
  const double dy = 0.5 * b.length * std::sin(r);
  BarRecord bar{};
  bar.side = MakeSegment(
      static_cast<int32_t>(std::lround(b.x - dx)), static_cast<int32_t>(std::lround(b.y - dy)),
      static_cast<int32_t>(std::lround(b.x + dx)), static_cast<int32_t>(std::lround(b.y + dy)));
  bar.barLength = bar.side.extent;
  bar.meanWidth = b.width;
  bar.centroidX = static_cast<int32_t>(b.x);
  bar.centroidY = static_cast<int32_t>(b.y);
  bar.pixelCount = static_cast<int32_t>(b.width * b.length);
  return bar;
}

// Every group the thorough loop would form, each as the list indices of its
// bars, sorted; lone bars left out.
std::vector<std::vector<int>> GroupsOf(const std::vector<BarSpec>& specs, int width = 2000,
                                       int height = 2000) {
  ScanState scan{};
  EXPECT_EQ(PrepareScanBuffers(scan, width, height), 1);
  delete[] scan.bars;
  scan.bars = new BarRecord[specs.size() + 1];
  scan.barCapacity = static_cast<int32_t>(specs.size() + 1);
  for (const BarSpec& s : specs) scan.bars[scan.barCount++] = MakeBar(s);
  scan.group = new BarRecord[specs.size() + 1];
  scan.groupCapacity = static_cast<int32_t>(specs.size() + 1);
  std::vector<std::vector<int>> groups;
  ThoroughGrouping grouping{};
  EXPECT_TRUE(PrepareThoroughGrouping(grouping, scan));
  for (int32_t seed = 0; seed < scan.barCount; ++seed) {
    if (BarTaken(grouping, seed)) continue;
    int32_t n = 0;
    CollectGroupThorough(grouping, scan, seed, &n);
    if (n < 2) continue;
    std::vector<int> members;
    for (int32_t k = 0; k < n; ++k) {
      for (size_t i = 0; i < specs.size(); ++i) {
        if (scan.group[k].centroidX == static_cast<int32_t>(specs[i].x) &&
            scan.group[k].centroidY == static_cast<int32_t>(specs[i].y)) {
          members.push_back(static_cast<int>(i));
        }
      }
    }
    std::sort(members.begin(), members.end());
    groups.push_back(members);
  }
  ReleaseThoroughGrouping(grouping);
  ReleaseScanBuffers(scan);
  return groups;
}

// n upright bars 60 long, `pitch` apart from x0 on row y, width w.
std::vector<BarSpec> Row(int n, double x0, double y, double pitch, double w = 4.0,
                         double degrees = 90.0) {
  std::vector<BarSpec> bars;
  const double r = (degrees - 90.0) * 3.14159265358979323846 / 180.0;
  for (int i = 0; i < n; ++i) {
    bars.push_back({x0 + i * pitch * std::cos(r), y + i * pitch * std::sin(r), degrees, 60.0, w});
  }
  return bars;
}

std::vector<BarSpec> Join(std::vector<BarSpec> a, const std::vector<BarSpec>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> v;
  for (int i = first; i <= last; ++i) v.push_back(i);
  return v;
}

struct GroupingCase {
  const char* name;
  std::vector<BarSpec> bars;
  std::vector<std::vector<int>> groups;
};

class ThoroughGrouping : public ::testing::TestWithParam<GroupingCase> {};

TEST_P(ThoroughGrouping, FormsTheExpectedGroups) {
  EXPECT_EQ(GroupsOf(GetParam().bars), GetParam().groups);
}

// Gaps are measured edge to edge: bars 4 wide at a pitch of p leave p - 4.
// The bound is eight narrow widths, 32 pixels.
INSTANTIATE_TEST_SUITE_P(
    Locate, ThoroughGrouping,
    ::testing::Values(
        GroupingCase{"OneRow", Row(10, 100, 100, 10), {Range(0, 9)}},
        GroupingCase{"GapOfEightNarrowJoins", Row(2, 100, 100, 36), {{0, 1}}},
        GroupingCase{"GapBeyondEightNarrowSplits", Row(4, 100, 100, 37), {}},
        GroupingCase{"TwoSymbolsOnOneLine",
                     Join(Row(6, 100, 100, 10), Row(6, 200, 100, 10)),
                     {Range(0, 5), Range(6, 11)}},
        GroupingCase{"TwoSymbolsAboveEachOther",
                     Join(Row(6, 100, 100, 10), Row(6, 100, 200, 10)),
                     {Range(0, 5), Range(6, 11)}},
        GroupingCase{"LevelWithinTheBand",
                     {{100, 100, 90, 60, 4}, {110, 120, 90, 60, 4}, {120, 100, 90, 60, 4}},
                     {{0, 1, 2}}},
        GroupingCase{"OffTheBand",
                     {{100, 100, 90, 60, 4}, {110, 122, 90, 60, 4}, {120, 100, 90, 60, 4}},
                     {{0, 2}}},
        // 8 degrees, and atan(4 / 60) for each bar's corner-to-corner side.
        GroupingCase{"NotParallel",
                     {{100, 100, 90, 60, 4}, {110, 100, 110, 60, 4}, {120, 100, 90, 60, 4}},
                     {{0, 2}}},
        GroupingCase{"WideShortBarsLeanMore",
                     {{100, 100, 90, 40, 16}, {130, 100, 112, 40, 16}, {160, 100, 90, 40, 16}},
                     {{0, 1, 2}}},
        GroupingCase{"WithinTheAngleTolerance",
                     {{100, 100, 90, 60, 4}, {110, 100, 96, 60, 4}, {120, 100, 90, 60, 4}},
                     {{0, 1, 2}}},
        GroupingCase{"MuchShorterBarLeftOut",
                     {{100, 100, 90, 60, 4}, {110, 100, 90, 38, 4}, {120, 100, 90, 60, 4}},
                     {{0, 2}}},
        GroupingCase{"TiltedRow", Row(8, 300, 300, 10, 4, 90 + 37), {Range(0, 7)}},
        GroupingCase{"UpsideDownIsParallel",
                     {{100, 100, 90, 60, 4}, {110, 100, 270, 60, 4}, {120, 100, 88, 60, 4}},
                     {{0, 1, 2}}},
        GroupingCase{"NearlyHorizontalWrapsAround",
                     {{100, 100, 1, 60, 4}, {100, 110, 179, 60, 4}, {100, 120, 2, 60, 4}},
                     {{0, 1, 2}}},
        GroupingCase{"FarBarOnTheLineStaysOut",
                     Join(Row(5, 100, 100, 10), Row(1, 1500, 100, 10)),
                     {Range(0, 4)}}),
    [](const ::testing::TestParamInfo<GroupingCase>& info) { return info.param.name; });

TEST(ThoroughGroupingAlone, LoneBarsFormNoGroup) {
  EXPECT_TRUE(GroupsOf({{100, 100, 90, 60, 4}}).empty());
  EXPECT_TRUE(GroupsOf({{100, 100, 90, 60, 4}, {100, 100, 0, 60, 4}}).empty());
}

TEST(ThoroughGroupingAlone, BarsAtTheRegionsEdgesAndBeyond) {
  // Middles outside the region land in its border cells; nothing is lost.
  const std::vector<BarSpec> bars = {
      {-30, 10, 90, 60, 4}, {-20, 10, 90, 60, 4}, {2030, 1990, 90, 60, 4}, {2040, 1990, 90, 60, 4}};
  EXPECT_EQ(GroupsOf(bars), (std::vector<std::vector<int>>{{0, 1}, {2, 3}}));
}

}  // namespace
}  // namespace bcx::test
