// Plane geometry on whole-pixel segments.
#include "records/geometry.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace bcx {

namespace {

// Differences and products of coordinates are formed in 64 bits: regions are
// up to 65535 pixels a side, and the products of two coordinates overflow 32.
int64_t Difference(int32_t a, int32_t b) { return static_cast<int64_t>(a) - b; }

double SquaredLength(int64_t dx, int64_t dy) {
  return static_cast<double>(dx) * static_cast<double>(dx) +
         static_cast<double>(dy) * static_cast<double>(dy);
}

// A crossing point of nearly parallel lines can lie absurdly far away; it
// is held at the ends of the coordinate range rather than wrapped.
int32_t SaturatedCoordinate(int64_t v) {
  constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
  constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
  if (v < kLowest) return static_cast<int32_t>(kLowest);
  if (v > kHighest) return static_cast<int32_t>(kHighest);
  return static_cast<int32_t>(v);
}

// Doubles turned into pixel coordinates truncate toward zero; values out of
// the coordinate range (or NaN) would make the conversion undefined.
int32_t TruncatedCoordinate(double v) {
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  if (!(v > kLowest)) return std::numeric_limits<int32_t>::min();
  if (!(v < kHighest)) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

constexpr int32_t kExactCoordinateLimit = 1 << 19;

bool WithinExactRange(int32_t v) {
  return v >= -kExactCoordinateLimit && v <= kExactCoordinateLimit;
}

bool WithinExactRange(const Segment& s) {
  return WithinExactRange(s.x1) && WithinExactRange(s.y1) && WithinExactRange(s.x2) &&
         WithinExactRange(s.y2);
}

// Lines far beyond any region are only reachable from lines that already
// left it: an approximate crossing is enough, as long as nothing overflows.
int FarLineIntersection(const Segment& a, const Segment& b, Point* out) {
  using Wide = long double;
  const Wide ady = static_cast<Wide>(a.y2) - a.y1;
  const Wide adx = static_cast<Wide>(a.x1) - a.x2;
  const Wide bdy = static_cast<Wide>(b.y2) - b.y1;
  const Wide bdx = static_cast<Wide>(b.x1) - b.x2;
  const Wide d = ady * bdx - bdy * adx;
  if (d == 0) return 0;
  const Wide ca = static_cast<Wide>(a.y1) * a.x2 - static_cast<Wide>(a.x1) * a.y2;
  const Wide cb = static_cast<Wide>(b.y1) * b.x2 - static_cast<Wide>(b.x1) * b.y2;
  out->x = TruncatedCoordinate(static_cast<double>((adx * cb - ca * bdx) / d));
  out->y = TruncatedCoordinate(static_cast<double>((ca * bdy - ady * cb) / d));
  return 1;
}

double NormalAngle(const Segment& s) {
  double r = s.angle + kQuarterTurn;
  if (r >= kFullTurn) r -= kFullTurn;
  return r;
}

}  // namespace

void MeasureSegment(Segment& s) {
  const int64_t dx = Difference(s.x2, s.x1);
  const int64_t dy = Difference(s.y2, s.y1);
  s.length = std::sqrt(SquaredLength(dx, dy));
  if (dx == 0) {
    s.angle = dy > 0 ? kQuarterTurn : kThreeQuarterTurn;
    s.extent = std::fabs(static_cast<double>(dy));
  } else if (dy == 0) {
    s.angle = dx > 0 ? 0.0 : kPi;
    s.extent = std::fabs(static_cast<double>(dx));
  } else {
    double angle = std::atan(static_cast<double>(dy) / static_cast<double>(dx));
    if (angle < 0.0) angle += kFullTurn;
    s.angle = angle;
    s.extent = s.length;
  }
}

Segment MakeSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Segment s{x1, y1, x2, y2, 0.0, 0.0, 0.0};
  MeasureSegment(s);
  return s;
}

Point SegmentMidpoint(const Segment& s) {
  const double x = s.x1 + static_cast<double>(Difference(s.x2, s.x1)) * 0.5;
  const double y = s.y1 + static_cast<double>(Difference(s.y2, s.y1)) * 0.5;
  return Point{TruncatedCoordinate(x), TruncatedCoordinate(y)};
}

double PointLineDistance(Point p, const Segment& s) {
  const double cross =
      static_cast<double>(Difference(s.x2, s.x1)) * static_cast<double>(Difference(s.y1, p.y)) -
      static_cast<double>(Difference(s.x1, p.x)) * static_cast<double>(Difference(s.y2, s.y1));
  return std::fabs(cross) / s.length;
}

int LineIntersection(const Segment& a, const Segment& b, Point* out) {
  if (!WithinExactRange(a) || !WithinExactRange(b)) return FarLineIntersection(a, b, out);
  // Coordinates within 2^19 keep every product below 2^60.
  const int64_t ady = Difference(a.y2, a.y1);
  const int64_t adx = Difference(a.x1, a.x2);
  const int64_t bdy = Difference(b.y2, b.y1);
  const int64_t bdx = Difference(b.x1, b.x2);
  const int64_t d = ady * bdx - bdy * adx;
  if (d == 0) return 0;
  const int64_t ca = static_cast<int64_t>(a.y1) * a.x2 - static_cast<int64_t>(a.x1) * a.y2;
  const int64_t cb = static_cast<int64_t>(b.y1) * b.x2 - static_cast<int64_t>(b.x1) * b.y2;
  out->x = SaturatedCoordinate((adx * cb - ca * bdx) / d);
  out->y = SaturatedCoordinate((ca * bdy - ady * cb) / d);
  return 1;
}

void NormalThroughPoint(const Segment& s, Point p, double len, Segment* out) {
  const double r = NormalAngle(s);
  *out = MakeSegment(p.x, p.y, TruncatedCoordinate(p.x + len * std::cos(r)),
                     TruncatedCoordinate(p.y + len * std::sin(r)));
}

void NormalThroughMidpoint(const Segment& s, double len, Segment* out) {
  const Point m = SegmentMidpoint(s);
  const double r = NormalAngle(s);
  const int64_t ex = static_cast<int64_t>(m.x) + TruncatedCoordinate(len * std::cos(r));
  const int64_t ey = static_cast<int64_t>(m.y) + TruncatedCoordinate(len * std::sin(r));
  *out = MakeSegment(m.x, m.y, SaturatedCoordinate(ex), SaturatedCoordinate(ey));
}

}  // namespace bcx
