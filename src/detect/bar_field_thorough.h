// Where an image may hold bars, and which directions cross them: a map of
// small blocks in which the grey gradients are strong and point one way,
// as they do across a row of parallel edges. Printed text turns its
// gradients every few pixels, paper and noise have little or no common
// direction, so the grey-profile lines need only be read through the
// blocks of this map, in the directions each block allows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bcx {

// Blocks are kBarFieldBlock pixels square: a few modules of even the
// smallest symbol, and small enough that a block beside a symbol's end
// does not hide it.
constexpr int32_t kBarFieldBlock = 8;

struct BarField {
  int32_t columns = 0;  // blocks across
  int32_t rows = 0;     // blocks down
  int32_t directions = 0;
  // Per block, bit a set when lines of direction a (a half turn split
  // into `directions` steps, direction 0 along the rows) cross bars there.
  uint16_t* across = nullptr;
};

// The map of width x height grey pixels (rows `stride` bytes apart) for
// lines in `directions` (1 .. 16) directions; false when memory runs out,
// with nothing held. Free it with FreeBarField.
bool MapBarField(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
                 int32_t directions, BarField& field);
void FreeBarField(BarField& field);

// Lines of direction `direction` cross bars at pixel (x, y); false outside
// the image. Asked every few pixels of every line, so it is inline.
inline bool CrossesBars(const BarField& field, double x, double y, int32_t direction) {
  if (field.across == nullptr || !(x >= 0.0) || !(y >= 0.0) || direction < 0 ||
      direction >= field.directions) {
    return false;
  }
  constexpr double kPerPixel = 1.0 / kBarFieldBlock;
  const double column = x * kPerPixel;
  const double row = y * kPerPixel;
  if (!(column < field.columns) || !(row < field.rows)) return false;
  const size_t at = static_cast<size_t>(static_cast<int32_t>(row)) * field.columns +
                    static_cast<size_t>(static_cast<int32_t>(column));
  return (field.across[at] >> direction & 1u) != 0;
}

// How many blocks let lines of `direction` through.
int64_t BlocksCrossing(const BarField& field, int32_t direction);

}  // namespace bcx
