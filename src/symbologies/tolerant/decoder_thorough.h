// The contract of the thorough decoders: instead of matching a whole span
// exactly, each one searches a group's element run for a symbol of its
// kind, tolerating print (ink spread, wide:narrow ratios from 2 to 3,
// uneven module widths), and reports where in the run the symbol lies.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

// Where a thorough decoder found its symbol: element indices into the run
// it was given, both on bars (even indices), first <= last.
struct ThoroughSpan {
  int32_t first;
  int32_t last;
};

// Searches widths[0 .. count) (bar first, bars and spaces alternating) for
// one symbol read left to right, starting at or after element `from` (a
// bar). A symbol needs its quiet zones: the space before its first bar and
// after its last bar must be wide enough for the symbology, or the run must
// end there. On success returns 1, writes the text and a NUL into `text`
// (room for count + 1 bytes), sets *length, *span and, for Code 128,
// *leadingFnc1 as the exact decoders do; on failure returns 0. The caller
// reverses the run to find symbols laid right to left.
// Each tolerant decoder is declared as one of these.
using ThoroughDecodeSignature = int(const double* widths, int32_t count, int32_t from,
                                    const DecodeOptions& options, char* text, int32_t* length,
                                    int32_t* leadingFnc1, ThoroughSpan* span);
using ThoroughDecodeFunction = ThoroughDecodeSignature*;

}  // namespace bcx
