#include "symbologies/ean_upc/upca.h"

#include "symbologies/ean_upc/ean_upc.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 6;
constexpr int32_t kCheckedLength = 11;
constexpr int32_t kTextLength = 12;

}  // namespace

int DecodeUpcA(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
               int32_t* length, int32_t* /*leadingFnc1*/) {
  ModuleTables t{};
  if (!ReadStartGuard(widths, count, &t)) return 0;
  for (int32_t j = 0; j < kDigitsPerHalf; ++j) {
    DigitSet set = kSetL;
    if (!ReadLeftDigit(t, widths, count, j, kLeftLOnly, &text[j], &set)) return 0;
  }
  char check = '\0';
  if (!ReadRightHalfWithCheck(t, widths, count, kDigitsPerHalf, text, kDigitsPerHalf,
                              kCheckedLength, &check)) {
    return 0;
  }
  if (!ReadEndGuard(t, widths, count, kDigitsPerHalf)) return 0;
  text[kCheckedLength] = check;
  text[kTextLength] = '\0';
  *length = kTextLength;
  return 1;
}

}  // namespace bcx
