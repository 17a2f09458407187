#include "symbologies/tolerant/narrow_wide.h"

namespace bcx::narrow_wide {

bool NarrowStepHolds(double a, double b) {
  return a <= kMaxNarrowStep * b && b <= kMaxNarrowStep * a;
}

double SumOf(const double* widths, int32_t n) {
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) sum += widths[i];
  return sum;
}

}  // namespace bcx::narrow_wide
