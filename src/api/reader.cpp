// Reentrant readers: each holds its own context and provider, so nothing
// on this path is shared between readers. Their lifecycle and settings.
#include <cstdarg>
#include <cstdio>
#include <new>

#include "api/reader_state.h"
#include "pipeline/pipeline.h"

namespace bcx::reading {

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void ClearError(bcx_reader* r) { r->error[0] = '\0'; }

void SetError(bcx_reader* r, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(r->error, sizeof(r->error), format, arguments);
  va_end(arguments);
}

int Fail(bcx_reader* r) {
  bcx::EmptyResultTable(r->context.results);
  return -1;
}

}  // namespace bcx::reading

using namespace bcx::reading;

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

}  // extern "C"
