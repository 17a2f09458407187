#include "stages/ordering/ordering.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "api/library.h"
#include "stages/components/scan_state.h"
#include "support.h"

namespace bcx::test {
namespace {

using OrderingTest = ScanTest;

BarRecord Tagged(BarRecord bar, int32_t tag) {
  bar.pixelCount = tag;
  return bar;
}

std::vector<int32_t> GroupTags(int32_t n) {
  std::vector<int32_t> tags;
  for (int32_t k = 0; k < n; ++k) tags.push_back(g_library.context.scan.group[k].pixelCount);
  return tags;
}

TEST_F(OrderingTest, UprightBarsRunFromTheLeftEdge) {
  SetGroup({Tagged(BarWithSide(30, 10, 30, 60), 0), Tagged(BarWithSide(10, 12, 10, 62), 1),
            Tagged(BarWithSide(20, 8, 20, 58), 2)});
  OrderGroup(g_library.context.scan, 3);
  EXPECT_EQ(g_library.context.scan.groupCount, 3);
  EXPECT_EQ(GroupTags(3), (std::vector<int32_t>{1, 2, 0}));
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[0].scanPosition, 10.0);
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[1].scanPosition, 20.0);
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[2].scanPosition, 30.0);
}

TEST_F(OrderingTest, UprightBarsDrawnUpwardRunFromTheLeftEdgeToo) {
  SetGroup({Tagged(BarWithSide(30, 60, 30, 10), 0), Tagged(BarWithSide(10, 62, 10, 12), 1)});
  OrderGroup(g_library.context.scan, 2);
  EXPECT_EQ(GroupTags(2), (std::vector<int32_t>{1, 0}));
}

TEST_F(OrderingTest, LyingBarsRunFromTheTopEdge) {
  SetGroup({Tagged(BarWithSide(10, 40, 60, 40), 0), Tagged(BarWithSide(12, 20, 62, 20), 1),
            Tagged(BarWithSide(8, 30, 58, 30), 2)});
  OrderGroup(g_library.context.scan, 3);
  EXPECT_EQ(GroupTags(3), (std::vector<int32_t>{1, 2, 0}));
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[0].scanPosition, 20.0);
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[2].scanPosition, 40.0);
}

TEST_F(OrderingTest, SteepDiagonalBarsRunFromTheTopEdge) {
  // Bars at 45 degrees: the scan line is far from horizontal.
  SetGroup({Tagged(BarWithSide(100, 0, 150, 50), 0), Tagged(BarWithSide(80, 0, 130, 50), 1),
            Tagged(BarWithSide(120, 0, 170, 50), 2)});
  OrderGroup(g_library.context.scan, 3);
  // The scan line runs down to the left; the top edge meets it right of the
  // bars, so the rightmost bar is nearest.
  EXPECT_EQ(GroupTags(3), (std::vector<int32_t>{2, 0, 1}));
}

TEST_F(OrderingTest, EqualPositionsKeepTheirOrder) {
  SetGroup({Tagged(BarWithSide(20, 0, 20, 50), 0), Tagged(BarWithSide(20, 100, 20, 150), 1),
            Tagged(BarWithSide(10, 0, 10, 50), 2), Tagged(BarWithSide(20, 200, 20, 250), 3)});
  OrderGroup(g_library.context.scan, 4);
  EXPECT_EQ(GroupTags(4), (std::vector<int32_t>{2, 0, 1, 3}));
}

// The sort written out plainly: every pass to the end.
void PlainBubbleSort(std::vector<double>& keys, std::vector<int32_t>& indices) {
  const int32_t n = static_cast<int32_t>(keys.size());
  for (int32_t p = n - 1; p >= 0; --p) {
    for (int32_t q = 0; q < p; ++q) {
      if (keys[q] > keys[q + 1]) {
        std::swap(keys[q], keys[q + 1]);
        std::swap(indices[q], indices[q + 1]);
      }
    }
  }
}

TEST(SortKeysTest, SortsAscendingAndStable) {
  std::vector<double> keys{3.0, 1.0, 2.0, 1.0, 3.0};
  std::vector<int32_t> indices{0, 1, 2, 3, 4};
  SortKeysAscending(keys.data(), indices.data(), 5);
  EXPECT_EQ(keys, (std::vector<double>{1.0, 1.0, 2.0, 3.0, 3.0}));
  EXPECT_EQ(indices, (std::vector<int32_t>{1, 3, 2, 0, 4}));
  SortKeysAscending(keys.data(), indices.data(), 0);
}

TEST(SortKeysTest, EarlyFinishGivesThePlainOrder) {
  std::mt19937 random(77);
  for (int trial = 0; trial < 200; ++trial) {
    const int n = static_cast<int>(random() % 40);
    std::vector<double> keys;
    std::vector<int32_t> indices;
    for (int k = 0; k < n; ++k) {
      keys.push_back(static_cast<double>(random() % 8));
      indices.push_back(k);
    }
    if (trial % 5 == 0 && n > 2) keys[1] = std::nan("");
    std::vector<double> plainKeys = keys;
    std::vector<int32_t> plainIndices = indices;
    PlainBubbleSort(plainKeys, plainIndices);
    SortKeysAscending(keys.data(), indices.data(), n);
    ASSERT_EQ(indices, plainIndices) << "trial " << trial;
  }
}

struct ParallelCase {
  double a;
  double b;
  bool parallel;
};

class AnglesParallelTest : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(AnglesParallelTest, MatchesAcrossTheWrapAndTheVertical) {
  const ParallelCase& c = GetParam();
  EXPECT_EQ(AnglesParallel(c.a, c.b, 3.14 * 0.05), c.parallel);
  EXPECT_EQ(AnglesParallel(c.b, c.a, 3.14 * 0.05), c.parallel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnglesParallelTest,
    ::testing::Values(ParallelCase{0.05, 6.25, true}, ParallelCase{0.3, 0.5, false},
                      ParallelCase{1.52, 4.75, true}, ParallelCase{0.02, 3.14, true},
                      ParallelCase{1.0, 1.15, true}, ParallelCase{1.0, 1.16, false},
                      ParallelCase{1.57, 4.71, true}));

struct Piece {
  int32_t top;
  int32_t bottom;
  double width;
  double position;
};

BarRecord PieceAt(int32_t column, const Piece& p, int32_t tag) {
  BarRecord bar = BarWithSide(column, p.top, column, p.bottom);
  bar.centroidX = column;
  bar.centroidY = (p.top + p.bottom) / 2;
  bar.meanWidth = p.width;
  bar.scanPosition = p.position;
  bar.pixelCount = tag;
  return bar;
}

int32_t Merge(const std::vector<BarRecord>& group) {
  SetGroup(group);
  int32_t m = -1;
  MergeBrokenBars(g_library.context.scan, static_cast<int32_t>(group.size()), &m);
  EXPECT_EQ(g_library.context.scan.groupCount, m);
  return m;
}

TEST_F(OrderingTest, PiecesThreePixelsApartMerge) {
  const int32_t m = Merge({PieceAt(5, {0, 10, 3.0, 5.0}, 0), PieceAt(5, {13, 20, 3.0, 5.5}, 1)});
  ASSERT_EQ(m, 1);
  const BarRecord& bar = g_library.context.scan.group[0];
  EXPECT_EQ(bar.side.x1, 5);
  EXPECT_EQ(bar.side.y1, 0);
  EXPECT_EQ(bar.side.x2, 5);
  EXPECT_EQ(bar.side.y2, 20);
  EXPECT_DOUBLE_EQ(bar.side.extent, 20.0);
  EXPECT_DOUBLE_EQ(bar.barLength, 17.0);
  EXPECT_DOUBLE_EQ(bar.scanPosition, 5.5);
  EXPECT_DOUBLE_EQ(bar.meanWidth, 3.0);
  EXPECT_EQ(bar.pixelCount, 0);
}

TEST_F(OrderingTest, PiecesFourPixelsApartStayApart) {
  EXPECT_EQ(Merge({PieceAt(5, {0, 10, 3.0, 5.0}, 0), PieceAt(5, {14, 20, 3.0, 5.5}, 1)}), 2);
}

TEST_F(OrderingTest, ThreePiecesBecomeOne) {
  const int32_t m = Merge({PieceAt(5, {0, 10, 3.0, 5.0}, 0), PieceAt(5, {13, 20, 3.0, 5.2}, 1),
                           PieceAt(5, {23, 30, 3.0, 5.4}, 2)});
  ASSERT_EQ(m, 1);
  EXPECT_EQ(g_library.context.scan.group[0].side.y1, 0);
  EXPECT_EQ(g_library.context.scan.group[0].side.y2, 30);
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[0].barLength, 24.0);
  EXPECT_DOUBLE_EQ(g_library.context.scan.group[0].scanPosition, 5.4);
}

TEST_F(OrderingTest, PiecesInReverseOrderMergeToo) {
  const int32_t m = Merge({PieceAt(5, {13, 20, 3.0, 5.0}, 0), PieceAt(5, {0, 10, 3.0, 5.5}, 1)});
  ASSERT_EQ(m, 1);
  EXPECT_EQ(g_library.context.scan.group[0].side.y1, 20);
  EXPECT_EQ(g_library.context.scan.group[0].side.y2, 0);
}

TEST_F(OrderingTest, LastRecordMergesIntoAnEarlierOne) {
  BarRecord other = PieceAt(40, {0, 30, 3.0, 40.0}, 1);
  const int32_t m =
      Merge({PieceAt(5, {0, 10, 3.0, 5.0}, 0), other, PieceAt(5, {13, 20, 3.0, 5.5}, 2)});
  ASSERT_EQ(m, 2);
  EXPECT_EQ(GroupTags(2), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(g_library.context.scan.group[0].side.y2, 20);
}

struct MergeBoundCase {
  double secondWidth;
  double secondPosition;
  int32_t remaining;
};

class MergeBoundTest : public OrderingTest, public ::testing::WithParamInterface<MergeBoundCase> {};

TEST_P(MergeBoundTest, WidthAndPositionBoundsAreStrict) {
  const MergeBoundCase& c = GetParam();
  EXPECT_EQ(Merge({PieceAt(5, {0, 10, 5.0, 5.0}, 0),
                   PieceAt(5, {13, 20, c.secondWidth, c.secondPosition}, 1)}),
            c.remaining);
}

INSTANTIATE_TEST_SUITE_P(Bounds, MergeBoundTest,
                         ::testing::Values(MergeBoundCase{6.0, 5.0, 2}, MergeBoundCase{5.9, 5.0, 1},
                                           MergeBoundCase{4.0, 5.0, 2}, MergeBoundCase{4.1, 5.0, 1},
                                           MergeBoundCase{5.0, 10.0, 2},
                                           MergeBoundCase{5.0, 9.9, 1},
                                           MergeBoundCase{5.0, 0.0, 2}));

TEST_F(OrderingTest, CoincidentCentroidsStayApart) {
  Segment joined = MakeSegment(1, 2, 3, 4);
  EXPECT_FALSE(JoinPieces(MakeSegment(5, 0, 5, 10), Point{5, 9}, MakeSegment(5, 13, 5, 20),
                          Point{5, 9}, 4.0, &joined));
  EXPECT_EQ(joined.x1, 1);
  EXPECT_EQ(joined.y2, 4);
}

TEST_F(OrderingTest, PiecesSideBySideDoNotJoin) {
  // Parallel but next to each other: the centroid line is across the bars.
  Segment joined{};
  EXPECT_FALSE(JoinPieces(MakeSegment(5, 0, 5, 20), Point{5, 10}, MakeSegment(9, 0, 9, 20),
                          Point{9, 10}, 4.0, &joined));
}

TEST_F(OrderingTest, PiecesAtAnAngleDoNotJoin) {
  Segment joined{};
  EXPECT_FALSE(JoinPieces(MakeSegment(5, 0, 5, 10), Point{5, 5}, MakeSegment(5, 13, 10, 20),
                          Point{7, 16}, 4.0, &joined));
}

TEST_F(OrderingTest, TiltedPiecesJoinAlongTheirCentroidLine) {
  Segment joined{};
  ASSERT_TRUE(JoinPieces(MakeSegment(0, 0, 10, 20), Point{5, 10}, MakeSegment(11, 22, 20, 40),
                         Point{15, 31}, 4.0, &joined));
  EXPECT_NEAR(joined.x1, 0, 1);
  EXPECT_NEAR(joined.y1, 0, 1);
  EXPECT_NEAR(joined.x2, 20, 1);
  EXPECT_NEAR(joined.y2, 40, 1);
}

}  // namespace
}  // namespace bcx::test
