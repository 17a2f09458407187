// Matching measured elements against module patterns when print is uneven:
// each character is measured against its own width, edge to edge where ink
// spread must cancel, and quiet zones are told from inner spaces.
#pragma once

#include <cstdint>

namespace bcx {

// Modules of a pattern of module digits ("211412" is 11).
constexpr int PatternModules(const char* pattern) {
  int sum = 0;
  for (int i = 0; pattern[i] != '\0'; ++i) sum += pattern[i] - '0';
  return sum;
}

constexpr int PatternLength(const char* pattern) {
  int n = 0;
  while (pattern[n] != '\0') ++n;
  return n;
}

// Largest difference between the edge-to-edge sums (element i plus element
// i + 1) of two patterns of one length: what tells them apart once ink
// spread, which moves width from spaces to bars, is left out.
constexpr int EdgeSumDistanceLargest(const char* a, const char* b) {
  int largest = 0;
  for (int i = 0; a[i + 1] != '\0' && b[i + 1] != '\0'; ++i) {
    int d = (a[i] - '0') + (a[i + 1] - '0') - (b[i] - '0') - (b[i + 1] - '0');
    if (d < 0) d = -d;
    if (d > largest) largest = d;
  }
  return largest;
}

// A width a measurement can give: positive and finite (not a NaN).
bool IsMeasured(double width);

// Pixels per module of widths[first .. first + n) spanning `modules`
// modules; 0 when any of them is not a positive finite width, so that the
// caller's bound tests fail.
double UnitOf(const double* widths, int32_t first, int32_t n, int modules);

// The n - 1 sums of neighbouring elements (element i plus element i + 1)
// of widths[first .. first + n) in modules of `unit` pixels: edge to edge,
// so that ink spread, which moves width from spaces to bars, cancels.
void MeasureEdgeSums(const double* widths, int32_t first, int32_t n, double unit, double* sums);

// The largest difference between measured edge sums and the pattern's;
// infinite when a sum is not a finite number.
double EdgeSumDeviation(const double* sums, const char* pattern);

// The largest difference in modules between single elements and the
// pattern once `spread` modules are taken off each bar and given to each
// space. firstIsBar == 1 when element `first` is a bar. Infinite when a
// width is not a finite number.
double ElementDistanceTo(const double* widths, int32_t first, int32_t n, double unit, double spread,
                         int32_t firstIsBar, const char* pattern);

// Sum over n elements of their excess over the pattern in modules, counted
// positive on bars and negative on spaces: n times the ink spread they
// show.
double InkExcessOf(const double* widths, int32_t first, int32_t n, double unit, int32_t firstIsBar,
                   const char* pattern);

// Marks the `wide` largest of n values (n at most kMaxSplitValues) in
// isWide and returns the smallest wide value over the largest narrow one:
// how clearly the two groups stand apart. 0 when a value is not positive.
constexpr int32_t kMaxSplitValues = 9;
double SplitWidest(const double* values, int32_t n, int32_t wide, bool* isWide);

// Where a search asked to start at `from` begins: `from` itself, the bar
// after it when it names a space, 0 when negative; count when nothing of the
// run is left.
int32_t FirstBarFrom(int32_t from, int32_t count);

// A symbol's quiet zones: the space before its first bar and after its last
// bar at least `minimum` pixels wide, or the run ends there.
bool QuietBefore(const double* widths, int32_t first, double minimum);
bool QuietAfter(const double* widths, int32_t count, int32_t last, double minimum);

}  // namespace bcx
