// Random and mutated runs through every decoder and the dispatch: no crash,
// no access outside the run (the sanitizer build watches the heap copies of
// exactly the run's size), no text longer than its buffer.
#include <gtest/gtest.h>
#include <zint.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "api/library.h"
#include "records/results.h"
#include "records/settings.h"
#include "run_builder.h"
#include "stages/components/scan_state.h"
#include "stages/spans/spans.h"

namespace bcx::test {
namespace {

constexpr uint32_t kBaseSeed = 20261209;
constexpr int kRandomRuns = 1500;
constexpr int kMutatedRuns = 1500;
constexpr int kMaxLength = 300;

std::vector<double> RandomRun(std::mt19937& g) {
  std::uniform_int_distribution<int> length(0, kMaxLength);
  std::uniform_int_distribution<int> style(0, 2);
  const int n = length(g);
  std::vector<double> run;
  const int s = style(g);
  std::uniform_real_distribution<double> anyWidth(0.0, 12.0);
  std::uniform_int_distribution<int> modules(1, 4);
  std::uniform_real_distribution<double> noise(-0.3, 0.3);
  for (int i = 0; i < n; ++i) {
    if (s == 0) {
      run.push_back(anyWidth(g));
    } else if (s == 1) {
      run.push_back(modules(g) * 2.0 + noise(g));
    } else {
      run.push_back(g() % 5 == 0 ? 0.0 : modules(g) * 3.0);
    }
  }
  return run;
}

std::vector<std::vector<int>> SymbolSeeds() {
  return {ElementsOfModules(ZintModules(BARCODE_CODE39, "FUZZ-39")),
          ElementsOfModules(ZintModules(BARCODE_CODE128,
                                        "Fuzz\x01"
                                        "1234567")),
          ElementsOfModules(ZintModules(BARCODE_GS1_128, "[01]09501101530003")),
          ElementsOfModules(ZintModules(BARCODE_EANX, "400638133393")),
          ElementsOfModules(ZintModules(BARCODE_EANX, "9638507")),
          ElementsOfModules(ZintModules(BARCODE_UPCA, "03600029145")),
          ElementsOfModules(ZintModules(BARCODE_UPCE, "0425261")),
          ElementsOfModules(ZintModules(BARCODE_UPCE, "1425261")),
          WideAs(ElementsOfModules(ZintModules(BARCODE_C25INTER, "123456")), 2)};
}

// A real symbol with a few elements changed, dropped or added, so the
// decoders get deep before they fail.
std::vector<double> MutatedRun(std::mt19937& g, const std::vector<std::vector<int>>& seeds) {
  std::vector<int> elements = seeds[g() % seeds.size()];
  const int edits = static_cast<int>(g() % 4);
  for (int e = 0; e < edits && !elements.empty(); ++e) {
    const size_t at = g() % elements.size();
    switch (g() % 4) {
      case 0:
        elements[at] = 1 + static_cast<int>(g() % 4);
        break;
      case 1:
        elements.erase(elements.begin() + static_cast<long>(at));
        break;
      case 2:
        elements.insert(elements.begin() + static_cast<long>(at), 1 + static_cast<int>(g() % 4));
        break;
      default:
        elements.resize(at);
        break;
    }
  }
  if (g() % 2 == 0) std::reverse(elements.begin(), elements.end());
  return Render(elements, 1.0 + (g() % 40) / 10.0, 0.2, g());
}

void CheckEveryDecoder(const std::vector<double>& run) {
  for (Symbology s : kAllSymbologies) {
    const Reading r = Decode(s, run);
    if (r.result == 0) {
      EXPECT_EQ(r.length, -7) << "failure changed the length";
    } else {
      ASSERT_EQ(r.result, 1);
      EXPECT_GE(r.length, 0);
      EXPECT_LT(r.length, static_cast<int32_t>(run.size()));
      EXPECT_TRUE(r.terminated);
    }
  }
}

class Fuzz : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_library.context.settings;
    savedScan_ = g_library.context.scan;
    for (int id = 0; id < kSymbologyCount; ++id) g_library.context.settings.switches[id] = 1;
    g_library.context.settings.widthRatioLimit = 10.0f;
    EmptyResultTable(g_library.context.results);
  }
  void TearDown() override {
    EmptyResultTable(g_library.context.results);
    g_library.context.settings = saved_;
    g_library.context.scan = savedScan_;
  }

  // Every span of the run through the dispatch, the run on the heap at its
  // exact size, the group table sized to its bars.
  void Dispatch(std::vector<double> run) {
    if (run.size() % 2 == 0) {  // a run of bars ends with a bar
      if (run.empty()) return;
      run.pop_back();
    }
    const int32_t n = static_cast<int32_t>(run.size() + 1) / 2;
    std::unique_ptr<BarRecord[]> bars(new BarRecord[static_cast<size_t>(n)]());
    for (int32_t k = 0; k < n; ++k) bars[k].side = Segment{k, 0, k, 30, 30.0, 0.0, 30.0};
    g_library.context.scan.group = bars.get();
    std::unique_ptr<double[]> copy(new double[run.size()]);
    std::copy(run.begin(), run.end(), copy.get());
    DecodeSpan(TargetOf(g_library.context), 0, n - 1, copy.get());
    DecodeSpans(TargetOf(g_library.context), copy.get(), n);
    g_library.context.scan.group = nullptr;
    for (int32_t i = 0; i < g_library.context.results.count; ++i) {
      EXPECT_LE(g_library.context.results.records[i].textLength, static_cast<int32_t>(run.size()));
      EXPECT_GE(g_library.context.results.records[i].type, 0);
      EXPECT_LT(g_library.context.results.records[i].type, kSymbologyCount);
    }
    EmptyResultTable(g_library.context.results);
  }

  Settings saved_{};
  ScanState savedScan_{};
};

TEST_F(Fuzz, RandomRuns) {
  for (int i = 0; i < kRandomRuns; ++i) {
    const uint32_t seed = kBaseSeed + static_cast<uint32_t>(i);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 g(seed);
    const std::vector<double> run = RandomRun(g);
    CheckEveryDecoder(run);
    Dispatch(run);
    if (HasFailure()) return;
  }
}

TEST_F(Fuzz, MutatedSymbols) {
  const std::vector<std::vector<int>> seeds = SymbolSeeds();
  for (int i = 0; i < kMutatedRuns; ++i) {
    const uint32_t seed = kBaseSeed + 100000 + static_cast<uint32_t>(i);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 g(seed);
    const std::vector<double> run = MutatedRun(g, seeds);
    CheckEveryDecoder(run);
    Dispatch(run);
    if (HasFailure()) return;
  }
}

TEST_F(Fuzz, ExtremeWidths) {
  const double extremes[] = {0.0, 1e-300, 1e300, 1e9, 0.75, 3.14};
  for (double w : extremes) {
    for (size_t n : {1u, 3u, 7u, 19u, 33u, 43u, 59u, 61u}) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(n));
      const std::vector<double> run(n, w);
      CheckEveryDecoder(run);
      Dispatch(run);
    }
  }
}

}  // namespace
}  // namespace bcx::test
