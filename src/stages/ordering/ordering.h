// Orders a group across its symbol and joins broken bars.
#pragma once

#include <cstdint>

#include "locate/geometry.h"

namespace bcx {

struct ScanState;

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
