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

// A field has the `fixed` directions it was asked for and, after them, up
// to kMaxRefinedDirections more at the angles that many blocks measure
// alike: a symbol's own bars, read by lines square to them rather than by
// the nearest of the fixed ones, which at 7.5 degrees off cross a symbol
// eleven times longer than its bars on a diagonal for a few lines only.
constexpr int32_t kMaxFixedDirections = 16;
constexpr int32_t kMaxRefinedDirections = 8;
constexpr int32_t kMaxBarDirections = kMaxFixedDirections + kMaxRefinedDirections;

struct BarField {
  int32_t columns = 0;  // blocks across
  int32_t rows = 0;     // blocks down
  int32_t fixed = 0;
  int32_t directions = 0;  // fixed and refined
  // The lines' angle of each direction in radians, from the rows towards
  // the columns, in [0, pi): a fixed direction a lies at pi a / fixed.
  double angles[kMaxBarDirections] = {};
  // How many blocks let each direction through, counted once when mapped:
  // the lines ask it for every direction of every look.
  int64_t crossing[kMaxBarDirections] = {};
  // Per block, bit a set when lines of direction a cross bars there.
  uint32_t* across = nullptr;
};

// The map of width x height grey pixels (rows `stride` bytes apart) for
// lines in `fixed` (1 .. kMaxFixedDirections) directions a half turn
// apart, and the refined ones it finds; false when memory runs out, with
// nothing held. Free it with FreeBarField.
bool MapBarField(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
                 int32_t fixed, BarField& field);
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
