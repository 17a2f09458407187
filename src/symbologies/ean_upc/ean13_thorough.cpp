#include <cstring>

#include "symbologies/ean_upc/ean13.h"
#include "symbologies/ean_upc/ean_upc_thorough.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 6;
constexpr int32_t kTextLength = 12;
constexpr int kParityLetters = 5;
// The quiet zones the symbology asks for, in modules.
constexpr int kStandardLeftQuiet = 11;
constexpr int kStandardRightQuiet = 7;

}  // namespace

const EanShape kEan13Shape = ShapeOf(kDigitsPerHalf, kLeftLOrG, kDigitsPerHalf, kEanSideGuard,
                                     kEanGuardFromBar, kStandardLeftQuiet, kStandardRightQuiet);

// The first left digit is always of set A; the other five carry the
// leading digit; the last right digit is the check digit.
bool AcceptEan13(const EanReading& r, char* text, int32_t* length) {
  if (r.sets[0] != kSetL) return false;
  char parities[kParityLetters + 1];
  for (int j = 0; j < kParityLetters; ++j) parities[j] = r.sets[1 + j] == kSetL ? 'A' : 'B';
  parities[kParityLetters] = '\0';
  const int leading = Ean13LeadingDigit(parities);
  if (leading < 0) return false;
  text[0] = static_cast<char>('0' + leading);
  std::memcpy(&text[1], r.digits, kTextLength - 1);
  text[kTextLength] = '\0';
  if (r.digits[kTextLength - 1] != '0' + ComputeCheckDigit(text)) return false;
  *length = kTextLength;
  return true;
}

}  // namespace bcx
