// Element runs: bar and space widths of an ordered group, each an area over
// a length, no line of pixels sampled.
#pragma once

#include <cstdint>

#include "locate/geometry.h"

namespace bcx {

// The quadrilateral MeasureSpace hands to CountLightPixelsInQuad.
extern Point g_quad[4];

// A new run of 2m - 1 widths from the first m records of g_scan.group, or
// nullptr when memory runs out. Release with delete[].
double* BuildElementRun(int32_t m);

double MeasureSpace(const Segment& a, const Segment& b, double length);

// Light pixels of g_scan.region inside g_quad.
uint32_t CountLightPixelsInQuad();

}  // namespace bcx
