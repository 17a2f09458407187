// The bar record: one dark component measured as a possible bar.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct BarRecord {
  int32_t centroidX;
  int32_t centroidY;
  int32_t pixelCount;
  double meanWidth;     // pixelCount / barLength
  double scanPosition;  // along the group's scan line, set by OrderGroup
  Segment side;         // one long side, corner to corner
  double barLength;     // extent of side; sum of pieces after a merge
};

struct BoundaryEntry {
  int32_t x;
  int32_t y;
  double distanceSquared;  // to the centroid, written by MeasureBar
};

}  // namespace bcx
