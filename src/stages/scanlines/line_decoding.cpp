#include "stages/scanlines/line_decoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/settings.h"
#include "records/trace.h"
#include "stages/scanlines/profile_edges.h"
#include "stages/scanlines/sampling.h"
#include "stages/spans/span_search.h"
#include "stages/spans/spans.h"
#include "symbologies/table.h"
#include "symbologies/tolerant/module_match.h"

namespace bcx::lines {

namespace {

bool Overlaps(const int32_t* used, int32_t usedCount, int32_t first, int32_t last) {
  for (int32_t k = 0; k < usedCount; k += 2) {
    if (first <= used[k + 1] && used[k] <= last) return true;
  }
  return false;
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
  TraceLineReading(w.trace, TraceReading{type, r.angle, r.x0, r.y0, r.x1, r.y1});
}

// Every enabled symbology searches the line's elements both ways; elements
// one symbol took are not read again by a later symbology.
// A symbology without a check character (Code 39, ITF: the table's
// needsEndEvidence) reads as a shorter symbol where a line enters it
// through the ends of its bars, at a slant: from the bars it crosses,
// behind what looks like a quiet zone. A line across
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

// A symbol that needs a quiet zone out of a longer run (ITF, with no check
// digit) needs it on both sides, `narrows` narrow elements, or the line's
// end. On a line that is asked of the
// profile, not of the next element: camera or scanner noise on the paper
// beside a symbol makes shallow dips the edges take for thin bars, which
// split a quiet zone into short spaces, while a bar lost inside a symbol
// leaves a real one of the symbol behind the gap. Quiet is where the
// profile stays on the spaces' side of the level halfway between the
// symbol's bars and spaces, from kQuietEdgeNarrows beyond its end bar's
// edge, where that edge's blur has faded.
constexpr double kQuietEdgeNarrows = 0.5;

bool QuietOnProfile(const float* profile, int32_t samples, const double* edges,
                    const double* widths, int32_t first, int32_t last, bool lightBars,
                    double narrows) {
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
  const double reach = narrows * narrow;
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
  constexpr int32_t kMostSymbolsPerLine = 16;
  int32_t used[2 * kMostSymbolsPerLine];
  int32_t usedCount = 0;
  SpanSearch search{};
  StartSpanSearch(search, w.forward, w.reversed, count, settings);
  FoundSpan found{};
  while (usedCount < 2 * kMostSymbolsPerLine && NextSpan(search, w.text, &found)) {
    const int32_t first = found.first;
    const int32_t last = found.last;
    if (Overlaps(used, usedCount, first, last)) continue;
    const SymbologyDescriptor& symbology = *found.symbology;
    if (symbology.quietInRunNarrows > 0.0 &&
        !QuietOnProfile(profile, line.samples, edges, w.forward, first, last, lightBars,
                        symbology.quietInRunNarrows)) {
      continue;
    }
    if (symbology.needsEndEvidence &&
        (!EndBarRunsAcross(g, line, profile, edges, first, first + 1, lightBars) ||
         !EndBarRunsAcross(g, line, profile, edges, last, last - 1, lightBars))) {
      continue;
    }
    used[usedCount++] = first;
    used[usedCount++] = last;
    const double begin = edges[first];
    const double end = edges[last + 1];
    KeepRead(w, line, found.type, found.length, found.backwards ? end : begin,
             found.backwards ? begin : end);
  }
}

}  // namespace

void ReadLine(const Settings& settings, const GreyImage& g, Work& w, const Line& line) {
  TraceLine(w.trace);
  SampleLine(g, line, w.profile);
  int32_t edgeCount = FindProfileEdges(w.profile, line.samples, kPhotoEdges, w.scratch, w.edges);
  edgeCount = JoinHalos(w.profile, line.samples, w.edges, edgeCount, w.scratch);
  DecodeLine(settings, g, w, line, w.profile, false, w.edges, edgeCount);
  // Light bars on a dark ground: the profile upside down has the same
  // edges (its extremes and the levels between them are the same), its
  // elements begin at the first light one.
  if (edgeCount > 1) DecodeLine(settings, g, w, line, w.profile, true, w.edges + 1, edgeCount - 1);
}

}  // namespace bcx::lines
