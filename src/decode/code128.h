// Code 128: code sets A, B and C with shifts and set changes, function
// characters as bytes 201 to 204, modulo-103 check character.
#pragma once

#include <cstdint>

namespace bcx {

constexpr int kCode128CharElements = 6;
constexpr int kCode128Values = 103;
constexpr unsigned char kFnc1Byte = 201;
constexpr unsigned char kFnc2Byte = 202;
constexpr unsigned char kFnc3Byte = 203;
constexpr unsigned char kFnc4Byte = 204;

// Value 0 to 102 of a 6-digit module string, or -1.
int MatchCode128Value(const char* modules);

// Decoder contract, plus the leading FNC1 flag: cleared when decoding starts,
// set to 1 when switch 2 is on and the data of a Start C symbol opens with
// FNC1 (the GS1-128 form).
int DecodeCode128(const double* widths, int32_t count, char* text, int32_t* length,
                  int32_t* leadingFnc1);

}  // namespace bcx
