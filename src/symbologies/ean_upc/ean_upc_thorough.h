// EAN-13, EAN-8, UPC-A and UPC-E searched for in a whole element run: each
// digit matched edge to edge against the code sets, the pairs that only
// their bar widths tell apart (1 and 7, 2 and 8) decided once the whole
// candidate's ink spread is known.
#pragma once

#include <cstdint>

#include "symbologies/ean_upc/ean_upc.h"
#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// What the four share.

// The parts of a symbol left to right: start guard, left digits (space
// first), then either a centre guard and right digits (bar first) and the
// side guard, or UPC-E's six-element end guard.
struct EanShape {
  int32_t leftDigits;
  DigitSets leftSets;
  int32_t rightDigits;  // 0: no centre guard and no right half
  const char* endGuard;
  int32_t endGuardFirstIsBar;
  double leftQuietModules;
  double rightQuietModules;
};

// Half the quiet zone the symbology asks for (standardModules), but never
// narrower than the widest inner space (four modules) with a module to
// spare for ink spread and jitter, so that inner spaces never pass for it.
constexpr int kEanWidestInnerSpace = 4;
constexpr double EanQuietModules(int standardModules) {
  return standardModules / 2.0 > kEanWidestInnerSpace + 1.0 ? standardModules / 2.0
                                                            : kEanWidestInnerSpace + 1.0;
}

constexpr int32_t kEanGuardFromBar = 1;
constexpr int32_t kEanGuardFromSpace = 0;

// A shape with the quiet zones the symbology asks for on its left and its
// right, in modules.
constexpr EanShape ShapeOf(int32_t leftDigits, DigitSets leftSets, int32_t rightDigits,
                           const char* endGuard, int32_t endGuardFirstIsBar, int standardLeftQuiet,
                           int standardRightQuiet) {
  return EanShape{leftDigits,
                  leftSets,
                  rightDigits,
                  endGuard,
                  endGuardFirstIsBar,
                  EanQuietModules(standardLeftQuiet),
                  EanQuietModules(standardRightQuiet)};
}

constexpr int32_t kMaxEanDigits = 12;

// The digits of one candidate, left half first, and their code sets.
struct EanReading {
  char digits[kMaxEanDigits + 1];  // NUL-terminated
  DigitSet sets[kMaxEanDigits];
  int32_t count;
};

// Takes (true) or refuses the digits of a candidate, writing the text, its
// NUL and *length when it takes them: the parities and the check digit.
using EanAccept = bool (*)(const EanReading& reading, char* text, int32_t* length);

// EAN-8 and UPC-A: two halves of `digitsPerHalf` digits, the left ones of
// set A only, between the side guards and around the centre guard, with
// the quiet zone the symbology asks for on either side.
constexpr EanShape CheckedHalvesShape(const CheckedHalves& halves) {
  return ShapeOf(halves.digitsPerHalf, kLeftLOnly, halves.digitsPerHalf, kEanSideGuard,
                 kEanGuardFromBar, halves.standardQuiet, halves.standardQuiet);
}

// Takes the digits of an EAN-8 or UPC-A candidate whose last digit checks
// the ones before it: the text is those, and the check digit after them
// where `keepCheck`, as DecodeCheckedHalves writes it.
bool AcceptCheckedHalves(const EanReading& reading, const CheckedHalves& halves, char* text,
                         int32_t* length);
inline constexpr EanShape kEan8Shape = CheckedHalvesShape(kEan8Halves);
inline constexpr EanShape kUpcAShape = CheckedHalvesShape(kUpcAHalves);

template <const CheckedHalves& kHalves>
bool AcceptHalves(const EanReading& reading, char* text, int32_t* length) {
  return AcceptCheckedHalves(reading, kHalves, text, length);
}

// The first candidate at or after bar `from` whose guards, digits and quiet
// zones read and that `accept` takes; returns 1 and sets *span, or 0.
int SearchEan(const double* widths, int32_t count, int32_t from, const EanShape& shape,
              EanAccept accept, char* text, int32_t* length, ThoroughSpan* span);

// The four differ only in their shape and in what they take.
template <const EanShape& kShape, EanAccept kAccept>
int SearchEanAs(const double* widths, int32_t count, int32_t from, const DecodeOptions& /*options*/,
                char* text, int32_t* length, int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  return SearchEan(widths, count, from, kShape, kAccept, text, length, span);
}

// EAN-13 and UPC-E read their parities; the units of their own hold them.
extern const EanShape kEan13Shape;
bool AcceptEan13(const EanReading& reading, char* text, int32_t* length);
extern const EanShape kUpcEShape;
bool AcceptUpcE(const EanReading& reading, char* text, int32_t* length);

// ThoroughDecodeFunctions; texts as DecodeEan13, DecodeEan8, DecodeUpcA and
// DecodeUpcE write them.
inline constexpr ThoroughDecodeFunction DecodeEan13Thorough = SearchEanAs<kEan13Shape, AcceptEan13>;
inline constexpr ThoroughDecodeFunction DecodeEan8Thorough =
    SearchEanAs<kEan8Shape, AcceptHalves<kEan8Halves>>;
inline constexpr ThoroughDecodeFunction DecodeUpcAThorough =
    SearchEanAs<kUpcAShape, AcceptHalves<kUpcAHalves>>;
inline constexpr ThoroughDecodeFunction DecodeUpcEThorough = SearchEanAs<kUpcEShape, AcceptUpcE>;

}  // namespace bcx
