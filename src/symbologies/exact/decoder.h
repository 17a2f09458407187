// The contract every symbology decoder shares, so that the symbology table
// can hold them side by side.
#pragma once

#include <cstdint>

namespace bcx {

// What a decoder consults besides the widths.
struct DecodeOptions {
  bool gs1_128;  // report Code 128 data opening with FNC1 after Start C as GS1-128
};

// Decodes a run of `count` element widths, bar first. On success returns 1,
// writes the text and a NUL into `text` (room for count bytes) and sets
// *length; on failure returns 0 and leaves *length alone. Code 128 clears
// *leadingFnc1 when it starts and sets it to 1 for the GS1-128 form; the
// others leave it alone.
// Each decoder is declared as one of these.
using DecodeSignature = int(const double* widths, int32_t count, const DecodeOptions& options,
                            char* text, int32_t* length, int32_t* leadingFnc1);
using DecodeFunction = DecodeSignature*;

}  // namespace bcx
