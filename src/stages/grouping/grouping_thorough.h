// Candidate groups for thorough reading: a seed bar and the bars that
// continue it along its scan line, so that text, other symbols and bars
// elsewhere on a page never join it.
#pragma once

#include <cstdint>

namespace bcx {

struct ScanState;

// Works out the bar list's keys and spatial index for CollectGroupThorough;
// false when memory runs out.
bool PrepareThoroughGrouping(ScanState& scan);

// Copies bar `seed` and the chain of free bars continuing it into
// scan.group in scan-line order: nearly parallel to the seed, about as long,
// level with it, each within a few narrow bar widths of the last. They are
// marked as taken; the bar list itself is left as it is. Returns the group
// count, also written to *count.
int32_t CollectGroupThorough(ScanState& scan, int32_t seed, int32_t* count);

// Whether bar i has joined a group.
bool BarTaken(const ScanState& scan, int32_t i);

}  // namespace bcx
