// Code 128 searched for in a whole element run: each character matched by
// its edge-to-edge sums against the value table, whatever the ink spread.
#pragma once

#include <cstdint>

#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// A ThoroughDecodeFunction; text and *leadingFnc1 as DecodeCode128 writes
// them, and never an empty text.
ThoroughDecodeSignature DecodeCode128Thorough;

}  // namespace bcx
