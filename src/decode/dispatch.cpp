#include "decode/dispatch.h"

#include <new>

#include "api/results.h"
#include "api/settings.h"
#include "decode/code128.h"
#include "decode/code39.h"
#include "decode/ean13.h"
#include "decode/ean8.h"
#include "decode/interleaved2of5.h"
#include "decode/upca.h"
#include "decode/upce.h"
#include "detect/scan.h"
#include "locate/element_run.h"

namespace bcx {

namespace {

enum Decoder {
  kDecodeCode39,
  kDecodeCode128,
  kDecodeEan13,
  kDecodeEan8,
  kDecodeUpcA,
  kDecodeUpcE,
  kDecodeInterleaved2of5
};

int CallDecoder(Decoder decoder, const double* widths, int32_t count, char* text, int32_t* length,
                int32_t* leadingFnc1) {
  switch (decoder) {
    case kDecodeCode39:
      return DecodeCode39(widths, count, text, length);
    case kDecodeCode128:
      return DecodeCode128(widths, count, text, length, leadingFnc1);
    case kDecodeEan13:
      return DecodeEan13(widths, count, text, length);
    case kDecodeEan8:
      return DecodeEan8(widths, count, text, length);
    case kDecodeUpcA:
      return DecodeUpcA(widths, count, text, length);
    case kDecodeUpcE:
      return DecodeUpcE(widths, count, text, length);
    case kDecodeInterleaved2of5:
      return DecodeInterleaved2of5(widths, count, text, length);
  }
  return 0;
}

// The reversed attempt; a copy that cannot be allocated counts as a failure.
int DecodeReversed(Decoder decoder, const double* widths, int32_t count, char* text,
                   int32_t* length, int32_t* leadingFnc1) {
  double* reversed = new (std::nothrow) double[count];
  if (reversed == nullptr) return 0;
  ReverseElementRun(widths, reversed, count);
  const int decoded = CallDecoder(decoder, reversed, count, text, length, leadingFnc1);
  delete[] reversed;
  return decoded;
}

// Forwards, then reversed. Returns the text length and fills text, or -1.
int32_t DecodeEitherWay(Decoder decoder, const double* widths, int32_t count, char* text,
                        int32_t* leadingFnc1) {
  int32_t length = 0;
  if (CallDecoder(decoder, widths, count, text, &length, leadingFnc1) == 1) return length;
  if (DecodeReversed(decoder, widths, count, text, &length, leadingFnc1) == 1) return length;
  return -1;
}

// The wrapper every symbology shares. Code 128 reports its identifier
// through the leading FNC1 flag.
int TryDecoder(Decoder decoder, int32_t type, const double* widths, int32_t count) {
  if (count <= 0) return 0;
  char* text = new (std::nothrow) char[count];
  if (text == nullptr) return 0;
  int32_t leadingFnc1 = 0;
  const int32_t length = DecodeEitherWay(decoder, widths, count, text, &leadingFnc1);
  int stored = 0;
  if (length >= 0) {
    const int32_t storedType = decoder == kDecodeCode128 && leadingFnc1 == 1 ? kGs1_128 : type;
    // A text that cannot be copied leaves the record unwritten.
    stored = WriteResultText(storedType, text, length);
  }
  delete[] text;
  return stored;
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

// First bar's side, then the last bar's side the opposite way, so the
// corners go round the symbol.
void SpanCorners(int32_t f, int32_t l, Point corners[kCornerCount]) {
  const Segment& a = g_scan.group[f].side;
  const Segment& b = g_scan.group[l].side;
  const Point b1{b.x1, b.y1};
  const Point b2{b.x2, b.y2};
  corners[0] = Point{a.x1, a.y1};
  corners[1] = Point{a.x2, a.y2};
  const bool backwards = WalkLastSideBackwards(a, b);
  corners[2] = backwards ? b2 : b1;
  corners[3] = backwards ? b1 : b2;
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

void ReverseElementRun(const double* widths, double* reversed, int32_t count) {
  for (int32_t i = 0; i < count; ++i) reversed[i] = widths[count - 1 - i];
}

int TryCode39(const double* widths, int32_t count) {
  return TryDecoder(kDecodeCode39, kCode39, widths, count);
}
int TryCode128(const double* widths, int32_t count) {
  return TryDecoder(kDecodeCode128, kCode128, widths, count);
}
int TryEan13(const double* widths, int32_t count) {
  return TryDecoder(kDecodeEan13, kEan13, widths, count);
}
int TryEan8(const double* widths, int32_t count) {
  return TryDecoder(kDecodeEan8, kEan8, widths, count);
}
int TryUpcA(const double* widths, int32_t count) {
  return TryDecoder(kDecodeUpcA, kUpcA, widths, count);
}
int TryUpcE(const double* widths, int32_t count) {
  return TryDecoder(kDecodeUpcE, kUpcE, widths, count);
}
int TryInterleaved2of5(const double* widths, int32_t count) {
  return TryDecoder(kDecodeInterleaved2of5, kInterleaved2of5, widths, count);
}

int32_t NarrowestBar(const double* run, int32_t n) {
  int32_t narrowest = 0;
  for (int32_t k = 1; k < n; ++k) {
    if (run[2 * k] < run[2 * narrowest]) narrowest = k;
  }
  return narrowest;
}

int DecodeSpan(int32_t f, int32_t l, const double* run) {
  // A full table stores nothing more, so there is nothing to decode for.
  if (!ResultTableHasRoom()) return 0;
  const double* widths = run + 2 * f;
  const int32_t count = 2 * (l - f) + 1;
  const bool stored =
      (SymbologyEnabled(kCode39) && TryCode39(widths, count) == 1) ||
      (SymbologyEnabled(kCode128) && TryCode128(widths, count) == 1) ||
      (SymbologyEnabled(kEan13) && TryEan13(widths, count) == 1) ||
      (SymbologyEnabled(kEan8) && TryEan8(widths, count) == 1) ||
      (SymbologyEnabled(kUpcA) && TryUpcA(widths, count) == 1) ||
      (SymbologyEnabled(kUpcE) && TryUpcE(widths, count) == 1) ||
      (SymbologyEnabled(kInterleaved2of5) && TryInterleaved2of5(widths, count) == 1);
  if (!stored) return 0;
  Point corners[kCornerCount];
  SpanCorners(f, l, corners);
  CompleteResult(corners);
  return 1;
}

void FindSpan(const double* run, int32_t n, int32_t* f, int32_t* l) {
  const int32_t narrowest = NarrowestBar(run, n);
  const double limit = run[2 * narrowest] * static_cast<double>(g_settings.widthRatioLimit);
  *f = SpanFirstBar(run, narrowest, limit);
  *l = SpanLastBar(run, n, narrowest, limit);
}

// In place: every width moves down or stays, never up.
int32_t RemoveSpan(double* run, int32_t n, int32_t f, int32_t l) {
  const int32_t remaining = f + (n - 1 - l);
  for (int32_t from = l + 1, to = f; from < n; ++from, ++to) {
    g_scan.group[to] = g_scan.group[from];
    run[2 * to] = run[2 * from];
    if (from + 1 < n) run[2 * to + 1] = run[2 * from + 1];
  }
  return remaining;
}

void DecodeSpans(double* run, int32_t n) {
  while (n > 0) {
    int32_t f = 0;
    int32_t l = 0;
    FindSpan(run, n, &f, &l);
    DecodeSpan(f, l, run);
    n = RemoveSpan(run, n, f, l);
  }
}

void DecodeGroup(int32_t n) {
  if (n < 1 || g_scan.group == nullptr || !ResultTableHasRoom()) return;
  double* run = BuildElementRun(n);
  // Without a run there is nothing to read; the group leaves no trace.
  if (run == nullptr) return;
  DecodeSpans(run, n);
  delete[] run;
}

}  // namespace bcx
