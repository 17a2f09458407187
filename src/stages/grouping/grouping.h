// Takes the bar list apart into candidate groups around seed bars.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct ScanState;

bool MatchesSeed(const Segment& seed, const Segment& candidate);

// Moves the first bar of scan.bars and every bar matching it into
// scan.group. Returns the group count, also written to *count.
int32_t CollectGroup(ScanState& scan, int32_t* count);

}  // namespace bcx
