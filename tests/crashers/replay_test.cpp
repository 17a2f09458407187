// Every file kept under tests/crashers (and every fuzz seed) through the 17
// exports under each type code and through a reader in both modes, from
// memory and from the file: each must fail cleanly or read cleanly, and a
// read in thorough mode may take at most a second per megapixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bcxdec.h"
#include "bcxread.h"

namespace bcx::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kMostPages = 4;
// Fuzz inputs open with the control bytes of their target; the image
// proper follows.
constexpr size_t kControlBytes = 3;
constexpr double kSecondsPerMegapixel = 1.0;
constexpr double kPixelsPerMegapixel = 1e6;

std::vector<std::string> InputFiles() {
  std::vector<std::string> files;
  for (const char* root : {BCX_CRASHERS_DIR, BCX_FUZZ_SEEDS_DIR}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
      if (!entry.is_regular_file() || entry.path().parent_path() == BCX_CRASHERS_DIR) continue;
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ScanThroughExports(const Bytes& bytes) {
  if (bytes.empty()) return;
  for (uint16_t type = BCX_IMG_DETECT; type <= BCX_IMG_WEBP; ++type) {
    BcxInit();
    const uint16_t loaded = BcxLoadFromMem(bytes.data(), static_cast<uint32_t>(bytes.size()), type);
    const uint16_t pages = BcxGetNumOfPages();
    for (uint16_t page = 0; page < kMostPages && (page == 0 || page < pages); ++page) {
      if (page > 0 && BcxSetPage(page) == 0) continue;
      uint16_t width = 0;
      uint16_t height = 0;
      if (BcxGetImgSize(&width, &height) == 0) {
        EXPECT_EQ(BcxScan(), 0);
        continue;
      }
      EXPECT_EQ(loaded, 1);
      BcxScan();
      for (uint16_t i = 0; i < BcxGetCount(); ++i) {
        EXPECT_LE(BcxGetType(i), BCX_ITF);
        EXPECT_NE(BcxGetStrLen(i), 0xFFFF);
      }
    }
    BcxCleanUp();
  }
}

void ScanFileThroughExports(const std::string& path) {
  if (path.size() >= 150) return;  // the exports refuse such paths
  for (uint16_t type : {BCX_IMG_DETECT, BCX_IMG_TIFF, BCX_IMG_GIF}) {
    BcxInit();
    if (BcxLoadFromFile(path.c_str(), type) != 0) {
      uint16_t width = 0;
      uint16_t height = 0;
      if (BcxGetImgSize(&width, &height) != 0) BcxScan();
    }
    BcxCleanUp();
  }
}

// A read's answer must agree with what the reader reports afterwards.
void CheckRead(bcx_reader* reader, int found, double seconds, int mode) {
  if (found < 0) {
    EXPECT_STRNE(bcx_reader_error(reader), "");
    EXPECT_EQ(bcx_result_count(reader), 0);
    return;
  }
  EXPECT_EQ(found, bcx_result_count(reader));
  int width = 0;
  int height = 0;
  ASSERT_EQ(bcx_image_size(reader, &width, &height), 1);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  if (mode == BCX_MODE_THOROUGH) {
    const double megapixels =
        std::max(1.0, width * static_cast<double>(height) / kPixelsPerMegapixel);
    EXPECT_LT(seconds, kSecondsPerMegapixel * megapixels) << width << "x" << height;
  }
#else
  (void)seconds;
  (void)mode;
#endif
}

template <typename Read>
void TimedRead(bcx_reader* reader, int mode, Read read) {
  const auto start = std::chrono::steady_clock::now();
  const int found = read();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  CheckRead(reader, found, seconds, mode);
}

void ReadThroughReader(const Bytes& bytes, const std::string& path) {
  for (int mode : {BCX_MODE_EXACT, BCX_MODE_THOROUGH}) {
    bcx_reader* reader = bcx_reader_new();
    ASSERT_NE(reader, nullptr);
    bcx_reader_set_mode(reader, mode);
    for (int page = 0; page < kMostPages; ++page) {
      TimedRead(reader, mode,
                [&] { return bcx_read_memory(reader, bytes.data(), bytes.size(), page); });
    }
    if (!path.empty()) {
      TimedRead(reader, mode, [&] { return bcx_read_file(reader, path.c_str(), 0); });
    }
    bcx_reader_free(reader);
  }
}

class Replay : public testing::TestWithParam<std::string> {};

TEST_P(Replay, FailsOrReadsCleanly) {
  const Bytes bytes = ReadAll(GetParam());
  ScanThroughExports(bytes);
  ScanFileThroughExports(GetParam());
  ReadThroughReader(bytes, GetParam());
  if (bytes.size() > kControlBytes) {
    const Bytes image(bytes.begin() + kControlBytes, bytes.end());
    ScanThroughExports(image);
    ReadThroughReader(image, "");
  }
}

std::string TestName(const testing::TestParamInfo<std::string>& info) {
  const std::filesystem::path path(info.param);
  std::string name = path.parent_path().filename().string() + "_" + path.filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, Replay, testing::ValuesIn(InputFiles()), TestName);

}  // namespace
}  // namespace bcx::test
