#include <gtest/gtest.h>
#include <zint.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "api/library.h"
#include "records/results.h"
#include "records/settings.h"
#include "run_builder.h"
#include "stages/components/scan_state.h"
#include "stages/spans/spans.h"

// Lets a test make one chosen nothrow array allocation fail.
namespace {
int g_nothrowCalls = 0;
int g_failNothrowCall = -1;
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (g_nothrowCalls++ == g_failNothrowCall) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace bcx::test {
namespace {

std::vector<int> ZintElements(int symbology, const std::string& data) {
  return ElementsOfModules(ZintModules(symbology, data));
}

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    savedSettings_ = g_library.context.settings;
    savedScan_ = g_library.context.scan;
    std::memset(g_library.context.settings.switches, 0,
                sizeof(g_library.context.settings.switches));
    g_library.context.settings.widthRatioLimit = 10.0f;
    EmptyResultTable(g_library.context.results);
  }

  void TearDown() override {
    EmptyResultTable(g_library.context.results);
    g_library.context.settings = savedSettings_;
    g_library.context.scan = savedScan_;
    delete[] bars_;
    g_failNothrowCall = -1;
  }

  // Bar k of the group stands upright at x = 10k, from y = 5 to y = 45.
  void MakeGroup(int32_t n) {
    delete[] bars_;
    bars_ = new BarRecord[static_cast<size_t>(n > 0 ? n : 1)]();
    for (int32_t k = 0; k < n; ++k) {
      bars_[k].side = Segment{10 * k, 5, 10 * k, 45, 40.0, 0.0, 40.0};
      bars_[k].barLength = 40.0;
      bars_[k].centroidX = 10 * k;
    }
    g_library.context.scan.group = bars_;
    g_library.context.scan.groupCount = n;
  }

  // Offers the whole run as one span over a group of matching size; the run
  // is on the heap with its exact size.
  int Offer(const std::vector<double>& run) {
    MakeGroup(static_cast<int32_t>(run.size() + 1) / 2);
    std::unique_ptr<double[]> copy(new double[run.size()]);
    std::copy(run.begin(), run.end(), copy.get());
    return DecodeSpan(TargetOf(g_library.context), 0, static_cast<int32_t>(run.size() - 1) / 2,
                      copy.get());
  }

  void Enable(std::initializer_list<int> ids) {
    for (int id : ids) g_library.context.settings.switches[id] = 1;
  }

  static std::string TextOf(int index) {
    const ResultRecord& r = g_library.context.results.records[index];
    return std::string(reinterpret_cast<const char*>(r.text), static_cast<size_t>(r.textLength));
  }

  BarRecord* bars_ = nullptr;
  Settings savedSettings_{};
  ScanState savedScan_{};
};

// Bars of the given widths with spaces of 1 between them.
std::vector<double> BarRun(const std::vector<double>& bars) {
  std::vector<double> run;
  for (size_t i = 0; i < bars.size(); ++i) {
    if (i > 0) run.push_back(1.0);
    run.push_back(bars[i]);
  }
  return run;
}

TEST_F(Dispatch, NarrowestBarIsTheFirstOfEqualSmallest) {
  EXPECT_EQ(NarrowestBar(BarRun({2, 2, 25, 2, 2}).data(), 5), 0);
  EXPECT_EQ(NarrowestBar(BarRun({3, 30, 2, 2}).data(), 4), 2);
  EXPECT_EQ(NarrowestBar(BarRun({4}).data(), 1), 0);
  EXPECT_EQ(NarrowestBar(BarRun({5, 4, 0, 0}).data(), 4), 2);
  // Spaces are not bars.
  std::vector<double> run = BarRun({5, 4, 6});
  run[1] = 0.1;
  EXPECT_EQ(NarrowestBar(run.data(), 3), 1);
}

TEST_F(Dispatch, WideBarEndsTheSpanToTheRight) {
  MakeGroup(5);
  std::vector<double> run = BarRun({2, 2, 25, 2, 2});
  run[7] = 0.5;  // the space between bars 3 and 4
  int32_t f = -1;
  int32_t l = -1;
  FindSpan(run.data(), 5, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 2);
  ASSERT_EQ(RemoveSpan(g_library.context.scan, run.data(), 5, f, l), 2);
  EXPECT_EQ(run[0], 2.0);
  EXPECT_EQ(run[1], 0.5);
  EXPECT_EQ(run[2], 2.0);
  EXPECT_EQ(g_library.context.scan.group[0].side.x1, 30);
  EXPECT_EQ(g_library.context.scan.group[1].side.x1, 40);
  FindSpan(run.data(), 2, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 1);
  EXPECT_EQ(RemoveSpan(g_library.context.scan, run.data(), 2, f, l), 0);
}

TEST_F(Dispatch, WideBarStartsTheSpanToTheLeft) {
  MakeGroup(4);
  std::vector<double> run = BarRun({3, 30, 2, 2});
  run[1] = 0.25;
  int32_t f = -1;
  int32_t l = -1;
  FindSpan(run.data(), 4, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 1);
  EXPECT_EQ(l, 3);
  ASSERT_EQ(RemoveSpan(g_library.context.scan, run.data(), 4, f, l), 1);
  EXPECT_EQ(run[0], 3.0);
  EXPECT_EQ(g_library.context.scan.group[0].side.x1, 0);
  FindSpan(run.data(), 1, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 0);
}

TEST_F(Dispatch, MiddleSpanJoinsItsNeighboursWithTheSpaceBeforeIt) {
  // Bars 0 and 1 stay, 2 to 4 go (bounded by the wide 2 and 4), 5 and 6
  // move down; bar 1 keeps its following space, which now leads to old bar 5.
  MakeGroup(7);
  std::vector<double> run = {7, 0.1, 8, 0.2, 30, 0.3, 1, 0.4, 40, 0.5, 9, 0.6, 6};
  int32_t f = -1;
  int32_t l = -1;
  FindSpan(run.data(), 7, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 2);
  EXPECT_EQ(l, 4);
  ASSERT_EQ(RemoveSpan(g_library.context.scan, run.data(), 7, f, l), 4);
  const std::vector<double> expected = {7, 0.1, 8, 0.2, 9, 0.6, 6};
  EXPECT_EQ(std::vector<double>(run.begin(), run.begin() + 7), expected);
  EXPECT_EQ(g_library.context.scan.group[2].side.x1, 50);
  EXPECT_EQ(g_library.context.scan.group[3].side.x1, 60);
}

TEST_F(Dispatch, BarExactlyAtTheLimitBoundsTheSpan) {
  const std::vector<double> run = BarRun({2, 20, 2});
  int32_t f = -1;
  int32_t l = -1;
  FindSpan(run.data(), 3, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 1);
  const std::vector<double> below = BarRun({2, 19.99, 2});
  FindSpan(below.data(), 3, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(l, 2);
}

TEST_F(Dispatch, AllBarsBelowTheLimitMakeOneSpan) {
  const std::vector<double> run = BarRun({2, 8, 4, 19, 3});
  int32_t f = -1;
  int32_t l = -1;
  FindSpan(run.data(), 5, g_library.context.settings.widthRatioLimit, &f, &l);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(l, 4);
}

TEST_F(Dispatch, CornersGoRoundTheSymbol) {
  Enable({kCode39});
  const std::vector<double> run = Render(ZintElements(BARCODE_CODE39, "AB"), 2);
  MakeGroup(static_cast<int32_t>(run.size() + 1) / 2);
  const int32_t last = static_cast<int32_t>(run.size() - 1) / 2;
  g_library.context.scan.group[0].side = Segment{3, 4, 5, 60, 0, 0, 0};
  g_library.context.scan.group[last].side = Segment{90, 62, 88, 6, 0, 0, 0};
  ASSERT_EQ(DecodeSpan(TargetOf(g_library.context), 0, last, run.data()), 1);
  ASSERT_EQ(g_library.context.results.count, 1);
  const Point* c = g_library.context.results.records[0].corners;
  EXPECT_EQ(c[0].x, 3);
  EXPECT_EQ(c[0].y, 4);
  EXPECT_EQ(c[1].x, 5);
  EXPECT_EQ(c[1].y, 60);
  EXPECT_EQ(c[2].x, 90);  // nearer to corner 2
  EXPECT_EQ(c[2].y, 62);
  EXPECT_EQ(c[3].x, 88);
  EXPECT_EQ(c[3].y, 6);

  EmptyResultTable(g_library.context.results);
  g_library.context.scan.group[last].side = Segment{88, 6, 90, 62, 0, 0, 0};
  ASSERT_EQ(DecodeSpan(TargetOf(g_library.context), 0, last, run.data()), 1);
  EXPECT_EQ(g_library.context.results.records[0].corners[2].x, 90);
  EXPECT_EQ(g_library.context.results.records[0].corners[3].x, 88);
}

TEST_F(Dispatch, CornersFollowTheSideDirectionsNotTheNearerEnd) {
  Enable({kCode39});
  const std::vector<double> run = Render(ZintElements(BARCODE_CODE39, "AB"), 2);
  MakeGroup(static_cast<int32_t>(run.size() + 1) / 2);
  const int32_t last = static_cast<int32_t>(run.size() - 1) / 2;
  struct Case {
    Segment first, last;
    Point corner3, corner4;
  } cases[] = {
      // Equal distances from corner 2: the sides run the same way, so the
      // last one is walked backwards.
      {{0, 0, 0, 10, 0, 0, 0}, {20, 0, 20, 20, 0, 0, 0}, {20, 20}, {20, 0}},
      // The last bar sits lower, its first end nearer to corner 2; taking
      // that end would cross the quadrilateral.
      {{0, 0, 0, 50, 0, 0, 0}, {400, 30, 400, 80, 0, 0, 0}, {400, 80}, {400, 30}},
      {{0, 0, 0, 50, 0, 0, 0}, {400, 80, 400, 30, 0, 0, 0}, {400, 80}, {400, 30}},
      // Sides at right angles: the nearer end, the first one on a tie.
      {{0, 0, 0, 10, 0, 0, 0}, {-10, 20, 10, 20, 0, 0, 0}, {-10, 20}, {10, 20}},
      {{0, 0, 0, 10, 0, 0, 0}, {10, 20, -5, 20, 0, 0, 0}, {-5, 20}, {10, 20}},
  };
  for (const Case& c : cases) {
    EmptyResultTable(g_library.context.results);
    g_library.context.scan.group[0].side = c.first;
    g_library.context.scan.group[last].side = c.last;
    ASSERT_EQ(DecodeSpan(TargetOf(g_library.context), 0, last, run.data()), 1);
    const Point* got = g_library.context.results.records[0].corners;
    EXPECT_EQ(got[2].x, c.corner3.x);
    EXPECT_EQ(got[2].y, c.corner3.y);
    EXPECT_EQ(got[3].x, c.corner4.x);
    EXPECT_EQ(got[3].y, c.corner4.y);
  }
}

TEST_F(Dispatch, SpanInsideTheGroupUsesItsOwnBarsAndWidths) {
  Enable({kEan8});
  // Two stray bars, then EAN-8 9638507 at bars 2 onwards.
  std::vector<double> run = {2, 2, 2, 2};
  const std::vector<double> ean = Render(ZintElements(BARCODE_EANX, "9638507"), 2);
  run.insert(run.end(), ean.begin(), ean.end());
  MakeGroup(static_cast<int32_t>(run.size() + 1) / 2);
  const int32_t last = static_cast<int32_t>(run.size() - 1) / 2;
  ASSERT_EQ(DecodeSpan(TargetOf(g_library.context), 2, last, run.data()), 1);
  EXPECT_EQ(TextOf(0), "9638507");
  EXPECT_EQ(g_library.context.results.records[0].type, kEan8);
  EXPECT_EQ(g_library.context.results.records[0].corners[0].x, 20);
  EXPECT_EQ(g_library.context.results.records[0].corners[2].x, 10 * last);
  EXPECT_EQ(DecodeSpan(TargetOf(g_library.context), 0, last, run.data()), 0);
}

TEST_F(Dispatch, SymbolAfterAWideBarIsFoundBySpanSplitting) {
  Enable({kCode39, kEan8});
  // Code 39 "A", a bar twenty modules wide, EAN-8: the narrowest bar is the
  // first, so the first span takes Code 39 and the wide bar (and fails);
  // the EAN-8 bars then form a span of their own.
  const std::vector<double> code39 = Render(ZintElements(BARCODE_CODE39, "A"), 2);
  const std::vector<double> ean8 = Render(ZintElements(BARCODE_EANX, "9638507"), 2);
  std::vector<double> run = code39;
  run.insert(run.end(), {10.0, 40.0, 10.0});
  run.insert(run.end(), ean8.begin(), ean8.end());
  const int32_t n = static_cast<int32_t>(run.size() + 1) / 2;
  MakeGroup(n);
  const int32_t firstEan = static_cast<int32_t>(code39.size() + 3 + 1) / 2;
  DecodeSpans(TargetOf(g_library.context), run.data(), n);
  ASSERT_EQ(g_library.context.results.count, 1);
  EXPECT_EQ(g_library.context.results.records[0].type, kEan8);
  EXPECT_EQ(TextOf(0), "9638507");
  EXPECT_EQ(g_library.context.results.records[0].corners[0].x, 10 * firstEan);
  EXPECT_EQ(g_library.context.results.records[0].corners[2].x, 10 * (n - 1));
}

TEST_F(Dispatch, TwoSymbolsApartInOneGroup) {
  Enable({kCode128, kInterleaved2of5});
  // ITF 1234, wide bar, Code 128 "AB": the narrowest bar sits in the Code 128
  // part (1.9 pixels), so its span takes the wide bar and fails, and the ITF
  // bars are read in the next pass.
  std::vector<double> itf = Render(WideAs(ZintElements(BARCODE_C25INTER, "1234"), 2), 2);
  std::vector<double> c128 = Render(ZintElements(BARCODE_CODE128, "AB"), 2);
  c128[2] = 1.9;
  std::vector<double> run = itf;
  run.insert(run.end(), {6.0, 50.0, 6.0});
  run.insert(run.end(), c128.begin(), c128.end());
  const int32_t n = static_cast<int32_t>(run.size() + 1) / 2;
  MakeGroup(n);
  DecodeSpans(TargetOf(g_library.context), run.data(), n);
  ASSERT_EQ(g_library.context.results.count, 1);
  EXPECT_EQ(g_library.context.results.records[0].type, kInterleaved2of5);
  EXPECT_EQ(TextOf(0), "1234");
}

struct Sample {
  std::string name;
  std::vector<double> run;
};

std::vector<Sample> Samples() {
  return {
      {"code39", Render(ZintElements(BARCODE_CODE39, "CODE39"), 3)},
      {"code128", Render(ZintElements(BARCODE_CODE128, "Hello"), 3)},
      {"gs1", Render(ZintElements(BARCODE_GS1_128, "[01]09501101530003"), 3)},
      {"ean13", Render(ZintElements(BARCODE_EANX, "400638133393"), 3)},
      {"ean8", Render(ZintElements(BARCODE_EANX, "9638507"), 3)},
      {"upca", Render(ZintElements(BARCODE_UPCA, "03600029145"), 3)},
      {"upce", Render(ZintElements(BARCODE_UPCE, "0425261"), 3)},
      {"itf", Render(WideAs(ZintElements(BARCODE_C25INTER, "12345678901231"), 2), 3)},
  };
}

TEST_F(Dispatch, NoSymbologyEnabledRecordsNothing) {
  g_library.context.settings.switches[kGs1_128] = 1;  // not a switch of its own
  for (const Sample& s : Samples()) {
    EXPECT_EQ(Offer(s.run), 0) << s.name;
    EXPECT_EQ(Offer(Reversed(s.run)), 0) << s.name;
  }
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(Dispatch, SwitchHoldingOtherThanOneIsOff) {
  g_library.context.settings.switches[kCode39] = 2;
  EXPECT_EQ(Offer(Samples()[0].run), 0);
}

struct Expected {
  int type;
  std::string text;
};

TEST_F(Dispatch, EverySymbologyForwardsAndMirrored) {
  for (int id = 0; id < kSymbologyCount; ++id) g_library.context.settings.switches[id] = 1;
  const std::vector<Expected> expected = {{kCode39, "CODE39"},
                                          {kCode128, "Hello"},
                                          {kGs1_128, "0109501101530003"},
                                          {kEan13, "400638133393"},
                                          {kEan8, "9638507"},
                                          {kEan13, "003600029145"},
                                          {kUpcE, "42100005264"},
                                          {kInterleaved2of5, "12345678901231"}};
  const std::vector<Sample> samples = Samples();
  for (size_t i = 0; i < samples.size(); ++i) {
    for (bool mirrored : {false, true}) {
      EmptyResultTable(g_library.context.results);
      const std::vector<double> run = mirrored ? Reversed(samples[i].run) : samples[i].run;
      ASSERT_EQ(Offer(run), 1) << samples[i].name << (mirrored ? " mirrored" : "");
      ASSERT_EQ(g_library.context.results.count, 1);
      EXPECT_EQ(g_library.context.results.records[0].type, expected[i].type) << samples[i].name;
      EXPECT_EQ(TextOf(0), expected[i].text) << samples[i].name;
      EXPECT_EQ(g_library.context.results.records[0].textLength,
                static_cast<int32_t>(expected[i].text.size()));
    }
  }
}

TEST_F(Dispatch, UpcAReportedAsUpcAOnlyWithEan13Off) {
  const std::vector<double> run = Render(ZintElements(BARCODE_UPCA, "03600029145"), 3);
  Enable({kUpcA});
  ASSERT_EQ(Offer(run), 1);
  EXPECT_EQ(g_library.context.results.records[0].type, kUpcA);
  EXPECT_EQ(TextOf(0), "036000291452");
  Enable({kEan13});
  ASSERT_EQ(Offer(run), 1);
  EXPECT_EQ(g_library.context.results.records[1].type, kEan13);
  EXPECT_EQ(TextOf(1), "003600029145");
}

TEST_F(Dispatch, Ean8NotTriedWithItsSwitchOff) {
  const std::vector<double> run = Render(ZintElements(BARCODE_EANX, "9638507"), 3);
  Enable({kCode39, kCode128, kEan13, kUpcA, kUpcE, kInterleaved2of5});
  EXPECT_EQ(Offer(run), 0);
  EXPECT_EQ(Offer(Reversed(run)), 0);
}

TEST_F(Dispatch, Code128NeedsSwitchOneWhateverSwitchTwo) {
  const std::vector<double> run = Render(ZintElements(BARCODE_GS1_128, "[01]09501101530003"), 3);
  Enable({kGs1_128});
  EXPECT_EQ(Offer(run), 0);
  Enable({kCode128});
  ASSERT_EQ(Offer(run), 1);
  EXPECT_EQ(g_library.context.results.records[0].type, kGs1_128);
  g_library.context.settings.switches[kGs1_128] = 0;
  ASSERT_EQ(Offer(Reversed(run)), 1);
  EXPECT_EQ(g_library.context.results.records[1].type, kCode128);
  EXPECT_EQ(TextOf(1),
            "\xc9"
            "0109501101530003");
}

TEST_F(Dispatch, Ean13NeverReportedAsUpcE) {
  Enable({kUpcE});
  for (const char* data : {"400638133393", "123456789012", "190000000009", "512345678901",
                           "987654321098", "003600029145"}) {
    const std::vector<double> run = Render(ZintElements(BARCODE_EANX, data), 3);
    EXPECT_EQ(Offer(run), 0) << data;
    EXPECT_EQ(Offer(Reversed(run)), 0) << data;
  }
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(Dispatch, RunReadForwardsIsNotTriedReversed) {
  // UPC-E tests no length, so a run of one symbol, a space and a second
  // symbol laid backwards reads both ways, differently.
  const std::vector<double> first = Render(ZintElements(BARCODE_UPCE, "0425261"), 3);
  const std::vector<double> second = Render(ZintElements(BARCODE_UPCE, "0123456"), 3);
  std::vector<double> run = first;
  run.push_back(9.0);
  const std::vector<double> back = Reversed(second);
  run.insert(run.end(), back.begin(), back.end());
  Enable({kUpcE});
  ASSERT_EQ(Offer(run), 1);
  EXPECT_EQ(TextOf(0), "42100005264");
  ASSERT_EQ(Offer(Reversed(run)), 1);
  EXPECT_EQ(TextOf(1), "12345000065");
}

TEST_F(Dispatch, MirroredRunFoundBeforeTheNextSymbology) {
  // A mirrored EAN-13 is read by the EAN-13 wrapper, not as UPC-A.
  Enable({kEan13, kUpcA});
  const std::vector<double> run = Render(ZintElements(BARCODE_UPCA, "03600029145"), 3);
  ASSERT_EQ(Offer(Reversed(run)), 1);
  EXPECT_EQ(g_library.context.results.records[0].type, kEan13);
}

TEST_F(Dispatch, EmptySymbolsAreRecordedWithLengthZero) {
  Enable({kInterleaved2of5});
  ASSERT_EQ(Offer(Render({1, 1, 1, 1, 2, 1, 1}, 3)), 1);
  EXPECT_EQ(g_library.context.results.records[0].textLength, 0);
  EXPECT_NE(g_library.context.results.records[0].text, nullptr);
}

TEST_F(Dispatch, HundredResultsThenNothingMore) {
  Enable({kCode39});
  const std::vector<double> run = Samples()[0].run;
  for (int i = 0; i < kMaxResults; ++i) ASSERT_EQ(Offer(run), 1) << i;
  EXPECT_EQ(g_library.context.results.count, kMaxResults);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Offer(run), 0);
  EXPECT_EQ(g_library.context.results.count, kMaxResults);
  EXPECT_EQ(TextOf(kMaxResults - 1), "CODE39");
  // A whole group while the table is full stores nothing either.
  MakeGroup(static_cast<int32_t>(run.size() + 1) / 2);
  std::vector<double> copy = run;
  DecodeSpans(TargetOf(g_library.context), copy.data(), static_cast<int32_t>(run.size() + 1) / 2);
  EXPECT_EQ(g_library.context.results.count, kMaxResults);
  // Nor does a group handed to DecodeGroup: it returns before building a run.
  g_nothrowCalls = 0;
  DecodeGroup(TargetOf(g_library.context), static_cast<int32_t>(run.size() + 1) / 2);
  EXPECT_EQ(g_nothrowCalls, 0);
  EXPECT_EQ(g_library.context.results.count, kMaxResults);
}

TEST_F(Dispatch, TextBufferAllocationFailureStoresNothing) {
  Enable({kCode39});
  const std::vector<double> run = Samples()[0].run;
  for (int call = 0; call < 3; ++call) {
    EmptyResultTable(g_library.context.results);
    g_nothrowCalls = 0;
    g_failNothrowCall = call;  // 0 text, 1 copy for the record
    const int stored = Offer(run);
    g_failNothrowCall = -1;
    if (call < 2) {
      EXPECT_EQ(stored, 0) << call;
      EXPECT_EQ(g_library.context.results.count, 0) << call;
    } else {
      EXPECT_EQ(stored, 1);
    }
  }
}

TEST_F(Dispatch, ReversedCopyAllocationFailureStoresNothing) {
  Enable({kCode39});
  const std::vector<double> run = Reversed(Samples()[0].run);
  g_nothrowCalls = 0;
  g_failNothrowCall = 1;  // after the text buffer: the reversed copy
  EXPECT_EQ(Offer(run), 0);
  g_failNothrowCall = -1;
  EXPECT_EQ(g_library.context.results.count, 0);
  EXPECT_EQ(Offer(run), 1);
}

// DecodeGroup builds its run from the group table and the region; a region
// of dark pixels only leaves every space 0 wide, so nothing decodes.
TEST_F(Dispatch, DecodeGroupOverDarkRegion) {
  for (int id = 0; id < kSymbologyCount; ++id) g_library.context.settings.switches[id] = 1;
  std::vector<uint8_t> region(64 * 64, 1);
  g_library.context.scan.region = region.data();
  g_library.context.scan.width = 64;
  g_library.context.scan.height = 64;
  MakeGroup(5);
  for (int k = 0; k < 5; ++k) bars_[k].meanWidth = 2.0;
  DecodeGroup(TargetOf(g_library.context), 5);
  EXPECT_EQ(g_library.context.results.count, 0);
  DecodeGroup(TargetOf(g_library.context), 0);
  g_library.context.scan.group = nullptr;
  DecodeGroup(TargetOf(g_library.context), 3);
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(Dispatch, DecodeGroupWithoutMemoryStoresNothing) {
  for (int id = 0; id < kSymbologyCount; ++id) g_library.context.settings.switches[id] = 1;
  std::vector<uint8_t> region(64 * 64, 1);
  g_library.context.scan.region = region.data();
  g_library.context.scan.width = 64;
  g_library.context.scan.height = 64;
  MakeGroup(5);
  for (int k = 0; k < 5; ++k) bars_[k].meanWidth = 2.0;
  g_nothrowCalls = 0;
  g_failNothrowCall = 0;
  DecodeGroup(TargetOf(g_library.context), 5);
  g_failNothrowCall = -1;
  EXPECT_EQ(g_library.context.results.count, 0);
}

TEST_F(Dispatch, ReverseElementRun) {
  const double widths[] = {1, 2, 3, 4, 5};
  double reversed[5] = {};
  ReverseElementRun(widths, reversed, 5);
  EXPECT_EQ(std::vector<double>(reversed, reversed + 5), (std::vector<double>{5, 4, 3, 2, 1}));
  ReverseElementRun(widths, reversed, 0);
}

}  // namespace
}  // namespace bcx::test
