// Interleaved 2 of 5 searched for in a whole element run: in each pair the
// two widest of five bars and of five spaces are the wide ones, at any
// wide:narrow ratio from 2:1 to 3:1.
#pragma once

#include <cstdint>

#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

// A ThoroughDecodeFunction; the text is the digits, as
// DecodeInterleaved2of5 writes them, at least four of them.
int DecodeInterleaved2of5Thorough(const double* widths, int32_t count, int32_t from,
                                  const DecodeOptions& options, char* text, int32_t* length,
                                  int32_t* leadingFnc1, ThoroughSpan* span);

// Whether the spaces between the symbol at run[first .. last] and the
// run's other elements, where it has any, are wide enough for an ITF read
// out of a longer run. The decoder asks its quiet zones of five narrow
// elements; a symbol inside a run needs kItfQuietInRunNarrows: ITF has
// no check digit, and where blur or binarisation loses a narrow bar (a
// thin bar turned on a page at 150 dpi breaks into pieces too small to
// group), the two wide spaces around it and the bar make one space of up
// to 2 x 3.5 + 1 = 8 narrow elements, behind which the rest of the symbol
// reads as a shorter one. The symbology asks for ten. A run's own ends are
// the caller's to check in the image.
constexpr double kItfQuietInRunNarrows = 8.5;
bool ItfQuietInRun(const double* run, int32_t count, int32_t first, int32_t last);

}  // namespace bcx
