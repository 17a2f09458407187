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

constexpr BlockKey kNoBlock = {0, 0, 0};

}  // namespace
}  // namespace rastra

// Hosts count pages and load the same block back to back (in either
// order), so the page 0 decoded by a count is kept as `spare` for the load,
// and a count of the block just loaded decodes nothing.
struct rastra_context {
  rastra::GreyImage image;
  rastra::BlockKey imageKey;
  rastra::GreyImage spare;
  rastra::BlockKey spareKey;
  rastra::Rect region;
  int32_t level;
  char* pagePath;  // last path given to LoadFile or CountFilePages
  uint16_t pageType;
  // The pixel limit, and what the last load, count or page selection
  // refused for its size.
  rastra::DecodeLimits limits;
};

namespace rastra {
namespace {

using Context = rastra_context;

// The instance behind the eleven operations of the original interface.
constinit Context g_state = {{nullptr, 0, 0},
                             kNoBlock,
                             {nullptr, 0, 0},
                             kNoBlock,
                             {0, 0, 0, 0},
                             RASTRA_DEFAULT_THRESHOLD,
                             nullptr,
                             0,
                             {RASTRA_MAX_PIXELS, 0, 0}};

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

void ForgetImage(Context& c) {
  FreeGrey(&c.image);
  c.imageKey = kNoBlock;
  c.region = {0, 0, 0, 0};
}

void ForgetSpare(Context& c) {
  FreeGrey(&c.spare);
  c.spareKey = kNoBlock;
}

void ForgetAll(Context& c) {
  ForgetImage(c);
  ForgetSpare(c);
  delete[] c.pagePath;
  c.pagePath = nullptr;
  c.pageType = 0;
}

void Adopt(Context& c, const GreyImage& image, const BlockKey& key) {
  ForgetImage(c);
  c.image = image;
  c.imageKey = key;
  c.region = {0, 0, image.width, image.height};
}

bool RememberPath(Context& c, const char* path, uint16_t type) {
  const size_t length = std::strlen(path);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) return false;
  std::memcpy(copy, path, length + 1);
  delete[] c.pagePath;
  c.pagePath = copy;
  c.pageType = type;
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

// Each load, count and page selection tells only of its own refusal.
DecodeLimits* FreshLimits(Context& c) {
  c.limits.refusedWidth = 0;
  c.limits.refusedHeight = 0;
  return &c.limits;
}

bool DecodePage(const uint8_t* data, size_t length, uint16_t type, uint16_t page,
                DecodeLimits* limits, GreyImage* image) {
  if (data == nullptr || length == 0) return false;
  if (page != 0 && !IsMultiPageType(type)) return false;
  return DecodeFormat(data, length, DetectFormat(data, length), page, limits, image);
}

// Readable means decodable: a file cut short is refused here as in a load.
bool Probe(Context& c, const uint8_t* data, size_t length) {
  const BlockKey key = KeyOf(data, length, 0);
  if (SameBlock(key, c.imageKey) || SameBlock(key, c.spareKey)) return true;
  GreyImage image = {nullptr, 0, 0};
  if (!DecodePage(data, length, RASTRA_TYPE_DETECT, 0, &c.limits, &image)) return false;
  ForgetSpare(c);
  c.spare = image;
  c.spareKey = key;
  return true;
}

uint16_t CountPages(Context& c, const uint8_t* data, size_t length, uint16_t type) {
  DecodeLimits* limits = FreshLimits(c);
  if (data == nullptr || length == 0) return 0;
  if (IsMultiPageType(type)) {
    const Format format = DetectFormat(data, length);
    if (format == Format::kTiff) return CountTiffPages(data, length);
    if (format == Format::kGif) return CountGifFrames(data, length, limits);
  }
  return Probe(c, data, length) ? 1 : 0;
}

// A failed load leaves no image, so a stale one is never binarised.
uint8_t LoadPage(Context& c, const uint8_t* data, size_t length, uint16_t type, uint16_t page) {
  DecodeLimits* limits = FreshLimits(c);
  if (data == nullptr || length == 0 || (page != 0 && !IsMultiPageType(type))) {
    ForgetImage(c);
    return 0;
  }
  const BlockKey key = KeyOf(data, length, page);
  if (SameBlock(key, c.spareKey)) {
    Adopt(c, c.spare, key);
    c.spare = {nullptr, 0, 0};
    c.spareKey = kNoBlock;
    return 1;
  }
  ForgetSpare(c);
  GreyImage image = {nullptr, 0, 0};
  if (!DecodePage(data, length, type, page, limits, &image)) {
    ForgetImage(c);
    return 0;
  }
  Adopt(c, image, key);
  return 1;
}

uint8_t LoadFilePage(Context& c, const char* path, uint16_t type, uint16_t page) {
  FreshLimits(c);
  FileBlock block;
  if (path == nullptr || !ReadFile(path, &block)) {
    ForgetImage(c);
    return 0;
  }
  const uint8_t ok = LoadPage(c, block.data, block.length, type, page);
  delete[] block.data;
  return ok;
}

bool RegionMatches(const Context& c, int32_t width, int32_t height) {
  return c.image.pixels != nullptr && width == c.region.width && height == c.region.height;
}

// A grey image of `width` columns whose rows lie `stride` bytes apart, seen
// by the binarisers as an image as wide as the stride.
GreyImage StridedView(const uint8_t* pixels, int32_t height, ptrdiff_t stride) {
  return {const_cast<uint8_t*>(pixels), static_cast<int32_t>(stride), height};
}

uint8_t Binarise(const GreyImage& image, const Rect& region, int32_t level, uint8_t* out) {
  if (level == RASTRA_THRESHOLD_ADAPTIVE) return BinariseAdaptive(image, region, out) ? 1 : 0;
  const int32_t resolved = level == RASTRA_THRESHOLD_OTSU ? OtsuLevel(image, region) : level;
  BinariseFixed(image, region, resolved, out);
  return 1;
}

bool LevelAccepted(int32_t level) {
  const bool fixed = level >= 1 && level <= 255;
  return fixed || level == RASTRA_THRESHOLD_OTSU || level == RASTRA_THRESHOLD_ADAPTIVE;
}

}  // namespace
}  // namespace rastra

using rastra::Context;

extern "C" {

rastra_context* rastra_new(void) noexcept {
  Context* c = new (std::nothrow) Context{};
  if (c == nullptr) return nullptr;
  c->level = RASTRA_DEFAULT_THRESHOLD;
  c->limits.maxPixels = RASTRA_MAX_PIXELS;
  return c;
}

void rastra_free(rastra_context* c) noexcept {
  if (c == nullptr) return;
  rastra::ForgetAll(*c);
  delete c;
}

void rastra_release_image(rastra_context* c) noexcept {
  if (c != nullptr) rastra::ForgetAll(*c);
}

uint8_t rastra_load_memory(rastra_context* c, const uint8_t* block, size_t length,
                           uint16_t type) noexcept {
  if (c == nullptr) return 0;
  return rastra::LoadPage(*c, block, length, type, 0);
}

uint8_t rastra_load_file(rastra_context* c, const char* path, uint16_t type) noexcept {
  if (c == nullptr) return 0;
  if (path == nullptr || !rastra::RememberPath(*c, path, type)) {
    rastra::ForgetImage(*c);
    return 0;
  }
  return rastra::LoadFilePage(*c, path, type, 0);
}

uint8_t rastra_get_size(const rastra_context* c, int32_t* width, int32_t* height) noexcept {
  if (c == nullptr || c->image.pixels == nullptr || width == nullptr || height == nullptr) {
    return 0;
  }
  *width = c->image.width;
  *height = c->image.height;
  return 1;
}

uint8_t rastra_get_binary_pixels(rastra_context* c, uint8_t* buffer, int32_t width,
                                 int32_t height) noexcept {
  if (c == nullptr || buffer == nullptr || !rastra::RegionMatches(*c, width, height)) return 0;
  return rastra::Binarise(c->image, c->region, c->level, buffer);
}

uint16_t rastra_count_file_pages(rastra_context* c, const char* path, uint16_t type) noexcept {
  if (c == nullptr) return 0;
  rastra::FreshLimits(*c);
  if (path == nullptr || !rastra::RememberPath(*c, path, type)) return 0;
  rastra::FileBlock block;
  if (!rastra::ReadFile(path, &block)) return 0;
  const uint16_t pages = rastra::CountPages(*c, block.data, block.length, type);
  delete[] block.data;
  return pages;
}

uint8_t rastra_select_file_page(rastra_context* c, uint16_t page) noexcept {
  if (c == nullptr) return 0;
  if (c->pagePath == nullptr) {
    rastra::ForgetImage(*c);
    return 0;
  }
  return rastra::LoadFilePage(*c, c->pagePath, c->pageType, page);
}

void rastra_set_region(rastra_context* c, uint16_t left, uint16_t top, uint16_t right,
                       uint16_t bottom) noexcept {
  if (c == nullptr || c->image.pixels == nullptr) return;
  if (left > right || top > bottom) return;
  if (right >= c->image.width || bottom >= c->image.height) return;
  c->region = {left, top, right - left + 1, bottom - top + 1};
}

uint8_t rastra_set_threshold(rastra_context* c, int32_t level) noexcept {
  if (c == nullptr || !rastra::LevelAccepted(level)) return 0;
  c->level = level;
  return 1;
}

uint16_t rastra_count_memory_pages(rastra_context* c, const uint8_t* block, size_t length,
                                   uint16_t type) noexcept {
  if (c == nullptr) return 0;
  return rastra::CountPages(*c, block, length, type);
}

uint8_t rastra_select_memory_page(rastra_context* c, const uint8_t* block, size_t length,
                                  uint16_t type, uint16_t page) noexcept {
  if (c == nullptr) return 0;
  return rastra::LoadPage(*c, block, length, type, page);
}

uint8_t rastra_set_max_pixels(rastra_context* c, uint64_t pixels) noexcept {
  if (c == nullptr || pixels < 1 || pixels > RASTRA_MAX_PIXELS) return 0;
  // A page decoded by a count under the old limit must not slip past the new one.
  if (pixels < c->limits.maxPixels) rastra::ForgetSpare(*c);
  c->limits.maxPixels = pixels;
  return 1;
}

uint64_t rastra_get_max_pixels(const rastra_context* c) noexcept {
  return c == nullptr ? 0 : c->limits.maxPixels;
}

uint8_t rastra_refused_size(const rastra_context* c, uint64_t* width, uint64_t* height) noexcept {
  if (c == nullptr || width == nullptr || height == nullptr || c->limits.refusedWidth == 0) {
    return 0;
  }
  *width = c->limits.refusedWidth;
  *height = c->limits.refusedHeight;
  return 1;
}

uint8_t rastra_get_grey(const rastra_context* c, const uint8_t** pixels, int32_t* width,
                        int32_t* height) noexcept {
  if (c == nullptr || c->image.pixels == nullptr || pixels == nullptr || width == nullptr ||
      height == nullptr) {
    return 0;
  }
  *pixels = c->image.pixels;
  *width = c->image.width;
  *height = c->image.height;
  return 1;
}

uint16_t rastra_detect_type(const uint8_t* data, size_t length) noexcept {
  if (data == nullptr) return RASTRA_TYPE_DETECT;
  switch (rastra::DetectFormat(data, length)) {
    case rastra::Format::kBmp:
      return RASTRA_TYPE_BMP;
    case rastra::Format::kTiff:
      return RASTRA_TYPE_TIFF;
    case rastra::Format::kPng:
      return RASTRA_TYPE_PNG;
    case rastra::Format::kJpeg:
      return RASTRA_TYPE_JPEG;
    case rastra::Format::kPnm:
      return RASTRA_TYPE_PNM;
    case rastra::Format::kGif:
      return RASTRA_TYPE_GIF;
    case rastra::Format::kWebp:
      return RASTRA_TYPE_WEBP;
    case rastra::Format::kUnknown:
      break;
  }
  return RASTRA_TYPE_DETECT;
}

uint8_t rastra_binarize(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
                        int32_t level, uint8_t* out) noexcept {
  if (grey == nullptr || out == nullptr || width <= 0 || height <= 0 || stride < width ||
      stride > INT32_MAX || !rastra::LevelAccepted(level)) {
    return 0;
  }
  const rastra::GreyImage view = rastra::StridedView(grey, height, stride);
  return rastra::Binarise(view, rastra::Rect{0, 0, width, height}, level, out);
}

}  // extern "C"

using rastra::g_state;

// The eleven operations of the original interface, over one instance. The
// shared library exports them only where hosts import them by ordinal.
extern "C" {

void ReleaseImage(void) noexcept { rastra_release_image(&g_state); }

uint8_t LoadMemory(const uint8_t* block, uint32_t length, uint16_t type) noexcept {
  return rastra_load_memory(&g_state, block, length, type);
}

uint8_t LoadFile(const char* path, uint16_t type) noexcept {
  return rastra_load_file(&g_state, path, type);
}

uint8_t GetSize(int32_t* width, int32_t* height) noexcept {
  return rastra_get_size(&g_state, width, height);
}

#if defined(_WIN32)
uint8_t GetBinaryPixels(uint8_t* buffer) noexcept {
  return rastra_get_binary_pixels(&g_state, buffer, g_state.region.width, g_state.region.height);
}
#else
uint8_t GetBinaryPixels(uint8_t* buffer, int32_t width, int32_t height) noexcept {
  return rastra_get_binary_pixels(&g_state, buffer, width, height);
}
#endif

uint16_t CountFilePages(const char* path, uint16_t type) noexcept {
  return rastra_count_file_pages(&g_state, path, type);
}

uint8_t SelectFilePage(uint16_t page) noexcept { return rastra_select_file_page(&g_state, page); }

void SetRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) noexcept {
  rastra_set_region(&g_state, left, top, right, bottom);
}

uint8_t SetThreshold(int32_t level) noexcept { return rastra_set_threshold(&g_state, level); }

uint16_t CountMemoryPages(const uint8_t* block, uint32_t length, uint16_t type) noexcept {
  return rastra_count_memory_pages(&g_state, block, length, type);
}

uint8_t SelectMemoryPage(const uint8_t* block, uint32_t length, uint16_t type,
                         uint16_t page) noexcept {
  return rastra_select_memory_page(&g_state, block, length, type, page);
}

}  // extern "C"
