#include "stages/grouping/grouping.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "api/library.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using GroupingTest = ScanTest;

Segment Upright(int32_t x, int32_t top, int32_t length) {
  return MakeSegment(x, top, x, top + length);
}

TEST(MatchesSeedTest, ExtentDifferenceOfExactly028Passes) {
  const Segment seed = Upright(0, 0, 100);
  EXPECT_TRUE(MatchesSeed(seed, Upright(30, 14, 72)));
  EXPECT_TRUE(MatchesSeed(Upright(30, 14, 72), seed));
  Segment shorter = Upright(30, 14, 72);
  shorter.extent = 71.9;
  EXPECT_FALSE(MatchesSeed(seed, shorter));
  EXPECT_FALSE(MatchesSeed(shorter, seed));
  EXPECT_FALSE(MatchesSeed(seed, Upright(30, 14, 71)));
}

TEST(MatchesSeedTest, OffsetOfExactlyTheBandFails) {
  // The seed's normal is the row y = 50; the band is 0.2 x (100 + 100) = 40.
  const Segment seed = Upright(0, 0, 100);
  EXPECT_FALSE(MatchesSeed(seed, Upright(30, 40, 100)));
  EXPECT_TRUE(MatchesSeed(seed, Upright(30, 39, 100)));
  EXPECT_FALSE(MatchesSeed(seed, Upright(30, -40, 100)));
  EXPECT_TRUE(MatchesSeed(seed, Upright(30, -39, 100)));
}

TEST(MatchesSeedTest, FarBarsOnTheNormalJoin) {
  const Segment seed = Upright(0, 0, 100);
  EXPECT_TRUE(MatchesSeed(seed, Upright(5000, 0, 100)));
  EXPECT_TRUE(MatchesSeed(seed, Upright(-60000, 0, 100)));
}

TEST(MatchesSeedTest, PerpendicularBarOnTheNormalJoins) {
  const Segment seed = Upright(0, 0, 100);
  EXPECT_TRUE(MatchesSeed(seed, MakeSegment(200, 50, 300, 50)));
}

TEST(MatchesSeedTest, TiltedSeedUsesItsOwnNormal) {
  // Seed from (0,0) to (60,80): extent 100, middle (30,40).
  const Segment seed = MakeSegment(0, 0, 60, 80);
  // Moved 200 along the normal direction (0.8, -0.6): still level.
  EXPECT_TRUE(MatchesSeed(seed, MakeSegment(160, -120, 220, -40)));
  // Moved 50 along the bar direction: beyond the band.
  EXPECT_FALSE(MatchesSeed(seed, MakeSegment(30, 40, 90, 120)));
}

TEST_F(GroupingTest, SingleBarMakesAGroupOfOne) {
  std::vector<BarRecord> bars{BarWithSide(0, 0, 0, 50)};
  LoadScan(Bitmap(1, 1));
  g_library.context.scan.bars[0] = bars[0];
  g_library.context.scan.barCount = 1;
  ASSERT_EQ(AllocateGroupTable(g_library.context.scan), 1);
  int32_t n = -1;
  EXPECT_EQ(CollectGroup(g_library.context.scan, &n), 1);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(g_library.context.scan.groupCount, 1);
  EXPECT_EQ(g_library.context.scan.barCount, 0);
}

// The walk written out plainly: remove the seed, then each match, shifting
// the rest of the list down every time.
std::vector<std::vector<int32_t>> PlainGroups(std::vector<BarRecord> list) {
  std::vector<std::vector<int32_t>> groups;
  while (!list.empty()) {
    const BarRecord seed = list[0];
    std::vector<int32_t> group{seed.pixelCount};
    list.erase(list.begin());
    size_t i = 0;
    while (i < list.size()) {
      if (MatchesSeed(seed.side, list[i].side)) {
        group.push_back(list[i].pixelCount);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
    groups.push_back(group);
  }
  return groups;
}

std::vector<std::vector<int32_t>> CollectAll(const std::vector<BarRecord>& list) {
  LoadScan(Bitmap(static_cast<int32_t>(list.size()), 1));
  for (size_t k = 0; k < list.size(); ++k) g_library.context.scan.bars[k] = list[k];
  g_library.context.scan.barCount = static_cast<int32_t>(list.size());
  EXPECT_EQ(AllocateGroupTable(g_library.context.scan), 1);
  std::vector<std::vector<int32_t>> groups;
  while (g_library.context.scan.barCount > 0) {
    int32_t n = 0;
    CollectGroup(g_library.context.scan, &n);
    std::vector<int32_t> group;
    for (int32_t k = 0; k < n; ++k) group.push_back(g_library.context.scan.group[k].pixelCount);
    groups.push_back(group);
  }
  return groups;
}

TEST_F(GroupingTest, SeedFirstThenMatchesInOrderOfDiscovery) {
  std::vector<BarRecord> list{BarWithSide(0, 0, 0, 100), BarWithSide(20, 300, 20, 400),
                              BarWithSide(40, 10, 40, 110), BarWithSide(10, 5, 10, 105),
                              BarWithSide(30, 310, 30, 400)};
  for (size_t k = 0; k < list.size(); ++k) list[k].pixelCount = static_cast<int32_t>(k);
  const auto groups = CollectAll(list);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0], (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(groups[1], (std::vector<int32_t>{1, 4}));
}

TEST_F(GroupingTest, ShiftedBarSeedsALaterGroup) {
  std::vector<BarRecord> list{BarWithSide(0, 0, 0, 100), BarWithSide(10, 60, 10, 160),
                              BarWithSide(20, 0, 20, 100)};
  for (size_t k = 0; k < list.size(); ++k) list[k].pixelCount = static_cast<int32_t>(k);
  const auto groups = CollectAll(list);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0], (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(groups[1], (std::vector<int32_t>{1}));
}

TEST_F(GroupingTest, OnePassWalkGivesThePlainGroups) {
  std::mt19937 random(20261209);
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<BarRecord> list;
    const int count = 1 + static_cast<int>(random() % 120);
    for (int k = 0; k < count; ++k) {
      const int32_t x = static_cast<int32_t>(random() % 400);
      const int32_t y = static_cast<int32_t>(random() % 400);
      const int32_t dx = static_cast<int32_t>(random() % 21) - 10;
      const int32_t dy = 20 + static_cast<int32_t>(random() % 60);
      BarRecord bar =
          random() % 4 == 0 ? BarWithSide(x, y, x + dy, y + dx) : BarWithSide(x, y, x + dx, y + dy);
      bar.pixelCount = k;
      list.push_back(bar);
    }
    ASSERT_EQ(CollectAll(list), PlainGroups(list)) << "trial " << trial;
  }
}

}  // namespace
}  // namespace bcx::test
