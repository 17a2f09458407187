#include "detect/bar_field_thorough.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace bcx {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Gradients are summed over kWindowBlocks x kWindowBlocks blocks around
// each block (24 pixels): enough samples that noise shows no common
// direction, and still inside the bars of a symbol a dozen modules long.
constexpr int32_t kWindowBlocks = 3;

// The share of the gradients' energy that must point one way. Bars give
// nearly 1, and blur with camera noise on a symbol of low contrast keeps
// well over a half; noise alone summed over a window gives about 0.1, and
// printed text, whose strokes turn, mostly under a half in a window of a
// few letters. At a half, an eighth of a page of text is left in the
// field (at 0.3, a third), and no photo of the dev set loses its symbol.
constexpr double kMinCoherence = 0.5;

// The coherent part of the gradients (central differences, twice the
// slope) must average at least this square per pixel: a slope of 1.5 grey
// levels per pixel across the window, which the faintest blurred symbol a
// profile still reads (a swing of 10 levels over 3 pixels, on half the
// window's pixels) exceeds, and flat paper with its noise does not.
constexpr double kMinCoherentSquare = 4.5;

// Directions within this angle of a block's gradient cross its bars: the
// nearest of directions 15 degrees apart lies within 7.5 degrees, its
// neighbours within 22.5. A window where perspective leans the bars, or
// where digits or a glare patch share it, measures their direction some
// degrees off, and a photo's symbol is often read by lines 15 to 20
// degrees off its bars' normal only (the lines that cross its cleanest
// part); 30 keeps those directions, four of the twelve.
constexpr double kDirectionReach = 30.0 * kPi / 180.0;

struct Tensor {
  double xx = 0.0;
  double yy = 0.0;
  double xy = 0.0;
  double pixels = 0.0;
};

// The gradient tensor summed over each block's own pixels.
void SumBlocks(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
               int32_t columns, Tensor* blocks) {
  for (int32_t y = 1; y + 1 < height; ++y) {
    const uint8_t* up = grey + (y - 1) * stride;
    const uint8_t* row = grey + y * stride;
    const uint8_t* down = grey + (y + 1) * stride;
    Tensor* blockRow = blocks + static_cast<ptrdiff_t>(y / kBarFieldBlock) * columns;
    for (int32_t bx = 0; bx < columns; ++bx) {
      const int32_t first = bx == 0 ? 1 : bx * kBarFieldBlock;
      const int32_t end = bx == columns - 1 ? width - 1 : (bx + 1) * kBarFieldBlock;
      // A block row's eight products fit 32 bits: 8 x 255 x 255 < 2^31.
      int32_t xx = 0;
      int32_t yy = 0;
      int32_t xy = 0;
      for (int32_t x = first; x < end; ++x) {
        const int32_t gx = row[x + 1] - row[x - 1];
        const int32_t gy = down[x] - up[x];
        xx += gx * gx;
        yy += gy * gy;
        xy += gx * gy;
      }
      Tensor& t = blockRow[bx];
      t.xx += static_cast<double>(xx);
      t.yy += static_cast<double>(yy);
      t.xy += static_cast<double>(xy);
      t.pixels += end > first ? end - first : 0;
    }
  }
}

// The directions a window's tensor lets through, as bits.
uint16_t DirectionsOf(const Tensor& t, int32_t directions) {
  const double energy = t.xx + t.yy;
  const double coherent = std::hypot(t.xx - t.yy, 2.0 * t.xy);
  if (!(t.pixels > 0.0) || !(coherent >= kMinCoherence * energy) ||
      !(coherent >= kMinCoherentSquare * t.pixels)) {
    return 0;
  }
  const double gradient = 0.5 * std::atan2(2.0 * t.xy, t.xx - t.yy);
  uint16_t bits = 0;
  for (int32_t a = 0; a < directions; ++a) {
    double apart = std::fabs(kPi * a / directions - gradient);
    apart = std::fmod(apart, kPi);
    if (apart > 0.5 * kPi) apart = kPi - apart;
    if (apart <= kDirectionReach) bits = static_cast<uint16_t>(bits | (1u << a));
  }
  return bits;
}

}  // namespace

bool MapBarField(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
                 int32_t directions, BarField& field) {
  field = BarField{};
  if (grey == nullptr || width < 1 || height < 1 || directions < 1 || directions > 16) {
    return false;
  }
  const int32_t columns = (width + kBarFieldBlock - 1) / kBarFieldBlock;
  const int32_t rows = (height + kBarFieldBlock - 1) / kBarFieldBlock;
  const size_t count = static_cast<size_t>(columns) * static_cast<size_t>(rows);
  Tensor* blocks = new (std::nothrow) Tensor[count];
  uint16_t* across = new (std::nothrow) uint16_t[count];
  if (blocks == nullptr || across == nullptr) {
    delete[] blocks;
    delete[] across;
    return false;
  }
  SumBlocks(grey, width, height, stride, columns, blocks);
  constexpr int32_t kHalf = kWindowBlocks / 2;
  for (int32_t by = 0; by < rows; ++by) {
    for (int32_t bx = 0; bx < columns; ++bx) {
      Tensor window;
      for (int32_t dy = -kHalf; dy <= kHalf; ++dy) {
        for (int32_t dx = -kHalf; dx <= kHalf; ++dx) {
          const int32_t y = by + dy;
          const int32_t x = bx + dx;
          if (y < 0 || y >= rows || x < 0 || x >= columns) continue;
          const Tensor& t = blocks[static_cast<size_t>(y) * columns + x];
          window.xx += t.xx;
          window.yy += t.yy;
          window.xy += t.xy;
          window.pixels += t.pixels;
        }
      }
      across[static_cast<size_t>(by) * columns + bx] = DirectionsOf(window, directions);
    }
  }
  delete[] blocks;
  field.columns = columns;
  field.rows = rows;
  field.directions = directions;
  field.across = across;
  return true;
}

void FreeBarField(BarField& field) {
  delete[] field.across;
  field = BarField{};
}

int64_t BlocksCrossing(const BarField& field, int32_t direction) {
  if (field.across == nullptr || direction < 0 || direction >= field.directions) return 0;
  int64_t n = 0;
  const size_t count = static_cast<size_t>(field.columns) * static_cast<size_t>(field.rows);
  for (size_t i = 0; i < count; ++i) n += field.across[i] >> direction & 1u;
  return n;
}

}  // namespace bcx
