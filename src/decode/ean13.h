// EAN-13: the leading digit is carried by the parities of the left half.
#pragma once

#include <cstdint>

namespace bcx {

// Text: the twelve digits before the check digit, which is verified only.
int DecodeEan13(const double* widths, int32_t count, char* text, int32_t* length);

}  // namespace bcx
