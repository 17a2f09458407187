// The image provider on Windows: Rastra.dll, whose operations are imported
// by ordinal and keep the argument lists its hosts have always pushed.
#include "image/provider.h"
#include "rastra.h"

namespace bcx::provider {

void ReleaseImage() { ::ReleaseImage(); }

bool LoadMemory(const uint8_t* block, uint32_t length, uint16_t type) {
  return ::LoadMemory(block, length, type) != 0;
}

bool LoadFile(const char* path, uint16_t type) { return ::LoadFile(path, type) != 0; }

bool GetSize(int32_t* width, int32_t* height) { return ::GetSize(width, height) != 0; }

// The DLL's operation writes its current region without being told its
// size, so the region is pinned again here, and only while the provider's
// image is still the one the library sized may it write into the buffer.
bool GetBinaryPixels(const ImageState& image, uint8_t* buffer, int32_t width, int32_t height) {
  int32_t w = 0;
  int32_t h = 0;
  if (!::GetSize(&w, &h) || w != image.imageWidth || h != image.imageHeight) return false;
  const int32_t right = image.regionLeft + width - 1;
  const int32_t bottom = image.regionTop + height - 1;
  if (width <= 0 || height <= 0 || image.regionLeft < 0 || image.regionTop < 0 || right >= w ||
      bottom >= h) {
    return false;
  }
  ::SetRegion(static_cast<uint16_t>(image.regionLeft), static_cast<uint16_t>(image.regionTop),
              static_cast<uint16_t>(right), static_cast<uint16_t>(bottom));
  return ::GetBinaryPixels(buffer) != 0;
}

uint16_t CountFilePages(const char* path, uint16_t type) { return ::CountFilePages(path, type); }

bool SelectFilePage(uint16_t page) { return ::SelectFilePage(page) != 0; }

void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
  ::SetRegion(left, top, right, bottom);
}

bool SetThreshold(int32_t level) { return ::SetThreshold(level) != 0; }

uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t type) {
  return ::CountMemoryPages(block, length, type);
}

bool SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type, uint16_t page) {
  return ::SelectMemoryPage(block, length, type, page) != 0;
}

}  // namespace bcx::provider
