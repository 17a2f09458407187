#include "symbologies/tolerant/narrow_wide.h"

#include <cmath>

namespace bcx::narrow_wide {

bool NarrowStepHolds(double a, double b) {
  return a <= kMaxNarrowStep * b && b <= kMaxNarrowStep * a;
}

double SumOf(const double* widths, int32_t n) {
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += widths[i];
  return sum;
}

bool EndReading(const double* widths, int32_t count, int32_t at, int32_t last, double narrow,
                double spread, char* text, int32_t n, int32_t* length, ThoroughSpan* span) {
  if (!(std::fabs(spread) <= kMaxInkSpreadNarrows * narrow)) return false;
  const double quiet = kQuietNarrows * narrow;
  if (!QuietBefore(widths, at, quiet) || !QuietAfter(widths, count, last, quiet)) return false;
  text[n] = '\0';
  *length = n;
  *span = ThoroughSpan{at, last};
  return true;
}

int SearchStarts(const double* widths, int32_t count, int32_t from, int32_t minElements,
                 ReadFromFunction readFrom, char* text, int32_t* length, ThoroughSpan* span) {
  for (int32_t at = FirstBarFrom(from, count); count - at >= minElements; at += 2) {
    if (!MayStartSymbol(widths, count, at)) continue;
    if (readFrom(widths, count, at, text, length, span)) return 1;
  }
  return 0;
}

}  // namespace bcx::narrow_wide
