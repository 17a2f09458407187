// Per-scan buffers and the segmentation pass.
#pragma once

#include <cstdint>

#include "detect/bar.h"

namespace bcx {

struct PixelEntry {
  int32_t x;
  int32_t y;
};

// Every buffer a scan works with; allocated at the start of BcxScan,
// released before it returns. Width and height are those of the region.
struct ScanState {
  int32_t width;
  int32_t height;
  uint8_t* region;    // width * height, 1 dark, 0 light
  uint8_t* visited;   // width * height
  PixelEntry* stack;
  int32_t stackCount;
  int32_t stackCapacity;
  BoundaryEntry* boundaryList;
  int32_t boundaryCount;
  int32_t boundaryCapacity;
  BarRecord* bars;
  int32_t barCount;
  int32_t barCapacity;
  BarRecord* group;  // room for as many bars as the bar list held
  int32_t groupCount;
};

extern ScanState g_scan;

// Runs the whole pipeline on the loaded buffers of g_scan: segmentation,
// grouping, ordering, merging and decoding. Returns 1 when the result count
// is above 0.
int SegmentRegion();

// Allocates g_scan for a width x height region (the region buffer left for
// the caller to fill). Returns 0, with nothing held, when memory runs out.
int AllocateScanBuffers(int32_t width, int32_t height);
void ReleaseScanBuffers();

struct ComponentTotals {
  uint32_t pixelCount;  // one above the component pixel limit when the fill stopped
  int64_t sumX;
  int64_t sumY;
};

// Fills the dark component starting at the unvisited dark pixel (x, y),
// leaving its boundary pixels in g_scan.boundaryList. Returns 0 when a work
// list cannot grow.
int FillComponent(int32_t x, int32_t y, ComponentTotals* totals);

// The steps of SegmentRegion, callable on their own on a filled g_scan.
// FindBars segments the region into the bar list; 0 (bar list empty) when a
// work list cannot grow.
int FindBars();
// Sizes g_scan.group to the bar list; 0 when memory runs out.
int AllocateGroupTable();
void ReleaseGroupTable();
// Takes the bar list apart group by group and decodes each group.
void RunCandidateGroups();

}  // namespace bcx
