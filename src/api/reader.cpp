// Reentrant readers: each holds its own context and provider, so nothing
// on this path is shared between readers.
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "bcxread.h"
#include "pipeline/pipeline.h"
#include "rastra.h"

namespace {

using bcx::Context;

constexpr int kDefaultThreshold = 128;
// A new reader converts centimetres at the resolution the library's own
// calls use off Windows, so both read the same bars.
constexpr int32_t kDefaultPixelsPerInch = 96;
constexpr int kLowestPixelsPerInch = 1;
constexpr int kHighestPixelsPerInch = 10000;
// The library's region and coordinates are 16 bits wide.
constexpr int kMaxSide = 65535;
constexpr uint32_t kTypeMask = (1u << bcx::kSymbologyCount) - 1;
constexpr size_t kErrorSize = 256;
constexpr size_t kSniffBytes = 16;
constexpr int kNoRegion = -1;
// A hundred megapixels: any camera's or scanner's page, and a bound on what
// a small file whose header claims a huge image can make a reader allocate.
constexpr uint64_t kDefaultMaxPixels = 100000000;

struct Region {
  int left;
  int top;
  int right;
  int bottom;
};

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timings {
  double loadMs;
  double scanMs;
};

struct ImageInfo {
  int pageCount;  // of the last file or memory image; 0 when none
  int width;      // of the last image read, 0 when none
  int height;
};

}  // namespace

struct bcx_reader {
  bcx::Settings settings;  // as the host set them; each read derives the scan's from them
  Context context;
  rastra_context* provider;  // made by the first file or memory read
  int mode;
  int threshold;
  bool hasRegion;
  Region region;
  int originX;  // of the region read last: corners are reported from there
  int originY;
  ImageInfo image;
  Timings timings;
  uint64_t maxPixels;
  char error[kErrorSize];
};

namespace {

void ClearError(bcx_reader* r) { r->error[0] = '\0'; }

[[gnu::format(printf, 2, 3)]] void SetError(bcx_reader* r, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(r->error, sizeof(r->error), format, arguments);
  va_end(arguments);
}

// A failed read leaves no results, so stale ones are never taken for its.
int Fail(bcx_reader* r) {
  bcx::EmptyResultTable(r->context.results);
  return -1;
}

bool FitsRegion(const Region& region, int width, int height) {
  return region.right < width && region.bottom < height;
}

// Binarises the region of the grey image into the scan buffers and runs the
// pipeline; corners come back in image coordinates.
int ReadGrey(bcx_reader* r, const uint8_t* pixels, int width, int height, ptrdiff_t stride) {
  Region area{0, 0, width - 1, height - 1};
  if (r->hasRegion) {
    if (!FitsRegion(r->region, width, height)) {
      SetError(r, "region %d,%d,%d,%d does not fit the %dx%d image", r->region.left, r->region.top,
               r->region.right, r->region.bottom, width, height);
      return Fail(r);
    }
    area = r->region;
  }
  const int areaWidth = area.right - area.left + 1;
  const int areaHeight = area.bottom - area.top + 1;
  bcx::ScanState& scan = r->context.scan;
  if (!bcx::PrepareScanBuffers(scan, areaWidth, areaHeight)) {
    SetError(r, "out of memory for a %dx%d image", areaWidth, areaHeight);
    return Fail(r);
  }
  const uint8_t* first = pixels + static_cast<ptrdiff_t>(area.top) * stride + area.left;
  if (rastra_binarize(first, areaWidth, areaHeight, stride, r->threshold, scan.region) == 0) {
    SetError(r, "out of memory while binarising a %dx%d image", areaWidth, areaHeight);
    return Fail(r);
  }
  const Clock::time_point start = Clock::now();
  r->context.settings = r->settings;
  r->originX = area.left;
  r->originY = area.top;
  r->image.width = width;
  r->image.height = height;
  const bcx::Mode mode = r->mode == BCX_MODE_THOROUGH ? bcx::Mode::kThorough : bcx::Mode::kExact;
  bcx::RunPipeline(r->context, mode, bcx::GreyRegion{first, areaWidth, areaHeight, stride});
  r->timings.scanMs = MillisecondsSince(start);
  return r->context.results.count;
}

bool EnsureProvider(bcx_reader* r) {
  if (r->provider == nullptr) {
    r->provider = rastra_new();
    if (r->provider != nullptr) rastra_set_max_pixels(r->provider, r->maxPixels);
  }
  if (r->provider == nullptr) SetError(r, "out of memory");
  return r->provider != nullptr;
}

int OverBudget(bcx_reader* r, uint64_t width, uint64_t height) {
  SetError(r, "image of %llux%llu pixels is over the reader's budget of %llu pixels",
           static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
           static_cast<unsigned long long>(r->maxPixels));
  return Fail(r);
}

// A provider failure: the error already set, unless the header claimed more
// than the budget, when the size and the budget say more.
int ProviderFailed(bcx_reader* r) {
  uint64_t width = 0;
  uint64_t height = 0;
  if (rastra_refused_size(r->provider, &width, &height) != 0) return OverBudget(r, width, height);
  return Fail(r);
}

bool IsMultiPage(uint16_t type) { return type == RASTRA_TYPE_TIFF || type == RASTRA_TYPE_GIF; }

// Reads the provider's current page; the provider already refused anything
// it cannot decode or that exceeds its size limits.
int ReadProviderPage(bcx_reader* r, Clock::time_point loadStart) {
  r->timings.loadMs = MillisecondsSince(loadStart);
  const uint8_t* grey = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  if (rastra_get_grey(r->provider, &grey, &width, &height) == 0) {
    SetError(r, "no image to read");
    return Fail(r);
  }
  return ReadGrey(r, grey, width, height, width);
}

int PageOutOfRange(bcx_reader* r, int page, int pages) {
  SetError(r, "no page %d: the image has %d page%s (from 0)", page, pages, pages == 1 ? "" : "s");
  r->image = ImageInfo{pages, 0, 0};
  return Fail(r);
}

// A file or a memory block: the provider has an operation for each.
struct Source {
  const char* path;  // nullptr for bytes in memory
  const uint8_t* bytes;
  size_t size;
};

int SourceUnreadable(bcx_reader* r, const Source& s) {
  if (s.path != nullptr) {
    SetError(r, "%s is not a readable image", s.path);
  } else {
    SetError(r, "the bytes are not a readable image");
  }
  return ProviderFailed(r);
}

// Page `page` of the source, whose leading bytes showed `type`; pages of
// TIFF and GIF are counted first, so that a page out of range is named.
int ReadSource(bcx_reader* r, const Source& s, uint16_t type, int page, Clock::time_point start) {
  rastra_context* p = r->provider;
  if (!IsMultiPage(type)) {
    if (page > 0) return PageOutOfRange(r, page, 1);
    const uint8_t loaded = s.path != nullptr
                               ? rastra_load_file(p, s.path, RASTRA_TYPE_DETECT)
                               : rastra_load_memory(p, s.bytes, s.size, RASTRA_TYPE_DETECT);
    if (loaded == 0) return SourceUnreadable(r, s);
    const int found = ReadProviderPage(r, start);
    r->image.pageCount = 1;
    return found;
  }
  const int pages = s.path != nullptr ? rastra_count_file_pages(p, s.path, type)
                                      : rastra_count_memory_pages(p, s.bytes, s.size, type);
  if (pages < 1) return SourceUnreadable(r, s);
  if (page >= pages) return PageOutOfRange(r, page, pages);
  const uint16_t wanted = static_cast<uint16_t>(page);
  const uint8_t selected = s.path != nullptr
                               ? rastra_select_file_page(p, wanted)
                               : rastra_select_memory_page(p, s.bytes, s.size, type, wanted);
  if (selected == 0) {
    if (s.path != nullptr) {
      SetError(r, "cannot read page %d of %s", page, s.path);
    } else {
      SetError(r, "cannot read page %d of the image", page);
    }
    return ProviderFailed(r);
  }
  const int found = ReadProviderPage(r, start);
  r->image.pageCount = pages;
  return found;
}

bool ReadHead(const char* path, uint8_t* head, size_t* got, int* error) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    *error = errno;
    return false;
  }
  *got = std::fread(head, 1, kSniffBytes, file);
  std::fclose(file);
  return true;
}

}  // namespace

extern "C" {

bcx_reader* bcx_reader_new(void) noexcept {
  bcx_reader* r = new (std::nothrow) bcx_reader{};
  if (r == nullptr) return nullptr;
  bcx::SetDefaultLimits(r->settings, kDefaultPixelsPerInch);
  for (int32_t& on : r->settings.switches) on = 1;
  r->mode = BCX_MODE_THOROUGH;
  r->threshold = kDefaultThreshold;
  r->region = Region{kNoRegion, kNoRegion, kNoRegion, kNoRegion};
  r->maxPixels = kDefaultMaxPixels;
  return r;
}

void bcx_reader_free(bcx_reader* r) noexcept {
  if (r == nullptr) return;
  bcx::ReleaseContext(r->context);
  rastra_free(r->provider);
  delete r;
}

int bcx_reader_set_mode(bcx_reader* r, int mode) noexcept {
  if (r == nullptr) return 0;
  if (mode != BCX_MODE_EXACT && mode != BCX_MODE_THOROUGH) {
    SetError(r, "unknown mode %d", mode);
    return 0;
  }
  ClearError(r);
  r->mode = mode;
  return 1;
}

int bcx_reader_set_types(bcx_reader* r, uint32_t mask) noexcept {
  if (r == nullptr) return 0;
  if ((mask & ~kTypeMask) != 0) {
    SetError(r, "type mask 0x%X names symbologies above 7", mask);
    return 0;
  }
  ClearError(r);
  for (int id = 0; id < bcx::kSymbologyCount; ++id) {
    r->settings.switches[id] = (mask >> id) & 1u;
  }
  return 1;
}

int bcx_reader_set_threshold(bcx_reader* r, int level) noexcept {
  if (r == nullptr) return 0;
  const bool fixed = level >= 1 && level <= 255;
  if (!fixed && level != RASTRA_THRESHOLD_OTSU && level != RASTRA_THRESHOLD_ADAPTIVE) {
    SetError(r, "threshold %d is neither 1..255, -1 (Otsu) nor -2 (adaptive)", level);
    return 0;
  }
  ClearError(r);
  r->threshold = level;
  return 1;
}

int bcx_reader_set_limits(bcx_reader* r, double ratio, double min_cm, double max_cm) noexcept {
  if (r == nullptr) return 0;
  if (!bcx::ApplyLimits(r->settings, ratio, min_cm, max_cm)) {
    SetError(r, "limits %g, %g, %g refused: each must be above 0 and min at most max", ratio,
             min_cm, max_cm);
    return 0;
  }
  ClearError(r);
  return 1;
}

int bcx_reader_set_resolution(bcx_reader* r, int pixels_per_inch) noexcept {
  if (r == nullptr) return 0;
  if (pixels_per_inch < kLowestPixelsPerInch || pixels_per_inch > kHighestPixelsPerInch) {
    SetError(r, "resolution %d is outside 1..10000 pixels per inch", pixels_per_inch);
    return 0;
  }
  ClearError(r);
  r->settings.screenDpi = pixels_per_inch;
  bcx::ComputeThresholds(r->settings);
  return 1;
}

int bcx_reader_set_region(bcx_reader* r, int left, int top, int right, int bottom) noexcept {
  if (r == nullptr) return 0;
  if (left == kNoRegion && top == kNoRegion && right == kNoRegion && bottom == kNoRegion) {
    ClearError(r);
    r->hasRegion = false;
    r->region = Region{left, top, right, bottom};
    return 1;
  }
  if (!(left >= 0 && top >= 0 && left < right && top < bottom && right <= kMaxSide - 1 &&
        bottom <= kMaxSide - 1)) {
    SetError(r, "region %d,%d,%d,%d is not a rectangle with left < right and top < bottom", left,
             top, right, bottom);
    return 0;
  }
  ClearError(r);
  r->hasRegion = true;
  r->region = Region{left, top, right, bottom};
  return 1;
}

int bcx_reader_set_max_pixels(bcx_reader* r, uint64_t max_pixels) noexcept {
  if (r == nullptr) return 0;
  if (max_pixels < 1 || max_pixels > RASTRA_MAX_PIXELS) {
    SetError(r, "pixel budget %llu is outside 1..%u", static_cast<unsigned long long>(max_pixels),
             RASTRA_MAX_PIXELS);
    return 0;
  }
  if (r->provider != nullptr && rastra_set_max_pixels(r->provider, max_pixels) == 0) {
    SetError(r, "pixel budget %llu refused", static_cast<unsigned long long>(max_pixels));
    return 0;
  }
  ClearError(r);
  r->maxPixels = max_pixels;
  return 1;
}

int bcx_read_gray(bcx_reader* r, const uint8_t* pixels, int width, int height,
                  ptrdiff_t stride) noexcept {
  if (r == nullptr) return -1;
  ClearError(r);
  r->image = ImageInfo{};
  r->timings = Timings{};
  if (pixels == nullptr) {
    SetError(r, "no pixels");
    return Fail(r);
  }
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    SetError(r, "image size %dx%d is outside 1..65535 a side", width, height);
    return Fail(r);
  }
  if (stride < width) {
    SetError(r, "stride %td is less than the width %d", stride, width);
    return Fail(r);
  }
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > r->maxPixels) {
    return OverBudget(r, static_cast<uint64_t>(width), static_cast<uint64_t>(height));
  }
  return ReadGrey(r, pixels, width, height, stride);
}

int bcx_read_file(bcx_reader* r, const char* path, int page) noexcept {
  if (r == nullptr) return -1;
  ClearError(r);
  r->image = ImageInfo{};
  r->timings = Timings{};
  const Clock::time_point start = Clock::now();
  if (path == nullptr) {
    SetError(r, "no path");
    return Fail(r);
  }
  if (page < 0) {
    SetError(r, "page %d is negative", page);
    return Fail(r);
  }
  if (!EnsureProvider(r)) return Fail(r);
  uint8_t head[kSniffBytes] = {};
  size_t got = 0;
  int openError = 0;
  if (!ReadHead(path, head, &got, &openError)) {
    SetError(r, "cannot open %s: %s", path, std::strerror(openError));
    return Fail(r);
  }
  return ReadSource(r, Source{path, nullptr, 0}, rastra_detect_type(head, got), page, start);
}

int bcx_read_memory(bcx_reader* r, const void* data, size_t size, int page) noexcept {
  if (r == nullptr) return -1;
  ClearError(r);
  r->image = ImageInfo{};
  r->timings = Timings{};
  const Clock::time_point start = Clock::now();
  if (data == nullptr || size == 0) {
    SetError(r, "no image bytes");
    return Fail(r);
  }
  if (page < 0) {
    SetError(r, "page %d is negative", page);
    return Fail(r);
  }
  if (!EnsureProvider(r)) return Fail(r);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return ReadSource(r, Source{nullptr, bytes, size}, rastra_detect_type(bytes, size), page, start);
}

int bcx_image_page_count(const bcx_reader* r) noexcept {
  return r == nullptr ? 0 : r->image.pageCount;
}

int bcx_image_size(const bcx_reader* r, int* width, int* height) noexcept {
  if (r == nullptr || width == nullptr || height == nullptr || r->image.width == 0) return 0;
  *width = r->image.width;
  *height = r->image.height;
  return 1;
}

int bcx_read_timings(const bcx_reader* r, double* load_ms, double* scan_ms) noexcept {
  if (r == nullptr || load_ms == nullptr || scan_ms == nullptr) return 0;
  *load_ms = r->timings.loadMs;
  *scan_ms = r->timings.scanMs;
  return 1;
}

int bcx_result_count(const bcx_reader* r) noexcept {
  return r == nullptr ? 0 : r->context.results.count;
}

int bcx_result_type(const bcx_reader* r, int i) noexcept {
  if (r == nullptr || i < 0 || i >= r->context.results.count) return -1;
  return r->context.results.records[i].type;
}

size_t bcx_result_text(const bcx_reader* r, int i, const uint8_t** bytes) noexcept {
  if (r == nullptr || i < 0 || i >= r->context.results.count) {
    if (bytes != nullptr) *bytes = nullptr;
    return 0;
  }
  const bcx::ResultRecord& record = r->context.results.records[i];
  if (bytes != nullptr) *bytes = record.text;
  return static_cast<size_t>(record.textLength);
}

int bcx_result_corners(const bcx_reader* r, int i, int32_t xy[8]) noexcept {
  if (r == nullptr || xy == nullptr || i < 0 || i >= r->context.results.count) return 0;
  const bcx::ResultRecord& record = r->context.results.records[i];
  for (int k = 0; k < bcx::kCornerCount; ++k) {
    xy[2 * k] = record.corners[k].x + r->originX;
    xy[2 * k + 1] = record.corners[k].y + r->originY;
  }
  return 1;
}

const char* bcx_reader_error(const bcx_reader* r) noexcept {
  return r == nullptr ? "no reader" : r->error;
}

const char* bcx_symbology_name(int type) noexcept {
  const bcx::SymbologyDescriptor* row = bcx::FindSymbology(type);
  return row != nullptr ? row->name : nullptr;
}

int bcx_symbology_from_name(const char* name) noexcept { return bcx::SymbologyFromName(name); }

}  // extern "C"
