// An optional record of what the stages of one scan saw, for diagnostics:
// the stages fill it when the context points at one, so a diagnosis reads
// the real pipeline instead of a copy of it. Fixed sizes, so tracing never
// allocates; what does not fit is counted but not kept.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct BarRecord;

// Room for the rejected lengths, groups, runs and spans of a busy page.
constexpr int kTraceLengths = 512;
constexpr int kTraceCollected = 512;
constexpr int kTraceLeftOut = 4;
constexpr int kTraceGroups = 128;
constexpr int kTraceRunElements = 512;
constexpr int kTraceSpans = 256;
// Room for the readings of the lines through a photo's symbol and the
// symbols they agree on.
constexpr int kTraceReadings = 256;
constexpr int kTraceClusters = 64;
constexpr int kTraceClusterText = 48;

enum class TraceVerdict { kBar, kNotMeasured, kLengthOutOfLimits };

// A group as collection left it, lone bars included: why bars that belong
// together did not meet shows in the seed and in the bars it passed over.
struct TraceCollectedGroup {
  int32_t bars;
  int32_t merged;  // bars after merging; a lone bar is never merged
  int32_t run;     // index into ScanTrace::groups, -1 when no run was kept
  double seedWidth;
  Segment seedSide;
  int32_t leftOutCount;
  // The first bars still in the list after collection, in list order.
  Segment leftOut[kTraceLeftOut];
};

// A group as decoding received it: ordered and merged, with its run.
struct TraceGroup {
  int32_t collected;  // bars before merging
  int32_t bars;
  int32_t runLength;  // 2 * bars - 1; only the first kTraceRunElements are kept
  double run[kTraceRunElements];
  Segment firstSide;
  Segment lastSide;
};

struct TraceSpanRecord {
  int32_t group;  // index into groups, or -1 when the group was not kept
  int32_t first;  // bars of the group as it stood when the span was cut
  int32_t last;
  int32_t decodedAs;  // symbology identifier, -1 for no read
};

// One reading of a line of grey levels: what it read and where.
struct TraceReading {
  int32_t type;
  int32_t angle;  // index of the line's direction
  double x0, y0;  // where the symbol begins, in reading order
  double x1, y1;  // and ends
};

// What became of a symbol that lines read alike.
enum class TraceFate { kReported, kJoined, kTooFewLines, kDropped, kTableFull };

struct TraceCluster {
  int32_t type;
  int32_t votes;  // lines that read it
  TraceFate fate;
  int32_t textLength;  // of the text; only the first kTraceClusterText bytes are kept
  char text[kTraceClusterText];
};

// Only the counts need clearing before a scan; the arrays are read up to them.
struct ScanTrace {
  int32_t components;
  int32_t truncatedFills;  // stopped at the component pixel limit
  int32_t notMeasured;     // too few or too many boundary pixels for a bar
  int32_t outOfLimits;     // measured, but too short or too long
  int32_t bars;
  int32_t rejectedLengthCount;
  double rejectedLengths[kTraceLengths];
  int32_t groupsCollected;  // every group, lone bars included
  int32_t loneBars;
  int32_t lastCollected;  // bars of the group now being worked on, before merging
  TraceCollectedGroup collected[kTraceCollected];
  int32_t groupCount;  // groups handed to decoding
  TraceGroup groups[kTraceGroups];
  int32_t spanCount;
  TraceSpanRecord spans[kTraceSpans];
  bool linesRun;  // false where the components' results stood for the image
  int32_t lines;  // lines (and stretches of them) sampled and searched
  int32_t readingCount;
  TraceReading readings[kTraceReadings];
  int32_t clusterCount;
  TraceCluster clusters[kTraceClusters];
};

// Each does nothing when trace is nullptr.
void TraceScanStart(ScanTrace* trace);
void TraceComponent(ScanTrace* trace, bool truncated, TraceVerdict verdict, double barLength);
// After collection: `group` holds its bars, seed first, and `rest` the bar
// list's bars left out of it.
void TraceGroupCollected(ScanTrace* trace, const BarRecord* group, int32_t bars,
                         const BarRecord* rest, int32_t restCount);
void TraceGroupMerged(ScanTrace* trace, int32_t bars);
void TraceGroupRun(ScanTrace* trace, const BarRecord* group, const double* run, int32_t bars);
void TraceSpan(ScanTrace* trace, int32_t first, int32_t last, int32_t decodedAs);
void TraceLinesRun(ScanTrace* trace);
void TraceLine(ScanTrace* trace);
void TraceLineReading(ScanTrace* trace, const TraceReading& reading);
void TraceLineCluster(ScanTrace* trace, int32_t type, const char* text, int32_t length,
                      int32_t votes, TraceFate fate);

}  // namespace bcx
