#include "stages/scanlines/profile_edges.h"

#include <algorithm>
#include <cmath>

namespace bcx {

namespace {

// The local contrast is read from blocks of contrastReach samples: the
// block of a sample and its two neighbours cover at least contrastReach
// samples either side of it. Each block keeps the range over itself and
// its neighbours, worked out once, so a sample's costs a lookup.
// Four values a block: 4 ceil(n / s) <= 4 (n / s + 1) <= n + 4 once blocks
// hold s >= 4 samples, which work's n + kWorkSpare values hold.
constexpr int32_t kLeastBlock = 8;
static_assert(kLeastBlock >= 4 && kWorkSpare >= 4);

struct BlockRanges {
  const float* low;
  const float* high;
  int32_t size;
};

BlockRanges MeasureBlocks(const float* profile, int32_t n, int32_t size, float* work) {
  const int32_t blocks = (n + size - 1) / size;
  float* own = work;  // the low, then the high of each block alone
  float* low = work + 2 * blocks;
  float* high = work + 3 * blocks;
  for (int32_t b = 0; b < blocks; ++b) {
    const int32_t end = std::min(n, (b + 1) * size);
    float lo = profile[b * size];
    float hi = lo;
    for (int32_t i = b * size + 1; i < end; ++i) {
      lo = std::min(lo, profile[i]);
      hi = std::max(hi, profile[i]);
    }
    own[2 * b] = lo;
    own[2 * b + 1] = hi;
  }
  for (int32_t b = 0; b < blocks; ++b) {
    const int32_t first = std::max(0, b - 1);
    const int32_t last = std::min(blocks - 1, b + 1);
    float lo = own[2 * first];
    float hi = own[2 * first + 1];
    for (int32_t k = first + 1; k <= last; ++k) {
      lo = std::min(lo, own[2 * k]);
      hi = std::max(hi, own[2 * k + 1]);
    }
    low[b] = lo;
    high[b] = hi;
  }
  return {low, high, size};
}

float SwingAt(const BlockRanges& r, int32_t i, const EdgeFinding& finding) {
  const int32_t b = i / r.size;
  return std::max(finding.minSwingLevels, finding.swingOfContrast * (r.high[b] - r.low[b]));
}

// Where the profile crosses `level` going from its extreme at a to the one
// at b (a < b), interpolated between samples; false when it never does.
bool CrossingOf(const float* profile, int32_t a, int32_t b, float level, double* at) {
  const bool falling = profile[a] > profile[b];
  for (int32_t j = a; j < b; ++j) {
    const float here = profile[j];
    const float next = profile[j + 1];
    const bool crosses =
        falling ? (here >= level && next < level) : (here <= level && next > level);
    if (crosses) {
      *at = j + static_cast<double>(level - here) / (next - here);
      return true;
    }
  }
  return false;
}

// Blur biases both levels one might cut an edge at. Halfway between the
// two extremes beside it, the edge of a wide bar next to a narrow space
// (whose light never reaches the paper's) moves into the bar; halfway
// between the local paper and ink levels, it moves into the space, and a
// narrow element may not reach that level at all. The mean of the two
// crossings cancels most of either bias.
double EdgeBetween(const float* profile, int32_t a, int32_t b, float localMiddle) {
  double between = 0.5 * (a + b);
  CrossingOf(profile, a, b, 0.5f * (profile[a] + profile[b]), &between);
  double local = 0.0;
  if (!CrossingOf(profile, a, b, localMiddle, &local)) return between;
  return 0.5 * (between + local);
}

enum class Seeking { kEither, kLow, kHigh };

struct EdgeWriter {
  double* edges;
  int32_t count;
  bool started;  // once the first light-to-dark edge is written
};

float MiddleAt(const BlockRanges& r, int32_t i) {
  const int32_t b = i / r.size;
  return 0.5f * (r.low[b] + r.high[b]);
}

// Light falling off across a label (a highlight, a shadow, the curve of a
// can) can step the profile down to a flat level and on into a bar with
// no rise between, so that the paper beside the bar and the brighter
// ground before it read as one element, the bar's far side the edge of
// both: a symbol's first or last bar then swallows its quiet zone. Such
// a level runs flat for kLeastStepSamples and more, while blur rounds an
// edge between printed elements within a few samples (elements blurred
// together leave a shoulder of a module or two, not a flat run of four
// modules and more, kLeastStepSamples at two pixels a module). Of the two steps, the steeper is the
// element's edge: lighting changes over many pixels, print over the blur.
// Flat is within kStepFlatShare of the swing, well under a swing itself,
// so noise does not cut the run short and no element hides in it.
constexpr int32_t kLeastStepSamples = 8;
constexpr float kStepFlatShare = 0.5f;

float SteepestRise(const float* profile, int32_t a, int32_t b) {
  float steepest = 0.0f;
  for (int32_t j = a; j < b; ++j) {
    steepest = std::max(steepest, std::fabs(profile[j + 1] - profile[j]));
  }
  return steepest;
}

// Narrows the extremes from < to of one edge to the steeper step, where
// the profile between them holds a flat level a swing away from both;
// true when it did.
bool KeepSteeperStep(const float* profile, float swing, int32_t* from, int32_t* to) {
  const int32_t a = *from;
  const int32_t b = *to;
  if (b - a < kLeastStepSamples + 2) return false;
  const float flat = kStepFlatShare * swing;
  int32_t runStart = a + 1;
  float low = profile[runStart];
  float high = low;
  for (int32_t j = a + 1; j < b; ++j) {
    low = std::min(low, profile[j]);
    high = std::max(high, profile[j]);
    if (high - low > flat) {
      runStart = j;
      low = profile[j];
      high = low;
      continue;
    }
    if (j - runStart + 1 < kLeastStepSamples) continue;
    // A flat run; it ends where the profile leaves it.
    int32_t runEnd = j;
    while (runEnd + 1 < b &&
           std::max(high, profile[runEnd + 1]) - std::min(low, profile[runEnd + 1]) <= flat) {
      ++runEnd;
      low = std::min(low, profile[runEnd]);
      high = std::max(high, profile[runEnd]);
    }
    const float level = 0.5f * (low + high);
    if (std::fabs(profile[a] - level) >= swing && std::fabs(profile[b] - level) >= swing) {
      if (SteepestRise(profile, runEnd, b) >= SteepestRise(profile, a, runStart)) {
        *from = runEnd;
      } else {
        *to = runStart;
      }
      return true;
    }
    // The flat of an extreme itself: look on past it.
    j = runEnd;
    runStart = runEnd + 1;
    low = profile[runStart];
    high = low;
  }
  return false;
}

void WriteEdge(EdgeWriter& w, const BlockRanges& r, const float* profile, float swing, int32_t from,
               int32_t to) {
  const bool falling = profile[from] > profile[to];
  if (!w.started && !falling) return;
  w.started = true;
  // Where the edge is one step of two, the local range holds the other
  // ground's level too; the step's own middle stands for it.
  if (KeepSteeperStep(profile, swing, &from, &to)) {
    const float own = 0.5f * (profile[from] + profile[to]);
    w.edges[w.count++] = EdgeBetween(profile, from, to, own);
    return;
  }
  w.edges[w.count++] = EdgeBetween(profile, from, to, MiddleAt(r, (from + to) / 2));
}

// The extreme of the element between edges a and b: its darkest sample when
// dark, its lightest when light.
float ExtremeOf(const float* profile, int32_t n, double a, double b, bool dark) {
  int32_t first = std::clamp(static_cast<int32_t>(std::ceil(a)), 0, n - 1);
  const int32_t last = std::clamp(static_cast<int32_t>(std::floor(b)), first, n - 1);
  float extreme = profile[first];
  for (int32_t i = first + 1; i <= last; ++i) {
    extreme = dark ? std::min(extreme, profile[i]) : std::max(extreme, profile[i]);
  }
  return extreme;
}

// The element between edges k and k + 1 is dark when k is even.
constexpr bool IsDark(int32_t k) { return k % 2 == 0; }

constexpr int32_t kHaloReach = 3;  // elements either side for the range

bool IsHalo(const double* edges, const float* extremes, int32_t count, int32_t k) {
  const double width = edges[k + 1] - edges[k];
  if (!(width > edges[k] - edges[k - 1]) || !(width > edges[k + 2] - edges[k + 1])) return false;
  const float own = extremes[k];
  const float before = extremes[k - 1];
  const float after = extremes[k + 1];
  float low = own;
  float high = own;
  const int32_t first = std::max(0, k - kHaloReach);
  const int32_t last = std::min(count - 2, k + kHaloReach);
  for (int32_t j = first; j <= last; ++j) {
    low = std::min(low, extremes[j]);
    high = std::max(high, extremes[j]);
  }
  const float swing = std::min(std::fabs(own - before), std::fabs(own - after));
  if (!(swing < kHaloShare * (high - low))) return false;
  const float middle = 0.5f * (low + high);
  return IsDark(k) ? own > middle : own < middle;
}

}  // namespace

int32_t JoinHalos(const float* profile, int32_t n, double* edges, int32_t count, float* work) {
  if (profile == nullptr || edges == nullptr || work == nullptr || n < 2 || count < 4) {
    return count < 0 ? 0 : count;
  }
  float* extremes = work;  // of each element
  for (int32_t j = 0; j + 1 < count; ++j) {
    extremes[j] = ExtremeOf(profile, n, edges[j], edges[j + 1], IsDark(j));
  }
  int32_t k = 1;
  while (k + 2 < count) {
    if (!IsHalo(edges, extremes, count, k)) {
      ++k;
      continue;
    }
    // Edges k and k + 1 go; the elements either side become one, whose
    // extreme is the further of theirs.
    extremes[k - 1] = IsDark(k - 1) ? std::min(extremes[k - 1], extremes[k + 1])
                                    : std::max(extremes[k - 1], extremes[k + 1]);
    for (int32_t j = k; j + 2 < count; ++j) edges[j] = edges[j + 2];
    for (int32_t j = k; j + 3 < count; ++j) extremes[j] = extremes[j + 2];
    count -= 2;
    k = std::max(1, k - 1);
  }
  return count;
}

int32_t FindProfileEdges(const float* profile, int32_t n, const EdgeFinding& finding, float* work,
                         double* edges) {
  if (n < 2) return 0;
  const BlockRanges ranges =
      MeasureBlocks(profile, n, std::max(kLeastBlock, finding.contrastReach), work);
  EdgeWriter w{edges, 0, false};
  Seeking seeking = Seeking::kEither;
  int32_t lowAt = 0;
  int32_t highAt = 0;
  int32_t lastAt = 0;  // the last extreme taken
  for (int32_t i = 1; i < n; ++i) {
    const float v = profile[i];
    const float swing = SwingAt(ranges, i, finding);
    switch (seeking) {
      case Seeking::kEither:
        if (v > profile[highAt]) highAt = i;
        if (v < profile[lowAt]) lowAt = i;
        if (profile[highAt] - v >= swing && highAt < i) {
          lastAt = highAt;
          lowAt = i;
          seeking = Seeking::kLow;
        } else if (v - profile[lowAt] >= swing && lowAt < i) {
          lastAt = lowAt;
          highAt = i;
          seeking = Seeking::kHigh;
        }
        break;
      case Seeking::kLow:
        if (v < profile[lowAt]) {
          lowAt = i;
        } else if (v - profile[lowAt] >= swing) {
          WriteEdge(w, ranges, profile, swing, lastAt, lowAt);
          lastAt = lowAt;
          highAt = i;
          seeking = Seeking::kHigh;
        }
        break;
      case Seeking::kHigh:
        if (v > profile[highAt]) {
          highAt = i;
        } else if (profile[highAt] - v >= swing) {
          WriteEdge(w, ranges, profile, swing, lastAt, highAt);
          lastAt = highAt;
          lowAt = i;
          seeking = Seeking::kLow;
        }
        break;
    }
  }
  // The element the profile ends in has no far edge, but the edge into it
  // is whole once the swing to its extreme is.
  if (seeking != Seeking::kEither) {
    const int32_t pendingAt = seeking == Seeking::kLow ? lowAt : highAt;
    const float swing = SwingAt(ranges, pendingAt, finding);
    const float rise = profile[pendingAt] - profile[lastAt];
    if ((rise >= swing || -rise >= swing) && pendingAt > lastAt) {
      WriteEdge(w, ranges, profile, swing, lastAt, pendingAt);
    }
  }
  return w.count;
}

}  // namespace bcx
