// What the EAN and UPC decoders share: guards, digit code sets, the check
// digit and the reading of the two halves of a run.
#pragma once

#include <cstdint>

#include "decode/classify.h"

namespace bcx {

constexpr int kEanDigitElements = 4;
constexpr int kGuardElements = 3;
// The start and end guard in modules: calibration reads the start guard.
constexpr const char* kEanSideGuard = "111";
constexpr int kCentreGuardElements = 5;

// Which code sets a digit may come from.
enum DigitSets { kLeftLOrG, kLeftLOnly, kRightR };

// The set a digit was found in.
enum DigitSet { kSetL, kSetG, kSetR };

// Matches a 4-digit module string, digit values 0 to 9 in order, L before G.
// Returns 1 with the digit character and its set, or 0.
int MatchDigit(const char* code, DigitSets sets, char* digit, DigitSet* set);

// Modulo-10 check digit of a text of decimal digits, the last weighted 3.
int ComputeCheckDigit(const char* digits);

// Fewer than 3 elements fails; otherwise calibrates from the start guard
// into *tables and tests that the guard reads "111".
bool ReadStartGuard(const double* widths, int32_t count, ModuleTables* tables);

// Left-half digit j (elements 3 + 4j on, space first).
bool ReadLeftDigit(const ModuleTables& tables, const double* widths, int32_t count, int32_t j,
                   DigitSets sets, char* digit, DigitSet* set);

// Centre guard after digitsPerHalf left digits.
bool ReadCentreGuard(const ModuleTables& tables, const double* widths, int32_t count,
                     int32_t digitsPerHalf);

// Right-half digit j (bar first).
bool ReadRightDigit(const ModuleTables& tables, const double* widths, int32_t count,
                    int32_t digitsPerHalf, int32_t j, char* digit);

// The run must end exactly with the end guard after the right half.
bool ReadEndGuard(const ModuleTables& tables, const double* widths, int32_t count,
                  int32_t digitsPerHalf);

// Centre guard and right half of an EAN-8, EAN-13 or UPC-A run, checking
// the last right digit against the digits in text[0 .. checkedLength).
// Right digits 0 .. n - 2 are stored at text[rightAt + j].
bool ReadRightHalfWithCheck(const ModuleTables& tables, const double* widths, int32_t count,
                            int32_t digitsPerHalf, char* text, int32_t rightAt,
                            int32_t checkedLength, char* checkDigit);

}  // namespace bcx
