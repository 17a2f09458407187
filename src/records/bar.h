// The bar record: one dark component measured as a possible bar.
#pragma once

#include <cstdint>

#include "locate/geometry.h"

namespace bcx {

struct Settings;

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

// Boundary list positions of the three corners MeasureBar found.
struct BarCorners {
  int32_t a;  // farthest from the centroid
  int32_t b;  // farthest from a
  int32_t t;  // farthest from a and b together
};

// MeasureBar that also reports the corners (corners may be nullptr).
int MeasureBarCorners(BarRecord& bar, BoundaryEntry* boundary, int32_t count,
                      const Settings& settings, BarCorners* corners);

// Finds the component's corners and its side. Returns 0 when the boundary
// count is outside the settings' limits or too small to have three corners.
int MeasureBar(BarRecord& bar, BoundaryEntry* boundary, int32_t count, const Settings& settings);

}  // namespace bcx
