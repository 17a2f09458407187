// Orders a group across its symbol and joins pieces of broken bars.
#include "stages/ordering/ordering.h"

#include <cmath>
#include <new>

#include "records/trace.h"
#include "stages/components/scan_state.h"

namespace bcx {

namespace {

constexpr double kScanLineLength = 500.0;
// Scan lines within about 20 degrees of horizontal are referred to the left
// edge, all others to the top edge; the two are never parallel.
constexpr double kLeftEdgeBelow = kPi * 0.1111111111111111;
constexpr double kLeftEdgeAbove = kPi * 1.8888888888888888;
constexpr double kLeftEdgeFrom = kPi * 0.8888888888888888;
constexpr double kLeftEdgeTo = kPi * 1.1111111111111112;
constexpr int32_t kReferenceLength = 5;

constexpr double kMaxPieceGap = 4.0;
constexpr double kPieceWidthTolerance = 0.2;
constexpr double kParallelTolerance = kPi * 0.05;
constexpr double kProjectionNormalLength = 100.0;

Segment ReferenceEdge(double scanAngle) {
  const bool nearHorizontal = scanAngle < kLeftEdgeBelow || scanAngle > kLeftEdgeAbove ||
                              (kLeftEdgeFrom < scanAngle && scanAngle < kLeftEdgeTo);
  return nearHorizontal ? MakeSegment(0, 0, 0, kReferenceLength)
                        : MakeSegment(0, 0, kReferenceLength, 0);
}

// The bubble sort on whole records, for when the index arrays cannot be
// allocated: the same comparisons and swaps, so the same order.
void SortRecordsByScanPosition(BarRecord* records, int32_t n) {
  for (int32_t p = n - 1; p >= 0; --p) {
    bool swapped = false;
    for (int32_t q = 0; q < p; ++q) {
      if (records[q].scanPosition > records[q + 1].scanPosition) {
        const BarRecord held = records[q];
        records[q] = records[q + 1];
        records[q + 1] = held;
        swapped = true;
      }
    }
    if (!swapped) return;
  }
}

Point Centroid(const BarRecord& bar) { return Point{bar.centroidX, bar.centroidY}; }

// Where the normal to `side` through `end` meets `line`; `fallback` when it
// does not.
Point ProjectOnto(const Segment& side, Point end, const Segment& line, Point fallback) {
  Segment normal;
  NormalThroughPoint(side, end, kProjectionNormalLength, &normal);
  Point crossing = fallback;
  LineIntersection(normal, line, &crossing);
  return crossing;
}

double PointDistance(Point p, Point q) {
  const double dx = static_cast<double>(p.x) - q.x;
  const double dy = static_cast<double>(p.y) - q.y;
  return std::sqrt(dx * dx + dy * dy);
}

bool PiecesMayJoin(const BarRecord& first, const BarRecord& second) {
  const double w = first.meanWidth;
  return std::fabs(w - second.meanWidth) < kPieceWidthTolerance * w &&
         std::fabs(first.scanPosition - second.scanPosition) < w;
}

void RemoveGroupRecord(ScanState& scan, int32_t j, int32_t count) {
  for (int32_t k = j; k + 1 < count; ++k) scan.group[k] = scan.group[k + 1];
}

}  // namespace

bool AnglesParallel(double a, double b, double tolerance) {
  return std::fabs(a - b) < tolerance || std::fabs(a + kPi - b) < tolerance ||
         std::fabs(b + kPi - a) < tolerance || std::fabs(a + kFullTurn - b) < tolerance ||
         std::fabs(b + kFullTurn - a) < tolerance;
}

void SortKeysAscending(double* keys, int32_t* indices, int32_t n) {
  for (int32_t p = n - 1; p >= 0; --p) {
    // A pass without a swap leaves every shorter pass nothing to do.
    bool swapped = false;
    for (int32_t q = 0; q < p; ++q) {
      if (keys[q] > keys[q + 1]) {
        const double key = keys[q];
        keys[q] = keys[q + 1];
        keys[q + 1] = key;
        const int32_t index = indices[q];
        indices[q] = indices[q + 1];
        indices[q + 1] = index;
        swapped = true;
      }
    }
    if (!swapped) return;
  }
}

void OrderGroup(ScanState& scan, int32_t n) {
  scan.groupCount = n;
  if (n <= 0) return;
  Segment scanLine;
  NormalThroughMidpoint(scan.group[0].side, kScanLineLength, &scanLine);
  const Segment reference = ReferenceEdge(scanLine.angle);
  Point origin{0, 0};
  LineIntersection(scanLine, reference, &origin);
  for (int32_t i = 0; i < n; ++i) {
    scan.group[i].scanPosition = PointLineDistance(origin, scan.group[i].side);
  }

  double* keys = new (std::nothrow) double[n];
  int32_t* indices = new (std::nothrow) int32_t[n];
  BarRecord* copy = new (std::nothrow) BarRecord[n];
  if (keys == nullptr || indices == nullptr || copy == nullptr) {
    SortRecordsByScanPosition(scan.group, n);
  } else {
    for (int32_t i = 0; i < n; ++i) {
      keys[i] = scan.group[i].scanPosition;
      indices[i] = i;
      copy[i] = scan.group[i];
    }
    SortKeysAscending(keys, indices, n);
    for (int32_t k = 0; k < n; ++k) scan.group[k] = copy[indices[k]];
  }
  delete[] keys;
  delete[] indices;
  delete[] copy;
}

bool JoinPieces(const Segment& a, Point centroidA, const Segment& b, Point centroidB, double maxGap,
                Segment* joined) {
  // Coincident centroids give no line to join along: keep the pieces apart.
  if (centroidA.x == centroidB.x && centroidA.y == centroidB.y) return false;
  const Segment line = MakeSegment(centroidA.x, centroidA.y, centroidB.x, centroidB.y);
  if (!AnglesParallel(a.angle, b.angle, kParallelTolerance)) return false;
  if (!AnglesParallel(line.angle, a.angle, kParallelTolerance)) return false;

  const Point i1 = ProjectOnto(a, Point{a.x1, a.y1}, line, centroidA);
  const Point i2 = ProjectOnto(a, Point{a.x2, a.y2}, line, centroidA);
  const Point i3 = ProjectOnto(b, Point{b.x1, b.y1}, line, centroidA);
  const Point i4 = ProjectOnto(b, Point{b.x2, b.y2}, line, centroidA);

  // The first pair of facing ends closer than the gap decides; the joined
  // side runs between the two far ends.
  Point from;
  Point to;
  if (PointDistance(i1, i3) < maxGap) {
    from = i2;
    to = i4;
  } else if (PointDistance(i1, i4) < maxGap) {
    from = i2;
    to = i3;
  } else if (PointDistance(i2, i3) < maxGap) {
    from = i1;
    to = i4;
  } else if (PointDistance(i2, i4) < maxGap) {
    from = i1;
    to = i3;
  } else {
    return false;
  }
  *joined = MakeSegment(from.x, from.y, to.x, to.y);
  return true;
}

void MergeBrokenBars(ScanState& scan, int32_t n, int32_t* remaining) {
  int32_t m = n;
  for (int32_t i = 0; i < m - 1; ++i) {
    int32_t j = i + 1;
    while (j < m) {
      BarRecord& first = scan.group[i];
      const BarRecord& second = scan.group[j];
      Segment joined;
      if (PiecesMayJoin(first, second) && JoinPieces(first.side, Centroid(first), second.side,
                                                     Centroid(second), kMaxPieceGap, &joined)) {
        first.side = joined;
        first.barLength += second.barLength;
        first.scanPosition = second.scanPosition;
        RemoveGroupRecord(scan, j, m);
        --m;
        // The grown piece may now reach pieces already passed over.
        j = i + 1;
      } else {
        ++j;
      }
    }
  }
  scan.groupCount = m;
  if (remaining != nullptr) *remaining = m;
}

int32_t PrepareCollected(ScanState& scan, int32_t n, ScanTrace* trace) {
  TraceGroupCollected(trace, scan.group, n, scan.bars, scan.barCount);
  if (n < 2) return 0;
  OrderGroup(scan, n);
  int32_t m = n;
  MergeBrokenBars(scan, n, &m);
  TraceGroupMerged(trace, m);
  return m;
}

}  // namespace bcx
