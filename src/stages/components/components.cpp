// Flood-fill segmentation of the region into dark components, each
// measured and kept as a bar when its length fits the limits.
#include "stages/components/components.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "records/settings.h"
#include "records/trace.h"
#include "stages/components/measure_bar.h"

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

size_t PixelIndex(const ScanState& scan, int32_t x, int32_t y) {
  return static_cast<size_t>(y) * static_cast<size_t>(scan.width) + static_cast<size_t>(x);
}

// The fill's working copy of the scan state. The marks are written
// through a byte pointer, which may alias anything, so the hot loop keeps
// its pointers and counts in locals and writes them back when it ends.
struct FillCursor {
  ScanState* scan;  // owns the stack when it has to grow
  int32_t width;
  int32_t height;
  uint8_t* marks;
  PixelEntry* stack;
  int32_t stackCount;
  int32_t stackCapacity;
  ptrdiff_t offsets[kNeighbourCount];
};

FillCursor StartCursor(ScanState& scan) {
  FillCursor f{&scan, scan.width, scan.height, scan.marks, scan.stack, 0, scan.stackCapacity, {}};
  for (int k = 0; k < kNeighbourCount; ++k) {
    f.offsets[k] = static_cast<ptrdiff_t>(kNeighbourDy[k]) * f.width + kNeighbourDx[k];
  }
  return f;
}

bool PushDark(FillCursor& f, int32_t x, int32_t y) {
  if (f.stackCount >= f.stackCapacity - 1) {
    if (!GrowList(f.scan->stack, f.stackCount, f.scan->stackCapacity)) return false;
    f.stack = f.scan->stack;
    f.stackCapacity = f.scan->stackCapacity;
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
    const uint8_t mark = f.marks[j];
    if ((mark & kMarkVisited) != 0) continue;
    f.marks[j] = mark | kMarkVisited;
    if ((mark & kMarkDark) != 0) {
      if (!PushDark(f, nx, ny)) return -1;
    } else {
      sawLight = 1;
    }
  }
  return sawLight;
}

// The same for a pixel off the region's border with room on the stack for
// all eight neighbours: whether a neighbour is pushed is data, not a branch,
// since which neighbours are fresh is unpredictable. One byte tells both
// whether a neighbour is fresh and whether it is dark.
int ExamineNeighboursInterior(FillCursor& f, PixelEntry p, size_t i) {
  uint32_t sawLight = 0;
  for (int k = 0; k < kNeighbourCount; ++k) {
    const size_t j = static_cast<size_t>(static_cast<ptrdiff_t>(i) + f.offsets[k]);
    const uint8_t mark = f.marks[j];
    f.marks[j] = mark | kMarkVisited;
    f.stack[f.stackCount] = PixelEntry{p.x + kNeighbourDx[k], p.y + kNeighbourDy[k]};
    f.stackCount += mark == kMarkDark ? 1 : 0;
    sawLight |= mark == 0 ? 1u : 0u;
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

bool AppendBoundary(ScanState& scan, PixelEntry p) {
  if (!MakeRoom(scan.boundaryList, scan.boundaryCount, scan.boundaryCapacity)) return false;
  scan.boundaryList[scan.boundaryCount++] = BoundaryEntry{p.x, p.y, 0.0};
  return true;
}

}  // namespace

int FillComponent(ScanState& scan, const Settings& settings, int32_t x, int32_t y,
                  ComponentTotals* c) {
  const uint32_t limit = static_cast<uint32_t>(settings.componentPixelLimit);
  *c = ComponentTotals{0, 0, 0};
  FillCursor f = StartCursor(scan);
  f.marks[PixelIndex(scan, x, y)] |= kMarkVisited;
  f.stack[f.stackCount++] = PixelEntry{x, y};
  scan.boundaryCount = 0;
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
    if (onBoundary != 0 && !AppendBoundary(scan, p)) {
      ok = 0;
      break;
    }
  }
  scan.stackCount = 0;
  return ok;
}

namespace {

bool LengthWithinLimits(const Settings& settings, double barLength) {
  return static_cast<double>(settings.minBarPixels) <= barLength &&
         barLength <= static_cast<double>(settings.maxBarPixels);
}

// Measures the filled component and keeps it as a bar when its length fits.
// False when the bar list cannot grow.
bool KeepIfBar(ScanState& scan, const Settings& settings, ScanTrace* trace,
               const ComponentTotals& c) {
  BarRecord bar{};
  bar.pixelCount = static_cast<int32_t>(c.pixelCount);
  bar.centroidX = static_cast<int32_t>(static_cast<double>(c.sumX) / c.pixelCount);
  bar.centroidY = static_cast<int32_t>(static_cast<double>(c.sumY) / c.pixelCount);
  const bool truncated = c.pixelCount > static_cast<uint32_t>(settings.componentPixelLimit);
  if (!MeasureBar(bar, scan.boundaryList, scan.boundaryCount, settings)) {
    TraceComponent(trace, truncated, TraceVerdict::kNotMeasured, 0.0);
    return true;
  }
  if (!LengthWithinLimits(settings, bar.barLength)) {
    TraceComponent(trace, truncated, TraceVerdict::kLengthOutOfLimits, bar.barLength);
    return true;
  }
  TraceComponent(trace, truncated, TraceVerdict::kBar, bar.barLength);
  bar.meanWidth = static_cast<double>(bar.pixelCount) / bar.barLength;
  if (!MakeRoom(scan.bars, scan.barCount, scan.barCapacity)) return false;
  scan.bars[scan.barCount++] = bar;
  return true;
}

// The first dark pixel no fill has visited of a row of marks at or after
// x, or width: eight pixels at a time are passed over while none of them is.
int32_t NextUnvisitedDark(const uint8_t* marks, int32_t x, int32_t width) {
  constexpr int32_t kWord = sizeof(uint64_t);
  constexpr uint64_t kLowBits = 0x0101010101010101ull;
  static_assert(kMarkDark == 1 && kMarkVisited == 2);
  while (x + kWord <= width) {
    uint64_t word = 0;
    std::memcpy(&word, marks + x, sizeof(word));
    // Dark and not visited: the low bit of a byte set, the next one clear.
    if ((word & ~(word >> 1) & kLowBits) != 0) break;
    x += kWord;
  }
  while (x < width && marks[x] != kMarkDark) ++x;
  return x;
}

}  // namespace

int FindBars(ScanState& scan, const Settings& settings, ScanTrace* trace) {
  if (scan.width <= 0 || scan.height <= 0) return 1;
  MarkDarkPixels(scan);
  for (int32_t y = 0; y < scan.height; ++y) {
    const uint8_t* marks = scan.marks + PixelIndex(scan, 0, y);
    for (int32_t x = 0; x < scan.width; ++x) {
      x = NextUnvisitedDark(marks, x, scan.width);
      if (x >= scan.width) break;
      ComponentTotals c;
      if (!FillComponent(scan, settings, x, y, &c) || !KeepIfBar(scan, settings, trace, c)) {
        scan.barCount = 0;
        return 0;
      }
    }
  }
  return 1;
}

}  // namespace bcx
