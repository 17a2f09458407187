// Thorough reading from grey levels: lines across the image at a spread of
// angles, each sampled into a profile whose edges give element widths for
// the tolerant decoders. Where binarisation merges blurred bars of a photo
// into one component, the grey profile still shows every element; where a
// glare line cuts the bars, the lines beside it still cross them whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bcx {

struct ResultTable;
struct ScanTrace;
struct Settings;

// Reads width x height grey pixels (rows `stride` bytes apart, 0 dark) and
// adds to the result table every symbol enabled in the settings that enough
// lines read alike, unless an earlier result already reports it there.
// Corners are in the pixels' coordinates. Does nothing when memory runs
// out or the table is full, and in an image of at most two megapixels in
// which the components already found a symbol. `trace`, when not
// nullptr, receives what the lines read and what became of it.
void ReadScanlinesThorough(const Settings& settings, ResultTable& results, ScanTrace* trace,
                           const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride);

}  // namespace bcx
