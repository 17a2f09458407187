#include "symbologies/itf/interleaved2of5.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"

namespace bcx::test {
namespace {

// zint draws wide elements three modules wide; this decoder reads them only
// below the half-way point to three, so the wide elements are set to two.
std::vector<int> ItfElements(const std::string& digits, int wide = 2) {
  return WideAs(ElementsOfModules(ZintModules(BARCODE_C25INTER, digits)), wide);
}

class ItfPayloads : public testing::TestWithParam<std::string> {};

TEST_P(ItfPayloads, ReadForwardsNotBackwards) {
  const std::vector<int> elements = ItfElements(GetParam());
  ASSERT_EQ(elements.size(), 7 + 5 * GetParam().size());
  for (double scale : {1.0, 2.0, 3.0, 4.0}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const Reading r = Decode(Symbology::kItf, Render(elements, scale, 0.1 * scale, seed));
      ASSERT_EQ(r.result, 1) << "scale " << scale << " seed " << seed;
      EXPECT_EQ(r.text, GetParam());
      EXPECT_EQ(r.length, static_cast<int32_t>(GetParam().size()));
      EXPECT_TRUE(r.terminated);
    }
  }
  const Reading back = Decode(Symbology::kItf, Reversed(Render(elements, 3)));
  EXPECT_EQ(back.result, 0);
  EXPECT_EQ(back.length, -7);
}

INSTANTIATE_TEST_SUITE_P(Itf, ItfPayloads,
                         testing::Values("12", "1234", "00", "99", "0123456789",
                                         "12345678901231",  // 14 digits
                                         "9876543210987654321098"));

TEST(Itf, TwentySevenElementsFor1234) {
  const std::vector<int> elements = ItfElements("1234");
  ASSERT_EQ(elements.size(), 27u);
  const Reading r = Decode(Symbology::kItf, Render(elements, 2));
  EXPECT_EQ(r.text, "1234");
  EXPECT_EQ(r.length, 4);
}

TEST(Itf, StartAndStopAloneGiveAnEmptyText) {
  const Reading r = Decode(Symbology::kItf, Render({1, 1, 1, 1, 2, 1, 1}, 3));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.length, 0);
  EXPECT_TRUE(r.terminated);
}

TEST(Itf, WideAsThreeModulesFails) {
  EXPECT_EQ(Decode(Symbology::kItf, Render(ItfElements("1234", 3), 3)).result, 0);
  // Still read up to just below half-way between two and three modules.
  EXPECT_EQ(Decode(Symbology::kItf, Render(ItfElements("1234"), 3)).result, 1);
  std::vector<double> run = Render(ItfElements("1234"), 1.0);
  for (double& w : run) {
    if (w > 1.5) w = 2.49;
  }
  EXPECT_EQ(Decode(Symbology::kItf, run).result, 1);
  for (double& w : run) {
    if (w > 1.5) w = 2.5;
  }
  EXPECT_EQ(Decode(Symbology::kItf, run).result, 0);
}

TEST(Itf, OnlySevenPlusTenKElementsRead) {
  const std::vector<int> elements = ItfElements("1234");
  std::vector<int> shorter(elements.begin(), elements.end() - 2);  // 25
  std::vector<int> shortest(elements.begin(), elements.begin() + 21);
  EXPECT_EQ(Decode(Symbology::kItf, Render(shorter, 3)).result, 0);
  EXPECT_EQ(Decode(Symbology::kItf, Render(shortest, 3)).result, 0);
  for (size_t n = 0; n < 7; ++n) {
    std::vector<int> part(elements.begin(), elements.begin() + static_cast<long>(n));
    EXPECT_EQ(Decode(Symbology::kItf, Render(part, 3)).result, 0) << n;
  }
}

TEST(Itf, BadStartOrStopFails) {
  std::vector<int> elements = ItfElements("12");
  elements[1] = 2;
  EXPECT_EQ(Decode(Symbology::kItf, Render(elements, 3)).result, 0);
  elements = ItfElements("12");
  elements[elements.size() - 3] = 1;
  EXPECT_EQ(Decode(Symbology::kItf, Render(elements, 3)).result, 0);
}

TEST(Itf, MatchDigitRows) {
  char d = 'x';
  EXPECT_EQ(MatchTwoOfFiveDigit("11221", &d), 1);
  EXPECT_EQ(d, '0');
  EXPECT_EQ(MatchTwoOfFiveDigit("21112", &d), 1);
  EXPECT_EQ(d, '1');
  d = 'x';
  EXPECT_EQ(MatchTwoOfFiveDigit("11111", &d), 0);
  EXPECT_EQ(MatchTwoOfFiveDigit("22211", &d), 0);
  EXPECT_EQ(d, 'x');
}

}  // namespace
}  // namespace bcx::test
