#include "stages/scanlines/corners.h"

#include <algorithm>
#include <cmath>

#include "stages/scanlines/clusters.h"
#include "stages/scanlines/sampling.h"

namespace bcx::lines {

Point Rounded(double x, double y) {
  return Point{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))};
}

namespace {

// Lines corner a symbol where its outermost reading lines ran, which may
// be a few pixels of its bars' height. Each side is moved out along the
// bars, a pixel at a time, while the line there still sees the bars of the
// reading line: while their profiles correlate by kSameBars or more. Bars
// blurred by a module into paper fall from 1 to 0 within a module or two
// of their end, noise of a tenth of the contrast keeps the bars' own at
// 0.9, and text or paper beyond the bars correlates with them by chance
// only, at 0.2 and less over a symbol's length.
constexpr double kSameBars = 0.5;

// The grey levels along the segment from (x0, y0) to (x1, y1) moved by
// `shift` times (bx, by), `n` samples; false where it leaves the image.
bool SampleSegment(const GreyImage& g, double x0, double y0, double x1, double y1, double bx,
                   double by, double shift, int32_t n, float* out) {
  const double sx = x0 + shift * bx;
  const double sy = y0 + shift * by;
  const double ex = x1 + shift * bx;
  const double ey = y1 + shift * by;
  const double last = g.width - 1;
  const double bottom = g.height - 1;
  if (!(sx >= 0.0 && sx <= last && sy >= 0.0 && sy <= bottom && ex >= 0.0 && ex <= last &&
        ey >= 0.0 && ey <= bottom)) {
    return false;
  }
  const double step = n > 1 ? 1.0 / (n - 1) : 0.0;
  for (int32_t i = 0; i < n; ++i) {
    out[i] = GreyAt(g, sx + i * step * (ex - sx), sy + i * step * (ey - sy));
  }
  return true;
}

double Correlation(const float* a, const float* b, int32_t n) {
  double ma = 0.0;
  double mb = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    ma += a[i];
    mb += b[i];
  }
  ma /= n;
  mb /= n;
  double ab = 0.0;
  double aa = 0.0;
  double bb = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double da = a[i] - ma;
    const double db = b[i] - mb;
    ab += da * db;
    aa += da * da;
    bb += db * db;
  }
  return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// How many pixels the segment from (x0, y0) to (x1, y1) moves along
// (bx, by), `sign` one way or the other, and still sees its bars; at most
// `cap`.
int32_t BarsReach(const GreyImage& g, Work& w, double x0, double y0, double x1, double y1,
                  double bx, double by, double sign, int32_t cap) {
  const int32_t n = std::min(w.capacity, static_cast<int32_t>(std::hypot(x1 - x0, y1 - y0)) + 1);
  if (n < 2 || !SampleSegment(g, x0, y0, x1, y1, bx, by, 0.0, n, w.profile)) return 0;
  int32_t reach = 0;
  while (reach < cap &&
         SampleSegment(g, x0, y0, x1, y1, bx, by, sign * (reach + 1), n, w.scratch) &&
         Correlation(w.profile, w.scratch, n) >= kSameBars) {
    ++reach;
  }
  return reach;
}

// Each end of a symbol is followed by the quarter of its reading line at
// that end: a line some degrees off square to the bars crosses the two
// ends at different heights of the bars, which end at different distances
// from it. A quarter of the shortest symbol still crosses five bars.
constexpr double kEndShare = 0.25;

// How far the bars reach beyond the reading r, `sign` one way or the
// other, at its start (end false) or its end.
int32_t EndReach(const GreyImage& g, Work& w, const LineRead& r, bool end, double bx, double by,
                 double sign, int32_t cap) {
  const double dx = kEndShare * (r.x1 - r.x0);
  const double dy = kEndShare * (r.y1 - r.y0);
  return end ? BarsReach(g, w, r.x1 - dx, r.y1 - dy, r.x1, r.y1, bx, by, sign, cap)
             : BarsReach(g, w, r.x0, r.y0, r.x0 + dx, r.y0 + dy, bx, by, sign, cap);
}

}  // namespace

// The corners of a cluster: its outermost lines' ends, each moved out to
// where the bars end.
void CornersOf(const GreyImage& g, Work& w, const LineRead& low, const LineRead& high,
               Point* corners) {
  // Along the bars: from the low line's ends to the high line's, or the
  // lines' normal where one line read it.
  double bx = 0.5 * (high.x0 - low.x0 + high.x1 - low.x1);
  double by = 0.5 * (high.y0 - low.y0 + high.y1 - low.y1);
  const double apart = std::hypot(bx, by);
  if (apart >= 1.0) {
    bx /= apart;
    by /= apart;
  } else {
    bx = low.nx;
    by = low.ny;
  }
  // No symbol's bars are longer than the symbol itself is long.
  const int32_t cap = static_cast<int32_t>(LengthOf(low));
  const double lowStart = EndReach(g, w, low, false, bx, by, -1.0, cap);
  const double highStart = EndReach(g, w, high, false, bx, by, 1.0, cap);
  const double highEnd = EndReach(g, w, high, true, bx, by, 1.0, cap);
  const double lowEnd = EndReach(g, w, low, true, bx, by, -1.0, cap);
  corners[0] = Rounded(low.x0 - lowStart * bx, low.y0 - lowStart * by);
  corners[1] = Rounded(high.x0 + highStart * bx, high.y0 + highStart * by);
  corners[2] = Rounded(high.x1 + highEnd * bx, high.y1 + highEnd * by);
  corners[3] = Rounded(low.x1 - lowEnd * bx, low.y1 - lowEnd * by);
}

}  // namespace bcx::lines
