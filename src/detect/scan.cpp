// The scan entry: fetches the binarised region and runs the pipeline on it.
#include "detect/scan.h"

#include <cstring>
#include <new>

#include "api/results.h"
#include "bcxdec.h"
#include "image/image_state.h"
#include "image/provider.h"

namespace bcx {

ScanState g_scan;

namespace {

// Work lists start at these multiples of width + height and grow when full.
constexpr int32_t kStackPerEdgePixel = 4;
constexpr int32_t kBoundaryPerEdgePixel = 4;
constexpr int32_t kBarsPerEdgePixel = 1;

template <typename T>
T* AllocateArray(size_t count, bool zeroed) {
  T* p = new (std::nothrow) T[count > 0 ? count : 1];
  if (p != nullptr && zeroed)
    std::memset(static_cast<void*>(p), 0, sizeof(T) * (count > 0 ? count : 1));
  return p;
}

}  // namespace

int AllocateScanBuffers(int32_t width, int32_t height) {
  ReleaseScanBuffers();
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  const int32_t edge = width + height;
  g_scan.width = width;
  g_scan.height = height;
  g_scan.region = AllocateArray<uint8_t>(pixels, false);
  g_scan.visited = AllocateArray<uint8_t>(pixels, true);
  // No boundary map: a pixel's mark is set and read only while that pixel
  // is processed, so the fill keeps it in a local flag.
  g_scan.stackCapacity = kStackPerEdgePixel * edge;
  g_scan.stack = AllocateArray<PixelEntry>(static_cast<size_t>(g_scan.stackCapacity), false);
  g_scan.boundaryCapacity = kBoundaryPerEdgePixel * edge;
  g_scan.boundaryList =
      AllocateArray<BoundaryEntry>(static_cast<size_t>(g_scan.boundaryCapacity), false);
  g_scan.barCapacity = kBarsPerEdgePixel * edge;
  g_scan.bars = AllocateArray<BarRecord>(static_cast<size_t>(g_scan.barCapacity), false);
  if (g_scan.region == nullptr || g_scan.visited == nullptr || g_scan.stack == nullptr ||
      g_scan.boundaryList == nullptr || g_scan.bars == nullptr) {
    ReleaseScanBuffers();
    return 0;
  }
  return 1;
}

void ReleaseScanBuffers() {
  delete[] g_scan.visited;
  delete[] g_scan.region;
  delete[] g_scan.bars;
  delete[] g_scan.stack;
  delete[] g_scan.boundaryList;
  delete[] g_scan.group;
  g_scan = ScanState{};
}

}  // namespace bcx

using namespace bcx;

extern "C" BCX_API uint16_t BCX_CALL BcxScan(void) noexcept {
  if (!g_image.loaded) return 0;
  // From here on the scan runs: whatever happens, the old results go.
  EmptyResultTable();
  const int32_t width = g_image.regionWidth & 0xFFFF;
  const int32_t height = g_image.regionHeight & 0xFFFF;
  if (!g_image.regionCurrent || width == 0 || height == 0) return 0;
  if (!AllocateScanBuffers(width, height)) return 0;
  int found = 0;
  if (provider::GetBinaryPixels(g_scan.region, width, height)) found = SegmentRegion();
  ReleaseScanBuffers();
  return found ? 1 : 0;
}
