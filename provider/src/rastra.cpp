// The image provider's exported operations: one current image held as
// 8-bit grey, a crop rectangle and a binarisation level.
#include "rastra.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "binarize.h"
#include "grey_image.h"

namespace rastra {
namespace {

// A file is read whole; the memory interface carries 32-bit lengths.
constexpr uint64_t kMaxFileBytes = UINT32_MAX;

// Which block and page an image was decoded from; length 0 means none.
struct BlockKey {
  uint64_t fingerprint;
  size_t length;
  uint16_t page;
};

// Hosts count pages and load the same block back to back (in either
// order), so the page 0 decoded by a count is kept as `spare` for the load,
// and a count of the block just loaded decodes nothing.
struct ProviderState {
  GreyImage image;
  BlockKey imageKey;
  GreyImage spare;
  BlockKey spareKey;
  Rect region;
  int32_t level;
  char* pagePath;  // last path given to LoadFile or CountFilePages
  uint16_t pageType;
};

constexpr BlockKey kNoBlock = {0, 0, 0};

ProviderState g_state = {
    {nullptr, 0, 0}, kNoBlock, {nullptr, 0, 0}, kNoBlock, {0, 0, 0, 0}, RASTRA_DEFAULT_THRESHOLD,
    nullptr,         0};

struct FileBlock {
  uint8_t* data;
  size_t length;
};

bool IsMultiPageType(uint16_t type) { return type == RASTRA_TYPE_TIFF || type == RASTRA_TYPE_GIF; }

BlockKey KeyOf(const uint8_t* data, size_t length, uint16_t page) {
  return {Fingerprint(data, length), length, page};
}

bool SameBlock(const BlockKey& a, const BlockKey& b) {
  return a.length != 0 && a.length == b.length && a.fingerprint == b.fingerprint &&
         a.page == b.page;
}

void ForgetImage() {
  FreeGrey(&g_state.image);
  g_state.imageKey = kNoBlock;
  g_state.region = {0, 0, 0, 0};
}

void ForgetSpare() {
  FreeGrey(&g_state.spare);
  g_state.spareKey = kNoBlock;
}

void Adopt(const GreyImage& image, const BlockKey& key) {
  ForgetImage();
  g_state.image = image;
  g_state.imageKey = key;
  g_state.region = {0, 0, image.width, image.height};
}

bool RememberPath(const char* path, uint16_t type) {
  const size_t length = std::strlen(path);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) return false;
  std::memcpy(copy, path, length + 1);
  delete[] g_state.pagePath;
  g_state.pagePath = copy;
  g_state.pageType = type;
  return true;
}

// Reads a regular file whole; directories, empty and oversized files fail.
bool ReadFile(const char* path, FileBlock* block) {
  *block = {nullptr, 0};
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  struct stat info;
  bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<uint64_t>(info.st_size) <= kMaxFileBytes;
  if (ok) {
    block->length = static_cast<size_t>(info.st_size);
    block->data = new (std::nothrow) uint8_t[block->length];
    ok = block->data != nullptr && std::fread(block->data, 1, block->length, file) == block->length;
  }
  std::fclose(file);
  if (!ok) {
    delete[] block->data;
    *block = {nullptr, 0};
  }
  return ok;
}

bool DecodePage(const uint8_t* data, size_t length, uint16_t type, uint16_t page,
                GreyImage* image) {
  if (data == nullptr || length == 0) return false;
  if (page != 0 && !IsMultiPageType(type)) return false;
  SilenceLeptonica();
  const Format format = DetectFormat(data, length);
  switch (format) {
    case Format::kPng:
      return page == 0 && DecodePng(data, length, image);
    case Format::kJpeg:
      return page == 0 && DecodeJpeg(data, length, image);
    case Format::kGif:
      return DecodeGifFrame(data, length, page, image);
    case Format::kTiff:
      return page < CountTiffPages(data, length) &&
             DecodeWithLeptonica(data, length, format, page, image);
    case Format::kBmp:
    case Format::kPnm:
    case Format::kWebp:
      return page == 0 && DecodeWithLeptonica(data, length, format, page, image);
    case Format::kUnknown:
      break;
  }
  return false;
}

// Readable means decodable: a file cut short is refused here as in a load.
bool Probe(const uint8_t* data, size_t length) {
  const BlockKey key = KeyOf(data, length, 0);
  if (SameBlock(key, g_state.imageKey) || SameBlock(key, g_state.spareKey)) return true;
  GreyImage image = {nullptr, 0, 0};
  if (!DecodePage(data, length, RASTRA_TYPE_DETECT, 0, &image)) return false;
  ForgetSpare();
  g_state.spare = image;
  g_state.spareKey = key;
  return true;
}

uint16_t CountPages(const uint8_t* data, size_t length, uint16_t type) {
  if (data == nullptr || length == 0) return 0;
  SilenceLeptonica();
  if (IsMultiPageType(type)) {
    const Format format = DetectFormat(data, length);
    if (format == Format::kTiff) return CountTiffPages(data, length);
    if (format == Format::kGif) return CountGifFrames(data, length);
  }
  return Probe(data, length) ? 1 : 0;
}

// A failed load leaves no image, so a stale one is never binarised.
uint8_t LoadPage(const uint8_t* data, size_t length, uint16_t type, uint16_t page) {
  if (data == nullptr || length == 0 || (page != 0 && !IsMultiPageType(type))) {
    ForgetImage();
    return 0;
  }
  const BlockKey key = KeyOf(data, length, page);
  if (SameBlock(key, g_state.spareKey)) {
    Adopt(g_state.spare, key);
    g_state.spare = {nullptr, 0, 0};
    g_state.spareKey = kNoBlock;
    return 1;
  }
  ForgetSpare();
  GreyImage image = {nullptr, 0, 0};
  if (!DecodePage(data, length, type, page, &image)) {
    ForgetImage();
    return 0;
  }
  Adopt(image, key);
  return 1;
}

uint8_t LoadFilePage(const char* path, uint16_t type, uint16_t page) {
  FileBlock block;
  if (path == nullptr || !ReadFile(path, &block)) {
    ForgetImage();
    return 0;
  }
  const uint8_t ok = LoadPage(block.data, block.length, type, page);
  delete[] block.data;
  return ok;
}

bool RegionMatches(int32_t width, int32_t height) {
  return g_state.image.pixels != nullptr && width == g_state.region.width &&
         height == g_state.region.height;
}

}  // namespace
}  // namespace rastra

using rastra::g_state;

extern "C" {

void ReleaseImage(void) noexcept {
  rastra::ForgetImage();
  rastra::ForgetSpare();
  delete[] g_state.pagePath;
  g_state.pagePath = nullptr;
  g_state.pageType = 0;
}

uint8_t LoadMemory(const uint8_t* block, uint32_t length, uint16_t type) noexcept {
  return rastra::LoadPage(block, length, type, 0);
}

uint8_t LoadFile(const char* path, uint16_t type) noexcept {
  if (path == nullptr || !rastra::RememberPath(path, type)) {
    rastra::ForgetImage();
    return 0;
  }
  return rastra::LoadFilePage(path, type, 0);
}

uint8_t GetSize(int32_t* width, int32_t* height) noexcept {
  if (g_state.image.pixels == nullptr || width == nullptr || height == nullptr) return 0;
  *width = g_state.image.width;
  *height = g_state.image.height;
  return 1;
}

uint8_t GetBinaryPixels(uint8_t* buffer, int32_t width, int32_t height) noexcept {
  if (buffer == nullptr || !rastra::RegionMatches(width, height)) return 0;
  const rastra::Rect& region = g_state.region;
  if (g_state.level == RASTRA_THRESHOLD_ADAPTIVE) {
    return rastra::BinariseAdaptive(g_state.image, region, buffer) ? 1 : 0;
  }
  const int32_t level = g_state.level == RASTRA_THRESHOLD_OTSU
                            ? rastra::OtsuLevel(g_state.image, region)
                            : g_state.level;
  rastra::BinariseFixed(g_state.image, region, level, buffer);
  return 1;
}

uint16_t CountFilePages(const char* path, uint16_t type) noexcept {
  if (path == nullptr || !rastra::RememberPath(path, type)) return 0;
  rastra::FileBlock block;
  if (!rastra::ReadFile(path, &block)) return 0;
  const uint16_t pages = rastra::CountPages(block.data, block.length, type);
  delete[] block.data;
  return pages;
}

uint8_t SelectFilePage(uint16_t page) noexcept {
  if (g_state.pagePath == nullptr) {
    rastra::ForgetImage();
    return 0;
  }
  return rastra::LoadFilePage(g_state.pagePath, g_state.pageType, page);
}

void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) noexcept {
  if (g_state.image.pixels == nullptr) return;
  if (left > right || top > bottom) return;
  if (right >= g_state.image.width || bottom >= g_state.image.height) return;
  g_state.region = {left, top, right - left + 1, bottom - top + 1};
}

uint8_t SetThreshold(int32_t level) noexcept {
  const bool fixed = level >= 1 && level <= 255;
  if (!fixed && level != RASTRA_THRESHOLD_OTSU && level != RASTRA_THRESHOLD_ADAPTIVE) return 0;
  g_state.level = level;
  return 1;
}

uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t type) noexcept {
  return rastra::CountPages(block, length, type);
}

uint8_t SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type,
                         uint16_t page) noexcept {
  return rastra::LoadPage(block, length, type, page);
}

}  // extern "C"
