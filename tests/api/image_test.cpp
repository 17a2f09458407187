#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "image/image_state.h"

namespace {

using bcx::g_library;

// A grey PNG of the given size, light with one dark block, encoded in memory.
std::vector<uint8_t> MakePng(int width, int height) {
  PIX* pix = pixCreate(width, height, 8);
  pixSetAllArbitrary(pix, 255);
  pixRasterop(pix, 10, 10, 4, 40, PIX_CLR, nullptr, 0, 0);
  l_uint8* data = nullptr;
  size_t size = 0;
  pixWriteMem(&data, &size, pix, IFF_PNG);
  pixDestroy(&pix);
  std::vector<uint8_t> bytes(data, data + size);
  lept_free(data);
  return bytes;
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BcxCleanUp();
    g_library.image = bcx::ImageState{};
    BcxInit();
    char pattern[] = "/tmp/bcx_image_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    BcxCleanUp();
    for (const std::string& f : files_) std::remove(f.c_str());
    rmdir(dir_.c_str());
  }

  // Writes bytes to a file whose whole path has exactly `length` characters.
  std::string WriteFileWithPathLength(const std::vector<uint8_t>& bytes, size_t length) {
    std::string path = dir_ + "/";
    const std::string suffix = ".png";
    path += std::string(length - path.size() - suffix.size(), 'a') + suffix;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    files_.push_back(path);
    return path;
  }

  void LoadPng(int width, int height) {
    const std::vector<uint8_t> png = MakePng(width, height);
    ASSERT_EQ(BcxLoadFromMem(png.data(), static_cast<uint32_t>(png.size()), BCX_IMG_PNG), 1);
  }

  std::string dir_;
  std::vector<std::string> files_;
};

TEST_F(ImageTest, PathOf149CharactersLoadsAndOf150IsRefused) {
  const std::vector<uint8_t> png = MakePng(64, 48);
  const std::string ok = WriteFileWithPathLength(png, 149);
  const std::string tooLong = WriteFileWithPathLength(MakePng(32, 24), 150);
  ASSERT_EQ(ok.size(), 149u);
  ASSERT_EQ(tooLong.size(), 150u);
  ASSERT_EQ(BcxLoadFromFile(ok.c_str(), BCX_IMG_PNG), 1);
  EXPECT_EQ(BcxLoadFromFile(tooLong.c_str(), BCX_IMG_TIFF), 0);
  // The refused call touched nothing: same type, same image.
  EXPECT_EQ(g_library.image.type, BCX_IMG_PNG);
  uint16_t w = 0, h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
}

TEST_F(ImageTest, UnreadableFilesAreRefused) {
  const std::string missing = dir_ + "/missing.png";
  EXPECT_EQ(BcxLoadFromFile(missing.c_str(), BCX_IMG_PNG), 0);
  EXPECT_EQ(BcxLoadFromFile(dir_.c_str(), BCX_IMG_DETECT), 0);
  EXPECT_EQ(BcxLoadFromFile(nullptr, BCX_IMG_PNG), 0);
  EXPECT_EQ(BcxLoadFromFile("", BCX_IMG_PNG), 0);
  uint16_t w = 7, h = 7;
  EXPECT_EQ(BcxGetImgSize(&w, &h), 0);
  EXPECT_EQ(w, 7);  // nothing written without an image
  EXPECT_EQ(BcxScan(), 0);
}

TEST_F(ImageTest, FailedLoadMakesThePreviousImageUnscannable) {
  LoadPng(64, 48);
  const uint8_t junk[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(BcxLoadFromMem(junk, sizeof junk, BCX_IMG_PNG), 0);
  uint16_t w = 0, h = 0;
  EXPECT_EQ(BcxGetImgSize(&w, &h), 0);
}

TEST_F(ImageTest, MemoryLoadOfLengthZeroKeepsThePreviousImage) {
  LoadPng(64, 48);
  const uint8_t byte = 0;
  EXPECT_EQ(BcxLoadFromMem(&byte, 0, BCX_IMG_PNG), 0);
  EXPECT_EQ(BcxLoadFromMem(nullptr, 10, BCX_IMG_PNG), 0);
  uint16_t w = 0, h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  EXPECT_EQ(w, 64);
  BcxScanType(BCX_CODE39, 1);
  EXPECT_EQ(BcxScan(), 0);  // scannable, nothing to read
}

TEST_F(ImageTest, MemoryCopyOutlivesTheHostBlock) {
  std::vector<uint8_t> png = MakePng(30, 20);
  ASSERT_EQ(BcxLoadFromMem(png.data(), static_cast<uint32_t>(png.size()), BCX_IMG_PNG), 1);
  png.assign(png.size(), 0);
  ASSERT_NE(g_library.image.memoryCopy, nullptr);
  EXPECT_EQ(g_library.image.memoryLength, png.size());
  EXPECT_EQ(g_library.image.memoryCopy[1], 'P');
}

TEST_F(ImageTest, SinglePageTypesReportOnePageAndRefusePaging) {
  EXPECT_EQ(BcxGetNumOfPages(), 1);  // before any load
  EXPECT_EQ(BcxSetPage(0), 0);
  LoadPng(20, 20);
  EXPECT_EQ(BcxGetNumOfPages(), 1);
  EXPECT_EQ(BcxSetPage(0), 0);
  // A wrong single-page code still loads: the content decides the format.
  const std::vector<uint8_t> png = MakePng(20, 20);
  EXPECT_EQ(BcxLoadFromMem(png.data(), static_cast<uint32_t>(png.size()), BCX_IMG_BMP), 1);
}

TEST_F(ImageTest, RegionRulesAt640x480) {
  LoadPng(640, 480);
  // The known size is 0 x 0 until the first BcxGetImgSize.
  EXPECT_EQ(BcxSetRegion(0, 0, 10, 10), 0);
  uint16_t w = 0, h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 480);
  struct Case {
    uint16_t left, top, right, bottom, result;
  } cases[] = {
      {0, 0, 639, 479, 1},         {0, 0, 640, 479, 0},    {0, 0, 639, 480, 0},
      {10, 0, 10, 479, 0},         {20, 0, 10, 479, 0},    {0, 5, 639, 5, 0},
      {0, 6, 639, 5, 0},           {100, 50, 299, 149, 1}, {638, 478, 639, 479, 1},
      {0xFFFF, 0, 0xFFFF, 479, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BcxSetRegion(c.left, c.top, c.right, c.bottom), c.result)
        << c.left << "," << c.top << "," << c.right << "," << c.bottom;
  }
  ASSERT_EQ(BcxSetRegion(100, 50, 299, 149), 1);
  EXPECT_EQ(g_library.image.regionLeft, 100);
  EXPECT_EQ(g_library.image.regionTop, 50);
  EXPECT_EQ(g_library.image.regionWidth, 200);
  EXPECT_EQ(g_library.image.regionHeight, 100);
  // A refused region changes nothing.
  EXPECT_EQ(BcxSetRegion(0, 0, 640, 479), 0);
  EXPECT_EQ(g_library.image.regionWidth, 200);
  // Sizing again widens the region to the whole image.
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  EXPECT_EQ(g_library.image.regionLeft, 0);
  EXPECT_EQ(g_library.image.regionTop, 0);
  EXPECT_EQ(g_library.image.regionWidth, 640);
  EXPECT_EQ(g_library.image.regionHeight, 480);
}

TEST_F(ImageTest, ScanNeedsARegionSizedForTheCurrentImage) {
  BcxScanType(BCX_CODE128, 1);
  LoadPng(64, 48);
  EXPECT_EQ(BcxScan(), 0);  // never sized
  uint16_t w = 0, h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  ASSERT_EQ(BcxSetRegion(5, 5, 40, 40), 1);
  // A larger image loaded without sizing must not be scanned with the old
  // region.
  LoadPng(2000, 1000);
  EXPECT_EQ(g_library.image.regionCurrent, 0);
  EXPECT_EQ(BcxScan(), 0);
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  EXPECT_EQ(BcxScan(), 0);  // sized: runs, finds nothing
}

TEST_F(ImageTest, CleanUpReleasesTheMemoryCopy) {
  LoadPng(20, 20);
  ASSERT_NE(g_library.image.memoryCopy, nullptr);
  EXPECT_EQ(BcxCleanUp(), 1);
  EXPECT_EQ(g_library.image.memoryCopy, nullptr);
  LoadPng(20, 20);
  EXPECT_EQ(BcxInit(), 1);  // forgets the copy without leaking it
  EXPECT_EQ(g_library.image.memoryCopy, nullptr);
  EXPECT_EQ(g_library.image.loaded, 0);
}

TEST_F(ImageTest, RandomBytesAreRefused) {
  std::srand(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> bytes(1 + std::rand() % 400);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(std::rand());
    for (uint16_t type = 0; type <= 7; ++type) {
      EXPECT_EQ(BcxLoadFromMem(bytes.data(), static_cast<uint32_t>(bytes.size()), type), 0);
    }
  }
  // Truncated PNGs of every length.
  const std::vector<uint8_t> png = MakePng(40, 30);
  for (size_t n = 1; n < png.size(); n += 7) {
    EXPECT_EQ(BcxLoadFromMem(png.data(), static_cast<uint32_t>(n), BCX_IMG_PNG), 0) << n;
  }
}

}  // namespace
