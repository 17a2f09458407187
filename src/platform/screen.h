// The screen's horizontal resolution, used to turn centimetre limits into
// pixels.
#pragma once

#include <cstdint>

namespace bcx {

// Horizontal logical pixels per inch of the screen: the device context's
// LOGPIXELSX on Windows, 96 elsewhere, unless a test substitutes a value.
int32_t ScreenPixelsPerInch();

// Tests substitute another resolution here; 0 restores the platform's.
void OverrideScreenPixelsPerInch(int32_t dpi);

}  // namespace bcx
