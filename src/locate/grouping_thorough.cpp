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

constexpr double kTruePi = 3.14159265358979323846;

// Directions are folded into a half turn: a bar has no head or tail.
double DirectionDifference(double a, double b) {
  const double d = std::fabs(a - b);
  return std::min(d, kTruePi - d);
}

bool Continues(const BarKey& seed, double ux, double uy, const BarKey& bar) {
  if (bar.taken || DirectionDifference(seed.direction, bar.direction) > kParallelTolerance) {
    return false;
  }
  if (!SimilarExtent(seed.extent, bar.extent)) return false;
  // Distance of the bar's middle from the seed's scan line.
  const double off = (bar.middleX - seed.middleX) * uy - (bar.middleY - seed.middleY) * ux;
  return std::fabs(off) < kLevelTolerance * seed.extent;
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

bool PrepareThoroughGrouping(ScanState& scan) {
  if (scan.keys == nullptr || scan.keyCapacity < scan.barCount) {
    delete[] scan.keys;
    scan.keys =
        new (std::nothrow) BarKey[static_cast<size_t>(scan.barCount > 0 ? scan.barCount : 1)];
    scan.keyCapacity = scan.keys != nullptr ? scan.barCount : 0;
    if (scan.keys == nullptr) return false;
  }
  for (int32_t i = 0; i < scan.barCount; ++i) {
    const Segment& side = scan.bars[i].side;
    double direction =
        std::atan2(static_cast<double>(side.y2) - side.y1, static_cast<double>(side.x2) - side.x1);
    if (direction < 0.0) direction += kTruePi;
    if (direction >= kTruePi) direction -= kTruePi;
    scan.keys[i] =
        BarKey{0.5 * (static_cast<double>(side.x1) + side.x2),
               0.5 * (static_cast<double>(side.y1) + side.y2), direction, side.extent, false};
  }
  return true;
}

int32_t CollectGroupThorough(ScanState& scan, int32_t* count) {
  const BarRecord seed = scan.bars[0];
  const BarKey& seedKey = scan.keys[0];
  // The scan line: at right angles to the seed's direction.
  const double ux = -std::sin(seedKey.direction);
  const double uy = std::cos(seedKey.direction);

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
      const BarKey& key = scan.keys[i];
      if (!Continues(seedKey, ux, uy, key)) continue;
      const double position =
          (key.middleX - seedKey.middleX) * ux + (key.middleY - seedKey.middleY) * uy;
      sorted[n++] = GroupCandidate{i, position, 0.5 * scan.bars[i].meanWidth, false};
    }
    std::stable_sort(sorted, sorted + n, [](const GroupCandidate& a, const GroupCandidate& b) {
      return a.position < b.position;
    });
    int32_t seedAt = 0;
    while (sorted[seedAt].bar != 0) ++seedAt;
    Chain(sorted, n, seedAt, +1, seed.meanWidth);
    Chain(sorted, n, seedAt, -1, seed.meanWidth);
  }

  // Into the group in scan-line order; the bar list and its keys close up
  // in one pass.
  int32_t size = 0;
  if (n == 0) scan.group[size++] = seed;
  scan.keys[0].taken = true;
  for (int32_t k = 0; k < n; ++k) {
    if (!sorted[k].kept) continue;
    scan.group[size++] = scan.bars[sorted[k].bar];
    scan.keys[sorted[k].bar].taken = true;
  }
  int32_t remaining = 0;
  for (int32_t i = 0; i < scan.barCount; ++i) {
    if (scan.keys[i].taken) continue;
    scan.bars[remaining] = scan.bars[i];
    scan.keys[remaining] = scan.keys[i];
    ++remaining;
  }
  scan.barCount = remaining;
  scan.groupCount = size;
  if (count != nullptr) *count = size;
  return size;
}

}  // namespace bcx
