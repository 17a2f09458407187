// Every format from memory and from file, at every depth its encoder
// writes, binarised against the checkerboard it was made from.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

struct FormatCase {
  const char* name;
  int format;
  uint16_t type;
  Pixels pixels;
};

constexpr uint16_t kTypeDetect = 0;
constexpr uint16_t kTypeBmp = 1;
constexpr uint16_t kTypeTiff = 2;
constexpr uint16_t kTypePng = 3;
constexpr uint16_t kTypeJpeg = 4;
constexpr uint16_t kTypePnm = 5;
constexpr uint16_t kTypeGif = 6;
constexpr uint16_t kTypeWebp = 7;

const FormatCase kFormatCases[] = {
    {"png", IFF_PNG, kTypePng, Pixels::kBit1},
    {"png", IFF_PNG, kTypePng, Pixels::kBit2},
    {"png", IFF_PNG, kTypePng, Pixels::kBit4},
    {"png", IFF_PNG, kTypePng, Pixels::kGrey8},
    {"png", IFF_PNG, kTypePng, Pixels::kGrey16},
    {"png", IFF_PNG, kTypePng, Pixels::kColormap},
    {"png", IFF_PNG, kTypePng, Pixels::kRgb},
    {"png", IFF_PNG, kTypePng, Pixels::kRgba},
    {"bmp", IFF_BMP, kTypeBmp, Pixels::kBit1},
    {"bmp", IFF_BMP, kTypeBmp, Pixels::kGrey8},
    {"bmp", IFF_BMP, kTypeBmp, Pixels::kColormap},
    {"bmp", IFF_BMP, kTypeBmp, Pixels::kRgb},
    {"tiff", IFF_TIFF_G4, kTypeTiff, Pixels::kBit1},
    {"tiff", IFF_TIFF_ZIP, kTypeTiff, Pixels::kGrey8},
    {"tiff", IFF_TIFF_ZIP, kTypeTiff, Pixels::kGrey16},
    {"tiff", IFF_TIFF_LZW, kTypeTiff, Pixels::kColormap},
    {"tiff", IFF_TIFF_ZIP, kTypeTiff, Pixels::kRgb},
    {"tiff", IFF_TIFF_ZIP, kTypeTiff, Pixels::kRgba},
    {"pnm", IFF_PNM, kTypePnm, Pixels::kBit1},
    {"pnm", IFF_PNM, kTypePnm, Pixels::kGrey8},
    {"pnm", IFF_PNM, kTypePnm, Pixels::kGrey16},
    {"pnm", IFF_PNM, kTypePnm, Pixels::kRgb},
    {"jpeg", IFF_JFIF_JPEG, kTypeJpeg, Pixels::kGrey8},
    {"jpeg", IFF_JFIF_JPEG, kTypeJpeg, Pixels::kRgb},
    {"gif", IFF_GIF, kTypeGif, Pixels::kBit1},
    {"gif", IFF_GIF, kTypeGif, Pixels::kGrey8},
    {"gif", IFF_GIF, kTypeGif, Pixels::kColormap},
    {"webp", IFF_WEBP, kTypeWebp, Pixels::kGrey8},
    {"webp", IFF_WEBP, kTypeWebp, Pixels::kRgb},
    {"webp", IFF_WEBP, kTypeWebp, Pixels::kRgba},
};

class FormatTest : public testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
    bytes_ = EncodePattern(GetParam().pixels, GetParam().format);
    ASSERT_FALSE(bytes_.empty());
  }
  void TearDown() override { ReleaseImage(); }

  void ExpectPattern() {
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_EQ(GetSize(&width, &height), 1);
    EXPECT_EQ(width, kPatternWidth);
    EXPECT_EQ(height, kPatternHeight);
    EXPECT_EQ(PatternMismatches(Binarised(width, height), width, height), 0);
  }

  Bytes bytes_;
};

TEST_P(FormatTest, LoadsFromMemory) {
  ASSERT_EQ(LoadMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), GetParam().type), 1);
  ExpectPattern();
}

TEST_P(FormatTest, LoadsFromMemoryWithDetection) {
  ASSERT_EQ(LoadMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), kTypeDetect), 1);
  ExpectPattern();
}

TEST_P(FormatTest, LoadsFromFile) {
  TempDir dir;
  const std::string path = dir.File("image");
  ASSERT_TRUE(WriteBytes(path, bytes_));
  ASSERT_EQ(LoadFile(path.c_str(), GetParam().type), 1);
  ExpectPattern();
}

TEST_P(FormatTest, CountsOnePageFromFileAndMemory) {
  TempDir dir;
  const std::string path = dir.File("image");
  ASSERT_TRUE(WriteBytes(path, bytes_));
  EXPECT_EQ(CountFilePages(path.c_str(), GetParam().type), 1);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), static_cast<uint32_t>(bytes_.size()), GetParam().type),
            1);
}

// The type code only chooses the multi-page path; the content decides the format.
TEST_P(FormatTest, LoadsUnderEveryTypeCode) {
  for (uint16_t type = kTypeDetect; type <= kTypeWebp; ++type) {
    SCOPED_TRACE(type);
    ReleaseImage();
    ASSERT_EQ(LoadMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), type), 1);
    ExpectPattern();
  }
}

std::string CaseName(const testing::TestParamInfo<FormatCase>& info) {
  return std::string(info.param.name) + "_" + PixelsName(info.param.pixels);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, testing::ValuesIn(kFormatCases), CaseName);

TEST(LoadTest, NoImageBeforeLoadAndAfterRelease) {
  ReleaseImage();
  int32_t width = -1;
  int32_t height = -1;
  EXPECT_EQ(GetSize(&width, &height), 0);
  EXPECT_EQ(width, -1);
  uint8_t pixel = 7;
  EXPECT_EQ(GetBinaryPixels(&pixel, 1, 1), 0);
  EXPECT_EQ(pixel, 7);
}

TEST(LoadTest, FailedLoadForgetsThePreviousImage) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  ASSERT_EQ(LoadMemory(png.data(), static_cast<uint32_t>(png.size()), 0), 1);
  const uint8_t junk[16] = {1, 2, 3};
  EXPECT_EQ(LoadMemory(junk, sizeof junk, 0), 0);
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(GetSize(&width, &height), 0);
}

TEST(LoadTest, OddSizesAndSinglePixels) {
  struct Size {
    int width;
    int height;
  };
  constexpr Size kSizes[] = {{1, 1}, {1, 33}, {33, 1}, {65, 3}};
  for (const Size& size : kSizes) {
    PIX* pix = MakePattern(Pixels::kGrey8, size.width, size.height);
    const Bytes png = Encode(pix, IFF_PNG);
    pixDestroy(&pix);
    ASSERT_EQ(LoadMemory(png.data(), static_cast<uint32_t>(png.size()), 0), 1);
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_EQ(GetSize(&width, &height), 1);
    EXPECT_EQ(width, size.width);
    EXPECT_EQ(height, size.height);
    EXPECT_EQ(PatternMismatches(Binarised(width, height), width, height), 0);
  }
  ReleaseImage();
}

}  // namespace
}  // namespace rastra_test

namespace rastra_test {
namespace {

// Counting decodes page 0 and keeps it for the load that follows; the kept
// image must never stand in for another block.
class CountThenLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
    PIX* wide = MakePattern(Pixels::kGrey8, 64, 16);
    first_ = Encode(wide, IFF_PNG);
    pixDestroy(&wide);
    second_ = EncodePattern(Pixels::kGrey8, IFF_PNG);
  }
  void TearDown() override { ReleaseImage(); }

  static void ExpectSize(int width, int height) {
    int32_t w = 0;
    int32_t h = 0;
    ASSERT_EQ(GetSize(&w, &h), 1);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(PatternMismatches(Binarised(w, h), w, h), 0);
  }

  Bytes first_;
  Bytes second_;
};

TEST_F(CountThenLoadTest, LoadAfterCountOfTheSameBlock) {
  ASSERT_EQ(CountMemoryPages(first_.data(), static_cast<uint32_t>(first_.size()), 0), 1);
  ASSERT_EQ(LoadMemory(first_.data(), static_cast<uint32_t>(first_.size()), 0), 1);
  ExpectSize(64, 16);
  EXPECT_EQ(CountMemoryPages(first_.data(), static_cast<uint32_t>(first_.size()), 0), 1);
  ExpectSize(64, 16);
}

TEST_F(CountThenLoadTest, LoadAfterCountOfAnotherBlock) {
  ASSERT_EQ(CountMemoryPages(first_.data(), static_cast<uint32_t>(first_.size()), 0), 1);
  ASSERT_EQ(LoadMemory(second_.data(), static_cast<uint32_t>(second_.size()), 0), 1);
  ExpectSize(kPatternWidth, kPatternHeight);
}

TEST_F(CountThenLoadTest, FileRewrittenBetweenCountAndLoad) {
  TempDir dir;
  const std::string path = dir.File("image.png");
  ASSERT_TRUE(WriteBytes(path, first_));
  ASSERT_EQ(CountFilePages(path.c_str(), 0), 1);
  ASSERT_TRUE(WriteBytes(path, second_));
  ASSERT_EQ(LoadFile(path.c_str(), 0), 1);
  ExpectSize(kPatternWidth, kPatternHeight);
}

TEST_F(CountThenLoadTest, CountLeavesTheCurrentImageAlone) {
  ASSERT_EQ(LoadMemory(first_.data(), static_cast<uint32_t>(first_.size()), 0), 1);
  ASSERT_EQ(CountMemoryPages(second_.data(), static_cast<uint32_t>(second_.size()), 0), 1);
  ExpectSize(64, 16);
}

}  // namespace
}  // namespace rastra_test
