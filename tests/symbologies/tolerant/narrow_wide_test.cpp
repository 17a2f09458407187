// What Code 39 and Interleaved 2 of 5 share when read tolerantly: every
// wide:narrow ratio from 2:1 to 3:1, with ink spread and jitter, and the
// limits of the narrow/wide classes, for both decoders alike.
#include "symbologies/tolerant/narrow_wide.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"
#include "symbologies/code39/code39_thorough.h"
#include "symbologies/itf/interleaved2of5_thorough.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

struct NarrowWideCase {
  const char* name;
  ThoroughDecodeFunction decode;
  Symbology exact;
  int zintType;
  std::vector<std::string> payloads;
};

// Narrow elements `narrow` units wide and wide ones `wide` units, so that a
// ratio of 5:2 prints at half the pixels per unit.
std::vector<int> ElementsOf(const NarrowWideCase& c, const std::string& data, int narrow = 1,
                            int wide = 2) {
  std::vector<int> e = ElementsOfModules(ZintModules(c.zintType, data));
  for (int& w : e) w = w > 1 ? wide : narrow;
  return e;
}

const NarrowWideCase kCases[] = {
    {"Code39",
     DecodeCode39Thorough,
     Symbology::kCode39,
     BARCODE_CODE39,
     {"A", "CODE39", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", "$A", "0123456789", "-. $/+%",
      "HELLO WORLD", "W", "PPPP", "%%%%%%", "1", "ZZ-99.X"}},
    {"Itf",
     DecodeInterleaved2of5Thorough,
     Symbology::kItf,
     BARCODE_C25INTER,
     {"1234", "0000", "9999", "12345678", "0123456789", "12345678901231", "00112233445566778899",
      "9876543210987654321098", "1111", "7070"}},
};

struct Ratio {
  int narrow;
  int wide;
};
constexpr Ratio kRatios[] = {{1, 2}, {2, 5}, {1, 3}};
constexpr double kPixelsPerModule[] = {1.5, 2.0, 2.5, 3.0, 4.0};
constexpr double kInkSpreads[] = {-0.3, 0.0, 0.3};
constexpr double kJitter = 0.15;
constexpr uint32_t kSeeds = 4;

class NarrowWideTest : public testing::TestWithParam<NarrowWideCase> {};

TEST_P(NarrowWideTest, ReadAtEveryRatioAndSpread) {
  const NarrowWideCase& c = GetParam();
  for (const std::string& payload : c.payloads) {
    const Reading exact = Decode(c.exact, Render(ElementsOf(c, payload), 3));
    ASSERT_EQ(exact.result, 1) << payload;
    ASSERT_EQ(exact.text, payload);
    for (const Ratio ratio : kRatios) {
      const std::vector<int> elements = ElementsOf(c, payload, ratio.narrow, ratio.wide);
      for (double ppm : kPixelsPerModule) {
        for (double spread : kInkSpreads) {
          for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
            // Spread and jitter are in narrow elements whatever the unit.
            const Print print{ppm / ratio.narrow, spread * ratio.narrow, kJitter * ratio.narrow,
                              seed};
            const std::vector<double> run = Printed(elements, print);
            const ThoroughReading r = ReadThorough(c.decode, run);
            ASSERT_EQ(r.result, 1) << payload << " " << ratio.wide << ":" << ratio.narrow << " "
                                   << ppm << " px, spread " << spread << ", seed " << seed;
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
}

// Wide and narrow closer than kMinSeparation are not told apart; 1.5:1,
// clean, still is.
TEST_P(NarrowWideTest, WideTooCloseToNarrowFails) {
  const NarrowWideCase& c = GetParam();
  const std::string data = c.payloads[3];
  EXPECT_EQ(ReadThorough(c.decode, Printed(ElementsOf(c, data, 4, 5), Print{1, 0, 0, 1})).result,
            0);
  EXPECT_EQ(ReadThorough(c.decode, Printed(ElementsOf(c, data, 2, 3), Print{2, 0, 0, 1})).result,
            1);
}

TEST_P(NarrowWideTest, RatioWiderThanThreeAndAHalfFails) {
  const NarrowWideCase& c = GetParam();
  const std::string data = c.payloads[3];
  EXPECT_EQ(ReadThorough(c.decode, Printed(ElementsOf(c, data, 1, 4), Print{3, 0, 0, 1})).result,
            0);
}

INSTANTIATE_TEST_SUITE_P(Symbologies, NarrowWideTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<NarrowWideCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace bcx::test
