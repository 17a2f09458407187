// The scan trace the read-rate diagnosis reports from: its counts must add
// up across the stages, and a traced scan must read exactly what an
// untraced one reads.
#include "records/trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cases.h"
#include "pipeline/context.h"
#include "pipeline/pipeline.h"
#include "rastra.h"
#include "records/settings.h"
#include "render.h"
#include "stages/components/scan_state.h"
#include "symbologies/table.h"

namespace bcxtest {
namespace {

using bcx::ScanTrace;

constexpr int32_t kPixelsPerInch = 96;
constexpr int kBarHeight = 50;

struct Region {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // 1 dark, 0 light
};

// As the exported calls binarise a loaded image by default.
Region Binarize(const std::vector<uint8_t>& png) {
  Region region;
  rastra_context* provider = rastra_new();
  const uint8_t* grey = nullptr;
  if (provider != nullptr &&
      rastra_load_memory(provider, png.data(), png.size(), RASTRA_TYPE_DETECT) != 0 &&
      rastra_get_grey(provider, &grey, &region.width, &region.height) != 0) {
    region.pixels.resize(static_cast<size_t>(region.width) * region.height);
    if (rastra_binarize(grey, region.width, region.height, region.width, RASTRA_DEFAULT_THRESHOLD,
                        region.pixels.data()) == 0) {
      region.pixels.clear();
    }
  }
  rastra_free(provider);
  return region;
}

struct Scene {
  std::string name;
  std::vector<int> enabled;
  Region region;
};

Region Render(const ReadCase& c, int module, double degrees) {
  bcxtest::Scene scene;
  if (!RenderScene(c.symbolDef, module, kBarHeight, degrees, false, &scene)) return {};
  return Binarize(scene.png);
}

// Every symbology at the scales and angles where the sweep sees reads and
// each kind of loss: split groups, misclassified elements, decoder refusals.
std::vector<Scene> SweepScenes() {
  std::vector<Scene> scenes;
  constexpr int kModules[] = {2, 3, 4};
  constexpr double kAngles[] = {0.0, 10.0, 40.0, 45.0, 135.0, 200.0};
  for (const ReadCase& c : SweepCases()) {
    for (int module : kModules) {
      for (double degrees : kAngles) {
        char name[96];
        std::snprintf(name, sizeof name, "%s module %d at %.0f", c.name, module, degrees);
        scenes.push_back({name, c.enabled, Render(c, module, degrees)});
      }
    }
  }
  // Human-readable digits under the bars: components no bar, lone bars.
  const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7};
  for (const ReadCase& c : SweepCases()) {
    Pix* pix = DrawWithText(c.symbolDef, 3, kBarHeight, kQuietModules * 3);
    if (pix == nullptr) continue;
    scenes.push_back({std::string(c.name) + " with text", all, Binarize(EncodePng(pix))});
    DestroyPix(&pix);
  }
  return scenes;
}

// A context of its own, with the settings the exported calls start with.
class Scanner {
 public:
  explicit Scanner(const std::vector<int>& enabled) : context_{} {
    bcx::SetDefaultLimits(context_.settings, kPixelsPerInch);
    for (int id : enabled) context_.settings.switches[id] = 1;
  }
  ~Scanner() {
    bcx::EmptyResultTable(context_.results);
    bcx::ReleaseScanBuffers(context_.scan);
  }
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  void Run(const Region& region, ScanTrace* trace) {
    context_.trace = trace;
    ASSERT_EQ(bcx::PrepareScanBuffers(context_.scan, region.width, region.height), 1);
    std::memcpy(context_.scan.region, region.pixels.data(), region.pixels.size());
    bcx::RunExactPipeline(context_);
  }

  const bcx::Context& context() const { return context_; }

  // Every result field, so two scans compare as one string.
  std::string Results() const {
    std::string out;
    const bcx::ResultTable& table = context_.results;
    for (int32_t i = 0; i < table.count; ++i) {
      const bcx::ResultRecord& r = table.records[i];
      out += std::to_string(r.type) + " '" +
             Printable(std::string(reinterpret_cast<const char*>(r.text),
                                   static_cast<size_t>(r.textLength))) +
             "'";
      for (const bcx::Point& p : r.corners) {
        out += " " + std::to_string(p.x) + "," + std::to_string(p.y);
      }
      out += "\n";
    }
    return out;
  }

 private:
  bcx::Context context_;
};

std::unique_ptr<ScanTrace> NewTrace() { return std::make_unique<ScanTrace>(); }

// What the stages recorded has to add up, stage to stage and to the results.
void ExpectConsistent(const ScanTrace& t, const bcx::Context& context) {
  const bcx::Settings& settings = context.settings;
  EXPECT_EQ(t.components, t.bars + t.notMeasured + t.outOfLimits);
  EXPECT_EQ(t.rejectedLengthCount, std::min(t.outOfLimits, bcx::kTraceLengths));
  for (int i = 0; i < t.rejectedLengthCount; ++i) {
    const double length = t.rejectedLengths[i];
    EXPECT_TRUE(length < settings.minBarPixels || length > settings.maxBarPixels) << length;
  }
  ASSERT_LE(t.groupsCollected, bcx::kTraceCollected);
  int collectedBars = 0;
  int lone = 0;
  int decoded = 0;
  for (int i = 0; i < t.groupsCollected; ++i) {
    const bcx::TraceCollectedGroup& g = t.collected[i];
    collectedBars += g.bars;
    EXPECT_GE(g.merged, 1);
    EXPECT_LE(g.merged, g.bars);
    EXPECT_LE(g.leftOutCount, bcx::kTraceLeftOut);
    if (g.bars < 2) {
      ++lone;
      EXPECT_EQ(g.run, -1);
      continue;
    }
    // Every group of two or more reaches decoding while the table has room.
    ASSERT_EQ(g.run, decoded) << "collected group " << i;
    const bcx::TraceGroup& run = t.groups[decoded++];
    EXPECT_EQ(run.collected, g.bars);
    EXPECT_EQ(run.bars, g.merged);
    EXPECT_EQ(run.runLength, 2 * run.bars - 1);
  }
  EXPECT_EQ(collectedBars, t.bars);
  EXPECT_EQ(lone, t.loneBars);
  EXPECT_EQ(decoded, t.groupCount);
  // The spans of a group take all its bars, groups one after another.
  std::vector<int> spanned(static_cast<size_t>(t.groupCount), 0);
  std::vector<int32_t> readAs;
  int previous = 0;
  ASSERT_LE(t.spanCount, bcx::kTraceSpans);
  for (int i = 0; i < t.spanCount; ++i) {
    const bcx::TraceSpanRecord& s = t.spans[i];
    ASSERT_GE(s.group, previous);
    ASSERT_LT(s.group, t.groupCount);
    previous = s.group;
    EXPECT_LE(s.first, s.last);
    spanned[static_cast<size_t>(s.group)] += s.last - s.first + 1;
    if (s.decodedAs >= 0) readAs.push_back(s.decodedAs);
  }
  for (int g = 0; g < t.groupCount; ++g) {
    EXPECT_EQ(spanned[static_cast<size_t>(g)], t.groups[g].bars) << "group " << g;
  }
  // Code 128 reads report GS1-128 through the result type only.
  ASSERT_EQ(static_cast<int32_t>(readAs.size()), context.results.count);
  for (size_t i = 0; i < readAs.size(); ++i) {
    const int32_t type = context.results.records[i].type;
    EXPECT_EQ(readAs[i], type == bcx::kGs1_128 ? bcx::kCode128 : type);
  }
}

TEST(ScanTraceTest, CountsEveryStageOfARenderedSymbol) {
  const ReadCase c{"Code128", Code128("Ab12345"), {BCX_CODE128}, BCX_CODE128, "Ab12345"};
  constexpr int kModule = 3;
  bcxtest::Scene scene;
  ASSERT_TRUE(RenderScene(c.symbolDef, kModule, kBarHeight, 0.0, false, &scene));
  const std::vector<int> runs = ModuleRuns(EncodeModules(c.symbolDef));
  const int bars = static_cast<int>(runs.size() + 1) / 2;
  Scanner scanner(c.enabled);
  const auto trace = NewTrace();
  scanner.Run(Binarize(scene.png), trace.get());
  const ScanTrace& t = *trace;

  EXPECT_EQ(scanner.Results().substr(0, 12), "1 'Ab12345' ");
  EXPECT_EQ(t.components, bars);
  EXPECT_EQ(t.bars, bars);
  EXPECT_EQ(t.notMeasured, 0);
  EXPECT_EQ(t.outOfLimits, 0);
  EXPECT_EQ(t.truncatedFills, 0);
  EXPECT_EQ(t.groupsCollected, 1);
  EXPECT_EQ(t.loneBars, 0);
  EXPECT_EQ(t.collected[0].bars, bars);
  EXPECT_EQ(t.collected[0].merged, bars);
  EXPECT_EQ(t.collected[0].leftOutCount, 0);
  EXPECT_NEAR(t.collected[0].seedSide.extent, kBarHeight, 2.0);
  ASSERT_EQ(t.groupCount, 1);
  const bcx::TraceGroup& g = t.groups[0];
  EXPECT_EQ(g.collected, bars);
  EXPECT_EQ(g.bars, bars);
  ASSERT_EQ(g.runLength, static_cast<int>(runs.size()));
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_NEAR(g.run[i], runs[i] * kModule, 0.5) << "element " << i;
  }
  // The end sides lie on the first and last bars, across the symbol.
  const double across =
      std::fabs(bcx::SegmentMidpoint(g.lastSide).x - bcx::SegmentMidpoint(g.firstSide).x);
  EXPECT_NEAR(across, scene.quad.p[3].x - scene.quad.p[0].x, 2.0 * kModule + 3.0);
  ASSERT_EQ(t.spanCount, 1);
  EXPECT_EQ(t.spans[0].group, 0);
  EXPECT_EQ(t.spans[0].first, 0);
  EXPECT_EQ(t.spans[0].last, bars - 1);
  EXPECT_EQ(t.spans[0].decodedAs, bcx::kCode128);
  ExpectConsistent(t, scanner.context());
}

TEST(ScanTraceTest, StagesAddUpOnEveryScene) {
  for (const Scene& scene : SweepScenes()) {
    SCOPED_TRACE(scene.name);
    ASSERT_FALSE(scene.region.pixels.empty());
    Scanner scanner(scene.enabled);
    const auto trace = NewTrace();
    scanner.Run(scene.region, trace.get());
    ExpectConsistent(*trace, scanner.context());
  }
}

TEST(ScanTraceTest, ATracedScanReadsWhatAnUntracedOneReads) {
  int reads = 0;
  for (const Scene& scene : SweepScenes()) {
    SCOPED_TRACE(scene.name);
    Scanner plain(scene.enabled);
    plain.Run(scene.region, nullptr);
    Scanner traced(scene.enabled);
    const auto trace = NewTrace();
    traced.Run(scene.region, trace.get());
    EXPECT_EQ(traced.Results(), plain.Results());
    reads += plain.context().results.count;
  }
  // Not a vacuous comparison: most scenes read.
  EXPECT_GT(reads, 100);
}

TEST(ScanTraceTest, AReusedTraceStartsEachScanAfresh) {
  const std::vector<Scene> scenes = SweepScenes();
  ASSERT_GE(scenes.size(), 2u);
  const Scene& first = scenes.back();  // with text: lone bars and rejects
  const Scene& second = scenes.front();
  Scanner reused(second.enabled);
  const auto trace = NewTrace();
  reused.Run(first.region, trace.get());
  reused.Run(second.region, trace.get());
  Scanner fresh(second.enabled);
  const auto expected = NewTrace();
  fresh.Run(second.region, expected.get());
  EXPECT_EQ(trace->components, expected->components);
  EXPECT_EQ(trace->bars, expected->bars);
  EXPECT_EQ(trace->notMeasured, expected->notMeasured);
  EXPECT_EQ(trace->rejectedLengthCount, expected->rejectedLengthCount);
  EXPECT_EQ(trace->groupsCollected, expected->groupsCollected);
  EXPECT_EQ(trace->loneBars, expected->loneBars);
  EXPECT_EQ(trace->groupCount, expected->groupCount);
  EXPECT_EQ(trace->spanCount, expected->spanCount);
  EXPECT_EQ(reused.Results(), fresh.Results());
}

// Narrow bars either side of one more than ten times as wide: one group,
// cut into a span ending at the wide bar and a span of what is left.
TEST(ScanTraceTest, ASplitGroupIsTracedSpanBySpan) {
  constexpr int32_t kNarrow = 2;
  constexpr int32_t kWide = 22;
  constexpr int32_t kSpace = 3;
  constexpr int32_t kEachSide = 10;
  Region region;
  region.width = 2 * kEachSide * (kNarrow + kSpace) + kWide + 40;
  region.height = 100;
  region.pixels.assign(static_cast<size_t>(region.width) * region.height, 0);
  int32_t x = 20;
  auto bar = [&](int32_t w) {
    for (int32_t y = 10; y < 90; ++y) {
      for (int32_t k = x; k < x + w; ++k)
        region.pixels[static_cast<size_t>(y) * region.width + k] = 1;
    }
    x += w + kSpace;
  };
  for (int32_t i = 0; i < kEachSide; ++i) bar(kNarrow);
  bar(kWide);
  for (int32_t i = 0; i < kEachSide; ++i) bar(kNarrow);
  Scanner scanner({0, 1, 2, 3, 4, 5, 6, 7});
  const auto trace = NewTrace();
  scanner.Run(region, trace.get());
  const ScanTrace& t = *trace;
  ASSERT_EQ(t.groupCount, 1);
  EXPECT_EQ(t.groups[0].bars, 2 * kEachSide + 1);
  ASSERT_EQ(t.spanCount, 2);
  EXPECT_EQ(t.spans[0].first, 0);
  EXPECT_EQ(t.spans[0].last, kEachSide);
  EXPECT_EQ(t.spans[1].first, 0);
  EXPECT_EQ(t.spans[1].last, kEachSide - 1);
  EXPECT_EQ(t.spans[1].group, 0);
  ExpectConsistent(t, scanner.context());
}

// Rows of bar pairs, each row a group of its own, with a lone bar and
// measurable specks too short for a bar: more of each than the trace keeps.
TEST(ScanTraceTest, WhatDoesNotFitIsCountedButNotKept) {
  constexpr int32_t kRows = 300;
  constexpr int32_t kRowPitch = 40;
  constexpr int32_t kSpecksPerRow = 2;
  Region region;
  region.width = 140;
  // Room below the last row for its lone bar, twice as long as a pair's.
  region.height = kRows * kRowPitch + 70;
  region.pixels.assign(static_cast<size_t>(region.width) * region.height, 0);
  auto fill = [&](int32_t left, int32_t top, int32_t w, int32_t h) {
    for (int32_t y = top; y < top + h; ++y) {
      for (int32_t x = left; x < left + w; ++x)
        region.pixels[static_cast<size_t>(y) * region.width + x] = 1;
    }
  };
  for (int32_t r = 0; r < kRows; ++r) {
    const int32_t top = 5 + r * kRowPitch;
    fill(10, top, 4, 30);  // the pair
    fill(18, top, 4, 30);
    // The lone bar, twice as long as the pair's: it joins no pair, and the
    // next row's lone bar stands aside so the two do not touch.
    fill(r % 2 == 0 ? 50 : 60, top, 4, 60);
    for (int32_t k = 0; k < kSpecksPerRow; ++k) fill(95 + 20 * k, top, 14, 14);
  }
  Scanner scanner({0, 1, 2, 3, 4, 5, 6, 7});
  const auto trace = NewTrace();
  scanner.Run(region, trace.get());
  const ScanTrace& t = *trace;
  EXPECT_EQ(t.outOfLimits, kRows * kSpecksPerRow);
  EXPECT_EQ(t.rejectedLengthCount, bcx::kTraceLengths);
  EXPECT_EQ(t.bars, 3 * kRows);
  EXPECT_EQ(t.groupsCollected, 2 * kRows);
  EXPECT_EQ(t.loneBars, kRows);
  EXPECT_EQ(t.groupCount, kRows);
  EXPECT_EQ(t.spanCount, bcx::kTraceSpans);
  // Spans of groups past the kept ones name no group.
  EXPECT_EQ(t.spans[bcx::kTraceGroups - 1].group, bcx::kTraceGroups - 1);
  EXPECT_EQ(t.spans[bcx::kTraceGroups].group, -1);
  EXPECT_EQ(t.groups[bcx::kTraceGroups - 1].bars, 2);
  EXPECT_GE(t.collected[bcx::kTraceCollected - 1].bars, 1);
  EXPECT_EQ(scanner.context().results.count, 0);
  // And tracing changed nothing here either.
  Scanner plain({0, 1, 2, 3, 4, 5, 6, 7});
  plain.Run(region, nullptr);
  EXPECT_EQ(plain.Results(), scanner.Results());
}

// The thorough pipeline on grey pixels: a strip a few rows tall holds no
// bar long enough for the components, and is read by the lines alone; a
// clean print is read by its components, after which no line is read.
struct ThoroughTraced {
  std::string results;
  std::unique_ptr<ScanTrace> trace;
};

constexpr int32_t kStripRows = 4;

ThoroughTraced ReadThoroughTraced(const std::vector<uint8_t>& png, bool strip, bool traced) {
  ThoroughTraced out{"", traced ? NewTrace() : nullptr};
  rastra_context* provider = rastra_new();
  const uint8_t* grey = nullptr;
  int32_t w = 0;
  int32_t h = 0;
  if (provider == nullptr ||
      rastra_load_memory(provider, png.data(), png.size(), RASTRA_TYPE_DETECT) == 0 ||
      rastra_get_grey(provider, &grey, &w, &h) == 0) {
    rastra_free(provider);
    return out;
  }
  const int32_t top = strip ? h / 2 : 0;
  if (strip) h = kStripRows;
  std::vector<uint8_t> pixels(grey + static_cast<size_t>(top) * w,
                              grey + static_cast<size_t>(top + h) * w);
  rastra_free(provider);
  bcx::Context context{};
  bcx::SetDefaultLimits(context.settings, kPixelsPerInch);
  context.settings.switches[bcx::kCode128] = 1;
  context.trace = out.trace.get();
  if (bcx::PrepareScanBuffers(context.scan, w, h) == 1 &&
      rastra_binarize(pixels.data(), w, h, w, RASTRA_DEFAULT_THRESHOLD, context.scan.region) != 0) {
    bcx::RunThoroughPipeline(context, bcx::GreyRegion{pixels.data(), w, h, w});
  }
  for (int32_t i = 0; i < context.results.count; ++i) {
    const bcx::ResultRecord& r = context.results.records[i];
    out.results +=
        std::to_string(r.type) + " " +
        std::string(reinterpret_cast<const char*>(r.text), static_cast<size_t>(r.textLength)) +
        "\n";
  }
  bcx::ReleaseContext(context);
  return out;
}

TEST(ScanTraceTest, TheLinesOfAThoroughReadAreTraced) {
  bcxtest::Scene scene;
  ASSERT_TRUE(RenderScene(Code128("Ab12345"), 3, kBarHeight, 0.0, false, &scene));
  for (const bool strip : {true, false}) {
    const ThoroughTraced traced = ReadThoroughTraced(scene.png, strip, true);
    ASSERT_NE(traced.trace, nullptr);
    const ScanTrace& t = *traced.trace;
    EXPECT_EQ(traced.results, "1 Ab12345\n") << strip;
    EXPECT_EQ(traced.results, ReadThoroughTraced(scene.png, strip, false).results) << strip;
    EXPECT_EQ(t.linesRun, strip);
    if (!strip) {
      EXPECT_EQ(t.lines, 0);
      EXPECT_EQ(t.clusterCount, 0);
      continue;
    }
    EXPECT_EQ(t.bars, 0);
    // A strip is read row by row, every row a line of its own.
    EXPECT_EQ(t.lines, kStripRows);
    EXPECT_EQ(t.readingCount, kStripRows);
    ASSERT_EQ(t.clusterCount, 1);
    const bcx::TraceCluster& c = t.clusters[0];
    EXPECT_EQ(c.type, bcx::kCode128);
    EXPECT_EQ(std::string(c.text, static_cast<size_t>(c.textLength)), "Ab12345");
    EXPECT_EQ(c.fate, bcx::TraceFate::kReported);
    EXPECT_EQ(c.votes, kStripRows);
    for (int32_t i = 0; i < t.readingCount; ++i) EXPECT_EQ(t.readings[i].type, bcx::kCode128);
  }
}

}  // namespace
}  // namespace bcxtest
