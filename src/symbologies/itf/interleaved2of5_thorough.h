// Interleaved 2 of 5 searched for in a whole element run: in each pair the
// two widest of five bars and of five spaces are the wide ones, at any
// wide:narrow ratio from 2:1 to 3:1.
#pragma once

#include <cstdint>

#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// A ThoroughDecodeFunction; the text is the digits, as
// DecodeInterleaved2of5 writes them, at least four of them.
ThoroughDecodeSignature DecodeInterleaved2of5Thorough;

// A symbol read out of a longer run (a group's, a line's) needs this much
// quiet zone on both sides, in narrow elements, where the decoder asks its
// own five: ITF has no check digit, and where blur or binarisation loses a
// narrow bar (a thin bar turned on a page at 150 dpi breaks into pieces too
// small to group), the two wide spaces around it and the bar make one space
// of up to 2 x 3.5 + 1 = 8 narrow elements, behind which the rest of the
// symbol reads as a shorter one. The symbology asks for ten.
constexpr double kItfQuietInRunNarrows = 8.5;

}  // namespace bcx
