// Orders a group across its symbol and joins broken bars.
#pragma once

#include <cstdint>

#include "locate/geometry.h"

namespace bcx {

void OrderGroup(int32_t n);
void MergeBrokenBars(int32_t n, int32_t* remaining);
bool JoinPieces(const Segment& a, Point centroidA, const Segment& b, Point centroidB, double maxGap,
                Segment* joined);
bool AnglesParallel(double a, double b, double tolerance);
void SortKeysAscending(double* keys, int32_t* indices, int32_t n);

}  // namespace bcx
