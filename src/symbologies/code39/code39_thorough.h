// Code 39 searched for in a whole element run: narrow and wide told apart
// within each character, at any wide:narrow ratio from 2:1 to 3:1, once
// the candidate's ink spread is taken off.
#pragma once

#include <cstdint>

#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// A ThoroughDecodeFunction; the text is the data characters between the
// start and stop characters, as DecodeCode39 writes it, and never empty.
ThoroughDecodeSignature DecodeCode39Thorough;

}  // namespace bcx
