#include "symbologies/code128/code128.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <map>
#include <string>
#include <vector>

#include "pipeline/context.h"
#include "records/settings.h"
#include "run_builder.h"

namespace bcx::test {
namespace {

constexpr const char* kStartA = "211412";
constexpr const char* kStartB = "211214";
constexpr const char* kStartC = "211232";
constexpr const char* kStop = "2331112";

std::vector<int> Code128Elements(const std::string& data) {
  return ElementsOfModules(ZintModules(BARCODE_CODE128, data));
}

// The six element widths of symbol character `index` (0 = start).
std::string CharacterAt(const std::vector<int>& elements, size_t index) {
  std::string out;
  for (size_t i = 6 * index; i < 6 * index + 6; ++i)
    out.push_back(static_cast<char>('0' + elements[i]));
  return out;
}

// Patterns of values as zint draws them: every printable character alone
// (value = byte - 32 in set A and B alike), DEL (95 in set B), and the
// control values zint uses for the payloads below.
const std::map<int, std::string>& ZintValuePatterns() {
  static const std::map<int, std::string> patterns = [] {
    std::map<int, std::string> p;
    for (int v = 0; v <= 94; ++v)
      p[v] = CharacterAt(Code128Elements(std::string(1, char(32 + v))), 1);
    p[95] = CharacterAt(Code128Elements("\x7f"), 1);
    // FNC3 and FNC2 only as check characters: (104 + 95) % 103 = 96 and
    // (104 + 0 + 2 * 48) % 103 = 97.
    p[96] = CharacterAt(Code128Elements("\x7f"), 2);
    p[97] = CharacterAt(Code128Elements(" P"), 3);
    p[98] = CharacterAt(Code128Elements("a\x01"
                                        "b"),
                        2);                                      // shift
    p[99] = CharacterAt(Code128Elements("AB1234"), 3);           // code C
    p[100] = CharacterAt(Code128Elements("1234ab"), 3);          // code B from C
    p[101] = CharacterAt(Code128Elements("ab\x01\x02\x03"), 3);  // code A from B
    p[102] = CharacterAt(ElementsOfModules(ZintModules(BARCODE_GS1_128, "[01]09501101530003")), 1);
    return p;
  }();
  return patterns;
}

// A symbol spelled as values with its check character worked out here.
std::vector<int> SymbolOfValues(const char* start, int startValue, const std::vector<int>& values,
                                int checkOffset = 0) {
  std::string digits = start;
  int sum = startValue;
  int weight = 1;
  for (int v : values) {
    digits += ZintValuePatterns().at(v);
    sum += v * weight++;
  }
  digits += ZintValuePatterns().at((sum + checkOffset) % 103);
  digits += kStop;
  return ElementsOfDigits(digits);
}

Reading DecodeWithGs1(const std::vector<int>& elements, int gs1Switch) {
  return Decode(Symbology::kCode128, Render(elements, 3), gs1Switch == 1);
}

TEST(Code128, ZintCharacterPatternsMatchTheirValues) {
  for (const auto& [value, pattern] : ZintValuePatterns()) {
    EXPECT_EQ(MatchCode128Value(pattern.c_str()), value) << pattern;
  }
  EXPECT_EQ(ZintValuePatterns().size(), 103u);
  EXPECT_EQ(MatchCode128Value("211412"), -1);  // start A is no data row
  EXPECT_EQ(MatchCode128Value("111111"), -1);
}

struct Payload {
  std::string data;
  std::string text;
};

class Code128Payloads : public testing::TestWithParam<Payload> {};

TEST_P(Code128Payloads, ReadForwardsNotBackwards) {
  const std::vector<int> elements = Code128Elements(GetParam().data);
  ASSERT_FALSE(elements.empty());
  ASSERT_EQ((elements.size() - 19) % 6, 0u);
  for (double scale : {1.0, 2.0, 3.0, 5.0}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const Reading r = Decode(Symbology::kCode128, Render(elements, scale, 0.05 * scale, seed));
      ASSERT_EQ(r.result, 1) << "scale " << scale << " seed " << seed;
      EXPECT_EQ(r.text, GetParam().text);
      EXPECT_EQ(r.length, static_cast<int32_t>(GetParam().text.size()));
      EXPECT_EQ(r.leadingFnc1, 0);
      EXPECT_TRUE(r.terminated);
    }
  }
  const Reading back = Decode(Symbology::kCode128, Reversed(Render(elements, 3)));
  EXPECT_EQ(back.result, 0);
  EXPECT_EQ(back.length, -7);
}

INSTANTIATE_TEST_SUITE_P(
    Code128, Code128Payloads,
    testing::Values(Payload{"AB", "AB"}, Payload{"Hello World", "Hello World"},
                    Payload{"123456789012", "123456789012"},  // set C throughout
                    Payload{"AB12345678cd", "AB12345678cd"},  // B, C, B
                    Payload{"1234ab", "1234ab"},              // C then B
                    Payload{"a\x01"
                            "b",
                            "a\x01"
                            "b"},                                 // shift to A
                    Payload{"ab\x01\x02\x03", "ab\x01\x02\x03"},  // change to A
                    Payload{"\x01\x1f"
                            "ABC",
                            "\x01\x1f"
                            "ABC"},                       // start A, control bytes
                    Payload{"x\x7f", Bytes({'x', 195})},  // DEL is byte 195
                    Payload{"\xe9", Bytes({204, 'i'})},   // FNC4 + 0x69
                    Payload{"12345", "12345"}, Payload{"0", "0"},
                    Payload{"aB3\x04zz99887766~", "aB3\x04zz99887766~"}));

TEST(Code128, Gs1LeadingFnc1WithSwitchTwoOn) {
  const std::vector<int> elements =
      ElementsOfModules(ZintModules(BARCODE_GS1_128, "[01]09501101530003"));
  const Reading on = DecodeWithGs1(elements, 1);
  ASSERT_EQ(on.result, 1);
  EXPECT_EQ(on.text, "0109501101530003");
  EXPECT_EQ(on.leadingFnc1, 1);
  const Reading off = DecodeWithGs1(elements, 0);
  ASSERT_EQ(off.result, 1);
  EXPECT_EQ(off.text, Bytes({201}) + "0109501101530003");
  EXPECT_EQ(off.leadingFnc1, 0);
}

TEST(Code128, Gs1SeparatorFnc1IsAByte) {
  const std::vector<int> elements =
      ElementsOfModules(ZintModules(BARCODE_GS1_128, "[21]123456[01]09501101530003"));
  ASSERT_EQ(CharacterAt(elements, 0), kStartC);
  const Reading on = DecodeWithGs1(elements, 1);
  ASSERT_EQ(on.result, 1);
  EXPECT_EQ(on.text, "21123456" + Bytes({201}) + "0109501101530003");
  EXPECT_EQ(on.leadingFnc1, 1);
}

// zint opens this one with Start B: its leading FNC1 is a byte and the
// symbol is plain Code 128.
TEST(Code128, Gs1DataBegunInSetBIsNotFlagged) {
  const std::vector<int> elements =
      ElementsOfModules(ZintModules(BARCODE_GS1_128, "[10]ABC12[01]09501101530003"));
  ASSERT_EQ(CharacterAt(elements, 0), kStartB);
  const Reading on = DecodeWithGs1(elements, 1);
  ASSERT_EQ(on.result, 1);
  EXPECT_EQ(on.text, Bytes({201}) + "10ABC12" + Bytes({201}) + "0109501101530003");
  EXPECT_EQ(on.leadingFnc1, 0);
}

TEST(Code128, StartBWithAB) {
  const Reading r = Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {33, 34}), 2));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "AB");
  EXPECT_EQ(r.length, 2);
}

TEST(Code128, StartCPairsKeepLeadingZeros) {
  const Reading r =
      Decode(Symbology::kCode128, Render(SymbolOfValues(kStartC, 105, {12, 34, 5}), 2));
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.text, "123405");
}

TEST(Code128, LeadingFnc1AfterStartC) {
  const std::vector<int> elements = SymbolOfValues(kStartC, 105, {102, 1, 23});
  const Reading on = DecodeWithGs1(elements, 1);
  EXPECT_EQ(on.result, 1);
  EXPECT_EQ(on.text, "0123");
  EXPECT_EQ(on.leadingFnc1, 1);
  const Reading off = DecodeWithGs1(elements, 0);
  EXPECT_EQ(off.text, Bytes({201}) + "0123");
  EXPECT_EQ(off.leadingFnc1, 0);
}

TEST(Code128, Fnc1LaterInSetCIsAByte) {
  const Reading on = DecodeWithGs1(SymbolOfValues(kStartC, 105, {1, 102, 23}), 1);
  EXPECT_EQ(on.text, "01" + Bytes({201}) + "23");
  EXPECT_EQ(on.leadingFnc1, 0);
}

TEST(Code128, LeadingFnc1AfterStartAOrBNeverFlags) {
  for (int gs1 : {0, 1}) {
    const Reading a = DecodeWithGs1(SymbolOfValues(kStartA, 103, {102, 33}), gs1);
    EXPECT_EQ(a.text, Bytes({201}) + "A");
    EXPECT_EQ(a.leadingFnc1, 0);
    const Reading b = DecodeWithGs1(SymbolOfValues(kStartB, 104, {102, 33}), gs1);
    EXPECT_EQ(b.text, Bytes({201}) + "A");
    EXPECT_EQ(b.leadingFnc1, 0);
  }
}

TEST(Code128, SetAControlValues) {
  const Reading r =
      Decode(Symbology::kCode128, Render(SymbolOfValues(kStartA, 103, {65, 95, 64}), 2));
  EXPECT_EQ(r.text, Bytes({1, 31, 0}));
  EXPECT_EQ(r.length, 3);
}

TEST(Code128, SetBValue95IsByte195) {
  const Reading r = Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {95}), 2));
  EXPECT_EQ(r.text, Bytes({195}));
}

TEST(Code128, ShiftReadsOneCharacterInTheOtherSet) {
  // B: shift, 65 (read in A: byte 1), 65 (back in B: "a").
  Reading r = Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {98, 65, 65}), 2));
  EXPECT_EQ(r.text, Bytes({1, 'a'}));
  // A: shift, 65 (read in B: "a"), 65 (back in A: byte 1).
  r = Decode(Symbology::kCode128, Render(SymbolOfValues(kStartA, 103, {98, 65, 65}), 2));
  EXPECT_EQ(r.text, Bytes({'a', 1}));
}

TEST(Code128, SetChangeUnderAShiftChangesTheCurrentSet) {
  // A: shift, code C (99), then 12 read as a pair.
  const Reading r =
      Decode(Symbology::kCode128, Render(SymbolOfValues(kStartA, 103, {98, 99, 12}), 2));
  EXPECT_EQ(r.text, "12");
}

TEST(Code128, FunctionCharacters) {
  // A: 101 is FNC4; B: 100 is FNC4; C: 100 and 101 change sets.
  EXPECT_EQ(Decode(Symbology::kCode128, Render(SymbolOfValues(kStartA, 103, {101}), 2)).text,
            Bytes({204}));
  EXPECT_EQ(Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {100}), 2)).text,
            Bytes({204}));
  EXPECT_EQ(
      Decode(Symbology::kCode128, Render(SymbolOfValues(kStartC, 105, {100, 33, 99, 7}), 2)).text,
      "A07");
  EXPECT_EQ(Decode(Symbology::kCode128, Render(SymbolOfValues(kStartC, 105, {101, 65}), 2)).text,
            Bytes({1}));
  // A: 100 changes to B; B: 101 changes to A.
  EXPECT_EQ(Decode(Symbology::kCode128, Render(SymbolOfValues(kStartA, 103, {100, 65}), 2)).text,
            "a");
  EXPECT_EQ(Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {101, 65}), 2)).text,
            Bytes({1}));
}

TEST(Code128, EmptySymbols) {
  struct Empty {
    const char* start;
    int value;
  };
  for (const Empty& e : {Empty{kStartA, 103}, Empty{kStartB, 104}, Empty{kStartC, 105}}) {
    const std::vector<int> elements = SymbolOfValues(e.start, e.value, {});
    ASSERT_EQ(elements.size(), 19u);
    const Reading r = Decode(Symbology::kCode128, Render(elements, 3));
    EXPECT_EQ(r.result, 1) << e.start;
    EXPECT_EQ(r.length, 0);
    EXPECT_TRUE(r.terminated);
  }
}

TEST(Code128, CheckOneOffFails) {
  for (int offset : {1, 102}) {
    const Reading r =
        Decode(Symbology::kCode128, Render(SymbolOfValues(kStartB, 104, {33, 34}, offset), 3));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.length, -7);
  }
}

TEST(Code128, OnlyNineteenPlusSixKElementsRead) {
  const std::vector<int> elements = Code128Elements("AB");  // 31 elements
  ASSERT_EQ(elements.size(), 31u);
  std::vector<int> four(elements.begin(), elements.begin() + 27);  // 27
  std::vector<int> twentyThree(elements.begin(), elements.begin() + 23);
  EXPECT_EQ(Decode(Symbology::kCode128, Render(four, 3)).result, 0);
  EXPECT_EQ(Decode(Symbology::kCode128, Render(twentyThree, 3)).result, 0);
  // The same content with extra elements after the stop fails too.
  std::vector<int> longer = elements;
  longer.insert(longer.end(), {1, 1});
  EXPECT_EQ(Decode(Symbology::kCode128, Render(longer, 3)).result, 0);
  for (size_t n = 0; n < 19; ++n) {
    std::vector<int> part(elements.begin(), elements.begin() + static_cast<long>(n));
    EXPECT_EQ(Decode(Symbology::kCode128, Render(part, 3)).result, 0) << n;
  }
}

TEST(Code128, BadStartOrStopFails) {
  std::vector<int> elements = Code128Elements("AB");
  elements[3] = 3;
  EXPECT_EQ(Decode(Symbology::kCode128, Render(elements, 3)).result, 0);
  elements = Code128Elements("AB");
  elements[elements.size() - 7] = 3;
  EXPECT_EQ(Decode(Symbology::kCode128, Render(elements, 3)).result, 0);
}

}  // namespace
}  // namespace bcx::test
