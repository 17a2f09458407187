// Hostile and damaged input: huge headers, truncation, corruption, random
// bytes and bad arguments. Every case fails with 0, prints nothing and
// (under the sanitizers) leaks nothing.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "fixtures.h"
#include "rastra.h"

// Under AddressSanitizer an allocation the size of a hostile header's claim
// aborts the run instead of quietly reserving address space.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=1200"; }

namespace rastra_test {
namespace {

constexpr uint16_t kTypeTiff = 2;
constexpr uint16_t kTypeGif = 6;
constexpr uint16_t kTypesToTry[] = {0, 1, kTypeTiff, 3, 4, 5, kTypeGif, 7};
constexpr auto kFastEnough = std::chrono::milliseconds(500);

void PutBig32(Bytes* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutLittle(Bytes* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutPngChunk(Bytes* out, const char* type, const Bytes& payload) {
  PutBig32(out, static_cast<uint32_t>(payload.size()));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), payload.begin(), payload.end());
  const uLong crc = crc32(0, out->data() + start, static_cast<uInt>(out->size() - start));
  PutBig32(out, static_cast<uint32_t>(crc));
}

// A well-formed PNG header claiming width x height grey pixels, with a
// token image stream.
Bytes HugePng(uint32_t width, uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  PutBig32(&header, width);
  PutBig32(&header, height);
  header.insert(header.end(), {8, 0, 0, 0, 0});
  PutPngChunk(&png, "IHDR", header);
  PutPngChunk(&png, "IDAT", {0x78, 0x9c, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
  PutPngChunk(&png, "IEND", {});
  return png;
}

// A little-endian TIFF with one uncompressed grey page of the claimed size.
Bytes HugeTiff(uint32_t width, uint32_t height) {
  Bytes tiff = {'I', 'I', 42, 0};
  PutLittle(&tiff, 8, 4);
  struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t value;
  };
  const Entry entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},
                           {259, 3, 1},     {262, 3, 1},      {273, 4, 200},
                           {277, 3, 1},     {278, 4, height}, {279, 4, width * height}};
  PutLittle(&tiff, sizeof entries / sizeof entries[0], 2);
  for (const Entry& entry : entries) {
    PutLittle(&tiff, entry.tag, 2);
    PutLittle(&tiff, entry.type, 2);
    PutLittle(&tiff, 1, 4);
    PutLittle(&tiff, entry.value, 4);
  }
  PutLittle(&tiff, 0, 4);
  tiff.resize(200 + std::min<uint64_t>(uint64_t{width} * height, 100), 0x80);
  return tiff;
}

Bytes HugeBmp(uint32_t width, uint32_t height) {
  Bytes bmp = {'B', 'M'};
  PutLittle(&bmp, 1000, 4);
  PutLittle(&bmp, 0, 4);
  PutLittle(&bmp, 54, 4);
  PutLittle(&bmp, 40, 4);
  PutLittle(&bmp, width, 4);
  PutLittle(&bmp, height, 4);
  PutLittle(&bmp, 1, 2);
  PutLittle(&bmp, 24, 2);
  PutLittle(&bmp, 0, 4);
  PutLittle(&bmp, 0, 4);
  PutLittle(&bmp, 2835, 4);
  PutLittle(&bmp, 2835, 4);
  PutLittle(&bmp, 0, 4);
  PutLittle(&bmp, 0, 4);
  bmp.resize(1000, 0x40);
  return bmp;
}

Bytes HugePnm(uint32_t width, uint32_t height) {
  const std::string header =
      "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  Bytes pnm(header.begin(), header.end());
  pnm.resize(pnm.size() + 1000, 0x40);
  return pnm;
}

Bytes HugeGif(uint16_t width, uint16_t height) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  PutLittle(&gif, width, 2);
  PutLittle(&gif, height, 2);
  gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});
  gif.insert(gif.end(), {0x2c, 0, 0, 0, 0});
  PutLittle(&gif, width, 2);
  PutLittle(&gif, height, 2);
  gif.insert(gif.end(), {0, 2, 2, 0x4c, 0x01, 0, 0x3b});
  return gif;
}

// A real JPEG whose frame header is rewritten to the claimed size.
Bytes HugeJpeg(uint16_t width, uint16_t height) {
  Bytes jpeg = EncodePattern(Pixels::kGrey8, IFF_JFIF_JPEG);
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xff && (jpeg[i + 1] == 0xc0 || jpeg[i + 1] == 0xc1)) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width);
      return jpeg;
    }
  }
  return {};
}

struct HostileCase {
  const char* name;
  Bytes bytes;
};

std::vector<HostileCase> HostileCases() {
  return {
      {"png 60000 x 60000", HugePng(60000, 60000)},
      {"png 65536 x 1", HugePng(65536, 1)},
      {"png 1 x 65536", HugePng(1, 65536)},
      {"png 20000 x 20000", HugePng(20000, 20000)},
      {"png 0 x 10", HugePng(0, 10)},
      {"png 2^31 x 2^31", HugePng(0x7fffffff, 0x7fffffff)},
      {"tiff 60000 x 60000", HugeTiff(60000, 60000)},
      {"tiff 70000 x 10", HugeTiff(70000, 10)},
      {"bmp 60000 x 60000", HugeBmp(60000, 60000)},
      {"bmp 70000 x 10", HugeBmp(70000, 10)},
      {"pnm 60000 x 60000", HugePnm(60000, 60000)},
      {"pnm 70000 x 10", HugePnm(70000, 10)},
      {"gif 60000 x 60000", HugeGif(60000, 60000)},
      {"jpeg 60000 x 60000", HugeJpeg(60000, 60000)},
      {"jpeg 20000 x 20000", HugeJpeg(20000, 20000)},
  };
}

TEST(HostileTest, HugeHeadersFailFastWithoutOutput) {
  StderrCapture capture;
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    const auto start = std::chrono::steady_clock::now();
    const uint32_t length = static_cast<uint32_t>(c.bytes.size());
    for (uint16_t type : kTypesToTry) {
      EXPECT_EQ(LoadMemory(c.bytes.data(), length, type), 0);
      EXPECT_EQ(SelectMemoryPage(c.bytes.data(), length, type, 0), 0);
    }
    EXPECT_EQ(CountMemoryPages(c.bytes.data(), length, 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kFastEnough);
  }
  EXPECT_EQ(capture.Finish(), "");
}

TEST(HostileTest, HugeHeaderFileFailsFast) {
  TempDir dir;
  const std::string path = dir.File("huge.png");
  ASSERT_TRUE(WriteBytes(path, HugePng(60000, 60000)));
  StderrCapture capture;
  EXPECT_EQ(LoadFile(path.c_str(), 3), 0);
  EXPECT_EQ(CountFilePages(path.c_str(), 3), 0);
  EXPECT_EQ(capture.Finish(), "");
}

// The valid files every damage test starts from.
struct Sample {
  const char* name;
  Bytes bytes;
};

Bytes TwoPageTiff() {
  TempDir dir;
  const std::string path = dir.File("two.tif");
  for (int page = 0; page < 2; ++page) {
    PIX* pix = MakePattern(Pixels::kGrey8);
    pixWriteTiff(path.c_str(), pix, IFF_TIFF_ZIP, page == 0 ? "w" : "a");
    pixDestroy(&pix);
  }
  return ReadBytes(path);
}

Bytes TwoFrameGif() {
  GifFrame frame = {0, 0, 8, 8, DISPOSE_BACKGROUND, 1, true, std::vector<uint8_t>(64, 0)};
  return EncodeGif(8, 8, {frame, frame});
}

std::vector<Sample> Samples() {
  return {
      {"png", EncodePattern(Pixels::kRgb, IFF_PNG)},
      {"png-cmap", EncodePattern(Pixels::kColormap, IFF_PNG)},
      {"jpeg", EncodePattern(Pixels::kRgb, IFF_JFIF_JPEG)},
      {"gif", EncodePattern(Pixels::kColormap, IFF_GIF)},
      {"gif-frames", TwoFrameGif()},
      {"tiff-zip", EncodePattern(Pixels::kGrey8, IFF_TIFF_ZIP)},
      {"tiff-g4", EncodePattern(Pixels::kBit1, IFF_TIFF_G4)},
      {"tiff-pages", TwoPageTiff()},
      {"bmp", EncodePattern(Pixels::kRgb, IFF_BMP)},
      {"bmp-cmap", EncodePattern(Pixels::kColormap, IFF_BMP)},
      {"pgm", EncodePattern(Pixels::kGrey8, IFF_PNM)},
      {"pbm", EncodePattern(Pixels::kBit1, IFF_PNM)},
      {"ppm", EncodePattern(Pixels::kRgb, IFF_PNM)},
      {"webp", EncodePattern(Pixels::kRgb, IFF_WEBP)},
  };
}

// Calls every operation on a block; returns whether any load succeeded.
bool TryEverything(const Bytes& bytes) {
  const uint8_t* data = bytes.data();
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  bool loaded = false;
  for (uint16_t type : {uint16_t{0}, kTypeTiff, kTypeGif}) {
    if (LoadMemory(data, length, type) != 0) {
      loaded = true;
      int32_t width = 0;
      int32_t height = 0;
      if (GetSize(&width, &height) != 0) Binarised(width, height);
    }
    const uint16_t pages = CountMemoryPages(data, length, type);
    for (uint16_t page = 0; page < pages && page < 4; ++page) {
      loaded = SelectMemoryPage(data, length, type, page) != 0 || loaded;
    }
    loaded = SelectMemoryPage(data, length, type, pages) != 0 || loaded;
  }
  return loaded;
}

std::vector<size_t> TruncatedLengths(size_t full) {
  return {1, 2, 3, 7, 8, 11, 12, 16, 33, full / 4, full / 2, full * 3 / 4, full - 2, full - 1};
}

TEST(DamageTest, TruncatedFilesOfEveryFormatAreRefused) {
  StderrCapture capture;
  for (const Sample& sample : Samples()) {
    ASSERT_GT(sample.bytes.size(), 40u) << sample.name;
    for (size_t length : TruncatedLengths(sample.bytes.size())) {
      SCOPED_TRACE(std::string(sample.name) + " cut to " + std::to_string(length));
      const Bytes cut(sample.bytes.begin(), sample.bytes.begin() + length);
      EXPECT_FALSE(TryEverything(cut));
      EXPECT_EQ(CountMemoryPages(cut.data(), static_cast<uint32_t>(length), 0), 0);
    }
  }
  EXPECT_EQ(capture.Finish(), "");
  ReleaseImage();
}

TEST(DamageTest, TruncatedFilesAreRefusedFromDisk) {
  TempDir dir;
  StderrCapture capture;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    const std::string path = dir.File(sample.name);
    ASSERT_TRUE(WriteBytes(path, Bytes(sample.bytes.begin(), sample.bytes.end() - 1)));
    for (uint16_t type : kTypesToTry) {
      EXPECT_EQ(LoadFile(path.c_str(), type), 0);
      EXPECT_EQ(CountFilePages(path.c_str(), type), 0);
      EXPECT_EQ(SelectFilePage(0), 0);
    }
  }
  EXPECT_EQ(capture.Finish(), "");
}

TEST(DamageTest, CorruptedFilesNeitherCrashNorPrint) {
  std::mt19937 random(12345);
  StderrCapture capture;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (int round = 0; round < 40; ++round) {
      Bytes damaged = sample.bytes;
      const int flips = 1 + round % 8;
      for (int i = 0; i < flips; ++i) {
        std::uniform_int_distribution<size_t> position(0, damaged.size() - 1);
        damaged[position(random)] ^= static_cast<uint8_t>(1 + random() % 255);
      }
      TryEverything(damaged);
    }
  }
  EXPECT_EQ(capture.Finish(), "");
  ReleaseImage();
}

TEST(DamageTest, RandomBytesAreRefused) {
  std::mt19937 random(777);
  StderrCapture capture;
  for (int round = 0; round < 200; ++round) {
    std::uniform_int_distribution<size_t> size(1, 3000);
    Bytes bytes(size(random));
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    // No leading 'P' digit, 'B' 'M', 'G' 'I', 'R' 'I': nothing to recognise.
    if (bytes[0] == 'P' || bytes[0] == 'B' || bytes[0] == 'G' || bytes[0] == 'R' ||
        bytes[0] == 'I' || bytes[0] == 'M' || bytes[0] == 0x89 || bytes[0] == 0xff) {
      bytes[0] = 0;
    }
    EXPECT_FALSE(TryEverything(bytes));
  }
  EXPECT_EQ(capture.Finish(), "");
}

TEST(DamageTest, RandomBytesAfterEverySignatureNeitherCrashNorPrint) {
  const std::vector<Bytes> signatures = {
      {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'},
      {0xff, 0xd8, 0xff, 0xe0},
      {'G', 'I', 'F', '8', '9', 'a'},
      {'I', 'I', 42, 0},
      {'M', 'M', 0, 42},
      {'I', 'I', 43, 0, 8, 0, 0, 0},
      {'B', 'M'},
      {'P', '5', '\n'},
      {'P', '4', '\n'},
      {'P', '7', '\n'},
      {'R', 'I', 'F', 'F', 100, 0, 0, 0, 'W', 'E', 'B', 'P'},
  };
  std::mt19937 random(99);
  StderrCapture capture;
  for (const Bytes& signature : signatures) {
    for (int round = 0; round < 30; ++round) {
      Bytes bytes = signature;
      std::uniform_int_distribution<size_t> size(0, 600);
      for (size_t i = size(random); i > 0; --i) bytes.push_back(static_cast<uint8_t>(random()));
      TryEverything(bytes);
    }
  }
  EXPECT_EQ(capture.Finish(), "");
  ReleaseImage();
}

TEST(DamageTest, EmptyAndNullArgumentsAreRefused) {
  const Bytes png = EncodePattern(Pixels::kGrey8, IFF_PNG);
  StderrCapture capture;
  for (uint16_t type : kTypesToTry) {
    EXPECT_EQ(LoadMemory(nullptr, 100, type), 0);
    EXPECT_EQ(LoadMemory(png.data(), 0, type), 0);
    EXPECT_EQ(CountMemoryPages(nullptr, 100, type), 0);
    EXPECT_EQ(CountMemoryPages(png.data(), 0, type), 0);
    EXPECT_EQ(SelectMemoryPage(nullptr, 100, type, 0), 0);
    EXPECT_EQ(SelectMemoryPage(png.data(), 0, type, 0), 0);
    EXPECT_EQ(LoadFile(nullptr, type), 0);
    EXPECT_EQ(LoadFile("", type), 0);
    EXPECT_EQ(CountFilePages(nullptr, type), 0);
    EXPECT_EQ(CountFilePages("", type), 0);
  }
  EXPECT_EQ(capture.Finish(), "");
}

TEST(DamageTest, MissingFilesAndFoldersAreRefused) {
  TempDir dir;
  const std::string missing = dir.File("missing.png");
  const std::string empty = dir.File("empty.png");
  ASSERT_TRUE(WriteBytes(empty, {}));
  StderrCapture capture;
  for (const std::string& path : {missing, empty, dir.path, std::string("/")}) {
    SCOPED_TRACE(path);
    for (uint16_t type : kTypesToTry) {
      EXPECT_EQ(LoadFile(path.c_str(), type), 0);
      EXPECT_EQ(CountFilePages(path.c_str(), type), 0);
      EXPECT_EQ(SelectFilePage(0), 0);
    }
  }
  EXPECT_EQ(capture.Finish(), "");
}

TEST(DamageTest, TiffDirectoryLoopsAreRefused) {
  // One directory whose link points back at itself.
  Bytes tiff = HugeTiff(10, 10);
  const size_t linkAt = 8 + 2 + 9 * 12;
  tiff[linkAt] = 8;
  StderrCapture capture;
  EXPECT_EQ(CountMemoryPages(tiff.data(), static_cast<uint32_t>(tiff.size()), kTypeTiff), 0);
  EXPECT_EQ(LoadMemory(tiff.data(), static_cast<uint32_t>(tiff.size()), kTypeTiff), 0);
  EXPECT_EQ(capture.Finish(), "");
}

TEST(DamageTest, SmallHandMadeTiffLoads) {
  // The hand-made layout above, at a sane size, is a readable image: the
  // hostile cases fail on their size, not on their form.
  const Bytes tiff = HugeTiff(10, 10);
  EXPECT_EQ(CountMemoryPages(tiff.data(), static_cast<uint32_t>(tiff.size()), kTypeTiff), 1);
  ASSERT_EQ(LoadMemory(tiff.data(), static_cast<uint32_t>(tiff.size()), 0), 1);
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_EQ(GetSize(&width, &height), 1);
  EXPECT_EQ(width, 10);
  EXPECT_EQ(height, 10);
  ReleaseImage();
}

}  // namespace
}  // namespace rastra_test
