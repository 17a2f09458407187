// Runs for the thorough decoders' tests: symbols printed with ink spread and
// jitter, set among other bars, runs of random widths, and the call itself
// with heap buffers of exactly the contract's sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx::test {

// How a symbol is printed and measured, spread and jitter in modules.
struct Print {
  double pixelsPerModule;
  double inkSpread;  // bars this much wider, spaces this much narrower
  double jitter;     // each element off by a uniform amount within +-jitter
  uint32_t seed;
};

std::vector<double> Printed(const std::vector<int>& elements, const Print& print);

// The same symbol as a scan at a resolution that is no whole multiple of
// its module: every edge at `offset` + its place in pixels, rounded to
// the nearest whole pixel, as a clean binarised scan measures it.
std::vector<double> PixelRounded(const std::vector<int>& elements, double pixelsPerModule,
                                 double offset);

// Scanned at 150 dpi, a 0.33 mm module is 1.95 pixels: rounded edges make a
// wide element of 2:1 three pixels beside narrow ones of two, and the ink
// spread estimated from its neighbours' rounded widths moves it further.
// Between 2 and 2.5 pixels a narrow element, a narrow one rounded up and a
// wide one rounded down (3 and 4 pixels at 2:1) are too close to read, so
// the cases leave that out. `elements(narrow, wide)` draws the symbol with
// narrow and wide elements of those units; each case is read at eight
// sub-pixel offsets. Returns the first case that does not read `text`, ""
// when all do.
using NarrowWideElements = std::vector<int> (*)(int narrow, int wide);
std::string FirstPixelRoundedFailure(ThoroughDecodeFunction decode, NarrowWideElements elements,
                                     const std::string& text);

// A thorough decoder's answer; the fields it must leave alone on failure
// keep their marks.
struct ThoroughReading {
  int result = 0;
  std::string text;
  int32_t length = -7;
  int32_t leadingFnc1 = -7;
  ThoroughSpan span{-7, -7};
  bool terminated = false;  // a NUL right after the text
};

ThoroughReading ReadThorough(ThoroughDecodeFunction decode, const std::vector<double>& run,
                             int32_t from = 0, bool gs1 = false);

// `junkBars` bars of random widths (one to four modules, seeded) on each
// side of the symbol, separated from it by spaces of gapBefore and gapAfter
// modules. The symbol's first bar is element 2 * junkBars.
std::vector<double> Embedded(const std::vector<double>& symbol, double pixelsPerModule,
                             double gapBefore, double gapAfter, int32_t junkBars, uint32_t seed);

// Runs no symbol should be read from, 1 to 160 elements with one space in
// eight 20 to 80 pixels wide so that quiet zones occur inside them, the
// others of widths drawn as `kind` says.
enum class RandomWidths {
  kAny,           // any width from 1 to 12 pixels
  kWholeModules,  // 1 to 4 modules of 2 to 4 pixels, jittered by 0.15 module
  kNarrowWide,    // narrow or wide at a ratio from 2 to 3, narrow 2 to 4 pixels, jittered
};
std::vector<double> RandomRun(uint32_t seed, RandomWidths kind);

}  // namespace bcx::test
