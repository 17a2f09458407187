#include "symbologies/code39/code39_thorough.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

constexpr int kGapAt = 9;  // the gap after each character
constexpr int kStride = 10;

// Narrow elements `narrow` units wide and wide ones `wide` units, so that a
// ratio of 5:2 prints at half the pixels per unit.
std::vector<int> Code39Elements(const std::string& data, int narrow = 1, int wide = 2) {
  std::vector<int> e = ElementsOfModules(ZintModules(BARCODE_CODE39, data));
  for (int& w : e) w = w > 1 ? wide : narrow;
  return e;
}

// Gaps of `narrows` narrow elements between all characters.
std::vector<double> WithGaps(const std::string& data, double narrows, double ppm, uint32_t seed) {
  std::vector<double> run = Printed(Code39Elements(data), Print{ppm, 0.1, 0.1, seed});
  for (size_t g = kGapAt; g < run.size(); g += kStride) run[g] = narrows * ppm;
  return run;
}

TEST(Code39Thorough, GapsUpToThreeAndAHalfNarrowRead) {
  for (double narrows : {0.8, 1.0, 2.0, 3.0, 3.5}) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
      const ThoroughReading r =
          ReadThorough(DecodeCode39Thorough, WithGaps("GAP TEST", narrows, 3.0, seed));
      ASSERT_EQ(r.result, 1) << narrows;
      EXPECT_EQ(r.text, "GAP TEST");
    }
  }
}

TEST(Code39Thorough, GapsWiderThanFourNarrowFail) {
  for (double narrows : {4.5, 6.0, 12.0}) {
    const ThoroughReading r = ReadThorough(DecodeCode39Thorough, WithGaps("GAP", narrows, 3.0, 1));
    EXPECT_EQ(r.result, 0) << narrows;
    EXPECT_EQ(r.length, -7);
  }
  // One wide gap alone splits the symbol into two halves, neither whole.
  std::vector<double> run = WithGaps("AB", 1.0, 3.0, 1);
  run[kGapAt + kStride] = 8 * 3.0;
  EXPECT_EQ(ReadThorough(DecodeCode39Thorough, run).result, 0);
}

TEST(Code39Thorough, StartAndStopAloneAreNoSymbol) {
  const std::vector<int> star = ElementsOfDigits("121121211");
  const std::vector<int> elements = Join({star, {1}, star});
  EXPECT_EQ(ReadThorough(DecodeCode39Thorough, Printed(elements, Print{3, 0, 0, 1})).result, 0);
  EXPECT_EQ(ReadThorough(DecodeCode39Thorough, Printed(star, Print{3, 0, 0, 1})).result, 0);
}

// No check character is interpreted: a symbol printed with one reads with
// it as data, as the exact decoder reads it.
TEST(Code39Thorough, CheckCharacterIsData) {
  const std::vector<int> elements = ElementsOfModules(ZintModules(BARCODE_CODE39, "ABC", 1));
  const Reading exact = Decode(Symbology::kCode39, Render(elements, 3));
  const ThoroughReading r =
      ReadThorough(DecodeCode39Thorough, Printed(elements, Print{3, 0.2, 0.1, 1}));
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, exact.text);
  EXPECT_EQ(r.text.size(), 4u);
}

// A character a third narrower than its neighbour is no part of the symbol.
TEST(Code39Thorough, NarrowWidthJumpBetweenCharactersFails) {
  std::vector<double> run = Printed(Code39Elements("ABC"), Print{3, 0, 0, 1});
  for (int i = 2 * kStride; i < 2 * kStride + 9; ++i) run[static_cast<size_t>(i)] *= 0.6;
  EXPECT_EQ(ReadThorough(DecodeCode39Thorough, run).result, 0);
}

// One element of a symbol printed at 3:1 or 5:2 made wider or narrower by
// `narrows` narrow widths: within the tolerance of its class across the
// whole symbol it still reads, past it the read is refused, though the
// element stays clearly apart from the other class within its character.
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

TEST(Code39Thorough, OneElementOffItsClassAcrossTheSymbolIsRefused) {
  constexpr double kPixelsPerNarrow = 4.0;
  for (const OneElementOff& c : kOneElementOff) {
    const std::vector<int> elements = Code39Elements("CODE39", c.narrow, c.wide);
    const double unit = kPixelsPerNarrow / c.narrow;
    std::vector<double> run = Printed(elements, Print{unit, 0.2 * c.narrow, 0.0, 1});
    // The element in the third character (past start and 'C').
    size_t at = 2 * kStride;
    while ((at % 2 == 0) != c.bar || (elements[at] == c.wide) != c.isWide) ++at;
    run[at] += c.narrows * kPixelsPerNarrow;
    const ThoroughReading r = ReadThorough(DecodeCode39Thorough, run);
    const std::string what = std::to_string(c.wide) + ":" + std::to_string(c.narrow) +
                             (c.bar ? " bar " : " space ") + (c.isWide ? "wide " : "narrow ") +
                             std::to_string(c.narrows);
    EXPECT_EQ(r.result, c.reads ? 1 : 0) << what;
    if (c.reads) {
      EXPECT_EQ(r.text, "CODE39") << what;
    }
  }
}

// Scans whose module is no whole number of pixels (see thorough_runs.h).
TEST(Code39Thorough, ReadWhenEdgesAreRoundedToPixelsOfASubPixelModule) {
  EXPECT_EQ(
      FirstPixelRoundedFailure(
          DecodeCode39Thorough,
          [](int narrow, int wide) { return Code39Elements("WPH54", narrow, wide); }, "WPH54"),
      "");
}

}  // namespace
}  // namespace bcx::test
