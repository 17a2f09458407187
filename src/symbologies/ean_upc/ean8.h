// EAN-8: four L digits, four R digits.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// Text: the seven digits before the check digit, which is verified only.
int DecodeEan8(const double* widths, int32_t count, const DecodeOptions& options, char* text,
               int32_t* length, int32_t* leadingFnc1);

}  // namespace bcx
