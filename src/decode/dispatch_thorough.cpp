#include "decode/dispatch_thorough.h"

#include <cstring>
#include <new>

#include "api/context.h"
#include "api/trace.h"
#include "decode/dispatch.h"
#include "decode/symbology.h"
#include "locate/element_run.h"

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

bool AnyUsed(const GroupWork& work, int32_t firstBar, int32_t lastBar) {
  for (int32_t b = firstBar; b <= lastBar; ++b) {
    if (work.used[b]) return true;
  }
  return false;
}

// The same symbol seen from two groups (a bar list split around it) or in
// both directions is reported once.
bool AlreadyReported(const ResultTable& results, int32_t type, const char* text, int32_t length,
                     const Point corners[kCornerCount]) {
  constexpr int64_t kSamePlace = 16;  // pixels: corners of one symbol found twice
  for (int32_t i = 0; i < results.count; ++i) {
    const ResultRecord& r = results.records[i];
    if (r.type != type || r.textLength != length) continue;
    if (std::memcmp(r.text, text, static_cast<size_t>(length)) != 0) continue;
    const int64_t dx = static_cast<int64_t>(r.corners[0].x) - corners[0].x;
    const int64_t dy = static_cast<int64_t>(r.corners[0].y) - corners[0].y;
    const int64_t ex = static_cast<int64_t>(r.corners[0].x) - corners[2].x;
    const int64_t ey = static_cast<int64_t>(r.corners[0].y) - corners[2].y;
    if (dx * dx + dy * dy < kSamePlace * kSamePlace ||
        ex * ex + ey * ey < kSamePlace * kSamePlace) {
      return true;
    }
  }
  return false;
}

// Stores what a decoder found between bars f and l; false when the table
// is full.
bool Store(Context& context, GroupWork& work, int32_t type, int32_t length, int32_t f, int32_t l) {
  for (int32_t b = f; b <= l; ++b) work.used[b] = true;
  Point corners[kCornerCount];
  SpanCorners(context.scan, f, l, corners);
  if (AlreadyReported(context.results, type, work.text, length, corners)) return true;
  if (WriteResultText(context.results, type, work.text, length) == 0) return false;
  CompleteResult(context.results, corners);
  return ResultTableHasRoom(context.results);
}

// Every symbol of one symbology in the run, read one way. Returns false
// when the result table is full.
bool SearchRun(Context& context, GroupWork& work, const SymbologyDescriptor& symbology,
               bool reversed) {
  const DecodeOptions options{SymbologyEnabled(context.settings, kGs1_128)};
  const double* run = reversed ? work.reversed : work.forward;
  int32_t from = 0;
  while (from < work.count) {
    int32_t length = 0;
    int32_t leadingFnc1 = 0;
    ThoroughSpan span{0, 0};
    if (symbology.decodeThorough(run, work.count, from, options, work.text, &length, &leadingFnc1,
                                 &span) != 1) {
      return true;
    }
    // Element indices of the run read, as bars of the group.
    const int32_t firstBar = (reversed ? work.count - 1 - span.last : span.first) / 2;
    const int32_t lastBar = (reversed ? work.count - 1 - span.first : span.last) / 2;
    from = span.last + 2;
    if (length <= 0 || AnyUsed(work, firstBar, lastBar)) continue;
    const int32_t type = symbology.id == kCode128 && leadingFnc1 == 1 ? kGs1_128 : symbology.id;
    TraceSpan(context.trace, firstBar, lastBar, type);
    if (!Store(context, work, type, length, firstBar, lastBar)) return false;
  }
  return true;
}

}  // namespace

void DecodeGroupThorough(Context& context, int32_t n) {
  if (n < 2 || context.scan.group == nullptr || !ResultTableHasRoom(context.results)) return;
  GroupWork work{};
  if (StartWork(work, context.scan, n)) {
    TraceGroupRun(context.trace, context.scan, work.forward, n);
    for (const SymbologyDescriptor& symbology : kSymbologies) {
      if (symbology.decodeThorough == nullptr) continue;
      if (!SymbologyEnabled(context.settings, symbology.id)) continue;
      if (!SearchRun(context, work, symbology, false) ||
          !SearchRun(context, work, symbology, true)) {
        break;
      }
    }
  }
  EndWork(work);
}

}  // namespace bcx
