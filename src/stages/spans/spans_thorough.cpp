#include "stages/spans/spans_thorough.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "records/results.h"
#include "records/settings.h"
#include "records/trace.h"
#include "stages/components/scan_state.h"
#include "stages/ordering/element_run.h"
#include "stages/spans/span_search.h"
#include "stages/spans/spans.h"
#include "symbologies/table.h"
#include "symbologies/tolerant/module_match.h"

namespace bcx {

namespace {

// Work space for one group: the run both ways, the text and the marks of
// bars already read.
struct GroupWork {
  double* forward;
  double* reversed;
  char* text;
  bool* used;  // per bar
  int32_t count;
};

bool StartWork(GroupWork& work, const ScanState& scan, int32_t n) {
  work.count = 2 * n - 1;
  work.forward = BuildElementRun(scan, n);
  work.reversed = new (std::nothrow) double[static_cast<size_t>(work.count)];
  work.text = new (std::nothrow) char[static_cast<size_t>(work.count) + 1];
  work.used = new (std::nothrow) bool[static_cast<size_t>(n)]();
  if (work.forward == nullptr || work.reversed == nullptr || work.text == nullptr ||
      work.used == nullptr) {
    return false;
  }
  ReverseElementRun(work.forward, work.reversed, work.count);
  return true;
}

void EndWork(GroupWork& work) {
  delete[] work.forward;
  delete[] work.reversed;
  delete[] work.text;
  delete[] work.used;
}

// A group can end inside a symbol (a bar lost to a blot, a broken chain),
// and its run's end then passes for a quiet zone: a symbology without a
// check character could be read cut short. Where such a symbol ends at the
// run's end, the quiet zone is looked for in the image instead: along the
// scan line beyond the end bar, over the tolerant decoders' own quiet zone
// of narrow widths, on three lines across the bar.
constexpr double kQuietNarrowWidths = kTolerantQuietZone;
// A quiet zone may hold a speck of noise; a bar of the same symbol fills a
// sample line across its whole width.
constexpr double kMostDarkInQuiet = 0.1;

bool DarkAt(const ScanState& scan, double x, double y) {
  const int64_t ix = static_cast<int64_t>(std::floor(x));
  const int64_t iy = static_cast<int64_t>(std::floor(y));
  if (scan.region == nullptr || ix < 0 || iy < 0 || ix >= scan.width || iy >= scan.height) {
    return false;  // beyond the region: light
  }
  return scan.region[iy * static_cast<int64_t>(scan.width) + ix] != 0;
}

// Whether the image is light beyond bar `end`, away from bar `inner`.
bool LightBeyond(const ScanState& scan, const BarRecord& end, const BarRecord& inner,
                 double narrow) {
  const Point e = SegmentMidpoint(end.side);
  const Point i = SegmentMidpoint(inner.side);
  double ux = static_cast<double>(e.x) - i.x;
  double uy = static_cast<double>(e.y) - i.y;
  const double norm = std::hypot(ux, uy);
  if (!(norm > 0.0)) return true;
  ux /= norm;
  uy /= norm;
  // Along the bar, to sample three lines across it.
  const double bx = (end.side.x2 - end.side.x1) / (end.side.length > 0 ? end.side.length : 1.0);
  const double by = (end.side.y2 - end.side.y1) / (end.side.length > 0 ? end.side.length : 1.0);
  // The side runs along one edge of the bar: start past the bar's far edge.
  const double start = end.meanWidth + 1.0;
  const double reach = start + kQuietNarrowWidths * narrow;
  int dark = 0;
  int samples = 0;
  for (const double along : {-0.25, 0.0, 0.25}) {
    const double cx = e.x + along * end.side.length * bx;
    const double cy = e.y + along * end.side.length * by;
    for (double t = start; t <= reach; t += 1.0) {
      dark += DarkAt(scan, cx + t * ux, cy + t * uy) ? 1 : 0;
      ++samples;
    }
  }
  return samples == 0 || dark <= kMostDarkInQuiet * samples;
}

// `narrow`: the symbol's narrow element, in pixels.
bool QuietInImage(const ScanState& scan, int32_t firstBar, int32_t lastBar, int32_t bars,
                  double narrow) {
  if (lastBar <= firstBar) return false;
  if (firstBar == 0 && !LightBeyond(scan, scan.group[0], scan.group[1], narrow)) return false;
  if (lastBar == bars - 1 &&
      !LightBeyond(scan, scan.group[lastBar], scan.group[lastBar - 1], narrow)) {
    return false;
  }
  return true;
}

bool AnyUsed(const GroupWork& work, int32_t firstBar, int32_t lastBar) {
  for (int32_t b = firstBar; b <= lastBar; ++b) {
    if (work.used[b]) return true;
  }
  return false;
}

struct Vector {
  double x;
  double y;
};

Vector Between(Point from, Point to) {
  return {static_cast<double>(to.x) - from.x, static_cast<double>(to.y) - from.y};
}

double Dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y; }

Vector Centre(const Point corners[kCornerCount]) {
  const CornerCentre c = CentreOf(corners);
  return {c.x, c.y};
}

// One end bar's two corners a, b widened to take in the other reading's
// corners of the same end (those nearer to it than to the far end, whose
// corners are c, d): the outermost along the bar, each on its own side.
void WidenEnd(Point& a, Point& b, Point c, Point d, const Point corners[kCornerCount]) {
  const Vector along = Between(a, b);
  if (!(Dot(along, along) > 0.0)) return;
  const Vector near{0.5 * (a.x + b.x), 0.5 * (a.y + b.y)};
  const Vector far{0.5 * (c.x + d.x), 0.5 * (c.y + d.y)};
  for (int k = 0; k < kCornerCount; ++k) {
    const Vector toNear{corners[k].x - near.x, corners[k].y - near.y};
    const Vector toFar{corners[k].x - far.x, corners[k].y - far.y};
    if (Dot(toNear, toNear) > Dot(toFar, toFar)) continue;
    const double t = Dot(Between(a, corners[k]), along) / Dot(along, along);
    if (t < 0.0) a = corners[k];
    if (t > 1.0) b = corners[k];
  }
}

// The same symbol seen from two groups (a bar list split around it, or its
// bars cut in two by a light line along the symbol) is reported once: a
// reading of the same type and text lying beside an earlier one along the
// bars, with at most a line's gap between them, and level with it across
// them. The earlier one's corners widen to take in both. Copies of one
// label printed above each other stand further apart than a line.
constexpr double kMostGapInBarLengths = 0.25;
constexpr double kMostShiftInSymbolWidths = 0.25;

bool MergedIntoEarlier(ResultTable& results, int32_t type, const char* text, int32_t length,
                       const Point corners[kCornerCount]) {
  const Vector centre = Centre(corners);
  const Vector other = Between(corners[0], corners[1]);
  const double otherLength = std::sqrt(Dot(other, other));
  for (int32_t i = 0; i < results.count; ++i) {
    ResultRecord& r = results.records[i];
    if (!ResultHasText(r, type, text, length)) continue;
    const Vector bar = Between(r.corners[0], r.corners[1]);
    const Vector across = Between(r.corners[1], r.corners[2]);
    const double barLength = std::sqrt(Dot(bar, bar));
    const double width = std::sqrt(Dot(across, across));
    if (!(barLength > 0.0) || !(width > 0.0)) continue;
    const Vector earlier = Centre(r.corners);
    const Vector apart{centre.x - earlier.x, centre.y - earlier.y};
    const double alongBars = std::fabs(Dot(apart, bar)) / barLength;
    const double acrossBars = std::fabs(Dot(apart, across)) / width;
    const double gap = alongBars - 0.5 * (barLength + otherLength);
    if (gap > kMostGapInBarLengths * std::min(barLength, otherLength)) continue;
    if (acrossBars > kMostShiftInSymbolWidths * width) continue;
    WidenResult(r, corners);
    return true;
  }
  return false;
}

// Stores what a decoder found between bars f and l; false when the table
// is full.
bool Store(const GroupTarget& target, GroupWork& work, int32_t type, int32_t length, int32_t f,
           int32_t l) {
  for (int32_t b = f; b <= l; ++b) work.used[b] = true;
  Point corners[kCornerCount];
  SpanCorners(target.scan, f, l, corners);
  if (MergedIntoEarlier(target.results, type, work.text, length, corners)) return true;
  if (WriteResultText(target.results, type, work.text, length) == 0) return false;
  CompleteResult(target.results, corners);
  return ResultTableHasRoom(target.results);
}

// Whether a symbol the search found in the group's run is one: not on bars
// an earlier symbol took, and, for a symbology without a check character,
// with quiet zones where the run ends and where it goes on.
bool Holds(const GroupTarget& target, const GroupWork& work, const FoundSpan& found) {
  const int32_t firstBar = found.first / 2;
  const int32_t lastBar = found.last / 2;
  if (AnyUsed(work, firstBar, lastBar)) return false;
  const SymbologyDescriptor& symbology = *found.symbology;
  if (!symbology.needsEndEvidence) return true;
  const double narrow = NarrowElementOf(work.forward, 2 * firstBar, 2 * lastBar);
  if (!QuietInImage(target.scan, firstBar, lastBar, (work.count + 1) / 2, narrow)) return false;
  return symbology.quietInRunNarrows <= 0.0 || QuietInRun(work.forward, work.count, 2 * firstBar,
                                                          2 * lastBar, symbology.quietInRunNarrows);
}

}  // namespace

void WidenResult(ResultRecord& result, const Point corners[kCornerCount]) {
  const Point first0 = result.corners[0];
  const Point first1 = result.corners[1];
  WidenEnd(result.corners[0], result.corners[1], result.corners[2], result.corners[3], corners);
  WidenEnd(result.corners[3], result.corners[2], first0, first1, corners);
}

void DecodeGroupThorough(const GroupTarget& target, int32_t n) {
  if (n < 2 || target.scan.group == nullptr || !ResultTableHasRoom(target.results)) return;
  GroupWork work{};
  if (StartWork(work, target.scan, n)) {
    TraceGroupRun(target.trace, target.scan.group, work.forward, n);
    SpanSearch search{};
    StartSpanSearch(search, work.forward, work.reversed, work.count, target.settings);
    FoundSpan found{};
    while (NextSpan(search, work.text, &found)) {
      if (!Holds(target, work, found)) continue;
      TraceSpan(target.trace, found.first / 2, found.last / 2, found.type);
      if (!Store(target, work, found.type, found.length, found.first / 2, found.last / 2)) break;
    }
  }
  EndWork(work);
}

}  // namespace bcx
