// Providers as values: contexts that keep their own image, region and level,
// binarisation of any grey buffer, and type detection from leading bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

struct ContextDeleter {
  void operator()(rastra_context* c) const { rastra_free(c); }
};
using ContextPtr = std::unique_ptr<rastra_context, ContextDeleter>;

ContextPtr NewContext() {
  ContextPtr c(rastra_new());
  EXPECT_NE(c, nullptr);
  return c;
}

Bytes Binarised(rastra_context* c, int width, int height) {
  Bytes out(static_cast<size_t>(width) * height, 7);
  if (rastra_get_binary_pixels(c, out.data(), width, height) == 0) return {};
  return out;
}

TEST(ProviderContext, TwoContextsKeepTheirOwnImageRegionAndLevel) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  ContextPtr a = NewContext();
  ContextPtr b = NewContext();
  ASSERT_EQ(rastra_load_memory(a.get(), png.data(), png.size(), RASTRA_TYPE_DETECT), 1);
  int32_t w = 0;
  int32_t h = 0;
  EXPECT_EQ(rastra_get_size(b.get(), &w, &h), 0) << "b has loaded nothing";
  ASSERT_EQ(rastra_get_size(a.get(), &w, &h), 1);
  EXPECT_EQ(w, kPatternWidth);
  EXPECT_EQ(h, kPatternHeight);
  ASSERT_EQ(rastra_load_memory(b.get(), png.data(), png.size(), RASTRA_TYPE_DETECT), 1);
  // A region and a level set on b leave a alone.
  rastra_set_region(b.get(), 0, 0, 15, 15);
  ASSERT_EQ(rastra_set_threshold(b.get(), 1), 1);
  const Bytes whole = Binarised(a.get(), kPatternWidth, kPatternHeight);
  ASSERT_FALSE(whole.empty());
  EXPECT_EQ(PatternMismatches(whole, kPatternWidth, kPatternHeight), 0);
  EXPECT_TRUE(Binarised(b.get(), kPatternWidth, kPatternHeight).empty());
  const Bytes corner = Binarised(b.get(), 16, 16);
  ASSERT_EQ(corner.size(), 256u);
  rastra_release_image(a.get());
  EXPECT_EQ(rastra_get_size(a.get(), &w, &h), 0);
  EXPECT_EQ(rastra_get_size(b.get(), &w, &h), 1);
  // Nor do the eleven operations of the implicit context touch either.
  ReleaseImage();
  EXPECT_EQ(rastra_get_size(b.get(), &w, &h), 1);
}

TEST(ProviderContext, NullContextFailsLikeAMissingImage) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  int32_t w = 0;
  int32_t h = 0;
  uint8_t out[4] = {};
  const uint8_t* grey = nullptr;
  EXPECT_EQ(rastra_load_memory(nullptr, png.data(), png.size(), 0), 0);
  EXPECT_EQ(rastra_load_file(nullptr, "x.png", 0), 0);
  EXPECT_EQ(rastra_get_size(nullptr, &w, &h), 0);
  EXPECT_EQ(rastra_get_binary_pixels(nullptr, out, 2, 2), 0);
  EXPECT_EQ(rastra_count_file_pages(nullptr, "x.png", 0), 0);
  EXPECT_EQ(rastra_select_file_page(nullptr, 0), 0);
  EXPECT_EQ(rastra_set_threshold(nullptr, 100), 0);
  EXPECT_EQ(rastra_count_memory_pages(nullptr, png.data(), png.size(), 0), 0);
  EXPECT_EQ(rastra_select_memory_page(nullptr, png.data(), png.size(), 0, 0), 0);
  EXPECT_EQ(rastra_get_grey(nullptr, &grey, &w, &h), 0);
  rastra_set_region(nullptr, 0, 0, 1, 1);
  rastra_release_image(nullptr);
  rastra_free(nullptr);
}

TEST(ProviderContext, GreyOfTheCurrentImage) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  ContextPtr c = NewContext();
  const uint8_t* grey = nullptr;
  int32_t w = 0;
  int32_t h = 0;
  EXPECT_EQ(rastra_get_grey(c.get(), &grey, &w, &h), 0);
  ASSERT_EQ(rastra_load_memory(c.get(), png.data(), png.size(), 0), 1);
  EXPECT_EQ(rastra_get_grey(c.get(), nullptr, &w, &h), 0);
  ASSERT_EQ(rastra_get_grey(c.get(), &grey, &w, &h), 1);
  ASSERT_EQ(w, kPatternWidth);
  ASSERT_EQ(h, kPatternHeight);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(grey[y * w + x] < 128, PatternDark(x, y)) << x << "," << y;
    }
  }
}

// A 20 x 3 ramp inside a buffer with a stride of 27; the padding is dark so
// that a read past a row's end would show.
struct StridedRamp {
  static constexpr int kWidth = 20;
  static constexpr int kHeight = 3;
  static constexpr int kStride = 27;
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kStride * kHeight, 0);
  StridedRamp() {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) pixels[y * kStride + x] = static_cast<uint8_t>(x * 12);
    }
  }
};

TEST(ProviderBinarize, StridedBufferWithEveryKindOfLevel) {
  const StridedRamp ramp;
  std::vector<uint8_t> out(StridedRamp::kWidth * StridedRamp::kHeight, 7);
  ASSERT_EQ(rastra_binarize(ramp.pixels.data(), StridedRamp::kWidth, StridedRamp::kHeight,
                            StridedRamp::kStride, 100, out.data()),
            1);
  // Grey x * 12 < 100 for x = 0..8.
  for (int y = 0; y < StridedRamp::kHeight; ++y) {
    for (int x = 0; x < StridedRamp::kWidth; ++x) {
      EXPECT_EQ(out[y * StridedRamp::kWidth + x], x <= 8 ? 1 : 0) << x << "," << y;
    }
  }
  for (int32_t level : {RASTRA_THRESHOLD_OTSU, RASTRA_THRESHOLD_ADAPTIVE}) {
    std::fill(out.begin(), out.end(), 7);
    ASSERT_EQ(rastra_binarize(ramp.pixels.data(), StridedRamp::kWidth, StridedRamp::kHeight,
                              StridedRamp::kStride, level, out.data()),
              1);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t v) { return v <= 1; })) << level;
    // The padding's darkness must not reach the ramp: its bright end stays light.
    for (int y = 0; y < StridedRamp::kHeight; ++y) {
      EXPECT_EQ(out[y * StridedRamp::kWidth + StridedRamp::kWidth - 1], 0) << level;
    }
  }
}

TEST(ProviderBinarize, SameAsTheContextOnTheSameImage) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  ContextPtr c = NewContext();
  ASSERT_EQ(rastra_load_memory(c.get(), png.data(), png.size(), 0), 1);
  const uint8_t* grey = nullptr;
  int32_t w = 0;
  int32_t h = 0;
  ASSERT_EQ(rastra_get_grey(c.get(), &grey, &w, &h), 1);
  for (int32_t level : {60, RASTRA_THRESHOLD_OTSU, RASTRA_THRESHOLD_ADAPTIVE}) {
    ASSERT_EQ(rastra_set_threshold(c.get(), level), 1);
    rastra_set_region(c.get(), 5, 3, 40, 30);
    const Bytes expected = Binarised(c.get(), 36, 28);
    ASSERT_FALSE(expected.empty());
    Bytes got(expected.size(), 7);
    ASSERT_EQ(rastra_binarize(grey + 3 * w + 5, 36, 28, w, level, got.data()), 1);
    EXPECT_EQ(got, expected) << level;
  }
}

TEST(ProviderBinarize, RefusesBadArgumentsWithoutWriting) {
  const StridedRamp ramp;
  uint8_t out[4] = {7, 7, 7, 7};
  const uint8_t* p = ramp.pixels.data();
  EXPECT_EQ(rastra_binarize(nullptr, 2, 2, 2, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, 2, 100, nullptr), 0);
  EXPECT_EQ(rastra_binarize(p, 0, 2, 2, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 0, 2, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, -1, 2, 2, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, 1, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, static_cast<ptrdiff_t>(INT32_MAX) + 1, 100, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, 2, 0, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, 2, 256, out), 0);
  EXPECT_EQ(rastra_binarize(p, 2, 2, 2, -3, out), 0);
  EXPECT_TRUE(std::all_of(out, out + 4, [](uint8_t v) { return v == 7; }));
}

struct TypeCase {
  int format;  // IFF_* of Leptonica's encoder
  uint16_t type;
};

TEST(ProviderDetect, TypeFromLeadingBytes) {
  for (const TypeCase& c :
       {TypeCase{IFF_PNG, RASTRA_TYPE_PNG}, TypeCase{IFF_BMP, RASTRA_TYPE_BMP},
        TypeCase{IFF_TIFF, RASTRA_TYPE_TIFF}, TypeCase{IFF_JFIF_JPEG, RASTRA_TYPE_JPEG},
        TypeCase{IFF_PNM, RASTRA_TYPE_PNM}, TypeCase{IFF_GIF, RASTRA_TYPE_GIF},
        TypeCase{IFF_WEBP, RASTRA_TYPE_WEBP}}) {
    const Bytes bytes = EncodePattern(Pixels::kGrey8, c.format);
    ASSERT_FALSE(bytes.empty()) << c.format;
    EXPECT_EQ(rastra_detect_type(bytes.data(), bytes.size()), c.type) << c.format;
  }
  const uint8_t garbage[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  EXPECT_EQ(rastra_detect_type(garbage, sizeof garbage), RASTRA_TYPE_DETECT);
  EXPECT_EQ(rastra_detect_type(garbage, 0), RASTRA_TYPE_DETECT);
  EXPECT_EQ(rastra_detect_type(nullptr, 12), RASTRA_TYPE_DETECT);
  // A signature cut short is no signature.
  const uint8_t png[] = {0x89, 'P', 'N'};
  EXPECT_EQ(rastra_detect_type(png, sizeof png), RASTRA_TYPE_DETECT);
}

}  // namespace
}  // namespace rastra_test
