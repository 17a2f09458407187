#include "symbologies/tolerant/module_match.h"

#include <cmath>

namespace bcx {

namespace {

double Sign(int32_t i, int32_t firstIsBar) {
  return (i % 2 == 0) == (firstIsBar == 1) ? 1.0 : -1.0;
}

int Digit(const char* pattern, int32_t i) { return pattern[i] - '0'; }

}  // namespace

bool IsMeasured(double width) { return width > 0.0 && std::isfinite(width); }

double UnitOf(const double* widths, int32_t first, int32_t n, int modules) {
  double sum = 0.0;
  for (int32_t i = first; i < first + n; ++i) {
    if (!IsMeasured(widths[i])) return 0.0;
    sum += widths[i];
  }
  if (!std::isfinite(sum) || modules <= 0) return 0.0;
  return sum / modules;
}

void MeasureEdgeSums(const double* widths, int32_t first, int32_t n, double unit, double* sums) {
  for (int32_t i = 0; i + 1 < n; ++i) sums[i] = (widths[first + i] + widths[first + i + 1]) / unit;
}

double EdgeSumDeviation(const double* sums, const char* pattern) {
  double largest = 0.0;
  for (int32_t i = 0; pattern[i + 1] != '\0'; ++i) {
    const double difference = std::fabs(sums[i] - Digit(pattern, i) - Digit(pattern, i + 1));
    if (!std::isfinite(difference)) return HUGE_VAL;
    if (difference > largest) largest = difference;
  }
  return largest;
}

double ElementDistanceTo(const double* widths, int32_t first, int32_t n, double unit, double spread,
                         int32_t firstIsBar, const char* pattern) {
  double largest = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double measured = widths[first + i] / unit - Sign(i, firstIsBar) * spread;
    const double difference = std::fabs(measured - Digit(pattern, i));
    if (!std::isfinite(difference)) return HUGE_VAL;
    if (difference > largest) largest = difference;
  }
  return largest;
}

double InkExcessOf(const double* widths, int32_t first, int32_t n, double unit, int32_t firstIsBar,
                   const char* pattern) {
  double excess = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    excess += Sign(i, firstIsBar) * (widths[first + i] / unit - Digit(pattern, i));
  }
  return excess;
}

double NarrowElementOf(const double* run, int32_t first, int32_t last) {
  double narrow[2] = {0.0, 0.0};
  for (int32_t kind = 0; kind < 2; ++kind) {
    double sum = 0.0;
    int32_t count = 0;
    for (int32_t i = first + kind; i <= last; i += 2) {
      sum += run[i];
      ++count;
    }
    if (count == 0) return 0.0;
    const double mean = sum / count;
    double narrowSum = 0.0;
    int32_t narrowCount = 0;
    for (int32_t i = first + kind; i <= last; i += 2) {
      if (run[i] <= mean) {
        narrowSum += run[i];
        ++narrowCount;
      }
    }
    narrow[kind] = narrowCount > 0 ? narrowSum / narrowCount : mean;
  }
  return 0.5 * (narrow[0] + narrow[1]);
}

bool MayStartSymbol(const double* widths, int32_t count, int32_t at) {
  if (at <= 0) return true;
  if (at >= count) return false;
  double narrowest = widths[at];
  for (int32_t i = at + 1; i < at + 3 && i < count; ++i)
    narrowest = std::fmin(narrowest, widths[i]);
  return !(widths[at - 1] < kStartGateNarrows * narrowest);
}

double SplitWidest(const double* values, int32_t n, int32_t wide, bool* isWide) {
  if (n <= 0 || n > kMaxSplitValues) return 0.0;
  // Every flag is set before any early return, so a caller comparing two
  // splits never reads one that was left unwritten.
  for (int32_t i = 0; i < n; ++i) isWide[i] = false;
  if (wide <= 0 || wide >= n) return 0.0;
  for (int32_t i = 0; i < n; ++i) {
    if (!IsMeasured(values[i])) return 0.0;
  }
  // A partial selection: n is at most nine, so picking the largest
  // unmarked value `wide` times is cheaper than sorting.
  for (int32_t k = 0; k < wide; ++k) {
    int32_t best = -1;
    for (int32_t i = 0; i < n; ++i) {
      if (!isWide[i] && (best < 0 || values[i] > values[best])) best = i;
    }
    isWide[best] = true;
  }
  double smallestWide = 0.0;
  double largestNarrow = 0.0;
  bool anyWide = false;
  for (int32_t i = 0; i < n; ++i) {
    if (isWide[i]) {
      if (!anyWide || values[i] < smallestWide) smallestWide = values[i];
      anyWide = true;
    } else if (values[i] > largestNarrow) {
      largestNarrow = values[i];
    }
  }
  if (!anyWide || largestNarrow <= 0.0) return 0.0;
  return smallestWide / largestNarrow;
}

double SplitWidestEitherWay(const double* raw, const double* corrected, int32_t n, int32_t wide,
                            bool* isWide) {
  const double separation = SplitWidest(corrected, n, wide, isWide);
  if (n > kMaxSplitValues) return separation;
  bool rawWide[kMaxSplitValues];
  const double rawSeparation = SplitWidest(raw, n, wide, rawWide);
  if (!(rawSeparation > separation)) return separation;
  for (int32_t i = 0; i < n; ++i) {
    if (rawWide[i] != isWide[i]) return separation;
  }
  return rawSeparation;
}

void WidthClasses::Add(double width, bool wide) {
  if (wide) {
    wideSum_ += width;
    ++wideCount_;
  } else {
    narrowSum_ += width;
    ++narrowCount_;
  }
}

bool WidthClasses::Agrees(double width, bool wide, double tolerance) const {
  if (narrowCount_ == 0 || wideCount_ == 0) return false;
  const double narrow = narrowSum_ / narrowCount_;
  const double wideMean = wideSum_ / wideCount_;
  if (!(narrow > 0.0) || !(wideMean > narrow) || !std::isfinite(wideMean)) return false;
  const double threshold = (narrow + wideMean) / 2.0;
  if (wide ? !(width >= threshold) : !(width < threshold)) return false;
  return std::fabs(width - (wide ? wideMean : narrow)) <=
         std::fmax(tolerance * narrow, kClassTolerancePixels);
}

int32_t FirstBarFrom(int32_t from, int32_t count) {
  if (from >= count) return count;
  if (from < 0) return 0;
  return from + from % 2;
}

bool QuietBefore(const double* widths, int32_t first, double minimum) {
  return first == 0 || widths[first - 1] >= minimum;
}

bool QuietAfter(const double* widths, int32_t count, int32_t last, double minimum) {
  return last == count - 1 || widths[last + 1] >= minimum;
}

bool QuietInRun(const double* run, int32_t count, int32_t first, int32_t last, double narrows) {
  if (run == nullptr || first < 0 || last < first || last >= count) return false;
  const double least = narrows * NarrowElementOf(run, first, last);
  if (first > 0 && !(run[first - 1] >= least)) return false;
  return last + 1 >= count || run[last + 1] >= least;
}

}  // namespace bcx
