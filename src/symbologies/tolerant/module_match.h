// Matching measured elements against module patterns when print is uneven:
// each character is measured against its own width, edge to edge where ink
// spread must cancel, and quiet zones are told from inner spaces.
#pragma once

#include <cstdint>

#include "symbologies/exact/patterns.h"

namespace bcx {

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

// The narrow element of the symbol in run[first .. last] (a bar at both
// ends): for bars and spaces apart, the mean of those narrower than their
// kind's mean (Code 39 and ITF print most elements of each kind narrow, so
// that mean lies between the classes), then the mean of the two.
// Binarisation thins the bars of a light print and widens them in a dark
// one by as much as it changes the spaces the other way, so the two
// together keep a module's width; the thinnest bar alone can be half of
// it, and a quiet zone measured from it too short to tell a symbol's end
// from a wide space in it. 0 when the range holds no space.
double NarrowElementOf(const double* run, int32_t first, int32_t last);

// The quiet zone every tolerant decoder asks for, in narrow elements (or
// modules): half the ten the symbologies ask for, as print and crops give
// less, and still wider than any space inside a symbol.
constexpr double kTolerantQuietZone = 5.0;

// Every start pattern has a narrow element among its first three. So a bar
// can start a symbol only when the space before it is at least
// kStartGateNarrows times the narrowest of its first three elements, or the
// run begins with it: half the least quiet zone, room for a narrow element
// that blur widened. The decoders ask this at every bar before matching
// anything there.
constexpr double kStartGateNarrows = 2.5;
static_assert(kStartGateNarrows == 0.5 * kTolerantQuietZone);
bool MayStartSymbol(const double* widths, int32_t count, int32_t at);

// Marks the `wide` largest of n values (n at most kMaxSplitValues) in
// isWide and returns the smallest wide value over the largest narrow one:
// how clearly the two groups stand apart. 0 when a value is not positive.
constexpr int32_t kMaxSplitValues = 9;
double SplitWidest(const double* values, int32_t n, int32_t wide, bool* isWide);

// SplitWidest of `corrected` (the `raw` values with an estimated ink
// spread taken off), or the separation of `raw` where that marks the same
// values wide and stands further apart. The spread is estimated from other
// elements' widths, which a scan rounds to whole pixels; a quarter pixel
// off, at two pixels a narrow element, closes a 3:4 gap that the widths as
// measured keep.
double SplitWidestEitherWay(const double* raw, const double* corrected, int32_t n, int32_t wide,
                            bool* isWide);

// How far an element may lie from its class's mean, in mean narrow widths:
// three times the +-0.15 narrow of jitter print must be read with, for the
// jitter itself and as much again at each of the element's two edges for
// what blur and thresholding move them. Below half a narrow, where at 2:1
// an element would be as near the other class as its own; wider ratios
// earn no more, since blur moves edges by pixels, not by a share of the
// wide width. In rendered sweeps, blurred 3:1 reads with a swapped pair
// lie 0.51 narrow off and more, right ones 0.45 at most but for one.
constexpr double kClassToleranceNarrows = 0.45;
static_assert(kClassToleranceNarrows < 0.5);

// But never less than a pixel: an element between two edges rounded to
// whole pixels (a binarised scan, a 150 dpi scan of a 0.33 mm module at
// 1.95 pixels) is up to a pixel off, which the share above allows only
// from narrow elements of 2.2 pixels up.
constexpr double kClassTolerancePixels = 1.0;

// Narrow and wide element widths gathered over a whole symbol, so that
// each character's own narrow/wide split can be checked against the
// symbol's: a character read with one narrow and one wide element swapped
// (blur can make a narrow element outgrow a wide one of its character) has
// both of them far from the symbol's means.
class WidthClasses {
 public:
  void Add(double width, bool wide);
  // After every element has been added: the width lies on its class's side
  // of the symbol's threshold, midway between mean narrow and mean wide,
  // and within `tolerance` mean narrow widths of its class's mean. False
  // when either class is empty or the means are not apart.
  bool Agrees(double width, bool wide, double tolerance) const;

 private:
  double narrowSum_ = 0.0;
  double wideSum_ = 0.0;
  int32_t narrowCount_ = 0;
  int32_t wideCount_ = 0;
};

// Where a search asked to start at `from` begins: `from` itself, the bar
// after it when it names a space, 0 when negative; count when nothing of the
// run is left.
int32_t FirstBarFrom(int32_t from, int32_t count);

// A symbol's quiet zones: the space before its first bar and after its last
// bar at least `minimum` pixels wide, or the run ends there.
bool QuietBefore(const double* widths, int32_t first, double minimum);
bool QuietAfter(const double* widths, int32_t count, int32_t last, double minimum);

// Whether the spaces between the symbol at run[first .. last] and the
// run's other elements, where it has any, are at least `narrows` of its
// narrow element (NarrowElementOf) wide. A run's own ends are the caller's
// to check in the image.
bool QuietInRun(const double* run, int32_t count, int32_t first, int32_t last, double narrows);

}  // namespace bcx
