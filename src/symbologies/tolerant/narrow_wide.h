// The tolerances and checks that the narrow/wide symbologies (Code 39,
// Interleaved 2 of 5) share when they are read from measured widths: each
// character's widest elements are its wide ones, and the whole symbol must
// agree on one narrow and one wide width.
#pragma once

#include <cstdint>

#include "symbologies/tolerant/decoder_thorough.h"
#include "symbologies/tolerant/module_match.h"

namespace bcx::narrow_wide {

// Smallest wide over largest narrow element of one kind in a character,
// spread taken off (or as measured, see SplitWidestEitherWay). Printed at
// 2:1 with +-0.15 module of jitter the groups stay 1.85 / 1.15 = 1.6
// apart; a scan at 150 dpi of a 0.33 mm module (1.95 pixels) rounds a wide
// element to 3 pixels beside narrow ones of 2, 1.36 apart once a spread
// estimated from rounded neighbours is taken off; 5:4, 1.25, is too close
// to tell apart.
constexpr double kMinSeparation = 1.3;

// Mean wide over mean narrow: 3:1 is the widest these symbologies print,
// 3.5 leaves room for jitter and for the spread estimate's error.
constexpr double kMaxWideRatio = 3.5;

// The quiet zone every tolerant decoder asks for, in narrow elements.
constexpr double kQuietNarrows = kTolerantQuietZone;

// Neighbouring characters are printed at one narrow width; a change of more
// than a third between them is not perspective (a few percent per
// character) nor jitter on a mean of six elements.
constexpr double kMaxNarrowStep = 4.0 / 3.0;

// Past half a narrow element of ink spread a narrow bar is as wide as a
// wide one printed at 2:1.
constexpr double kMaxInkSpreadNarrows = 0.5;

// Whether two neighbouring characters' narrow widths are within
// kMaxNarrowStep of each other.
bool NarrowStepHolds(double a, double b);

// The sum of n widths.
double SumOf(const double* widths, int32_t n);

// Whether every element of a symbol agrees with the narrow and wide widths
// of the whole symbol. `elements(visit)` hands each element, scaled to the
// symbol's mean character width, to `visit(width, wide)` and returns false
// as soon as a visit does; it is walked twice, once to gather the classes
// and once to check each element against them.
template <typename Elements>
bool ClassesHold(Elements elements) {
  WidthClasses classes;
  elements([&](double width, bool wide) {
    classes.Add(width, wide);
    return true;
  });
  return elements(
      [&](double width, bool wide) { return classes.Agrees(width, wide, kClassToleranceNarrows); });
}

// The end of a reading of the symbol on widths[at .. last], whose
// characters agree on their classes: its mean ink `spread` within
// kMaxInkSpreadNarrows of `narrow`, its quiet zones at least kQuietNarrows
// of it wide, or the run's ends; then the text's NUL after `n` characters,
// *length and *span are written. False, nothing written, where one fails.
bool EndReading(const double* widths, int32_t count, int32_t at, int32_t last, double narrow,
                double spread, char* text, int32_t n, int32_t* length, ThoroughSpan* span);

// A decoder's search for its first symbol at or after element `from`:
// every bar that may start one and leaves room for `minElements` is
// offered to `readFrom`. Returns 1 for the first it reads, else 0.
using ReadFromFunction = bool (*)(const double* widths, int32_t count, int32_t at, char* text,
                                  int32_t* length, ThoroughSpan* span);
int SearchStarts(const double* widths, int32_t count, int32_t from, int32_t minElements,
                 ReadFromFunction readFrom, char* text, int32_t* length, ThoroughSpan* span);

}  // namespace bcx::narrow_wide
