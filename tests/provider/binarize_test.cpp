// Word-wide fixed binarisation against the pixel-at-a-time rule.
#include "binarize.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace rastra_test {
namespace {

TEST(BinariseFixedTest, MatchesThePlainRuleAtEveryLevel) {
  // A grey image whose rectangle starts and ends at every place in an
  // eight-pixel word; every grey value occurs in it.
  constexpr int32_t kWidth = 91;
  constexpr int32_t kHeight = 7;
  std::vector<uint8_t> grey(static_cast<size_t>(kWidth) * kHeight);
  uint32_t state = 31;
  for (size_t i = 0; i < grey.size(); ++i) {
    state = state * 1103515245u + 12345u;
    grey[i] = i < 256 ? static_cast<uint8_t>(i) : static_cast<uint8_t>(state >> 16);
  }
  const rastra::GreyImage image{grey.data(), kWidth, kHeight};
  for (int32_t level = 1; level <= 255; ++level) {
    for (int32_t left = 0; left < 9; ++left) {
      for (const int32_t width : {1, 7, 8, 9, 17, 64, kWidth - left}) {
        if (left + width > kWidth) continue;
        const rastra::Rect rect{left, 1, width, kHeight - 2};
        std::vector<uint8_t> fast(static_cast<size_t>(width) * rect.height, 9);
        std::vector<uint8_t> plain(fast.size(), 9);
        rastra::BinariseFixed(image, rect, level, fast.data());
        rastra::BinariseFixedPlainly(image, rect, level, plain.data());
        ASSERT_EQ(fast, plain) << "level " << level << " left " << left << " width " << width;
      }
    }
  }
}

}  // namespace
}  // namespace rastra_test
