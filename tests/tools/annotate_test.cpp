#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bcxscan_annotate.h"
#include "bcxscan_options.h"

namespace bcxscan {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF00;  // Leptonica's RGBA word for white

TEST(PicturePlannerTest, OneInputWritesOutThenPageSuffixes) {
  PicturePlanner planner;
  StartPlanner(&planner, "dir/out.png", false);
  EXPECT_EQ(NextPicturePath(&planner, "scan.tif", 0, true), "dir/out.png");
  EXPECT_EQ(NextPicturePath(&planner, "scan.tif", 1, true), "dir/out-p1.png");
  EXPECT_EQ(NextPicturePath(&planner, "scan.tif", 2, true), "dir/out-p2.png");
}

TEST(PicturePlannerTest, OutWithoutExtensionGetsPng) {
  PicturePlanner planner;
  StartPlanner(&planner, "picture", false);
  EXPECT_EQ(NextPicturePath(&planner, "a.tif", 3, true), "picture");
  EXPECT_EQ(NextPicturePath(&planner, "a.tif", 4, true), "picture-p4.png");
}

TEST(PicturePlannerTest, FolderGetsOnePicturePerInputPage) {
  PicturePlanner planner;
  StartPlanner(&planner, "demo", true);
  EXPECT_EQ(NextPicturePath(&planner, "samples/ean13.png", 0, false), "demo/ean13.png");
  EXPECT_EQ(NextPicturePath(&planner, "samples/pages.tif", 0, true), "demo/pages-p0.png");
  EXPECT_EQ(NextPicturePath(&planner, "samples/pages.tif", 1, true), "demo/pages-p1.png");
  EXPECT_EQ(NextPicturePath(&planner, "-", 0, false), "demo/stdin.png");
  EXPECT_EQ(NextPicturePath(&planner, "noext", 0, false), "demo/noext.png");
}

TEST(PicturePlannerTest, SameNamesDoNotOverwriteEachOther) {
  PicturePlanner planner;
  StartPlanner(&planner, "demo/", true);
  EXPECT_EQ(NextPicturePath(&planner, "a/x.png", 0, false), "demo/x.png");
  EXPECT_EQ(NextPicturePath(&planner, "b/x.png", 0, false), "demo/x-2.png");
  EXPECT_EQ(NextPicturePath(&planner, "c/x.jpg", 0, false), "demo/x-3.png");
}

Symbol Outline(int type, Corner a, Corner b, Corner c, Corner d) {
  Symbol symbol = {};
  symbol.type = type;
  symbol.corners[0] = a;
  symbol.corners[1] = b;
  symbol.corners[2] = c;
  symbol.corners[3] = d;
  return symbol;
}

uint32_t PixelAt(PIX* pix, int x, int y) {
  l_uint32 value = 0;
  pixGetPixel(pix, x, y, &value);
  return value & 0xFFFFFF00;
}

TEST(DrawSymbolsTest, DrawsTheOutlineAndLeavesTheRest) {
  PIX* pix = pixCreate(200, 120, 32);
  pixSetAll(pix);
  const std::vector<Symbol> symbols = {Outline(kEan13, {40, 40}, {40, 100}, {160, 100}, {160, 40})};
  ASSERT_TRUE(DrawSymbols(pix, symbols));
  EXPECT_NE(PixelAt(pix, 40, 70), kWhite);    // left edge
  EXPECT_NE(PixelAt(pix, 100, 100), kWhite);  // bottom edge
  EXPECT_NE(PixelAt(pix, 160, 70), kWhite);   // right edge
  EXPECT_EQ(PixelAt(pix, 100, 70), kWhite);   // inside
  EXPECT_EQ(PixelAt(pix, 190, 115), kWhite);  // far corner
  // The label sits just above the outline.
  bool labelled = false;
  for (int y = 20; y < 38 && !labelled; ++y) {
    for (int x = 40; x < 120 && !labelled; ++x) labelled = PixelAt(pix, x, y) != kWhite;
  }
  EXPECT_TRUE(labelled);
  pixDestroy(&pix);
}

TEST(DrawSymbolsTest, OutlinesPartlyOutsideThePictureAreClipped) {
  PIX* pix = pixCreate(50, 50, 32);
  pixSetAll(pix);
  const std::vector<Symbol> symbols = {
      Outline(99, {-20, -20}, {65535, 0}, {65535, 65535}, {0, 65535})};
  EXPECT_TRUE(DrawSymbols(pix, symbols));
  pixDestroy(&pix);
}

TEST(DrawSymbolsTest, RefusesAnythingButTrueColour) {
  PIX* grey = pixCreate(20, 20, 8);
  EXPECT_FALSE(DrawSymbols(grey, {}));
  EXPECT_FALSE(DrawSymbols(nullptr, {}));
  pixDestroy(&grey);
}

class WritePictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/bcxscan-annotate-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string dir_;
};

TEST_F(WritePictureTest, FromMemoryWritesAPngThatShowsTheOutline) {
  PIX* grey = pixCreate(120, 80, 8);
  pixSetAll(grey);
  l_uint8* png = nullptr;
  size_t size = 0;
  ASSERT_EQ(pixWriteMemPng(&png, &size, grey, 0.0f), 0);
  pixDestroy(&grey);
  const ImageSource source = {nullptr, png, size};
  const std::string out = dir_ + "/out.png";
  std::string error;
  ASSERT_TRUE(WriteAnnotatedPicture(
      source, 0, {Outline(kCode39, {10, 10}, {10, 70}, {110, 70}, {110, 10})}, out, &error))
      << error;
  lept_free(png);
  PIX* written = pixRead(out.c_str());
  ASSERT_NE(written, nullptr);
  l_int32 format = 0;
  findFileFormat(out.c_str(), &format);
  EXPECT_EQ(format, IFF_PNG);
  EXPECT_EQ(pixGetWidth(written), 120);
  EXPECT_EQ(pixGetHeight(written), 80);
  PIX* rgb = pixConvertTo32(written);
  EXPECT_NE(PixelAt(rgb, 10, 40), kWhite);
  EXPECT_EQ(PixelAt(rgb, 60, 40), kWhite);
  pixDestroy(&rgb);
  pixDestroy(&written);
}

// The pictures of a TIFF's pages differ in size, so each output shows which
// page was drawn on.
TEST_F(WritePictureTest, TiffPagesAreFoundByTheirContent) {
  const std::string tiff = dir_ + "/pages.tif";
  const int widths[] = {60, 90, 130};
  for (int page = 0; page < 3; ++page) {
    PIX* grey = pixCreate(widths[page], 40, 8);
    pixSetAll(grey);
    ASSERT_EQ(pixWriteTiff(tiff.c_str(), grey, IFF_TIFF_ZIP, page == 0 ? "w" : "a"), 0);
    pixDestroy(&grey);
  }
  size_t size = 0;
  l_uint8* bytes = l_binaryRead(tiff.c_str(), &size);
  ASSERT_NE(bytes, nullptr);
  const ImageSource fromPath = {tiff.c_str(), nullptr, 0};
  const ImageSource fromMemory = {nullptr, bytes, size};
  for (const ImageSource& source : {fromPath, fromMemory}) {
    for (int page = 0; page < 3; ++page) {
      const std::string out = dir_ + "/page.png";
      std::string error;
      ASSERT_TRUE(WriteAnnotatedPicture(source, page, {}, out, &error)) << error;
      PIX* written = pixRead(out.c_str());
      ASSERT_NE(written, nullptr);
      EXPECT_EQ(pixGetWidth(written), widths[page]) << page;
      pixDestroy(&written);
    }
  }
  lept_free(bytes);
}

TEST_F(WritePictureTest, UnreadableSourceIsReported) {
  const uint8_t junk[] = {1, 2, 3, 4, 5};
  const ImageSource source = {nullptr, junk, sizeof(junk)};
  std::string error;
  EXPECT_FALSE(WriteAnnotatedPicture(source, 0, {}, dir_ + "/out.png", &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
  const ImageSource missing = {"/nonexistent/x.png", nullptr, 0};
  EXPECT_FALSE(WriteAnnotatedPicture(missing, 0, {}, dir_ + "/out.png", &error));
  const ImageSource tooShort = {nullptr, junk, 3};
  EXPECT_FALSE(WriteAnnotatedPicture(tooShort, 0, {}, dir_ + "/out.png", &error));
}

TEST_F(WritePictureTest, UnwritablePathIsReported) {
  PIX* grey = pixCreate(10, 10, 8);
  l_uint8* png = nullptr;
  size_t size = 0;
  ASSERT_EQ(pixWriteMemPng(&png, &size, grey, 0.0f), 0);
  pixDestroy(&grey);
  const ImageSource source = {nullptr, png, size};
  std::string error;
  EXPECT_FALSE(WriteAnnotatedPicture(source, 0, {}, dir_ + "/no/such/dir/out.png", &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  lept_free(png);
}

}  // namespace
}  // namespace bcxscan
