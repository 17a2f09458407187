// The 17 exported calls of bcxdec.h: lifecycle and configuration, image
// loading, paging and regions, the scan, and the readers of the result
// table. They keep one context and one image record for the whole process
// and hand the pipeline what it needs.
#include <cstring>
#include <new>

#include "api/library.h"
#include "bcxdec.h"
#include "image/provider.h"
#include "pipeline/pipeline.h"
#include "platform/screen.h"

namespace bcx {

constinit LibraryState g_library{};

}  // namespace bcx

using namespace bcx;

namespace {

constexpr int32_t kInitialThreshold = 128;

constexpr uint16_t kLowHalf = 0xFFFF;

void MarkLoaded(ImageState& image, bool ok, int32_t fromFile) {
  image.loaded = ok ? 1 : 0;
  if (ok) image.fromFile = fromFile;
  image.regionCurrent = 0;
}

constexpr uint16_t kOutOfRange = 0xFFFF;

const ResultTable& Results() { return g_library.context.results; }

bool IsResultIndex(uint16_t index) { return index < Results().count; }

uint32_t PackPoint(Point p) {
  // 32-bit arithmetic: image x in the high half, image y in the low half.
  const uint32_t x = static_cast<uint32_t>(p.x) + static_cast<uint32_t>(g_library.image.regionLeft);
  const uint32_t y = static_cast<uint32_t>(p.y) + static_cast<uint32_t>(g_library.image.regionTop);
  return x * 65536u + y;
}

}  // namespace

extern "C" {

BCX_API uint16_t BCX_CALL BcxInit(void) noexcept {
  SetDefaultLimits(g_library.context.settings, ScreenPixelsPerInch());
  ForgetImage(g_library.image);
  provider::SetThreshold(kInitialThreshold);  // answer ignored: cannot fail
  EmptyResultTable(g_library.context.results);
  return 1;
}

BCX_API uint16_t BCX_CALL BcxCleanUp(void) noexcept {
  EmptyResultTable(g_library.context.results);
  provider::ReleaseImage();
  ReleaseMemoryCopy(g_library.image);
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetLimit(double widthRatio, double minLength,
                                      double maxLength) noexcept {
  return ApplyLimits(g_library.context.settings, widthRatio, minLength, maxLength) ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxScanType(uint16_t identifier, uint16_t enable) noexcept {
  if (identifier >= kSymbologyCount) return 0;
  int32_t* switches = g_library.context.settings.switches;
  if (enable == 1) switches[identifier] = 1;
  if (enable == 0) switches[identifier] = 0;
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetThreshold(int32_t level) noexcept {
  return provider::SetThreshold(level) ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxLoadFromFile(const char* path, uint16_t type) noexcept {
  ImageState& image = g_library.image;
  if (path == nullptr) return 0;
  const size_t length = strnlen(path, kPathBufferSize);
  if (length >= static_cast<size_t>(kPathBufferSize)) return 0;
  std::memcpy(image.path, path, length + 1);
  image.type = type;
  image.pageCount = provider::CountFilePages(image.path, type) & kLowHalf;
  // Multi-page types need at least one page; the provider then makes page 0
  // current so that a host may size and scan without choosing a page.
  bool ok = provider::LoadFile(path, type);
  if (IsMultiPageType(type)) ok = ok && image.pageCount >= 1;
  MarkLoaded(image, ok, 1);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxLoadFromMem(const uint8_t* data, uint32_t length,
                                         uint16_t type) noexcept {
  ImageState& image = g_library.image;
  if (length == 0 || data == nullptr) return 0;
  ReleaseMemoryCopy(image);
  uint8_t* copy = new (std::nothrow) uint8_t[length];
  if (copy == nullptr) return 0;
  std::memcpy(copy, data, length);
  image.memoryCopy = copy;
  image.memoryLength = length;
  const bool ok = provider::LoadMemory(copy, length, type);
  if (type != 0) image.type = type;
  image.pageCount =
      provider::CountMemoryPages(copy, length, static_cast<uint16_t>(image.type)) & kLowHalf;
  MarkLoaded(image, ok, 0);
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetNumOfPages(void) noexcept {
  ImageState& image = g_library.image;
  if (!IsMultiPageType(image.type)) return 1;
  return image.loaded ? static_cast<uint16_t>(image.pageCount) : 0;
}

BCX_API uint16_t BCX_CALL BcxSetPage(uint16_t page) noexcept {
  ImageState& image = g_library.image;
  if (!IsMultiPageType(image.type)) return 0;
  if (page >= image.pageCount) return 0;
  bool ok = false;
  if (image.fromFile == 1) {
    ok = provider::SelectFilePage(page);
  } else if (image.memoryCopy != nullptr) {
    ok = provider::SelectMemoryPage(image.memoryCopy, image.memoryLength,
                                    static_cast<uint16_t>(image.type), page);
  }
  image.loaded = ok ? 1 : 0;
  image.regionCurrent = 0;
  return ok ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetImgSize(uint16_t* width, uint16_t* height) noexcept {
  ImageState& image = g_library.image;
  if (!image.loaded || width == nullptr || height == nullptr) return 0;
  int32_t w = 0;
  int32_t h = 0;
  if (!provider::GetSize(&w, &h) || w <= 0 || h <= 0) {
    image.imageWidth = 0;
    image.imageHeight = 0;
    *width = 0;
    *height = 0;
    return 0;
  }
  image.imageWidth = w;
  image.imageHeight = h;
  image.regionLeft = 0;
  image.regionTop = 0;
  image.regionWidth = w;
  image.regionHeight = h;
  // The provider must crop to the same rectangle the library now believes
  // in, or a scan would be handed pixels of an older region.
  provider::SetRegion(0, 0, static_cast<uint16_t>(w - 1), static_cast<uint16_t>(h - 1));
  image.regionCurrent = 1;
  *width = static_cast<uint16_t>(w & kLowHalf);
  *height = static_cast<uint16_t>(h & kLowHalf);
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetRegion(uint16_t left, uint16_t top, uint16_t right,
                                       uint16_t bottom) noexcept {
  ImageState& image = g_library.image;
  const uint16_t imageWidth = static_cast<uint16_t>(image.imageWidth & kLowHalf);
  const uint16_t imageHeight = static_cast<uint16_t>(image.imageHeight & kLowHalf);
  if (!(left < right && top < bottom && right < imageWidth && bottom < imageHeight)) {
    return 0;
  }
  provider::SetRegion(left, top, right, bottom);
  image.regionLeft = left;
  image.regionTop = top;
  image.regionWidth = right - left + 1;
  image.regionHeight = bottom - top + 1;
  return 1;
}

BCX_API uint16_t BCX_CALL BcxScan(void) noexcept {
  LibraryState& library = g_library;
  if (!library.image.loaded) return 0;
  Context& context = library.context;
  // From here on the scan runs: whatever happens, the old results go.
  EmptyResultTable(context.results);
  const int32_t width = library.image.regionWidth & 0xFFFF;
  const int32_t height = library.image.regionHeight & 0xFFFF;
  if (!library.image.regionCurrent || width == 0 || height == 0) return 0;
  if (!AllocateScanBuffers(context.scan, width, height)) return 0;
  int found = 0;
  if (provider::GetBinaryPixels(library.image, context.scan.region, width, height))
    found = RunExactPipeline(context);
  ReleaseScanBuffers(context.scan);
  return found ? 1 : 0;
}

BCX_API uint16_t BCX_CALL BcxGetCount(void) noexcept {
  return static_cast<uint16_t>(Results().count & 0xFF);
}

BCX_API uint16_t BCX_CALL BcxGetType(uint16_t index) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  return static_cast<uint16_t>(Results().records[index].type);
}

BCX_API uint16_t BCX_CALL BcxGetStrLen(uint16_t index) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  return static_cast<uint16_t>(Results().records[index].textLength);
}

BCX_API uint16_t BCX_CALL BcxGetCharAt(uint16_t index, uint16_t position) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  const ResultRecord& record = Results().records[index];
  if (position >= record.textLength) return kOutOfRange;
  return record.text[position];
}

BCX_API uint16_t BCX_CALL BcxGetRect(uint16_t index, uint32_t* corner1, uint32_t* corner2,
                                     uint32_t* corner3, uint32_t* corner4) noexcept {
  if (!IsResultIndex(index)) return 0;
  if (corner1 == nullptr || corner2 == nullptr || corner3 == nullptr || corner4 == nullptr) {
    return 0;
  }
  const Point* c = Results().records[index].corners;
  *corner1 = PackPoint(c[0]);
  *corner2 = PackPoint(c[1]);
  *corner3 = PackPoint(c[2]);
  *corner4 = PackPoint(c[3]);
  return 1;
}

}  // extern "C"
