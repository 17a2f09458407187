// Candidate groups for thorough reading: a seed bar and the bars that
// continue it along its scan line, so that text, other symbols and bars
// elsewhere on a page never join it.
#pragma once

#include <cstdint>

namespace bcx {

struct ScanState;

// What thorough grouping compares of a bar, worked out once per scan: the
// middle of its side, its direction folded into a half turn, its length.
struct BarKey {
  double middleX;
  double middleY;
  double direction;  // radians, 0 <= direction < pi
  double extent;
  double halfWidth;
  int32_t seed;  // of the group it joined, or -1 while free
  double slack;  // how far its side may lean from its true direction, radians
};

// An index of the bar list: bar indices bucketed by the cell of a square
// grid their middle lies in.
struct BarGrid {
  int32_t columns;
  int32_t rows;
  double cellSize;
  int32_t* cellStart;  // columns * rows + 1 offsets into items
  int32_t cellCapacity;
  int32_t* items;
  int32_t itemCapacity;
};

// Thorough grouping's buffers, kept with their capacities from one read to
// the next like the scan's.
struct ThoroughGrouping {
  BarKey* keys;  // one per bar of the bar list, in its order
  int32_t keyCapacity;
  BarGrid grid;
  int32_t* chain;  // the members of the group being collected
  int32_t chainCapacity;
};

// Works out the bar list's keys and spatial index for CollectGroupThorough;
// false when memory runs out.
bool PrepareThoroughGrouping(ThoroughGrouping& grouping, const ScanState& scan);

// Copies bar `seed` and the chain of free bars continuing it into
// scan.group in scan-line order: nearly parallel to the seed, about as long,
// level with it, each within a few narrow bar widths of the last. They are
// marked as taken; the bar list itself is left as it is. Returns the group
// count, also written to *count.
int32_t CollectGroupThorough(ThoroughGrouping& grouping, ScanState& scan, int32_t seed,
                             int32_t* count);

// Whether bar i has joined a group.
bool BarTaken(const ThoroughGrouping& grouping, int32_t i);

void ReleaseThoroughGrouping(ThoroughGrouping& grouping);

}  // namespace bcx
