// Hand-made bitmaps run through the detection and localisation steps
// without the image provider.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "api/library.h"
#include "stages/components/scan_state.h"

namespace bcx::test {

struct Bitmap {
  int32_t width;
  int32_t height;
  std::vector<uint8_t> pixels;  // 1 dark, 0 light

  Bitmap(int32_t w, int32_t h, uint8_t value = 0)
      : width(w), height(h), pixels(static_cast<size_t>(w) * h, value) {}
  uint8_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  void Fill(int32_t left, int32_t top, int32_t w, int32_t h, uint8_t value = 1);
};

// One ordered, merged group and its element run.
struct Group {
  std::vector<BarRecord> bars;
  std::vector<double> run;
};

// Settings as after BcxInit at 96 pixels per inch.
void InitSettings();

// g_library.context.scan allocated for the bitmap and holding its pixels.
void LoadScan(const Bitmap& bitmap);

// The bar list after segmentation of the bitmap.
std::vector<BarRecord> FindBarsIn(const Bitmap& bitmap);

// Every group of two or more bars, as the candidate loop hands them on.
std::vector<Group> CollectGroupsIn(const Bitmap& bitmap);

// Puts records into a fresh group table.
void SetGroup(const std::vector<BarRecord>& bars);

BarRecord BarWithSide(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Releases g_library.context.scan after each test.
class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace bcx::test
