// Bookkeeping about the current image: the pixels themselves stay in the
// image provider.
#pragma once

#include <cstdint>

namespace bcx {

constexpr int kPathBufferSize = 150;  // longest path 149 characters
constexpr uint16_t kTiffType = 2;
constexpr uint16_t kGifType = 6;

struct ImageState {
  int32_t loaded;    // an image or page may be scanned
  int32_t type;      // 16-bit code handed to the provider
  int32_t fromFile;  // 1 file, 0 memory
  char path[kPathBufferSize];
  uint8_t* memoryCopy;  // owned copy of the last memory image
  uint32_t memoryLength;
  int32_t pageCount;
  int32_t imageWidth;
  int32_t imageHeight;
  int32_t regionLeft;
  int32_t regionTop;
  int32_t regionWidth;
  int32_t regionHeight;
  // Set by BcxGetImgSize, cleared by every load and page change: a scan
  // trusts the region size only while it describes the current image.
  int32_t regionCurrent;
};

bool IsMultiPageType(int32_t type);

// Forgets the image as BcxInit does.
void ForgetImage(ImageState& image);

// Releases the memory copy, if any.
void ReleaseMemoryCopy(ImageState& image);

}  // namespace bcx
