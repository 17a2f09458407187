#include "records/settings.h"

#include <algorithm>
#include <cmath>

#include "platform/screen.h"

namespace bcx {

namespace {

int32_t TruncatedPixels(double pixels) { return static_cast<int32_t>(pixels); }

}  // namespace

void ComputeThresholds(Settings& settings) {
  const double dpi = settings.screenDpi;
  const double maxLen = settings.maxBarLength;
  const double minLen = settings.minBarLength;
  settings.componentPixelLimit =
      TruncatedPixels(((dpi * maxLen) * kComponentPixelsPerLengthPixel) * kInchesPerCentimetre);
  settings.maxBarPixels = TruncatedPixels((dpi * maxLen) * kInchesPerCentimetre);
  settings.minBarPixels = TruncatedPixels((dpi * minLen) * kInchesPerCentimetre);
}

void SetDefaultLimits(Settings& settings, int32_t screenDpi) {
  settings.screenDpi = screenDpi;
  settings.widthRatioLimit = kDefaultWidthRatio;
  settings.minBarLength = kDefaultMinBarLength;
  settings.maxBarLength = kDefaultMaxBarLength;
  ComputeThresholds(settings);
}

bool ApplyLimits(Settings& settings, double widthRatio, double minLength, double maxLength) {
  // Written so that a NaN fails every test.
  if (!(widthRatio > 0.0 && minLength > 0.0 && maxLength > 0.0 && minLength <= maxLength)) {
    return false;
  }
  settings.widthRatioLimit = (widthRatio >= kLowestWidthRatio && widthRatio <= kHighestWidthRatio)
                                 ? static_cast<float>(widthRatio)
                                 : kDefaultWidthRatio;
  settings.minBarLength =
      minLength > kLowestMinBarLength ? static_cast<float>(minLength) : kLowestMinBarLength;
  settings.maxBarLength =
      maxLength < kHighestMaxBarLength ? static_cast<float>(maxLength) : kHighestMaxBarLength;
  ComputeThresholds(settings);
  return true;
}

void SetThoroughLimits(Settings& settings, int32_t regionWidth, int32_t regionHeight) {
  // A side shorter than this has a direction error above 7 degrees for a
  // pixel of corner noise, too coarse to tell parallel bars apart.
  constexpr int32_t kShortestBar = 8;
  const double diagonal = std::hypot(static_cast<double>(regionWidth), regionHeight);
  settings.minBarPixels = kShortestBar;
  settings.maxBarPixels = static_cast<int32_t>(diagonal) + 1;
  settings.componentPixelLimit = static_cast<int32_t>(
      std::min(kComponentPixelsPerLengthPixel * settings.maxBarPixels,
               static_cast<double>(regionWidth) * static_cast<double>(regionHeight)));
}

void RepairSettings(Settings& settings) {
  // Below 0.5 means the library was never initialised (or zeroed); a real
  // setting can never be that small.
  constexpr float kNeverSet = 0.5f;
  if (settings.widthRatioLimit < kNeverSet) settings.widthRatioLimit = kDefaultWidthRatio;
  if (settings.minBarLength < kNeverSet) settings.minBarLength = kDefaultMinBarLength;
  if (settings.maxBarLength < kNeverSet) settings.maxBarLength = kDefaultMaxBarLength;
  if (settings.screenDpi == 0) {
    settings.screenDpi = ScreenPixelsPerInch();
    ComputeThresholds(settings);
  }
}

bool SymbologyEnabled(const Settings& settings, int identifier) {
  return identifier >= 0 && identifier < kSymbologyCount && settings.switches[identifier] == 1;
}

}  // namespace bcx
