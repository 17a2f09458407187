// Exported lifecycle and configuration calls.
#include <cmath>

#include "api/results.h"
#include "api/settings.h"
#include "bcxdec.h"
#include "image/image_state.h"
#include "image/provider.h"
#include "platform/screen.h"

using namespace bcx;

namespace {
constexpr int32_t kInitialThreshold = 128;
}  // namespace

extern "C" {

BCX_API uint16_t BCX_CALL BcxInit(void) noexcept {
  g_settings.screenDpi = ScreenPixelsPerInch();
  g_settings.widthRatioLimit = kDefaultWidthRatio;
  g_settings.minBarLength = kDefaultMinBarLength;
  g_settings.maxBarLength = kDefaultMaxBarLength;
  ComputeThresholds();
  ForgetImage();
  provider::SetThreshold(kInitialThreshold);  // answer ignored: cannot fail
  EmptyResultTable();
  return 1;
}

BCX_API uint16_t BCX_CALL BcxCleanUp(void) noexcept {
  EmptyResultTable();
  provider::ReleaseImage();
  ReleaseMemoryCopy();
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetLimit(double widthRatio, double minLength,
                                      double maxLength) noexcept {
  // Written so that a NaN fails every test.
  if (!(widthRatio > 0.0 && minLength > 0.0 && maxLength > 0.0 && minLength <= maxLength)) {
    return 0;
  }
  g_settings.widthRatioLimit = (widthRatio >= kLowestWidthRatio && widthRatio <= kHighestWidthRatio)
                                   ? static_cast<float>(widthRatio)
                                   : kDefaultWidthRatio;
  g_settings.minBarLength =
      minLength > kLowestMinBarLength ? static_cast<float>(minLength) : kLowestMinBarLength;
  g_settings.maxBarLength =
      maxLength < kHighestMaxBarLength ? static_cast<float>(maxLength) : kHighestMaxBarLength;
  ComputeThresholds();
  return 1;
}

BCX_API uint16_t BCX_CALL BcxScanType(uint16_t identifier, uint16_t enable) noexcept {
  if (identifier >= kSymbologyCount) return 0;
  if (enable == 1) g_settings.switches[identifier] = 1;
  if (enable == 0) g_settings.switches[identifier] = 0;
  return 1;
}

BCX_API uint16_t BCX_CALL BcxSetThreshold(int32_t level) noexcept {
  return provider::SetThreshold(level) ? 1 : 0;
}

}  // extern "C"
