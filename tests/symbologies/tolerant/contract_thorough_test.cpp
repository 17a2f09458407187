// What every thorough decoder owes its caller, whatever the symbology: the
// search, the quiet zones, the span, and no reading where there is no
// symbol.
#include <gtest/gtest.h>
#include <zint.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "run_builder.h"
#include "symbologies/code128/code128_thorough.h"
#include "symbologies/code39/code39_thorough.h"
#include "symbologies/ean_upc/ean_upc_thorough.h"
#include "symbologies/itf/interleaved2of5_thorough.h"
#include "symbologies/tolerant/module_match.h"
#include "thorough_runs.h"

namespace bcx::test {
namespace {

struct DecoderCase {
  const char* name;
  ThoroughDecodeFunction decode;
  int zint;
  Symbology exact;
  const char* data;
  double quietModules;  // the quiet zone the decoder is meant to ask for
  bool checked;         // a check digit or character guards the symbol
};

void PrintTo(const DecoderCase& c, std::ostream* os) { *os << c.name; }

const DecoderCase kCases[] = {
    {"code39", DecodeCode39Thorough, BARCODE_CODE39, Symbology::kCode39, "CODE39", 5, false},
    {"code128", DecodeCode128Thorough, BARCODE_CODE128, Symbology::kCode128, "Hello 128", 5, true},
    {"ean13", DecodeEan13Thorough, BARCODE_EANX, Symbology::kEan13, "400638133393", 5.5, true},
    {"ean8", DecodeEan8Thorough, BARCODE_EANX, Symbology::kEan8, "9638507", 5, true},
    {"upca", DecodeUpcAThorough, BARCODE_UPCA, Symbology::kUpcA, "03600029145", 5, true},
    {"upce", DecodeUpcEThorough, BARCODE_UPCE, Symbology::kUpcE, "0425261", 5, true},
    {"itf", DecodeInterleaved2of5Thorough, BARCODE_C25INTER, Symbology::kItf, "12345678", 5, false},
};

// Wide elements as two narrow ones for Code 39 and ITF.
std::vector<int> ElementsOf(const DecoderCase& c, const char* data) {
  std::vector<int> e = ElementsOfModules(ZintModules(c.zint, data));
  if (c.zint == BARCODE_CODE39 || c.zint == BARCODE_C25INTER) e = WideAs(e, 2);
  return e;
}

constexpr double kPpm = 3.0;
constexpr Print kPrint{kPpm, 0.2, 0.1, 11};

std::vector<double> SymbolRun(const DecoderCase& c) {
  return Printed(ElementsOf(c, c.data), kPrint);
}

// What the exact decoder reads from a clean rendering of the sample.
std::string TextOf(const DecoderCase& c) {
  const Reading exact = Decode(c.exact, Render(ElementsOf(c, c.data), 3));
  EXPECT_EQ(exact.result, 1);
  return exact.text;
}

class ThoroughContract : public testing::TestWithParam<DecoderCase> {};

TEST_P(ThoroughContract, ReadsTheSampleAlone) {
  const std::vector<double> run = SymbolRun(GetParam());
  const ThoroughReading r = ReadThorough(GetParam().decode, run);
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, TextOf(GetParam()));
  EXPECT_EQ(r.span.first, 0);
  EXPECT_EQ(r.span.last, static_cast<int32_t>(run.size()) - 1);
}

TEST_P(ThoroughContract, FindsTheSymbolAmongOtherBarsWithQuietZones) {
  const std::vector<double> symbol = SymbolRun(GetParam());
  const int32_t n = static_cast<int32_t>(symbol.size());
  for (int32_t junk : {1, 5, 40}) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
      for (double gap : {10.0, 12.0, GetParam().quietModules + 0.5}) {
        const ThoroughReading r =
            ReadThorough(GetParam().decode, Embedded(symbol, kPpm, gap, gap, junk, seed));
        ASSERT_EQ(r.result, 1) << "junk " << junk << " seed " << seed << " gap " << gap;
        EXPECT_EQ(r.text, TextOf(GetParam()));
        EXPECT_EQ(r.span.first, 2 * junk);
        EXPECT_EQ(r.span.last, 2 * junk + n - 1);
      }
    }
  }
}

TEST_P(ThoroughContract, RefusesTheSymbolWhenOtherBarsComeTooClose) {
  const std::vector<double> symbol = SymbolRun(GetParam());
  const double tooClose = GetParam().quietModules - 1.0;
  for (int32_t junk : {1, 5, 40}) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
      for (double gap : {2.0, tooClose}) {
        const ThoroughReading before =
            ReadThorough(GetParam().decode, Embedded(symbol, kPpm, gap, 10, junk, seed));
        EXPECT_EQ(before.result, 0) << "junk " << junk << " seed " << seed << " gap " << gap;
        EXPECT_EQ(before.length, -7);
        const ThoroughReading after =
            ReadThorough(GetParam().decode, Embedded(symbol, kPpm, 10, gap, junk, seed));
        EXPECT_EQ(after.result, 0) << "junk " << junk << " seed " << seed << " gap " << gap;
      }
    }
  }
}

TEST_P(ThoroughContract, ReversedFails) {
  const ThoroughReading r = ReadThorough(GetParam().decode, Reversed(SymbolRun(GetParam())));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.length, -7);
}

// A run cut short at either end holds no whole symbol. Without a check
// character ITF can still end on three elements that pass for a stop, or
// begin on four that pass for a start, and read some of the digits: those
// are counted, not refused.
TEST_P(ThoroughContract, TruncatedRunsFail) {
  const std::vector<double> run = SymbolRun(GetParam());
  int partial = 0;
  for (size_t keep = 0; keep < run.size(); ++keep) {
    const std::vector<double> head(run.begin(), run.begin() + static_cast<long>(keep));
    const std::vector<double> tail(run.end() - static_cast<long>(keep), run.end());
    for (const std::vector<double>* cut : {&head, &tail}) {
      const ThoroughReading r = ReadThorough(GetParam().decode, *cut);
      if (r.result == 0) continue;
      ++partial;
      std::printf("%s: %zu elements kept at the %s read as \"%s\"\n", GetParam().name, keep,
                  cut == &head ? "start" : "end", r.text.c_str());
      EXPECT_FALSE(GetParam().checked) << keep << " elements kept: " << r.text;
      EXPECT_NE(r.text, TextOf(GetParam()));
      EXPECT_GE(r.text.size(), 1u);
    }
  }
  std::printf("%s: %d partial reads from %zu cut runs\n", GetParam().name, partial, 2 * run.size());
  RecordProperty("partialReads", partial);
  if (GetParam().checked || GetParam().zint == BARCODE_CODE39) {
    EXPECT_EQ(partial, 0);
  }
}

TEST_P(ThoroughContract, EmptyAndTinyRunsFail) {
  for (size_t n : {0u, 1u, 2u, 3u}) {
    const ThoroughReading r = ReadThorough(GetParam().decode, std::vector<double>(n, 6.0));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.length, -7);
    EXPECT_EQ(r.span.first, -7);
  }
}

TEST_P(ThoroughContract, FromSkipsWhatLiesBeforeIt) {
  const std::vector<double> symbol = SymbolRun(GetParam());
  const std::vector<double> run = Embedded(symbol, kPpm, 10, 10, 3, 1);
  const int32_t first = 6;
  const int32_t count = static_cast<int32_t>(run.size());
  EXPECT_EQ(ReadThorough(GetParam().decode, run, -4).result, 1);
  EXPECT_EQ(ReadThorough(GetParam().decode, run, first).span.first, first);
  EXPECT_EQ(ReadThorough(GetParam().decode, run, first - 1).span.first, first);  // a space
  EXPECT_EQ(ReadThorough(GetParam().decode, run, first + 2).result, 0);
  for (int32_t from : {count - 1, count, count + 1, count + 1000, INT32_MAX}) {
    const ThoroughReading r = ReadThorough(GetParam().decode, run, from);
    EXPECT_EQ(r.result, 0) << from;
    EXPECT_EQ(r.length, -7);
  }
}

// The caller reads on from span.last + 2 for the next symbol.
TEST_P(ThoroughContract, TwoSymbolsInARunOneAfterTheOther) {
  const std::vector<double> a = SymbolRun(GetParam());
  std::vector<double> run = a;
  run.push_back(12 * kPpm);
  run.insert(run.end(), a.begin(), a.end());
  const int32_t n = static_cast<int32_t>(a.size());
  const ThoroughReading first = ReadThorough(GetParam().decode, run, 0);
  ASSERT_EQ(first.result, 1);
  EXPECT_EQ(first.span.last, n - 1);
  const ThoroughReading second = ReadThorough(GetParam().decode, run, first.span.last + 2);
  ASSERT_EQ(second.result, 1);
  EXPECT_EQ(second.text, TextOf(GetParam()));
  EXPECT_EQ(second.span.first, n + 1);
  EXPECT_EQ(second.span.last, 2 * n);
  EXPECT_EQ(ReadThorough(GetParam().decode, run, second.span.last + 2).result, 0);
}

// A long run of other bars with the symbol at its far end: found, and in
// time linear in the run.
TEST_P(ThoroughContract, HugeRunWithTheSymbolAtItsEnd) {
  const std::vector<double> symbol = SymbolRun(GetParam());
  const int32_t junk = 100000;
  const std::vector<double> run = Embedded(symbol, kPpm, 10, 10, junk, 3);
  const auto start = std::chrono::steady_clock::now();
  const ThoroughReading r = ReadThorough(GetParam().decode, run);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.text, TextOf(GetParam()));
  EXPECT_EQ(r.span.first, 2 * junk);
  RecordProperty("seconds", std::to_string(seconds));
  EXPECT_EQ(ReadThorough(GetParam().decode, run, 2 * junk + 2).result, 0);
}

TEST_P(ThoroughContract, NotANumberAndNegativeWidthsReadNothing) {
  std::vector<double> run = SymbolRun(GetParam());
  for (size_t i : {size_t{0}, run.size() / 2, run.size() - 1}) {
    for (double bad : {std::nan(""), -3.0, 0.0, HUGE_VAL}) {
      std::vector<double> spoiled = run;
      spoiled[i] = bad;
      const ThoroughReading r = ReadThorough(GetParam().decode, spoiled);
      EXPECT_EQ(r.result, 0) << i << " " << bad;
    }
  }
}

// The pipeline offers every run to every decoder: none reads another
// symbology's symbol, except EAN-13 and UPC-A, which are one symbol read
// two ways (a UPC-A symbol is an EAN-13 symbol with leading digit 0).
TEST_P(ThoroughContract, OtherSymbologiesReadNothing) {
  for (const DecoderCase& other : kCases) {
    if (other.zint == GetParam().zint) continue;
    const bool sameSymbol =
        (GetParam().decode == DecodeEan13Thorough && other.decode == DecodeUpcAThorough) ||
        (GetParam().decode == DecodeUpcAThorough && other.decode == DecodeEan13Thorough);
    if (sameSymbol) continue;
    for (const char* data : {other.data, "0", "12", "98765432109876"}) {
      const std::vector<int> elements = ElementsOf(other, data);
      if (elements.empty()) continue;
      for (double spread : {-0.2, 0.0, 0.2}) {
        const std::vector<double> run = Printed(elements, Print{kPpm, spread, 0.1, 5});
        const ThoroughReading r = ReadThorough(GetParam().decode, run);
        const ThoroughReading back = ReadThorough(GetParam().decode, Reversed(run));
        EXPECT_EQ(r.result, 0) << other.name << " " << data << ": " << r.text;
        EXPECT_EQ(back.result, 0) << other.name << " " << data << " reversed: " << back.text;
      }
    }
  }
}

// Runs of random widths hold no symbol: none may be read from them where a
// check digit guards the symbology; for Code 39 and ITF the count is
// reported and bounded.
constexpr uint32_t kRandomRuns = 20000;

constexpr RandomWidths kRandomKinds[] = {RandomWidths::kAny, RandomWidths::kWholeModules,
                                         RandomWidths::kNarrowWide};
constexpr const char* kRandomKindNames[] = {"any width", "whole modules", "narrow and wide"};

// Every symbol each kind of run yields, searched for as the caller would.
std::vector<int> CountFalseReads(ThoroughDecodeFunction decode) {
  std::vector<int> reads(std::size(kRandomKinds), 0);
  for (size_t k = 0; k < std::size(kRandomKinds); ++k) {
    for (uint32_t seed = 1; seed <= kRandomRuns; ++seed) {
      const std::vector<double> run = RandomRun(seed, kRandomKinds[k]);
      int32_t from = 0;
      while (true) {
        const ThoroughReading r = ReadThorough(decode, run, from);
        if (r.result == 0) break;
        EXPECT_GT(r.length, 0);
        ++reads[k];
        from = r.span.last + 2;
      }
    }
  }
  return reads;
}

TEST_P(ThoroughContract, RandomRunsYieldNoSymbol) {
  const std::vector<int> reads = CountFalseReads(GetParam().decode);
  for (size_t k = 0; k < reads.size(); ++k) {
    std::printf("%s: %d false reads in %u runs of %s\n", GetParam().name, reads[k], kRandomRuns,
                kRandomKindNames[k]);
    RecordProperty(std::string("falseReads ") + kRandomKindNames[k], reads[k]);
    if (GetParam().checked) {
      EXPECT_EQ(reads[k], 0) << kRandomKindNames[k];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Thorough, ThoroughContract, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DecoderCase>& info) {
                           return std::string(info.param.name);
                         });

// The test every decoder makes at each bar before matching its start:
// the space before it against the narrowest of its first three elements.
TEST(StartGate, SpaceBeforeTheBarAgainstItsNarrowestNeighbour) {
  const double nan = std::nan("");
  struct Case {
    std::vector<double> widths;
    int32_t at;
    bool mayStart;
  };
  const Case cases[] = {
      {{3, 1, 1, 1}, 0, true},            // a run starts at its first bar
      {{1, 5, 2, 1, 2, 1}, 2, true},      // 5 >= 2.5 x 1
      {{1, 2.5, 2, 1, 2, 1}, 2, true},    // exactly 2.5 x 1
      {{1, 2.49, 2, 1, 2, 1}, 2, false},  // just under
      {{1, 4, 2, 2, 2, 1}, 2, false},     // narrowest of three is 2: needs 5
      {{1, 5, 2, 2, 2, 1}, 2, true},      // and has it
      {{1, 4, 2, 2}, 2, false},           // two elements left: the narrower of them
      {{1, 10, 4}, 2, true},              // one element left: it is the narrowest
      {{1, 10, 4}, 3, false},             // beyond the run
      {{1, nan, 1, 1, 1}, 2, true},       // unmeasured widths are the decoder's to refuse
      {{1, 3, nan, 1, 1}, 2, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MayStartSymbol(c.widths.data(), static_cast<int32_t>(c.widths.size()), c.at),
              c.mayStart)
        << "at " << c.at << " of " << c.widths.size();
  }
}

// The separation of a character's wide and narrow elements, with the
// spread taken off or as measured where that splits them the same way.
TEST(SplitWidestEitherWay, TheWidthsAsMeasuredCountWhereTheySplitAlike) {
  struct Case {
    std::vector<double> raw;
    std::vector<double> corrected;
    double separation;
  };
  const Case cases[] = {
      // One and the same: the plain split.
      {{2, 4, 2, 2, 4, 2, 4, 2, 2}, {2, 4, 2, 2, 4, 2, 4, 2, 2}, 2.0},
      // A spread of a quarter pixel closed the gap: the measured 4 / 3.
      {{4, 4, 4, 2, 2, 2, 3, 2, 2},
       {4.25, 3.75, 4.25, 1.75, 2.25, 1.75, 3.25, 1.75, 2.25},
       4.0 / 3.0},
      // Taking the spread off separates them better: that stands.
      {{3, 4, 3, 2.5, 2, 2.5, 2, 2.5, 2},
       {3.25, 3.75, 3.25, 2.25, 2.25, 2.25, 2.25, 2.25, 2.25},
       3.25 / 2.25},
      // The measured widths would mark another element wide: not taken.
      {{4, 2, 3, 2, 2, 2, 4, 2, 2}, {3.5, 2.5, 2.5, 2.5, 1.5, 2.5, 3.5, 2.5, 1.5}, 2.5 / 2.5},
  };
  for (const Case& c : cases) {
    bool wide[kMaxSplitValues];
    EXPECT_DOUBLE_EQ(SplitWidestEitherWay(c.raw.data(), c.corrected.data(), 9, 3, wide),
                     c.separation);
  }
  const double bad[9] = {2, std::nan(""), 2, 2, 4, 2, 4, 2, 2};
  const double good[9] = {2, 4, 2, 2, 4, 2, 4, 2, 2};
  bool wide[kMaxSplitValues];
  EXPECT_EQ(SplitWidestEitherWay(good, bad, 9, 3, wide), 0.0);
  for (bool w : wide) EXPECT_FALSE(w);  // a failed split marks nothing wide
  EXPECT_EQ(SplitWidestEitherWay(good, good, 10, 3, wide), 0.0);  // more than it splits
}

}  // namespace
}  // namespace bcx::test
