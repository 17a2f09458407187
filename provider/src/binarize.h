// Binarisation of a rectangle of a grey image: 1 dark, 0 light.
#ifndef RASTRA_BINARIZE_H
#define RASTRA_BINARIZE_H

#include <cstdint>

#include "grey_image.h"

namespace rastra {

struct Rect {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// Dark when grey < level.
void BinariseFixed(const GreyImage& image, const Rect& rect, int32_t level, uint8_t* out) noexcept;
// The same a pixel at a time: what BinariseFixed is tested against.
void BinariseFixedPlainly(const GreyImage& image, const Rect& rect, int32_t level,
                          uint8_t* out) noexcept;

// The fixed level that splits the rectangle's histogram best (Otsu); the
// default level when the rectangle holds a single grey value.
int32_t OtsuLevel(const GreyImage& image, const Rect& rect) noexcept;

// Sauvola's local threshold over a window a few bars wide; false only when
// out of memory.
bool BinariseAdaptive(const GreyImage& image, const Rect& rect, uint8_t* out) noexcept;

}  // namespace rastra

#endif  // RASTRA_BINARIZE_H
