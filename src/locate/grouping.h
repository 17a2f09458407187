// Takes the bar list apart into candidate groups around seed bars.
#pragma once

#include <cstdint>

#include "locate/geometry.h"

namespace bcx {

bool MatchesSeed(const Segment& seed, const Segment& candidate);

// Moves the first bar of g_scan.bars and every bar matching it into
// g_scan.group. Returns the group count, also written to *count.
int32_t CollectGroup(int32_t* count);

}  // namespace bcx
