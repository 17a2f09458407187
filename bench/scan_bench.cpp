// Times BcxScan through the public calls on pages made in memory: symbols
// drawn with libzint, printed-text clutter, saved as PNG with Leptonica.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <zint.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "bcxread.h"
#include "pipeline/pipeline.h"
#include "stages/components/components.h"
#include "stages/components/scan_state.h"
#include "stages/grouping/grouping.h"

namespace {

using bcx::g_library;

constexpr uint8_t kWhite = 255;
constexpr uint8_t kBlack = 0;

struct Page {
  int32_t width;
  int32_t height;
  std::vector<uint8_t> grey;

  Page(int32_t w, int32_t h) : width(w), height(h), grey(static_cast<size_t>(w) * h, kWhite) {}
  void Set(int32_t x, int32_t y, uint8_t v) {
    if (x >= 0 && y >= 0 && x < width && y < height) grey[static_cast<size_t>(y) * width + x] = v;
  }
  void Fill(int32_t left, int32_t top, int32_t w, int32_t h, uint8_t v) {
    for (int32_t y = top; y < top + h; ++y) {
      for (int32_t x = left; x < left + w; ++x) Set(x, y, v);
    }
  }
};

// A symbol rendered by libzint as a grey raster, one byte per pixel.
struct Symbol {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> grey;
};

Symbol RenderSymbol(int symbology, const char* data, float scale) {
  Symbol s;
  zint_symbol* z = ZBarcode_Create();
  if (z == nullptr) return s;
  z->symbology = symbology;
  z->scale = scale;
  z->height = 50.0f;
  z->show_hrt = 0;
  const int length = static_cast<int>(std::strlen(data));
  if (ZBarcode_Encode(z, reinterpret_cast<const unsigned char*>(data), length) < ZINT_ERROR &&
      ZBarcode_Buffer(z, 0) < ZINT_ERROR) {
    s.width = z->bitmap_width;
    s.height = z->bitmap_height;
    s.grey.resize(static_cast<size_t>(s.width) * s.height);
    // Rows of red, green, blue: red alone tells black from white.
    for (size_t k = 0; k < s.grey.size(); ++k) s.grey[k] = z->bitmap[3 * k];
  }
  ZBarcode_Delete(z);
  return s;
}

// Pastes the symbol centred at (cx, cy), turned by `degrees`, nearest pixel.
void Paste(Page& page, const Symbol& s, double cx, double cy, double degrees) {
  const double r = degrees * 3.141592653589793 / 180.0;
  const double c = std::cos(r);
  const double n = std::sin(r);
  const double half = 0.5 * std::hypot(s.width, s.height) + 2;
  for (int32_t y = static_cast<int32_t>(cy - half); y <= static_cast<int32_t>(cy + half); ++y) {
    for (int32_t x = static_cast<int32_t>(cx - half); x <= static_cast<int32_t>(cx + half); ++x) {
      const double dx = x - cx;
      const double dy = y - cy;
      const int32_t sx = static_cast<int32_t>(std::floor(dx * c + dy * n + s.width / 2.0));
      const int32_t sy = static_cast<int32_t>(std::floor(-dx * n + dy * c + s.height / 2.0));
      if (sx < 0 || sy < 0 || sx >= s.width || sy >= s.height) continue;
      page.Set(x, y, s.grey[static_cast<size_t>(sy) * s.width + sx]);
    }
  }
}

// Lines of glyph-sized blobs: strokes, bowls and dots about the size of
// 10-point type at 300 dpi.
void PrintText(Page& page, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint32_t seed) {
  std::mt19937 random(seed);
  constexpr int32_t kLinePitch = 50;
  constexpr int32_t kGlyphPitch = 22;
  for (int32_t line = top; line + kLinePitch <= bottom; line += kLinePitch) {
    for (int32_t x = left; x + kGlyphPitch <= right; x += kGlyphPitch) {
      if (random() % 7 == 0) continue;  // word gap
      const int32_t tall = random() % 3 == 0 ? 30 : 21;
      const int32_t base = line + 30;
      switch (random() % 4) {
        case 0:  // l, i, t
          page.Fill(x + 6, base - tall, 3, tall, kBlack);
          break;
        case 1:  // n, h, u
          page.Fill(x + 2, base - tall, 3, tall, kBlack);
          page.Fill(x + 13, base - 21, 3, 21, kBlack);
          page.Fill(x + 2, base - 21, 14, 3, kBlack);
          break;
        case 2:  // o, e, c
          for (int32_t a = 0; a < 64; ++a) {
            const double t = a * 6.283185307179586 / 64.0;
            page.Fill(x + 8 + static_cast<int32_t>(7 * std::cos(t)),
                      base - 11 + static_cast<int32_t>(10 * std::sin(t)), 3, 3, kBlack);
          }
          break;
        default:  // v, x, z
          for (int32_t k = 0; k < 21; ++k)
            page.Fill(x + 2 + k * 2 / 3, base - 21 + k, 3, 1, kBlack);
          for (int32_t k = 0; k < 21; ++k)
            page.Fill(x + 16 - k * 2 / 3, base - 21 + k, 3, 1, kBlack);
          break;
      }
    }
  }
}

struct Png {
  l_uint8* data = nullptr;
  size_t size = 0;
};

Png EncodePng(const Page& page) {
  Png png;
  PIX* pix = pixCreate(page.width, page.height, 8);
  if (pix == nullptr) return png;
  for (int32_t y = 0; y < page.height; ++y) {
    l_uint32* line = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
    for (int32_t x = 0; x < page.width; ++x) {
      SET_DATA_BYTE(line, x, page.grey[static_cast<size_t>(y) * page.width + x]);
    }
  }
  pixWriteMem(&png.data, &png.size, pix, IFF_PNG);
  pixDestroy(&pix);
  return png;
}

Page OneSymbolPage() {
  Page page(1000, 1000);
  const Symbol s = RenderSymbol(BARCODE_CODE128, "BCXDEC-0123456789", 1.5f);
  Paste(page, s, 500, 500, 0.0);
  return page;
}

Page A4Page() {
  Page page(2480, 3508);
  PrintText(page, 150, 150, 2330, 3358, 2026);
  const Symbol code128 = RenderSymbol(BARCODE_CODE128, "A4-PAGE-CODE128-42", 1.5f);
  const Symbol ean13 = RenderSymbol(BARCODE_EANX, "501234567890", 2.0f);
  const Symbol code39 = RenderSymbol(BARCODE_CODE39, "PAGE39", 1.5f);
  const Symbol itf = RenderSymbol(BARCODE_C25INTER, "12345678", 1.5f);
  const struct {
    const Symbol* symbol;
    double cx, cy, degrees;
  } placed[] = {{&code128, 700, 400, 0.0},
                {&ean13, 1800, 900, 90.0},
                {&code39, 1200, 1800, 30.0},
                {&itf, 600, 2800, 180.0},
                {&code128, 1800, 3000, -15.0}};
  for (const auto& p : placed) {
    const int32_t clear =
        static_cast<int32_t>(std::hypot(p.symbol->width, p.symbol->height) / 2) + 20;
    page.Fill(static_cast<int32_t>(p.cx) - clear, static_cast<int32_t>(p.cy) - clear, 2 * clear,
              2 * clear, kWhite);
    Paste(page, *p.symbol, p.cx, p.cy, p.degrees);
  }
  return page;
}

void LoadForScan(const Png& png) {
  BcxInit();
  BcxLoadFromMem(png.data, static_cast<uint32_t>(png.size), BCX_IMG_PNG);
  for (uint16_t id = 0; id < 8; ++id) BcxScanType(id, 1);
  uint16_t w = 0;
  uint16_t h = 0;
  BcxGetImgSize(&w, &h);
}

void ReportRate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.counters["found"] = BcxGetCount();
}

void ScanWholePage(benchmark::State& state, const Page& page) {
  Png png = EncodePng(page);
  LoadForScan(png);
  for (auto _ : state) benchmark::DoNotOptimize(BcxScan());
  ReportRate(state, static_cast<int64_t>(page.width) * page.height);
  lept_free(png.data);
  BcxCleanUp();
}

void BM_ScanOneSymbolMegapixel(benchmark::State& state) { ScanWholePage(state, OneSymbolPage()); }

void BM_ScanA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  ScanWholePage(state, page);
}

void BM_ScanRegion200x100(benchmark::State& state) {
  Png png = EncodePng(OneSymbolPage());
  LoadForScan(png);
  // Across the middle of the symbol.
  BcxSetRegion(400, 450, 599, 549);
  for (auto _ : state) benchmark::DoNotOptimize(BcxScan());
  ReportRate(state, 200 * 100);
  lept_free(png.data);
  BcxCleanUp();
}

// The library's own share: the region already binarised, no provider call.
void SegmentOnly(benchmark::State& state, const Page& page) {
  BcxInit();
  std::vector<uint8_t> binary(page.grey.size());
  for (size_t k = 0; k < binary.size(); ++k) binary[k] = page.grey[k] < 128 ? 1 : 0;
  for (auto _ : state) {
    bcx::AllocateScanBuffers(g_library.context.scan, page.width, page.height);
    std::memcpy(bcx::g_library.context.scan.region, binary.data(), binary.size());
    benchmark::DoNotOptimize(bcx::RunExactPipeline(g_library.context));
    bcx::ReleaseScanBuffers(g_library.context.scan);
  }
  ReportRate(state, static_cast<int64_t>(page.width) * page.height);
  // What the page holds for the later stages.
  bcx::AllocateScanBuffers(g_library.context.scan, page.width, page.height);
  std::memcpy(bcx::g_library.context.scan.region, binary.data(), binary.size());
  bcx::FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace);
  state.counters["bars"] = bcx::g_library.context.scan.barCount;
  int groups = 0;
  if (bcx::g_library.context.scan.barCount > 0 && bcx::AllocateGroupTable(g_library.context.scan)) {
    while (bcx::g_library.context.scan.barCount > 0) {
      int32_t n = 0;
      bcx::CollectGroup(g_library.context.scan, &n);
      if (n >= 2) ++groups;
    }
  }
  state.counters["groups"] = groups;
  bcx::ReleaseScanBuffers(g_library.context.scan);
}

void BM_SegmentOnlyOneSymbolMegapixel(benchmark::State& state) {
  SegmentOnly(state, OneSymbolPage());
}

void BM_SegmentOnlyA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  SegmentOnly(state, page);
}

// The same pages through a reader: exact mode, which must cost no more than
// BcxScan on the same image, from grey pixels and from the encoded image
// (decoding included, as BcxSetPage-free hosts pay it once per image).
void ReadGreyPage(benchmark::State& state, const Page& page, int mode) {
  bcx_reader* reader = bcx_reader_new();
  bcx_reader_set_mode(reader, mode);
  int found = 0;
  for (auto _ : state) {
    found = bcx_read_gray(reader, page.grey.data(), page.width, page.height, page.width);
    benchmark::DoNotOptimize(found);
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(page.width) * page.height / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.counters["found"] = found;
  bcx_reader_free(reader);
}

void ReadEncodedPage(benchmark::State& state, const Page& page) {
  Png png = EncodePng(page);
  bcx_reader* reader = bcx_reader_new();
  bcx_reader_set_mode(reader, BCX_MODE_EXACT);
  int found = 0;
  for (auto _ : state) {
    found = bcx_read_memory(reader, png.data, png.size, 0);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found;
  bcx_reader_free(reader);
  lept_free(png.data);
}

// BcxScan's counterpart of ReadEncodedPage: load and scan every time.
void LoadAndScanPage(benchmark::State& state, const Page& page) {
  Png png = EncodePng(page);
  BcxInit();
  for (uint16_t id = 0; id < 8; ++id) BcxScanType(id, 1);
  for (auto _ : state) {
    BcxLoadFromMem(png.data, static_cast<uint32_t>(png.size), BCX_IMG_PNG);
    uint16_t w = 0;
    uint16_t h = 0;
    BcxGetImgSize(&w, &h);
    benchmark::DoNotOptimize(BcxScan());
  }
  state.counters["found"] = BcxGetCount();
  lept_free(png.data);
  BcxCleanUp();
}

void BM_ReaderGreyOneSymbolMegapixel(benchmark::State& state) {
  static const Page page = OneSymbolPage();
  ReadGreyPage(state, page, BCX_MODE_EXACT);
}

void BM_ReaderGreyA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  ReadGreyPage(state, page, BCX_MODE_EXACT);
}

void BM_ThoroughGreyOneSymbolMegapixel(benchmark::State& state) {
  static const Page page = OneSymbolPage();
  ReadGreyPage(state, page, BCX_MODE_THOROUGH);
}

void BM_ThoroughGreyA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  ReadGreyPage(state, page, BCX_MODE_THOROUGH);
}

void BM_ReaderMemoryA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  ReadEncodedPage(state, page);
}

void BM_LoadAndScanA4Page300Dpi(benchmark::State& state) {
  static const Page page = A4Page();
  LoadAndScanPage(state, page);
}

}  // namespace

BENCHMARK(BM_ScanOneSymbolMegapixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanA4Page300Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanRegion200x100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SegmentOnlyOneSymbolMegapixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SegmentOnlyA4Page300Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderGreyOneSymbolMegapixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderGreyA4Page300Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderMemoryA4Page300Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndScanA4Page300Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThoroughGreyOneSymbolMegapixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThoroughGreyA4Page300Dpi)->Unit(benchmark::kMillisecond);
