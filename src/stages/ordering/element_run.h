// Element runs: bar and space widths of an ordered group, each an area over
// a length, no line of pixels sampled.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct ScanState;

// The quadrilateral between two bar sides whose light pixels make a space.
struct Quad {
  Point vertices[4];
};

// A new run of 2m - 1 widths from the first m records of scan.group, or
// nullptr when memory runs out. Release with delete[].
double* BuildElementRun(const ScanState& scan, int32_t m);

// The quadrilateral from a's first end to its second, then across to b.
Quad SpaceQuad(const Segment& a, const Segment& b);

double MeasureSpace(const ScanState& scan, const Segment& a, const Segment& b, double length);

// Light pixels of scan.region inside the quadrilateral.
uint32_t CountLightPixelsInQuad(const Quad& quad, const ScanState& scan);

}  // namespace bcx
