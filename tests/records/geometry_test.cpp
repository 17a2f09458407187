#include "records/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bcx {
namespace {

struct AngleCase {
  int32_t x1, y1, x2, y2;
  double angle;
  double length;
  double extent;
};

class MeasureSegmentTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(MeasureSegmentTest, FollowsTheAngleConvention) {
  const AngleCase& c = GetParam();
  const Segment s = MakeSegment(c.x1, c.y1, c.x2, c.y2);
  EXPECT_DOUBLE_EQ(s.angle, c.angle);
  EXPECT_DOUBLE_EQ(s.length, c.length);
  EXPECT_DOUBLE_EQ(s.extent, c.extent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeasureSegmentTest,
    ::testing::Values(
        AngleCase{0, 0, 5, 0, 0.0, 5, 5}, AngleCase{5, 0, 0, 0, 3.14, 5, 5},
        AngleCase{0, 0, 0, 5, 1.57, 5, 5}, AngleCase{0, 5, 0, 0, 4.71, 5, 5},
        AngleCase{3, 3, 3, 3, 4.71, 0, 0},
        AngleCase{0, 0, 10, 10, std::atan(1.0), std::sqrt(200.0), std::sqrt(200.0)},
        AngleCase{10, 10, 0, 0, std::atan(1.0), std::sqrt(200.0), std::sqrt(200.0)},
        AngleCase{0, 10, 10, 0, 6.28 - std::atan(1.0), std::sqrt(200.0), std::sqrt(200.0)},
        AngleCase{10, 0, 0, 10, 6.28 - std::atan(1.0), std::sqrt(200.0), std::sqrt(200.0)},
        AngleCase{0, 0, 3, 4, std::atan(4.0 / 3.0), 5, 5}));

TEST(GeometryTest, QuarterTurnsAreBuiltFromTheLibrarysPi) {
  EXPECT_EQ(kPi, 3.14);
  EXPECT_EQ(kQuarterTurn, 3.14 * 0.5);
  EXPECT_EQ(kThreeQuarterTurn, 3.14 * 1.5);
  EXPECT_EQ(kFullTurn, 6.28);
}

TEST(GeometryTest, MidpointTruncatesTowardZero) {
  const Point a = SegmentMidpoint(MakeSegment(0, 0, 3, 3));
  EXPECT_EQ(a.x, 1);
  EXPECT_EQ(a.y, 1);
  const Point b = SegmentMidpoint(MakeSegment(0, 0, -3, -3));
  EXPECT_EQ(b.x, -1);
  EXPECT_EQ(b.y, -1);
}

TEST(GeometryTest, PointLineDistanceIsPerpendicular) {
  EXPECT_DOUBLE_EQ(PointLineDistance(Point{3, 4}, MakeSegment(0, 0, 10, 0)), 4.0);
  EXPECT_DOUBLE_EQ(PointLineDistance(Point{-7, 4}, MakeSegment(0, 0, 10, 0)), 4.0);
  EXPECT_DOUBLE_EQ(PointLineDistance(Point{0, 10}, MakeSegment(0, 0, 10, 10)),
                   10.0 / std::sqrt(2.0));
}

TEST(GeometryTest, PointLineDistanceDividesByTheStoredLength) {
  Segment s = MakeSegment(0, 0, 10, 0);
  s.length = 5.0;
  EXPECT_DOUBLE_EQ(PointLineDistance(Point{3, 4}, s), 8.0);
}

TEST(GeometryTest, LineIntersectionOfCrossingLines) {
  Point p{-1, -1};
  ASSERT_EQ(LineIntersection(MakeSegment(0, 0, 0, 5), MakeSegment(-3, 2, 7, 2), &p), 1);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 2);
}

TEST(GeometryTest, LineIntersectionOfParallelLinesLeavesThePoint) {
  Point p{17, 19};
  EXPECT_EQ(LineIntersection(MakeSegment(0, 0, 10, 5), MakeSegment(3, 0, 13, 5), &p), 0);
  EXPECT_EQ(p.x, 17);
  EXPECT_EQ(p.y, 19);
  EXPECT_EQ(LineIntersection(MakeSegment(2, 2, 2, 2), MakeSegment(0, 0, 10, 3), &p), 0);
  EXPECT_EQ(p.x, 17);
}

TEST(GeometryTest, LineIntersectionTruncatesTowardZero) {
  Point p{};
  // x = 2.5 and x = -2.5 on the horizontal through y = 1.
  ASSERT_EQ(LineIntersection(MakeSegment(0, 0, 5, 2), MakeSegment(-10, 1, 10, 1), &p), 1);
  EXPECT_EQ(p.x, 2);
  EXPECT_EQ(p.y, 1);
  ASSERT_EQ(LineIntersection(MakeSegment(0, 0, -5, 2), MakeSegment(-10, 1, 10, 1), &p), 1);
  EXPECT_EQ(p.x, -2);
}

TEST(GeometryTest, LineIntersectionFarDownALargeRegionDoesNotOverflow) {
  // The constant terms are near 4e9 here: beyond 32 bits.
  Point p{};
  ASSERT_EQ(LineIntersection(MakeSegment(60000, 0, 60000, 65000),
                             MakeSegment(0, 60000, 65000, 60000), &p),
            1);
  EXPECT_EQ(p.x, 60000);
  EXPECT_EQ(p.y, 60000);
  ASSERT_EQ(LineIntersection(MakeSegment(65535, 65535, 65000, 64000),
                             MakeSegment(0, 65535, 65535, 65534), &p),
            1);
  EXPECT_NEAR(p.x, 65535, 1);
  EXPECT_NEAR(p.y, 65535, 1);
}

TEST(GeometryTest, LineIntersectionOfExtremeLinesStaysDefined) {
  constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
  constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();
  Point p{};
  EXPECT_EQ(LineIntersection(MakeSegment(kLow, kLow, kHigh, kHigh + 0),
                             MakeSegment(kLow, kHigh, kHigh, kLow), &p),
            1);
  EXPECT_EQ(LineIntersection(MakeSegment(0, 0, 1, 1000000), MakeSegment(0, 1, 1, 1000002), &p), 1);
}

TEST(GeometryTest, NormalThroughMidpointTruncatesTheOffset) {
  Segment n{};
  NormalThroughMidpoint(MakeSegment(0, 0, 0, 10), 100.0, &n);
  EXPECT_EQ(n.x1, 0);
  EXPECT_EQ(n.y1, 5);
  EXPECT_EQ(n.x2, -99);  // cos 3.14 is a little above -1
  EXPECT_EQ(n.y2, 5);
  EXPECT_DOUBLE_EQ(n.angle, 3.14);
  EXPECT_DOUBLE_EQ(n.extent, 99.0);
}

TEST(GeometryTest, NormalThroughPointTruncatesTheSum) {
  const Segment s = MakeSegment(200, 0, 200, 10);
  Segment byPoint{};
  NormalThroughPoint(s, Point{200, 5}, 100.0, &byPoint);
  Segment byMidpoint{};
  NormalThroughMidpoint(s, 100.0, &byMidpoint);
  // 200 - 99.9999 truncates to 100; 200 + trunc(-99.9999) is 101.
  EXPECT_EQ(byPoint.x2, 100);
  EXPECT_EQ(byMidpoint.x2, 101);
  EXPECT_EQ(byPoint.y2, 5);
  EXPECT_EQ(byMidpoint.y2, 5);
}

TEST(GeometryTest, NormalWrapsPastAFullTurn) {
  // Angle 6.28 - atan(1) plus a quarter turn passes 6.28 and wraps.
  Segment n{};
  NormalThroughPoint(MakeSegment(0, 10, 10, 0), Point{0, 0}, 100.0, &n);
  const double r = (6.28 - std::atan(1.0)) + 1.57 - 6.28;
  EXPECT_EQ(n.x2, static_cast<int32_t>(100.0 * std::cos(r)));
  EXPECT_EQ(n.y2, static_cast<int32_t>(100.0 * std::sin(r)));
  EXPECT_GT(n.x2, 0);
  EXPECT_GT(n.y2, 0);
}

TEST(GeometryTest, NormalOfAHorizontalSegmentPointsDown) {
  Segment n{};
  NormalThroughMidpoint(MakeSegment(10, 40, 60, 40), 500.0, &n);
  EXPECT_EQ(n.x1, 35);
  EXPECT_EQ(n.y1, 40);
  EXPECT_EQ(n.x2, 35);
  EXPECT_EQ(n.y2, 539);
  EXPECT_DOUBLE_EQ(n.angle, 1.57);
}

}  // namespace
}  // namespace bcx
