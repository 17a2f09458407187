#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "image/image_state.h"

namespace {

using bcx::g_library;

constexpr int kPageWidths[] = {120, 90, 60};
constexpr int kPageHeight = 40;

// A TIFF of three pages of different widths, in memory.
std::vector<uint8_t> MakeThreePageTiff(const std::string& path) {
  for (int page = 0; page < 3; ++page) {
    PIX* pix = pixCreate(kPageWidths[page], kPageHeight, 1);
    pixSetPixel(pix, page, 0, 1);
    pixWriteTiff(path.c_str(), pix, IFF_TIFF_G4, page == 0 ? "w" : "a");
    pixDestroy(&pix);
  }
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BcxCleanUp();
    g_library.image = bcx::ImageState{};
    BcxInit();
    path_ = "/tmp/bcx_pages_" + std::to_string(getpid()) + ".tif";
    tiff_ = MakeThreePageTiff(path_);
  }
  void TearDown() override {
    BcxCleanUp();
    std::remove(path_.c_str());
  }

  uint16_t Width() {
    uint16_t w = 0, h = 0;
    return BcxGetImgSize(&w, &h) ? w : 0;
  }

  std::string path_;
  std::vector<uint8_t> tiff_;
};

TEST_F(PagesTest, FilePagesAreCountedAndSelected) {
  ASSERT_EQ(BcxLoadFromFile(path_.c_str(), BCX_IMG_TIFF), 1);
  EXPECT_EQ(BcxGetNumOfPages(), 3);
  EXPECT_EQ(Width(), kPageWidths[0]);  // page 0 current without BcxSetPage
  EXPECT_EQ(BcxSetPage(2), 1);
  EXPECT_EQ(Width(), kPageWidths[2]);
  EXPECT_EQ(BcxSetPage(3), 0);
  EXPECT_EQ(BcxSetPage(1), 1);
  EXPECT_EQ(Width(), kPageWidths[1]);
}

TEST_F(PagesTest, MemoryPagesAreCountedAndSelected) {
  ASSERT_EQ(BcxLoadFromMem(tiff_.data(), static_cast<uint32_t>(tiff_.size()), BCX_IMG_TIFF), 1);
  EXPECT_EQ(BcxGetNumOfPages(), 3);
  EXPECT_EQ(Width(), kPageWidths[0]);
  // The library's own copy serves the page change.
  tiff_.assign(tiff_.size(), 0);
  EXPECT_EQ(BcxSetPage(2), 1);
  EXPECT_EQ(Width(), kPageWidths[2]);
  EXPECT_EQ(BcxSetPage(3), 0);
}

TEST_F(PagesTest, MemoryLoadOfTypeZeroKeepsThePreviousType) {
  ASSERT_EQ(BcxLoadFromMem(tiff_.data(), static_cast<uint32_t>(tiff_.size()), BCX_IMG_TIFF), 1);
  ASSERT_EQ(BcxLoadFromMem(tiff_.data(), static_cast<uint32_t>(tiff_.size()), 0), 1);
  EXPECT_EQ(g_library.image.type, BCX_IMG_TIFF);
  EXPECT_EQ(BcxGetNumOfPages(), 3);
  EXPECT_EQ(BcxSetPage(1), 1);
}

TEST_F(PagesTest, SinglePageTypeOnATiffReadsOnePage) {
  ASSERT_EQ(BcxLoadFromFile(path_.c_str(), BCX_IMG_PNG), 1);
  EXPECT_EQ(BcxGetNumOfPages(), 1);
  EXPECT_EQ(BcxSetPage(1), 0);
  EXPECT_EQ(Width(), kPageWidths[0]);
}

TEST_F(PagesTest, MultiPageCountIsZeroWithoutAnImage) {
  const uint8_t junk[] = {'I', 'I', 42, 0, 9, 9, 9, 9};
  EXPECT_EQ(BcxLoadFromMem(junk, sizeof junk, BCX_IMG_TIFF), 0);
  EXPECT_EQ(BcxGetNumOfPages(), 0);
  EXPECT_EQ(BcxSetPage(0), 0);
}

TEST_F(PagesTest, FailedPageSelectionMakesTheImageUnscannable) {
  ASSERT_EQ(BcxLoadFromFile(path_.c_str(), BCX_IMG_TIFF), 1);
  ASSERT_EQ(Width(), kPageWidths[0]);
  std::remove(path_.c_str());  // the next page can no longer be read
  EXPECT_EQ(BcxSetPage(1), 0);
  EXPECT_EQ(Width(), 0);
  EXPECT_EQ(BcxScan(), 0);
}

}  // namespace
