// The corners of a symbol the lines read: its outermost reading lines'
// ends, each moved out along the bars to where the bars end.
#pragma once

#include "records/geometry.h"
#include "stages/scanlines/line_work.h"

namespace bcx::lines {

Point Rounded(double x, double y);

void CornersOf(const GreyImage& g, Work& w, const LineRead& low, const LineRead& high,
               Point* corners);

}  // namespace bcx::lines
