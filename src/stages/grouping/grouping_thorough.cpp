// Thorough grouping. The exact grouping takes any bar of similar length in a
// band around the seed's normal however far away, so printed text and the
// bars of other symbols on the same line join the group; here a group only
// grows by proximity along the scan line.
#include "stages/grouping/grouping_thorough.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "records/geometry.h"
#include "stages/components/scan_state.h"

namespace bcx {

namespace {

// Bars of one symbol are parallel up to the angle error of a measured side:
// a pixel of corner noise over an 8-pixel side is about 7 degrees.
constexpr double kParallelTolerance = 8.0 * kPi / 180.0;
// EAN/UPC guard bars are about 10 % longer than the digits' bars, and human
// readable digits printed into the bars shorten them by about a quarter.
constexpr double kExtentTolerance = 0.35;
// A bar's middle may lie this share of the seed's length off the scan line
// through its neighbour: bars of a symbol tilted by perspective or printed
// with a curve drift that far, a symbol printed above or below does not.
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
// About the spacing of strokes on a printed page, so that a cell holds a
// few bars; the grid never has more cells than this, whatever the region.
constexpr double kSmallestCell = 16.0;
constexpr int64_t kMostCells = int64_t{1} << 20;
// Half widths above this belong to blobs, not to bars of a symbol (a 4
// module bar at 600 dpi is 32 pixels wide): the search does not widen for them.
constexpr double kWidestHalfBar = 64.0;

// Directions are folded into a half turn: a bar has no head or tail.
double DirectionDifference(double a, double b) {
  const double d = std::fabs(a - b);
  return std::min(d, kTruePi - d);
}

// A side runs from corner to corner of the component: for a bar w wide and
// l long it may lean by up to atan(w / l) from the bar's true direction, so
// wide short bars (4 modules of a large symbol) get that much more room.
// Worked out once per bar, as BarKey::slack: the chains ask it of every
// pair of bars they weigh.
double DirectionSlack(double extent, double halfWidth) {
  return extent > 0.0 ? std::atan(2.0 * halfWidth / extent) : kTruePi;
}

// Level is judged against the bar the chain reached last, not against the
// seed: the seed's measured direction may be a few degrees off, and over a
// long symbol its scan line drifts off the bars by more than the band.
bool Continues(const BarKey& seed, const BarKey& last, double ux, double uy, const BarKey& bar) {
  if (bar.seed >= 0) return false;
  const double tolerance = kParallelTolerance + seed.slack + bar.slack;
  if (DirectionDifference(seed.direction, bar.direction) > tolerance) return false;
  if (!SimilarExtent(seed.extent, bar.extent)) return false;
  // Distance of the bar's middle from the scan line through the last bar.
  const double off = (bar.middleX - last.middleX) * uy - (bar.middleY - last.middleY) * ux;
  return std::fabs(off) < kLevelTolerance * seed.extent;
}

template <typename T>
bool Ensure(T*& items, int32_t& capacity, int64_t wanted) {
  if (wanted > INT32_MAX) return false;
  if (items != nullptr && capacity >= wanted) return true;
  delete[] items;
  items = new (std::nothrow) T[static_cast<size_t>(wanted > 0 ? wanted : 1)];
  capacity = items != nullptr ? static_cast<int32_t>(wanted) : 0;
  return items != nullptr;
}

int32_t CellOf(const BarGrid& grid, double v, int32_t cells) {
  const int32_t c = static_cast<int32_t>(v / grid.cellSize);
  return std::clamp(c, 0, cells - 1);
}

bool BuildGrid(ThoroughGrouping& g, const ScanState& scan) {
  BarGrid& grid = g.grid;
  const double area = static_cast<double>(scan.width) * static_cast<double>(scan.height);
  grid.cellSize = std::max(kSmallestCell, std::sqrt(area / kMostCells) + 1.0);
  grid.columns = static_cast<int32_t>(scan.width / grid.cellSize) + 1;
  grid.rows = static_cast<int32_t>(scan.height / grid.cellSize) + 1;
  const int64_t cells = static_cast<int64_t>(grid.columns) * grid.rows;
  if (!Ensure(grid.cellStart, grid.cellCapacity, cells + 1) ||
      !Ensure(grid.items, grid.itemCapacity, scan.barCount)) {
    return false;
  }
  std::fill(grid.cellStart, grid.cellStart + cells + 1, 0);
  auto cellIndex = [&](const BarKey& k) {
    return static_cast<int64_t>(CellOf(grid, k.middleY, grid.rows)) * grid.columns +
           CellOf(grid, k.middleX, grid.columns);
  };
  // A counting sort: cellStart[c + 1] counts cell c, then runs up to the
  // end of cell c; filling from the back moves each end down to its start.
  for (int32_t i = 0; i < scan.barCount; ++i) ++grid.cellStart[cellIndex(g.keys[i]) + 1];
  for (int64_t c = 0; c < cells; ++c) grid.cellStart[c + 1] += grid.cellStart[c];
  for (int32_t i = scan.barCount - 1; i >= 0; --i) {
    grid.items[--grid.cellStart[cellIndex(g.keys[i]) + 1]] = i;
  }
  // Now cellStart[c + 1] is where cell c starts: shift down by one.
  for (int64_t c = 0; c < cells; ++c) grid.cellStart[c] = grid.cellStart[c + 1];
  grid.cellStart[cells] = scan.barCount;
  return true;
}

// The next free bar continuing the seed from `from` in direction `step`
// (+1 or -1 along the scan line), nearest first and within the gap bound;
// -1 when there is none.
int32_t NextAlong(const ThoroughGrouping& g, int32_t seed, double ux, double uy, int32_t from,
                  int step, double narrow) {
  const BarKey& s = g.keys[seed];
  const BarKey& f = g.keys[from];
  const double fromPosition = (f.middleX - s.middleX) * ux + (f.middleY - s.middleY) * uy;
  const double reach = kMaxGapInNarrowBars * narrow + f.halfWidth + kWidestHalfBar;
  const double radius = reach + 2.0 * kLevelTolerance * s.extent;
  const BarGrid& grid = g.grid;
  const int32_t x0 = CellOf(grid, f.middleX - radius, grid.columns);
  const int32_t x1 = CellOf(grid, f.middleX + radius, grid.columns);
  const int32_t y0 = CellOf(grid, f.middleY - radius, grid.rows);
  const int32_t y1 = CellOf(grid, f.middleY + radius, grid.rows);
  int32_t best = -1;
  double bestDistance = 0.0;
  for (int32_t cy = y0; cy <= y1; ++cy) {
    for (int32_t cx = x0; cx <= x1; ++cx) {
      const int64_t cell = static_cast<int64_t>(cy) * grid.columns + cx;
      for (int32_t k = grid.cellStart[cell]; k < grid.cellStart[cell + 1]; ++k) {
        const int32_t i = grid.items[k];
        if (i == from) continue;
        const BarKey& b = g.keys[i];
        if (!Continues(s, f, ux, uy, b)) continue;
        const double position = (b.middleX - s.middleX) * ux + (b.middleY - s.middleY) * uy;
        const double distance = (position - fromPosition) * step;
        if (distance < 0.0) continue;
        const double gap = distance - b.halfWidth - f.halfWidth;
        if (gap > kMaxGapInNarrowBars * narrow) continue;
        // Nearest first; among equals the earlier bar, as a sorted walk would.
        if (best < 0 || distance < bestDistance || (distance == bestDistance && i < best)) {
          best = i;
          bestDistance = distance;
        }
      }
    }
  }
  return best;
}

// Walks outwards from the seed, appending members to `chain`.
int32_t Chain(ThoroughGrouping& g, int32_t seed, double ux, double uy, int step, int32_t* chain) {
  int32_t n = 0;
  int32_t last = seed;
  double narrow = 2.0 * g.keys[seed].halfWidth;
  for (;;) {
    const int32_t next = NextAlong(g, seed, ux, uy, last, step, narrow);
    if (next < 0) break;
    g.keys[next].seed = seed;
    chain[n++] = next;
    last = next;
    narrow = std::min(narrow, 2.0 * g.keys[next].halfWidth);
  }
  return n;
}

}  // namespace

bool PrepareThoroughGrouping(ThoroughGrouping& g, const ScanState& scan) {
  if (!Ensure(g.keys, g.keyCapacity, scan.barCount) ||
      !Ensure(g.chain, g.chainCapacity, scan.barCount)) {
    return false;
  }
  for (int32_t i = 0; i < scan.barCount; ++i) {
    const BarRecord& bar = scan.bars[i];
    const Segment& side = bar.side;
    double direction =
        std::atan2(static_cast<double>(side.y2) - side.y1, static_cast<double>(side.x2) - side.x1);
    if (direction < 0.0) direction += kTruePi;
    if (direction >= kTruePi) direction -= kTruePi;
    // The centroid, not the side's middle: a side runs along one edge of the
    // bar, so places along the scan line would be off by up to a bar width.
    g.keys[i] = BarKey{static_cast<double>(bar.centroidX),
                       static_cast<double>(bar.centroidY),
                       direction,
                       side.extent,
                       0.5 * bar.meanWidth,
                       -1,
                       DirectionSlack(side.extent, 0.5 * bar.meanWidth)};
  }
  return BuildGrid(g, scan);
}

bool BarTaken(const ThoroughGrouping& g, int32_t i) { return g.keys[i].seed >= 0; }

int32_t CollectGroupThorough(ThoroughGrouping& g, ScanState& scan, int32_t seed, int32_t* count) {
  BarKey& seedKey = g.keys[seed];
  seedKey.seed = seed;
  // The scan line: at right angles to the seed's direction.
  const double ux = -std::sin(seedKey.direction);
  const double uy = std::cos(seedKey.direction);
  // Left members first, nearest last, so that the group comes out in
  // scan-line order: left ones reversed, the seed, right ones.
  int32_t* chain = g.chain;
  const int32_t left = Chain(g, seed, ux, uy, -1, chain);
  int32_t size = 0;
  for (int32_t k = left - 1; k >= 0; --k) scan.group[size++] = scan.bars[chain[k]];
  scan.group[size++] = scan.bars[seed];
  const int32_t right = Chain(g, seed, ux, uy, +1, chain);
  for (int32_t k = 0; k < right; ++k) scan.group[size++] = scan.bars[chain[k]];
  scan.groupCount = size;
  if (count != nullptr) *count = size;
  return size;
}

void ReleaseThoroughGrouping(ThoroughGrouping& g) {
  delete[] g.keys;
  delete[] g.grid.cellStart;
  delete[] g.grid.items;
  delete[] g.chain;
  g = ThoroughGrouping{};
}

}  // namespace bcx
