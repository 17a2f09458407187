#include "symbologies/ean_upc/ean_upc.h"

#include <cstring>

#include "symbologies/exact/patterns.h"

namespace bcx {

namespace {

constexpr int kDigits = 10;

constexpr const char* const* kLCodes = kEanLCodes;
constexpr const char* const* kGCodes = kEanGCodes;

// Number set C has the widths of set A, read from a bar instead of a space
// (the decoder classifies them with the bar first), so it is set A's table.
constexpr const char* const* kRCodes = kLCodes;

static_assert(sizeof(kEanLCodes) / sizeof(kEanLCodes[0]) == kDigits);
static_assert(sizeof(kEanGCodes) / sizeof(kEanGCodes[0]) == kDigits);

constexpr int kModulesPerDigit = 7;

constexpr bool IsSevenModules(const char* code) {
  return PatternLength(code) == kEanDigitElements && PatternModules(code) == kModulesPerDigit;
}
static_assert(EveryRow(kEanLCodes, IsSevenModules) && EveryRow(kEanGCodes, IsSevenModules));

constexpr bool SameChars(const char* a, const char* b) {
  for (int i = 0;; ++i) {
    if (a[i] != b[i]) return false;
    if (a[i] == '\0') return true;
  }
}

// A left-half code must never match two entries.
constexpr bool LeftCodesDistinct() {
  const char* all[2 * kDigits] = {};
  for (int d = 0; d < kDigits; ++d) {
    all[d] = kLCodes[d];
    all[kDigits + d] = kGCodes[d];
  }
  for (int i = 0; i < 2 * kDigits; ++i) {
    for (int k = i + 1; k < 2 * kDigits; ++k) {
      if (SameChars(all[i], all[k])) return false;
    }
  }
  return true;
}
static_assert(LeftCodesDistinct());

constexpr const char* kSideGuard = kEanSideGuard;
static_assert(CalibratesBarsAndSpaces(kSideGuard));
constexpr const char* kCentreGuard = "11111";
constexpr int32_t kFirstIsBar = 1;
constexpr int32_t kFirstIsSpace = 0;
constexpr int kOddWeight = 3;
constexpr int kCheckModulus = 10;

bool ElementsEqual(const ModuleTables& tables, const double* widths, int32_t first, int32_t n,
                   int32_t firstIsBar, const char* expected) {
  char modules[kCentreGuardElements + 1];
  ClassifyElements(tables, widths, first, n, firstIsBar, modules);
  return std::strcmp(modules, expected) == 0;
}

bool MatchInSet(const char* code, const char* const* codes, int d) {
  return std::strcmp(code, codes[d]) == 0;
}

int32_t CentreGuardAt(int32_t digitsPerHalf) {
  return kGuardElements + kEanDigitElements * digitsPerHalf;
}

int32_t RightHalfAt(int32_t digitsPerHalf) {
  return CentreGuardAt(digitsPerHalf) + kCentreGuardElements;
}

}  // namespace

int MatchDigit(const char* code, DigitSets sets, char* digit, DigitSet* set) {
  for (int d = 0; d < kDigits; ++d) {
    DigitSet found = kSetR;
    bool match = false;
    if (sets == kRightR) {
      match = MatchInSet(code, kRCodes, d);
    } else if (MatchInSet(code, kLCodes, d)) {
      match = true;
      found = kSetL;
    } else if (sets == kLeftLOrG && MatchInSet(code, kGCodes, d)) {
      match = true;
      found = kSetG;
    }
    if (match) {
      *digit = static_cast<char>('0' + d);
      *set = found;
      return 1;
    }
  }
  return 0;
}

int ComputeCheckDigit(const char* digits) {
  int sum = 0;
  int weight = kOddWeight;
  for (int32_t i = static_cast<int32_t>(std::strlen(digits)) - 1; i >= 0; --i) {
    sum = (sum + (digits[i] - '0') * weight) % kCheckModulus;
    weight = weight == kOddWeight ? 1 : kOddWeight;
  }
  return (kCheckModulus - sum % kCheckModulus) % kCheckModulus;
}

bool ReadStartGuard(const double* widths, int32_t count, ModuleTables* tables) {
  if (count < kGuardElements) return false;
  *tables = CalibrateModules(widths, count, kSideGuard, 1);
  return ElementsEqual(*tables, widths, 0, kGuardElements, kFirstIsBar, kSideGuard);
}

bool ReadLeftDigit(const ModuleTables& tables, const double* widths, int32_t count, int32_t j,
                   DigitSets sets, char* digit, DigitSet* set) {
  const int32_t at = kGuardElements + kEanDigitElements * j;
  if (at >= count - kEanDigitElements) return false;
  char code[kEanDigitElements + 1];
  ClassifyElements(tables, widths, at, kEanDigitElements, kFirstIsSpace, code);
  return MatchDigit(code, sets, digit, set) == 1;
}

bool ReadCentreGuard(const ModuleTables& tables, const double* widths, int32_t count,
                     int32_t digitsPerHalf) {
  const int32_t at = CentreGuardAt(digitsPerHalf);
  if (at > count - kCentreGuardElements) return false;
  return ElementsEqual(tables, widths, at, kCentreGuardElements, kFirstIsSpace, kCentreGuard);
}

bool ReadRightDigit(const ModuleTables& tables, const double* widths, int32_t count,
                    int32_t digitsPerHalf, int32_t j, char* digit) {
  const int32_t at = RightHalfAt(digitsPerHalf) + kEanDigitElements * j;
  if (at >= count - kEanDigitElements) return false;
  char code[kEanDigitElements + 1];
  ClassifyElements(tables, widths, at, kEanDigitElements, kFirstIsBar, code);
  DigitSet set = kSetR;
  return MatchDigit(code, kRightR, digit, &set) == 1;
}

bool ReadEndGuard(const ModuleTables& tables, const double* widths, int32_t count,
                  int32_t digitsPerHalf) {
  const int32_t at = RightHalfAt(digitsPerHalf) + kEanDigitElements * digitsPerHalf;
  if (count != at + kGuardElements) return false;
  return ElementsEqual(tables, widths, at, kGuardElements, kFirstIsBar, kSideGuard);
}

bool ReadRightHalfWithCheck(const ModuleTables& tables, const double* widths, int32_t count,
                            int32_t digitsPerHalf, char* text, int32_t rightAt,
                            int32_t checkedLength, char* checkDigit) {
  if (!ReadCentreGuard(tables, widths, count, digitsPerHalf)) return false;
  for (int32_t j = 0; j < digitsPerHalf; ++j) {
    char digit = '\0';
    if (!ReadRightDigit(tables, widths, count, digitsPerHalf, j, &digit)) return false;
    if (j + 1 < digitsPerHalf) {
      text[rightAt + j] = digit;
      continue;
    }
    text[checkedLength] = '\0';
    if (digit != '0' + ComputeCheckDigit(text)) return false;
    *checkDigit = digit;
  }
  return true;
}

int DecodeCheckedHalves(const double* widths, int32_t count, const CheckedHalves& halves,
                        char* text, int32_t* length) {
  const int32_t digitsPerHalf = halves.digitsPerHalf;
  const int32_t checkedLength = 2 * digitsPerHalf - 1;
  ModuleTables t{};
  if (!ReadStartGuard(widths, count, &t)) return 0;
  for (int32_t j = 0; j < digitsPerHalf; ++j) {
    DigitSet set = kSetL;
    if (!ReadLeftDigit(t, widths, count, j, kLeftLOnly, &text[j], &set)) return 0;
  }
  char check = '\0';
  if (!ReadRightHalfWithCheck(t, widths, count, digitsPerHalf, text, digitsPerHalf, checkedLength,
                              &check)) {
    return 0;
  }
  if (!ReadEndGuard(t, widths, count, digitsPerHalf)) return 0;
  int32_t n = checkedLength;
  if (halves.keepCheck) text[n++] = check;
  text[n] = '\0';
  *length = n;
  return 1;
}

}  // namespace bcx
