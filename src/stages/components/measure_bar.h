// A component measured as a bar from its boundary pixels.
#pragma once

#include <cstdint>

#include "records/bar.h"

namespace bcx {

struct Settings;

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
