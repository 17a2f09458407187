#include "image/image_state.h"

namespace bcx {

ImageState g_image;

bool IsMultiPageType(int32_t type) { return type == kTiffType || type == kGifType; }

void ReleaseMemoryCopy() {
  delete[] g_image.memoryCopy;
  g_image.memoryCopy = nullptr;
  g_image.memoryLength = 0;
}

void ForgetImage() {
  g_image.loaded = 0;
  g_image.regionLeft = 0;
  g_image.regionTop = 0;
  g_image.pageCount = 0;
  ReleaseMemoryCopy();
}

}  // namespace bcx
