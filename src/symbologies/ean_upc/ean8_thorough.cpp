#include <cstring>

#include "symbologies/ean_upc/ean_upc_thorough.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 4;
constexpr int32_t kTextLength = 7;
// The quiet zone the symbology asks for on either side, in modules.
constexpr int kStandardQuiet = 7;
constexpr EanShape kShape{kDigitsPerHalf,
                          kLeftLOnly,
                          kDigitsPerHalf,
                          kEanSideGuard,
                          kEanGuardFromBar,
                          EanQuietModules(kStandardQuiet),
                          EanQuietModules(kStandardQuiet)};

bool Accept(const EanReading& r, char* text, int32_t* length) {
  std::memcpy(text, r.digits, kTextLength);
  text[kTextLength] = '\0';
  if (r.digits[kTextLength] != '0' + ComputeCheckDigit(text)) return false;
  *length = kTextLength;
  return true;
}

}  // namespace

int DecodeEan8Thorough(const double* widths, int32_t count, int32_t from,
                       const DecodeOptions& /*options*/, char* text, int32_t* length,
                       int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  return SearchEan(widths, count, from, kShape, Accept, text, length, span);
}

}  // namespace bcx
