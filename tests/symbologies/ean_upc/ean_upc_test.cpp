#include "symbologies/ean_upc/ean_upc.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_builder.h"

namespace bcx::test {
namespace {

std::vector<int> Elements(int symbology, const std::string& data) {
  return ElementsOfModules(ZintModules(symbology, data));
}

// The EAN/UPC check digit, worked out here from the weights 3, 1, 3, ...
// counted from the right.
char CheckDigitOf(const std::string& digits) {
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    const int weight = (digits.size() - i) % 2 == 1 ? 3 : 1;
    sum += (digits[i] - '0') * weight;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

Reading Read(Symbology s, const std::vector<int>& elements, double scale = 3, uint32_t seed = 1) {
  return Decode(s, Render(elements, scale, 0.05 * scale, seed));
}

// Reverses the four elements of left-half digit j (L code <-> G code).
void FlipLeftDigit(std::vector<int>& elements, int j) {
  std::reverse(elements.begin() + 3 + 4 * j, elements.begin() + 7 + 4 * j);
}

TEST(EanUpc, MatchDigitSets) {
  char d = 'x';
  DigitSet set = kSetR;
  EXPECT_EQ(MatchDigit("3211", kLeftLOrG, &d, &set), 1);
  EXPECT_EQ(d, '0');
  EXPECT_EQ(set, kSetL);
  EXPECT_EQ(MatchDigit("1123", kLeftLOrG, &d, &set), 1);
  EXPECT_EQ(d, '0');
  EXPECT_EQ(set, kSetG);
  EXPECT_EQ(MatchDigit("1123", kLeftLOnly, &d, &set), 0);
  EXPECT_EQ(MatchDigit("3211", kRightR, &d, &set), 1);
  EXPECT_EQ(d, '0');
  EXPECT_EQ(MatchDigit("2221", kLeftLOnly, &d, &set), 1);
  EXPECT_EQ(d, '1');
  EXPECT_EQ(MatchDigit("1222", kLeftLOrG, &d, &set), 1);
  EXPECT_EQ(d, '1');
  EXPECT_EQ(set, kSetG);
  d = 'x';
  EXPECT_EQ(MatchDigit("2211", kLeftLOrG, &d, &set), 0);  // five modules
  EXPECT_EQ(MatchDigit("2211", kRightR, &d, &set), 0);
  EXPECT_EQ(d, 'x');
}

// Every digit of every set as zint draws it in a right half (R) and in the
// left halves of EAN-13 symbols (L and G).
TEST(EanUpc, ZintDigitCodesMatch) {
  for (char digit = '0'; digit <= '9'; ++digit) {
    // Leading digit 1 gives the left half AABABB: digit 2 is in set G.
    const std::string data = std::string("1") + std::string(11, digit);
    const std::vector<int> e = Elements(BARCODE_EANX, data);
    ASSERT_EQ(e.size(), 59u);
    auto code = [&](int at) {
      std::string s;
      for (int i = at; i < at + 4; ++i) s.push_back(static_cast<char>('0' + e[i]));
      return s;
    };
    char d = 'x';
    DigitSet set = kSetR;
    EXPECT_EQ(MatchDigit(code(3).c_str(), kLeftLOrG, &d, &set), 1);
    EXPECT_EQ(d, digit);
    EXPECT_EQ(set, kSetL);
    EXPECT_EQ(MatchDigit(code(11).c_str(), kLeftLOrG, &d, &set), 1);
    EXPECT_EQ(d, digit);
    EXPECT_EQ(set, kSetG);
    EXPECT_EQ(MatchDigit(code(32).c_str(), kRightR, &d, &set), 1);
    EXPECT_EQ(d, digit);
  }
}

TEST(EanUpc, CheckDigitExamples) {
  EXPECT_EQ(ComputeCheckDigit("12345678901"), 2);
  EXPECT_EQ(ComputeCheckDigit("0123456789"), 5);
  EXPECT_EQ(ComputeCheckDigit("0000000000"), 0);
  EXPECT_EQ(ComputeCheckDigit("400638133393"), 1);
  EXPECT_EQ(ComputeCheckDigit(""), 0);
  for (const char* digits : {"9638507", "03600029145", "978020137962", "1"}) {
    EXPECT_EQ('0' + ComputeCheckDigit(digits), CheckDigitOf(digits)) << digits;
  }
}

TEST(EanUpc, RunsOfOneOrTwoElementsFail) {
  for (Symbology s : {Symbology::kEan13, Symbology::kEan8, Symbology::kUpcA, Symbology::kUpcE}) {
    EXPECT_EQ(Decode(s, {}).result, 0);
    EXPECT_EQ(Decode(s, {2.0}).result, 0);
    EXPECT_EQ(Decode(s, {2.0, 2.0}).result, 0);
  }
}

class Ean13Payloads : public testing::TestWithParam<std::string> {};

TEST_P(Ean13Payloads, ReadForwardsNotBackwards) {
  const std::vector<int> e = Elements(BARCODE_EANX, GetParam());
  ASSERT_EQ(e.size(), 59u);
  for (double scale : {1.0, 2.0, 3.0, 4.0}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const Reading r = Read(Symbology::kEan13, e, scale, seed);
      ASSERT_EQ(r.result, 1) << scale << " " << seed;
      EXPECT_EQ(r.text, GetParam());
      EXPECT_EQ(r.length, 12);
      EXPECT_TRUE(r.terminated);
    }
  }
  const Reading back = Decode(Symbology::kEan13, Reversed(Render(e, 3)));
  EXPECT_EQ(back.result, 0);
  EXPECT_EQ(back.length, -7);
}

INSTANTIATE_TEST_SUITE_P(EanUpc, Ean13Payloads,
                         testing::Values("400638133393", "590123412345", "978020137962",
                                         "003600029145", "123456789012", "200000000000",
                                         "311111111111", "555555555555", "699999999999",
                                         "700000000001", "812345678901", "987654321098"));

TEST(EanUpc, Ean13Example) {
  const Reading r = Read(Symbology::kEan13, Elements(BARCODE_EANX, "4006381333931"));
  EXPECT_EQ(r.text, "400638133393");
  EXPECT_EQ(r.length, 12);
}

TEST(EanUpc, UpcASymbolReadsAsEan13WithLeadingZero) {
  const std::vector<int> e = Elements(BARCODE_UPCA, "03600029145");
  const Reading ean = Read(Symbology::kEan13, e);
  EXPECT_EQ(ean.text, "003600029145");
  const Reading upc = Read(Symbology::kUpcA, e);
  EXPECT_EQ(upc.text, "036000291452");
  EXPECT_EQ(upc.length, 12);
}

TEST(EanUpc, Ean13FirstLeftDigitMayBeG) {
  std::vector<int> e = Elements(BARCODE_EANX, "400638133393");
  FlipLeftDigit(e, 0);
  EXPECT_EQ(Read(Symbology::kEan13, e).text, "400638133393");
}

TEST(EanUpc, Ean13AllGParityFails) {
  std::vector<int> e = Elements(BARCODE_EANX, "003600029145");  // all L
  for (int j = 1; j < 6; ++j) FlipLeftDigit(e, j);
  EXPECT_EQ(Read(Symbology::kEan13, e).result, 0);
}

TEST(EanUpc, Ean13WrongCheckDigitFails) {
  std::vector<int> e = Elements(BARCODE_EANX, "400638133393");  // check 1
  const std::vector<int> other = Elements(BARCODE_EANX, "400638133394");
  // Right digit 5 of the other symbol is its own, different check digit.
  std::copy(other.begin() + 52, other.begin() + 56, e.begin() + 52);
  const std::vector<int> original = Elements(BARCODE_EANX, "400638133393");
  ASSERT_NE(std::vector<int>(e.begin() + 52, e.begin() + 56),
            std::vector<int>(original.begin() + 52, original.begin() + 56));
  EXPECT_EQ(Read(Symbology::kEan13, e).result, 0);
}

TEST(EanUpc, Ean13WrongLengthsFail) {
  const std::vector<int> e = Elements(BARCODE_EANX, "400638133393");
  std::vector<int> longer = e;
  longer.insert(longer.end(), {1, 1});               // 61
  std::vector<int> shorter(e.begin(), e.end() - 2);  // 57
  EXPECT_EQ(Read(Symbology::kEan13, longer).result, 0);
  EXPECT_EQ(Read(Symbology::kEan13, shorter).result, 0);
  for (size_t n = 3; n < 59; ++n) {
    std::vector<int> part(e.begin(), e.begin() + static_cast<long>(n));
    EXPECT_EQ(Read(Symbology::kEan13, part).result, 0) << n;
  }
}

TEST(EanUpc, FiveModuleDigitFails) {
  std::vector<int> e = Elements(BARCODE_EANX, "400638133393");
  e[3] = 2;
  e[4] = 2;
  e[5] = 1;
  e[6] = 1;
  EXPECT_EQ(Read(Symbology::kEan13, e).result, 0);
}

TEST(EanUpc, BadGuardsFail) {
  for (int at : {1, 29, 57}) {
    std::vector<int> e = Elements(BARCODE_EANX, "400638133393");
    e[static_cast<size_t>(at)] = 2;
    EXPECT_EQ(Read(Symbology::kEan13, e).result, 0) << at;
  }
}

class Ean8Payloads : public testing::TestWithParam<std::string> {};

TEST_P(Ean8Payloads, ReadForwardsNotBackwards) {
  const std::vector<int> e = Elements(BARCODE_EANX, GetParam());
  ASSERT_EQ(e.size(), 43u);
  for (double scale : {1.0, 2.0, 3.0}) {
    const Reading r = Read(Symbology::kEan8, e, scale);
    ASSERT_EQ(r.result, 1) << scale;
    EXPECT_EQ(r.text, GetParam());
    EXPECT_EQ(r.length, 7);
    EXPECT_TRUE(r.terminated);
  }
  EXPECT_EQ(Decode(Symbology::kEan8, Reversed(Render(e, 3))).result, 0);
}

INSTANTIATE_TEST_SUITE_P(EanUpc, Ean8Payloads,
                         testing::Values("9638507", "0000000", "1234567", "5512345", "9999999"));

TEST(EanUpc, Ean8Example) {
  EXPECT_EQ(Read(Symbology::kEan8, Elements(BARCODE_EANX_CHK, "96385074")).text, "9638507");
}

TEST(EanUpc, Ean8RejectsLongerSymbolsAndBadDigits) {
  EXPECT_EQ(Read(Symbology::kEan8, Elements(BARCODE_EANX, "400638133393")).result, 0);
  std::vector<int> e = Elements(BARCODE_EANX, "9638507");
  e[24] = 2;  // right digit 0 becomes seven modules of nothing
  e[25] = 2;
  e[26] = 2;
  e[27] = 2;
  EXPECT_EQ(Read(Symbology::kEan8, e).result, 0);
  e = Elements(BARCODE_EANX, "9638507");
  FlipLeftDigit(e, 2);  // a G code in a left half of L codes only
  EXPECT_EQ(Read(Symbology::kEan8, e).result, 0);
}

class UpcAPayloads : public testing::TestWithParam<std::string> {};

TEST_P(UpcAPayloads, ReadWithCheckDigit) {
  const std::vector<int> e = Elements(BARCODE_UPCA, GetParam());
  ASSERT_EQ(e.size(), 59u);
  const Reading r = Read(Symbology::kUpcA, e);
  EXPECT_EQ(r.text, GetParam() + CheckDigitOf(GetParam()));
  EXPECT_EQ(r.length, 12);
  EXPECT_TRUE(r.terminated);
  EXPECT_EQ(Decode(Symbology::kUpcA, Reversed(Render(e, 3))).result, 0);
}

INSTANTIATE_TEST_SUITE_P(EanUpc, UpcAPayloads,
                         testing::Values("03600029145", "12345678901", "00000000000",
                                         "98765432109"));

TEST(EanUpc, UpcARejectsEan13AndEan8) {
  EXPECT_EQ(Read(Symbology::kUpcA, Elements(BARCODE_EANX, "400638133393")).result, 0);
  EXPECT_EQ(Read(Symbology::kUpcA, Elements(BARCODE_EANX, "9638507")).result, 0);
}

struct UpcECase {
  std::string six;
  std::string expanded;
};

class UpcEExpansions : public testing::TestWithParam<UpcECase> {};

TEST_P(UpcEExpansions, ExpandedDigitsAndCheck) {
  const std::vector<int> e = Elements(BARCODE_UPCE, "0" + GetParam().six);
  ASSERT_EQ(e.size(), 33u);
  const Reading r = Read(Symbology::kUpcE, e);
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, GetParam().expanded + CheckDigitOf(GetParam().expanded));
  EXPECT_EQ(r.length, 11);
  EXPECT_TRUE(r.terminated);
  EXPECT_EQ(Decode(Symbology::kUpcE, Reversed(Render(e, 3))).result, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EanUpc, UpcEExpansions,
    testing::Values(UpcECase{"425261", "4210000526"}, UpcECase{"123453", "1230000045"},
                    UpcECase{"123454", "1234000005"}, UpcECase{"123450", "1200000345"},
                    UpcECase{"123451", "1210000345"}, UpcECase{"123452", "1220000345"},
                    UpcECase{"123456", "1234500006"}, UpcECase{"654329", "6543200009"}));

TEST(EanUpc, UpcEExamples) {
  const std::vector<int> e = Elements(BARCODE_UPCE, "0425261");
  EXPECT_EQ(Read(Symbology::kUpcE, e).text, "42100005264");
  EXPECT_EQ(CheckDigitOf("1230000045"), '1');
}

TEST(EanUpc, UpcELengthBeyondTheGuardIsNotTested) {
  const std::vector<int> e = Elements(BARCODE_UPCE, "0425261");
  std::vector<int> longer(e.begin(), e.begin() + 32);
  longer.insert(longer.end(), {3, 1, 2, 1, 1, 4, 1, 2, 1});  // 41 elements
  EXPECT_EQ(Read(Symbology::kUpcE, longer).text, "42100005264");
  std::vector<int> thirtyTwo(e.begin(), e.begin() + 32);
  EXPECT_EQ(Read(Symbology::kUpcE, thirtyTwo).text, "42100005264");
  std::vector<int> thirtyOne(e.begin(), e.begin() + 31);
  EXPECT_EQ(Read(Symbology::kUpcE, thirtyOne).result, 0);
}

TEST(EanUpc, UpcEBadGuardOrParityFails) {
  std::vector<int> e = Elements(BARCODE_UPCE, "0425261");
  e[28] = 2;
  EXPECT_EQ(Read(Symbology::kUpcE, e).result, 0);
  e = Elements(BARCODE_UPCE, "0425261");
  FlipLeftDigit(e, 1);  // parity EEEEOO: in no table
  EXPECT_EQ(Read(Symbology::kUpcE, e).result, 0);
}

// Number system 1 is read from a whole symbol only and reported with its
// leading 1: twelve characters, the check digit over all eleven before it.
TEST(EanUpc, UpcENumberSystemOne) {
  const std::vector<int> e = Elements(BARCODE_UPCE, "1425261");
  ASSERT_EQ(e.size(), 33u);
  const Reading r = Read(Symbology::kUpcE, e);
  ASSERT_EQ(r.result, 1);
  const std::string digits = "14210000526";
  EXPECT_EQ(r.text, digits + CheckDigitOf(digits));
  EXPECT_EQ(r.length, 12);
  EXPECT_TRUE(r.terminated);
  EXPECT_EQ(Decode(Symbology::kUpcE, Reversed(Render(e, 3))).result, 0);

  std::vector<int> longer = e;
  longer.insert(longer.end(), {1, 1});
  EXPECT_EQ(Read(Symbology::kUpcE, longer).result, 0);
  std::vector<int> shorter(e.begin(), e.begin() + 32);
  EXPECT_EQ(Read(Symbology::kUpcE, shorter).result, 0);
  std::vector<int> wideLastBar = e;
  wideLastBar[32] = 2;
  EXPECT_EQ(Read(Symbology::kUpcE, wideLastBar).result, 0);
}

class Ean13NeverUpcE : public testing::TestWithParam<char> {};

TEST_P(Ean13NeverUpcE, NotReadAsUpcEEitherWay) {
  // Several symbols for each leading digit, so that the number-system-1
  // parities and some check digit agreements are met.
  for (int variant = 0; variant < 20; ++variant) {
    std::string data(1, GetParam());
    for (int i = 0; i < 11; ++i)
      data.push_back(static_cast<char>('0' + (variant * 7 + i * 3) % 10));
    const std::vector<double> run = Render(Elements(BARCODE_EANX, data), 3);
    EXPECT_EQ(Decode(Symbology::kUpcE, run).result, 0) << data;
    EXPECT_EQ(Decode(Symbology::kUpcE, Reversed(run)).result, 0) << data;
  }
}

INSTANTIATE_TEST_SUITE_P(EanUpc, Ean13NeverUpcE, testing::Range('0', static_cast<char>('9' + 1)));

}  // namespace
}  // namespace bcx::test
