#include "stages/scanlines/scanlines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "records/results.h"
#include "records/settings.h"
#include "stages/scanlines/bar_field.h"
#include "stages/scanlines/profile_edges.h"
#include "stages/spans/spans.h"
#include "stages/spans/spans_thorough.h"
#include "symbologies/itf/interleaved2of5_thorough.h"
#include "symbologies/table.h"
#include "symbologies/tolerant/module_match.h"

namespace bcx {

namespace {

// Lines run at kAngles directions over a half turn, 15 degrees apart: a
// symbol then lies within 7.5 degrees of one of them, which stretches its
// widths evenly by at most 1 / cos 7.5 = 1.009, and a line at that slant
// crosses the whole symbol wherever its bars are taller than an eighth of
// its length.
constexpr int32_t kAngles = 12;

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

// Each sample averages kBandTaps points kBandStep pixels apart along the
// bars, which lowers camera noise without blurring across them. Every
// other line averages kWideBandTaps points kWideBandStep apart: specks of
// dust and toner a module wide, which break a scanned bar on any narrow
// band, fade into a band of six pixels, while photos, whose bars lean and
// curve, read better on the narrow one; neighbouring lines of the two
// kinds vote together. Each tap interpolates its pixels, so taps two
// pixels apart still cover the band.
constexpr int32_t kBandTaps = 3;
constexpr double kBandStep = 1.0;
constexpr int32_t kWideBandTaps = 4;
constexpr double kWideBandStep = 2.0;
// Lines keep this far from the border, so that every tap of a narrow band
// and the pixel right of and below it lie in the image; a wide band near
// the border is read with its taps held inside.
constexpr double kLineMargin = 0.5 * (kBandTaps - 1) * kBandStep + 1.0;

// A symbol is reported when this many lines read the same text in the
// same place; a single line through text or texture can pass a decoder's
// checks by chance, several parallel ones almost never do.
constexpr int32_t kMinAgreeingLines = 2;

// Readings belong to one symbol when their middles lie within this share
// of their length of each other.
constexpr double kSameSymbolReach = 0.5;

// The lines cost some 50 times what the components cost on a small image
// of one symbol, which the components read whole when it is clean. Below
// a page's size, an image in which the components found a symbol is taken
// to hold no other, unless they found one text twice (a symbol a light
// line cut in two, which the lines join); a page (more than two
// megapixels, an A5 sheet at 200 dpi) often holds several, and the lines
// look for the rest.
constexpr double kSweepAfterComponentsPixels = 2.0e6;

bool AnyTextTwice(const ResultTable& results) {
  for (int32_t i = 0; i < results.count; ++i) {
    for (int32_t j = i + 1; j < results.count; ++j) {
      const ResultRecord& a = results.records[i];
      if (ResultHasText(results.records[j], a.type, reinterpret_cast<const char*>(a.text),
                        a.textLength)) {
        return true;
      }
    }
  }
  return false;
}

constexpr int32_t kMaxReads = 8192;
constexpr int32_t kTextPool = 1 << 18;
constexpr int32_t kNoCluster = -1;

struct LineRead {
  int32_t type;
  int32_t textAt;  // into the text pool
  int32_t textLength;
  int32_t angle;
  double offset;    // of its line, across the lines of its direction
  double x0, y0;    // where the symbol begins, in reading order
  double x1, y1;    // and ends
  double nx, ny;    // its line's normal, towards lines of larger offset
  int32_t cluster;  // kNoCluster until clustered
};

struct Work {
  float* profile;
  float* scratch;
  double* edges;
  double* forward;
  double* reversed;
  char* text;
  int32_t capacity;  // samples per line
  LineRead* reads;
  int32_t readCount;
  char* pool;
  int32_t poolUsed;
};

bool StartWork(Work& w, int32_t capacity) {
  const size_t n = static_cast<size_t>(capacity);
  w.capacity = capacity;
  w.profile = new (std::nothrow) float[n];
  w.scratch = new (std::nothrow) float[n + kWorkSpare];
  w.edges = new (std::nothrow) double[n];
  w.forward = new (std::nothrow) double[n];
  w.reversed = new (std::nothrow) double[n];
  w.text = new (std::nothrow) char[n + 1];
  w.reads = new (std::nothrow) LineRead[kMaxReads];
  w.pool = new (std::nothrow) char[kTextPool];
  return w.profile != nullptr && w.scratch != nullptr && w.edges != nullptr &&
         w.forward != nullptr && w.reversed != nullptr && w.text != nullptr && w.reads != nullptr &&
         w.pool != nullptr;
}

void EndWork(Work& w) {
  delete[] w.profile;
  delete[] w.scratch;
  delete[] w.edges;
  delete[] w.forward;
  delete[] w.reversed;
  delete[] w.text;
  delete[] w.reads;
  delete[] w.pool;
}

struct GreyImage {
  const uint8_t* pixels;
  int32_t width;
  int32_t height;
  ptrdiff_t stride;
};

// Bilinear grey level at (x, y), the image's border continued outwards.
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

// One line: from (ox, oy) in steps of (ux, uy), `samples` long; the band
// runs along (nx, ny).
struct Line {
  double ox, oy;
  double ux, uy;
  double nx, ny;
  int32_t samples;
  int32_t angle;
  double offset;
  bool alongBorder;  // a row or column of a thin image: samples clamped, no band
  int32_t taps;      // points averaged along the bars for each sample
  double tapStep;    // pixels between them
};

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

bool Overlaps(const int32_t* used, int32_t usedCount, int32_t first, int32_t last) {
  for (int32_t k = 0; k < usedCount; k += 2) {
    if (first <= used[k + 1] && used[k] <= last) return true;
  }
  return false;
}

void PointAt(const Line& line, double t, double* x, double* y) {
  *x = line.ox + t * line.ux;
  *y = line.oy + t * line.uy;
}

// The elements between edges, bar first and last; returns their count.
int32_t ElementsOf(const double* edges, int32_t edgeCount, double* widths) {
  int32_t elements = edgeCount - 1;
  if (elements > 0 && elements % 2 == 0) --elements;  // end on a dark element
  for (int32_t i = 0; i < elements; ++i) widths[i] = edges[i + 1] - edges[i];
  return elements < 0 ? 0 : elements;
}

void KeepRead(Work& w, const Line& line, int32_t type, int32_t length, double tStart, double tEnd) {
  if (w.readCount >= kMaxReads || w.poolUsed + length > kTextPool) return;
  LineRead& r = w.reads[w.readCount++];
  r.type = type;
  r.textAt = w.poolUsed;
  r.textLength = length;
  std::memcpy(w.pool + w.poolUsed, w.text, static_cast<size_t>(length));
  w.poolUsed += length;
  r.angle = line.angle;
  r.nx = line.nx;
  r.ny = line.ny;
  r.offset = line.offset;
  PointAt(line, tStart, &r.x0, &r.y0);
  PointAt(line, tEnd, &r.x1, &r.y1);
  r.cluster = kNoCluster;
}

// Every enabled symbology searches the line's elements both ways; elements
// one symbol took are not read again by a later symbology.
// Code 39 and ITF have no check digit, so a line that enters a symbol
// through the ends of its bars, at a slant, reads a shorter symbol from
// the bars it crosses, behind what looks like a quiet zone. A line across
// the whole symbol crosses its end bars well inside them: each end bar
// must run on, dark, for kEndBarReach of its widths on both sides of the
// line. Walking along the line's normal leaves a bar sideways after half
// its width / sin(slant), so only lines within asin(1 / (2 x 2)) = 14.5
// degrees of the bars' normal pass (every symbol has one of the lines
// within 7.5 degrees of it, and perspective leans bars by a few more); and
// such a line enters the bars at most tan(14.5) = 0.26 of the pitch of two
// elements from their ends, well short of two widths.
constexpr double kEndBarReach = 2.0;
constexpr double kLeastEndBarReach = 2.0;  // pixels, for bars a pixel wide

bool NeedsWholeEndBars(int32_t type) { return type == kCode39 || type == kInterleaved2of5; }

// The ink of the line's profile at (x, y): the grey level, or its inverse
// for light bars.
float InkProfileAt(const GreyImage& g, double x, double y, bool lightBars) {
  const float grey = GreyAt(g, x, y);
  return lightBars ? 255.0f - grey : grey;
}

// `profile` is the line's grey levels; with light bars, bars are where it
// is light.
bool EndBarRunsAcross(const GreyImage& g, const Line& line, const float* profile,
                      const double* edges, int32_t bar, int32_t space, bool lightBars) {
  const double middle = 0.5 * (edges[bar] + edges[bar + 1]);
  const double spaceMiddle = 0.5 * (edges[space] + edges[space + 1]);
  const auto at = [&](double t) {
    const int32_t i = std::clamp(static_cast<int32_t>(std::lround(t)), 0, line.samples - 1);
    return profile[i];
  };
  const float middleGrey = 0.5f * (at(middle) + at(spaceMiddle));
  const float level = lightBars ? 255.0f - middleGrey : middleGrey;
  const double reach = std::max(kLeastEndBarReach, kEndBarReach * (edges[bar + 1] - edges[bar]));
  double x = 0.0;
  double y = 0.0;
  PointAt(line, middle, &x, &y);
  for (const double side : {-1.0, 1.0}) {
    for (double d = 1.0; d <= reach; d += 1.0) {
      if (InkProfileAt(g, x + side * d * line.nx, y + side * d * line.ny, lightBars) >= level) {
        return false;
      }
    }
  }
  return true;
}

// An ITF read out of a longer run needs kItfQuietInRunNarrows of quiet
// zone on both sides, or the line's end. On a line that is asked of the
// profile, not of the next element: camera or scanner noise on the paper
// beside a symbol makes shallow dips the edges take for thin bars, which
// split a quiet zone into short spaces, while a bar lost inside a symbol
// leaves a real one of the symbol behind the gap. Quiet is where the
// profile stays on the spaces' side of the level halfway between the
// symbol's bars and spaces, from kQuietEdgeNarrows beyond its end bar's
// edge, where that edge's blur has faded.
constexpr double kQuietEdgeNarrows = 0.5;

bool ItfQuietOnProfile(const float* profile, int32_t samples, const double* edges,
                       const double* widths, int32_t first, int32_t last, bool lightBars) {
  const double narrow = NarrowElementOf(widths, first, last);
  if (!(narrow > 0.0)) return false;
  double bars = 0.0;
  double spaces = 0.0;
  int32_t barCount = 0;
  int32_t spaceCount = 0;
  for (int32_t i = first; i <= last; ++i) {
    const int32_t middle =
        std::clamp(static_cast<int32_t>(0.5 * (edges[i] + edges[i + 1])), 0, samples - 1);
    if ((i - first) % 2 == 0) {
      bars += profile[middle];
      ++barCount;
    } else {
      spaces += profile[middle];
      ++spaceCount;
    }
  }
  if (barCount == 0 || spaceCount == 0) return false;
  const double level = 0.5 * (bars / barCount + spaces / spaceCount);
  const auto inked = [&](int32_t i) { return lightBars ? profile[i] > level : profile[i] < level; };
  const double margin = kQuietEdgeNarrows * narrow;
  const double reach = kItfQuietInRunNarrows * narrow;
  const int32_t beforeFrom = static_cast<int32_t>(std::floor(edges[first] - margin));
  const int32_t beforeTo = static_cast<int32_t>(std::floor(edges[first] - reach));
  for (int32_t i = beforeFrom; i >= 0 && i >= beforeTo; --i) {
    if (inked(i)) return false;
  }
  const int32_t afterFrom = static_cast<int32_t>(std::ceil(edges[last + 1] + margin));
  const int32_t afterTo = static_cast<int32_t>(std::ceil(edges[last + 1] + reach));
  for (int32_t i = afterFrom; i < samples && i <= afterTo; ++i) {
    if (inked(i)) return false;
  }
  return true;
}

void DecodeLine(const Settings& settings, const GreyImage& g, Work& w, const Line& line,
                const float* profile, bool lightBars, const double* edges, int32_t edgeCount) {
  const int32_t count = ElementsOf(edges, edgeCount, w.forward);
  if (count < 3) return;
  ReverseElementRun(w.forward, w.reversed, count);
  const DecodeOptions options{SymbologyEnabled(settings, kGs1_128)};
  constexpr int32_t kMostSymbolsPerLine = 16;
  int32_t used[2 * kMostSymbolsPerLine];
  int32_t usedCount = 0;
  for (const SymbologyDescriptor& symbology : kSymbologies) {
    if (symbology.decodeThorough == nullptr) continue;
    if (!SymbologyEnabled(settings, symbology.id)) continue;
    for (const bool reversed : {false, true}) {
      const double* run = reversed ? w.reversed : w.forward;
      int32_t from = 0;
      while (from < count && usedCount < 2 * kMostSymbolsPerLine) {
        int32_t length = 0;
        int32_t leadingFnc1 = 0;
        ThoroughSpan span{0, 0};
        if (symbology.decodeThorough(run, count, from, options, w.text, &length, &leadingFnc1,
                                     &span) != 1) {
          break;
        }
        from = span.last + 2;
        const int32_t first = reversed ? count - 1 - span.last : span.first;
        const int32_t last = reversed ? count - 1 - span.first : span.last;
        if (length <= 0 || Overlaps(used, usedCount, first, last)) continue;
        const int32_t type = symbology.id == kCode128 && leadingFnc1 == 1 ? kGs1_128 : symbology.id;
        if (type == kInterleaved2of5 &&
            !ItfQuietOnProfile(profile, line.samples, edges, w.forward, first, last, lightBars)) {
          continue;
        }
        if (NeedsWholeEndBars(type) &&
            (!EndBarRunsAcross(g, line, profile, edges, first, first + 1, lightBars) ||
             !EndBarRunsAcross(g, line, profile, edges, last, last - 1, lightBars))) {
          continue;
        }
        used[usedCount++] = first;
        used[usedCount++] = last;
        const double begin = edges[first];
        const double end = edges[last + 1];
        KeepRead(w, line, type, length, reversed ? end : begin, reversed ? begin : end);
      }
    }
  }
}

void ReadLine(const Settings& settings, const GreyImage& g, Work& w, const Line& line) {
  SampleLine(g, line, w.profile);
  int32_t edgeCount = FindProfileEdges(w.profile, line.samples, kPhotoEdges, w.scratch, w.edges);
  edgeCount = JoinHalos(w.profile, line.samples, w.edges, edgeCount, w.scratch);
  DecodeLine(settings, g, w, line, w.profile, false, w.edges, edgeCount);
  // Light bars on a dark ground: the profile upside down has the same
  // edges (its extremes and the levels between them are the same), its
  // elements begin at the first light one.
  if (edgeCount > 1) DecodeLine(settings, g, w, line, w.profile, true, w.edges + 1, edgeCount - 1);
}

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

double LengthOf(const LineRead& r) { return std::hypot(r.x1 - r.x0, r.y1 - r.y0); }

bool SameText(const Work& w, const LineRead& a, const LineRead& b) {
  return a.type == b.type && a.textLength == b.textLength &&
         std::memcmp(w.pool + a.textAt, w.pool + b.textAt, static_cast<size_t>(a.textLength)) == 0;
}

bool Near(const LineRead& a, const LineRead& b) {
  const double dx = 0.5 * (a.x0 + a.x1 - b.x0 - b.x1);
  const double dy = 0.5 * (a.y0 + a.y1 - b.y0 - b.y1);
  const double reach = kSameSymbolReach * std::max(LengthOf(a), LengthOf(b));
  return dx * dx + dy * dy <= reach * reach;
}

// Two lines read one text in one place: a symbol, once clustered. Past
// kMostReadsToPair readings the question is left open (the rest of the
// lines are read), which bounds its cost. Where the readings before
// `since` are known to pair with none among them, only the pairs with a
// later one are asked: a look asks after every direction.
constexpr int32_t kMostReadsToPair = 512;

bool AnySymbolRead(const Work& w, int32_t since = 0) {
  if (w.readCount > kMostReadsToPair) return false;
  for (int32_t j = std::max(since, 1); j < w.readCount; ++j) {
    for (int32_t i = 0; i < j; ++i) {
      if (SameText(w, w.reads[i], w.reads[j]) && Near(w.reads[i], w.reads[j])) return true;
    }
  }
  return false;
}

// Below a page's size the lines are read in two looks. The first takes a
// quarter of them, those whose index k along their direction has
// k % kLookPeriod of 0 or 3 (a wide band and a narrow one, 6 and 10 pixels
// apart at the least spacing): a symbol a dozen pixels tall is still
// crossed by two of them. Where it reads none, the rest of the lines are
// read. Each look reads direction after direction and stops after the
// first that reads a symbol, the image then taken to hold no other, as
// where the components read one. A page's lines are all read in one
// look, wide and narrow bands taking turns along them.
constexpr int32_t kLookPeriod = 8;

enum class Look { kFirst, kRest, kAll };

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

// An image a few pixels thin (a scan line or a strip cut from one) is read
// along its length, row by row or column by column, each line its own.
constexpr int32_t kThinSide = static_cast<int32_t>(2 * kLineMargin + 1);

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

// A symbol as the lines read it: the reading its cluster started from, how
// many lines agree, and the outermost lines of its commonest direction.
struct Cluster {
  int32_t first;  // read index
  int32_t votes;
  int32_t low;  // reads on the outermost lines
  int32_t high;
  bool dropped;
};

constexpr int32_t kMaxClusters = 256;

int32_t ClusterReads(Work& w, Cluster* clusters) {
  int32_t count = 0;
  for (int32_t i = 0; i < w.readCount && count < kMaxClusters; ++i) {
    if (w.reads[i].cluster != kNoCluster) continue;
    Cluster& c = clusters[count];
    c = Cluster{i, 0, i, i, false};
    int32_t perAngle[kMaxBarDirections] = {};
    for (int32_t j = i; j < w.readCount; ++j) {
      LineRead& r = w.reads[j];
      if (r.cluster != kNoCluster || !SameText(w, w.reads[i], r) || !Near(w.reads[i], r)) continue;
      r.cluster = count;
      ++c.votes;
      ++perAngle[r.angle];
    }
    const int32_t angle =
        static_cast<int32_t>(std::max_element(perAngle, perAngle + kMaxBarDirections) - perAngle);
    for (int32_t j = i; j < w.readCount; ++j) {
      const LineRead& r = w.reads[j];
      if (r.cluster != count || r.angle != angle) continue;
      if (w.reads[c.low].angle != angle || r.offset < w.reads[c.low].offset) c.low = j;
      if (w.reads[c.high].angle != angle || r.offset > w.reads[c.high].offset) c.high = j;
    }
    ++count;
  }
  return count;
}

// Where readings of different texts overlap, the one fewer lines agree on
// is taken for a misreading of the other.
void DropWeaker(const Work& w, Cluster* clusters, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < count; ++j) {
      if (i == j || clusters[j].dropped) continue;
      const LineRead& a = w.reads[clusters[i].first];
      const LineRead& b = w.reads[clusters[j].first];
      if (!Near(a, b)) continue;
      if (clusters[i].votes < clusters[j].votes ||
          (clusters[i].votes == clusters[j].votes && i > j)) {
        clusters[i].dropped = true;
        break;
      }
    }
  }
}

Point Rounded(double x, double y) {
  return Point{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))};
}

double DiagonalOf(const Point corners[kCornerCount]) {
  return std::max(std::hypot(corners[2].x - corners[0].x, corners[2].y - corners[0].y),
                  std::hypot(corners[3].x - corners[1].x, corners[3].y - corners[1].y));
}

// Earlier results of the same type and text around the same middle; the
// lines may have read only part of the bars the components found whole.
// Returns how many, their indices in `found`.
int32_t ReportedAround(const ResultTable& results, const char* text, int32_t type, int32_t length,
                       const Point corners[kCornerCount], int32_t* found) {
  const CornerCentre centre = CentreOf(corners);
  int32_t n = 0;
  for (int32_t i = 0; i < results.count; ++i) {
    const ResultRecord& e = results.records[i];
    if (!ResultHasText(e, type, text, length)) continue;
    const CornerCentre other = CentreOf(e.corners);
    const double reach = kSameSymbolReach * std::max(DiagonalOf(corners), DiagonalOf(e.corners));
    if (std::hypot(other.x - centre.x, other.y - centre.y) <= reach) found[n++] = i;
  }
  return n;
}

// Lines that cross a symbol whole show that two results of it from
// components (bars a light line cut in two) are one: they become one.
void JoinReported(ResultTable& results, const int32_t* found, int32_t n) {
  for (int32_t k = n - 1; k >= 1; --k) {
    WidenResult(results.records[found[0]], results.records[found[k]].corners);
    RemoveResult(results, found[k]);
  }
}

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

void Report(ResultTable& results, const GreyImage& g, Work& w, const Cluster* clusters,
            int32_t count, int32_t minVotes) {
  int32_t order[kMaxClusters];
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!clusters[i].dropped && clusters[i].votes >= minVotes) order[n++] = i;
  }
  // Most votes first, ties in the order found: an insertion sort of at most
  // kMaxClusters, which needs no buffer.
  for (int32_t i = 1; i < n; ++i) {
    const int32_t moving = order[i];
    int32_t j = i;
    for (; j > 0 && clusters[order[j - 1]].votes < clusters[moving].votes; --j) {
      order[j] = order[j - 1];
    }
    order[j] = moving;
  }
  for (int32_t k = 0; k < n; ++k) {
    const Cluster& c = clusters[order[k]];
    const LineRead& r = w.reads[c.first];
    const LineRead& low = w.reads[c.low];
    const LineRead& high = w.reads[c.high];
    Point corners[kCornerCount];
    CornersOf(g, w, low, high, corners);
    const char* text = w.pool + r.textAt;
    int32_t found[kMaxResults];
    const int32_t reported = ReportedAround(results, text, r.type, r.textLength, corners, found);
    if (reported > 0) {
      JoinReported(results, found, reported);
      continue;
    }
    if (AppendResult(results, r.type, text, r.textLength, corners) == 0) {
      return;
    }
  }
}

}  // namespace

void ReadScanlinesThorough(const Settings& settings, ResultTable& results, const uint8_t* grey,
                           int32_t width, int32_t height, ptrdiff_t stride) {
  if (grey == nullptr || width < 1 || height < 1 || !ResultTableHasRoom(results)) return;
  if (results.count > 0 && !AnyTextTwice(results) &&
      static_cast<double>(width) * height <= kSweepAfterComponentsPixels) {
    return;
  }
  const GreyImage g{grey, width, height, stride};
  // A single row is a single line: its symbol's check digits and guards
  // have to do without a second line.
  const int32_t minVotes =
      IsThin(g) ? std::min(kMinAgreeingLines, std::min(width, height)) : kMinAgreeingLines;
  const int32_t capacity = static_cast<int32_t>(std::hypot(width, height)) + 2;
  Work w{};
  if (StartWork(w, capacity)) {
    BarField field;
    if (IsThin(g)) {
      SweepThin(settings, g, w);
    } else if (MapBarField(grey, width, height, stride, kAngles, field)) {
      if (static_cast<double>(width) * height > kSweepAfterComponentsPixels) {
        Sweep(settings, g, field, w, Look::kAll);
      } else {
        Sweep(settings, g, field, w, Look::kFirst);
        if (!AnySymbolRead(w)) Sweep(settings, g, field, w, Look::kRest);
      }
    }
    FreeBarField(field);
    Cluster* clusters = new (std::nothrow) Cluster[kMaxClusters];
    if (clusters != nullptr) {
      const int32_t count = ClusterReads(w, clusters);
      DropWeaker(w, clusters, count);
      Report(results, g, w, clusters, count, minVotes);
    }
    delete[] clusters;
  }
  EndWork(w);
}

}  // namespace bcx
