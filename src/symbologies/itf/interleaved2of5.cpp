#include "symbologies/itf/interleaved2of5.h"

#include <cstring>

#include "symbologies/exact/classify.h"
#include "symbologies/exact/patterns.h"

namespace bcx {

namespace {

// One row per digit, 0 to 9, narrow 1 and wide 2.
constexpr const char* kTwoOfFiveTable[] = {"11221", "21112", "12112", "22111", "11212",
                                           "21211", "12211", "11122", "21121", "12121"};
constexpr int kDigits = 10;
static_assert(sizeof(kTwoOfFiveTable) / sizeof(kTwoOfFiveTable[0]) == kDigits);

static_assert(EveryRow(kTwoOfFiveTable, [](const char* row) {
  return MadeOf(row, "12") && PatternLength(row) == kTwoOfFiveElements && CountOf(row, '2') == 2;
}));

constexpr const char* kStart = kTwoOfFiveStart;
static_assert(CalibratesBarsAndSpaces(kStart));
constexpr const char* kStop = "211";
constexpr int32_t kStartElements = 4;
constexpr int32_t kStopElements = 3;
constexpr int32_t kPairElements = 2 * kTwoOfFiveElements;
constexpr int32_t kMinElements = kStartElements + kStopElements;
constexpr int32_t kFirstIsBar = 1;

bool ElementsEqual(const ModuleTables& tables, const double* widths, int32_t first, int32_t n,
                   const char* expected) {
  char modules[kPairElements + 1];
  ClassifyElements(tables, widths, first, n, kFirstIsBar, modules);
  return std::strcmp(modules, expected) == 0;
}

// Appends the bar digit and the space digit of the pair at p.
bool ReadPair(const ModuleTables& tables, const double* widths, int32_t p, char* text) {
  char modules[kPairElements + 1];
  ClassifyElements(tables, widths, p, kPairElements, kFirstIsBar, modules);
  char bars[kTwoOfFiveElements + 1];
  char spaces[kTwoOfFiveElements + 1];
  for (int i = 0; i < kTwoOfFiveElements; ++i) {
    bars[i] = modules[2 * i];
    spaces[i] = modules[2 * i + 1];
  }
  bars[kTwoOfFiveElements] = '\0';
  spaces[kTwoOfFiveElements] = '\0';
  return MatchTwoOfFiveDigit(bars, &text[0]) == 1 && MatchTwoOfFiveDigit(spaces, &text[1]) == 1;
}

}  // namespace

int MatchTwoOfFiveDigit(const char* modules, char* out) {
  for (int d = 0; d < kDigits; ++d) {
    if (std::strcmp(kTwoOfFiveTable[d], modules) == 0) {
      *out = static_cast<char>('0' + d);
      return 1;
    }
  }
  return 0;
}

int DecodeInterleaved2of5(const double* widths, int32_t count, const DecodeOptions& /*options*/,
                          char* text, int32_t* length, int32_t* /*leadingFnc1*/) {
  if (count < kMinElements) return 0;
  const ModuleTables t = CalibrateModules(widths, count, kStart, 1);
  if (!ElementsEqual(t, widths, 0, kStartElements, kStart)) return 0;
  int32_t p = kStartElements;
  int32_t n = 0;
  while (p < count - kPairElements) {
    if (!ReadPair(t, widths, p, &text[n])) return 0;
    n += 2;
    p += kPairElements;
  }
  // The length test comes before the stop is read, so a run of the wrong
  // length is never read past its end.
  if (p + kStopElements != count) return 0;
  if (!ElementsEqual(t, widths, p, kStopElements, kStop)) return 0;
  text[n] = '\0';
  *length = n;
  return 1;
}

}  // namespace bcx
