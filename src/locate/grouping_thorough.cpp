// Thorough grouping. The exact grouping takes any bar of similar length in a
// band around the seed's normal however far away, so printed text and the
// bars of other symbols on the same line join the group; here a group only
// grows by proximity along the scan line.
#include "locate/grouping_thorough.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "detect/scan.h"
#include "locate/geometry.h"
#include "locate/ordering.h"

namespace bcx {

namespace {

// Bars of one symbol are parallel up to the angle error of a measured side:
// a pixel of corner noise over an 8-pixel side is about 7 degrees.
constexpr double kParallelTolerance = 8.0 * kPi / 180.0;
// EAN/UPC guard bars are about 10 % longer than the digits' bars, and human
// readable digits printed into the bars shorten them by about a quarter.
constexpr double kExtentTolerance = 0.35;
// A bar's middle may lie this share of the seed's length off its scan line:
// bars of a symbol tilted by perspective or printed with a curve drift that
// far, a symbol printed above or below the seed does not.
constexpr double kLevelTolerance = 0.35;
// The widest space inside any symbol is 4 modules, a Code 39 gap printed
// wide about 3 narrow; a quiet zone is at least 7 modules (EAN-8). Eight
// narrow bar widths leave room for ink spread that thins the narrow bars.
constexpr double kMaxGapInNarrowBars = 8.0;

bool SimilarExtent(double a, double b) {
  const double longer = std::max(a, b);
  return longer - std::min(a, b) <= kExtentTolerance * longer;
}

// Position along the unit direction (ux, uy) of the bar's middle.
double PositionAlong(const BarRecord& bar, const Point& origin, double ux, double uy) {
  const Point middle = SegmentMidpoint(bar.side);
  return (static_cast<double>(middle.x) - origin.x) * ux +
         (static_cast<double>(middle.y) - origin.y) * uy;
}

bool Continues(const BarRecord& seed, const Segment& normal, const BarRecord& bar) {
  if (!AnglesParallel(seed.side.angle, bar.side.angle, kParallelTolerance)) return false;
  if (!SimilarExtent(seed.side.extent, bar.side.extent)) return false;
  return PointLineDistance(SegmentMidpoint(bar.side), normal) < kLevelTolerance * seed.side.extent;
}

// Walks outwards from the seed over candidates sorted by position and keeps
// those within the gap bound of the last kept one; `step` is +1 or -1.
void Chain(GroupCandidate* sorted, int32_t count, int32_t seedAt, int step, double narrow) {
  double lastPosition = 0.0;
  double lastHalfWidth = sorted[seedAt].halfWidth;
  for (int32_t k = seedAt + step; k >= 0 && k < count; k += step) {
    GroupCandidate& c = sorted[k];
    const double gap = std::fabs(c.position - lastPosition) - c.halfWidth - lastHalfWidth;
    if (gap > kMaxGapInNarrowBars * narrow) break;
    c.kept = true;
    lastPosition = c.position;
    lastHalfWidth = c.halfWidth;
    narrow = std::min(narrow, 2.0 * c.halfWidth);
  }
}

}  // namespace

int32_t CollectGroupThorough(ScanState& scan, int32_t* count) {
  const BarRecord seed = scan.bars[0];
  Segment normal;
  NormalThroughMidpoint(seed.side, 100.0, &normal);
  const double ux = (normal.x2 - normal.x1) / normal.length;
  const double uy = (normal.y2 - normal.y1) / normal.length;
  const Point origin = SegmentMidpoint(seed.side);

  // Without room to sort the candidates the seed stands alone; a lone bar
  // is no symbol, so the scan goes on without it.
  if (scan.candidates == nullptr || scan.candidateCapacity < scan.barCount) {
    delete[] scan.candidates;
    scan.candidates = new (std::nothrow) GroupCandidate[static_cast<size_t>(scan.barCount)];
    scan.candidateCapacity = scan.candidates != nullptr ? scan.barCount : 0;
  }
  GroupCandidate* sorted = scan.candidates;
  int32_t n = 0;
  if (sorted != nullptr) {
    sorted[n++] = GroupCandidate{0, 0.0, 0.5 * seed.meanWidth, true};
    for (int32_t i = 1; i < scan.barCount; ++i) {
      const BarRecord& bar = scan.bars[i];
      if (!Continues(seed, normal, bar)) continue;
      sorted[n++] =
          GroupCandidate{i, PositionAlong(bar, origin, ux, uy), 0.5 * bar.meanWidth, false};
    }
    std::stable_sort(sorted, sorted + n, [](const GroupCandidate& a, const GroupCandidate& b) {
      return a.position < b.position;
    });
    int32_t seedAt = 0;
    while (sorted[seedAt].bar != 0) ++seedAt;
    Chain(sorted, n, seedAt, +1, seed.meanWidth);
    Chain(sorted, n, seedAt, -1, seed.meanWidth);
  }

  // Into the group in scan-line order; the bar list closes up in one pass.
  int32_t size = 0;
  if (n == 0) scan.group[size++] = seed;
  for (int32_t k = 0; k < n; ++k) {
    if (sorted[k].kept) scan.group[size++] = scan.bars[sorted[k].bar];
  }
  scan.bars[0].pixelCount = -1;  // taken
  for (int32_t k = 0; k < n; ++k) {
    if (sorted[k].kept) scan.bars[sorted[k].bar].pixelCount = -1;
  }
  int32_t remaining = 0;
  for (int32_t i = 0; i < scan.barCount; ++i) {
    if (scan.bars[i].pixelCount >= 0) scan.bars[remaining++] = scan.bars[i];
  }
  scan.barCount = remaining;
  scan.groupCount = size;
  if (count != nullptr) *count = size;
  return size;
}

}  // namespace bcx
