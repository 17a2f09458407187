#include <cstring>

#include "symbologies/ean_upc/ean_upc_thorough.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 6;
constexpr int32_t kCheckedLength = 11;
constexpr int32_t kTextLength = 12;
// The quiet zone the symbology asks for on either side, in modules.
constexpr int kStandardQuiet = 9;
constexpr EanShape kShape{kDigitsPerHalf,
                          kLeftLOnly,
                          kDigitsPerHalf,
                          kEanSideGuard,
                          kEanGuardFromBar,
                          EanQuietModules(kStandardQuiet),
                          EanQuietModules(kStandardQuiet)};

// The text keeps the check digit, as DecodeUpcA writes it.
bool Accept(const EanReading& r, char* text, int32_t* length) {
  std::memcpy(text, r.digits, kCheckedLength);
  text[kCheckedLength] = '\0';
  if (r.digits[kCheckedLength] != '0' + ComputeCheckDigit(text)) return false;
  text[kCheckedLength] = r.digits[kCheckedLength];
  text[kTextLength] = '\0';
  *length = kTextLength;
  return true;
}

}  // namespace

int DecodeUpcAThorough(const double* widths, int32_t count, int32_t from,
                       const DecodeOptions& /*options*/, char* text, int32_t* length,
                       int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  return SearchEan(widths, count, from, kShape, Accept, text, length, span);
}

}  // namespace bcx
