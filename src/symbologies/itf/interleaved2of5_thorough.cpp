#include "symbologies/itf/interleaved2of5_thorough.h"

#include <cmath>

#include "symbologies/itf/interleaved2of5.h"
#include "symbologies/tolerant/module_match.h"

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

// Smallest wide over largest narrow element of one kind in a pair, spread
// taken off (or as measured, see SplitWidestEitherWay). Printed at 2:1 with
// +-0.15 module of jitter the groups stay 1.85 / 1.15 = 1.6 apart; a scan
// at 150 dpi of a 0.33 mm module (1.95 pixels) rounds a wide element to 3
// pixels beside narrow ones of 2, 1.36 apart once a spread estimated from
// rounded neighbours is taken off; 5:4, 1.25, is too close to tell apart.
constexpr double kMinSeparation = 1.3;

// Mean wide over mean narrow: 3:1 is the widest the symbology prints, 3.5
// leaves room for jitter.
constexpr double kMaxWideRatio = 3.5;
static_assert(kItfQuietInRunNarrows > 2 * kMaxWideRatio + 1);

// Half the ten narrow elements the symbology asks for, and above the widest
// inner space (a wide space, three narrow at most) with its jitter.
constexpr double kQuietNarrows = 5.0;
static_assert(kQuietNarrows > kMaxWideRatio);

// Neighbouring pairs are printed at one narrow width; a change of more than
// a third between them is not perspective (a few percent per pair) nor
// jitter on a mean of six elements.
constexpr double kMaxNarrowStep = 4.0 / 3.0;

// Past half a narrow element of ink spread a narrow bar is as wide as a
// wide one printed at 2:1.
constexpr double kMaxInkSpreadNarrows = 0.5;

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

bool NarrowStepHolds(double a, double b) {
  return a <= kMaxNarrowStep * b && b <= kMaxNarrowStep * a;
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

double WidthOf(const Pair& pair) {
  double sum = 0.0;
  for (const double w : pair.corrected) sum += w;
  return sum;
}

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
  WidthClasses classes;
  bool agree = true;
  for (int32_t round = 0; round < 2 && agree; ++round) {
    // Adds the element in the first round, checks it in the second.
    auto visit = [&](double width, bool wide) {
      if (round == 0) {
        classes.Add(width, wide);
      } else if (!classes.Agrees(width, wide, kClassToleranceNarrows)) {
        agree = false;
      }
    };
    for (int32_t k = 0; k < pairs; ++k) {
      ReadPair(widths, firstPair + k * kPairElements, &pair);
      const double scale = mean / WidthOf(pair);
      if (k == 0) {
        for (int32_t i = 0; i < kStartElements; ++i) {
          visit((widths[at + i] + (i % 2 == 0 ? -pair.spread : pair.spread)) * scale, false);
        }
      }
      for (int32_t i = 0; i < kPairElements; ++i) visit(pair.corrected[i] * scale, pair.wide[i]);
      if (k == pairs - 1) {
        visit((widths[stop] - pair.spread) * scale, true);
        visit((widths[stop + 1] + pair.spread) * scale, false);
        visit((widths[stop + 2] - pair.spread) * scale, false);
      }
    }
  }
  return agree;
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
  if (!(std::fabs(spreadSum / pairs) <= kMaxInkSpreadNarrows * narrow)) return false;
  if (!ClassesHold(widths, at, pairs)) return false;
  const int32_t last = p + kStopElements - 1;
  const double quiet = kQuietNarrows * narrow;
  if (!QuietBefore(widths, at, quiet) || !QuietAfter(widths, count, last, quiet)) return false;
  text[n] = '\0';
  *length = n;
  *span = ThoroughSpan{at, last};
  return true;
}

}  // namespace

int DecodeInterleaved2of5Thorough(const double* widths, int32_t count, int32_t from,
                                  const DecodeOptions& /*options*/, char* text, int32_t* length,
                                  int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  for (int32_t at = FirstBarFrom(from, count); count - at >= kMinElements; at += 2) {
    if (!MayStartSymbol(widths, count, at)) continue;
    if (ReadFrom(widths, count, at, text, length, span)) return 1;
  }
  return 0;
}

bool ItfQuietInRun(const double* run, int32_t count, int32_t first, int32_t last) {
  if (run == nullptr || first < 0 || last < first || last >= count) return false;
  const double least = kItfQuietInRunNarrows * NarrowElementOf(run, first, last);
  if (first > 0 && !(run[first - 1] >= least)) return false;
  return last + 1 >= count || run[last + 1] >= least;
}

}  // namespace bcx
