// Element runs: a bar's width is its area over its length, a space's width
// the light pixels between two bar sides over their mean length.
#include "stages/ordering/element_run.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "stages/components/scan_state.h"

namespace bcx {

namespace {

constexpr int kQuadVertices = 4;
// Each of the four edges meets a row at most once.
constexpr int kMostCrossings = kQuadVertices;
constexpr double kHalf = 0.5;

int64_t SquaredDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int64_t dx = static_cast<int64_t>(x1) - x2;
  const int64_t dy = static_cast<int64_t>(y1) - y2;
  return dx * dx + dy * dy;
}

struct Crossings {
  int64_t x[kMostCrossings];
  int count;
};

void AddCrossing(Crossings& c, int64_t x) { c.x[c.count++] = x; }

void AddCrossingOnce(Crossings& c, int64_t x) {
  for (int k = 0; k < c.count; ++k) {
    if (c.x[k] == x) return;
  }
  AddCrossing(c, x);
}

// Where the edge from `from` to `to` crosses row y, interpolated from its
// lower end (larger y).
int64_t InteriorCrossing(Point from, Point to, int64_t y) {
  const Point& lower = from.y > to.y ? from : to;
  const Point& upper = from.y > to.y ? to : from;
  const double t = static_cast<double>(lower.y - y) / (static_cast<double>(lower.y) - upper.y);
  return static_cast<int64_t>(lower.x * (1.0 - t) + upper.x * t);
}

// Fills [*first, *last] with row y's span; false when the row has none.
bool RowSpan(const Quad& quad, int64_t y, int64_t* first, int64_t* last) {
  Crossings c{};
  for (int k = 0; k < kQuadVertices; ++k) {
    const Point v = quad.vertices[k];
    const Point next = quad.vertices[(k + 1) % kQuadVertices];
    if (v.y != next.y) {
      const int64_t top = std::min(v.y, next.y);
      const int64_t bottom = std::max(v.y, next.y);
      if (y > top && y < bottom) {
        AddCrossing(c, InteriorCrossing(v, next, y));
      } else if (y == next.y) {
        AddCrossingOnce(c, next.x);
      } else if (y == v.y) {
        AddCrossingOnce(c, v.x);
      }
    } else if (y == v.y) {
      // A row lying on an edge is exactly that edge.
      *first = std::min(v.x, next.x);
      *last = std::max(v.x, next.x);
      return true;
    }
  }
  if (c.count == 0) return false;
  // Two crossings for a convex quadrilateral; a concave or self-crossing one
  // is spanned from its leftmost to its rightmost crossing.
  *first = *std::min_element(c.x, c.x + c.count);
  *last = *std::max_element(c.x, c.x + c.count);
  return true;
}

// Dark pixels of eight region bytes: each byte that is not 0 counts one.
uint32_t CountDarkBytes(uint64_t word) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  constexpr int kHighBit = 7;
  constexpr uint64_t kSumBytes = 0x0101010101010101ull;
  constexpr int kTopByte = 56;
  const uint64_t ones = ((((word & kLow7) + kLow7) | word) & kHigh) >> kHighBit;
  // The product gathers the eight ones in the top byte.
  return static_cast<uint32_t>((ones * kSumBytes) >> kTopByte);
}

uint32_t CountLightInRow(const ScanState& scan, int64_t y, int64_t first, int64_t last) {
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, static_cast<int64_t>(scan.width) - 1);
  if (first > last) return 0;
  const uint8_t* row = scan.region + y * static_cast<int64_t>(scan.width);
  constexpr int64_t kWord = sizeof(uint64_t);
  // A space costs its area: eight pixels are counted at a time.
  uint32_t dark = 0;
  int64_t x = first;
  for (; x + kWord <= last + 1; x += kWord) {
    uint64_t word = 0;
    std::memcpy(&word, row + x, sizeof(word));
    dark += CountDarkBytes(word);
  }
  for (; x <= last; ++x) dark += row[x] != 0 ? 1u : 0u;
  return static_cast<uint32_t>(last - first + 1) - dark;
}

}  // namespace

double* BuildElementRun(const ScanState& scan, int32_t m) {
  if (m < 1) return nullptr;
  double* run = new (std::nothrow) double[2 * static_cast<size_t>(m) - 1];
  if (run == nullptr) return nullptr;
  for (int32_t i = 0; i + 1 < m; ++i) {
    const BarRecord& bar = scan.group[i];
    const BarRecord& next = scan.group[i + 1];
    run[2 * i] = bar.meanWidth;
    run[2 * i + 1] =
        MeasureSpace(scan, bar.side, next.side, (next.barLength + bar.barLength) * kHalf);
  }
  run[2 * (m - 1)] = scan.group[m - 1].meanWidth;
  return run;
}

Quad SpaceQuad(const Segment& a, const Segment& b) {
  Quad quad;
  quad.vertices[0] = Point{a.x1, a.y1};
  quad.vertices[1] = Point{a.x2, a.y2};
  // Cross over to the end of b nearer a's second end, so that the
  // quadrilateral does not cross itself.
  const int64_t toFirst = SquaredDistance(a.x2, a.y2, b.x1, b.y1);
  const int64_t toSecond = SquaredDistance(a.x2, a.y2, b.x2, b.y2);
  if (toFirst < toSecond) {
    quad.vertices[2] = Point{b.x1, b.y1};
    quad.vertices[3] = Point{b.x2, b.y2};
  } else {
    quad.vertices[2] = Point{b.x2, b.y2};
    quad.vertices[3] = Point{b.x1, b.y1};
  }
  return quad;
}

double MeasureSpace(const ScanState& scan, const Segment& a, const Segment& b, double length) {
  const uint32_t light = CountLightPixelsInQuad(SpaceQuad(a, b), scan);
  // Bar lengths are at least a pixel; a zero length could only come from a
  // degenerate join and would give no width.
  if (!(length > 0.0)) return 0.0;
  return light / length;
}

uint32_t CountLightPixelsInQuad(const Quad& quad, const ScanState& scan) {
  if (scan.region == nullptr || scan.width <= 0 || scan.height <= 0) return 0;
  int64_t top = quad.vertices[0].y;
  int64_t bottom = quad.vertices[0].y;
  for (int k = 1; k < kQuadVertices; ++k) {
    top = std::min<int64_t>(top, quad.vertices[k].y);
    bottom = std::max<int64_t>(bottom, quad.vertices[k].y);
  }
  top = std::max<int64_t>(top, 0);
  bottom = std::min<int64_t>(bottom, static_cast<int64_t>(scan.height) - 1);
  uint32_t light = 0;
  for (int64_t y = top; y <= bottom; ++y) {
    int64_t first = 0;
    int64_t last = 0;
    if (RowSpan(quad, y, &first, &last)) light += CountLightInRow(scan, y, first, last);
  }
  return light;
}

}  // namespace bcx
