// Candidate groups for thorough reading: a seed bar and the bars that
// continue it along its scan line, so that text, other symbols and bars
// elsewhere on a page never join it.
#pragma once

#include <cstdint>

namespace bcx {

struct ScanState;

// Works out the bar list's keys for CollectGroupThorough; false when memory
// runs out.
bool PrepareThoroughGrouping(ScanState& scan);

// Moves the first bar of scan.bars and the chain of bars continuing it into
// scan.group: nearly parallel to the seed, about as long, level with it,
// each within a few narrow bar widths of the last. The rest of the bar list
// keeps its order, and its keys with it. Returns the group count, also
// written to *count.
int32_t CollectGroupThorough(ScanState& scan, int32_t* count);

}  // namespace bcx
