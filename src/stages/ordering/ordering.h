// Orders a group across its symbol and joins broken bars.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct ScanState;
struct ScanTrace;

// A collected group of n bars in scan.group made ready to decode, as both
// pipelines do it: ordered along its scan line and its broken bars joined.
// Returns the bars left; 0 for a lone bar, which is no symbol. `trace` may
// be nullptr.
int32_t PrepareCollected(ScanState& scan, int32_t n, ScanTrace* trace);

// Sorts the first n bars of scan.group by their place along the scan line
// at right angles to the first bar.
void OrderGroup(ScanState& scan, int32_t n);
// Joins pieces of one bar among the first n ordered bars of scan.group.
void MergeBrokenBars(ScanState& scan, int32_t n, int32_t* remaining);
bool JoinPieces(const Segment& a, Point centroidA, const Segment& b, Point centroidB, double maxGap,
                Segment* joined);
bool AnglesParallel(double a, double b, double tolerance);
void SortKeysAscending(double* keys, int32_t* indices, int32_t n);

}  // namespace bcx
