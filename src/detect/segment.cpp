// Flood-fill segmentation of the region into dark components, and the
// candidate loop that hands groups of bars to decoding.
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "api/results.h"
#include "api/settings.h"
#include "decode/dispatch.h"
#include "detect/scan.h"
#include "locate/grouping.h"
#include "locate/ordering.h"

namespace bcx {

namespace {

constexpr int kNeighbourCount = 8;
// The fill examines neighbours in this order; it decides which dark pixel a
// light pixel makes a boundary pixel, and so the corners a bar gets.
constexpr int32_t kNeighbourDx[kNeighbourCount] = {-1, 1, -1, 1, 0, 0, -1, 1};
constexpr int32_t kNeighbourDy[kNeighbourCount] = {-1, -1, 1, 1, -1, 1, 0, 0};

constexpr double kGrowthFactor = 1.5;

template <typename T>
bool GrowList(T*& items, int32_t count, int32_t& capacity) {
  int64_t grown = static_cast<int64_t>(kGrowthFactor * static_cast<double>(capacity));
  // A list of one entry would not grow by half; it still has to grow.
  if (grown <= capacity) grown = static_cast<int64_t>(capacity) + 1;
  if (grown > std::numeric_limits<int32_t>::max()) return false;
  T* larger = new (std::nothrow) T[static_cast<size_t>(grown)];
  if (larger == nullptr) return false;
  if (count > 0) std::memcpy(static_cast<void*>(larger), items, sizeof(T) * count);
  delete[] items;
  items = larger;
  capacity = static_cast<int32_t>(grown);
  return true;
}

// Lists grow before the entry that would leave them with no spare place.
template <typename T>
bool MakeRoom(T*& items, int32_t count, int32_t& capacity) {
  if (count < capacity - 1) return true;
  return GrowList(items, count, capacity);
}

bool InsideRegion(int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < g_scan.width && y < g_scan.height;
}

size_t PixelIndex(int32_t x, int32_t y) {
  return static_cast<size_t>(y) * static_cast<size_t>(g_scan.width) + static_cast<size_t>(x);
}

// Examines the neighbours of (px, py): dark ones go on the stack, and a light
// one not seen before makes (px, py) a boundary pixel. False when the stack
// cannot grow.
bool ExamineNeighbours(int32_t px, int32_t py) {
  const bool interior = px > 0 && py > 0 && px < g_scan.width - 1 && py < g_scan.height - 1;
  for (int k = 0; k < kNeighbourCount; ++k) {
    const int32_t nx = px + kNeighbourDx[k];
    const int32_t ny = py + kNeighbourDy[k];
    if (!interior && !InsideRegion(nx, ny)) continue;
    const size_t j = PixelIndex(nx, ny);
    if (g_scan.visited[j] != 0) continue;
    g_scan.visited[j] = 1;
    if (g_scan.region[j] != 0) {
      if (!MakeRoom(g_scan.stack, g_scan.stackCount, g_scan.stackCapacity)) return false;
      g_scan.stack[g_scan.stackCount++] = PixelEntry{nx, ny};
    } else {
      g_scan.boundary[PixelIndex(px, py)] = 1;
    }
  }
  return true;
}

}  // namespace

int FillComponent(int32_t x, int32_t y, ComponentTotals* c) {
  const uint32_t limit = static_cast<uint32_t>(g_settings.componentPixelLimit);
  *c = ComponentTotals{0, 0, 0};
  g_scan.visited[PixelIndex(x, y)] = 1;
  g_scan.stack[0] = PixelEntry{x, y};
  g_scan.stackCount = 1;
  g_scan.boundaryCount = 0;
  while (g_scan.stackCount > 0) {
    const PixelEntry p = g_scan.stack[--g_scan.stackCount];
    if (!ExamineNeighbours(p.x, p.y)) return 0;
    ++c->pixelCount;
    if (c->pixelCount > limit) {
      // Too large for a bar: measured on what was taken so far; the pixels
      // left on the stack stay visited and are never processed.
      g_scan.stackCount = 0;
      break;
    }
    c->sumX += p.x;
    c->sumY += p.y;
    if (g_scan.boundary[PixelIndex(p.x, p.y)] != 0) {
      if (!MakeRoom(g_scan.boundaryList, g_scan.boundaryCount, g_scan.boundaryCapacity)) {
        return 0;
      }
      g_scan.boundaryList[g_scan.boundaryCount++] = BoundaryEntry{p.x, p.y, 0.0};
    }
  }
  return 1;
}

namespace {

bool LengthWithinLimits(double barLength) {
  return static_cast<double>(g_settings.minBarPixels) <= barLength &&
         barLength <= static_cast<double>(g_settings.maxBarPixels);
}

// Measures the filled component and keeps it as a bar when its length fits.
// False when the bar list cannot grow.
bool KeepIfBar(const ComponentTotals& c) {
  BarRecord bar{};
  bar.pixelCount = static_cast<int32_t>(c.pixelCount);
  bar.centroidX = static_cast<int32_t>(static_cast<double>(c.sumX) / c.pixelCount);
  bar.centroidY = static_cast<int32_t>(static_cast<double>(c.sumY) / c.pixelCount);
  if (!MeasureBar(bar, g_scan.boundaryList, g_scan.boundaryCount)) return true;
  if (!LengthWithinLimits(bar.barLength)) return true;
  bar.meanWidth = static_cast<double>(bar.pixelCount) / bar.barLength;
  if (!MakeRoom(g_scan.bars, g_scan.barCount, g_scan.barCapacity)) return false;
  g_scan.bars[g_scan.barCount++] = bar;
  return true;
}

}  // namespace

int FindBars() {
  if (g_scan.width <= 0 || g_scan.height <= 0) return 1;
  for (int32_t y = 0; y < g_scan.height; ++y) {
    const uint8_t* region = g_scan.region + PixelIndex(0, y);
    const uint8_t* visited = g_scan.visited + PixelIndex(0, y);
    for (int32_t x = 0; x < g_scan.width; ++x) {
      if (region[x] == 0 || visited[x] != 0) continue;
      ComponentTotals c;
      if (!FillComponent(x, y, &c) || !KeepIfBar(c)) {
        g_scan.barCount = 0;
        return 0;
      }
    }
  }
  return 1;
}

int AllocateGroupTable() {
  delete[] g_scan.group;
  g_scan.group = new (std::nothrow) BarRecord[g_scan.barCount > 0 ? g_scan.barCount : 1];
  g_scan.groupCount = 0;
  return g_scan.group != nullptr ? 1 : 0;
}

void ReleaseGroupTable() {
  delete[] g_scan.group;
  g_scan.group = nullptr;
  g_scan.groupCount = 0;
}

void RunCandidateGroups() {
  while (g_scan.barCount > 0) {
    int32_t n = 0;
    CollectGroup(&n);
    // A lone bar is no symbol.
    if (n < 2) continue;
    OrderGroup(n);
    int32_t m = n;
    MergeBrokenBars(n, &m);
    DecodeGroup(m);
  }
}

int SegmentRegion() {
  RepairSettings();
  EmptyResultTable();
  if (!FindBars() || g_scan.barCount == 0) return 0;
  if (!AllocateGroupTable()) return 0;
  g_resultCount = 0;
  RunCandidateGroups();
  ReleaseGroupTable();
  return g_resultCount > 0 ? 1 : 0;
}

}  // namespace bcx
