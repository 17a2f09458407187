// Thorough decoding of a group: every enabled symbology searches the whole
// element run, both ways, for as many symbols as it holds.
#pragma once

#include <cstdint>

#include "records/results.h"

namespace bcx {

struct GroupTarget;

// Decodes the n ordered, merged bars of the target's group table. Each
// symbol found is stored once in the result table, with the corners of its
// first and last bars; bars one symbol used are not read again.
void DecodeGroupThorough(const GroupTarget& target, int32_t n);

// Widens a result's corners to take in those of another reading of the
// same symbol beside it along the bars (the other half of bars a light
// line cut in two): at each end the outermost corners along the bar.
void WidenResult(ResultRecord& result, const Point corners[kCornerCount]);

}  // namespace bcx
