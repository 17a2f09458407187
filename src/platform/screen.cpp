#include "platform/screen.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace bcx {
namespace {

constexpr int32_t kDefaultScreenDpi = 96;
int32_t g_dpiOverride = 0;

int32_t PlatformPixelsPerInch() {
#if defined(_WIN32)
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kDefaultScreenDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
#else
  return kDefaultScreenDpi;
#endif
}

}  // namespace

int32_t ScreenPixelsPerInch() {
  return g_dpiOverride != 0 ? g_dpiOverride : PlatformPixelsPerInch();
}

void OverrideScreenPixelsPerInch(int32_t dpi) { g_dpiOverride = dpi; }

}  // namespace bcx
