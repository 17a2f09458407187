// Seeded mutations of real images of every format, each loaded under a
// random type code and scanned page by page with every symbology on. A
// failure shows as a crash, a sanitizer report or a leak; the seed and the
// iteration are printed first so the input can be made again.
//   bcx_mutation_fuzz --seed N --iterations K
//   bcx_mutation_fuzz FILE...        (replay)
#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bcxdec.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kFormats[] = {IFF_PNG, IFF_JFIF_JPEG, IFF_BMP,     IFF_PNM,
                            IFF_GIF, IFF_WEBP,      IFF_TIFF_LZW};
constexpr uint16_t kTypeCodes = 8;
constexpr int kMostMutations = 8;
constexpr int kMostPages = 3;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Encode(PIX* pix, int format) {
  l_uint8* data = nullptr;
  size_t size = 0;
  if (pixWriteMem(&data, &size, pix, format) != 0) return {};
  Bytes bytes(data, data + size);
  lept_free(data);
  return bytes;
}

// One small symbol in every format, and the multi-page sample as it is.
std::vector<Bytes> Seeds() {
  std::vector<Bytes> seeds;
  PIX* read = pixRead(SAMPLES_DIR "/ean8.png");
  PIX* grey = read != nullptr ? pixConvertTo8(read, 0) : nullptr;
  if (grey != nullptr) {
    for (int format : kFormats) {
      Bytes bytes = Encode(grey, format);
      if (!bytes.empty()) seeds.push_back(std::move(bytes));
    }
  }
  pixDestroy(&grey);
  pixDestroy(&read);
  seeds.push_back(ReadFile(SAMPLES_DIR "/three-pages.tif"));
  return seeds;
}

void Mutate(Bytes& bytes, std::mt19937& rng) {
  const int count = 1 + static_cast<int>(rng() % kMostMutations);
  for (int m = 0; m < count && !bytes.empty(); ++m) {
    const size_t at = rng() % bytes.size();
    switch (rng() % 5) {
      case 0:
        bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 1:
        bytes[at] = static_cast<uint8_t>(rng());
        break;
      case 2:
        bytes.resize(at + 1);  // truncated
        break;
      case 3:
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng()));
        break;
      default:  // a run of extreme bytes, as in a forged size field
        for (size_t k = at; k < at + 4 && k < bytes.size(); ++k) bytes[k] = (rng() & 1) ? 0xFF : 0;
        break;
    }
  }
}

void LoadAndScan(const Bytes& bytes, uint16_t type, std::mt19937& rng) {
  if (bytes.empty()) return;
  if (!BcxLoadFromMem(bytes.data(), static_cast<uint32_t>(bytes.size()), type)) return;
  const int pages = BcxGetNumOfPages();
  for (int page = 0; page < pages && page < kMostPages; ++page) {
    if (pages > 1 && !BcxSetPage(static_cast<uint16_t>(page))) continue;
    uint16_t width = 0;
    uint16_t height = 0;
    if (!BcxGetImgSize(&width, &height)) continue;
    if (width > 4 && height > 4 && rng() % 3 == 0) {
      BcxSetRegion(1, 1, static_cast<uint16_t>(width - 2), static_cast<uint16_t>(height - 2));
    }
    BcxScan();
    for (uint16_t i = 0; i < BcxGetCount(); ++i) {
      uint32_t corners[4];
      BcxGetRect(i, &corners[0], &corners[1], &corners[2], &corners[3]);
      for (uint16_t k = 0; k < BcxGetStrLen(i); ++k) BcxGetCharAt(i, k);
    }
  }
}

void EnableEverything() {
  BcxInit();
  for (uint16_t id = BCX_CODE39; id <= BCX_ITF; ++id) BcxScanType(id, 1);
}

int Session(unsigned seed, long iterations) {
  const std::vector<Bytes> seeds = Seeds();
  if (seeds.size() < 2) {
    std::fprintf(stderr, "no seed images under %s\n", SAMPLES_DIR);
    return 1;
  }
  std::mt19937 rng(seed);
  EnableEverything();
  constexpr int32_t kThresholds[] = {128, BCX_THRESHOLD_OTSU, BCX_THRESHOLD_ADAPTIVE, 200};
  for (long i = 0; i < iterations; ++i) {
    Bytes bytes = seeds[rng() % seeds.size()];
    Mutate(bytes, rng);
    BcxSetThreshold(kThresholds[rng() % 4]);
    // Printed before the work so that a crash leaves the way to its input.
    if (i % 500 == 0) std::printf("seed %u iteration %ld\n", seed, i);
    LoadAndScan(bytes, static_cast<uint16_t>(rng() % kTypeCodes), rng);
  }
  BcxCleanUp();
  std::printf("seed %u: %ld mutated images, no failure\n", seed, iterations);
  return 0;
}

int Replay(int count, char** files) {
  std::mt19937 rng(1);
  EnableEverything();
  for (int f = 0; f < count; ++f) {
    const Bytes bytes = ReadFile(files[f]);
    for (uint16_t type = 0; type < kTypeCodes; ++type) LoadAndScan(bytes, type, rng);
  }
  BcxCleanUp();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setMsgSeverity(L_SEVERITY_NONE);
  if (argc == 5 && std::strcmp(argv[1], "--seed") == 0 &&
      std::strcmp(argv[3], "--iterations") == 0) {
    return Session(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)),
                   std::strtol(argv[4], nullptr, 10));
  }
  if (argc >= 2 && argv[1][0] != '-') return Replay(argc - 1, argv + 1);
  std::fprintf(stderr, "usage: %s --seed N --iterations K | FILE...\n", argv[0]);
  return 2;
}
