// Candidate groups: a seed bar and every bar about as long lying level with
// it, wherever it is and whatever its direction.
#include "stages/grouping/grouping.h"

#include "stages/components/scan_state.h"

namespace bcx {

namespace {

// Extents may differ by up to this share of the longer one.
constexpr double kExtentTolerance = 0.28;
// A candidate's middle must lie nearer the seed's normal than this share of
// the two extents together.
constexpr double kLevelTolerance = 0.2;
constexpr double kNormalLength = 100.0;

bool SimilarExtent(double a, double b) {
  const double longer = a > b ? a : b;
  const double shorter = a > b ? b : a;
  return longer - shorter <= kExtentTolerance * longer;
}

// The seed's normal is the same for every candidate, so the walk builds it
// once.
bool MatchesSeedNormal(const Segment& seed, const Segment& normal, const Segment& candidate) {
  if (!SimilarExtent(seed.extent, candidate.extent)) return false;
  const double offset = PointLineDistance(SegmentMidpoint(candidate), normal);
  return offset < kLevelTolerance * (seed.extent + candidate.extent);
}

}  // namespace

bool MatchesSeed(const Segment& seed, const Segment& candidate) {
  Segment normal;
  NormalThroughMidpoint(seed, kNormalLength, &normal);
  return MatchesSeedNormal(seed, normal, candidate);
}

int32_t CollectGroup(ScanState& scan, int32_t* count) {
  const BarRecord seed = scan.bars[0];
  scan.group[0] = seed;
  int32_t size = 1;
  Segment normal;
  NormalThroughMidpoint(seed.side, kNormalLength, &normal);
  // One pass that moves matches to the group and closes up the rest: the
  // same groups and the same remaining order as removing one bar at a time,
  // without shifting the list once per removal.
  int32_t kept = 0;
  for (int32_t i = 1; i < scan.barCount; ++i) {
    const BarRecord& bar = scan.bars[i];
    if (MatchesSeedNormal(seed.side, normal, bar.side)) {
      scan.group[size++] = bar;
    } else {
      scan.bars[kept++] = bar;
    }
  }
  scan.barCount = kept;
  scan.groupCount = size;
  if (count != nullptr) *count = size;
  return size;
}

}  // namespace bcx
