// Multi-page TIFF and multi-frame GIF: counting, selecting and compositing.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

constexpr uint16_t kTypePng = 3;
constexpr uint16_t kTypeTiff = 2;
constexpr uint16_t kTypeGif = 6;

struct PageSize {
  int width;
  int height;
};
constexpr PageSize kTiffPages[] = {{40, 30}, {60, 20}, {20, 50}};
constexpr int kTiffPageCount = 3;

void ExpectCurrentSize(int width, int height) {
  int32_t w = 0;
  int32_t h = 0;
  ASSERT_EQ(GetSize(&w, &h), 1);
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
}

class TiffPagesTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
    path_ = dir_.File("pages.tif");
    for (int page = 0; page < kTiffPageCount; ++page) {
      PIX* pix = MakePattern(page == 1 ? Pixels::kBit1 : Pixels::kGrey8, kTiffPages[page].width,
                             kTiffPages[page].height);
      const int compression = page == 1 ? IFF_TIFF_G4 : IFF_TIFF_ZIP;
      ASSERT_EQ(pixWriteTiff(path_.c_str(), pix, compression, page == 0 ? "w" : "a"), 0);
      pixDestroy(&pix);
    }
    bytes_ = ReadBytes(path_);
    ASSERT_FALSE(bytes_.empty());
  }
  void TearDown() override { ReleaseImage(); }

  uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }

  TempDir dir_;
  std::string path_;
  Bytes bytes_;
};

TEST_F(TiffPagesTest, CountsPagesFromFileAndMemory) {
  EXPECT_EQ(CountFilePages(path_.c_str(), kTypeTiff), kTiffPageCount);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), Length(), kTypeTiff), kTiffPageCount);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), Length(), kTypeGif), kTiffPageCount);
}

TEST_F(TiffPagesTest, SinglePageTypesCountOne) {
  EXPECT_EQ(CountFilePages(path_.c_str(), kTypePng), 1);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), Length(), 0), 1);
}

TEST_F(TiffPagesTest, LoadMakesPageZeroCurrent) {
  ASSERT_EQ(LoadFile(path_.c_str(), kTypeTiff), 1);
  ExpectCurrentSize(kTiffPages[0].width, kTiffPages[0].height);
  ASSERT_EQ(SelectFilePage(2), 1);
  ASSERT_EQ(LoadMemory(bytes_.data(), Length(), kTypeTiff), 1);
  ExpectCurrentSize(kTiffPages[0].width, kTiffPages[0].height);
}

TEST_F(TiffPagesTest, SelectsEveryFilePage) {
  ASSERT_EQ(CountFilePages(path_.c_str(), kTypeTiff), kTiffPageCount);
  for (int page = 0; page < kTiffPageCount; ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(SelectFilePage(static_cast<uint16_t>(page)), 1);
    const PageSize size = kTiffPages[page];
    ExpectCurrentSize(size.width, size.height);
    EXPECT_EQ(PatternMismatches(Binarised(size.width, size.height), size.width, size.height), 0);
  }
  EXPECT_EQ(SelectFilePage(kTiffPageCount), 0);
  EXPECT_EQ(SelectFilePage(UINT16_MAX), 0);
}

TEST_F(TiffPagesTest, SelectsEveryMemoryPage) {
  for (int page = 0; page < kTiffPageCount; ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypeTiff, static_cast<uint16_t>(page)), 1);
    const PageSize size = kTiffPages[page];
    ExpectCurrentSize(size.width, size.height);
    EXPECT_EQ(PatternMismatches(Binarised(size.width, size.height), size.width, size.height), 0);
  }
  EXPECT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypeTiff, kTiffPageCount), 0);
}

TEST_F(TiffPagesTest, SinglePageTypeOffersOnlyPageZero) {
  EXPECT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypePng, 0), 1);
  EXPECT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypePng, 1), 0);
  ASSERT_EQ(LoadFile(path_.c_str(), kTypePng), 1);
  EXPECT_EQ(SelectFilePage(1), 0);
}

TEST_F(TiffPagesTest, SelectionResetsTheRegion) {
  ASSERT_EQ(LoadFile(path_.c_str(), kTypeTiff), 1);
  SetRegion(2, 2, 9, 9);
  ASSERT_EQ(SelectFilePage(1), 1);
  EXPECT_FALSE(Binarised(kTiffPages[1].width, kTiffPages[1].height).empty());
}

TEST(PagesTest, SelectFilePageWithoutPathFails) {
  ReleaseImage();
  EXPECT_EQ(SelectFilePage(0), 0);
}

TEST(PagesTest, SelectFilePageFollowsTheLastCountedPath) {
  TempDir dir;
  const std::string png = dir.File("one.png");
  ASSERT_TRUE(WriteBytes(png, EncodePattern(Pixels::kGrey8, IFF_PNG)));
  ASSERT_EQ(CountFilePages(png.c_str(), kTypeTiff), 1);
  ASSERT_EQ(SelectFilePage(0), 1);
  ExpectCurrentSize(kPatternWidth, kPatternHeight);
  EXPECT_EQ(SelectFilePage(1), 0);
  ReleaseImage();
}

// Frames over a 32 x 24 screen of white:
//  0: a black square at (0,0), kept;
//  1: an 8 x 8 black square at (16,8) whose left half is transparent,
//     disposed of to the background;
//  2: an interlaced 8 x 8 frame at (0,16) with black even rows.
constexpr int kScreenWidth = 32;
constexpr int kScreenHeight = 24;
constexpr uint8_t kBlack = 0;
constexpr uint8_t kWhiteIndex = 1;
constexpr uint8_t kClear = 2;

std::vector<GifFrame> GifFrames() {
  GifFrame first = {0, 0, kScreenWidth, kScreenHeight, DISPOSE_DO_NOT, -1, false, {}};
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      first.indices.push_back(x < 8 && y < 8 ? kBlack : kWhiteIndex);
    }
  }
  GifFrame second = {16, 8, 8, 8, DISPOSE_BACKGROUND, kClear, false, {}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) second.indices.push_back(x < 4 ? kClear : kBlack);
  }
  GifFrame third = {0, 16, 8, 8, DISPOSAL_UNSPECIFIED, -1, true, {}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) third.indices.push_back(y % 2 == 0 ? kBlack : kWhiteIndex);
  }
  return {first, second, third};
}

bool FrameDark(int frame, int x, int y) {
  if (x < 8 && y < 8) return true;
  if (frame == 1 && x >= 20 && x < 24 && y >= 8 && y < 16) return true;
  if (frame == 2 && x < 8 && y >= 16 && y % 2 == 0) return true;
  return false;
}

int FrameMismatches(int frame) {
  const Bytes binary = Binarised(kScreenWidth, kScreenHeight);
  if (binary.empty()) return kScreenWidth * kScreenHeight;
  int mismatches = 0;
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      if (binary[y * kScreenWidth + x] != (FrameDark(frame, x, y) ? 1 : 0)) ++mismatches;
    }
  }
  return mismatches;
}

class GifFramesTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseImage();
    ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
    bytes_ = EncodeGif(kScreenWidth, kScreenHeight, GifFrames());
    ASSERT_FALSE(bytes_.empty());
    path_ = dir_.File("frames.gif");
    ASSERT_TRUE(WriteBytes(path_, bytes_));
  }
  void TearDown() override { ReleaseImage(); }
  uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }

  TempDir dir_;
  std::string path_;
  Bytes bytes_;
};

TEST_F(GifFramesTest, CountsFramesFromFileAndMemory) {
  EXPECT_EQ(CountFilePages(path_.c_str(), kTypeGif), 3);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), Length(), kTypeGif), 3);
  EXPECT_EQ(CountMemoryPages(bytes_.data(), Length(), kTypePng), 1);
}

TEST_F(GifFramesTest, LoadShowsTheFirstFrame) {
  ASSERT_EQ(LoadFile(path_.c_str(), kTypeGif), 1);
  ExpectCurrentSize(kScreenWidth, kScreenHeight);
  EXPECT_EQ(FrameMismatches(0), 0);
  ASSERT_EQ(LoadMemory(bytes_.data(), Length(), 0), 1);
  EXPECT_EQ(FrameMismatches(0), 0);
}

TEST_F(GifFramesTest, ComposesEachFileFrame) {
  ASSERT_EQ(CountFilePages(path_.c_str(), kTypeGif), 3);
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    ASSERT_EQ(SelectFilePage(static_cast<uint16_t>(frame)), 1);
    ExpectCurrentSize(kScreenWidth, kScreenHeight);
    EXPECT_EQ(FrameMismatches(frame), 0);
  }
  EXPECT_EQ(SelectFilePage(3), 0);
}

TEST_F(GifFramesTest, ComposesEachMemoryFrame) {
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    ASSERT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypeGif, static_cast<uint16_t>(frame)), 1);
    EXPECT_EQ(FrameMismatches(frame), 0);
  }
  EXPECT_EQ(SelectMemoryPage(bytes_.data(), Length(), kTypeGif, 3), 0);
}

TEST(GifDisposalTest, RestoresThePreviousCanvas) {
  // Frame 1 is drawn over frame 0 and disposed of as "previous", so frame 2
  // sees frame 0 again.
  GifFrame base = {0, 0, 8, 8, DISPOSE_DO_NOT, -1, false, std::vector<uint8_t>(64, kWhiteIndex)};
  GifFrame cover = {0, 0, 8, 8, DISPOSE_PREVIOUS, -1, false, std::vector<uint8_t>(64, kBlack)};
  GifFrame dot = {0, 0, 1, 1, DISPOSE_DO_NOT, -1, false, {kBlack}};
  const Bytes gif = EncodeGif(8, 8, {base, cover, dot});
  ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  ASSERT_EQ(SelectMemoryPage(gif.data(), static_cast<uint32_t>(gif.size()), kTypeGif, 1), 1);
  const Bytes covered = Binarised(8, 8);
  EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), 64);
  ASSERT_EQ(SelectMemoryPage(gif.data(), static_cast<uint32_t>(gif.size()), kTypeGif, 2), 1);
  const Bytes restored = Binarised(8, 8);
  EXPECT_EQ(std::count(restored.begin(), restored.end(), 1), 1);
  ReleaseImage();
}

}  // namespace
}  // namespace rastra_test
