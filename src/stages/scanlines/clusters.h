// Readings that agree made into symbols: clustered by text and place,
// misreadings under a stronger reading dropped, and the rest reported.
#pragma once

#include <cstdint>

#include "stages/scanlines/line_work.h"

namespace bcx {
struct ResultTable;
}  // namespace bcx

namespace bcx::lines {

double LengthOf(const LineRead& r);
bool SameText(const Work& w, const LineRead& a, const LineRead& b);
// Whether two readings' middles lie within kSameSymbolReach of their
// length of each other.
bool Near(const LineRead& a, const LineRead& b);

// A symbol as the lines read it: the reading its cluster started from, how
// many lines agree, and the outermost lines of its commonest direction.
struct Cluster {
  int32_t first;  // read index
  int32_t votes;
  int32_t low;  // reads on the outermost lines
  int32_t high;
  bool dropped;
};

constexpr int32_t kMaxClusters = 256;

// Clusters the work space's readings into `clusters` (room for
// kMaxClusters); returns how many.
int32_t ClusterReads(Work& w, Cluster* clusters);

// Where readings of different texts overlap, the one fewer lines agree on
// is taken for a misreading of the other.
void DropWeaker(const Work& w, Cluster* clusters, int32_t count);

// Adds every cluster of at least minVotes readings that was not dropped to
// the result table, most votes first, unless the table already holds the
// symbol (results of it from the components are joined into one).
void Report(ResultTable& results, const GreyImage& g, Work& w, const Cluster* clusters,
            int32_t count, int32_t minVotes);

}  // namespace bcx::lines
