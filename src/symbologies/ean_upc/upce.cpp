#include "symbologies/ean_upc/upce.h"

#include <cstring>

#include "symbologies/ean_upc/ean_upc.h"
#include "symbologies/exact/classify.h"

namespace bcx {

namespace {

constexpr int32_t kDigits = 6;
constexpr int32_t kExpandedDigits = 10;
constexpr int kCheckDigits = 10;

// Parities of the six digits by check digit, 0 to 9, number system 0.
constexpr const char* kSystem0Parities[] = {"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
                                            "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};

// Number system 1: the same with odd and even exchanged.
constexpr const char* kSystem1Parities[] = {"OOOEEE", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
                                            "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};
static_assert(sizeof(kSystem0Parities) / sizeof(kSystem0Parities[0]) == kCheckDigits);
static_assert(sizeof(kSystem1Parities) / sizeof(kSystem1Parities[0]) == kCheckDigits);

constexpr bool Exchanged(const char* a, const char* b) {
  for (int i = 0; i < kDigits; ++i) {
    if ((a[i] == 'O') != (b[i] == 'E')) return false;
  }
  return a[kDigits] == '\0' && b[kDigits] == '\0';
}

constexpr bool SystemsExchanged() {
  for (int c = 0; c < kCheckDigits; ++c) {
    if (!Exchanged(kSystem0Parities[c], kSystem1Parities[c])) return false;
  }
  return true;
}
static_assert(SystemsExchanged());

// The end guard: space, bar, space, bar, space, bar.
constexpr const char* kEndGuard = "111111";
constexpr int32_t kEndGuardAt = kGuardElements + kEanDigitElements * kDigits;
constexpr int32_t kExaminedGuardElements = 5;
constexpr int32_t kEndGuardElements = 6;
// The whole symbol; an EAN-13 run is longer.
constexpr int32_t kSymbolElements = kEndGuardAt + kEndGuardElements;
constexpr int32_t kFirstIsSpace = 0;
constexpr char kSystem1Digit = '1';

using NumberSystem = UpcENumberSystem;
constexpr NumberSystem kSystem0 = kUpcESystem0;
constexpr NumberSystem kSystem1 = kUpcESystem1;

}  // namespace

int UpcECheckDigitOfParities(const char* parities, UpcENumberSystem* system) {
  for (int c = 0; c < kCheckDigits; ++c) {
    if (std::strcmp(kSystem0Parities[c], parities) == 0) {
      *system = kSystem0;
      return c;
    }
    if (std::strcmp(kSystem1Parities[c], parities) == 0) {
      *system = kSystem1;
      return c;
    }
  }
  return -1;
}

void ExpandUpcEDigits(const char* x, char* out) {
  const char last = x[kDigits - 1];
  const char* layout = nullptr;
  // Each layout character names a digit of x ("1" to "6"); "0" is a
  // suppressed zero.
  if (last <= '2') {
    layout = "1260000345";
  } else if (last == '3') {
    layout = "1230000045";
  } else if (last == '4') {
    layout = "1234000005";
  } else {
    layout = "1234500006";
  }
  for (int32_t i = 0; i < kExpandedDigits; ++i) {
    out[i] = layout[i] == '0' ? '0' : x[layout[i] - '1'];
  }
}

namespace {

bool GuardReads(const ModuleTables& tables, const double* widths, int32_t n) {
  char modules[kEndGuardElements + 1];
  ClassifyElements(tables, widths, kEndGuardAt, n, kFirstIsSpace, modules);
  return std::strncmp(modules, kEndGuard, static_cast<size_t>(n)) == 0;
}

}  // namespace

int DecodeUpcE(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
               int32_t* length, int32_t* /*leadingFnc1*/) {
  ModuleTables t{};
  if (!ReadStartGuard(widths, count, &t)) return 0;
  char digits[kDigits + 1];
  char parities[kDigits + 1];
  for (int32_t j = 0; j < kDigits; ++j) {
    DigitSet set = kSetL;
    if (!ReadLeftDigit(t, widths, count, j, kLeftLOrG, &digits[j], &set)) return 0;
    parities[j] = set == kSetL ? 'O' : 'E';
  }
  digits[kDigits] = '\0';
  parities[kDigits] = '\0';
  NumberSystem system = kSystem0;
  const int check = UpcECheckDigitOfParities(parities, &system);
  if (check < 0) return 0;
  if (count < kEndGuardAt + kExaminedGuardElements) return 0;
  if (!GuardReads(t, widths, kExaminedGuardElements)) return 0;
  // An EAN-13 run with leading digit 1 to 9 starts exactly like a number
  // system 1 symbol, so that system is read only from a whole symbol with
  // its complete guard and nothing after it.
  if (system == kSystem1 &&
      (count != kSymbolElements || !GuardReads(t, widths, kEndGuardElements))) {
    return 0;
  }
  char checked[1 + kExpandedDigits + 1];
  int32_t n = 0;
  if (system == kSystem1) checked[n++] = kSystem1Digit;
  ExpandUpcEDigits(digits, &checked[n]);
  n += kExpandedDigits;
  checked[n] = '\0';
  if (ComputeCheckDigit(checked) != check) return 0;
  std::memcpy(text, checked, static_cast<size_t>(n));
  text[n] = static_cast<char>('0' + check);
  text[n + 1] = '\0';
  *length = n + 1;
  return 1;
}

}  // namespace bcx
