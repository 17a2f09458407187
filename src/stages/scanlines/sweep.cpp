#include "stages/scanlines/sweep.h"

#include <algorithm>
#include <cmath>

#include "stages/scanlines/bar_field.h"
#include "stages/scanlines/clusters.h"
#include "stages/scanlines/line_decoding.h"
#include "stages/scanlines/profile_edges.h"
#include "stages/scanlines/sampling.h"

namespace bcx::lines {

namespace {

// Neighbouring lines of one direction are kLineSpacing pixels apart, so
// that even a symbol only a dozen pixels tall is crossed by several lines;
// where the bar field is larger, they are spaced wider to keep within
// kSampleBudget samples. A sample costs some 100 to 200 ns through the
// edges and every decoder, both ways and both polarities, so the budget
// keeps a page's lines to a few tens of milliseconds, while a megapixel
// photo whose symbol covers a quarter of it still has lines 4 pixels
// apart, and a symbol on a page at 300 dpi, its bars 50 pixels tall or
// more, is crossed by several.
constexpr double kLineSpacing = 2.0;
constexpr double kSampleBudget = 2.5e5;

// Lines are read only where the bar field lets their direction through,
// each stretch of them with kStretchMargin pixels more on both ends: room
// for the quiet zones and for the profile's local contrast (kPhotoEdges
// looks 24 samples either way). The field is probed every kProbeStep
// pixels along a line, a block: a block the line only clips is missed, but
// the line stays in a symbol's field for kMinRun and more.
constexpr double kStretchMargin = 32.0;
constexpr double kProbeStep = kBarFieldBlock;

// A stretch is read only when the line stays in the field for kMinRun
// pixels on end somewhere in it: the shortest symbol, an EAN-8 at a pixel
// a module, is 67 pixels long, while a word of text that the field keeps
// is a block or two wide.
constexpr double kMinRun = 40.0;

// Samples the lines of every direction at `spacing` would take through the
// bar field's blocks.
double SamplesAt(const BarField& field, double spacing) {
  double samples = 0.0;
  for (int32_t a = 0; a < field.directions; ++a) {
    samples += static_cast<double>(BlocksCrossing(field, a)) * kBarFieldBlock * kBarFieldBlock;
  }
  return samples / spacing;
}

// Reads the stretches of `line` that cross bars: its first and last probe
// in the field, widened by the margin, as one line each.
void ReadStretches(const Settings& settings, const GreyImage& g, const BarField& field, Work& w,
                   const Line& line) {
  const double length = line.samples - 1;
  double open = -1.0;  // where the current stretch begins, or -1
  double last = 0.0;   // its last probe in the field
  double runStart = -1.0;
  double longest = 0.0;
  auto close = [&]() {
    if (longest >= kMinRun) {
      // Begun on a block boundary of the whole line, a stretch measures
      // local contrast over the same blocks of samples as the whole line.
      const double block = kPhotoEdges.contrastReach;
      const double from = std::max(0.0, block * std::floor((open - kStretchMargin) / block));
      const double to = std::min(length, last + kStretchMargin);
      Line part = line;
      PointAt(line, from, &part.ox, &part.oy);
      part.samples = static_cast<int32_t>(to - from) + 1;
      if (part.samples >= 2) ReadLine(settings, g, w, part);
    }
    open = -1.0;
    longest = 0.0;
  };
  for (double t = 0.0; t <= length; t += kProbeStep) {
    double x = 0.0;
    double y = 0.0;
    PointAt(line, t, &x, &y);
    if (!CrossesBars(field, x, y, line.angle)) continue;
    // A gap too short for two margins joins the stretches either side.
    if (open >= 0.0 && t - last > 2.0 * kStretchMargin) close();
    if (open < 0.0) open = t;
    if (runStart < 0.0 || t - last > 2.0 * kProbeStep) runStart = t;
    longest = std::max(longest, t - runStart);
    last = t;
  }
  if (open >= 0.0) close();
}

}  // namespace

// Two lines read one text in one place: a symbol, once clustered. Past
// kMostReadsToPair readings the question is left open (the rest of the
// lines are read), which bounds its cost. Where the readings before
// `since` are known to pair with none among them, only the pairs with a
// later one are asked: a look asks after every direction.
constexpr int32_t kMostReadsToPair = 512;

bool AnySymbolRead(const Work& w, int32_t since) {
  if (w.readCount > kMostReadsToPair) return false;
  for (int32_t j = std::max(since, 1); j < w.readCount; ++j) {
    for (int32_t i = 0; i < j; ++i) {
      if (SameText(w, w.reads[i], w.reads[j]) && Near(w.reads[i], w.reads[j])) return true;
    }
  }
  return false;
}

namespace {

bool InFirstLook(int32_t k) {
  const int32_t r = k % kLookPeriod;
  return r == 0 || r == 3;
}

// The directions to read, in order. A page's in the field's own order.
// Otherwise those most likely square to a symbol's bars first, as a look
// stops at the first direction after which a symbol is read:
// the refined ones, at the peaks of the bar field's gradients, strongest
// first, then the fixed ones by how many blocks they cross. Directions
// that cross no block are left out. Returns how many.
int32_t DirectionsInOrder(const BarField& field, Look look, int32_t* order) {
  int32_t n = 0;
  if (look == Look::kAll) {
    for (int32_t a = 0; a < field.directions; ++a) {
      if (BlocksCrossing(field, a) > 0) order[n++] = a;
    }
    return n;
  }
  for (int32_t a = field.fixed; a < field.directions; ++a) {
    if (BlocksCrossing(field, a) > 0) order[n++] = a;
  }
  const int32_t refined = n;
  for (int32_t a = 0; a < field.fixed; ++a) {
    if (BlocksCrossing(field, a) > 0) order[n++] = a;
  }
  // Most blocks first, ties in the field's order: an insertion sort of at
  // most kMaxFixedDirections, which needs no buffer.
  for (int32_t i = refined + 1; i < n; ++i) {
    const int32_t moving = order[i];
    int32_t j = i;
    for (; j > refined && BlocksCrossing(field, order[j - 1]) < BlocksCrossing(field, moving);
         --j) {
      order[j] = order[j - 1];
    }
    order[j] = moving;
  }
  return n;
}

}  // namespace

void Sweep(const Settings& settings, const GreyImage& g, const BarField& field, Work& w,
           Look look) {
  const double cx = 0.5 * (g.width - 1);
  const double cy = 0.5 * (g.height - 1);
  const double reach = 0.5 * std::hypot(g.width, g.height);
  const double spacing =
      std::max(kLineSpacing, kLineSpacing * SamplesAt(field, kLineSpacing) / kSampleBudget);
  int32_t order[kMaxBarDirections];
  const int32_t directions = DirectionsInOrder(field, look, order);
  int32_t unpaired = 0;  // readings before it pair with none of them
  for (int32_t d = 0; d < directions; ++d) {
    if (look != Look::kAll && d > 0) {
      if (AnySymbolRead(w, unpaired)) return;
      unpaired = w.readCount;
    }
    const int32_t a = order[d];
    const double theta = field.angles[a];
    const double ux = std::cos(theta);
    const double uy = std::sin(theta);
    const int32_t lines = static_cast<int32_t>(std::floor(2.0 * reach / spacing)) + 1;
    int32_t parity = 0;
    for (int32_t k = 0; k < lines; ++k) {
      if (look != Look::kAll && InFirstLook(k) != (look == Look::kFirst)) continue;
      const double s = -reach + k * spacing;
      const double bx = cx - s * uy;
      const double by = cy + s * ux;
      double from = 0.0;
      double to = 0.0;
      if (!ClipLine(g, bx, by, ux, uy, &from, &to)) continue;
      Line line{};
      line.ox = bx + from * ux;
      line.oy = by + from * uy;
      line.ux = ux;
      line.uy = uy;
      line.nx = -uy;
      line.ny = ux;
      line.samples = std::min(w.capacity, static_cast<int32_t>(to - from) + 1);
      line.angle = a;
      line.offset = s;
      ++parity;
      const bool wide = look == Look::kAll ? (parity & 1) != 0 : k % 2 == 0;
      line.taps = wide ? kWideBandTaps : kBandTaps;
      line.tapStep = wide ? kWideBandStep : kBandStep;
      ReadStretches(settings, g, field, w, line);
    }
  }
}

namespace {

constexpr int32_t kThinSide = static_cast<int32_t>(2 * kLineMargin + 1);

}  // namespace

bool IsThin(const GreyImage& g) { return g.width <= kThinSide || g.height <= kThinSide; }

void SweepThin(const Settings& settings, const GreyImage& g, Work& w) {
  const bool rows = g.height <= g.width;
  const int32_t lines = rows ? g.height : g.width;
  for (int32_t k = 0; k < lines; ++k) {
    Line line{};
    line.ox = rows ? 0.0 : k;
    line.oy = rows ? k : 0.0;
    line.ux = rows ? 1.0 : 0.0;
    line.uy = rows ? 0.0 : 1.0;
    line.nx = -line.uy;
    line.ny = line.ux;
    line.samples = std::min(w.capacity, rows ? g.width : g.height);
    line.angle = rows ? 0 : kAngles / 2;
    line.offset = k;
    line.alongBorder = true;
    line.taps = 1;
    line.tapStep = kBandStep;
    ReadLine(settings, g, w, line);
  }
}

}  // namespace bcx::lines
