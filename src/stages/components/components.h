// Segmentation of the binarised region into dark components, each measured
// as a bar: the first stage of both pipelines.
#pragma once

#include <cstdint>

#include "stages/components/scan_state.h"

namespace bcx {

struct ScanTrace;
struct Settings;

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

// Segments the filled region into the bar list: every component whose
// measured length fits the settings' limits. 0 (bar list empty) when a
// work list cannot grow. `trace` may be nullptr.
int FindBars(ScanState& scan, const Settings& settings, ScanTrace* trace);

}  // namespace bcx
