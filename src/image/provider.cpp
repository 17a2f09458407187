#include "image/provider.h"

#include "rastra.h"

namespace bcx::provider {

void ReleaseImage() { ::ReleaseImage(); }

bool LoadMemory(const uint8_t* block, uint32_t length, uint16_t type) {
  return ::LoadMemory(block, length, type) != 0;
}

bool LoadFile(const char* path, uint16_t type) { return ::LoadFile(path, type) != 0; }

bool GetSize(int32_t* width, int32_t* height) { return ::GetSize(width, height) != 0; }

bool GetBinaryPixels(uint8_t* buffer, int32_t width, int32_t height) {
  return ::GetBinaryPixels(buffer, width, height) != 0;
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
