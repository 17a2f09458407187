// Library-wide configuration: size limits, the pixel thresholds derived from
// them, and the symbology switches.
#pragma once

#include <cstdint>

namespace bcx {

constexpr int kSymbologyCount = 8;

enum SymbologyId : int {
  kCode39 = 0,
  kCode128 = 1,
  kGs1_128 = 2,
  kEan13 = 3,
  kEan8 = 4,
  kUpcA = 5,
  kUpcE = 6,
  kInterleaved2of5 = 7,
};

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

// Zero at load, like every library variable.
extern Settings g_settings;

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
void ComputeThresholds();

// Puts defaults in place of settings a never-initialised library left at
// zero; called at the start of every scan.
void RepairSettings();

bool SymbologyEnabled(int identifier);

}  // namespace bcx
