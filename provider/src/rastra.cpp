// The image provider over Leptonica: one current image held as 8-bit grey,
// a crop rectangle and a binarisation level.
#include "rastra.h"

#include <leptonica/allheaders.h>

#include <cstring>

namespace {

struct ProviderState {
  PIX* grey;  // current image or page, 8 bpp
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t level;
};

ProviderState g_state = {nullptr, 0, 0, -1, -1, RASTRA_DEFAULT_THRESHOLD};

void Silence() {
  static bool done = false;
  if (!done) {
    setMsgSeverity(L_SEVERITY_NONE);
    done = true;
  }
}

void Release() {
  if (g_state.grey != nullptr) pixDestroy(&g_state.grey);
  g_state.left = g_state.top = 0;
  g_state.right = g_state.bottom = -1;
}

bool Adopt(PIX* pix) {
  if (pix == nullptr) return false;
  PIX* grey = pixConvertTo8(pix, 0);
  pixDestroy(&pix);
  if (grey == nullptr) return false;
  Release();
  g_state.grey = grey;
  g_state.right = static_cast<int32_t>(pixGetWidth(grey)) - 1;
  g_state.bottom = static_cast<int32_t>(pixGetHeight(grey)) - 1;
  return true;
}

}  // namespace

extern "C" {

void ReleaseImage(void) noexcept { Release(); }

uint8_t LoadMemory(const uint8_t* block, uint32_t length, uint16_t) noexcept {
  Silence();
  if (block == nullptr || length == 0) return 0;
  return Adopt(pixReadMem(block, length)) ? 1 : 0;
}

uint8_t LoadFile(const char* path, uint16_t) noexcept {
  Silence();
  if (path == nullptr) return 0;
  return Adopt(pixRead(path)) ? 1 : 0;
}

uint8_t GetSize(int32_t* width, int32_t* height) noexcept {
  if (g_state.grey == nullptr || width == nullptr || height == nullptr) return 0;
  *width = static_cast<int32_t>(pixGetWidth(g_state.grey));
  *height = static_cast<int32_t>(pixGetHeight(g_state.grey));
  return 1;
}

uint8_t GetBinaryPixels(uint8_t* buffer, int32_t width, int32_t height) noexcept {
  if (g_state.grey == nullptr || buffer == nullptr) return 0;
  if (width != g_state.right - g_state.left + 1 || height != g_state.bottom - g_state.top + 1) {
    return 0;
  }
  const uint32_t* data = pixGetData(g_state.grey);
  const int32_t wpl = pixGetWpl(g_state.grey);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* line = data + static_cast<size_t>(y + g_state.top) * wpl;
    uint8_t* out = buffer + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      out[x] = GET_DATA_BYTE(line, x + g_state.left) < g_state.level ? 1 : 0;
    }
  }
  return 1;
}

uint16_t CountFilePages(const char* path, uint16_t) noexcept {
  Silence();
  if (path == nullptr) return 0;
  l_int32 format = 0, w = 0, h = 0;
  return pixReadHeader(path, &format, &w, &h, nullptr, nullptr, nullptr) == 0 ? 1 : 0;
}

uint8_t SelectFilePage(uint16_t page) noexcept { return page == 0 && g_state.grey ? 1 : 0; }

void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) noexcept {
  if (g_state.grey == nullptr) return;
  const int32_t w = static_cast<int32_t>(pixGetWidth(g_state.grey));
  const int32_t h = static_cast<int32_t>(pixGetHeight(g_state.grey));
  if (left > right || top > bottom || right >= w || bottom >= h) return;
  g_state.left = left;
  g_state.top = top;
  g_state.right = right;
  g_state.bottom = bottom;
}

uint8_t SetThreshold(int32_t level) noexcept {
  if (level < 1 || level > 255) return 0;
  g_state.level = level;
  return 1;
}

uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t) noexcept {
  Silence();
  if (block == nullptr || length == 0) return 0;
  l_int32 format = 0, w = 0, h = 0;
  return pixReadHeaderMem(block, length, &format, &w, &h, nullptr, nullptr, nullptr) == 0 ? 1 : 0;
}

uint8_t SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type,
                         uint16_t page) noexcept {
  if (page != 0) return 0;
  return LoadMemory(block, length, type);
}

}  // extern "C"
