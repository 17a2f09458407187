#include "api/settings.h"

#include "platform/screen.h"

namespace bcx {

Settings g_settings;

namespace {

int32_t TruncatedPixels(double pixels) { return static_cast<int32_t>(pixels); }

}  // namespace

void ComputeThresholds() {
  const double dpi = g_settings.screenDpi;
  const double maxLen = g_settings.maxBarLength;
  const double minLen = g_settings.minBarLength;
  g_settings.componentPixelLimit =
      TruncatedPixels(((dpi * maxLen) * kComponentPixelsPerLengthPixel) * kInchesPerCentimetre);
  g_settings.maxBarPixels = TruncatedPixels((dpi * maxLen) * kInchesPerCentimetre);
  g_settings.minBarPixels = TruncatedPixels((dpi * minLen) * kInchesPerCentimetre);
}

void RepairSettings() {
  // Below 0.5 means the library was never initialised (or zeroed); a real
  // setting can never be that small.
  constexpr float kNeverSet = 0.5f;
  if (g_settings.widthRatioLimit < kNeverSet) g_settings.widthRatioLimit = kDefaultWidthRatio;
  if (g_settings.minBarLength < kNeverSet) g_settings.minBarLength = kDefaultMinBarLength;
  if (g_settings.maxBarLength < kNeverSet) g_settings.maxBarLength = kDefaultMaxBarLength;
  if (g_settings.screenDpi == 0) {
    g_settings.screenDpi = ScreenPixelsPerInch();
    ComputeThresholds();
  }
}

bool SymbologyEnabled(int identifier) {
  return identifier >= 0 && identifier < kSymbologyCount && g_settings.switches[identifier] == 1;
}

}  // namespace bcx
