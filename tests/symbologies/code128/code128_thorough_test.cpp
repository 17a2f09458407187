#include "symbologies/code128/code128_thorough.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"
#include "symbologies/code128/code128.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

std::vector<int> Code128Elements(const std::string& data) {
  return ElementsOfModules(ZintModules(BARCODE_CODE128, data));
}

// A symbol spelled as values with its check character worked out here;
// checkOffset != 0 spoils it.
std::vector<int> SymbolOfValues(int startValue, const std::vector<int>& values,
                                int checkOffset = 0) {
  const char* starts[] = {kCode128StartA, kCode128StartB, kCode128StartC};
  std::string digits = starts[startValue - kCode128StartAValue];
  int sum = startValue;
  int weight = 1;
  for (int v : values) {
    digits += kCode128Table[v];
    sum += v * weight++;
  }
  digits += kCode128Table[(sum + checkOffset) % 103];
  digits += kCode128Stop;
  return ElementsOfDigits(digits);
}

// What the exact decoder reads from a clean rendering: the text every
// thorough reading must equal.
Reading ExactReading(const std::vector<int>& elements, bool gs1) {
  return Decode(Symbology::kCode128, Render(elements, 3), gs1);
}

constexpr double kPixelsPerModule[] = {1.5, 2.0, 2.5, 3.0, 4.0};
constexpr double kInkSpreads[] = {-0.3, 0.0, 0.3};
constexpr double kJitter = 0.15;
constexpr uint32_t kSeeds = 4;

void ExpectReadsAsExact(const std::vector<int>& elements, bool gs1) {
  const Reading exact = ExactReading(elements, gs1);
  ASSERT_EQ(exact.result, 1);
  for (double ppm : kPixelsPerModule) {
    for (double spread : kInkSpreads) {
      for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
        const std::vector<double> run = Printed(elements, Print{ppm, spread, kJitter, seed});
        const ThoroughReading r = ReadThorough(DecodeCode128Thorough, run, 0, gs1);
        ASSERT_EQ(r.result, 1) << ppm << " px, spread " << spread << ", seed " << seed;
        EXPECT_EQ(r.text, exact.text);
        EXPECT_EQ(r.length, exact.length);
        EXPECT_EQ(r.leadingFnc1, exact.leadingFnc1);
        EXPECT_TRUE(r.terminated);
        EXPECT_EQ(r.span.first, 0);
        EXPECT_EQ(r.span.last, static_cast<int32_t>(run.size()) - 1);
      }
    }
  }
}

class Code128ThoroughPayloads : public testing::TestWithParam<std::string> {};

TEST_P(Code128ThoroughPayloads, ReadAsTheExactDecoderReadsThem) {
  const std::vector<int> elements = Code128Elements(GetParam());
  ASSERT_FALSE(elements.empty());
  ExpectReadsAsExact(elements, false);
}

INSTANTIATE_TEST_SUITE_P(
    Code128Thorough, Code128ThoroughPayloads,
    testing::Values("A", "AB", "Hello World", "123456789012", "AB12345678cd", "1234ab",
                    "a\x01"
                    "b",
                    "ab\x01\x02\x03", "\x01\x1f", "x\x7f", "\xe9", "12345", "0",
                    "aB3\x04zz99887766~", "abcdefghijklmnopqrstuvwxyz", "!\"#$%&'()*+,-./:;<=>?@",
                    "[\\]^_`{|}~", "THE QUICK BROWN FOX 0123456789",
                    "00000000000000000000000000000000000000000000", "Mixed 42 and 4242 and x"));

// Every value at least once, and each as the first and the last data value.
TEST(Code128Thorough, EveryValueInEachSet) {
  for (int start = kCode128StartAValue; start <= kCode128StartCValue; ++start) {
    for (int v = 0; v < kCode128Values; ++v) {
      const std::vector<int> elements = SymbolOfValues(start, {v, (v * 7 + 3) % 96, v});
      const Reading exact = ExactReading(elements, false);
      if (exact.result != 1 || exact.length == 0) continue;  // e.g. code set changes alone
      const ThoroughReading r = ReadThorough(
          DecodeCode128Thorough, Printed(elements, Print{2.0, 0.3, kJitter, uint32_t(v + 1)}));
      ASSERT_EQ(r.result, 1) << "start " << start << " value " << v;
      EXPECT_EQ(r.text, exact.text);
    }
  }
}

TEST(Code128Thorough, Gs1LeadingFnc1AsTheExactDecoderTellsIt) {
  for (const char* data :
       {"[01]09501101530003", "[21]123456[01]09501101530003", "[10]ABC12[01]09501101530003"}) {
    const std::vector<int> elements = ElementsOfModules(ZintModules(BARCODE_GS1_128, data));
    ExpectReadsAsExact(elements, true);
    ExpectReadsAsExact(elements, false);
  }
  const ThoroughReading on =
      ReadThorough(DecodeCode128Thorough,
                   Printed(ElementsOfModules(ZintModules(BARCODE_GS1_128, "[01]09501101530003")),
                           Print{2.0, 0.2, kJitter, 9}),
                   0, true);
  ASSERT_EQ(on.result, 1);
  EXPECT_EQ(on.text, "0109501101530003");
  EXPECT_EQ(on.leadingFnc1, 1);
}

TEST(Code128Thorough, FunctionValuesAsBytes) {
  // FNC3, FNC2, FNC1 in set B and FNC4 in sets A and B.
  ExpectReadsAsExact(SymbolOfValues(kCode128StartBValue, {96, 33, 97, 34, 102, 100, 35}), false);
  ExpectReadsAsExact(SymbolOfValues(kCode128StartAValue, {101, 33, 98, 65}), false);
  const ThoroughReading r = ReadThorough(
      DecodeCode128Thorough,
      Printed(SymbolOfValues(kCode128StartBValue, {96, 97, 102, 100, 95}), Print{2, 0.3, 0.1, 3}));
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, Bytes({203, 202, 201, 204, 195}));
}

// A leading FNC1 alone flags GS1-128 but writes nothing: no empty text is
// ever reported; nor is a symbol of code set changes only.
TEST(Code128Thorough, NoEmptyText) {
  for (const std::vector<int>& values : std::vector<std::vector<int>>{{102}, {100}, {101, 99}}) {
    for (bool gs1 : {true, values[0] == 102}) {
      const ThoroughReading r = ReadThorough(
          DecodeCode128Thorough,
          Printed(SymbolOfValues(kCode128StartCValue, values), Print{2, 0, 0, 1}), 0, gs1);
      EXPECT_EQ(r.result, 0);
      EXPECT_EQ(r.length, -7);
    }
  }
  // Start, check and stop only.
  const ThoroughReading bare =
      ReadThorough(DecodeCode128Thorough, Printed(SymbolOfValues(104, {}), Print{2, 0, 0, 1}));
  EXPECT_EQ(bare.result, 0);
}

TEST(Code128Thorough, SpoiledCheckCharacterFails) {
  const std::vector<int> values = {40, 69, 76, 76, 79};
  for (int offset = 1; offset < 103; ++offset) {
    const ThoroughReading r = ReadThorough(
        DecodeCode128Thorough,
        Printed(SymbolOfValues(kCode128StartBValue, values, offset), Print{2, 0.2, 0.1, 5}));
    EXPECT_EQ(r.result, 0) << offset;
  }
  // A data value changed, the check character kept.
  std::vector<int> good = SymbolOfValues(kCode128StartBValue, values);
  const std::vector<int> other = SymbolOfValues(kCode128StartBValue, {40, 70, 76, 76, 79});
  std::copy(other.begin() + 12, other.begin() + 18, good.begin() + 12);
  EXPECT_EQ(ReadThorough(DecodeCode128Thorough, Printed(good, Print{2, 0, 0, 1})).result, 0);
}

TEST(Code128Thorough, StartOrStopInsideTheDataFails) {
  std::vector<int> elements = SymbolOfValues(kCode128StartBValue, {33, 34, 35});
  const std::vector<int> startA = ElementsOfDigits(kCode128StartA);
  std::copy(startA.begin(), startA.end(), elements.begin() + 12);
  EXPECT_EQ(ReadThorough(DecodeCode128Thorough, Printed(elements, Print{2, 0, 0, 1})).result, 0);
}

TEST(Code128Thorough, InkSpreadBeyondHalfAModuleIsNoSymbol) {
  const std::vector<int> elements = Code128Elements("Hello");
  EXPECT_EQ(ReadThorough(DecodeCode128Thorough, Printed(elements, Print{4, 0.45, 0, 1})).result, 1);
  EXPECT_EQ(ReadThorough(DecodeCode128Thorough, Printed(elements, Print{4, 0.6, 0, 1})).result, 0);
  EXPECT_EQ(ReadThorough(DecodeCode128Thorough, Printed(elements, Print{4, -0.6, 0, 1})).result, 0);
}

}  // namespace
}  // namespace bcx::test
