// BMP, PNM, WebP and TIFF pages through Leptonica. Its messages are muted,
// and the size is read from the header before any pixels are decoded.
#include <leptonica/allheaders.h>

#include "grey_image.h"

namespace rastra {
namespace {

constexpr l_int32 kRgbaSamples = 4;
constexpr uint32_t kFullAlpha = 255;

void DiscardMessage(const char*) {}

bool ReadHeader(const uint8_t* data, size_t length, Format format, uint16_t page,
                DecodeLimits* limits) {
  l_int32 width = 0;
  l_int32 height = 0;
  l_int32 bitsPerSample = 0;
  l_int32 samples = 0;
  l_int32 colormapped = 0;
  l_int32 fileFormat = 0;
  l_ok failed = 1;
  if (format == Format::kTiff) {
    l_int32 resolution = 0;
    failed = readHeaderMemTiff(data, length, page, &width, &height, &bitsPerSample, &samples,
                               &resolution, &colormapped, &fileFormat);
  } else {
    failed = pixReadHeaderMem(data, length, &fileFormat, &width, &height, &bitsPerSample, &samples,
                              &colormapped);
  }
  return failed == 0 && SizeAllowed(width, height, limits);
}

// Colour to luminance, any alpha composed over white.
void CopyColour(PIX* pix, GreyImage* image) {
  const bool hasAlpha = pixGetSpp(pix) == kRgbaSamples;
  const l_int32 wordsPerLine = pixGetWpl(pix);
  const l_uint32* data = pixGetData(pix);
  for (int32_t y = 0; y < image->height; ++y) {
    const l_uint32* line = data + static_cast<size_t>(y) * wordsPerLine;
    uint8_t* out = image->pixels + static_cast<size_t>(y) * image->width;
    for (int32_t x = 0; x < image->width; ++x) {
      const l_uint32 word = line[x];
      const uint32_t red = (word >> L_RED_SHIFT) & 0xff;
      const uint32_t green = (word >> L_GREEN_SHIFT) & 0xff;
      const uint32_t blue = (word >> L_BLUE_SHIFT) & 0xff;
      const uint32_t alpha = hasAlpha ? (word >> L_ALPHA_SHIFT) & 0xff : kFullAlpha;
      const uint32_t grey = Luminance(red, green, blue);
      out[x] = static_cast<uint8_t>((grey * alpha + kWhite * (kFullAlpha - alpha)) / kFullAlpha);
    }
  }
}

void CopyGrey(PIX* grey, GreyImage* image) {
  const l_int32 wordsPerLine = pixGetWpl(grey);
  const l_uint32* data = pixGetData(grey);
  for (int32_t y = 0; y < image->height; ++y) {
    const l_uint32* line = data + static_cast<size_t>(y) * wordsPerLine;
    uint8_t* out = image->pixels + static_cast<size_t>(y) * image->width;
    for (int32_t x = 0; x < image->width; ++x)
      out[x] = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
  }
}

// Any depth, colour-mapped or not, to 8-bit luminance.
bool ConvertPix(PIX* pix, DecodeLimits* limits, GreyImage* image) {
  const l_int32 width = pixGetWidth(pix);
  const l_int32 height = pixGetHeight(pix);
  if (!SizeAllowed(width, height, limits)) return false;
  if (pixGetDepth(pix) == 32 && pixGetColormap(pix) == nullptr) {
    if (!AllocateGrey(image, width, height)) return false;
    CopyColour(pix, image);
    return true;
  }
  PIX* grey = pixConvertTo8(pix, 0);
  if (grey == nullptr) return false;
  const bool ok = pixGetDepth(grey) == 8 && AllocateGrey(image, width, height);
  if (ok) CopyGrey(grey, image);
  pixDestroy(&grey);
  return ok;
}

}  // namespace

void SilenceLeptonica() noexcept {
  // Leptonica keeps its message settings in globals: set once, so that
  // providers decoding on several threads never write them at the same time.
  static const bool silenced = [] {
    setMsgSeverity(L_SEVERITY_NONE);
    leptSetStderrHandler(DiscardMessage);
    return true;
  }();
  (void)silenced;
}

bool DecodeWithLeptonica(const uint8_t* data, size_t length, Format format, uint16_t page,
                         DecodeLimits* limits, GreyImage* image) noexcept {
  if (data == nullptr || length == 0) return false;
  if (format != Format::kTiff && page != 0) return false;
  if (!ReadHeader(data, length, format, page, limits)) return false;
  PIX* pix =
      format == Format::kTiff ? pixReadMemTiff(data, length, page) : pixReadMem(data, length);
  if (pix == nullptr) return false;
  const bool ok = ConvertPix(pix, limits, image);
  pixDestroy(&pix);
  return ok;
}

}  // namespace rastra
