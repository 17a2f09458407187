// Placeholder until space measurement lands: bars keep their widths, spaces
// measure 0.
#include "locate/element_run.h"

#include <new>

#include "detect/scan.h"

namespace bcx {

Point g_quad[4];

double* BuildElementRun(int32_t m) {
  double* run = new (std::nothrow) double[2 * m - 1];
  if (run == nullptr) return nullptr;
  for (int32_t i = 0; i < m; ++i) {
    run[2 * i] = g_scan.group[i].meanWidth;
    if (i + 1 < m) run[2 * i + 1] = 0.0;
  }
  return run;
}

double MeasureSpace(const Segment&, const Segment&, double) { return 0.0; }

uint32_t CountLightPixelsInQuad() { return 0; }

}  // namespace bcx
