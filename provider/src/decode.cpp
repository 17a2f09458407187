// Which library reads which format, where the platform offers no codecs:
// libpng, libjpeg-turbo, giflib, and Leptonica for the rest.
#include "grey_image.h"

namespace rastra {

bool DecodeFormat(const uint8_t* data, size_t length, Format format, uint16_t page,
                  DecodeLimits* limits, GreyImage* image) noexcept {
  SilenceLeptonica();
  switch (format) {
    case Format::kPng:
      return page == 0 && DecodePng(data, length, limits, image);
    case Format::kJpeg:
      return page == 0 && DecodeJpeg(data, length, limits, image);
    case Format::kGif:
      return DecodeGifFrame(data, length, page, limits, image);
    case Format::kTiff:
      return page < CountTiffPages(data, length) &&
             DecodeWithLeptonica(data, length, format, page, limits, image);
    case Format::kBmp:
    case Format::kPnm:
    case Format::kWebp:
      return page == 0 && DecodeWithLeptonica(data, length, format, page, limits, image);
    case Format::kUnknown:
      break;
  }
  return false;
}

}  // namespace rastra
