// UPC-A: six L digits, six R digits; an EAN-13 symbol with leading digit 0.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// Text: all twelve digits, check digit included.
int DecodeUpcA(const double* widths, int32_t count, const DecodeOptions& options, char* text,
               int32_t* length, int32_t* leadingFnc1);

}  // namespace bcx
