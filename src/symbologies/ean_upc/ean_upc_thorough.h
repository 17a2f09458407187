// EAN-13, EAN-8, UPC-A and UPC-E searched for in a whole element run: each
// digit matched edge to edge against the code sets, the pairs that only
// their bar widths tell apart (1 and 7, 2 and 8) decided once the whole
// candidate's ink spread is known.
#pragma once

#include <cstdint>

#include "symbologies/ean_upc/ean_upc.h"
#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// ThoroughDecodeFunctions; texts as DecodeEan13, DecodeEan8, DecodeUpcA and
// DecodeUpcE write them.
int DecodeEan13Thorough(const double* widths, int32_t count, int32_t from,
                        const DecodeOptions& options, char* text, int32_t* length,
                        int32_t* leadingFnc1, ThoroughSpan* span);
int DecodeEan8Thorough(const double* widths, int32_t count, int32_t from,
                       const DecodeOptions& options, char* text, int32_t* length,
                       int32_t* leadingFnc1, ThoroughSpan* span);
int DecodeUpcAThorough(const double* widths, int32_t count, int32_t from,
                       const DecodeOptions& options, char* text, int32_t* length,
                       int32_t* leadingFnc1, ThoroughSpan* span);
int DecodeUpcEThorough(const double* widths, int32_t count, int32_t from,
                       const DecodeOptions& options, char* text, int32_t* length,
                       int32_t* leadingFnc1, ThoroughSpan* span);

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

// The first candidate at or after bar `from` whose guards, digits and quiet
// zones read and that `accept` takes; returns 1 and sets *span, or 0.
int SearchEan(const double* widths, int32_t count, int32_t from, const EanShape& shape,
              EanAccept accept, char* text, int32_t* length, ThoroughSpan* span);

}  // namespace bcx
