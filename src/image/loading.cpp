// Exported image loading, paging, sizing and region calls.
#include <cstring>
#include <new>

#include "api/context.h"
#include "bcxdec.h"
#include "image/provider.h"

using namespace bcx;

namespace {

constexpr uint16_t kLowHalf = 0xFFFF;

void MarkLoaded(ImageState& image, bool ok, int32_t fromFile) {
  image.loaded = ok ? 1 : 0;
  if (ok) image.fromFile = fromFile;
  image.regionCurrent = 0;
}

}  // namespace

extern "C" {

BCX_API uint16_t BCX_CALL BcxLoadFromFile(const char* path, uint16_t type) noexcept {
  ImageState& image = g_library.image;
  if (path == nullptr) return 0;
  const size_t length = strnlen(path, kPathBufferSize);
  if (length >= static_cast<size_t>(kPathBufferSize)) return 0;
  std::memcpy(image.path, path, length + 1);
  image.type = type;
  image.pageCount = provider::CountFilePages(image.path, type) & kLowHalf;
  // Multi-page types need at least one page; the provider then makes page 0
  // current so that a host may size and scan without choosing a page.
  bool ok = provider::LoadFile(path, type);
  if (IsMultiPageType(type)) ok = ok && image.pageCount >= 1;
  MarkLoaded(image, ok, 1);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxLoadFromMem(const uint8_t* data, uint32_t length,
                                         uint16_t type) noexcept {
  ImageState& image = g_library.image;
  if (length == 0 || data == nullptr) return 0;
  ReleaseMemoryCopy(image);
  uint8_t* copy = new (std::nothrow) uint8_t[length];
  if (copy == nullptr) return 0;
  std::memcpy(copy, data, length);
  image.memoryCopy = copy;
  image.memoryLength = length;
  const bool ok = provider::LoadMemory(copy, length, type);
  if (type != 0) image.type = type;
  image.pageCount =
      provider::CountMemoryPages(copy, length, static_cast<uint16_t>(image.type)) & kLowHalf;
  MarkLoaded(image, ok, 0);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetNumOfPages(void) noexcept {
  ImageState& image = g_library.image;
  if (!IsMultiPageType(image.type)) return 1;
  return image.loaded ? static_cast<uint16_t>(image.pageCount) : 0;
}

BCX_API uint16_t BCX_CALL BcxSetPage(uint16_t page) noexcept {
  ImageState& image = g_library.image;
  if (!IsMultiPageType(image.type)) return 0;
  if (page >= image.pageCount) return 0;
  bool ok = false;
  if (image.fromFile == 1) {
    ok = provider::SelectFilePage(page);
  } else if (image.memoryCopy != nullptr) {
    ok = provider::SelectMemoryPage(image.memoryCopy, image.memoryLength,
                                    static_cast<uint16_t>(image.type), page);
  }
  image.loaded = ok ? 1 : 0;
  image.regionCurrent = 0;
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetImgSize(uint16_t* width, uint16_t* height) noexcept {
  ImageState& image = g_library.image;
  if (!image.loaded || width == nullptr || height == nullptr) return 0;
  int32_t w = 0;
  int32_t h = 0;
  if (!provider::GetSize(&w, &h) || w <= 0 || h <= 0) {
    image.imageWidth = 0;
    image.imageHeight = 0;
    *width = 0;
    *height = 0;
    return 0;
  }
  image.imageWidth = w;
  image.imageHeight = h;
  image.regionLeft = 0;
  image.regionTop = 0;
  image.regionWidth = w;
  image.regionHeight = h;
  // The provider must crop to the same rectangle the library now believes
  // in, or a scan would be handed pixels of an older region.
  provider::SetRegion(0, 0, static_cast<uint16_t>(w - 1), static_cast<uint16_t>(h - 1));
  image.regionCurrent = 1;
  *width = static_cast<uint16_t>(w & kLowHalf);
  *height = static_cast<uint16_t>(h & kLowHalf);
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetRegion(uint16_t left, uint16_t top, uint16_t right,
                                       uint16_t bottom) noexcept {
  ImageState& image = g_library.image;
  const uint16_t imageWidth = static_cast<uint16_t>(image.imageWidth & kLowHalf);
  const uint16_t imageHeight = static_cast<uint16_t>(image.imageHeight & kLowHalf);
  if (!(left < right && top < bottom && right < imageWidth && bottom < imageHeight)) {
    return 0;
  }
  provider::SetRegion(left, top, right, bottom);
  image.regionLeft = left;
  image.regionTop = top;
  image.regionWidth = right - left + 1;
  image.regionHeight = bottom - top + 1;
  return 1;
}

}  // extern "C"
