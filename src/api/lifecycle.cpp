// Exported lifecycle and configuration calls.
#include "api/context.h"
#include "bcxdec.h"
#include "image/provider.h"
#include "platform/screen.h"

namespace bcx {

constinit LibraryState g_library{};

}  // namespace bcx

using namespace bcx;

namespace {
constexpr int32_t kInitialThreshold = 128;
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

}  // extern "C"
