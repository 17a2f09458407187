// Library-wide configuration: size limits, the pixel thresholds derived from
// them, and the symbology switches.
#pragma once

#include <cstdint>

#include "symbologies/table.h"

namespace bcx {

struct Settings {
  float widthRatioLimit;  // bounds the bar span decoded as one symbol
  float minBarLength;     // centimetres
  float maxBarLength;     // centimetres
  int32_t screenDpi;      // horizontal logical pixels per inch
  int32_t componentPixelLimit;
  int32_t maxBarPixels;
  int32_t minBarPixels;
  int32_t switches[kSymbologyCount];  // 1 = on
};

constexpr float kDefaultWidthRatio = 10.0f;
constexpr float kDefaultMinBarLength = 0.5f;
constexpr float kDefaultMaxBarLength = 8.0f;
constexpr float kLowestMinBarLength = 0.5f;
constexpr float kHighestMaxBarLength = 10.0f;
constexpr float kLowestWidthRatio = 5.0f;
constexpr float kHighestWidthRatio = 20.0f;
constexpr double kInchesPerCentimetre = 0.39370078740157477;
// A component of a bar this long may hold at most this many pixels per pixel
// of length before the fill gives up on it.
constexpr double kComponentPixelsPerLengthPixel = 50.0;

// Recomputes the three pixel thresholds from the stored dpi and limits.
void ComputeThresholds(Settings& settings);

// The defaults BcxInit sets (switches untouched) at the given resolution.
void SetDefaultLimits(Settings& settings, int32_t screenDpi);

// Applies BcxSetLimit's rules; false, with nothing changed, for arguments
// it refuses.
bool ApplyLimits(Settings& settings, double widthRatio, double minLength, double maxLength);

// Thorough reading measures bars in the image's own pixels rather than in
// centimetres at the screen's resolution, so that a 600-dpi scan's bars are
// not too long and a small label's not too short: the length limits become
// the shortest side that still gives a usable direction and the longest
// line the region holds.
void SetThoroughLimits(Settings& settings, int32_t regionWidth, int32_t regionHeight);

// Puts defaults in place of settings a never-initialised library left at
// zero; called at the start of every scan.
void RepairSettings(Settings& settings);

bool SymbologyEnabled(const Settings& settings, int identifier);

}  // namespace bcx
