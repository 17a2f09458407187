#include "decode/ean8.h"

#include "decode/ean_upc.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 4;
constexpr int32_t kTextLength = 7;

}  // namespace

int DecodeEan8(const double* widths, int32_t count, char* text, int32_t* length) {
  if (!ReadStartGuard(widths, count)) return 0;
  for (int32_t j = 0; j < kDigitsPerHalf; ++j) {
    DigitSet set = kSetL;
    if (!ReadLeftDigit(widths, count, j, kLeftLOnly, &text[j], &set)) return 0;
  }
  char check = '\0';
  if (!ReadRightHalfWithCheck(widths, count, kDigitsPerHalf, text, kDigitsPerHalf, kTextLength,
                              &check)) {
    return 0;
  }
  if (!ReadEndGuard(widths, count, kDigitsPerHalf)) return 0;
  text[kTextLength] = '\0';
  *length = kTextLength;
  return 1;
}

}  // namespace bcx
