// Reading grey pixels, files and memory blocks, page by page, through the
// reader's own provider.
#include <cerrno>
#include <cstring>

#include "api/reader_state.h"
#include "pipeline/pipeline.h"

using namespace bcx::reading;

namespace {

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

}  // extern "C"
