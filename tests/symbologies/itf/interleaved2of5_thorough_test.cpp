#include "symbologies/itf/interleaved2of5_thorough.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

// Narrow elements `narrow` units wide and wide ones `wide` units.
std::vector<int> ItfElements(const std::string& digits, int narrow = 1, int wide = 2) {
  std::vector<int> e = ElementsOfModules(ZintModules(BARCODE_C25INTER, digits));
  for (int& w : e) w = w > 1 ? wide : narrow;
  return e;
}

TEST(ItfThorough, FewerThanFourDigitsFail) {
  for (const char* digits : {"12", "00", "99"}) {
    const ThoroughReading r = ReadThorough(DecodeInterleaved2of5Thorough,
                                           Printed(ItfElements(digits), Print{3, 0, 0, 1}));
    EXPECT_EQ(r.result, 0) << digits;
    EXPECT_EQ(r.length, -7);
  }
  // Start and stop alone.
  EXPECT_EQ(
      ReadThorough(DecodeInterleaved2of5Thorough, Printed({1, 1, 1, 1, 2, 1, 1}, Print{3, 0, 0, 1}))
          .result,
      0);
}

// The start's elements must be narrow beside the first pair, the stop's
// first bar wide beside the last.
TEST(ItfThorough, StartAndStopMustBeNarrowAndWide) {
  std::vector<double> wideStart = Printed(ItfElements("123456"), Print{3, 0, 0, 1});
  wideStart[1] = 6.0;
  EXPECT_EQ(ReadThorough(DecodeInterleaved2of5Thorough, wideStart).result, 0);
  std::vector<double> narrowStop = Printed(ItfElements("123456"), Print{3, 0, 0, 1});
  narrowStop[narrowStop.size() - 3] = 3.0;
  EXPECT_EQ(ReadThorough(DecodeInterleaved2of5Thorough, narrowStop).result, 0);
}

// One element of a symbol printed at 3:1 or 5:2 made wider or narrower by
// `narrows` narrow widths: within the tolerance of its class across the
// whole symbol it still reads, past it the read is refused, though the
// element stays clearly apart from the other class within its pair.
struct OneElementOff {
  int narrow;  // units of the ratio
  int wide;
  bool bar;
  bool isWide;
  double narrows;
  bool reads;
};
constexpr OneElementOff kOneElementOff[] = {
    {1, 3, true, false, 0.3, true},    {1, 3, true, false, -0.3, true},
    {1, 3, false, false, 0.3, true},   {1, 3, true, true, -0.3, true},
    {1, 3, false, true, 0.3, true},    {1, 3, true, false, 0.65, false},
    {1, 3, false, false, 0.65, false}, {1, 3, true, true, -0.65, false},
    {1, 3, false, true, -0.65, false}, {1, 3, true, true, 0.65, false},
    {2, 5, true, false, 0.3, true},    {2, 5, false, true, -0.3, true},
    {2, 5, true, false, 0.65, false},  {2, 5, false, true, -0.65, false},
};

TEST(ItfThorough, OneElementOffItsClassAcrossTheSymbolIsRefused) {
  constexpr double kPixelsPerNarrow = 4.0;
  constexpr size_t kSecondPair = 4 + 10;  // past the start and the first pair
  for (const OneElementOff& c : kOneElementOff) {
    const std::vector<int> elements = ItfElements("12345678", c.narrow, c.wide);
    const double unit = kPixelsPerNarrow / c.narrow;
    std::vector<double> run = Printed(elements, Print{unit, 0.2 * c.narrow, 0.0, 1});
    size_t at = kSecondPair;
    while ((at % 2 == 0) != c.bar || (elements[at] == c.wide) != c.isWide) ++at;
    run[at] += c.narrows * kPixelsPerNarrow;
    const ThoroughReading r = ReadThorough(DecodeInterleaved2of5Thorough, run);
    const std::string what = std::to_string(c.wide) + ":" + std::to_string(c.narrow) +
                             (c.bar ? " bar " : " space ") + (c.isWide ? "wide " : "narrow ") +
                             std::to_string(c.narrows);
    EXPECT_EQ(r.result, c.reads ? 1 : 0) << what;
    if (c.reads) {
      EXPECT_EQ(r.text, "12345678") << what;
    }
  }
}

// Scans whose module is no whole number of pixels (see thorough_runs.h).
TEST(ItfThorough, ReadWhenEdgesAreRoundedToPixelsOfASubPixelModule) {
  EXPECT_EQ(FirstPixelRoundedFailure(
                DecodeInterleaved2of5Thorough,
                [](int narrow, int wide) { return ItfElements("4393588537", narrow, wide); },
                "4393588537"),
            "");
}

}  // namespace
}  // namespace bcx::test
