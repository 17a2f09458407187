#include "stages/scanlines/scanlines.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "records/results.h"
#include "records/trace.h"
#include "stages/scanlines/bar_field.h"
#include "stages/scanlines/clusters.h"
#include "stages/scanlines/line_work.h"
#include "stages/scanlines/profile_edges.h"
#include "stages/scanlines/sweep.h"

namespace bcx {

namespace {

using namespace lines;

// A symbol is reported when this many lines read the same text in the
// same place; a single line through text or texture can pass a decoder's
// checks by chance, several parallel ones almost never do.
constexpr int32_t kMinAgreeingLines = 2;

// The lines cost some 50 times what the components cost on a small image
// of one symbol, which the components read whole when it is clean. Below
// a page's size, an image in which the components found a symbol is taken
// to hold no other, unless they found one text twice (a symbol a light
// line cut in two, which the lines join); a page (more than two
// megapixels, an A5 sheet at 200 dpi) often holds several, and the lines
// look for the rest.
constexpr double kSweepAfterComponentsPixels = 2.0e6;

bool AnyTextTwice(const ResultTable& results) {
  for (int32_t i = 0; i < results.count; ++i) {
    for (int32_t j = i + 1; j < results.count; ++j) {
      const ResultRecord& a = results.records[i];
      if (ResultHasText(results.records[j], a.type, reinterpret_cast<const char*>(a.text),
                        a.textLength)) {
        return true;
      }
    }
  }
  return false;
}

bool StartWork(Work& w, int32_t capacity) {
  const size_t n = static_cast<size_t>(capacity);
  w.capacity = capacity;
  w.profile = new (std::nothrow) float[n];
  w.scratch = new (std::nothrow) float[n + kWorkSpare];
  w.edges = new (std::nothrow) double[n];
  w.forward = new (std::nothrow) double[n];
  w.reversed = new (std::nothrow) double[n];
  w.text = new (std::nothrow) char[n + 1];
  w.reads = new (std::nothrow) LineRead[kMaxReads];
  w.pool = new (std::nothrow) char[kTextPool];
  return w.profile != nullptr && w.scratch != nullptr && w.edges != nullptr &&
         w.forward != nullptr && w.reversed != nullptr && w.text != nullptr && w.reads != nullptr &&
         w.pool != nullptr;
}

void EndWork(Work& w) {
  delete[] w.profile;
  delete[] w.scratch;
  delete[] w.edges;
  delete[] w.forward;
  delete[] w.reversed;
  delete[] w.text;
  delete[] w.reads;
  delete[] w.pool;
}

}  // namespace

void ReadScanlinesThorough(const Settings& settings, ResultTable& results, ScanTrace* trace,
                           const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride) {
  if (grey == nullptr || width < 1 || height < 1 || !ResultTableHasRoom(results)) return;
  if (results.count > 0 && !AnyTextTwice(results) &&
      static_cast<double>(width) * height <= kSweepAfterComponentsPixels) {
    return;
  }
  TraceLinesRun(trace);
  const GreyImage g{grey, width, height, stride};
  // A single row is a single line: its symbol's check digits and guards
  // have to do without a second line.
  const int32_t minVotes =
      IsThin(g) ? std::min(kMinAgreeingLines, std::min(width, height)) : kMinAgreeingLines;
  const int32_t capacity = static_cast<int32_t>(std::hypot(width, height)) + 2;
  Work w{};
  w.trace = trace;
  if (StartWork(w, capacity)) {
    BarField field;
    if (IsThin(g)) {
      SweepThin(settings, g, w);
    } else if (MapBarField(grey, width, height, stride, kAngles, field)) {
      if (static_cast<double>(width) * height > kSweepAfterComponentsPixels) {
        Sweep(settings, g, field, w, Look::kAll);
      } else {
        Sweep(settings, g, field, w, Look::kFirst);
        if (!AnySymbolRead(w)) Sweep(settings, g, field, w, Look::kRest);
      }
    }
    FreeBarField(field);
    Cluster* clusters = new (std::nothrow) Cluster[kMaxClusters];
    if (clusters != nullptr) {
      const int32_t count = ClusterReads(w, clusters);
      DropWeaker(w, clusters, count);
      Report(results, g, w, clusters, count, minVotes);
    }
    delete[] clusters;
  }
  EndWork(w);
}

}  // namespace bcx
