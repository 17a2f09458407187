// UPC-E: six digits whose parities carry the check digit, expanded to the
// ten digits of the equivalent UPC-A manufacturer and item numbers.
#pragma once

#include <cstdint>

#include "decode/decoder.h"

namespace bcx {

// Text for number system 0: the ten expanded digits and the check digit
// (11 bytes). Number system 1 is told apart by its length: "1", the ten
// expanded digits and the check digit (12 bytes).
int DecodeUpcE(const double* widths, int32_t count, const DecodeOptions& options, char* text,
               int32_t* length, int32_t* leadingFnc1);

}  // namespace bcx
