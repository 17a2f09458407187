// The scan's work buffers: allocated for one scan, or kept from read to read.
#include "stages/components/scan_state.h"

#include <cstring>
#include <new>

namespace bcx {

namespace {

// Work lists start at these multiples of width + height and grow when full.
constexpr int32_t kStackPerEdgePixel = 4;
constexpr int32_t kBoundaryPerEdgePixel = 4;
constexpr int32_t kBarsPerEdgePixel = 1;

template <typename T>
T* AllocateArray(size_t count) {
  return new (std::nothrow) T[count > 0 ? count : 1];
}

// Keeps `items` when it holds at least `wanted` entries, else replaces it
// (contents dropped). False when memory runs out.
template <typename T>
bool EnsureCapacity(T*& items, int32_t& capacity, int32_t wanted) {
  if (items != nullptr && capacity >= wanted) return true;
  delete[] items;
  items = AllocateArray<T>(static_cast<size_t>(wanted));
  capacity = items != nullptr ? wanted : 0;
  return items != nullptr;
}

bool EnsureMaps(ScanState& scan, size_t pixels) {
  if (scan.region != nullptr && scan.marks != nullptr && scan.mapCapacity >= pixels) return true;
  delete[] scan.region;
  delete[] scan.marks;
  scan.region = AllocateArray<uint8_t>(pixels);
  scan.marks = AllocateArray<uint8_t>(pixels);
  const bool ok = scan.region != nullptr && scan.marks != nullptr;
  scan.mapCapacity = ok ? pixels : 0;
  return ok;
}

// Word-wide marking sets the dark bit as the low bit of each byte.
static_assert(kMarkDark == 1);

// 1 in each byte of `word` that is not 0, else 0.
uint64_t NonZeroBytes(uint64_t word) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  constexpr int kHighBit = 7;
  return ((((word & kLow7) + kLow7) | word) & kHigh) >> kHighBit;
}

}  // namespace

void MarkDarkPixels(ScanState& scan) {
  if (scan.region == nullptr || scan.marks == nullptr || scan.width <= 0 || scan.height <= 0) {
    return;
  }
  const size_t pixels = static_cast<size_t>(scan.width) * static_cast<size_t>(scan.height);
  constexpr size_t kWord = sizeof(uint64_t);
  size_t i = 0;
  for (; i + kWord <= pixels; i += kWord) {
    uint64_t word = 0;
    std::memcpy(&word, scan.region + i, kWord);
    word = NonZeroBytes(word);
    std::memcpy(scan.marks + i, &word, kWord);
  }
  for (; i < pixels; ++i) scan.marks[i] = scan.region[i] != 0 ? kMarkDark : 0;
}

int PrepareScanBuffers(ScanState& scan, int32_t width, int32_t height) {
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  const int32_t edge = width + height;
  scan.width = width;
  scan.height = height;
  const bool ok =
      EnsureMaps(scan, pixels) &&
      EnsureCapacity(scan.stack, scan.stackCapacity, kStackPerEdgePixel * edge) &&
      EnsureCapacity(scan.boundaryList, scan.boundaryCapacity, kBoundaryPerEdgePixel * edge) &&
      EnsureCapacity(scan.bars, scan.barCapacity, kBarsPerEdgePixel * edge);
  if (!ok) {
    ReleaseScanBuffers(scan);
    return 0;
  }
  scan.stackCount = 0;
  scan.boundaryCount = 0;
  scan.barCount = 0;
  scan.groupCount = 0;
  return 1;
}

int AllocateScanBuffers(ScanState& scan, int32_t width, int32_t height) {
  ReleaseScanBuffers(scan);
  // No boundary map: a pixel's mark is set and read only while that pixel
  // is processed, so the fill keeps it in a local flag. No visited map to
  // clear either: segmentation derives the marks from the region.
  return PrepareScanBuffers(scan, width, height);
}

void ReleaseScanBuffers(ScanState& scan) {
  delete[] scan.marks;
  delete[] scan.region;
  delete[] scan.bars;
  delete[] scan.stack;
  delete[] scan.boundaryList;
  delete[] scan.group;
  scan = ScanState{};
}

int AllocateGroupTable(ScanState& scan) {
  const int32_t wanted = scan.barCount > 0 ? scan.barCount : 1;
  scan.groupCount = 0;
  if (scan.group != nullptr && scan.groupCapacity >= wanted) return 1;
  delete[] scan.group;
  scan.group = new (std::nothrow) BarRecord[wanted];
  scan.groupCapacity = scan.group != nullptr ? wanted : 0;
  return scan.group != nullptr ? 1 : 0;
}

void ReleaseGroupTable(ScanState& scan) {
  delete[] scan.group;
  scan.group = nullptr;
  scan.groupCount = 0;
  scan.groupCapacity = 0;
}

}  // namespace bcx
