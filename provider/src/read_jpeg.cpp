// JPEG through TurboJPEG, which keeps its messages to itself and decodes
// straight to grey. A warning (a truncated or damaged stream) fails the load.
#include <turbojpeg.h>

#include "grey_image.h"

namespace rastra {
namespace {

constexpr int kDecodeFlags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING;

bool ReadSize(tjhandle decoder, const uint8_t* data, size_t length, int* width, int* height) {
  int subsampling = 0;
  int colorspace = 0;
  if (tjDecompressHeader3(decoder, data, static_cast<unsigned long>(length), width, height,
                          &subsampling, &colorspace) != 0) {
    return false;
  }
  return SizeAllowed(*width, *height);
}

bool UsableBlock(const uint8_t* data, size_t length) {
  return data != nullptr && length > 0 && length <= UINT32_MAX;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t length, GreyImage* image) noexcept {
  if (!UsableBlock(data, length)) return false;
  tjhandle decoder = tjInitDecompress();
  if (decoder == nullptr) return false;
  int width = 0;
  int height = 0;
  bool ok = ReadSize(decoder, data, length, &width, &height) && AllocateGrey(image, width, height);
  if (ok) {
    ok = tjDecompress2(decoder, data, static_cast<unsigned long>(length), image->pixels, width, 0,
                       height, TJPF_GRAY, kDecodeFlags) == 0;
    if (!ok) FreeGrey(image);
  }
  tjDestroy(decoder);
  return ok;
}

}  // namespace rastra
