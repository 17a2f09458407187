// Files whose headers claim far more than they hold: refused from the
// header by a reader's pixel budget, and bounded in time and memory through
// the exported calls too.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bcxdec.h"
#include "bcxread.h"
#include "bombs.h"
#include "rastra.h"

namespace bcx::test {
namespace {

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Time and the growth of the peak resident size while `work` runs.
struct Cost {
  double seconds;
  long peakGrowthMb;
};

template <typename Work>
Cost Measure(Work work) {
  const long before = PeakResidentKb();
  const auto start = std::chrono::steady_clock::now();
  work();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, (PeakResidentKb() - before) / 1024};
}

struct Outcome {
  int found;
  std::string error;
  Cost cost;
};

Outcome ReadWithReader(const Bytes& bytes, int page = 0, uint64_t budget = 0) {
  bcx_reader* reader = bcx_reader_new();
  if (budget != 0) {
    EXPECT_EQ(bcx_reader_set_max_pixels(reader, budget), 1);
  }
  Outcome outcome{};
  outcome.cost =
      Measure([&] { outcome.found = bcx_read_memory(reader, bytes.data(), bytes.size(), page); });
  outcome.error = bcx_reader_error(reader);
  bcx_reader_free(reader);
  std::printf("%zu bytes, page %d: %d in %.3f s, peak +%ld MB: %s\n", bytes.size(), page,
              outcome.found, outcome.cost.seconds, outcome.cost.peakGrowthMb,
              outcome.error.c_str());
  return outcome;
}

// Through the exported calls, which keep the 2^28 pixel cap: load, page,
// size and scan.
Cost ScanWithExports(const Bytes& bytes, uint16_t type, uint16_t page) {
  return Measure([&] {
    BcxInit();
    if (BcxLoadFromMem(bytes.data(), static_cast<uint32_t>(bytes.size()), type) != 0) {
      if (page > 0) BcxSetPage(page);
      uint16_t width = 0;
      uint16_t height = 0;
      if (BcxGetImgSize(&width, &height) != 0) BcxScan();
    }
    BcxCleanUp();
  });
}

void ExpectRefusedForSize(const Outcome& outcome, const std::string& size) {
  EXPECT_LT(outcome.found, 0);
  EXPECT_NE(outcome.error.find("image of " + size + " pixels"), std::string::npos) << outcome.error;
  EXPECT_NE(outcome.error.find("budget of"), std::string::npos) << outcome.error;
}

// Sanitizers make everything several times slower; the bounds are for the
// plain build, with room for a machine busy with other tests (the times
// printed are those of an idle one divided by four or so).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSlowdown = 10.0;
// Freed memory waits in the sanitizer's quarantine: peaks mean nothing.
constexpr long kPeakScale = 1L << 20;
#else
constexpr double kSlowdown = 1.0;
constexpr long kPeakScale = 1;
#endif

TEST(PixelBudget, PngOf60000x4000IsRefusedFromItsHeader) {
  const Bytes png = ZeroPng(60000, 4000);
  EXPECT_GT(png.size(), 200000u);
  EXPECT_LT(png.size(), 300000u);
  const Outcome outcome = ReadWithReader(png);
  ExpectRefusedForSize(outcome, "60000x4000");
  EXPECT_NE(outcome.error.find("100000000"), std::string::npos) << outcome.error;
  EXPECT_LT(outcome.cost.seconds, 0.5 * kSlowdown);
  EXPECT_LT(outcome.cost.peakGrowthMb, 200 * kPeakScale);
}

TEST(PixelBudget, IsSettableAndChecked) {
  bcx_reader* reader = bcx_reader_new();
  EXPECT_EQ(bcx_reader_set_max_pixels(reader, 0), 0);
  EXPECT_NE(std::string(bcx_reader_error(reader)).find("budget"), std::string::npos);
  EXPECT_EQ(bcx_reader_set_max_pixels(reader, (1u << 28) + 1u), 0);
  EXPECT_EQ(bcx_reader_set_max_pixels(reader, 1u << 28), 1);
  EXPECT_EQ(bcx_reader_set_max_pixels(nullptr, 10), 0);
  bcx_reader_free(reader);

  const Bytes png = ZeroPng(60, 40);
  EXPECT_GE(ReadWithReader(png, 0, 2400).found, 0);
  ExpectRefusedForSize(ReadWithReader(png, 0, 2399), "60x40");
  // Grey pixels too, and a reader's budget is kept across failures.
  const std::vector<uint8_t> grey(60 * 40, 255);
  reader = bcx_reader_new();
  bcx_reader_set_max_pixels(reader, 2399);
  EXPECT_LT(bcx_read_gray(reader, grey.data(), 60, 40, 60), 0);
  EXPECT_NE(std::string(bcx_reader_error(reader)).find("60x40"), std::string::npos);
  EXPECT_LT(bcx_read_memory(reader, png.data(), png.size(), 0), 0);
  EXPECT_EQ(bcx_read_gray(reader, grey.data(), 60, 39, 60), 0);
  bcx_reader_free(reader);
}

TEST(PixelBudget, ProviderContextsKeepTheirOwnLimit) {
  rastra_context* c = rastra_new();
  EXPECT_EQ(rastra_get_max_pixels(c), RASTRA_MAX_PIXELS);
  const Bytes png = ZeroPng(60, 40);
  EXPECT_EQ(rastra_set_max_pixels(c, 0), 0);
  EXPECT_EQ(rastra_set_max_pixels(c, RASTRA_MAX_PIXELS + 1ull), 0);
  // Counted (and so decoded) under a high limit, then loaded under a low one.
  EXPECT_EQ(rastra_count_memory_pages(c, png.data(), png.size(), 0), 1);
  EXPECT_EQ(rastra_set_max_pixels(c, 100), 1);
  EXPECT_EQ(rastra_load_memory(c, png.data(), png.size(), 0), 0);
  uint64_t width = 0;
  uint64_t height = 0;
  EXPECT_EQ(rastra_refused_size(c, &width, &height), 1);
  EXPECT_EQ(width, 60u);
  EXPECT_EQ(height, 40u);
  EXPECT_EQ(rastra_set_max_pixels(c, 2400), 1);
  EXPECT_EQ(rastra_load_memory(c, png.data(), png.size(), 0), 1);
  EXPECT_EQ(rastra_refused_size(c, &width, &height), 0);
  rastra_free(c);
}

TEST(GifBombs, HugeLogicalScreenIsRefused) {
  const Bytes gif = HugeScreenGif(65535, 65535);
  ExpectRefusedForSize(ReadWithReader(gif), "65535x65535");
  const Outcome budget = ReadWithReader(HugeScreenGif(20000, 10000));
  ExpectRefusedForSize(budget, "20000x10000");
  EXPECT_LT(budget.cost.seconds, 0.5 * kSlowdown);
  const Cost exports = ScanWithExports(gif, BCX_IMG_GIF, 0);
  EXPECT_LT(exports.seconds, 0.5 * kSlowdown);
  EXPECT_LT(exports.peakGrowthMb, 50 * kPeakScale);
}

TEST(GifBombs, ThousandsOfFramesAreBoundedWork) {
  const Bytes gif = ManyFramesGif(200, 200, 200, 200, 3000);
  std::printf("3000 frames of 200x200 in %zu bytes\n", gif.size());
  // Frame 2400 lies on 96 million decoded pixels, within the default
  // budget; the last on 120 million, over it.
  const Outcome within = ReadWithReader(gif, 2400);
  EXPECT_EQ(within.found, 0) << within.error;
  EXPECT_LT(within.cost.seconds, 6.0 * kSlowdown);
  EXPECT_LT(within.cost.peakGrowthMb, 100 * kPeakScale);
  const Outcome last = ReadWithReader(gif, 2999);
  EXPECT_LT(last.found, 0);
  EXPECT_LT(last.cost.seconds, 6.0 * kSlowdown);
  const Outcome small = ReadWithReader(gif, 2999, 1000000);
  EXPECT_LT(small.found, 0);
  EXPECT_LT(small.cost.seconds, 0.5 * kSlowdown);
  // The exports' 2^28 allow all 3000.
  const Cost exports = ScanWithExports(gif, BCX_IMG_GIF, 2999);
  std::printf("exports, frame 2999: %.3f s, peak +%ld MB\n", exports.seconds, exports.peakGrowthMb);
  EXPECT_LT(exports.seconds, 6.0 * kSlowdown);
}

TEST(GifBombs, RowsBelowTheScreenAreNotDecoded) {
  // Frames 65535 wide and 400 tall on a 100 x 100 screen: only the 100 rows
  // that show are decoded, and the rest of each frame skipped unread.
  // Decoded whole they would be 1 billion pixels; as they show, 262 million.
  const Bytes gif = ManyFramesGif(100, 100, 65535, 400, 40);
  std::printf("40 frames of 65535x400 in %zu bytes\n", gif.size());
  const Outcome first = ReadWithReader(gif, 0);
  EXPECT_EQ(first.found, 0) << first.error;
  EXPECT_LT(first.cost.seconds, 0.5 * kSlowdown);
  const Outcome within = ReadWithReader(gif, 14);
  EXPECT_EQ(within.found, 0) << within.error;
  EXPECT_LT(within.cost.seconds, 6.0 * kSlowdown);
  const Outcome over = ReadWithReader(gif, 39);
  EXPECT_LT(over.found, 0);
  EXPECT_LT(over.cost.seconds, 6.0 * kSlowdown);
}

TEST(TiffBombs, HugePageIsRefusedFromItsHeader) {
  TiffPlan plan;
  plan.width = 3000;
  plan.height = 1000;
  Bytes tiff = PlannedTiff(plan);
  ASSERT_EQ(ReadWithReader(tiff).found, 0);  // a page of the same make within the budget
  plan.width = 30000;
  plan.height = 30000;
  tiff = PlannedTiff(plan);
  ExpectRefusedForSize(ReadWithReader(tiff), "30000x30000");
  const Cost exports = ScanWithExports(tiff, BCX_IMG_TIFF, 0);
  EXPECT_LT(exports.seconds, 0.5 * kSlowdown);
  EXPECT_LT(exports.peakGrowthMb, 50 * kPeakScale);
  plan.width = 12000;
  plan.height = 10000;
  tiff = PlannedTiff(plan);
  ExpectRefusedForSize(ReadWithReader(tiff), "12000x10000");
}

TEST(TiffBombs, DirectoryLoopIsRefused) {
  TiffPlan plan;
  plan.width = 8;
  plan.pages = 3;
  EXPECT_EQ(ReadWithReader(PlannedTiff(plan), 2).found, 0);
  plan.loop = true;
  const Bytes looped = PlannedTiff(plan);
  const Outcome outcome = ReadWithReader(looped, 2);
  EXPECT_LT(outcome.found, 0);
  EXPECT_LT(outcome.cost.seconds, 0.5 * kSlowdown);
  EXPECT_LT(ScanWithExports(looped, BCX_IMG_TIFF, 2).seconds, 0.5 * kSlowdown);
}

TEST(TiffBombs, ThousandsOfPagesAreReadInBoundedTime) {
  TiffPlan plan;
  plan.width = 8;
  plan.pages = 5000;
  const Bytes tiff = PlannedTiff(plan);
  const Outcome last = ReadWithReader(tiff, 4999);
  EXPECT_EQ(last.found, 0) << last.error;
  EXPECT_LT(last.cost.seconds, 6.0 * kSlowdown);
  EXPECT_LT(ScanWithExports(tiff, BCX_IMG_TIFF, 4999).seconds, 6.0 * kSlowdown);
}

TEST(TiffBombs, PagesSharingOneLargeArrayAreRefused) {
  // 500 pages each pointing at the same 4 MB array: libtiff would read the
  // array again for every page it walks past.
  TiffPlan plan;
  plan.width = 8;
  plan.pages = 500;
  plan.sharedArray = 1u << 20;
  const Bytes tiff = PlannedTiff(plan);
  const Outcome outcome = ReadWithReader(tiff, 499);
  EXPECT_LT(outcome.found, 0);
  EXPECT_LT(outcome.cost.seconds, 0.5 * kSlowdown);
  EXPECT_LT(ScanWithExports(tiff, BCX_IMG_TIFF, 499).seconds, 0.5 * kSlowdown);
}

TEST(WebpBombs, HugeHeaderIsRefused) {
  const Outcome outcome = ReadWithReader(WebpHeader(16384, 16384));
  ExpectRefusedForSize(outcome, "16384x16384");
  EXPECT_LT(outcome.cost.seconds, 0.5 * kSlowdown);
  EXPECT_LT(outcome.cost.peakGrowthMb, 50 * kPeakScale);
  ExpectRefusedForSize(ReadWithReader(WebpHeader(16000, 8000)), "16000x8000");
}

TEST(JpegBombs, HugeHeaderIsRefused) {
  const Outcome outcome = ReadWithReader(JpegClaiming(60000, 4000, false, false));
  ExpectRefusedForSize(outcome, "60000x4000");
  EXPECT_LT(outcome.cost.seconds, 0.5 * kSlowdown);
  EXPECT_LT(outcome.cost.peakGrowthMb, 50 * kPeakScale);
}

TEST(JpegBombs, ProgressiveColourCountsEveryComponent) {
  // 64 million pixels, within the budget, but 192 million coefficients held.
  const Bytes progressive = JpegClaiming(8000, 8000, true, true);
  const Outcome refused = ReadWithReader(progressive);
  ExpectRefusedForSize(refused, "8000x8000");
  EXPECT_LT(refused.cost.seconds, 0.5 * kSlowdown);
  // Baseline needs no such buffers: decoded until the data runs out.
  const Outcome baseline = ReadWithReader(JpegClaiming(8000, 8000, false, true));
  EXPECT_LT(baseline.found, 0);
  EXPECT_LT(baseline.cost.seconds, 1.0 * kSlowdown);
  EXPECT_LT(baseline.cost.peakGrowthMb, 200 * kPeakScale);
  // Grey progressive holds one component: 64 million, within the budget.
  const Outcome grey = ReadWithReader(JpegClaiming(8000, 8000, true, false));
  EXPECT_LT(grey.found, 0);
  EXPECT_EQ(grey.error.find("budget"), std::string::npos) << grey.error;
  EXPECT_LT(grey.cost.peakGrowthMb, 400 * kPeakScale);
}

}  // namespace
}  // namespace bcx::test
