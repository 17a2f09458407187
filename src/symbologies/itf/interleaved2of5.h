// Interleaved 2 of 5: digit pairs, the first digit in the bars and the
// second in the spaces, between a narrow start and a wide-bar stop.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

constexpr int kTwoOfFiveElements = 5;
// The start pattern in modules: calibration reads it.
constexpr const char* kTwoOfFiveStart = "1111";

// Digit of a 5-digit module string (two elements of 2 modules), or 0.
int MatchTwoOfFiveDigit(const char* modules, char* out);

DecodeSignature DecodeInterleaved2of5;

}  // namespace bcx
