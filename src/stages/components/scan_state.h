// Per-scan buffers and the segmentation pass.
#pragma once

#include <cstddef>
#include <cstdint>

#include "detect/bar.h"

namespace bcx {

struct Context;
struct Settings;

// The fill and the raster walk read one byte a pixel: whether it is dark
// (copied from the region) and whether a fill has visited it. The region
// itself stays as it was filled, for the stages after segmentation.
constexpr uint8_t kMarkDark = 1;
constexpr uint8_t kMarkVisited = 2;

struct PixelEntry {
  int32_t x;
  int32_t y;
};

// What thorough grouping compares of a bar, worked out once per scan: the
// middle of its side, its direction folded into a half turn, its length.
struct BarKey {
  double middleX;
  double middleY;
  double direction;  // radians, 0 <= direction < pi
  double extent;
  double halfWidth;
  int32_t seed;  // of the group it joined, or -1 while free
  double slack;  // how far its side may lean from its true direction, radians
};

// Thorough grouping's index of the bar list: bar indices bucketed by the
// cell of a square grid their middle lies in.
struct BarGrid {
  int32_t columns;
  int32_t rows;
  double cellSize;
  int32_t* cellStart;  // columns * rows + 1 offsets into items
  int32_t cellCapacity;
  int32_t* items;
  int32_t itemCapacity;
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
  BarKey* keys;  // thorough grouping: one per bar of the bar list, in its order
  int32_t keyCapacity;
  BarGrid grid;
  int32_t* chain;  // thorough grouping's members, as long as the bar list
  int32_t chainCapacity;
};

// Runs the whole pipeline on the loaded buffers of the context's scan:
// segmentation, grouping, ordering, merging and decoding. Returns 1 when
// the result count is above 0.
int SegmentRegion(Context& context);

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

struct ComponentTotals {
  uint32_t pixelCount;  // one above the component pixel limit when the fill stopped
  int64_t sumX;
  int64_t sumY;
};

// Fills the dark component starting at the unvisited dark pixel (x, y),
// leaving its boundary pixels in scan.boundaryList. Returns 0 when a work
// list cannot grow.
int FillComponent(ScanState& scan, const Settings& settings, int32_t x, int32_t y,
                  ComponentTotals* totals);

// The steps of SegmentRegion, callable on their own on filled buffers.
// FindBars segments the region into the bar list; 0 (bar list empty) when a
// work list cannot grow.
int FindBars(Context& context);
// Sizes the group table to the bar list; 0 when memory runs out.
int AllocateGroupTable(ScanState& scan);
void ReleaseGroupTable(ScanState& scan);
// Takes the bar list apart group by group and decodes each group.
void RunCandidateGroups(Context& context);

}  // namespace bcx
