// Code 128: code sets A, B and C with shifts and set changes, function
// characters as bytes 201 to 204, modulo-103 check character.
#pragma once

#include <cstdint>

#include "decode/decoder.h"

namespace bcx {

constexpr int kCode128CharElements = 6;
// The stop pattern in modules: calibration reads it at the end of the run.
constexpr const char* kCode128Stop = "2331112";
constexpr int kCode128Values = 103;
constexpr unsigned char kFnc1Byte = 201;
constexpr unsigned char kFnc2Byte = 202;
constexpr unsigned char kFnc3Byte = 203;
constexpr unsigned char kFnc4Byte = 204;

// Value 0 to 102 of a 6-digit module string, or -1.
int MatchCode128Value(const char* modules);

// The leading FNC1 flag is cleared when decoding starts and set to 1 when
// options.gs1_128 is on and the data of a Start C symbol opens with FNC1
// (the GS1-128 form), whose FNC1 then writes nothing.
int DecodeCode128(const double* widths, int32_t count, const DecodeOptions& options, char* text,
                  int32_t* length, int32_t* leadingFnc1);

}  // namespace bcx
