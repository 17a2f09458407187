#include "symbologies/ean_upc/ean_upc_thorough.h"

#include <gtest/gtest.h>
#include <zint.h>

#include <string>
#include <vector>

#include "run_builder.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

struct EanCase {
  const char* name;
  ThoroughDecodeFunction thorough;
  Symbology exact;
  int zint;
  std::vector<std::string> payloads;
};

void PrintTo(const EanCase& c, std::ostream* os) { *os << c.name; }

const std::vector<EanCase>& EanCases() {
  static const std::vector<EanCase> cases = {
      {"ean13",
       DecodeEan13Thorough,
       Symbology::kEan13,
       BARCODE_EANX,
       {"400638133393", "000000000000", "123456789012", "977123456700", "111111111111",
        "777777777777", "222222222222", "888888888888", "178217821782", "590123412345",
        "871234567890", "012345678905", "999999999999", "501234567890"}},
      {"ean8",
       DecodeEan8Thorough,
       Symbology::kEan8,
       BARCODE_EANX,
       {"9638507", "0000000", "1111111", "7777777", "2828282", "1234567", "5512345", "8711711"}},
      {"upca",
       DecodeUpcAThorough,
       Symbology::kUpcA,
       BARCODE_UPCA,
       {"03600029145", "00000000000", "12345678901", "71717171717", "28282828282", "99999999999",
        "04210000526"}},
      {"upce",
       DecodeUpcEThorough,
       Symbology::kUpcE,
       BARCODE_UPCE,
       {"0425261", "0123456", "0000001", "1234565", "0111111", "0777777", "0282828", "1717171",
        "0654321", "1654321", "1000012"}},
  };
  return cases;
}

constexpr double kPixelsPerModule[] = {1.5, 2.0, 2.5, 3.0, 4.0};
constexpr double kInkSpreads[] = {-0.3, -0.15, 0.0, 0.15, 0.3};
constexpr double kJitter = 0.15;
constexpr uint32_t kSeeds = 4;

std::vector<int> Elements(const EanCase& c, const std::string& data) {
  return ElementsOfModules(ZintModules(c.zint, data));
}

class EanUpcThorough : public testing::TestWithParam<EanCase> {};

TEST_P(EanUpcThorough, ReadAsTheExactDecoderReadsThem) {
  const EanCase& c = GetParam();
  for (const std::string& data : c.payloads) {
    const std::vector<int> elements = Elements(c, data);
    ASSERT_FALSE(elements.empty()) << data;
    const Reading exact = Decode(c.exact, Render(elements, 3));
    ASSERT_EQ(exact.result, 1) << data;
    for (double ppm : kPixelsPerModule) {
      for (double spread : kInkSpreads) {
        for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
          const std::vector<double> run = Printed(elements, Print{ppm, spread, kJitter, seed});
          const ThoroughReading r = ReadThorough(c.thorough, run);
          ASSERT_EQ(r.result, 1) << data << " " << ppm << " px, spread " << spread << ", seed "
                                 << seed;
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

// Scans whose module is no whole number of pixels (0.33 mm at 150, 200
// and 250 dpi), every edge rounded to a whole pixel, at sub-pixel offsets:
// an edge sum may then lie almost half a module off its code's.
TEST_P(EanUpcThorough, ReadScannedAtPixelsThatAreNoWholeModule) {
  const EanCase& c = GetParam();
  int failed = 0;
  std::string first;
  for (const std::string& data : c.payloads) {
    const std::vector<int> elements = Elements(c, data);
    const Reading exact = Decode(c.exact, Render(elements, 3));
    ASSERT_EQ(exact.result, 1) << data;
    for (const double ppm : {1.95, 2.6, 3.25}) {
      for (int step = 0; step < 8; ++step) {
        const ThoroughReading r = ReadThorough(c.thorough, PixelRounded(elements, ppm, step / 8.0));
        // Rounding never makes another valid symbol out of one.
        if (r.result == 1) {
          EXPECT_EQ(r.text, exact.text) << data << " " << ppm << " px";
        }
        if (r.result != 1 && failed++ == 0) {
          first = data + " at " + std::to_string(ppm) + " px, offset " + std::to_string(step);
        }
      }
    }
  }
  EXPECT_EQ(failed, 0) << "first: " << first;
}

// Every single-digit change of a payload keeps zint's check digit wrong.
TEST_P(EanUpcThorough, WrongCheckDigitFails) {
  const EanCase& c = GetParam();
  for (const std::string& data : c.payloads) {
    const std::vector<int> good = Elements(c, data);
    for (size_t i = 0; i < data.size(); ++i) {
      std::string changed = data;
      changed[i] = static_cast<char>('0' + (data[i] - '0' + 5) % 10);
      const std::vector<int> other = Elements(c, changed);
      if (other.size() != good.size()) continue;
      // The other symbol's check digit on this symbol's data: the last
      // digit's elements of `good` replaced by those of `other` would be a
      // different test; here the data changes and the check stays.
      std::vector<int> spoiled = other;
      const size_t checkAt = c.zint == BARCODE_UPCE ? 3 + 4 * 5 : good.size() - 3 - 4;
      if (c.zint == BARCODE_UPCE) continue;  // UPC-E carries its check in parities
      std::copy(good.begin() + checkAt, good.begin() + checkAt + 4, spoiled.begin() + checkAt);
      const ThoroughReading r = ReadThorough(c.thorough, Printed(spoiled, Print{2, 0.2, 0.1, 7}));
      EXPECT_EQ(r.result, 0) << data << " digit " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Thorough, EanUpcThorough, testing::ValuesIn(EanCases()),
                         [](const testing::TestParamInfo<EanCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace bcx::test
