// Internal types of the image provider: the decoded grey image and the
// format readers that produce it.
#ifndef RASTRA_GREY_IMAGE_H
#define RASTRA_GREY_IMAGE_H

#include <cstddef>
#include <cstdint>

namespace rastra {

// 8-bit luminance, rows top first, no padding; white is 255.
struct GreyImage {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
};

enum class Format { kUnknown, kBmp, kTiff, kPng, kJpeg, kPnm, kGif, kWebp };

constexpr uint8_t kWhite = 255;
constexpr uint16_t kMaxPages = 65535;

// Formats are told apart by their leading bytes only.
Format DetectFormat(const uint8_t* data, size_t length) noexcept;

// What one decode may spend, and what it refused. Every decoder checks each
// image, page and frame its header describes against it before decoding or
// allocating anything of that size.
struct DecodeLimits {
  uint64_t maxPixels;
  // The size a header claimed when it was refused for being too large;
  // 0 x 0 while nothing was.
  uint64_t refusedWidth;
  uint64_t refusedHeight;
};

// True for a size the 16-bit interface can carry and the limit allows;
// a refusal for size is recorded in `limits`.
bool SizeAllowed(int64_t width, int64_t height, DecodeLimits* limits) noexcept;

// The same for a buffer of `samples` values that an image of width x height
// needs (a progressive JPEG holds every component whole): refused, as that
// image, when the samples exceed the limit.
bool SamplesAllowed(int64_t width, int64_t height, uint64_t samples, DecodeLimits* limits) noexcept;

// Allocates width x height pixels (size already checked); false when out of memory.
bool AllocateGrey(GreyImage* image, int32_t width, int32_t height) noexcept;
void FreeGrey(GreyImage* image) noexcept;

// Luminance of an RGB triple with the weights JPEG uses for Y.
uint8_t Luminance(uint32_t red, uint32_t green, uint32_t blue) noexcept;

// Page `page` (a TIFF page, a GIF frame, else only 0) of a block in
// `format`, through the decoders of the platform: fills `image` on success
// and leaves it empty on failure.
bool DecodeFormat(const uint8_t* data, size_t length, Format format, uint16_t page,
                  DecodeLimits* limits, GreyImage* image) noexcept;

// Frames of a complete, well-formed GIF whose screen and frames the limits
// allow; 0 when it is damaged or refused.
uint16_t CountGifFrames(const uint8_t* data, size_t length, DecodeLimits* limits) noexcept;

// The decoders behind DecodeFormat where the platform has no codecs of its
// own. Each Decode* fills `image` on success and leaves it empty on failure.
bool DecodePng(const uint8_t* data, size_t length, DecodeLimits* limits, GreyImage* image) noexcept;

bool DecodeJpeg(const uint8_t* data, size_t length, DecodeLimits* limits,
                GreyImage* image) noexcept;

// Frame `frame` composited over the frames before it on the logical screen.
// Building it decodes at most kGifWorkPerPixel pixels of frames per pixel
// the limit allows, however many frames lie before it.
constexpr uint64_t kGifWorkPerPixel = 1;
bool DecodeGifFrame(const uint8_t* data, size_t length, uint16_t frame, DecodeLimits* limits,
                    GreyImage* image) noexcept;

// BMP, PNM, WebP and TIFF pages through Leptonica.
bool DecodeWithLeptonica(const uint8_t* data, size_t length, Format format, uint16_t page,
                         DecodeLimits* limits, GreyImage* image) noexcept;

// Directories in the chain of a TIFF file; 0 when the chain is broken,
// loops, or holds more entries than the file has room for side by side.
uint16_t CountTiffPages(const uint8_t* data, size_t length) noexcept;

// A 64-bit digest of a block, to recognise a block decoded a moment ago.
uint64_t Fingerprint(const uint8_t* data, size_t length) noexcept;

// Mutes Leptonica's messages; safe to call more than once.
void SilenceLeptonica() noexcept;

}  // namespace rastra

#endif  // RASTRA_GREY_IMAGE_H
