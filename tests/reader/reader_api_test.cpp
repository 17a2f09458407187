// The reader interface from outside: defaults, settings that are refused,
// every kind of bad input, and what a reader reports afterwards.
#include <allheaders.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "bcxread.h"
#include "cases.h"
#include "reader_support.h"
#include "render.h"

namespace bcxtest {
namespace {

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(reader_, nullptr); }
  void TearDown() override { bcx_reader_free(reader_); }
  bcx_reader* reader_ = bcx_reader_new();
};

// One Code 128 symbol at a known place, as PNG bytes and as grey pixels.
struct Sample {
  Scene scene;
  GreyPixels grey;
};

Sample Code128Sample() {
  Sample s;
  EXPECT_TRUE(RenderScene(Code128("Reader-1"), 2, 40, 0.0, false, &s.scene));
  s.grey = DecodeGrey(s.scene.png);
  return s;
}

TEST(ReaderSymbologies, NamesAndIdentifiersRoundTrip) {
  const char* const names[] = {"code39", "code128", "gs1-128", "ean13",
                               "ean8",   "upca",    "upce",    "itf"};
  for (int id = 0; id < 8; ++id) {
    ASSERT_NE(bcx_symbology_name(id), nullptr);
    EXPECT_STREQ(bcx_symbology_name(id), names[id]);
    EXPECT_EQ(bcx_symbology_from_name(names[id]), id);
  }
  EXPECT_EQ(bcx_symbology_name(-1), nullptr);
  EXPECT_EQ(bcx_symbology_name(8), nullptr);
  EXPECT_EQ(bcx_symbology_from_name("qr"), -1);
  EXPECT_EQ(bcx_symbology_from_name("CODE39"), -1);
  EXPECT_EQ(bcx_symbology_from_name(""), -1);
  EXPECT_EQ(bcx_symbology_from_name(nullptr), -1);
}

TEST_F(ReaderTest, NewReaderHasNoImageResultsOrError) {
  EXPECT_EQ(bcx_result_count(reader_), 0);
  EXPECT_EQ(bcx_image_page_count(reader_), 0);
  int w = -1;
  int h = -1;
  EXPECT_EQ(bcx_image_size(reader_, &w, &h), 0);
  EXPECT_EQ(w, -1);
  EXPECT_STREQ(bcx_reader_error(reader_), "");
}

TEST_F(ReaderTest, NewReaderReadsEverySymbologyAt128) {
  // All eight switches on: a GS1-128 symbol is reported as such.
  Scene scene;
  ASSERT_TRUE(RenderScene(Gs1("[01]12345678901231"), 2, 40, 0.0, false, &scene));
  ASSERT_EQ(bcx_read_memory(reader_, scene.png.data(), scene.png.size(), 0), 1);
  EXPECT_EQ(bcx_result_type(reader_, 0), 2);
  EXPECT_EQ(ResultText(reader_, 0), "0112345678901231");
}

struct RefusedSetting {
  const char* name;
  int (*apply)(bcx_reader*);
  const char* error;
};

class RefusedSettings : public ::testing::TestWithParam<RefusedSetting> {};

TEST_P(RefusedSettings, LeaveTheReaderAsItWas) {
  bcx_reader* r = bcx_reader_new();
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(bcx_reader_set_types(r, 1u << 1), 1);
  EXPECT_EQ(GetParam().apply(r), 0);
  EXPECT_STREQ(bcx_reader_error(r), GetParam().error);
  // Still reads Code 128 only, exactly as before the refused call.
  const Sample s = Code128Sample();
  EXPECT_EQ(bcx_read_gray(r, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width), 1);
  EXPECT_STREQ(bcx_reader_error(r), "");
  bcx_reader_free(r);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, RefusedSettings,
    ::testing::Values(
        RefusedSetting{"ModeTwo", [](bcx_reader* r) { return bcx_reader_set_mode(r, 2); },
                       "unknown mode 2"},
        RefusedSetting{"ModeMinusOne", [](bcx_reader* r) { return bcx_reader_set_mode(r, -1); },
                       "unknown mode -1"},
        RefusedSetting{"TypeBitEight",
                       [](bcx_reader* r) { return bcx_reader_set_types(r, 0x100u); },
                       "type mask 0x100 names symbologies above 7"},
        RefusedSetting{"ThresholdZero",
                       [](bcx_reader* r) { return bcx_reader_set_threshold(r, 0); },
                       "threshold 0 is neither 1..255, -1 (Otsu) nor -2 (adaptive)"},
        RefusedSetting{"Threshold256",
                       [](bcx_reader* r) { return bcx_reader_set_threshold(r, 256); },
                       "threshold 256 is neither 1..255, -1 (Otsu) nor -2 (adaptive)"},
        RefusedSetting{"ThresholdMinusThree",
                       [](bcx_reader* r) { return bcx_reader_set_threshold(r, -3); },
                       "threshold -3 is neither 1..255, -1 (Otsu) nor -2 (adaptive)"},
        RefusedSetting{"LimitsCrossed",
                       [](bcx_reader* r) { return bcx_reader_set_limits(r, 10, 0.5, 0.4); },
                       "limits 10, 0.5, 0.4 refused: each must be above 0 and min at most max"},
        RefusedSetting{"LimitsNaN",
                       [](bcx_reader* r) { return bcx_reader_set_limits(r, std::nan(""), 0.5, 8); },
                       "limits nan, 0.5, 8 refused: each must be above 0 and min at most max"},
        RefusedSetting{"LimitsNegative",
                       [](bcx_reader* r) { return bcx_reader_set_limits(r, 10, -1, 2); },
                       "limits 10, -1, 2 refused: each must be above 0 and min at most max"},
        RefusedSetting{"ResolutionZero",
                       [](bcx_reader* r) { return bcx_reader_set_resolution(r, 0); },
                       "resolution 0 is outside 1..10000 pixels per inch"},
        RefusedSetting{"ResolutionHuge",
                       [](bcx_reader* r) { return bcx_reader_set_resolution(r, 10001); },
                       "resolution 10001 is outside 1..10000 pixels per inch"},
        RefusedSetting{"RegionEmpty",
                       [](bcx_reader* r) { return bcx_reader_set_region(r, 5, 5, 5, 9); },
                       "region 5,5,5,9 is not a rectangle with left < right and top < bottom"},
        RefusedSetting{"RegionNegative",
                       [](bcx_reader* r) { return bcx_reader_set_region(r, -2, 0, 9, 9); },
                       "region -2,0,9,9 is not a rectangle with left < right and top < bottom"},
        RefusedSetting{"RegionBeyond16Bits",
                       [](bcx_reader* r) { return bcx_reader_set_region(r, 0, 0, 65535, 9); },
                       "region 0,0,65535,9 is not a rectangle with left < right and top < "
                       "bottom"}),
    [](const ::testing::TestParamInfo<RefusedSetting>& info) { return info.param.name; });

TEST(ReaderNull, EveryFunctionAcceptsANullReader) {
  const uint8_t pixel = 255;
  EXPECT_EQ(bcx_reader_set_mode(nullptr, BCX_MODE_EXACT), 0);
  EXPECT_EQ(bcx_reader_set_types(nullptr, 1), 0);
  EXPECT_EQ(bcx_reader_set_threshold(nullptr, 100), 0);
  EXPECT_EQ(bcx_reader_set_limits(nullptr, 10, 0.5, 8), 0);
  EXPECT_EQ(bcx_reader_set_resolution(nullptr, 96), 0);
  EXPECT_EQ(bcx_reader_set_region(nullptr, 0, 0, 5, 5), 0);
  EXPECT_LT(bcx_read_gray(nullptr, &pixel, 1, 1, 1), 0);
  EXPECT_LT(bcx_read_file(nullptr, "x.png", 0), 0);
  EXPECT_LT(bcx_read_memory(nullptr, &pixel, 1, 0), 0);
  EXPECT_EQ(bcx_image_page_count(nullptr), 0);
  int w = 0;
  int h = 0;
  EXPECT_EQ(bcx_image_size(nullptr, &w, &h), 0);
  double load = 0;
  double scan = 0;
  EXPECT_EQ(bcx_read_timings(nullptr, &load, &scan), 0);
  EXPECT_EQ(bcx_result_count(nullptr), 0);
  EXPECT_EQ(bcx_result_type(nullptr, 0), -1);
  const uint8_t* text = &pixel;
  EXPECT_EQ(bcx_result_text(nullptr, 0, &text), 0u);
  EXPECT_EQ(text, nullptr);
  int32_t xy[8] = {};
  EXPECT_EQ(bcx_result_corners(nullptr, 0, xy), 0);
  EXPECT_STREQ(bcx_reader_error(nullptr), "no reader");
  bcx_reader_free(nullptr);
}

struct BadGrey {
  const char* name;
  bool nullPixels;
  int width;
  int height;
  ptrdiff_t stride;
  const char* error;
};

class BadGreyInput : public ::testing::TestWithParam<BadGrey> {};

TEST_P(BadGreyInput, FailsWithAMessageAndNoResults) {
  bcx_reader* r = bcx_reader_new();
  ASSERT_NE(r, nullptr);
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_gray(r, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width), 1);
  // A buffer of one byte: nothing beyond it may be read (the sanitizer
  // build would see it).
  std::vector<uint8_t> one(1, 0);
  const BadGrey& c = GetParam();
  EXPECT_LT(bcx_read_gray(r, c.nullPixels ? nullptr : one.data(), c.width, c.height, c.stride), 0);
  EXPECT_STREQ(bcx_reader_error(r), c.error);
  EXPECT_EQ(bcx_result_count(r), 0);
  EXPECT_EQ(bcx_result_type(r, 0), -1);
  int w = 0;
  int h = 0;
  EXPECT_EQ(bcx_image_size(r, &w, &h), 0);
  bcx_reader_free(r);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadGreyInput,
    ::testing::Values(
        BadGrey{"NullPixels", true, 10, 10, 10, "no pixels"},
        BadGrey{"ZeroWidth", false, 0, 1, 1, "image size 0x1 is outside 1..65535 a side"},
        BadGrey{"ZeroHeight", false, 1, 0, 1, "image size 1x0 is outside 1..65535 a side"},
        BadGrey{"NegativeWidth", false, -5, 1, 1, "image size -5x1 is outside 1..65535 a side"},
        BadGrey{"HugeWidth", false, 65536, 1, 65536,
                "image size 65536x1 is outside 1..65535 a side"},
        BadGrey{"HugeHeight", false, 1, std::numeric_limits<int>::max(), 1,
                "image size 1x2147483647 is outside 1..65535 a side"},
        BadGrey{"StrideBelowWidth", false, 10, 1, 9, "stride 9 is less than the width 10"},
        BadGrey{"NegativeStride", false, 1, 1, -1, "stride -1 is less than the width 1"}),
    [](const ::testing::TestParamInfo<BadGrey>& info) { return info.param.name; });

TEST_F(ReaderTest, GreyViewIntoALargerImageReadsLikeTheImageAlone) {
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  const std::vector<Symbol> alone = Symbols(reader_);
  // The same pixels at (37, 11) of a wider, taller image with dark
  // surroundings that a stride-unaware read would pick up.
  constexpr int kLeft = 37;
  constexpr int kTop = 11;
  const int stride = s.grey.width + 101;
  std::vector<uint8_t> big(static_cast<size_t>(stride) * (s.grey.height + 30), 0);
  for (int y = 0; y < s.grey.height; ++y) {
    std::memcpy(&big[static_cast<size_t>(y + kTop) * stride + kLeft - 37 + 37],
                &s.grey.pixels[static_cast<size_t>(y) * s.grey.width], s.grey.width);
  }
  const uint8_t* view = &big[static_cast<size_t>(kTop) * stride + kLeft];
  ASSERT_EQ(bcx_read_gray(reader_, view, s.grey.width, s.grey.height, stride), 1);
  EXPECT_EQ(Symbols(reader_), alone);
  int w = 0;
  int h = 0;
  ASSERT_EQ(bcx_image_size(reader_, &w, &h), 1);
  EXPECT_EQ(w, s.grey.width);
  EXPECT_EQ(h, s.grey.height);
  EXPECT_EQ(bcx_image_page_count(reader_), 0);
}

TEST_F(ReaderTest, RegionCornersAreInImageCoordinates) {
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  const std::vector<Symbol> whole = Symbols(reader_);
  ASSERT_EQ(bcx_reader_set_region(reader_, 3, 2, s.grey.width - 2, s.grey.height - 3), 1);
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  EXPECT_EQ(Symbols(reader_), whole);
  // A region beyond the image fails that read only.
  ASSERT_EQ(bcx_reader_set_region(reader_, 0, 0, s.grey.width, 5), 1);
  EXPECT_LT(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            0);
  EXPECT_EQ(std::string(bcx_reader_error(reader_)),
            "region 0,0," + std::to_string(s.grey.width) + ",5 does not fit the " +
                std::to_string(s.grey.width) + "x" + std::to_string(s.grey.height) + " image");
  ASSERT_EQ(bcx_reader_set_region(reader_, -1, -1, -1, -1), 1);
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  EXPECT_EQ(Symbols(reader_), whole);
}

TEST_F(ReaderTest, TypeMaskSelectsSymbologies) {
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_reader_set_types(reader_, 0), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            0);
  EXPECT_STREQ(bcx_reader_error(reader_), "");
  ASSERT_EQ(bcx_reader_set_types(reader_, BCX_ALL_TYPES & ~(1u << 1)), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            0);
  ASSERT_EQ(bcx_reader_set_types(reader_, 1u << 1), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
}

TEST_F(ReaderTest, ResultAccessorsOutOfRange) {
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  EXPECT_EQ(bcx_result_type(reader_, 0), 1);
  const uint8_t* text = nullptr;
  EXPECT_EQ(bcx_result_text(reader_, 0, &text), 8u);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), 8), "Reader-1");
  EXPECT_EQ(bcx_result_text(reader_, 0, nullptr), 8u);
  for (int i : {-1, 1, 100, std::numeric_limits<int>::min()}) {
    EXPECT_EQ(bcx_result_type(reader_, i), -1) << i;
    text = reinterpret_cast<const uint8_t*>("x");
    EXPECT_EQ(bcx_result_text(reader_, i, &text), 0u) << i;
    EXPECT_EQ(text, nullptr);
    int32_t xy[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
    EXPECT_EQ(bcx_result_corners(reader_, i, xy), 0) << i;
    EXPECT_EQ(xy[0], -7);
  }
  EXPECT_EQ(bcx_result_corners(reader_, 0, nullptr), 0);
  int w = 0;
  EXPECT_EQ(bcx_image_size(reader_, &w, nullptr), 0);
  double load = -1;
  double scan = -1;
  ASSERT_EQ(bcx_read_timings(reader_, &load, &scan), 1);
  EXPECT_EQ(load, 0.0);  // grey pixels are not decoded
  EXPECT_GE(scan, 0.0);
  EXPECT_EQ(bcx_read_timings(reader_, nullptr, &scan), 0);
}

std::string WriteTemporary(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST_F(ReaderTest, FileAndMemoryReadTheSameAsGrey) {
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  const std::vector<Symbol> grey = Symbols(reader_);
  ASSERT_EQ(bcx_read_memory(reader_, s.scene.png.data(), s.scene.png.size(), 0), 1);
  EXPECT_EQ(Symbols(reader_), grey);
  EXPECT_EQ(bcx_image_page_count(reader_), 1);
  const std::string path = WriteTemporary("reader-file.png", s.scene.png);
  ASSERT_EQ(bcx_read_file(reader_, path.c_str(), 0), 1);
  EXPECT_EQ(Symbols(reader_), grey);
  EXPECT_EQ(bcx_image_page_count(reader_), 1);
  int w = 0;
  int h = 0;
  ASSERT_EQ(bcx_image_size(reader_, &w, &h), 1);
  EXPECT_EQ(w, s.grey.width);
  EXPECT_EQ(h, s.grey.height);
}

struct BadBytes {
  const char* name;
  std::vector<uint8_t> bytes;
  int page;
  const char* error;
};

std::vector<uint8_t> TruncatedPng() {
  Scene scene;
  RenderScene(Code128("cut"), 2, 30, 0.0, false, &scene);
  scene.png.resize(scene.png.size() / 2);
  return scene.png;
}

class BadMemoryInput : public ::testing::TestWithParam<BadBytes> {};

TEST_P(BadMemoryInput, FailsCleanlyAndTheReaderGoesOn) {
  bcx_reader* r = bcx_reader_new();
  ASSERT_NE(r, nullptr);
  const Sample s = Code128Sample();
  ASSERT_EQ(bcx_read_memory(r, s.scene.png.data(), s.scene.png.size(), 0), 1);
  const BadBytes& c = GetParam();
  // An exact-size heap copy, so that an overread is seen.
  std::vector<uint8_t> copy(c.bytes);
  EXPECT_LT(bcx_read_memory(r, copy.empty() ? nullptr : copy.data(), copy.size(), c.page), 0);
  EXPECT_STREQ(bcx_reader_error(r), c.error);
  EXPECT_EQ(bcx_result_count(r), 0);
  // The same bytes from a file fail the same way, apart from the message.
  if (!copy.empty()) {
    const std::string path = WriteTemporary(std::string("bad-") + c.name, copy);
    EXPECT_LT(bcx_read_file(r, path.c_str(), c.page), 0);
    EXPECT_NE(std::string(bcx_reader_error(r)), "");
  }
  ASSERT_EQ(bcx_read_memory(r, s.scene.png.data(), s.scene.png.size(), 0), 1);
  EXPECT_STREQ(bcx_reader_error(r), "");
  bcx_reader_free(r);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadMemoryInput,
    ::testing::Values(BadBytes{"Empty", {}, 0, "no image bytes"},
                      BadBytes{"Garbage",
                               {'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3},
                               0,
                               "the bytes are not a readable image"},
                      BadBytes{"PngSignatureOnly",
                               {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
                               0,
                               "the bytes are not a readable image"},
                      BadBytes{"TruncatedPng", TruncatedPng(), 0,
                               "the bytes are not a readable image"},
                      BadBytes{"TiffHeaderOnly",
                               {'I', 'I', 42, 0, 8, 0, 0, 0},
                               0,
                               "the bytes are not a readable image"},
                      BadBytes{"SinglePageAskedForPageOne", TruncatedPng(), 1,
                               "no page 1: the image has 1 page (from 0)"},
                      BadBytes{"NegativePage", {1, 2, 3}, -1, "page -1 is negative"}),
    [](const ::testing::TestParamInfo<BadBytes>& info) { return info.param.name; });

TEST_F(ReaderTest, MissingFileAndNullPath) {
  EXPECT_LT(bcx_read_file(reader_, "/no/such/folder/image.png", 0), 0);
  EXPECT_STREQ(bcx_reader_error(reader_),
               "cannot open /no/such/folder/image.png: No such file or directory");
  EXPECT_LT(bcx_read_file(reader_, nullptr, 0), 0);
  EXPECT_STREQ(bcx_reader_error(reader_), "no path");
  EXPECT_LT(bcx_read_file(reader_, ::testing::TempDir().c_str(), 0), 0);
  EXPECT_NE(std::string(bcx_reader_error(reader_)), "");
  EXPECT_EQ(bcx_image_page_count(reader_), 0);
}

TEST_F(ReaderTest, PagesOfAMultiPageTiff) {
  const std::string path = std::string(BCX_SAMPLES_DIR) + "/three-pages.tif";
  const char* const texts[] = {"590123412345", "BCX-39 SAMPLE", "1234567890"};
  for (int page = 0; page < 3; ++page) {
    ASSERT_EQ(bcx_read_file(reader_, path.c_str(), page), 1) << page;
    EXPECT_EQ(ResultText(reader_, 0), texts[page]);
    EXPECT_EQ(bcx_image_page_count(reader_), 3);
  }
  EXPECT_LT(bcx_read_file(reader_, path.c_str(), 3), 0);
  EXPECT_STREQ(bcx_reader_error(reader_), "no page 3: the image has 3 pages (from 0)");
  EXPECT_EQ(bcx_image_page_count(reader_), 3);
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  ASSERT_EQ(bcx_read_memory(reader_, bytes.data(), bytes.size(), 2), 1);
  EXPECT_EQ(ResultText(reader_, 0), texts[2]);
  EXPECT_LT(bcx_read_memory(reader_, bytes.data(), bytes.size(), 70000), 0);
  EXPECT_STREQ(bcx_reader_error(reader_), "no page 70000: the image has 3 pages (from 0)");
}

TEST_F(ReaderTest, ThresholdsAndLimitsApply) {
  const Sample s = Code128Sample();
  for (int level : {-2, -1, 60, 200}) {
    ASSERT_EQ(bcx_reader_set_threshold(reader_, level), 1);
    EXPECT_EQ(
        bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width), 1)
        << level;
  }
  // Pale bars (grey 150) are light at 128 and dark at 200 in exact mode;
  // thorough mode also reads them from their grey levels at any level.
  std::vector<uint8_t> pale = s.grey.pixels;
  for (uint8_t& v : pale) v = v < 128 ? 150 : v;
  ASSERT_EQ(bcx_reader_set_threshold(reader_, 128), 1);
  EXPECT_EQ(bcx_read_gray(reader_, pale.data(), s.grey.width, s.grey.height, s.grey.width), 1);
  ASSERT_EQ(bcx_reader_set_mode(reader_, BCX_MODE_EXACT), 1);
  EXPECT_EQ(bcx_read_gray(reader_, pale.data(), s.grey.width, s.grey.height, s.grey.width), 0);
  ASSERT_EQ(bcx_reader_set_threshold(reader_, 200), 1);
  EXPECT_EQ(bcx_read_gray(reader_, pale.data(), s.grey.width, s.grey.height, s.grey.width), 1);
  ASSERT_EQ(bcx_reader_set_threshold(reader_, 128), 1);
  ASSERT_EQ(bcx_reader_set_mode(reader_, BCX_MODE_THOROUGH), 1);
  // The centimetre limits apply in exact mode; thorough mode measures bars
  // in the image's own pixels.
  ASSERT_EQ(bcx_reader_set_limits(reader_, 10, 3.0, 8.0), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
  ASSERT_EQ(bcx_reader_set_mode(reader_, BCX_MODE_EXACT), 1);
  // Bars 40 pixels long are shorter than 3 cm at 96 pixels per inch.
  ASSERT_EQ(bcx_reader_set_limits(reader_, 10, 3.0, 8.0), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            0);
  // ... but not at 30 pixels per inch.
  ASSERT_EQ(bcx_reader_set_resolution(reader_, 30), 1);
  EXPECT_EQ(bcx_read_gray(reader_, s.grey.pixels.data(), s.grey.width, s.grey.height, s.grey.width),
            1);
}

}  // namespace
}  // namespace bcxtest
