// Interleaved 2 of 5: digit pairs, the first digit in the bars and the
// second in the spaces, between a narrow start and a wide-bar stop.
#pragma once

#include <cstdint>

namespace bcx {

constexpr int kTwoOfFiveElements = 5;

// Digit of a 5-digit module string (two elements of 2 modules), or 0.
int MatchTwoOfFiveDigit(const char* modules, char* out);

// Decoder contract: text holds count bytes; length is set only on success.
int DecodeInterleaved2of5(const double* widths, int32_t count, char* text, int32_t* length);

}  // namespace bcx
