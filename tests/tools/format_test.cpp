#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "bcxscan_format.h"
#include "bcxscan_options.h"

namespace bcxscan {
namespace {

using namespace std::string_literals;

struct EscapeCase {
  std::string bytes;
  std::string escaped;
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << "'" << c.escaped << "'"; }

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, Escapes) { EXPECT_EQ(EscapeBytes(GetParam().bytes), GetParam().escaped); }

INSTANTIATE_TEST_SUITE_P(
    Bytes, EscapeTest,
    ::testing::Values(EscapeCase{"ABC-123", "ABC-123"}, EscapeCase{"", ""},
                      EscapeCase{" ~", " ~"},       // both ends of the printable range
                      EscapeCase{"\xC9", "\\xC9"},  // FNC1
                      EscapeCase{"\xCA\xCB\xCC", "\\xCA\\xCB\\xCC"},  // FNC2..FNC4
                      EscapeCase{"\t", "\\x09"}, EscapeCase{"\\", "\\\\"},
                      EscapeCase{"a\\x41", "a\\\\x41"},  // an escape in the data stays readable
                      EscapeCase{"\x1F", "\\x1F"}, EscapeCase{"\x7F", "\\x7F"},
                      EscapeCase{"\xFF", "\\xFF"}, EscapeCase{"\n\r", "\\x0A\\x0D"},
                      EscapeCase{"\"'", "\"'"}, EscapeCase{"A\0B"s, "A\\x00B"}));

TEST(JsonStringTest, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("\x01"), "\"\\u0001\"");
  EXPECT_EQ(JsonString(""), "\"\"");
}

Symbol MakeSymbol(int32_t page, int type, std::string text) {
  Symbol symbol = {};
  symbol.page = page;
  symbol.type = type;
  symbol.text = std::move(text);
  symbol.corners[0] = {1, 2};
  symbol.corners[1] = {3, 4};
  symbol.corners[2] = {50, 60};
  symbol.corners[3] = {700, 8};
  return symbol;
}

TEST(TsvTest, OneLineWithTabSeparatedFields) {
  EXPECT_EQ(FormatTsvLine("img.png", MakeSymbol(0, kCode128, "Hello")),
            "img.png\t0\tcode128\tHello\t1,2\t3,4\t50,60\t700,8\n");
}

TEST(TsvTest, EscapesFnc1TabAndBackslash) {
  EXPECT_EQ(FormatTsvLine("img.png", MakeSymbol(2, kCode128,
                                                "\xC9"
                                                "01\tB\\C")),
            "img.png\t2\tcode128\t\\xC901\\x09B\\\\C\t1,2\t3,4\t50,60\t700,8\n");
}

TEST(TsvTest, EscapesTheFileName) {
  EXPECT_EQ(FormatTsvLine("a\tb.png", MakeSymbol(0, kEan8, "1234567")),
            "a\\x09b.png\t0\tean8\t1234567\t1,2\t3,4\t50,60\t700,8\n");
}

TEST(JsonTest, OneObjectPerLine) {
  EXPECT_EQ(FormatJsonLine("img.png", MakeSymbol(1, kGs1_128, "0112345678901231")),
            "{\"file\":\"img.png\",\"page\":1,\"type\":\"gs1-128\",\"text\":\"0112345678901231\","
            "\"corners\":[[1,2],[3,4],[50,60],[700,8]]}\n");
}

TEST(JsonTest, EscapesBytesThenForJson) {
  // The text field holds the escaped form: \xC9 becomes \\xC9 in the JSON
  // source, a backslash becomes \\\\ and a quote \".
  EXPECT_EQ(
      FormatJsonLine("-", MakeSymbol(0, kCode39, "\xC9\t\\\"")),
      "{\"file\":\"-\",\"page\":0,\"type\":\"code39\",\"text\":\"\\\\xC9\\\\x09\\\\\\\\\\\"\","
      "\"corners\":[[1,2],[3,4],[50,60],[700,8]]}\n");
}

TEST(JsonTest, QuotesInTheFileName) {
  const std::string line = FormatJsonLine("say \"hi\".png", MakeSymbol(0, kItf, "1234"));
  EXPECT_EQ(line.rfind("{\"file\":\"say \\\"hi\\\".png\",", 0), 0u) << line;
}

TEST(TextTest, AlignsColumnsWithinAFile) {
  const std::vector<Symbol> symbols = {MakeSymbol(0, kEan13, "590123412345"),
                                       MakeSymbol(10, kCode39, "AB")};
  EXPECT_EQ(FormatTextBlock("x.tif", symbols),
            "x.tif  page 0   ean13    590123412345  (1,2) (3,4) (50,60) (700,8)\n"
            "x.tif  page 10  code39   AB            (1,2) (3,4) (50,60) (700,8)\n");
}

TEST(TextTest, EscapesLikeTsv) {
  EXPECT_EQ(FormatTextBlock("g.png", {MakeSymbol(0, kCode128,
                                                 "\xC9"
                                                 "01")}),
            "g.png  page 0  code128  \\xC901  (1,2) (3,4) (50,60) (700,8)\n");
}

TEST(TextTest, SaysWhenNothingWasFound) {
  EXPECT_EQ(FormatTextBlock("blank.png", {}), "blank.png  no symbol found\n");
}

}  // namespace
}  // namespace bcxscan
