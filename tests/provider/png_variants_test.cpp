// PNG layouts Leptonica's writer does not make: interlacing, grey with
// alpha, 16-bit RGBA, transparency chunks on palettes and grey.
#include <gtest/gtest.h>
#include <png.h>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

struct PngVariant {
  const char* name;
  int colorType;
  int bitDepth;
  int interlace;
  bool transparency;  // a tRNS chunk making the light cells transparent
};

const PngVariant kVariants[] = {
    {"grey8_interlaced", PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_ADAM7, false},
    {"grey2_interlaced", PNG_COLOR_TYPE_GRAY, 2, PNG_INTERLACE_ADAM7, false},
    {"rgb8_interlaced", PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_ADAM7, false},
    {"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, PNG_INTERLACE_NONE, false},
    {"grey_alpha16_interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, PNG_INTERLACE_ADAM7, false},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, PNG_INTERLACE_NONE, false},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, PNG_INTERLACE_NONE, false},
    {"palette_trns", PNG_COLOR_TYPE_PALETTE, 8, PNG_INTERLACE_NONE, true},
    {"palette4_trns_interlaced", PNG_COLOR_TYPE_PALETTE, 4, PNG_INTERLACE_ADAM7, true},
    {"grey8_trns", PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_NONE, true},
    {"rgb8_trns", PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_NONE, true},
};

void Append(png_structp png, png_bytep data, size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

// Samples of one pixel, most significant byte first; light cells are
// transparent black where the layout can say so, else white.
std::vector<uint16_t> Samples(const PngVariant& v, bool dark) {
  const uint16_t top = static_cast<uint16_t>((1u << v.bitDepth) - 1);
  const uint16_t ink = static_cast<uint16_t>(top / 10);
  switch (v.colorType) {
    case PNG_COLOR_TYPE_GRAY:
      if (v.transparency) return {static_cast<uint16_t>(dark ? ink + 1 : 0)};
      return {dark ? ink : top};
    case PNG_COLOR_TYPE_RGB:
      if (v.transparency) return {0, 0, static_cast<uint16_t>(dark ? ink + 1 : 0)};
      return {dark ? ink : top, dark ? ink : top, dark ? ink : top};
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return {ink, static_cast<uint16_t>(dark ? top : 0)};
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return {ink, ink, ink, static_cast<uint16_t>(dark ? top : 0)};
    default:  // palette: 0 transparent black, 1 dark blue
      return {static_cast<uint16_t>(dark ? 1 : 0)};
  }
}

std::vector<png_byte> PackRow(const PngVariant& v, int y) {
  std::vector<png_byte> row;
  uint32_t bits = 0;
  int filled = 0;
  for (int x = 0; x < kPatternWidth; ++x) {
    for (uint16_t sample : Samples(v, PatternDark(x, y))) {
      if (v.bitDepth == 16) {
        row.push_back(static_cast<png_byte>(sample >> 8));
        row.push_back(static_cast<png_byte>(sample));
        continue;
      }
      bits = (bits << v.bitDepth) | sample;
      filled += v.bitDepth;
      if (filled == 8) {
        row.push_back(static_cast<png_byte>(bits));
        bits = 0;
        filled = 0;
      }
    }
  }
  if (filled > 0) row.push_back(static_cast<png_byte>(bits << (8 - filled)));
  return row;
}

Bytes WritePng(const PngVariant& v) {
  // Everything with a destructor exists before the jump point.
  Bytes out;
  std::vector<std::vector<png_byte>> rows;
  std::vector<png_bytep> pointers;
  for (int y = 0; y < kPatternHeight; ++y) rows.push_back(PackRow(v, y));
  for (auto& row : rows) pointers.push_back(row.data());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, kPatternWidth, kPatternHeight, v.bitDepth, v.colorType, v.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (v.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[2] = {{0, 0, 0}, {20, 30, 110}};
    png_set_PLTE(png, info, palette, 2);
    png_byte alpha[2] = {0, 255};
    png_set_tRNS(png, info, alpha, 2, nullptr);
  } else if (v.transparency) {
    png_color_16 clear = {0, 0, 0, 0, 0};
    png_set_tRNS(png, info, nullptr, 0, &clear);
  }
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

class PngVariantTest : public testing::TestWithParam<PngVariant> {};

TEST_P(PngVariantTest, DecodesToTheCheckerboard) {
  const Bytes png = WritePng(GetParam());
  ASSERT_FALSE(png.empty());
  ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  StderrCapture capture;
  ASSERT_EQ(LoadMemory(png.data(), static_cast<uint32_t>(png.size()), RASTRA_TYPE_PNG), 1);
  EXPECT_EQ(capture.Finish(), "");
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_EQ(GetSize(&width, &height), 1);
  EXPECT_EQ(width, kPatternWidth);
  EXPECT_EQ(height, kPatternHeight);
  EXPECT_EQ(PatternMismatches(Binarised(width, height), width, height), 0);
  ReleaseImage();
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngVariantTest, testing::ValuesIn(kVariants),
                         [](const testing::TestParamInfo<PngVariant>& info) {
                           return std::string(info.param.name);
                         });

TEST(JpegVariantTest, ProgressiveJpegLoads) {
  PIX* pix = MakePattern(Pixels::kRgb);
  l_uint8* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(pixWriteMemJpeg(&data, &size, pix, 95, 1), 0);
  pixDestroy(&pix);
  const Bytes jpeg(data, data + size);
  lept_free(data);
  ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  ASSERT_EQ(LoadMemory(jpeg.data(), static_cast<uint32_t>(jpeg.size()), RASTRA_TYPE_JPEG), 1);
  EXPECT_EQ(
      PatternMismatches(Binarised(kPatternWidth, kPatternHeight), kPatternWidth, kPatternHeight),
      0);
  ReleaseImage();
}

}  // namespace
}  // namespace rastra_test
