// Flood-fill segmentation of the region into dark components, and the
// candidate loop that hands groups of bars to decoding.
#include <cstddef>
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

size_t PixelIndex(int32_t x, int32_t y) {
  return static_cast<size_t>(y) * static_cast<size_t>(g_scan.width) + static_cast<size_t>(x);
}

// The fill's working copy of the scan state. The maps are written through
// byte pointers, which may alias anything, so the hot loop keeps its
// pointers and counts in locals and writes them back when it ends.
struct FillCursor {
  int32_t width;
  int32_t height;
  const uint8_t* region;
  uint8_t* visited;
  PixelEntry* stack;
  int32_t stackCount;
  int32_t stackCapacity;
  ptrdiff_t offsets[kNeighbourCount];
};

FillCursor StartCursor() {
  FillCursor f{g_scan.width,         g_scan.height,
               g_scan.region,        g_scan.visited,
               g_scan.stack,         0,
               g_scan.stackCapacity, {}};
  for (int k = 0; k < kNeighbourCount; ++k) {
    f.offsets[k] = static_cast<ptrdiff_t>(kNeighbourDy[k]) * f.width + kNeighbourDx[k];
  }
  return f;
}

bool PushDark(FillCursor& f, int32_t x, int32_t y) {
  if (f.stackCount >= f.stackCapacity - 1) {
    if (!GrowList(g_scan.stack, f.stackCount, g_scan.stackCapacity)) return false;
    f.stack = g_scan.stack;
    f.stackCapacity = g_scan.stackCapacity;
  }
  f.stack[f.stackCount++] = PixelEntry{x, y};
  return true;
}

// Examines the neighbours of p (pixel index i): dark ones go on the stack,
// and a light one not seen before makes p a boundary pixel. Returns -1 when
// the stack cannot grow, else 1 for a boundary pixel and 0 otherwise.
int ExamineNeighboursChecked(FillCursor& f, PixelEntry p, size_t i) {
  int sawLight = 0;
  for (int k = 0; k < kNeighbourCount; ++k) {
    const int32_t nx = p.x + kNeighbourDx[k];
    const int32_t ny = p.y + kNeighbourDy[k];
    if (nx < 0 || ny < 0 || nx >= f.width || ny >= f.height) continue;
    const size_t j = static_cast<size_t>(static_cast<ptrdiff_t>(i) + f.offsets[k]);
    if (f.visited[j] != 0) continue;
    f.visited[j] = 1;
    if (f.region[j] != 0) {
      if (!PushDark(f, nx, ny)) return -1;
    } else {
      sawLight = 1;
    }
  }
  return sawLight;
}

// The same for a pixel off the region's border with room on the stack for
// all eight neighbours: whether a neighbour is pushed is data, not a branch,
// since which neighbours are fresh is unpredictable.
int ExamineNeighboursInterior(FillCursor& f, PixelEntry p, size_t i) {
  uint32_t sawLight = 0;
  for (int k = 0; k < kNeighbourCount; ++k) {
    const size_t j = static_cast<size_t>(static_cast<ptrdiff_t>(i) + f.offsets[k]);
    const uint32_t fresh = f.visited[j] == 0 ? 1u : 0u;
    const uint32_t dark = f.region[j] != 0 ? 1u : 0u;
    f.visited[j] = 1;
    f.stack[f.stackCount] = PixelEntry{p.x + kNeighbourDx[k], p.y + kNeighbourDy[k]};
    f.stackCount += static_cast<int32_t>(fresh & dark);
    sawLight |= fresh & (dark ^ 1u);
  }
  return static_cast<int>(sawLight);
}

int ExamineNeighbours(FillCursor& f, PixelEntry p, size_t i) {
  const bool interior = p.x > 0 && p.y > 0 && p.x < f.width - 1 && p.y < f.height - 1;
  // With room for eight more entries no push can reach the growth point.
  const bool roomForAll = f.stackCount + kNeighbourCount < f.stackCapacity - 1;
  return interior && roomForAll ? ExamineNeighboursInterior(f, p, i)
                                : ExamineNeighboursChecked(f, p, i);
}

bool AppendBoundary(PixelEntry p) {
  if (!MakeRoom(g_scan.boundaryList, g_scan.boundaryCount, g_scan.boundaryCapacity)) return false;
  g_scan.boundaryList[g_scan.boundaryCount++] = BoundaryEntry{p.x, p.y, 0.0};
  return true;
}

}  // namespace

int FillComponent(int32_t x, int32_t y, ComponentTotals* c) {
  const uint32_t limit = static_cast<uint32_t>(g_settings.componentPixelLimit);
  *c = ComponentTotals{0, 0, 0};
  FillCursor f = StartCursor();
  f.visited[PixelIndex(x, y)] = 1;
  f.stack[f.stackCount++] = PixelEntry{x, y};
  g_scan.boundaryCount = 0;
  int ok = 1;
  while (f.stackCount > 0) {
    const PixelEntry p = f.stack[--f.stackCount];
    const size_t i = static_cast<size_t>(p.y) * static_cast<size_t>(f.width) + p.x;
    const int onBoundary = ExamineNeighbours(f, p, i);
    if (onBoundary < 0) {
      ok = 0;
      break;
    }
    ++c->pixelCount;
    if (c->pixelCount > limit) {
      // Too large for a bar: measured on what was taken so far; the pixels
      // left on the stack stay visited and are never processed.
      break;
    }
    c->sumX += p.x;
    c->sumY += p.y;
    if (onBoundary != 0 && !AppendBoundary(p)) {
      ok = 0;
      break;
    }
  }
  g_scan.stackCount = 0;
  return ok;
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

// The first dark pixel of a row at or after x, or width: light stretches are
// passed over eight pixels at a time.
int32_t NextDarkPixel(const uint8_t* row, int32_t x, int32_t width) {
  constexpr int32_t kWord = sizeof(uint64_t);
  while (x + kWord <= width) {
    uint64_t word = 0;
    std::memcpy(&word, row + x, sizeof(word));
    if (word != 0) break;
    x += kWord;
  }
  while (x < width && row[x] == 0) ++x;
  return x;
}

}  // namespace

int FindBars() {
  if (g_scan.width <= 0 || g_scan.height <= 0) return 1;
  for (int32_t y = 0; y < g_scan.height; ++y) {
    const uint8_t* region = g_scan.region + PixelIndex(0, y);
    const uint8_t* visited = g_scan.visited + PixelIndex(0, y);
    for (int32_t x = 0; x < g_scan.width; ++x) {
      x = NextDarkPixel(region, x, g_scan.width);
      if (x >= g_scan.width) break;
      if (visited[x] != 0) continue;
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
