// Follows one symbol through the pipeline by scanning it once, on a context
// of its own with a trace attached, and comparing what the stages recorded
// with the symbol's known modules. Everything reported comes from the real
// stages, so the diagnosis cannot drift from what a scan does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "pipeline/context.h"
#include "pipeline/pipeline.h"
#include "platform/screen.h"
#include "rastra.h"
#include "readrate.h"
#include "records/settings.h"
#include "records/trace.h"
#include "render.h"
#include "stages/components/scan_state.h"
#include "stages/spans/spans.h"
#include "symbologies/exact/classify.h"
#include "symbologies/table.h"

namespace readrate {
namespace {

using bcx::ScanTrace;
using bcx::TraceCollectedGroup;
using bcx::TraceGroup;

// The engine state of one diagnosis, apart from the library's own, so a
// diagnosis between reads of the exported calls leaves them undisturbed.
class TracedScan {
 public:
  TracedScan() : context_{}, trace_(std::make_unique<ScanTrace>()) {
    context_.trace = trace_.get();
  }
  ~TracedScan() { bcx::ReleaseContext(context_); }
  TracedScan(const TracedScan&) = delete;
  TracedScan& operator=(const TracedScan&) = delete;

  // As the exported calls would scan it after BcxInit: their resolution,
  // level 128, only the listed symbologies on. False when it does not load.
  bool Run(const std::vector<uint8_t>& png, const std::vector<int>& enabled) {
    return Scan(png, enabled, bcx::Mode::kExact);
  }

  // As a reader in thorough mode reads it: the same, the bar limits from
  // the image's own size.
  bool RunThorough(const std::vector<uint8_t>& png, const std::vector<int>& enabled) {
    return Scan(png, enabled, bcx::Mode::kThorough);
  }

  const bcx::Context& context() const { return context_; }
  const ScanTrace& trace() const { return *trace_; }

 private:
  bool Scan(const std::vector<uint8_t>& png, const std::vector<int>& enabled, bcx::Mode mode) {
    bcx::SetDefaultLimits(context_.settings, bcx::ScreenPixelsPerInch());
    for (int id = 0; id < bcx::kSymbologyCount; ++id) {
      const bool on = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
      context_.settings.switches[id] = on ? 1 : 0;
    }
    rastra_context* provider = rastra_new();
    const uint8_t* grey = nullptr;
    int32_t w = 0;
    int32_t h = 0;
    const bool ok =
        provider != nullptr &&
        rastra_load_memory(provider, png.data(), png.size(), RASTRA_TYPE_DETECT) != 0 &&
        rastra_get_grey(provider, &grey, &w, &h) != 0 &&
        bcx::PrepareScanBuffers(context_.scan, w, h) != 0 &&
        rastra_binarize(grey, w, h, w, RASTRA_DEFAULT_THRESHOLD, context_.scan.region) != 0;
    if (ok) bcx::RunPipeline(context_, mode, bcx::GreyRegion{grey, w, h, w});
    rastra_free(provider);
    return ok;
  }

  bcx::Context context_;
  std::unique_ptr<ScanTrace> trace_;
};

std::string Join(const double* v, size_t count, size_t limit) {
  std::string out;
  char buffer[32];
  for (size_t i = 0; i < count && i < limit; ++i) {
    std::snprintf(buffer, sizeof buffer, "%s%.2f", i ? " " : "", v[i]);
    out += buffer;
  }
  if (count > limit) out += " ...";
  return out;
}

const char* SymbologyName(int32_t id) {
  const bcx::SymbologyDescriptor* row = bcx::FindSymbology(id);
  return row != nullptr ? row->name : "?";
}

bool PrintResults(const bcx::ResultTable& results, const bcxtest::ReadCase& c) {
  bool read = false;
  std::printf("  scan: %d result(s)", results.count);
  for (int32_t i = 0; i < results.count; ++i) {
    const bcx::ResultRecord& r = results.records[i];
    const std::string text(reinterpret_cast<const char*>(r.text),
                           static_cast<size_t>(r.textLength));
    std::printf(" [type %d '%s']", r.type, bcxtest::Printable(text).c_str());
    read = read || (r.type == c.type && text == c.text);
  }
  std::printf("%s\n", read ? ": READ" : "");
  return read;
}

// Grouping's own level test: the offset of a bar's middle from the seed's
// normal against a band of a share of the two extents. Shown to tell a
// near miss from a bar of another symbol; the decision itself was made by
// the scan.
constexpr double kSeedNormalLength = 100.0;
constexpr double kLevelBandShare = 0.2;

void PrintSeed(const TraceCollectedGroup& g) {
  const bcx::Segment& a = g.seedSide;
  std::printf("  group of %d: seed side (%d,%d)-(%d,%d) angle %.3f extent %.1f, width %.2f\n",
              g.bars, a.x1, a.y1, a.x2, a.y2, a.angle, a.extent, g.seedWidth);
  bcx::Segment normal;
  bcx::NormalThroughMidpoint(a, kSeedNormalLength, &normal);
  for (int32_t i = 0; i < g.leftOutCount; ++i) {
    const bcx::Segment& b = g.leftOut[i];
    const double offset = bcx::PointLineDistance(bcx::SegmentMidpoint(b), normal);
    std::printf(
        "    left out: side (%d,%d)-(%d,%d) extent %.1f, offset from seed normal %.1f"
        " (band %.1f)\n",
        b.x1, b.y1, b.x2, b.y2, b.extent, offset, kLevelBandShare * (a.extent + b.extent));
  }
}

// The group standing for the symbol: the decoded group whose merged bar
// count is nearest the symbol's, the first of equals.
struct Nearest {
  int index = -1;  // into trace.groups, -1 when no decoded group was kept
  int collected = 0;
  int merged = 0;
};

Nearest FindNearest(const ScanTrace& t, int expectedBars) {
  Nearest best;
  const int kept = std::min(t.groupCount, bcx::kTraceGroups);
  for (int i = 0; i < kept; ++i) {
    const TraceGroup& g = t.groups[i];
    if (best.index >= 0 && std::abs(g.bars - expectedBars) >= std::abs(best.merged - expectedBars))
      continue;
    best = Nearest{i, g.collected, g.bars};
  }
  if (best.index >= 0) return best;
  // No run was kept (a full result table skips decoding): the counts still
  // tell where bars went.
  const int collected = std::min(t.groupsCollected, bcx::kTraceCollected);
  for (int i = 0; i < collected; ++i) {
    const TraceCollectedGroup& g = t.collected[i];
    if (g.bars < 2) continue;
    if (best.collected > 0 &&
        std::abs(g.merged - expectedBars) >= std::abs(best.merged - expectedBars))
      continue;
    best.collected = g.bars;
    best.merged = g.merged;
  }
  return best;
}

// The spans the scan cut from one group, in the group's bar numbering
// before any span left it.
struct Span {
  int first;
  int last;
  int bars;
  int32_t decodedAs;
};

std::vector<Span> SpansOf(const ScanTrace& t, int group, int bars) {
  std::vector<int> remaining(static_cast<size_t>(bars));
  std::iota(remaining.begin(), remaining.end(), 0);
  std::vector<Span> spans;
  const int kept = std::min(t.spanCount, bcx::kTraceSpans);
  for (int i = 0; i < kept; ++i) {
    const bcx::TraceSpanRecord& s = t.spans[i];
    if (s.group != group) continue;
    if (s.first < 0 || s.last < s.first || s.last >= static_cast<int>(remaining.size())) break;
    spans.push_back({remaining[static_cast<size_t>(s.first)],
                     remaining[static_cast<size_t>(s.last)], s.last - s.first + 1, s.decodedAs});
    remaining.erase(remaining.begin() + s.first, remaining.begin() + s.last + 1);
  }
  return spans;
}

bool Whole(const std::vector<Span>& spans, int bars) {
  return !spans.empty() && spans[0].first == 0 && spans[0].bars == bars;
}

void PrintSpans(const TraceGroup& g, const std::vector<Span>& spans, double widthRatioLimit) {
  const int32_t narrowest = bcx::NarrowestBar(g.run, g.bars);
  double widest = g.run[0];
  for (int32_t k = 0; k < g.bars; ++k) widest = std::max(widest, g.run[2 * k]);
  const double limit = g.run[2 * narrowest] * widthRatioLimit;
  std::printf("  span limit %.2f (narrowest bar %.2f), widest bar %.2f%s\n", limit,
              g.run[2 * narrowest], widest, Whole(spans, g.bars) ? "" : ": THE GROUP IS SPLIT");
  constexpr size_t kShown = 8;
  std::printf("  spans (bars in group order):");
  for (size_t i = 0; i < spans.size() && i < kShown; ++i) {
    const Span& s = spans[i];
    std::printf("%s %d..%d (%d bar%s) %s", i ? ";" : "", s.first, s.last, s.bars,
                s.bars == 1 ? "" : "s", s.decodedAs >= 0 ? SymbologyName(s.decodedAs) : "no read");
  }
  std::printf("%s\n", spans.size() > kShown ? " ..." : spans.empty() ? " none traced" : "");
}

// Compares the group's element run with the known module runs, in the
// orientation that fits better, down to the module strings the symbology's
// own calibration and classification give.
void CompareRun(const TraceGroup& g, const std::vector<Span>& spans,
                const std::vector<int>& modules, double moduleWidth, const bcxtest::ReadCase& c,
                double widthRatioLimit, bool read) {
  const size_t count = static_cast<size_t>(g.runLength);
  if (count != modules.size()) {
    std::printf("  element run: %zu elements, symbol has %zu\n", count, modules.size());
    PrintSpans(g, spans, widthRatioLimit);
    if (read) std::printf("  => read\n");
    return;
  }
  double forward = 0.0;
  double backward = 0.0;
  for (size_t i = 0; i < count; ++i) {
    forward += std::fabs(g.run[i] - modules[i] * moduleWidth);
    backward += std::fabs(g.run[i] - modules[count - 1 - i] * moduleWidth);
  }
  // A backwards run is read by the reversed attempt: look at it that way.
  std::vector<double> run(g.run, g.run + count);
  if (backward < forward) std::reverse(run.begin(), run.end());
  std::printf("  element run laid %s\n", backward < forward ? "backwards" : "forwards");
  int off = 0;
  double worst = 0.0;
  for (size_t i = 0; i < count; ++i) {
    const double err = run[i] / moduleWidth - modules[i];
    worst = std::max(worst, std::fabs(err));
    if (std::fabs(err) >= 0.5) {
      if (off < 8) {
        std::printf("  element %zu (%s) width %.2f px = %.2f modules, should be %d\n", i,
                    i % 2 == 0 ? "bar" : "space", run[i], run[i] / moduleWidth, modules[i]);
      }
      ++off;
    }
  }
  std::printf("  element widths: %d of %zu more than half a module off (worst %.2f modules)\n", off,
              count, worst);
  PrintSpans(g, spans, widthRatioLimit);
  const bcx::SymbologyDescriptor* symbology = bcx::FindSymbology(c.type);
  const int32_t n = static_cast<int32_t>(count);
  const char* pattern = symbology != nullptr ? symbology->calibrationPattern : nullptr;
  if (pattern == nullptr || n < static_cast<int32_t>(std::strlen(pattern))) {
    std::printf("  => no calibration for type %d\n", c.type);
    return;
  }
  const bcx::ModuleTables t =
      bcx::CalibrateModules(run.data(), n, pattern, symbology->alignToStart);
  std::printf(
      "  calibration on \"%s\": bar refs %.2f %.2f %.2f %.2f, space refs %.2f %.2f %.2f %.2f\n",
      pattern, t.bars[0], t.bars[1], t.bars[2], t.bars[3], t.spaces[0], t.spaces[1], t.spaces[2],
      t.spaces[3]);
  std::string got(count + 1, '\0');
  bcx::ClassifyElements(t, run.data(), 0, n, 1, got.data());
  got.resize(count);
  int wrong = 0;
  std::string want;
  for (size_t i = 0; i < count; ++i) {
    const int k = got[i] - '0';
    want.push_back(static_cast<char>('0' + std::min(modules[i], 9)));
    if (k != modules[i]) {
      if (wrong < 8) {
        std::printf("  classified element %zu (%s) %.2f px as %d, should be %d\n", i,
                    i % 2 == 0 ? "bar" : "space", run[i], k, modules[i]);
      }
      ++wrong;
    }
  }
  std::printf("  modules wanted  %s\n  modules classed %s\n", want.c_str(), got.c_str());
  if (read) {
    if (wrong > 0) {
      std::printf("  => read, though %d elements classify wrong here\n", wrong);
    } else {
      std::printf("  => read, every element classifies right\n");
    }
  } else if (!Whole(spans, g.bars)) {
    std::printf("  => SPAN SPLIT: the group's %d bars were tried as %zu spans, none whole\n",
                g.bars, spans.size());
  } else if (wrong > 0) {
    std::printf("  => CLASSIFICATION: %d elements misclassified%s\n", wrong,
                off > 0 ? " (element widths already off)" : " (widths fine, calibration off)");
  } else {
    std::printf("  => every element classifies right: a decoder rule rejects it\n");
  }
}

}  // namespace

void Diagnose(const bcxtest::ReadCase& c, int moduleWidth, int barHeight, double degrees) {
  bcxtest::Scene scene;
  if (!bcxtest::RenderScene(c.symbolDef, moduleWidth, barHeight, degrees, false, &scene)) {
    std::printf("  zint refused the data\n");
    return;
  }
  DiagnoseImage(scene.png, bcxtest::ModuleRuns(bcxtest::EncodeModules(c.symbolDef)), moduleWidth,
                c);
}

namespace {

void DiagnoseExact(const std::vector<uint8_t>& png, const std::vector<int>& runs,
                   double moduleWidth, const bcxtest::ReadCase& c) {
  const int expectedBars = static_cast<int>(runs.size() + 1) / 2;
  TracedScan scan;
  if (!scan.Run(png, c.enabled)) {
    std::printf("  image did not load\n");
    return;
  }
  const bool read = PrintResults(scan.context().results, c);
  const bcx::Settings& settings = scan.context().settings;
  const ScanTrace& t = scan.trace();
  std::printf(
      "  segmentation: %d components, %d bars kept, symbol has %d bars; %d refused by "
      "measurement, %d by length (limits %d..%d px: %s), %d fills cut short\n",
      t.components, t.bars, expectedBars, t.notMeasured, t.outOfLimits, settings.minBarPixels,
      settings.maxBarPixels,
      Join(t.rejectedLengths, static_cast<size_t>(t.rejectedLengthCount), 6).c_str(),
      t.truncatedFills);

  const int collected = std::min(t.groupsCollected, bcx::kTraceCollected);
  std::string groupList;
  for (int i = 0; i < collected; ++i) {
    if (t.collected[i].bars >= 3) PrintSeed(t.collected[i]);
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + string.
    groupList += ' ';
    groupList += std::to_string(t.collected[i].bars);
  }
  if (t.groupsCollected > collected) groupList += " ...";
  const Nearest best = FindNearest(t, expectedBars);
  std::printf(
      "  grouping: %d groups, sizes%s; nearest the symbol %d bars, %d after merging (symbol %d)\n",
      t.groupsCollected, groupList.c_str(), best.collected, best.merged, expectedBars);
  bool lost = true;
  if (!read && t.bars < expectedBars) {
    std::printf("  => SEGMENTATION/LENGTH: only %d bars kept\n", t.bars);
  } else if (!read && best.collected < expectedBars) {
    std::printf("  => GROUPING: the symbol's bars spread over groups\n");
  } else if (!read && best.merged != expectedBars) {
    std::printf("  => MERGE or EXTRA BARS: the group's %d bars became %d after merging\n",
                best.collected, best.merged);
  } else {
    lost = false;
  }
  if (best.index < 0) {
    if (!lost) std::printf(read ? "  => read\n" : "  => no group reached decoding\n");
    return;
  }
  const TraceGroup& g = t.groups[best.index];
  if (g.runLength > bcx::kTraceRunElements) {
    std::printf("  run: %d elements, only the first %d kept\n", g.runLength,
                bcx::kTraceRunElements);
    if (!lost) std::printf(read ? "  => read\n" : "  => the run is too long to compare\n");
    return;
  }
  std::printf("  run: %s\n", Join(g.run, static_cast<size_t>(g.runLength), 24).c_str());
  if (moduleWidth <= 0.0) {
    // Unknown scale: the group's width over the symbol's modules.
    double pixels = 0.0;
    int modules = 0;
    for (int32_t i = 0; i < g.runLength; ++i) pixels += g.run[i];
    for (int r : runs) modules += r;
    moduleWidth = modules > 0 ? pixels / modules : 1.0;
    std::printf("  module width estimated %.2f px\n", moduleWidth);
  }
  CompareRun(g, SpansOf(t, best.index, g.bars), runs, moduleWidth, c,
             static_cast<double>(settings.widthRatioLimit), read);
}

const char* FateName(bcx::TraceFate fate) {
  switch (fate) {
    case bcx::TraceFate::kReported:
      return "reported";
    case bcx::TraceFate::kJoined:
      return "joined to a components' result";
    case bcx::TraceFate::kTooFewLines:
      return "too few lines agree";
    case bcx::TraceFate::kDropped:
      return "dropped under a stronger reading";
    case bcx::TraceFate::kTableFull:
      return "result table full";
  }
  return "?";
}

// The same image through the thorough pipeline: what its groups read, and
// what the lines of grey levels read, agreed on and reported.
void DiagnoseThorough(const std::vector<uint8_t>& png, const bcxtest::ReadCase& c) {
  TracedScan scan;
  if (!scan.RunThorough(png, c.enabled)) return;
  std::printf("thorough:\n");
  const bool read = PrintResults(scan.context().results, c);
  const ScanTrace& t = scan.trace();
  int spansRead = 0;
  for (int32_t i = 0; i < std::min(t.spanCount, bcx::kTraceSpans); ++i) {
    spansRead += t.spans[i].decodedAs >= 0 ? 1 : 0;
  }
  std::printf("  components: %d bars, %d groups decoded, %d symbols read in them\n", t.bars,
              t.groupCount, spansRead);
  if (!t.linesRun) {
    std::printf("  lines: not run, the components' results stand for the image\n");
    std::printf(read ? "  => read by the components\n"
                     : "  => COMPONENTS: they read something else, and no line looked further\n");
    return;
  }
  int ofType = 0;
  for (int32_t i = 0; i < std::min(t.readingCount, bcx::kTraceReadings); ++i) {
    ofType += t.readings[i].type == c.type ? 1 : 0;
  }
  std::printf("  lines: %d read, %d readings (%d of %s), %d symbols agreed on\n", t.lines,
              t.readingCount, ofType, SymbologyName(c.type), t.clusterCount);
  bool agreed = false;
  for (int32_t i = 0; i < std::min(t.clusterCount, bcx::kTraceClusters); ++i) {
    const bcx::TraceCluster& k = t.clusters[i];
    const size_t kept = static_cast<size_t>(std::min(k.textLength, bcx::kTraceClusterText));
    const std::string text(k.text, kept);
    const bool symbol = k.type == c.type && text == c.text;
    agreed = agreed || symbol;
    std::printf("    %s '%s'%s: %d lines, %s%s\n", SymbologyName(k.type),
                bcxtest::Printable(text).c_str(),
                k.textLength > bcx::kTraceClusterText ? "..." : "", k.votes, FateName(k.fate),
                symbol ? " <= the symbol" : "");
  }
  if (read) {
    std::printf("  => read\n");
  } else if (ofType == 0) {
    std::printf("  => LINES: no line read a %s\n", SymbologyName(c.type));
  } else if (!agreed) {
    std::printf("  => LINES: readings of its type, none of its text agreed on\n");
  } else {
    std::printf("  => LINES: agreed on, but not reported (see its line above)\n");
  }
}

}  // namespace

void DiagnoseImage(const std::vector<uint8_t>& png, const std::vector<int>& runs,
                   double moduleWidth, const bcxtest::ReadCase& c) {
  std::printf("exact:\n");
  DiagnoseExact(png, runs, moduleWidth, c);
  DiagnoseThorough(png, c);
}

}  // namespace readrate
