// Exported image loading, paging, sizing and region calls.
#include <cstring>
#include <new>

#include "bcxdec.h"
#include "image/image_state.h"
#include "image/provider.h"

using namespace bcx;

namespace {

constexpr uint16_t kLowHalf = 0xFFFF;

void MarkLoaded(bool ok, int32_t fromFile) {
  g_image.loaded = ok ? 1 : 0;
  if (ok) g_image.fromFile = fromFile;
  g_image.regionCurrent = 0;
}

}  // namespace

extern "C" {

BCX_API uint16_t BCX_CALL BcxLoadFromFile(const char* path, uint16_t type) noexcept {
  if (path == nullptr) return 0;
  const size_t length = strnlen(path, kPathBufferSize);
  if (length >= static_cast<size_t>(kPathBufferSize)) return 0;
  std::memcpy(g_image.path, path, length + 1);
  g_image.type = type;
  g_image.pageCount = provider::CountFilePages(g_image.path, type) & kLowHalf;
  // Multi-page types need at least one page; the provider then makes page 0
  // current so that a host may size and scan without choosing a page.
  bool ok = provider::LoadFile(path, type);
  if (IsMultiPageType(type)) ok = ok && g_image.pageCount >= 1;
  MarkLoaded(ok, 1);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxLoadFromMem(const uint8_t* data, uint32_t length,
                                         uint16_t type) noexcept {
  if (length == 0 || data == nullptr) return 0;
  ReleaseMemoryCopy();
  uint8_t* copy = new (std::nothrow) uint8_t[length];
  if (copy == nullptr) return 0;
  std::memcpy(copy, data, length);
  g_image.memoryCopy = copy;
  g_image.memoryLength = length;
  const bool ok = provider::LoadMemory(copy, length, type);
  if (type != 0) g_image.type = type;
  g_image.pageCount =
      provider::CountMemoryPages(copy, length, static_cast<uint16_t>(g_image.type)) & kLowHalf;
  MarkLoaded(ok, 0);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetNumOfPages(void) noexcept {
  if (!IsMultiPageType(g_image.type)) return 1;
  return g_image.loaded ? static_cast<uint16_t>(g_image.pageCount) : 0;
}

BCX_API uint16_t BCX_CALL BcxSetPage(uint16_t page) noexcept {
  if (!IsMultiPageType(g_image.type)) return 0;
  if (page >= g_image.pageCount) return 0;
  bool ok = false;
  if (g_image.fromFile == 1) {
    ok = provider::SelectFilePage(page);
  } else if (g_image.memoryCopy != nullptr) {
    ok = provider::SelectMemoryPage(g_image.memoryCopy, g_image.memoryLength,
                                    static_cast<uint16_t>(g_image.type), page);
  }
  g_image.loaded = ok ? 1 : 0;
  g_image.regionCurrent = 0;
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetImgSize(uint16_t* width, uint16_t* height) noexcept {
  if (!g_image.loaded || width == nullptr || height == nullptr) return 0;
  int32_t w = 0;
  int32_t h = 0;
  if (!provider::GetSize(&w, &h) || w <= 0 || h <= 0) {
    g_image.imageWidth = 0;
    g_image.imageHeight = 0;
    *width = 0;
    *height = 0;
    return 0;
  }
  g_image.imageWidth = w;
  g_image.imageHeight = h;
  g_image.regionLeft = 0;
  g_image.regionTop = 0;
  g_image.regionWidth = w;
  g_image.regionHeight = h;
  // The provider must crop to the same rectangle the library now believes
  // in, or a scan would be handed pixels of an older region.
  provider::SetRegion(0, 0, static_cast<uint16_t>(w - 1), static_cast<uint16_t>(h - 1));
  g_image.regionCurrent = 1;
  *width = static_cast<uint16_t>(w & kLowHalf);
  *height = static_cast<uint16_t>(h & kLowHalf);
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetRegion(uint16_t left, uint16_t top, uint16_t right,
                                       uint16_t bottom) noexcept {
  const uint16_t imageWidth = static_cast<uint16_t>(g_image.imageWidth & kLowHalf);
  const uint16_t imageHeight = static_cast<uint16_t>(g_image.imageHeight & kLowHalf);
  if (!(left < right && top < bottom && right < imageWidth && bottom < imageHeight)) {
    return 0;
  }
  provider::SetRegion(left, top, right, bottom);
  g_image.regionLeft = left;
  g_image.regionTop = top;
  g_image.regionWidth = right - left + 1;
  g_image.regionHeight = bottom - top + 1;
  return 1;
}

}  // extern "C"
