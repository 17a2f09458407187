// EAN-13: the leading digit is carried by the parities of the left half.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// The leading digit carried by the parities of left digits 2 to 6 ("A" for
// set A, "B" for set B, five letters), or -1.
int Ean13LeadingDigit(const char* parities);

// Text: the twelve digits before the check digit, which is verified only.
DecodeSignature DecodeEan13;

}  // namespace bcx
