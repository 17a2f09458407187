#include "symbologies/itf/interleaved2of5_thorough.h"

#include <cmath>

#include "symbologies/itf/interleaved2of5.h"
#include "symbologies/tolerant/narrow_wide.h"

namespace bcx {

namespace {

constexpr int32_t kDigitElements = kTwoOfFiveElements;
constexpr int32_t kPairElements = 2 * kDigitElements;
constexpr int32_t kWidePerDigit = 2;
constexpr int32_t kStartElements = PatternLength(kTwoOfFiveStart);
constexpr int32_t kStopElements = 3;  // wide bar, narrow space, narrow bar
// With no check digit, start, one pair and stop (17 elements, two digits)
// turn up by chance in other bars far too often: four digits at least.
constexpr int32_t kMinDigits = 4;
constexpr int32_t kMinElements = kStartElements + kPairElements * kMinDigits / 2 + kStopElements;

using narrow_wide::kMaxWideRatio;
using narrow_wide::kMinSeparation;
using narrow_wide::kQuietNarrows;
using narrow_wide::NarrowStepHolds;
static_assert(kItfQuietInRunNarrows > 2 * kMaxWideRatio + 1);
// Above the widest inner space (a wide space, three narrow at most) with
// its jitter.
static_assert(kQuietNarrows > kMaxWideRatio);

struct Pair {
  char digits[2];
  double spread;  // pixels
  double narrow;  // mean narrow width, spread taken off
  double smallestWide;
  double largestNarrow;
  double corrected[kPairElements];  // bar, space, bar, ...: spread taken off
  bool wide[kPairElements];
};

void Tally(Pair& pair, double width, bool wide, double& narrowSum, double& wideSum) {
  if (wide) {
    wideSum += width;
    pair.smallestWide = std::fmin(pair.smallestWide, width);
  } else {
    narrowSum += width;
    pair.largestNarrow = std::fmax(pair.largestNarrow, width);
  }
}

// Five bars and five spaces with two wide each: their sums differ by ten
// times the ink spread whatever the digits, so each pair calibrates itself.
bool ReadPair(const double* widths, int32_t at, Pair* out) {
  double bars[kDigitElements];
  double spaces[kDigitElements];
  double rawBars[kDigitElements];
  double rawSpaces[kDigitElements];
  double difference = 0.0;
  for (int32_t i = 0; i < kDigitElements; ++i) {
    if (!IsMeasured(widths[at + 2 * i]) || !IsMeasured(widths[at + 2 * i + 1])) return false;
    bars[i] = rawBars[i] = widths[at + 2 * i];
    spaces[i] = rawSpaces[i] = widths[at + 2 * i + 1];
    difference += bars[i] - spaces[i];
  }
  out->spread = difference / kPairElements;
  for (int32_t i = 0; i < kDigitElements; ++i) {
    bars[i] -= out->spread;
    spaces[i] += out->spread;
  }
  bool wideBars[kDigitElements];
  bool wideSpaces[kDigitElements];
  if (!(SplitWidestEitherWay(rawBars, bars, kDigitElements, kWidePerDigit, wideBars) >=
        kMinSeparation) ||
      !(SplitWidestEitherWay(rawSpaces, spaces, kDigitElements, kWidePerDigit, wideSpaces) >=
        kMinSeparation)) {
    return false;
  }
  char barModules[kDigitElements + 1];
  char spaceModules[kDigitElements + 1];
  double narrowSum = 0.0;
  double wideSum = 0.0;
  out->smallestWide = HUGE_VAL;
  out->largestNarrow = 0.0;
  for (int32_t i = 0; i < kDigitElements; ++i) {
    barModules[i] = wideBars[i] ? '2' : '1';
    spaceModules[i] = wideSpaces[i] ? '2' : '1';
    Tally(*out, bars[i], wideBars[i], narrowSum, wideSum);
    Tally(*out, spaces[i], wideSpaces[i], narrowSum, wideSum);
    out->corrected[2 * i] = bars[i];
    out->corrected[2 * i + 1] = spaces[i];
    out->wide[2 * i] = wideBars[i];
    out->wide[2 * i + 1] = wideSpaces[i];
  }
  barModules[kDigitElements] = '\0';
  spaceModules[kDigitElements] = '\0';
  out->narrow = narrowSum / (kPairElements - 2 * kWidePerDigit);
  if (!(wideSum / (2 * kWidePerDigit) <= kMaxWideRatio * out->narrow)) return false;
  return MatchTwoOfFiveDigit(barModules, &out->digits[0]) == 1 &&
         MatchTwoOfFiveDigit(spaceModules, &out->digits[1]) == 1;
}

// Elements that must be narrow beside a pair: clearly narrower than its
// wide ones, and of its narrow width on average.
bool NarrowBeside(const Pair& pair, const double* corrected, int32_t n) {
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    if (!(corrected[i] > 0.0) || !(corrected[i] * kMinSeparation <= pair.smallestWide)) {
      return false;
    }
    sum += corrected[i];
  }
  return NarrowStepHolds(sum / n, pair.narrow);
}

// The start's four narrow elements, bar first, beside the first pair.
bool StartHolds(const double* widths, int32_t at, const Pair& first) {
  double corrected[kStartElements];
  for (int32_t i = 0; i < kStartElements; ++i) {
    if (!IsMeasured(widths[at + i])) return false;
    corrected[i] = widths[at + i] + (i % 2 == 0 ? -first.spread : first.spread);
  }
  return NarrowBeside(first, corrected, kStartElements);
}

// The stop at p beside the last pair: a wide bar clearly wider than the
// pair's narrow elements, then a narrow space and a narrow bar.
bool StopHolds(const double* widths, int32_t p, const Pair& last) {
  for (int32_t i = p; i < p + kStopElements; ++i) {
    if (!IsMeasured(widths[i])) return false;
  }
  const double wideBar = widths[p] - last.spread;
  if (!(wideBar >= kMinSeparation * last.largestNarrow)) return false;
  const double narrow[] = {widths[p + 1] + last.spread, widths[p + 2] - last.spread};
  return NarrowBeside(last, narrow, kStopElements - 1);
}

double WidthOf(const Pair& pair) { return narrow_wide::SumOf(pair.corrected, kPairElements); }

// Every element of the symbol whose start is at `at` and which holds
// `pairs` pairs agrees with the narrow and wide widths of the whole symbol.
// Each pair is first scaled to the symbol's mean pair width (all pairs span
// the same modules), the start and stop as the pair beside them, so that
// perspective, which narrows a symbol towards one end, is not taken for a
// wrong element.
bool ClassesHold(const double* widths, int32_t at, int32_t pairs) {
  const int32_t firstPair = at + kStartElements;
  const int32_t stop = firstPair + pairs * kPairElements;
  Pair pair{};
  double total = 0.0;
  for (int32_t k = 0; k < pairs; ++k) {
    if (!ReadPair(widths, firstPair + k * kPairElements, &pair)) return false;
    total += WidthOf(pair);
  }
  const double mean = total / pairs;
  return narrow_wide::ClassesHold([&](auto&& visit) {
    for (int32_t k = 0; k < pairs; ++k) {
      ReadPair(widths, firstPair + k * kPairElements, &pair);
      const double scale = mean / WidthOf(pair);
      if (k == 0) {
        for (int32_t i = 0; i < kStartElements; ++i) {
          if (!visit((widths[at + i] + (i % 2 == 0 ? -pair.spread : pair.spread)) * scale, false)) {
            return false;
          }
        }
      }
      for (int32_t i = 0; i < kPairElements; ++i) {
        if (!visit(pair.corrected[i] * scale, pair.wide[i])) return false;
      }
      if (k == pairs - 1 && (!visit((widths[stop] - pair.spread) * scale, true) ||
                             !visit((widths[stop + 1] + pair.spread) * scale, false) ||
                             !visit((widths[stop + 2] - pair.spread) * scale, false))) {
        return false;
      }
    }
    return true;
  });
}

// The symbol whose start's first bar is at `at`.
bool ReadFrom(const double* widths, int32_t count, int32_t at, char* text, int32_t* length,
              ThoroughSpan* span) {
  Pair pair{};
  int32_t n = 0;
  double narrowSum = 0.0;
  double spreadSum = 0.0;
  int32_t p = at + kStartElements;
  while (true) {
    // A space as wide as a quiet zone three elements on can only follow a
    // stop: inside a pair every space is narrow or wide.
    if (n > 0 && count - p >= kStopElements &&
        (count - p == kStopElements || widths[p + kStopElements] >= kQuietNarrows * pair.narrow)) {
      if (!StopHolds(widths, p, pair)) return false;
      break;
    }
    if (count - p < kPairElements) return false;
    Pair next{};
    if (!ReadPair(widths, p, &next)) return false;
    if (n == 0 ? !StartHolds(widths, at, next) : !NarrowStepHolds(next.narrow, pair.narrow)) {
      return false;
    }
    pair = next;
    text[n++] = pair.digits[0];
    text[n++] = pair.digits[1];
    narrowSum += pair.narrow;
    spreadSum += pair.spread;
    p += kPairElements;
  }
  if (n < kMinDigits) return false;
  const int32_t pairs = n / 2;
  const double narrow = narrowSum / pairs;
  if (!ClassesHold(widths, at, pairs)) return false;
  const int32_t last = p + kStopElements - 1;
  return narrow_wide::EndReading(widths, count, at, last, narrow, spreadSum / pairs, text, n,
                                 length, span);
}

}  // namespace

int DecodeInterleaved2of5Thorough(const double* widths, int32_t count, int32_t from,
                                  const DecodeOptions& /*options*/, char* text, int32_t* length,
                                  int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  return narrow_wide::SearchStarts(widths, count, from, kMinElements, ReadFrom, text, length, span);
}

}  // namespace bcx
