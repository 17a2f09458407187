#include "image/image_state.h"

namespace bcx {

bool IsMultiPageType(int32_t type) { return type == kTiffType || type == kGifType; }

void ReleaseMemoryCopy(ImageState& image) {
  delete[] image.memoryCopy;
  image.memoryCopy = nullptr;
  image.memoryLength = 0;
}

void ForgetImage(ImageState& image) {
  image.loaded = 0;
  image.regionLeft = 0;
  image.regionTop = 0;
  image.pageCount = 0;
  ReleaseMemoryCopy(image);
}

}  // namespace bcx
