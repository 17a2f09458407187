#include <cstring>

#include "symbologies/ean_upc/ean_upc_thorough.h"
#include "symbologies/ean_upc/upce.h"

namespace bcx {

namespace {

constexpr int32_t kDigits = 6;
constexpr int32_t kExpandedDigits = 10;
constexpr char kSystem1Digit = '1';
// Space, bar, space, bar, space, bar after the six digits.
constexpr const char* kEndGuard = "111111";
// The quiet zones the symbology asks for, in modules.
constexpr int kStandardLeftQuiet = 9;
constexpr int kStandardRightQuiet = 7;
// No centre guard and no right half: the end guard follows the digits.
constexpr int32_t kNoRightDigits = 0;

}  // namespace

const EanShape kUpcEShape = ShapeOf(kDigits, kLeftLOrG, kNoRightDigits, kEndGuard,
                                    kEanGuardFromSpace, kStandardLeftQuiet, kStandardRightQuiet);

// The parities carry the number system and the check digit, verified on
// the UPC-A expansion; the text is DecodeUpcE's.
bool AcceptUpcE(const EanReading& r, char* text, int32_t* length) {
  char parities[kDigits + 1];
  for (int32_t j = 0; j < kDigits; ++j) parities[j] = r.sets[j] == kSetL ? 'O' : 'E';
  parities[kDigits] = '\0';
  UpcENumberSystem system = kUpcESystem0;
  const int check = UpcECheckDigitOfParities(parities, &system);
  if (check < 0) return false;
  int32_t n = 0;
  if (system == kUpcESystem1) text[n++] = kSystem1Digit;
  ExpandUpcEDigits(r.digits, &text[n]);
  n += kExpandedDigits;
  text[n] = '\0';
  if (ComputeCheckDigit(text) != check) return false;
  text[n] = static_cast<char>('0' + check);
  text[n + 1] = '\0';
  *length = n + 1;
  return true;
}

}  // namespace bcx
