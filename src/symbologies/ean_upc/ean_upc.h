// What the EAN and UPC decoders share: guards, digit code sets, the check
// digit and the reading of the two halves of a run.
#pragma once

#include <cstdint>

#include "symbologies/exact/classify.h"

namespace bcx {

constexpr int kEanDigitElements = 4;
constexpr int kGuardElements = 3;
// The start and end guard in modules: calibration reads the start guard.
constexpr const char* kEanSideGuard = "111";
constexpr int kCentreGuardElements = 5;

constexpr int kEanDigitValues = 10;

// Number set A (odd parity), space first; the R set has the same widths,
// bar first. The thorough decoders match against the same rows.
inline constexpr const char* kEanLCodes[kEanDigitValues] = {
    "3211",  // 0
    "2221",  // 1
    "2122",  // 2
    "1411",  // 3
    "1132",  // 4
    "1231",  // 5
    "1114",  // 6
    "1312",  // 7
    "1213",  // 8
    "3112",  // 9
};

// Number set B (even parity): each L code read backwards.
inline constexpr const char* kEanGCodes[kEanDigitValues] = {
    "1123",  // 0
    "1222",  // 1
    "2212",  // 2
    "1141",  // 3
    "2311",  // 4
    "1321",  // 5
    "4111",  // 6
    "2131",  // 7
    "3121",  // 8
    "2113",  // 9
};

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

// EAN-8 and UPC-A: the start guard, `digitsPerHalf` L digits, the centre
// guard, as many R digits, the last of them the check digit, verified, and
// the end guard. The text is the digits before the check digit, and the
// check digit after them where `keepCheck`.
struct CheckedHalves {
  int32_t digitsPerHalf;
  bool keepCheck;
  int standardQuiet;  // modules the symbology asks for on either side
};
inline constexpr CheckedHalves kEan8Halves{4, false, 7};
inline constexpr CheckedHalves kUpcAHalves{6, true, 9};

int DecodeCheckedHalves(const double* widths, int32_t count, const CheckedHalves& halves,
                        char* text, int32_t* length);

}  // namespace bcx
