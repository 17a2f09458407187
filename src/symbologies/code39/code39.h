// Code 39: start and stop "*", data characters of five bars and four spaces
// with three wide elements, narrow gaps between characters.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

constexpr int kCode39CharElements = 9;
// The start and stop character in modules, wide as 2: calibration reads it.
constexpr const char* kCode39StartStop = "121121211";

// Turns the first n letters of an n/w pattern into module digits: "n" is 1,
// "w" is 2 with wideAs == 1 and 3 otherwise. out receives n digits and a NUL.
void WidePatternToModules(const char* pattern, char* out, int32_t n, int32_t wideAs);

// Looks a 9-digit module string up; wide elements all 2 or all 3 modules.
int MatchCode39Character(const char* modules, char* out);

// The same lookup by which elements are wide: bit i set when element i
// (bar first) is. One table read instead of a walk over the alphabet, for
// readers that try a character at every bar of a line.
int MatchCode39Wide(uint32_t wideMask, char* out);

DecodeSignature DecodeCode39;

}  // namespace bcx
