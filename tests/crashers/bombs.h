// Small files whose headers claim far more than they hold, or that make a
// decoder do far more than their size suggests, built at test time.
#pragma once

#include <cstdint>
#include <vector>

namespace bcx::test {

using Bytes = std::vector<uint8_t>;

// A valid 8-bit grey PNG of width x height zero pixels: the zlib stream of
// its rows is compressed as it is made, so it never exists uncompressed.
Bytes ZeroPng(uint32_t width, uint32_t height);

// A GIF whose logical screen is width x height, with one 1 x 1 frame.
Bytes HugeScreenGif(uint16_t width, uint16_t height);

// A GIF of `frames` identical frames of frameWidth x frameHeight pixels of
// one colour, on a screen of screenWidth x screenHeight.
Bytes ManyFramesGif(uint16_t screenWidth, uint16_t screenHeight, uint16_t frameWidth,
                    uint16_t frameHeight, int frames);

// A classic little-endian TIFF of `pages` pages of width x height 8-bit grey
// pixels, all sharing one strip of `stripBytes` bytes; `loop` points the
// last page back at the first; sharedArray adds to every page a tag whose
// array of that many 32-bit values is one and the same block.
struct TiffPlan {
  uint32_t width = 1;
  uint32_t height = 1;
  int pages = 1;
  bool loop = false;
  uint32_t sharedArray = 0;
};
Bytes PlannedTiff(const TiffPlan& plan);

// A lossless WebP header claiming width x height (at most 16384 a side)
// and a few bytes of stream.
Bytes WebpHeader(uint32_t width, uint32_t height);

// A small JPEG (progressive or baseline, grey or colour) whose frame header
// is rewritten to claim width x height; the scans are the small image's.
Bytes JpegClaiming(uint16_t width, uint16_t height, bool progressive, bool colour);

}  // namespace bcx::test
