#include "symbologies/ean_upc/ean13.h"

#include <cstring>

#include "symbologies/ean_upc/ean_upc.h"

namespace bcx {

namespace {

constexpr int32_t kDigitsPerHalf = 6;
constexpr int32_t kTextLength = 12;
constexpr int kParityLetters = 5;

// Parities of left digits 2 to 6 by leading digit, 0 to 9 (the first is
// always A).
constexpr const char* kLeadingDigitParities[] = {"AAAAA", "ABABB", "ABBAB", "ABBBA", "BAABB",
                                                 "BBAAB", "BBBAA", "BABAB", "BABBA", "BBABA"};
constexpr int kLeadingDigits = 10;
static_assert(sizeof(kLeadingDigitParities) / sizeof(kLeadingDigitParities[0]) == kLeadingDigits);

}  // namespace

int Ean13LeadingDigit(const char* parities) {
  for (int d = 0; d < kLeadingDigits; ++d) {
    if (std::strcmp(kLeadingDigitParities[d], parities) == 0) return d;
  }
  return -1;
}

int DecodeEan13(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
                int32_t* length, int32_t* /*leadingFnc1*/) {
  ModuleTables t{};
  if (!ReadStartGuard(widths, count, &t)) return 0;
  char parities[kParityLetters + 1];
  for (int32_t j = 0; j < kDigitsPerHalf; ++j) {
    DigitSet set = kSetL;
    if (!ReadLeftDigit(t, widths, count, j, kLeftLOrG, &text[1 + j], &set)) return 0;
    // The first left digit may come from either set.
    if (j > 0) parities[j - 1] = set == kSetL ? 'A' : 'B';
  }
  parities[kParityLetters] = '\0';
  const int leading = Ean13LeadingDigit(parities);
  if (leading < 0) return 0;
  text[0] = static_cast<char>('0' + leading);
  char check = '\0';
  if (!ReadRightHalfWithCheck(t, widths, count, kDigitsPerHalf, text, 1 + kDigitsPerHalf,
                              kTextLength, &check)) {
    return 0;
  }
  if (!ReadEndGuard(t, widths, count, kDigitsPerHalf)) return 0;
  text[kTextLength] = '\0';
  *length = kTextLength;
  return 1;
}

}  // namespace bcx
