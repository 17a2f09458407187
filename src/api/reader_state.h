// The reader record behind bcxread.h, and what the units of its calls
// share: the limits they check arguments against and the error message.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "bcxread.h"
#include "pipeline/context.h"
#include "rastra.h"

namespace bcx::reading {

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

double MillisecondsSince(Clock::time_point start);

struct Timings {
  double loadMs;
  double scanMs;
};

struct ImageInfo {
  int pageCount;  // of the last file or memory image; 0 when none
  int width;      // of the last image read, 0 when none
  int height;
};

}  // namespace bcx::reading

struct bcx_reader {
  bcx::Settings settings;  // as the host set them; each read derives the scan's from them
  bcx::Context context;
  rastra_context* provider;  // made by the first file or memory read
  int mode;
  int threshold;
  bool hasRegion;
  bcx::reading::Region region;
  int originX;  // of the region read last: corners are reported from there
  int originY;
  bcx::reading::ImageInfo image;
  bcx::reading::Timings timings;
  uint64_t maxPixels;
  char error[bcx::reading::kErrorSize];
};

namespace bcx::reading {

void ClearError(bcx_reader* r);
[[gnu::format(printf, 2, 3)]] void SetError(bcx_reader* r, const char* format, ...);
// A failed read leaves no results, so stale ones are never taken for its.
int Fail(bcx_reader* r);

}  // namespace bcx::reading
