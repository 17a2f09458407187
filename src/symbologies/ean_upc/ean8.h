// EAN-8: four L digits, four R digits.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// Text: the seven digits before the check digit, which is verified only.
DecodeSignature DecodeEan8;

}  // namespace bcx
