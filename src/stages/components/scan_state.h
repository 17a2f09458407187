// The buffers a scan works with, from the binarised region to the group
// being decoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/bar.h"

namespace bcx {

// The fill and the raster walk read one byte a pixel: whether it is dark
// (copied from the region) and whether a fill has visited it. The region
// itself stays as it was filled, for the stages after segmentation.
constexpr uint8_t kMarkDark = 1;
constexpr uint8_t kMarkVisited = 2;

struct PixelEntry {
  int32_t x;
  int32_t y;
};

// Every buffer a scan works with. Width and height are those of the region.
// The library's own scan allocates them at its start and releases them
// before it returns; a reader keeps them, with their capacities, from one
// read to the next.
struct ScanState {
  int32_t width;
  int32_t height;
  uint8_t* region;     // width * height, 1 dark, 0 light
  uint8_t* marks;      // width * height: kMarkDark and kMarkVisited bits
  size_t mapCapacity;  // pixels region and marks have room for
  PixelEntry* stack;
  int32_t stackCount;
  int32_t stackCapacity;
  BoundaryEntry* boundaryList;
  int32_t boundaryCount;
  int32_t boundaryCapacity;
  BarRecord* bars;
  int32_t barCount;
  int32_t barCapacity;
  BarRecord* group;  // room for groupCapacity bars, at least the bar list's count
  int32_t groupCount;
  int32_t groupCapacity;
};

// Allocates the buffers for a width x height region (the region buffer left
// for the caller to fill). Returns 0, with nothing held, when memory runs
// out.
int AllocateScanBuffers(ScanState& scan, int32_t width, int32_t height);
void ReleaseScanBuffers(ScanState& scan);

// The same as AllocateScanBuffers, keeping every buffer that is already
// large enough; the lists are emptied, and segmentation marks the region
// afresh, so a scan of reused buffers gives what a scan of fresh ones gives.
int PrepareScanBuffers(ScanState& scan, int32_t width, int32_t height);

// Sets the marks from the filled region: every pixel unvisited, its dark
// bit from the region. FindBars starts with it; a fill run on its own needs
// it first.
void MarkDarkPixels(ScanState& scan);

// Sizes the group table to the bar list; 0 when memory runs out.
int AllocateGroupTable(ScanState& scan);
void ReleaseGroupTable(ScanState& scan);

}  // namespace bcx
