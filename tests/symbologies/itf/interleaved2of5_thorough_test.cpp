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

struct Ratio {
  int narrow;
  int wide;
};
constexpr Ratio kRatios[] = {{1, 2}, {2, 5}, {1, 3}};
constexpr double kPixelsPerModule[] = {1.5, 2.0, 2.5, 3.0, 4.0};
constexpr double kInkSpreads[] = {-0.3, 0.0, 0.3};
constexpr double kJitter = 0.15;
constexpr uint32_t kSeeds = 4;

class ItfThoroughPayloads : public testing::TestWithParam<std::string> {};

TEST_P(ItfThoroughPayloads, ReadAtEveryRatioAndSpread) {
  const Reading exact = Decode(Symbology::kItf, Render(ItfElements(GetParam()), 3));
  ASSERT_EQ(exact.result, 1);
  ASSERT_EQ(exact.text, GetParam());
  for (const Ratio ratio : kRatios) {
    const std::vector<int> elements = ItfElements(GetParam(), ratio.narrow, ratio.wide);
    for (double ppm : kPixelsPerModule) {
      for (double spread : kInkSpreads) {
        for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
          const Print print{ppm / ratio.narrow, spread * ratio.narrow, kJitter * ratio.narrow,
                            seed};
          const std::vector<double> run = Printed(elements, print);
          const ThoroughReading r = ReadThorough(DecodeInterleaved2of5Thorough, run);
          ASSERT_EQ(r.result, 1) << ratio.wide << ":" << ratio.narrow << " " << ppm
                                 << " px, spread " << spread << ", seed " << seed;
          EXPECT_EQ(r.text, exact.text);
          EXPECT_EQ(r.length, exact.length);
          EXPECT_TRUE(r.terminated);
          EXPECT_EQ(r.leadingFnc1, -7);
          EXPECT_EQ(r.span.first, 0);
          EXPECT_EQ(r.span.last, static_cast<int32_t>(run.size()) - 1);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ItfThorough, ItfThoroughPayloads,
                         testing::Values("1234", "0000", "9999", "12345678", "0123456789",
                                         "12345678901231", "00112233445566778899",
                                         "9876543210987654321098", "1111", "7070"));

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

TEST(ItfThorough, WideTooCloseToNarrowFails) {
  EXPECT_EQ(ReadThorough(DecodeInterleaved2of5Thorough,
                         Printed(ItfElements("123456", 4, 5), Print{1, 0, 0, 1}))
                .result,
            0);
  EXPECT_EQ(ReadThorough(DecodeInterleaved2of5Thorough,
                         Printed(ItfElements("123456", 2, 3), Print{2, 0, 0, 1}))
                .result,
            1);
}

TEST(ItfThorough, RatioWiderThanThreeAndAHalfFails) {
  EXPECT_EQ(ReadThorough(DecodeInterleaved2of5Thorough,
                         Printed(ItfElements("123456", 1, 4), Print{3, 0, 0, 1}))
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
