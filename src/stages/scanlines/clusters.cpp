#include "stages/scanlines/clusters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/results.h"
#include "records/trace.h"
#include "stages/scanlines/bar_field.h"
#include "stages/scanlines/corners.h"
#include "stages/spans/spans_thorough.h"

namespace bcx::lines {

namespace {

// Readings belong to one symbol when their middles lie within this share
// of their length of each other.
constexpr double kSameSymbolReach = 0.5;

}  // namespace

double LengthOf(const LineRead& r) { return std::hypot(r.x1 - r.x0, r.y1 - r.y0); }

bool SameText(const Work& w, const LineRead& a, const LineRead& b) {
  return a.type == b.type && a.textLength == b.textLength &&
         std::memcmp(w.pool + a.textAt, w.pool + b.textAt, static_cast<size_t>(a.textLength)) == 0;
}

bool Near(const LineRead& a, const LineRead& b) {
  const double dx = 0.5 * (a.x0 + a.x1 - b.x0 - b.x1);
  const double dy = 0.5 * (a.y0 + a.y1 - b.y0 - b.y1);
  const double reach = kSameSymbolReach * std::max(LengthOf(a), LengthOf(b));
  return dx * dx + dy * dy <= reach * reach;
}

int32_t ClusterReads(Work& w, Cluster* clusters) {
  int32_t count = 0;
  for (int32_t i = 0; i < w.readCount && count < kMaxClusters; ++i) {
    if (w.reads[i].cluster != kNoCluster) continue;
    Cluster& c = clusters[count];
    c = Cluster{i, 0, i, i, false};
    int32_t perAngle[kMaxBarDirections] = {};
    for (int32_t j = i; j < w.readCount; ++j) {
      LineRead& r = w.reads[j];
      if (r.cluster != kNoCluster || !SameText(w, w.reads[i], r) || !Near(w.reads[i], r)) continue;
      r.cluster = count;
      ++c.votes;
      ++perAngle[r.angle];
    }
    const int32_t angle =
        static_cast<int32_t>(std::max_element(perAngle, perAngle + kMaxBarDirections) - perAngle);
    for (int32_t j = i; j < w.readCount; ++j) {
      const LineRead& r = w.reads[j];
      if (r.cluster != count || r.angle != angle) continue;
      if (w.reads[c.low].angle != angle || r.offset < w.reads[c.low].offset) c.low = j;
      if (w.reads[c.high].angle != angle || r.offset > w.reads[c.high].offset) c.high = j;
    }
    ++count;
  }
  return count;
}

void DropWeaker(const Work& w, Cluster* clusters, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < count; ++j) {
      if (i == j || clusters[j].dropped) continue;
      const LineRead& a = w.reads[clusters[i].first];
      const LineRead& b = w.reads[clusters[j].first];
      if (!Near(a, b)) continue;
      if (clusters[i].votes < clusters[j].votes ||
          (clusters[i].votes == clusters[j].votes && i > j)) {
        clusters[i].dropped = true;
        break;
      }
    }
  }
}

namespace {

double DiagonalOf(const Point corners[kCornerCount]) {
  return std::max(std::hypot(corners[2].x - corners[0].x, corners[2].y - corners[0].y),
                  std::hypot(corners[3].x - corners[1].x, corners[3].y - corners[1].y));
}

// Earlier results of the same type and text around the same middle; the
// lines may have read only part of the bars the components found whole.
// Returns how many, their indices in `found`.
int32_t ReportedAround(const ResultTable& results, const char* text, int32_t type, int32_t length,
                       const Point corners[kCornerCount], int32_t* found) {
  const CornerCentre centre = CentreOf(corners);
  int32_t n = 0;
  for (int32_t i = 0; i < results.count; ++i) {
    const ResultRecord& e = results.records[i];
    if (!ResultHasText(e, type, text, length)) continue;
    const CornerCentre other = CentreOf(e.corners);
    const double reach = kSameSymbolReach * std::max(DiagonalOf(corners), DiagonalOf(e.corners));
    if (std::hypot(other.x - centre.x, other.y - centre.y) <= reach) found[n++] = i;
  }
  return n;
}

// Lines that cross a symbol whole show that two results of it from
// components (bars a light line cut in two) are one: they become one.
void JoinReported(ResultTable& results, const int32_t* found, int32_t n) {
  for (int32_t k = n - 1; k >= 1; --k) {
    WidenResult(results.records[found[0]], results.records[found[k]].corners);
    RemoveResult(results, found[k]);
  }
}

}  // namespace

void Report(ResultTable& results, const GreyImage& g, Work& w, const Cluster* clusters,
            int32_t count, int32_t minVotes) {
  int32_t order[kMaxClusters];
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    const Cluster& c = clusters[i];
    if (!c.dropped && c.votes >= minVotes) {
      order[n++] = i;
      continue;
    }
    const LineRead& r = w.reads[c.first];
    TraceLineCluster(w.trace, r.type, w.pool + r.textAt, r.textLength, c.votes,
                     c.dropped ? TraceFate::kDropped : TraceFate::kTooFewLines);
  }
  // Most votes first, ties in the order found: an insertion sort of at most
  // kMaxClusters, which needs no buffer.
  for (int32_t i = 1; i < n; ++i) {
    const int32_t moving = order[i];
    int32_t j = i;
    for (; j > 0 && clusters[order[j - 1]].votes < clusters[moving].votes; --j) {
      order[j] = order[j - 1];
    }
    order[j] = moving;
  }
  for (int32_t k = 0; k < n; ++k) {
    const Cluster& c = clusters[order[k]];
    const LineRead& r = w.reads[c.first];
    const LineRead& low = w.reads[c.low];
    const LineRead& high = w.reads[c.high];
    Point corners[kCornerCount];
    CornersOf(g, w, low, high, corners);
    const char* text = w.pool + r.textAt;
    int32_t found[kMaxResults];
    const int32_t reported = ReportedAround(results, text, r.type, r.textLength, corners, found);
    if (reported > 0) {
      JoinReported(results, found, reported);
      TraceLineCluster(w.trace, r.type, text, r.textLength, c.votes, TraceFate::kJoined);
      continue;
    }
    if (AppendResult(results, r.type, text, r.textLength, corners) == 0) {
      TraceLineCluster(w.trace, r.type, text, r.textLength, c.votes, TraceFate::kTableFull);
      return;
    }
    TraceLineCluster(w.trace, r.type, text, r.textLength, c.votes, TraceFate::kReported);
  }
}

}  // namespace bcx::lines
