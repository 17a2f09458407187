#include "api/trace.h"

#include "detect/scan.h"

namespace bcx {

void TraceComponent(ScanTrace* trace, bool truncated, TraceVerdict verdict, double barLength) {
  if (trace == nullptr) return;
  ++trace->components;
  if (truncated) ++trace->truncatedFills;
  switch (verdict) {
    case TraceVerdict::kBar:
      ++trace->bars;
      break;
    case TraceVerdict::kNotMeasured:
      ++trace->notMeasured;
      break;
    case TraceVerdict::kLengthOutOfLimits:
      ++trace->outOfLimits;
      if (trace->rejectedLengthCount < kTraceLengths) {
        trace->rejectedLengths[trace->rejectedLengthCount++] = barLength;
      }
      break;
  }
}

void TraceGroupCollected(ScanTrace* trace, int32_t bars) {
  if (trace == nullptr) return;
  ++trace->groupsCollected;
  if (bars < 2) ++trace->loneBars;
}

void TraceGroupRun(ScanTrace* trace, const ScanState& scan, const double* run, int32_t bars) {
  if (trace == nullptr) return;
  const int32_t index = trace->groupCount++;
  if (index >= kTraceGroups || bars < 1) return;
  TraceGroup& group = trace->groups[index];
  group.bars = bars;
  group.runLength = 2 * bars - 1;
  for (int32_t i = 0; i < group.runLength && i < kTraceRunElements; ++i) group.run[i] = run[i];
  group.firstSide = scan.group[0].side;
  group.lastSide = scan.group[bars - 1].side;
}

void TraceSpan(ScanTrace* trace, int32_t first, int32_t last, int32_t decodedAs) {
  if (trace == nullptr || trace->spanCount >= kTraceSpans) return;
  const int32_t group = trace->groupCount - 1;
  trace->spans[trace->spanCount++] =
      TraceSpanRecord{group < kTraceGroups ? group : -1, first, last, decodedAs};
}

}  // namespace bcx
