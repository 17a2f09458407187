// Fixed, Otsu and Sauvola binarisation. The adaptive pass keeps running
// column sums so its memory grows with the width only.
#include "binarize.h"

#include <cmath>
#include <cstring>
#include <new>

#include "rastra.h"

namespace rastra {
namespace {

constexpr int kGreyLevels = 256;

// Sauvola: threshold = mean * (1 + k * (deviation / range - 1)).
constexpr double kSauvolaK = 0.34;
constexpr double kSauvolaRange = 128.0;
// The window must be wider than the widest bar, or the middle of a wide
// bar (no local contrast) turns light.
constexpr int32_t kWindowDivisor = 16;
constexpr int32_t kMinRadius = 12;
constexpr int32_t kMaxRadius = 64;

const uint8_t* RowStart(const GreyImage& image, const Rect& rect, int32_t y) {
  return image.pixels + static_cast<size_t>(rect.top + y) * image.width + rect.left;
}

int32_t WindowRadius(const Rect& rect) {
  const int32_t longer = rect.width > rect.height ? rect.width : rect.height;
  const int32_t radius = longer / kWindowDivisor;
  if (radius < kMinRadius) return kMinRadius;
  return radius > kMaxRadius ? kMaxRadius : radius;
}

struct ColumnSums {
  uint32_t* sum;
  uint32_t* squares;
};

void AddRow(const GreyImage& image, const Rect& rect, int32_t y, int sign, ColumnSums* columns) {
  const uint8_t* row = RowStart(image, rect, y);
  for (int32_t x = 0; x < rect.width; ++x) {
    const uint32_t value = row[x];
    if (sign > 0) {
      columns->sum[x] += value;
      columns->squares[x] += value * value;
    } else {
      columns->sum[x] -= value;
      columns->squares[x] -= value * value;
    }
  }
}

uint8_t SauvolaPixel(uint8_t grey, uint64_t sum, uint64_t squares, uint64_t count) {
  const double mean = static_cast<double>(sum) / static_cast<double>(count);
  const double variance = static_cast<double>(squares) / static_cast<double>(count) - mean * mean;
  const double deviation = variance > 0.0 ? std::sqrt(variance) : 0.0;
  const double threshold = mean * (1.0 + kSauvolaK * (deviation / kSauvolaRange - 1.0));
  return static_cast<double>(grey) < threshold ? 1 : 0;
}

// One output row from the column sums of the rows in the window.
void SauvolaRow(const uint8_t* row, const ColumnSums& columns, int32_t width, int32_t radius,
                uint64_t rowsInWindow, uint8_t* out) {
  uint64_t sum = 0;
  uint64_t squares = 0;
  for (int32_t x = 0; x < radius && x < width; ++x) {
    sum += columns.sum[x];
    squares += columns.squares[x];
  }
  for (int32_t x = 0; x < width; ++x) {
    const int32_t entering = x + radius;
    const int32_t leaving = x - radius - 1;
    if (entering < width) {
      sum += columns.sum[entering];
      squares += columns.squares[entering];
    }
    if (leaving >= 0) {
      sum -= columns.sum[leaving];
      squares -= columns.squares[leaving];
    }
    const int32_t first = x - radius < 0 ? 0 : x - radius;
    const int32_t last = entering < width ? entering : width - 1;
    const uint64_t count = rowsInWindow * static_cast<uint64_t>(last - first + 1);
    out[x] = SauvolaPixel(row[x], sum, squares, count);
  }
}

// Eight pixels at a time, in two halves of four 16-bit lanes: a lane
// holding grey + (256 - level) reaches 256, its ninth bit, exactly when
// grey >= level, and no lane can carry into the next.
constexpr int32_t kWordPixels = sizeof(uint64_t);
constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
constexpr uint64_t kLaneOnes = 0x0001000100010001ull;
constexpr int kByteBits = 8;

uint64_t DarkBytes(uint64_t grey, int32_t level) {
  const uint64_t lift = kLaneOnes * static_cast<uint64_t>(kGreyLevels - level);
  const uint64_t evenLight = (((grey & kEvenBytes) + lift) >> kByteBits) & kLaneOnes;
  const uint64_t oddLight = ((((grey >> kByteBits) & kEvenBytes) + lift) >> kByteBits) & kLaneOnes;
  return (evenLight ^ kLaneOnes) | ((oddLight ^ kLaneOnes) << kByteBits);
}

}  // namespace

void BinariseFixed(const GreyImage& image, const Rect& rect, int32_t level, uint8_t* out) noexcept {
  const int32_t clamped = level < 0 ? 0 : (level > kGreyLevels ? kGreyLevels : level);
  for (int32_t y = 0; y < rect.height; ++y) {
    const uint8_t* row = RowStart(image, rect, y);
    uint8_t* line = out + static_cast<size_t>(y) * rect.width;
    int32_t x = 0;
    for (; x + kWordPixels <= rect.width; x += kWordPixels) {
      uint64_t word = 0;
      std::memcpy(&word, row + x, sizeof(word));
      word = DarkBytes(word, clamped);
      std::memcpy(line + x, &word, sizeof(word));
    }
    for (; x < rect.width; ++x) line[x] = row[x] < clamped ? 1 : 0;
  }
}

void BinariseFixedPlainly(const GreyImage& image, const Rect& rect, int32_t level,
                          uint8_t* out) noexcept {
  for (int32_t y = 0; y < rect.height; ++y) {
    const uint8_t* row = RowStart(image, rect, y);
    uint8_t* line = out + static_cast<size_t>(y) * rect.width;
    for (int32_t x = 0; x < rect.width; ++x) line[x] = row[x] < level ? 1 : 0;
  }
}

int32_t OtsuLevel(const GreyImage& image, const Rect& rect) noexcept {
  uint64_t histogram[kGreyLevels] = {};
  for (int32_t y = 0; y < rect.height; ++y) {
    const uint8_t* row = RowStart(image, rect, y);
    for (int32_t x = 0; x < rect.width; ++x) ++histogram[row[x]];
  }
  double total = 0.0;
  double weightedTotal = 0.0;
  for (int g = 0; g < kGreyLevels; ++g) {
    total += static_cast<double>(histogram[g]);
    weightedTotal += static_cast<double>(g) * static_cast<double>(histogram[g]);
  }
  double below = 0.0;
  double weightedBelow = 0.0;
  double bestSpread = 0.0;
  int32_t bestLevel = RASTRA_DEFAULT_THRESHOLD;
  for (int g = 0; g < kGreyLevels - 1; ++g) {
    below += static_cast<double>(histogram[g]);
    weightedBelow += static_cast<double>(g) * static_cast<double>(histogram[g]);
    const double above = total - below;
    if (below == 0.0) continue;
    if (above == 0.0) break;
    const double meanBelow = weightedBelow / below;
    const double meanAbove = (weightedTotal - weightedBelow) / above;
    const double spread = below * above * (meanBelow - meanAbove) * (meanBelow - meanAbove);
    if (spread > bestSpread) {
      bestSpread = spread;
      bestLevel = g + 1;
    }
  }
  return bestLevel;
}

bool BinariseAdaptive(const GreyImage& image, const Rect& rect, uint8_t* out) noexcept {
  ColumnSums columns = {new (std::nothrow) uint32_t[rect.width](),
                        new (std::nothrow) uint32_t[rect.width]()};
  const bool ok = columns.sum != nullptr && columns.squares != nullptr;
  if (ok) {
    const int32_t radius = WindowRadius(rect);
    for (int32_t y = 0; y < radius && y < rect.height; ++y) AddRow(image, rect, y, 1, &columns);
    for (int32_t y = 0; y < rect.height; ++y) {
      const int32_t entering = y + radius;
      const int32_t leaving = y - radius - 1;
      if (entering < rect.height) AddRow(image, rect, entering, 1, &columns);
      if (leaving >= 0) AddRow(image, rect, leaving, -1, &columns);
      const int32_t first = y - radius < 0 ? 0 : y - radius;
      const int32_t last = entering < rect.height ? entering : rect.height - 1;
      SauvolaRow(RowStart(image, rect, y), columns, rect.width, radius,
                 static_cast<uint64_t>(last - first + 1),
                 out + static_cast<size_t>(y) * rect.width);
    }
  }
  delete[] columns.sum;
  delete[] columns.squares;
  return ok;
}

}  // namespace rastra
