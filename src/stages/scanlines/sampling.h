// Sampling a line of the grey image into a profile: each sample a band of
// interpolated points along the bars.
#pragma once

#include "stages/scanlines/line_work.h"

namespace bcx::lines {

// Bilinear grey level at (x, y), the image's border continued outwards.
float GreyAt(const GreyImage& g, double x, double y);

// The line's grey levels, one a sample, each its band's mean.
void SampleLine(const GreyImage& g, const Line& line, float* profile);

// The part of the line through (cx, cy) + t (ux, uy) inside the image,
// kLineMargin from its border: t from *from to *to. False when under a
// pixel of it is.
bool ClipLine(const GreyImage& g, double cx, double cy, double ux, double uy, double* from,
              double* to);

// The point t samples along the line.
void PointAt(const Line& line, double t, double* x, double* y);

}  // namespace bcx::lines
