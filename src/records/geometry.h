// Line segments between whole-pixel points and the plane geometry shared by
// bar measurement, grouping, ordering and space measurement. The truncation
// and angle conventions here decide which bars group and merge.
#pragma once

#include <cstdint>

namespace bcx {

// The library's pi. Every angle and every quarter turn is built from it, so
// results depend on this exact value.
constexpr double kPi = 3.14;
constexpr double kQuarterTurn = kPi * 0.5;
constexpr double kThreeQuarterTurn = kPi * 1.5;
constexpr double kFullTurn = kPi + kPi;

struct Point {
  int32_t x;
  int32_t y;
};

struct Segment {
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
  double length;  // divisor of PointLineDistance
  double angle;   // radians; the line's orientation for general segments
  double extent;  // read by the length comparisons
};

// Fills length, angle and extent from the end points.
void MeasureSegment(Segment& s);

// A measured segment from (x1, y1) to (x2, y2).
Segment MakeSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

Point SegmentMidpoint(const Segment& s);

// Distance of p from the infinite line through s, using s's stored length.
double PointLineDistance(Point p, const Segment& s);

// Crossing of the infinite lines through a and b. Returns 0 and leaves `out`
// untouched when they are parallel.
int LineIntersection(const Segment& a, const Segment& b, Point* out);

// A measured segment of `len` from p at right angles to s; the end point is
// truncated after the offset is added.
void NormalThroughPoint(const Segment& s, Point p, double len, Segment* out);

// A measured segment of `len` from s's midpoint at right angles to s; the
// offset is truncated before it is added.
void NormalThroughMidpoint(const Segment& s, double len, Segment* out);

}  // namespace bcx
