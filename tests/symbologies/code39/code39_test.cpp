#include "symbologies/code39/code39.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"

namespace bcx::test {
namespace {

constexpr const char* kCode39Set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

std::vector<int> Code39Elements(const std::string& data, int option2 = 0) {
  return ElementsOfModules(ZintModules(BARCODE_CODE39, data, option2));
}

// Modulo-43 check character, worked out from the character set order.
char Code39Check(const std::string& data) {
  const std::string set = kCode39Set;
  size_t sum = 0;
  for (char c : data) sum += set.find(c);
  return set[sum % 43];
}

class Code39Payloads : public testing::TestWithParam<std::string> {};

TEST_P(Code39Payloads, ReadForwardsAtSeveralScales) {
  const std::vector<int> elements = Code39Elements(GetParam());
  ASSERT_FALSE(elements.empty());
  ASSERT_EQ(elements.size(), 19 + 10 * GetParam().size());
  for (double scale : {1.0, 2.0, 3.0, 4.5}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const Reading r = Decode(Symbology::kCode39, Render(elements, scale, 0.12 * scale, seed));
      ASSERT_EQ(r.result, 1) << "scale " << scale << " seed " << seed;
      EXPECT_EQ(r.text, GetParam());
      EXPECT_EQ(r.length, static_cast<int32_t>(GetParam().size()));
      EXPECT_TRUE(r.terminated);
    }
  }
}

TEST_P(Code39Payloads, BackwardsFailsAndLeavesTheLengthAlone) {
  const Reading r = Decode(Symbology::kCode39, Reversed(Render(Code39Elements(GetParam()), 3)));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.length, -7);
}

INSTANTIATE_TEST_SUITE_P(Code39, Code39Payloads,
                         testing::Values("CODE39", kCode39Set, "$A", "A", "0123456789", "-. $/+%",
                                         "HELLO WORLD"));

TEST(Code39, SymbolOfCode39Has79Elements) {
  const Reading r = Decode(Symbology::kCode39, Render(Code39Elements("CODE39"), 2));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "CODE39");
  EXPECT_EQ(r.length, 6);
  EXPECT_EQ(Code39Elements("CODE39").size(), 79u);
}

TEST(Code39, CheckCharacterIsKeptAsData) {
  const std::vector<int> elements = Code39Elements("CODE39", 1);
  const Reading r = Decode(Symbology::kCode39, Render(elements, 3));
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, std::string("CODE39") + Code39Check("CODE39"));
  EXPECT_EQ(r.text, "CODE39W");
}

TEST(Code39, FullAsciiPairIsNotCombined) {
  const Reading r = Decode(Symbology::kCode39, Render(Code39Elements("$A"), 3));
  EXPECT_EQ(r.text, "$A");
  EXPECT_EQ(r.length, 2);
}

TEST(Code39, NoDataCharacters) {
  std::vector<int> elements = Code39Elements("A");
  elements.erase(elements.begin() + 10, elements.begin() + 20);  // data character and its gap
  ASSERT_EQ(elements.size(), 19u);
  const Reading r = Decode(Symbology::kCode39, Render(elements, 3));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "");
  EXPECT_EQ(r.length, 0);
  EXPECT_TRUE(r.terminated);
}

TEST(Code39, StarBetweenStartAndStopIsData) {
  std::vector<int> elements = Code39Elements("A");
  for (int i = 0; i < 9; ++i) elements[10 + i] = elements[i];  // the start character
  const Reading r = Decode(Symbology::kCode39, Render(elements, 3));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "*");
}

// Wide elements of the characters from `first` (a character start) on.
void WidenCharacter(std::vector<int>& elements, size_t first, int wide) {
  for (size_t i = first; i < first + 9; ++i) {
    if (elements[i] > 1) elements[i] = wide;
  }
}

TEST(Code39, DataWideAsThreeModulesIsRead) {
  std::vector<int> elements = Code39Elements("CODE39");
  for (size_t c = 10; c + 10 < elements.size(); c += 10) WidenCharacter(elements, c, 3);
  const Reading r = Decode(Symbology::kCode39, Render(elements, 3));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "CODE39");
  WidenCharacter(elements, 0, 3);
  EXPECT_EQ(Decode(Symbology::kCode39, Render(elements, 3)).result, 0);
}

TEST(Code39, MixedWideWidthsInOneCharacterFail) {
  std::vector<int> elements = Code39Elements("A");
  // "A" is wnnnnwnnw: make its first wide element 3 and leave the others 2.
  ASSERT_EQ(elements[10], 2);
  elements[10] = 3;
  EXPECT_EQ(Decode(Symbology::kCode39, Render(elements, 3)).result, 0);
}

TEST(Code39, WideGapFails) {
  std::vector<int> elements = Code39Elements("CODE39");
  elements[19] = 2;
  EXPECT_EQ(Decode(Symbology::kCode39, Render(elements, 3)).result, 0);
  elements = Code39Elements("CODE39");
  elements[9] = 2;  // the gap after the start
  EXPECT_EQ(Decode(Symbology::kCode39, Render(elements, 3)).result, 0);
}

TEST(Code39, OnlyNineteenPlusTenKElementsRead) {
  const std::vector<int> elements = Code39Elements("CODE39");
  std::vector<int> shorter(elements.begin(), elements.end() - 2);
  std::vector<int> longer = elements;
  longer.push_back(1);
  longer.push_back(1);
  EXPECT_EQ(Decode(Symbology::kCode39, Render(shorter, 3)).result, 0);  // 77
  EXPECT_EQ(Decode(Symbology::kCode39, Render(longer, 3)).result, 0);   // 81
}

TEST(Code39, ShortRunsFail) {
  const std::vector<int> elements = Code39Elements("A");
  for (size_t n = 0; n < 19; ++n) {
    std::vector<int> part(elements.begin(), elements.begin() + static_cast<long>(n));
    EXPECT_EQ(Decode(Symbology::kCode39, Render(part, 3)).result, 0) << n;
  }
}

TEST(Code39, BadStopFails) {
  std::vector<int> elements = Code39Elements("AB");
  elements[elements.size() - 1] = 2;
  EXPECT_EQ(Decode(Symbology::kCode39, Render(elements, 3)).result, 0);
}

TEST(Code39, WidePatternToModules) {
  char out[10];
  WidePatternToModules("nwnnwnwnn", out, 9, 1);
  EXPECT_STREQ(out, "121121211");
  WidePatternToModules("nwnnwnwnn", out, 9, 0);
  EXPECT_STREQ(out, "131131311");
  WidePatternToModules("nwnnwnwnn", out, 4, 1);
  EXPECT_STREQ(out, "1211");
}

TEST(Code39, MatchCharacter) {
  char c = 'x';
  EXPECT_EQ(MatchCode39Character("121121211", &c), 1);
  EXPECT_EQ(c, '*');
  c = 'x';
  EXPECT_EQ(MatchCode39Character("131131311", &c), 1);
  EXPECT_EQ(c, '*');
  c = 'x';
  EXPECT_EQ(MatchCode39Character("121131211", &c), 0);
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(MatchCode39Character("141121211", &c), 0);
}

// Every character of the set, as zint draws it, matches its own row.
TEST(Code39, EveryCharacterMatchesAsZintDrawsIt) {
  for (const char* p = kCode39Set; *p != '\0'; ++p) {
    const std::vector<int> elements = Code39Elements(std::string(1, *p));
    ASSERT_EQ(elements.size(), 29u) << *p;
    std::string modules;
    for (int i = 10; i < 19; ++i) modules.push_back(static_cast<char>('0' + elements[i]));
    char c = 'x';
    EXPECT_EQ(MatchCode39Character(modules.c_str(), &c), 1) << *p;
    EXPECT_EQ(c, *p);
  }
}

// The wide-mask lookup and the module-string lookup agree on every pattern
// of nine elements, wide as two modules and as three.
TEST(Code39, WideMaskLookupAgreesWithTheModuleLookupOnEveryPattern) {
  constexpr uint32_t kPatterns = 1u << 9;
  int characters = 0;
  for (uint32_t mask = 0; mask < kPatterns; ++mask) {
    for (const char wideAs : {'2', '3'}) {
      char modules[10];
      for (int i = 0; i < 9; ++i) modules[i] = (mask >> i & 1u) != 0 ? wideAs : '1';
      modules[9] = '\0';
      char byModules = 0;
      char byMask = 0;
      const int found = MatchCode39Character(modules, &byModules);
      ASSERT_EQ(MatchCode39Wide(mask, &byMask), found) << "mask " << mask;
      if (found == 1) {
        EXPECT_EQ(byMask, byModules) << "mask " << mask;
      }
    }
    char c = 0;
    characters += MatchCode39Wide(mask, &c);
  }
  EXPECT_EQ(characters, 44);
  char untouched = 'x';
  EXPECT_EQ(MatchCode39Wide(0, &untouched), 0);
  EXPECT_EQ(MatchCode39Wide(kPatterns, &untouched), 0);
  EXPECT_EQ(MatchCode39Wide(0xFFFFFFFFu, &untouched), 0);
  EXPECT_EQ(untouched, 'x');
}

}  // namespace
}  // namespace bcx::test
