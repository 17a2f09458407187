// The one place the exported calls reach the image provider: its original
// eleven operations over one provider context for the whole process.
#pragma once

#include <cstdint>

#include "image/image_state.h"

namespace bcx::provider {

void ReleaseImage();
bool LoadMemory(const uint8_t* block, uint32_t length, uint16_t type);
bool LoadFile(const char* path, uint16_t type);
bool GetSize(int32_t* width, int32_t* height);
// Fills a width x height buffer with the region `image` describes; false
// (nothing written) when the provider's region is not exactly that size.
bool GetBinaryPixels(const ImageState& image, uint8_t* buffer, int32_t width, int32_t height);
uint16_t CountFilePages(const char* path, uint16_t type);
bool SelectFilePage(uint16_t page);
void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
bool SetThreshold(int32_t level);
uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t type);
bool SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type, uint16_t page);

}  // namespace bcx::provider
