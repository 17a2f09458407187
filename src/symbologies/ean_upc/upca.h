// UPC-A: six L digits, six R digits; an EAN-13 symbol with leading digit 0.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// Text: all twelve digits, check digit included.
DecodeSignature DecodeUpcA;

}  // namespace bcx
