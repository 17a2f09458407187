#include "symbologies/exact/classify.h"

#include <cmath>
#include <cstring>

namespace bcx {

namespace {

// Narrowest bar and space further apart than this are measured at different
// scales (ink spread), so the module step follows the wider of the two.
constexpr double kUnevenInkLimit = 0.75;
constexpr double kNotSeen = -1.0;

void KeepNarrower(double& narrowest, double width) {
  if (narrowest < 0.0 || width < narrowest) narrowest = width;
}

}  // namespace

ModuleTables CalibrateModules(const double* widths, int32_t count, const char* pattern,
                              int32_t alignToStart) {
  ModuleTables tables;
  const int32_t length = static_cast<int32_t>(std::strlen(pattern));
  const int32_t offset = alignToStart == 1 ? 0 : count - length;
  double narrowestBar = kNotSeen;
  double narrowestSpace = kNotSeen;
  for (int32_t p = 0; p < length; ++p) {
    if (pattern[p] != '1') continue;
    const double width = widths[offset + p];
    if (p % 2 == 0) {
      KeepNarrower(narrowestBar, width);
    } else {
      KeepNarrower(narrowestSpace, width);
    }
  }
  const double difference = narrowestSpace - narrowestBar;
  if (std::fabs(difference) > kUnevenInkLimit) {
    const double step = narrowestBar > narrowestSpace ? narrowestBar : narrowestSpace;
    for (int k = 0; k < kMaxModules; ++k) {
      tables.bars[k] = narrowestBar + k * step;
      tables.spaces[k] = narrowestSpace + k * step;
    }
  } else {
    for (int k = 0; k < kMaxModules; ++k) {
      tables.bars[k] = (k + 1) * narrowestBar;
      tables.spaces[k] = (k + 1) * narrowestSpace;
    }
  }
  return tables;
}

int ClassifyWidth(double width, const double* table) {
  if (width < table[0]) return 1;
  if (width > table[kMaxModules - 1]) return kMaxModules;
  for (int k = 0; k + 1 < kMaxModules; ++k) {
    const double lower = table[k];
    const double upper = table[k + 1];
    const double half = (upper - lower) / 2.0;
    if (width >= upper - half && width <= upper) return k + 2;
    if (width >= lower && width <= lower + half) return k + 1;
  }
  // Only a width that compares with nothing (not a number) gets here; the
  // widest count lets the pattern comparisons reject it.
  return kMaxModules;
}

void ClassifyElements(const ModuleTables& tables, const double* widths, int32_t first, int32_t n,
                      int32_t firstIsBar, char* out) {
  for (int32_t i = 0; i < n; ++i) {
    const bool isBar = (i % 2 == 0) == (firstIsBar == 1);
    const double* table = isBar ? tables.bars : tables.spaces;
    out[i] = static_cast<char>('0' + ClassifyWidth(widths[first + i], table));
  }
  out[n] = '\0';
}

}  // namespace bcx
