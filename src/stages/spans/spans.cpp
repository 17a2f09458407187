#include "stages/spans/spans.h"

#include <new>

#include "records/results.h"
#include "records/settings.h"
#include "records/trace.h"
#include "stages/components/scan_state.h"
#include "stages/ordering/element_run.h"
#include "symbologies/table.h"

namespace bcx {

namespace {

// The reversed attempt; a copy that cannot be allocated counts as a failure.
int DecodeReversed(DecodeFunction decode, const double* widths, int32_t count,
                   const DecodeOptions& options, char* text, int32_t* length,
                   int32_t* leadingFnc1) {
  double* reversed = new (std::nothrow) double[count];
  if (reversed == nullptr) return 0;
  ReverseElementRun(widths, reversed, count);
  const int decoded = decode(reversed, count, options, text, length, leadingFnc1);
  delete[] reversed;
  return decoded;
}

// Forwards, then reversed. Returns the text length and fills text, or -1.
int32_t DecodeEitherWay(DecodeFunction decode, const double* widths, int32_t count,
                        const DecodeOptions& options, char* text, int32_t* leadingFnc1) {
  int32_t length = 0;
  if (decode(widths, count, options, text, &length, leadingFnc1) == 1) return length;
  if (DecodeReversed(decode, widths, count, options, text, &length, leadingFnc1) == 1) {
    return length;
  }
  return -1;
}

double DistanceSquared(Point a, Point b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

// Whether the last bar's side should be walked from its second end: the one
// whose direction agrees with the first bar's side. The distances from
// corner 2 to the last bar's ends differ by only about bar length squared
// over twice the symbol length, a few pixels, so a pixel of corner noise
// would cross the quadrilateral; the directions of the sides do not
// suffer from that. Only sides at right angles fall back to the distances.
bool WalkLastSideBackwards(const Segment& a, const Segment& b) {
  const int64_t dot = static_cast<int64_t>(a.x2 - a.x1) * (b.x2 - b.x1) +
                      static_cast<int64_t>(a.y2 - a.y1) * (b.y2 - b.y1);
  if (dot != 0) return dot > 0;
  const Point a2{a.x2, a.y2};
  return DistanceSquared(a2, Point{b.x1, b.y1}) > DistanceSquared(a2, Point{b.x2, b.y2});
}

// A bar at least this wide bounds a span.
bool BoundsSpan(const double* run, int32_t bar, double limit) { return run[2 * bar] >= limit; }

int32_t SpanFirstBar(const double* run, int32_t narrowest, double limit) {
  for (int32_t k = narrowest - 1; k >= 0; --k) {
    if (BoundsSpan(run, k, limit)) return k;
  }
  return 0;
}

int32_t SpanLastBar(const double* run, int32_t n, int32_t narrowest, double limit) {
  for (int32_t k = narrowest + 1; k < n; ++k) {
    if (BoundsSpan(run, k, limit)) return k;
  }
  return n - 1;
}

}  // namespace

// First bar's side, then the last bar's side the opposite way, so the
// corners go round the symbol.
void SpanCorners(const ScanState& scan, int32_t f, int32_t l, Point corners[kCornerCount]) {
  const Segment& a = scan.group[f].side;
  const Segment& b = scan.group[l].side;
  const Point b1{b.x1, b.y1};
  const Point b2{b.x2, b.y2};
  corners[0] = Point{a.x1, a.y1};
  corners[1] = Point{a.x2, a.y2};
  const bool backwards = WalkLastSideBackwards(a, b);
  corners[2] = backwards ? b2 : b1;
  corners[3] = backwards ? b1 : b2;
}

void ReverseElementRun(const double* widths, double* reversed, int32_t count) {
  for (int32_t i = 0; i < count; ++i) reversed[i] = widths[count - 1 - i];
}

// Code 128 reports GS1-128 through the leading FNC1 flag.
int TrySymbology(const SymbologyDescriptor& symbology, const Settings& settings,
                 ResultTable& results, const double* widths, int32_t count) {
  if (count <= 0 || symbology.decode == nullptr) return 0;
  char* text = new (std::nothrow) char[count];
  if (text == nullptr) return 0;
  const DecodeOptions options{SymbologyEnabled(settings, kGs1_128)};
  int32_t leadingFnc1 = 0;
  const int32_t length =
      DecodeEitherWay(symbology.decode, widths, count, options, text, &leadingFnc1);
  int stored = 0;
  if (length >= 0) {
    const int32_t type = ReportedType(symbology, leadingFnc1);
    // A text that cannot be copied leaves the record unwritten.
    stored = WriteResultText(results, type, text, length);
  }
  delete[] text;
  return stored;
}

int32_t NarrowestBar(const double* run, int32_t n) {
  int32_t narrowest = 0;
  for (int32_t k = 1; k < n; ++k) {
    if (run[2 * k] < run[2 * narrowest]) narrowest = k;
  }
  return narrowest;
}

int DecodeSpan(const GroupTarget& target, int32_t f, int32_t l, const double* run) {
  // A full table stores nothing more, so there is nothing to decode for.
  if (!ResultTableHasRoom(target.results)) return 0;
  const double* widths = run + 2 * f;
  const int32_t count = 2 * (l - f) + 1;
  // The table's order is the order symbologies are tried in; the first
  // that reads the span wins.
  int32_t decodedAs = -1;
  for (const SymbologyDescriptor& symbology : kSymbologies) {
    if (symbology.decode == nullptr || !SymbologyEnabled(target.settings, symbology.id)) continue;
    if (TrySymbology(symbology, target.settings, target.results, widths, count) == 1) {
      decodedAs = symbology.id;
      break;
    }
  }
  TraceSpan(target.trace, f, l, decodedAs);
  if (decodedAs < 0) return 0;
  Point corners[kCornerCount];
  SpanCorners(target.scan, f, l, corners);
  CompleteResult(target.results, corners);
  return 1;
}

void FindSpan(const double* run, int32_t n, double widthRatioLimit, int32_t* f, int32_t* l) {
  const int32_t narrowest = NarrowestBar(run, n);
  const double limit = run[2 * narrowest] * widthRatioLimit;
  *f = SpanFirstBar(run, narrowest, limit);
  *l = SpanLastBar(run, n, narrowest, limit);
}

// In place: every width moves down or stays, never up.
int32_t RemoveSpan(ScanState& scan, double* run, int32_t n, int32_t f, int32_t l) {
  const int32_t remaining = f + (n - 1 - l);
  for (int32_t from = l + 1, to = f; from < n; ++from, ++to) {
    scan.group[to] = scan.group[from];
    run[2 * to] = run[2 * from];
    if (from + 1 < n) run[2 * to + 1] = run[2 * from + 1];
  }
  return remaining;
}

void DecodeSpans(const GroupTarget& target, double* run, int32_t n) {
  const double widthRatioLimit = static_cast<double>(target.settings.widthRatioLimit);
  while (n > 0) {
    int32_t f = 0;
    int32_t l = 0;
    FindSpan(run, n, widthRatioLimit, &f, &l);
    DecodeSpan(target, f, l, run);
    n = RemoveSpan(target.scan, run, n, f, l);
  }
}

void DecodeGroup(const GroupTarget& target, int32_t n) {
  if (n < 1 || target.scan.group == nullptr || !ResultTableHasRoom(target.results)) return;
  double* run = BuildElementRun(target.scan, n);
  // Without a run there is nothing to read; the group leaves no trace.
  if (run == nullptr) return;
  TraceGroupRun(target.trace, target.scan.group, run, n);
  DecodeSpans(target, run, n);
  delete[] run;
}

}  // namespace bcx
