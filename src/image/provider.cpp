#include "image/provider.h"

#include "rastra.h"

namespace bcx::provider {

namespace {

// The exported calls share one provider context, made on first use: loading
// the library runs none of its code. While it cannot be made, every
// operation fails as it would without an image.
rastra_context* g_provider = nullptr;

rastra_context* Provider() {
  if (g_provider == nullptr) g_provider = rastra_new();
  return g_provider;
}

}  // namespace

void ReleaseImage() { rastra_release_image(Provider()); }

bool LoadMemory(const uint8_t* block, uint32_t length, uint16_t type) {
  return rastra_load_memory(Provider(), block, length, type) != 0;
}

bool LoadFile(const char* path, uint16_t type) {
  return rastra_load_file(Provider(), path, type) != 0;
}

bool GetSize(int32_t* width, int32_t* height) {
  return rastra_get_size(Provider(), width, height) != 0;
}

// Rastra's own operation is told the size; the region is the provider's.
bool GetBinaryPixels(const ImageState& /*image*/, uint8_t* buffer, int32_t width, int32_t height) {
  return rastra_get_binary_pixels(Provider(), buffer, width, height) != 0;
}

uint16_t CountFilePages(const char* path, uint16_t type) {
  return rastra_count_file_pages(Provider(), path, type);
}

bool SelectFilePage(uint16_t page) { return rastra_select_file_page(Provider(), page) != 0; }

void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
  rastra_set_region(Provider(), left, top, right, bottom);
}

bool SetThreshold(int32_t level) { return rastra_set_threshold(Provider(), level) != 0; }

uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t type) {
  return rastra_count_memory_pages(Provider(), block, length, type);
}

bool SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type, uint16_t page) {
  return rastra_select_memory_page(Provider(), block, length, type, page) != 0;
}

}  // namespace bcx::provider
