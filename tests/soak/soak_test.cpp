// Ten thousand scans through the 17 exports and ten thousand reads through
// a reader, over small images of every format, pages, regions, both modes
// and failures in between; resident memory after the first thousand must
// stay flat.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bcxdec.h"
#include "bcxread.h"

namespace bcx::test {
namespace {

using Bytes = std::vector<uint8_t>;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers' own bookkeeping grows; LeakSanitizer checks for leaks.
constexpr int kIterations = 1500;
constexpr bool kCheckResident = false;
#else
constexpr int kIterations = 10000;
constexpr bool kCheckResident = true;
#endif
constexpr int kWarmUp = 1000;
// Allocator caches and fragmentation may move the resident size a little.
constexpr long kSlackKb = 4096;

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Image {
  Bytes bytes;
  uint16_t type;  // for the exports: 2 and 6 count pages
  int pages;
};

Bytes Encode(PIX* pix, int format) {
  l_uint8* data = nullptr;
  size_t size = 0;
  if (pixWriteMem(&data, &size, pix, format) != 0) return {};
  Bytes bytes(data, data + size);
  lept_free(data);
  return bytes;
}

// Each sample at half size in every format, a three-page TIFF, and bytes
// that are no image.
std::vector<Image> MakeImages() {
  setMsgSeverity(L_SEVERITY_NONE);
  std::vector<Image> images;
  for (const char* name : {"ean8", "upce", "itf", "code39"}) {
    PIX* read = pixRead((std::string(BCX_SAMPLES_DIR) + "/" + name + ".png").c_str());
    PIX* grey = pixConvertTo8(read, 0);
    PIX* small = pixScaleGrayLI(grey, 0.6f, 0.6f);
    const std::pair<int, uint16_t> formats[] = {
        {IFF_PNG, BCX_IMG_PNG},      {IFF_JFIF_JPEG, BCX_IMG_JPEG}, {IFF_GIF, BCX_IMG_GIF},
        {IFF_BMP, BCX_IMG_BMP},      {IFF_PNM, BCX_IMG_PNM},        {IFF_WEBP, BCX_IMG_WEBP},
        {IFF_TIFF_LZW, BCX_IMG_TIFF}};
    for (const auto& [format, type] : formats) {
      Bytes bytes = Encode(small, format);
      if (!bytes.empty()) images.push_back({std::move(bytes), type, 1});
    }
    pixDestroy(&small);
    pixDestroy(&grey);
    pixDestroy(&read);
  }
  std::ifstream in(std::string(BCX_SAMPLES_DIR) + "/three-pages.tif", std::ios::binary);
  images.push_back({Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                    BCX_IMG_TIFF, 3});
  Bytes truncated = images.front().bytes;
  truncated.resize(truncated.size() / 2);
  images.push_back({truncated, BCX_IMG_PNG, 0});
  images.push_back({Bytes(300, 0x5A), BCX_IMG_DETECT, 0});
  return images;
}

class Soak : public testing::Test {
 protected:
  static void SetUpTestSuite() { images_ = new std::vector<Image>(MakeImages()); }
  static void TearDownTestSuite() {
    delete images_;
    images_ = nullptr;
  }

  // Runs `step` kIterations times; checks the resident size from the end of
  // the warm-up on.
  template <typename Step>
  void Run(const char* what, Step step) {
    long afterWarmUp = 0;
    long highest = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kIterations; ++i) {
      step(i);
      if (i + 1 == kWarmUp) afterWarmUp = ResidentKb();
      if (i + 1 > kWarmUp && i % 100 == 0) highest = std::max(highest, ResidentKb());
    }
    const long end = ResidentKb();
    highest = std::max(highest, end);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "%s: %d iterations in %.2f s; resident %ld KB after %d, %ld KB at most after, %ld KB "
        "at the end\n",
        what, kIterations, seconds, afterWarmUp, kWarmUp, highest, end);
    if (kCheckResident) {
      EXPECT_LE(highest - afterWarmUp, kSlackKb);
    }
  }

  static std::vector<Image>* images_;
};

std::vector<Image>* Soak::images_ = nullptr;

TEST_F(Soak, ScansThroughTheExports) {
  BcxInit();
  for (uint16_t id = BCX_CODE39; id <= BCX_ITF; ++id) BcxScanType(id, 1);
  constexpr int32_t kThresholds[] = {128, BCX_THRESHOLD_OTSU, BCX_THRESHOLD_ADAPTIVE};
  int found = 0;
  Run("exports", [&](int i) {
    const Image& image = (*images_)[static_cast<size_t>(i) % images_->size()];
    BcxSetThreshold(kThresholds[i % 3]);
    const uint16_t loaded =
        BcxLoadFromMem(image.bytes.data(), static_cast<uint32_t>(image.bytes.size()), image.type);
    if (loaded == 0) {
      EXPECT_EQ(image.pages, 0);
      EXPECT_EQ(BcxScan(), 0);
      return;
    }
    if (image.pages > 1) {
      EXPECT_EQ(BcxSetPage(static_cast<uint16_t>(i % image.pages)), 1);
    }
    if (i % 11 == 0) {
      EXPECT_EQ(BcxSetPage(60000), 0);  // refused, for every type
    }
    uint16_t width = 0;
    uint16_t height = 0;
    if (BcxGetImgSize(&width, &height) == 0) {
      EXPECT_EQ(BcxScan(), 0);
      return;
    }
    if (i % 4 == 1)
      BcxSetRegion(2, 2, static_cast<uint16_t>(width - 3), static_cast<uint16_t>(height - 3));
    found += BcxScan();
    for (uint16_t r = 0; r < BcxGetCount(); ++r) BcxGetCharAt(r, 0);
    if (i % 97 == 0) BcxCleanUp();
  });
  BcxCleanUp();
  EXPECT_GT(found, kIterations / 4);
}

TEST_F(Soak, ReadsThroughAReader) {
  bcx_reader* reader = bcx_reader_new();
  ASSERT_NE(reader, nullptr);
  std::vector<uint8_t> grey(200 * 80, 255);
  for (int x = 20; x < 180; x += 6) {
    for (int y = 10; y < 70; ++y) grey[static_cast<size_t>(y) * 200 + x] = 0;
  }
  int found = 0;
  Run("reader", [&](int i) {
    const Image& image = (*images_)[static_cast<size_t>(i) % images_->size()];
    bcx_reader_set_mode(reader, i % 2 == 0 ? BCX_MODE_THOROUGH : BCX_MODE_EXACT);
    bcx_reader_set_threshold(reader, i % 3 == 0 ? -1 : 128);
    if (i % 5 == 0) {
      bcx_reader_set_region(reader, 1, 1, 40, 30);
    } else {
      bcx_reader_set_region(reader, -1, -1, -1, -1);
    }
    int result = 0;
    if (i % 13 == 0) {
      result = bcx_read_gray(reader, grey.data(), 200, 80, 200);
      EXPECT_GE(result, 0);
    } else if (i % 17 == 0) {
      result = bcx_read_memory(reader, image.bytes.data(), image.bytes.size(), 5);  // no such page
      EXPECT_LT(result, 0);
    } else {
      const int page = image.pages > 1 ? i % image.pages : 0;
      result = bcx_read_memory(reader, image.bytes.data(), image.bytes.size(), page);
      EXPECT_EQ(result < 0, image.pages == 0) << bcx_reader_error(reader);
    }
    if (result > 0) found += result;
    for (int r = 0; r < bcx_result_count(reader); ++r) bcx_result_text(reader, r, nullptr);
    if (i % 211 == 0) {  // a reader's whole life, now and then
      bcx_reader_free(reader);
      reader = bcx_reader_new();
      ASSERT_NE(reader, nullptr);
    }
  });
  bcx_reader_free(reader);
  EXPECT_GT(found, kIterations / 10);  // regions cut most symbols
}

}  // namespace
}  // namespace bcx::test
