// Turns measured element widths into whole module counts: calibration from a
// pattern expected at a known place, then nearest-width classification.
#pragma once

#include <cstdint>

namespace bcx {

constexpr int kMaxModules = 4;

// Expected width of an element of k modules at index k - 1, for bars and
// for spaces: what a decoder learns from calibration and classifies with.
struct ModuleTables {
  double bars[kMaxModules];
  double spaces[kMaxModules];
};

// Calibration needs a "1" at a bar position (even) and at a space position
// (odd); every pattern handed to CalibrateModules is checked with this at
// compile time, so a table is never left without a width.
constexpr bool CalibratesBarsAndSpaces(const char* pattern) {
  bool bar = false;
  bool space = false;
  for (int p = 0; pattern[p] != '\0'; ++p) {
    if (pattern[p] == '1') (p % 2 == 0 ? bar : space) = true;
  }
  return bar && space;
}

// Both tables from the narrowest bar and space at the pattern's "1"
// positions. With alignToStart == 1 pattern position p pairs with element p,
// otherwise with element count - strlen(pattern) + p. The run must hold at
// least strlen(pattern) elements.
ModuleTables CalibrateModules(const double* widths, int32_t count, const char* pattern,
                              int32_t alignToStart);

// Module count 1 to 4 of one width against one table.
int ClassifyWidth(double width, const double* table);

// Writes the n module digits of elements first .. first + n - 1 and a NUL to
// out (n + 1 bytes). firstIsBar == 1 classifies even offsets as bars.
void ClassifyElements(const ModuleTables& tables, const double* widths, int32_t first, int32_t n,
                      int32_t firstIsBar, char* out);

}  // namespace bcx
