// Interleaved 2 of 5 searched for in a whole element run: in each pair the
// two widest of five bars and of five spaces are the wide ones, at any
// wide:narrow ratio from 2:1 to 3:1.
#pragma once

#include <cstdint>

#include "decode/thorough_decoder.h"

namespace bcx {

// A ThoroughDecodeFunction; the text is the digits, as
// DecodeInterleaved2of5 writes them, at least four of them.
int DecodeInterleaved2of5Thorough(const double* widths, int32_t count, int32_t from,
                                  const DecodeOptions& options, char* text, int32_t* length,
                                  int32_t* leadingFnc1, ThoroughSpan* span);

}  // namespace bcx
