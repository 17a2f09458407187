// A component measured as a bar from its boundary pixels: three corners, a
// corner-to-corner side and its length.
#include "stages/components/measure_bar.h"

#include <cmath>
#include <cstdint>

#include "records/settings.h"

namespace bcx {

namespace {

// Three distinct corners need three boundary pixels.
constexpr int32_t kFewestCornerPixels = 3;
constexpr int32_t kNoEntry = -1;
// Running maxima start below any distance, and only a strictly larger value
// replaces them: the earliest entry wins a tie.
constexpr double kBelowAnyDistance = -1.0;

double SquaredDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // Exact in double for any pair of 32-bit coordinates within 2^26.
  const double dx = static_cast<double>(static_cast<int64_t>(x1) - x2);
  const double dy = static_cast<double>(static_cast<int64_t>(y1) - y2);
  return dx * dx + dy * dy;
}

double SquaredDistance(const BoundaryEntry& p, const BoundaryEntry& q) {
  return SquaredDistance(p.x, p.y, q.x, q.y);
}

bool BoundaryCountFits(int32_t count, const Settings& settings) {
  const int64_t fewest = 2 * static_cast<int64_t>(settings.minBarPixels);
  const int64_t most = 2 * static_cast<int64_t>(settings.maxBarPixels);
  return count >= kFewestCornerPixels && count >= fewest && count <= most;
}

// Stores each pixel's squared distance to the centroid and returns the
// first farthest.
int32_t FarthestFromCentroid(BoundaryEntry* boundary, int32_t count, int32_t cx, int32_t cy,
                             double* farthest) {
  int32_t best = kNoEntry;
  double bestValue = kBelowAnyDistance;
  for (int32_t k = 0; k < count; ++k) {
    boundary[k].distanceSquared = SquaredDistance(boundary[k].x, boundary[k].y, cx, cy);
    if (boundary[k].distanceSquared > bestValue) {
      bestValue = boundary[k].distanceSquared;
      best = k;
    }
  }
  *farthest = bestValue;
  return best;
}

int32_t FarthestFrom(const BoundaryEntry* boundary, int32_t count, int32_t a) {
  int32_t best = kNoEntry;
  double bestValue = kBelowAnyDistance;
  for (int32_t k = 0; k < count; ++k) {
    if (k == a) continue;
    const double value = SquaredDistance(boundary[k], boundary[a]);
    if (value > bestValue) {
      bestValue = value;
      best = k;
    }
  }
  return best;
}

int32_t FarthestFromBoth(const BoundaryEntry* boundary, int32_t count, int32_t a, int32_t b) {
  int32_t best = kNoEntry;
  double bestValue = kBelowAnyDistance;
  for (int32_t k = 0; k < count; ++k) {
    if (k == a || k == b) continue;
    const double value = std::sqrt(SquaredDistance(boundary[k], boundary[a])) +
                         std::sqrt(SquaredDistance(boundary[k], boundary[b]));
    if (value > bestValue) {
      bestValue = value;
      best = k;
    }
  }
  return best;
}

Segment SegmentBetween(const BoundaryEntry& from, const BoundaryEntry& to) {
  return MakeSegment(from.x, from.y, to.x, to.y);
}

}  // namespace

int MeasureBar(BarRecord& bar, BoundaryEntry* boundary, int32_t count, const Settings& settings) {
  return MeasureBarCorners(bar, boundary, count, settings, nullptr);
}

int MeasureBarCorners(BarRecord& bar, BoundaryEntry* boundary, int32_t count,
                      const Settings& settings, BarCorners* corners) {
  if (boundary == nullptr || !BoundaryCountFits(count, settings)) return 0;
  double farthestSquared = 0.0;
  const int32_t a =
      FarthestFromCentroid(boundary, count, bar.centroidX, bar.centroidY, &farthestSquared);
  const int32_t b = FarthestFrom(boundary, count, a);
  const int32_t t = FarthestFromBoth(boundary, count, a, b);
  if (corners != nullptr) *corners = BarCorners{a, b, t};
  const BoundaryEntry& pa = boundary[a];
  const BoundaryEntry& pb = boundary[b];
  const BoundaryEntry& pt = boundary[t];

  // When T lies nearer A (or B) than A lies from the centroid, one candidate
  // is the diagonal and the other a long side; otherwise both meet at T.
  Segment u;
  Segment v;
  if (SquaredDistance(pt, pa) < farthestSquared) {
    u = SegmentBetween(pa, pb);
    v = SegmentBetween(pt, pb);
  } else if (SquaredDistance(pt, pb) < farthestSquared) {
    u = SegmentBetween(pt, pa);
    v = SegmentBetween(pb, pa);
  } else {
    u = SegmentBetween(pa, pt);
    v = SegmentBetween(pb, pt);
  }
  const Point centroid{bar.centroidX, bar.centroidY};
  const double du = PointLineDistance(centroid, u);
  const double dv = PointLineDistance(centroid, v);
  bar.side = dv >= du ? v : u;
  MeasureSegment(bar.side);
  bar.barLength = bar.side.extent;
  return 1;
}

}  // namespace bcx
