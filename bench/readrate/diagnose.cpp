// Follows one rendered symbol through the pipeline with the library's own
// steps (measurement, grouping, ordering, merging, element runs), replaying
// the segmentation pass and the width classification here so that every
// intermediate result can be printed and compared with the known modules.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/context.h"
#include "api/settings.h"
#include "bcxdec.h"
#include "detect/bar.h"
#include "detect/scan.h"
#include "image/image_state.h"
#include "image/provider.h"
#include "locate/element_run.h"
#include "locate/grouping.h"
#include "locate/ordering.h"
#include "readrate.h"
#include "render.h"

namespace readrate {
namespace {

using bcx::BarRecord;
using bcx::BoundaryEntry;
using bcx::g_library;

struct Counts {
  int components = 0;
  int rejectedByMeasure = 0;
  int rejectedByLength = 0;
  int truncatedFills = 0;
};

void AppendBar(const BarRecord& bar) {
  if (g_library.context.scan.barCount >= g_library.context.scan.barCapacity - 1) {
    const int32_t capacity = g_library.context.scan.barCapacity * 2 + 2;
    BarRecord* grown = new BarRecord[static_cast<size_t>(capacity)];
    std::copy(g_library.context.scan.bars,
              g_library.context.scan.bars + g_library.context.scan.barCount, grown);
    delete[] g_library.context.scan.bars;
    g_library.context.scan.bars = grown;
    g_library.context.scan.barCapacity = capacity;
  }
  g_library.context.scan.bars[g_library.context.scan.barCount++] = bar;
}

// The segmentation pass: 8-connected fills in raster order, boundary pixels
// marked by the first light neighbour they examine, each component measured.
Counts SegmentIntoBars(std::vector<double>* rejectedLengths) {
  Counts counts;
  const int32_t w = g_library.context.scan.width;
  const int32_t h = g_library.context.scan.height;
  constexpr int kNeighbours[8][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1},
                                     {0, -1},  {0, 1},  {-1, 0}, {1, 0}};
  std::vector<bcx::PixelEntry> stack;
  std::vector<BoundaryEntry> boundary;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const size_t start = static_cast<size_t>(y) * w + x;
      if (g_library.context.scan.region[start] == 0 || g_library.context.scan.visited[start] != 0)
        continue;
      ++counts.components;
      g_library.context.scan.visited[start] = 1;
      stack.assign(1, {x, y});
      boundary.clear();
      uint32_t pixels = 0;
      double sumX = 0.0;
      double sumY = 0.0;
      while (!stack.empty()) {
        const bcx::PixelEntry p = stack.back();
        stack.pop_back();
        bool onBoundary = false;
        for (const auto& d : kNeighbours) {
          const int32_t nx = p.x + d[0];
          const int32_t ny = p.y + d[1];
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          const size_t at = static_cast<size_t>(ny) * w + nx;
          if (g_library.context.scan.visited[at] != 0) continue;
          g_library.context.scan.visited[at] = 1;
          if (g_library.context.scan.region[at] != 0) {
            stack.push_back({nx, ny});
          } else {
            onBoundary = true;
          }
        }
        ++pixels;
        if (pixels > static_cast<uint32_t>(g_library.context.settings.componentPixelLimit)) {
          ++counts.truncatedFills;
          stack.clear();
          break;
        }
        sumX += p.x;
        sumY += p.y;
        if (onBoundary) {
          boundary.push_back({p.x, p.y, 0.0});
        }
      }
      BarRecord bar{};
      bar.centroidX = static_cast<int32_t>(sumX / pixels);
      bar.centroidY = static_cast<int32_t>(sumY / pixels);
      bar.pixelCount = static_cast<int32_t>(pixels);
      if (boundary.empty() ||
          !bcx::MeasureBar(bar, boundary.data(), static_cast<int32_t>(boundary.size()),
                           g_library.context.settings)) {
        ++counts.rejectedByMeasure;
        continue;
      }
      if (bar.barLength < g_library.context.settings.minBarPixels ||
          bar.barLength > g_library.context.settings.maxBarPixels) {
        ++counts.rejectedByLength;
        rejectedLengths->push_back(bar.barLength);
        continue;
      }
      bar.meanWidth = bar.pixelCount / bar.barLength;
      AppendBar(bar);
    }
  }
  return counts;
}

struct Tables {
  double bar[5];
  double space[5];
};

// Reference widths from the narrowest "1" bar and space of a pattern.
Tables Calibrate(const std::vector<double>& run, const char* pattern, bool alignToStart) {
  const int length = static_cast<int>(std::strlen(pattern));
  const int offset = alignToStart ? 0 : static_cast<int>(run.size()) - length;
  double nb = -1.0;
  double ns = -1.0;
  for (int p = 0; p < length; ++p) {
    if (pattern[p] != '1') continue;
    const double width = run[static_cast<size_t>(offset + p)];
    double& narrowest = (p % 2 == 0) ? nb : ns;
    if (narrowest < 0.0 || width < narrowest) narrowest = width;
  }
  Tables t{};
  constexpr double kAgreement = 0.75;
  const bool apart = std::fabs(ns - nb) > kAgreement;
  const double step = std::max(nb, ns);
  for (int k = 1; k <= 4; ++k) {
    t.bar[k] = apart ? nb + (k - 1) * step : k * nb;
    t.space[k] = apart ? ns + (k - 1) * step : k * ns;
  }
  return t;
}

int Classify(double width, const double* r) {
  if (width < r[1]) return 1;
  if (width > r[4]) return 4;
  for (int k = 1; k <= 3; ++k) {
    const double half = (r[k + 1] - r[k]) / 2.0;
    if (width >= r[k + 1] - half && width <= r[k + 1]) return k + 1;
    if (width >= r[k] && width <= r[k] + half) return k;
  }
  return 4;
}

struct Calibration {
  const char* pattern;
  bool alignToStart;
};

Calibration CalibrationFor(int type) {
  switch (type) {
    case BCX_CODE39:
      return {"121121211", true};
    case BCX_CODE128:
    case BCX_GS1_128:
      return {"2331112", false};
    case BCX_ITF:
      return {"1111", true};
    default:
      return {"111", true};
  }
}

std::string Join(const std::vector<double>& v, size_t limit) {
  std::string out;
  char buffer[32];
  for (size_t i = 0; i < v.size() && i < limit; ++i) {
    std::snprintf(buffer, sizeof buffer, "%s%.2f", i ? " " : "", v[i]);
    out += buffer;
  }
  if (v.size() > limit) out += " ...";
  return out;
}

// Compares the group's element run with the known module runs, in the
// orientation that fits better, down to the classified module strings.
void CompareRun(const std::vector<double>& groupRun, const std::vector<int>& modules,
                double moduleWidth, int type, bool read) {
  if (groupRun.size() != modules.size()) {
    std::printf("  element run: %zu elements, symbol has %zu\n", groupRun.size(), modules.size());
    return;
  }
  double forward = 0.0;
  double backward = 0.0;
  for (size_t i = 0; i < groupRun.size(); ++i) {
    forward += std::fabs(groupRun[i] - modules[i] * moduleWidth);
    backward += std::fabs(groupRun[i] - modules[modules.size() - 1 - i] * moduleWidth);
  }
  // A backwards run is read by the reversed attempt: look at it that way.
  std::vector<double> run = groupRun;
  if (backward < forward) std::reverse(run.begin(), run.end());
  std::printf("  element run laid %s\n", backward < forward ? "backwards" : "forwards");
  // Element widths: is each nearer its own module count than any other?
  int off = 0;
  double worst = 0.0;
  for (size_t i = 0; i < run.size(); ++i) {
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
              run.size(), worst);
  // Span split at bars of at least ratio x the narrowest bar.
  double narrowest = run[0];
  double widest = run[0];
  for (size_t i = 0; i < run.size(); i += 2) {
    narrowest = std::min(narrowest, run[i]);
    widest = std::max(widest, run[i]);
  }
  const double limit = narrowest * g_library.context.settings.widthRatioLimit;
  std::printf("  span limit %.2f (narrowest bar %.2f), widest bar %.2f%s\n", limit, narrowest,
              widest, widest >= limit ? ": THE GROUP IS SPLIT" : "");
  // Classification as the decoder does it, in the orientation it reads.
  const Calibration cal = CalibrationFor(type);
  const Tables t = Calibrate(run, cal.pattern, cal.alignToStart);
  std::printf(
      "  calibration on \"%s\": bar refs %.2f %.2f %.2f %.2f, space refs %.2f %.2f %.2f %.2f\n",
      cal.pattern, t.bar[1], t.bar[2], t.bar[3], t.bar[4], t.space[1], t.space[2], t.space[3],
      t.space[4]);
  int wrong = 0;
  std::string got;
  std::string want;
  for (size_t i = 0; i < run.size(); ++i) {
    const int k = Classify(run[i], i % 2 == 0 ? t.bar : t.space);
    got.push_back(static_cast<char>('0' + k));
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
  if (wrong > 0) {
    std::printf("  => CLASSIFICATION: %d elements misclassified%s\n", wrong,
                off > 0 ? " (element widths already off)" : " (widths fine, calibration off)");
  } else if (read) {
    std::printf("  => read, every element classifies right\n");
  } else {
    std::printf("  => every element classifies right: a decoder rule rejects it\n");
  }
}

void PrintSeed(const BarRecord& seed, int n) {
  const bcx::Segment& a = seed.side;
  std::printf("  group of %d: seed side (%d,%d)-(%d,%d) angle %.3f extent %.1f, width %.2f\n", n,
              a.x1, a.y1, a.x2, a.y2, a.angle, a.extent, seed.meanWidth);
  // Which of the bars still in the list missed, and by how much.
  bcx::Segment normal;
  bcx::NormalThroughMidpoint(a, 100.0, &normal);
  int shown = 0;
  for (int32_t i = 0; i < g_library.context.scan.barCount && shown < 4; ++i) {
    const bcx::Segment& b = g_library.context.scan.bars[i].side;
    const double offset = bcx::PointLineDistance(bcx::SegmentMidpoint(b), normal);
    std::printf(
        "    left out: side (%d,%d)-(%d,%d) extent %.1f, offset from seed normal %.1f"
        " (band %.1f)\n",
        b.x1, b.y1, b.x2, b.y2, b.extent, offset, 0.2 * (a.extent + b.extent));
    ++shown;
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

void DiagnoseImage(const std::vector<uint8_t>& png, const std::vector<int>& runs,
                   double moduleWidth, const bcxtest::ReadCase& c) {
  const int expectedBars = static_cast<int>(runs.size() + 1) / 2;
  std::vector<bcxtest::ReadResult> results;
  bcxtest::ReadImage(png, c.enabled, nullptr, &results);
  bool read = false;
  std::printf("  scan: %zu result(s)", results.size());
  for (const bcxtest::ReadResult& r : results) {
    std::printf(" [type %d '%s']", r.type, bcxtest::Printable(r.text).c_str());
    read = read || (r.type == c.type && r.text == c.text);
  }
  std::printf("%s\n", read ? ": READ" : "");

  BcxInit();
  if (BcxLoadFromMem(png.data(), static_cast<uint32_t>(png.size()), BCX_IMG_PNG) != 1) {
    std::printf("  image did not load\n");
    return;
  }
  uint16_t w = 0;
  uint16_t h = 0;
  BcxGetImgSize(&w, &h);
  bcx::RepairSettings(g_library.context.settings);
  if (!bcx::AllocateScanBuffers(g_library.context.scan, w, h) ||
      !bcx::provider::GetBinaryPixels(g_library.context.scan.region, w, h)) {
    std::printf("  no scan buffers\n");
    bcx::ReleaseScanBuffers(g_library.context.scan);
    BcxCleanUp();
    return;
  }
  std::vector<double> rejectedLengths;
  const Counts counts = SegmentIntoBars(&rejectedLengths);
  std::printf(
      "  segmentation: %d components, %d bars kept, symbol has %d bars; %d refused by "
      "measurement, %d by length (limits %d..%d px: %s), %d fills cut short\n",
      counts.components, g_library.context.scan.barCount, expectedBars, counts.rejectedByMeasure,
      counts.rejectedByLength, g_library.context.settings.minBarPixels,
      g_library.context.settings.maxBarPixels, Join(rejectedLengths, 6).c_str(),
      counts.truncatedFills);

  const int keptBars = g_library.context.scan.barCount;
  g_library.context.scan.group =
      new BarRecord[static_cast<size_t>(std::max(g_library.context.scan.barCount, 1))];
  g_library.context.scan.groupCount = 0;
  std::vector<int> sizes;
  std::vector<double> bestRun;
  int bestBars = 0;
  int bestMerged = 0;
  while (g_library.context.scan.barCount > 0) {
    const BarRecord seed = g_library.context.scan.bars[0];
    int32_t n = 0;
    bcx::CollectGroup(g_library.context.scan, &n);
    sizes.push_back(n);
    if (n >= 3) PrintSeed(seed, n);
    if (n < 2) continue;
    bcx::OrderGroup(g_library.context.scan, n);
    int32_t m = n;
    bcx::MergeBrokenBars(g_library.context.scan, n, &m);
    // The group nearest the symbol's bar count stands for the symbol.
    if (bestBars > 0 && std::abs(m - expectedBars) >= std::abs(bestMerged - expectedBars)) continue;
    double* run = bcx::BuildElementRun(g_library.context.scan, m);
    if (run == nullptr) continue;
    bestBars = n;
    bestMerged = m;
    bestRun.assign(run, run + (2 * m - 1));
    delete[] run;
  }
  std::string groupList;
  for (int s : sizes) groupList += " " + std::to_string(s);
  std::printf(
      "  grouping: %zu groups, sizes%s; nearest the symbol %d bars, %d after merging (symbol %d)\n",
      sizes.size(), groupList.c_str(), bestBars, bestMerged, expectedBars);
  if (keptBars < expectedBars) {
    std::printf("  => SEGMENTATION/LENGTH: only %d bars kept\n", keptBars);
  } else if (bestBars < expectedBars) {
    std::printf("  => GROUPING: the symbol's bars spread over groups\n");
  } else if (bestMerged != expectedBars) {
    std::printf("  => MERGE or EXTRA BARS: the group's %d bars became %d after merging\n", bestBars,
                bestMerged);
  }
  if (!bestRun.empty()) {
    std::printf("  run: %s\n", Join(bestRun, 24).c_str());
    if (moduleWidth <= 0.0) {
      // Unknown scale: the group's width over the symbol's modules.
      double pixels = 0.0;
      int modules = 0;
      for (double v : bestRun) pixels += v;
      for (int r : runs) modules += r;
      moduleWidth = modules > 0 ? pixels / modules : 1.0;
      std::printf("  module width estimated %.2f px\n", moduleWidth);
    }
    CompareRun(bestRun, runs, moduleWidth, c.type, read);
  }
  bcx::ReleaseScanBuffers(g_library.context.scan);
  BcxCleanUp();
}

}  // namespace readrate
