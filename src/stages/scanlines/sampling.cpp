#include "stages/scanlines/sampling.h"

#include <algorithm>
#include <cmath>

namespace bcx::lines {

float GreyAt(const GreyImage& g, double x, double y) {
  x = std::clamp(x, 0.0, static_cast<double>(g.width - 1));
  y = std::clamp(y, 0.0, static_cast<double>(g.height - 1));
  const int32_t ix = static_cast<int32_t>(x);
  const int32_t iy = static_cast<int32_t>(y);
  const int32_t jx = std::min(ix + 1, g.width - 1);
  const int32_t jy = std::min(iy + 1, g.height - 1);
  const float fx = static_cast<float>(x - ix);
  const float fy = static_cast<float>(y - iy);
  const uint8_t* row = g.pixels + iy * g.stride;
  const uint8_t* next = g.pixels + jy * g.stride;
  const float top = row[ix] + fx * (row[jx] - row[ix]);
  const float bottom = next[ix] + fx * (next[jx] - next[ix]);
  return top + fy * (bottom - top);
}

namespace {

// Positions along a band's tap are stepped in fixed point, 32 bits of
// fraction: over the longest line of the largest image taken (some 10^5
// steps) the sum stays within 10^-4 pixel of the position itself, and the
// stepped stretch keeps kFixedSlack inside the image, so no step leaves
// it.
constexpr double kFixedOne = 4294967296.0;
constexpr double kFixedSlack = 1e-3;

int64_t Fixed(double v) { return static_cast<int64_t>(std::llround(v * kFixedOne)); }

// Narrows [*first, *last] to the steps i at which p + i d lies within
// [low, high]; an empty [low, high], as in an image two pixels narrow,
// leaves none. A step below kAlongAxis is a line along the other axis (the
// cosine of a right angle comes out as 6e-17).
constexpr double kAlongAxis = 1e-12;

void KeepWithin(double p, double d, double low, double high, int32_t* first, int32_t* last) {
  if (low > high) {
    *last = *first - 1;
    return;
  }
  if (std::fabs(d) < kAlongAxis) {
    if (p < low || p > high) *last = *first - 1;
    return;
  }
  double a = (low - p) / d;
  double b = (high - p) / d;
  if (a > b) std::swap(a, b);
  // Held to a range that fits the steps' type before the conversion.
  constexpr double kFewest = -1.0;
  constexpr double kMost = 1e9;
  *first = std::max(*first, static_cast<int32_t>(std::clamp(std::ceil(a), kFewest, kMost)));
  *last = std::min(*last, static_cast<int32_t>(std::clamp(std::floor(b), kFewest, kMost)));
}

// Adds the grey levels of one tap's row of points to the profile. Where
// the points and the pixels right of and below them lie in the image, each
// point's pixel and fraction come from its fixed-point position with no
// conversion from floating point on the way, which most of a line's time
// went to; the few points beyond are read with the border continued.
void AddTap(const GreyImage& g, const Line& line, double along, float* profile) {
  const double ox = line.ox + along * line.nx;
  const double oy = line.oy + along * line.ny;
  int32_t first = 0;
  int32_t last = line.samples - 1;
  KeepWithin(ox, line.ux, kFixedSlack, g.width - 2 - kFixedSlack, &first, &last);
  KeepWithin(oy, line.uy, kFixedSlack, g.height - 2 - kFixedSlack, &first, &last);
  if (first > last) first = last = line.samples;
  for (int32_t i = 0; i < first && i < line.samples; ++i) {
    profile[i] += GreyAt(g, ox + i * line.ux, oy + i * line.uy);
  }
  int64_t x = Fixed(ox + first * line.ux);
  int64_t y = Fixed(oy + first * line.uy);
  const int64_t dx = Fixed(line.ux);
  const int64_t dy = Fixed(line.uy);
  constexpr float kFraction = static_cast<float>(1.0 / kFixedOne);
  for (int32_t i = first; i <= last && i < line.samples; ++i, x += dx, y += dy) {
    const uint8_t* row = g.pixels + (y >> 32) * g.stride + (x >> 32);
    const uint8_t* next = row + g.stride;
    const float fx = static_cast<float>(static_cast<uint32_t>(x)) * kFraction;
    const float fy = static_cast<float>(static_cast<uint32_t>(y)) * kFraction;
    const float top = row[0] + fx * (row[1] - row[0]);
    const float bottom = next[0] + fx * (next[1] - next[0]);
    profile[i] += top + fy * (bottom - top);
  }
  for (int32_t i = std::max(first, last + 1); i < line.samples; ++i) {
    profile[i] += GreyAt(g, ox + i * line.ux, oy + i * line.uy);
  }
}

}  // namespace

void SampleLine(const GreyImage& g, const Line& line, float* profile) {
  if (line.alongBorder) {
    for (int32_t i = 0; i < line.samples; ++i) {
      profile[i] = GreyAt(g, line.ox + i * line.ux, line.oy + i * line.uy);
    }
    return;
  }
  const int32_t taps = line.taps;
  const double step = line.tapStep;
  const double half = 0.5 * (taps - 1) * step;
  std::fill(profile, profile + line.samples, 0.0f);
  for (int32_t k = 0; k < taps; ++k) AddTap(g, line, k * step - half, profile);
  const float spread = static_cast<float>(taps);
  for (int32_t i = 0; i < line.samples; ++i) profile[i] /= spread;
}

// The part of the line through (cx, cy) + t (ux, uy) inside the image,
// kLineMargin from its border.
bool ClipLine(const GreyImage& g, double cx, double cy, double ux, double uy, double* from,
              double* to) {
  double lo = -1e300;
  double hi = 1e300;
  const double lows[2] = {kLineMargin, kLineMargin};
  const double highs[2] = {g.width - 1 - kLineMargin, g.height - 1 - kLineMargin};
  const double c[2] = {cx, cy};
  const double u[2] = {ux, uy};
  for (int k = 0; k < 2; ++k) {
    if (std::fabs(u[k]) < 1e-12) {
      if (c[k] < lows[k] || c[k] > highs[k]) return false;
      continue;
    }
    double a = (lows[k] - c[k]) / u[k];
    double b = (highs[k] - c[k]) / u[k];
    if (a > b) std::swap(a, b);
    lo = std::max(lo, a);
    hi = std::min(hi, b);
  }
  *from = lo;
  *to = hi;
  return hi - lo >= 1.0;
}

void PointAt(const Line& line, double t, double* x, double* y) {
  *x = line.ox + t * line.ux;
  *y = line.oy + t * line.uy;
}

}  // namespace bcx::lines
