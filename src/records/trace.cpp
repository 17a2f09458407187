#include "records/trace.h"

#include <algorithm>
#include <cstring>

#include "records/bar.h"

namespace bcx {

void TraceScanStart(ScanTrace* trace) {
  if (trace == nullptr) return;
  trace->components = 0;
  trace->truncatedFills = 0;
  trace->notMeasured = 0;
  trace->outOfLimits = 0;
  trace->bars = 0;
  trace->rejectedLengthCount = 0;
  trace->groupsCollected = 0;
  trace->loneBars = 0;
  trace->lastCollected = 0;
  trace->groupCount = 0;
  trace->spanCount = 0;
  trace->linesRun = false;
  trace->lines = 0;
  trace->readingCount = 0;
  trace->clusterCount = 0;
}

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

void TraceGroupCollected(ScanTrace* trace, const BarRecord* group, int32_t bars,
                         const BarRecord* rest, int32_t restCount) {
  if (trace == nullptr) return;
  const int32_t index = trace->groupsCollected++;
  if (bars < 2) ++trace->loneBars;
  trace->lastCollected = bars;
  if (index >= kTraceCollected || bars < 1) return;
  TraceCollectedGroup& kept = trace->collected[index];
  kept.bars = bars;
  kept.merged = bars;
  kept.run = -1;
  kept.seedWidth = group[0].meanWidth;
  kept.seedSide = group[0].side;
  kept.leftOutCount = 0;
  for (int32_t i = 0; i < restCount && i < kTraceLeftOut; ++i) {
    kept.leftOut[kept.leftOutCount++] = rest[i].side;
  }
}

void TraceGroupMerged(ScanTrace* trace, int32_t bars) {
  if (trace == nullptr) return;
  const int32_t index = trace->groupsCollected - 1;
  if (index >= 0 && index < kTraceCollected) trace->collected[index].merged = bars;
}

void TraceGroupRun(ScanTrace* trace, const BarRecord* group, const double* run, int32_t bars) {
  if (trace == nullptr) return;
  const int32_t index = trace->groupCount++;
  if (index >= kTraceGroups || bars < 1) return;
  TraceGroup& kept = trace->groups[index];
  kept.collected = trace->lastCollected;
  kept.bars = bars;
  kept.runLength = 2 * bars - 1;
  for (int32_t i = 0; i < kept.runLength && i < kTraceRunElements; ++i) kept.run[i] = run[i];
  kept.firstSide = group[0].side;
  kept.lastSide = group[bars - 1].side;
  const int32_t collected = trace->groupsCollected - 1;
  if (collected >= 0 && collected < kTraceCollected) trace->collected[collected].run = index;
}

void TraceSpan(ScanTrace* trace, int32_t first, int32_t last, int32_t decodedAs) {
  if (trace == nullptr || trace->spanCount >= kTraceSpans) return;
  const int32_t group = trace->groupCount - 1;
  trace->spans[trace->spanCount++] =
      TraceSpanRecord{group < kTraceGroups ? group : -1, first, last, decodedAs};
}

void TraceLinesRun(ScanTrace* trace) {
  if (trace != nullptr) trace->linesRun = true;
}

void TraceLine(ScanTrace* trace) {
  if (trace != nullptr) ++trace->lines;
}

void TraceLineReading(ScanTrace* trace, const TraceReading& reading) {
  if (trace == nullptr) return;
  if (trace->readingCount < kTraceReadings) trace->readings[trace->readingCount] = reading;
  ++trace->readingCount;
}

void TraceLineCluster(ScanTrace* trace, int32_t type, const char* text, int32_t length,
                      int32_t votes, TraceFate fate) {
  if (trace == nullptr) return;
  if (trace->clusterCount < kTraceClusters) {
    TraceCluster& c = trace->clusters[trace->clusterCount];
    c.type = type;
    c.votes = votes;
    c.fate = fate;
    c.textLength = length;
    const int32_t kept = std::min(length, static_cast<int32_t>(kTraceClusterText));
    if (kept > 0) std::memcpy(c.text, text, static_cast<size_t>(kept));
  }
  ++trace->clusterCount;
}

}  // namespace bcx
