#include "corpus.h"

#include <allheaders.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "bcxdec.h"
#include "cases.h"
#include "render.h"

namespace bcxgolden {
namespace {

using bcxtest::Quad;
using bcxtest::SymbolSpec;
using Bytes = std::vector<uint8_t>;

constexpr int kSymbologyIds = BCX_ITF + 1;
const std::vector<uint16_t> kAll = {BCX_CODE39, BCX_CODE128, BCX_GS1_128, BCX_EAN13,
                                    BCX_EAN8,   BCX_UPCA,    BCX_UPCE,    BCX_ITF};

struct PixDeleter {
  void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixHandle = std::unique_ptr<Pix, PixDeleter>;

// Small and written out here, unlike the standard distributions, whose
// outputs may change from one library release to the next.
class SplitMix {
 public:
  explicit SplitMix(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int bound) { return static_cast<int>((Next() >> 33) % static_cast<uint64_t>(bound)); }

 private:
  uint64_t state_;
};

class Digest {
 public:
  void Add(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      value_ = (value_ ^ data[i]) * 0x100000001B3ull;
    }
  }
  void AddNumber(uint32_t n) {
    const uint8_t b[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                          static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    Add(b, sizeof b);
  }
  // Pixels, not encoded bytes: a new zlib may pack the same image otherwise,
  // while a new zint or Leptonica drawing other pixels shows up here.
  void AddPix(Pix* pix) {
    const int w = pixGetWidth(pix);
    const int h = pixGetHeight(pix);
    AddNumber(static_cast<uint32_t>(w));
    AddNumber(static_cast<uint32_t>(h));
    for (int y = 0; y < h; ++y) {
      const l_uint32* line = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
      for (int x = 0; x < w; ++x) {
        const uint8_t v = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
        Add(&v, 1);
      }
    }
  }
  uint64_t value() const { return value_; }

 private:
  uint64_t value_ = 0xCBF29CE484222325ull;
};

// Every pixel of an 8-bit image through `f(x, y, value)`.
template <typename F>
void MapPixels(Pix* pix, F f) {
  const int w = pixGetWidth(pix);
  const int h = pixGetHeight(pix);
  for (int y = 0; y < h; ++y) {
    l_uint32* line = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
    for (int x = 0; x < w; ++x) {
      const int v = f(x, y, static_cast<int>(GET_DATA_BYTE(line, x)));
      SET_DATA_BYTE(line, x, std::clamp(v, 0, 255));
    }
  }
}

int PixelAt(Pix* pix, int x, int y) {
  x = std::clamp(x, 0, pixGetWidth(pix) - 1);
  y = std::clamp(y, 0, pixGetHeight(pix) - 1);
  const l_uint32* line = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
  return static_cast<int>(GET_DATA_BYTE(line, x));
}

// Separable 1-2-1 kernel in integers, so every build blurs alike.
void Blur(Pix* pix, int passes) {
  for (int pass = 0; pass < passes; ++pass) {
    PixHandle copy(pixCopy(nullptr, pix));
    MapPixels(pix, [&](int x, int y, int) {
      return (PixelAt(copy.get(), x - 1, y) + 2 * PixelAt(copy.get(), x, y) +
              PixelAt(copy.get(), x + 1, y) + 2) /
             4;
    });
    pixCopy(copy.get(), pix);
    MapPixels(pix, [&](int x, int y, int) {
      return (PixelAt(copy.get(), x, y - 1) + 2 * PixelAt(copy.get(), x, y) +
              PixelAt(copy.get(), x, y + 1) + 2) /
             4;
    });
  }
}

void AddNoise(Pix* pix, int amplitude, uint64_t seed) {
  SplitMix random(seed);
  MapPixels(pix, [&](int, int, int v) { return v + random.Below(2 * amplitude + 1) - amplitude; });
}

// Black becomes `dark` and white `light`, linearly between.
void Squeeze(Pix* pix, int dark, int light) {
  MapPixels(pix, [&](int, int, int v) { return dark + v * (light - dark) / 255; });
}

// Light falling from the right: the left edge keeps `leftPercent` of it.
void Shade(Pix* pix, int leftPercent) {
  const int w = std::max(pixGetWidth(pix) - 1, 1);
  MapPixels(pix, [&](int x, int, int v) {
    const int percent = leftPercent + (100 - leftPercent) * x / w;
    return v * percent / 100;
  });
}

Bytes Encode(Pix* pix, int format) {
  if (format == IFF_PNG) return bcxtest::EncodePng(pix);
  l_uint8* data = nullptr;
  size_t size = 0;
  l_ok failed = 1;
  if (format == IFF_WEBP) {
    failed = pixWriteMemWebP(&data, &size, pix, 100, 1);
  } else if (format == IFF_JFIF_JPEG) {
    failed = pixWriteMemJpeg(&data, &size, pix, 90, 0);
  } else {
    failed = pixWriteMem(&data, &size, pix, format);
  }
  Bytes out;
  if (failed == 0 && data != nullptr) out.assign(data, data + size);
  lept_free(data);
  return out;
}

uint16_t TypeOfFormat(int format) {
  switch (format) {
    case IFF_BMP:
      return BCX_IMG_BMP;
    case IFF_TIFF_ZIP:
      return BCX_IMG_TIFF;
    case IFF_JFIF_JPEG:
      return BCX_IMG_JPEG;
    case IFF_PNM:
      return BCX_IMG_PNM;
    case IFF_GIF:
      return BCX_IMG_GIF;
    case IFF_WEBP:
      return BCX_IMG_WEBP;
    default:
      return BCX_IMG_PNG;
  }
}

std::string Three(int n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%03d", n);
  return buffer;
}

PixHandle DrawSymbol(const SymbolSpec& symbolDef, int module, int barHeight, double degrees,
                     bool mirror, Quad* quad) {
  Quad local{};
  Quad* q = quad != nullptr ? quad : &local;
  PixHandle flat(bcxtest::DrawModules(bcxtest::EncodeModules(symbolDef), module, barHeight,
                                      bcxtest::kQuietModules * module, q));
  if (mirror) flat.reset(bcxtest::MirrorImage(flat.get(), q));
  return PixHandle(bcxtest::RotateOnCanvas(flat.get(), degrees, q));
}

struct Placed {
  SymbolSpec symbolDef;
  int module;
  int barHeight;
  double degrees;
  int left;
  int top;
};

struct Line {
  const char* text;
  int top;
};

// The page grows to hold every placed symbol, so no layout clips one.
PixHandle Compose(const std::vector<Placed>& items, const std::vector<Line>& lines,
                  std::vector<Quad>* quads) {
  std::vector<PixHandle> pieces;
  std::vector<Quad> local;
  int width = 0;
  int height = 0;
  for (const Placed& item : items) {
    Quad quad{};
    pieces.push_back(
        DrawSymbol(item.symbolDef, item.module, item.barHeight, item.degrees, false, &quad));
    local.push_back(quad);
    width = std::max(width, item.left + static_cast<int>(pixGetWidth(pieces.back().get())));
    height = std::max(height, item.top + static_cast<int>(pixGetHeight(pieces.back().get())));
  }
  PixHandle page(bcxtest::WhiteCanvas(width, height));
  for (size_t i = 0; i < items.size(); ++i) {
    bcxtest::PasteDarker(page.get(), pieces[i].get(), items[i].left, items[i].top, &local[i]);
  }
  constexpr int kMargin = 20;
  constexpr int kFontSize = 10;
  for (const Line& line : lines) {
    bcxtest::PrintText(page.get(), line.text, kMargin, line.top, width - 2 * kMargin, kFontSize);
  }
  if (quads != nullptr) *quads = local;
  return page;
}

GoldenRegion AroundQuad(const Quad& quad, int margin, Pix* pix) {
  double left = quad.p[0].x;
  double right = left;
  double top = quad.p[0].y;
  double bottom = top;
  for (const bcxtest::PointD& p : quad.p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  const auto clampTo = [](double v, int limit) {
    return static_cast<uint16_t>(std::clamp(static_cast<int>(std::lround(v)), 0, limit));
  };
  const int w = pixGetWidth(pix) - 1;
  const int h = pixGetHeight(pix) - 1;
  return {clampTo(left - margin, w), clampTo(top - margin, h), clampTo(right + margin, w),
          clampTo(bottom + margin, h)};
}

class Builder {
 public:
  // Encodes the image as `format` and adds the case; `pix` stays the caller's.
  GoldenCase& Add(GoldenCase c, Pix* pix, int format = IFF_PNG) {
    Digest digest;
    digest.AddPix(pix);
    c.inputDigest = digest.value();
    c.image = Encode(pix, format);
    c.imageType = TypeOfFormat(format);
    cases_.push_back(std::move(c));
    return cases_.back();
  }
  GoldenCase& AddBytes(GoldenCase c) {
    Digest digest;
    digest.Add(c.image.data(), c.image.size());
    c.inputDigest = digest.value();
    return Push(std::move(c));
  }
  GoldenCase& Push(GoldenCase c) {
    cases_.push_back(std::move(c));
    return cases_.back();
  }
  std::vector<GoldenCase> Take() { return std::move(cases_); }

 private:
  std::vector<GoldenCase> cases_;
};

GoldenCase Named(std::string name, std::vector<uint16_t> symbologies = kAll) {
  GoldenCase c{};
  c.name = std::move(name);
  c.imageType = BCX_IMG_PNG;
  c.symbologies = std::move(symbologies);
  return c;
}

std::vector<uint16_t> Enabled(const std::vector<int>& ids) {
  return std::vector<uint16_t>(ids.begin(), ids.end());
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t TypeOfExtension(std::string ext) {
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (ext == ".tif" || ext == ".tiff") return BCX_IMG_TIFF;
  if (ext == ".png") return BCX_IMG_PNG;
  if (ext == ".bmp") return BCX_IMG_BMP;
  if (ext == ".jpg" || ext == ".jpeg") return BCX_IMG_JPEG;
  if (ext == ".pbm" || ext == ".pgm" || ext == ".ppm" || ext == ".pnm") return BCX_IMG_PNM;
  if (ext == ".gif") return BCX_IMG_GIF;
  if (ext == ".webp") return BCX_IMG_WEBP;
  return 0xFFFF;
}

std::string NameOfFile(const std::string& file) {
  std::string out = "Sample_";
  for (unsigned char ch : file) out.push_back(std::isalnum(ch) ? static_cast<char>(ch) : '_');
  return out;
}

// The samples are what users try first; loading them by path also pins the
// file route, which rereads each page from disk.
void AddSamples(Builder* b) {
  const std::filesystem::path dir = BCX_GOLDEN_SAMPLES_DIR;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file() && TypeOfExtension(entry.path().extension()) != 0xFFFF) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& path : files) {
    GoldenCase c = Named(NameOfFile(path.filename().string()));
    c.file = path.string();
    c.imageType = TypeOfExtension(path.extension());
    const Bytes bytes = ReadFileBytes(path);
    Digest digest;
    digest.Add(bytes.data(), bytes.size());
    c.inputDigest = digest.value();
    b->Push(std::move(c));
  }
  // Pages of a memory block are decoded from the library's copy instead.
  GoldenCase mem = Named("SampleMem_three_pages_tif");
  mem.image = ReadFileBytes(dir / "three-pages.tif");
  mem.imageType = BCX_IMG_TIFF;
  b->AddBytes(mem);
  GoldenCase missing = Named("SampleMissingFile");
  missing.file = (dir / "no-such-file.png").string();
  b->AddBytes(missing);
}

// Angles a multiple of 90 stay put; the others move on per symbology so the
// corpus covers many more angles than the list holds.
constexpr int kSweepAngles[] = {0, 7, 23, 41, 58, 90, 113, 137, 179, 180, 201, 256, 271, 299, 347};
constexpr int kSweepHeights[] = {36, 50, 72, 100, 140};

void AddSweep(Builder* b) {
  const std::vector<bcxtest::ReadCase> symbols = bcxtest::SweepCases();
  for (size_t s = 0; s < symbols.size(); ++s) {
    const bcxtest::ReadCase& r = symbols[s];
    int k = 0;
    for (int base : kSweepAngles) {
      const int degrees = base % 90 == 0 ? base : (base + 11 * static_cast<int>(s)) % 360;
      const int module = 2 + k % 3;
      const int height = kSweepHeights[k % 5];
      const bool mirror = k == 4;
      const std::string name = std::string("Sweep_") + r.name + "_A" + Three(degrees) + "_M" +
                               std::to_string(module) + "_H" + std::to_string(height) +
                               (mirror ? "_Mirror" : "");
      PixHandle pix = DrawSymbol(r.symbolDef, module, height, degrees, mirror, nullptr);
      // All symbologies on pins the order decoders are tried in; one alone pins
      // each decoder without the others' claims.
      b->Add(Named(name, k % 2 == 0 ? kAll : Enabled(r.enabled)), pix.get());
      ++k;
    }
  }
}

void AddPayloads(Builder* b) {
  const std::vector<bcxtest::ReadCase> payloads = bcxtest::PayloadCases();
  for (size_t i = 0; i < payloads.size(); ++i) {
    const bcxtest::ReadCase& r = payloads[i];
    PixHandle upright = DrawSymbol(r.symbolDef, 3, 50, 0.0, false, nullptr);
    b->Add(Named(std::string("Payload_") + r.name + "_Upright", Enabled(r.enabled)), upright.get());
    const int degrees = (13 + 29 * static_cast<int>(i)) % 360;
    const int module = 2 + static_cast<int>(i % 3);
    const bool mirror = i % 5 == 0;
    PixHandle turned = DrawSymbol(r.symbolDef, module, 64, degrees, mirror, nullptr);
    b->Add(Named(std::string("Payload_") + r.name + "_A" + Three(degrees) + "_M" +
                 std::to_string(module) + (mirror ? "_Mirror" : "")),
           turned.get());
  }
}

struct Degradation {
  const char* name;
  int degrees;
  int module;
  int height;
  int blurPasses;
  int noise;
};

constexpr Degradation kDegradations[] = {
    {"Blur1", 0, 3, 50, 1, 0},     {"Blur2", 31, 4, 60, 2, 0},     {"Blur3", 90, 2, 50, 3, 0},
    {"Noise24", 77, 3, 50, 0, 24}, {"Noise48", 152, 4, 80, 0, 48}, {"BlurNoise", 263, 3, 60, 1, 32},
};

void AddDegraded(Builder* b) {
  const std::vector<bcxtest::ReadCase> symbols = bcxtest::SweepCases();
  uint64_t seed = 1;
  for (const bcxtest::ReadCase& r : symbols) {
    for (const Degradation& d : kDegradations) {
      PixHandle pix = DrawSymbol(r.symbolDef, d.module, d.height, d.degrees, false, nullptr);
      if (d.blurPasses > 0) Blur(pix.get(), d.blurPasses);
      if (d.noise > 0) AddNoise(pix.get(), d.noise, seed++);
      b->Add(Named(std::string("Degraded_") + r.name + "_" + d.name + "_A" + Three(d.degrees)),
             pix.get());
    }
  }
}

// zint's own raster: the digits under the bars are strokes the locator must
// not take for bars.
void AddHumanReadable(Builder* b) {
  constexpr int kAngles[] = {0, 17, 196};
  const std::vector<bcxtest::ReadCase> symbols = bcxtest::SweepCases();
  for (const bcxtest::ReadCase& r : symbols) {
    for (int k = 0; k < 3; ++k) {
      const int module = 3 - (k == 1) + (k == 2);
      const int height = k == 2 ? 80 : 50;
      PixHandle flat(
          bcxtest::DrawWithText(r.symbolDef, module, height, bcxtest::kQuietModules * module));
      PixHandle turned(bcxtest::RotateOnCanvas(flat.get(), kAngles[k], nullptr));
      b->Add(Named(std::string("Text_") + r.name + "_A" + Three(kAngles[k]) + "_M" +
                       std::to_string(module),
                   k == 1 ? Enabled(r.enabled) : kAll),
             turned.get());
    }
  }
}

constexpr Line kDeliveryLines[] = {
    {"Delivery note 4471. Please check the goods on arrival.", 40},
    {"Report any damage within three days of delivery to the sender.", 330},
    {"Item: ball bearings, 12 boxes of 100; weight 14.5 kg; lot 2231-B.", 640},
};

struct Scene {
  const char* name;
  std::vector<Placed> items;
  std::vector<Line> lines;
  std::vector<uint16_t> symbologies;
  int blurPasses;
  int noise;
};

std::vector<Scene> Scenes() {
  using bcxtest::Code128;
  using bcxtest::Code39;
  using bcxtest::Ean;
  using bcxtest::Gs1;
  using bcxtest::Itf;
  using bcxtest::UpcA;
  using bcxtest::UpcE;
  const std::vector<Line> delivery(std::begin(kDeliveryLines), std::end(kDeliveryLines));
  return {
      {"SideBySide",
       {{Code128("LEFT-1"), 3, 50, 0, 0, 0}, {Ean("400638133393"), 3, 50, 0, 400, 60}},
       {},
       kAll,
       0,
       0},
      // Level bars of like length join one span that no decoder accepts.
      {"SideBySideLevel",
       {{Code128("LEFT-1"), 3, 50, 0, 0, 0}, {Ean("400638133393"), 3, 50, 0, 400, 0}},
       {},
       kAll,
       0,
       0},
      {"Stacked",
       {{Code39("TOP"), 3, 50, 0, 0, 0}, {Itf("12345678901231"), 3, 50, 0, 0, 180}},
       {},
       kAll,
       0,
       0},
      {"Crossing",
       {{Code128("TILT30"), 3, 50, 30, 0, 0}, {Ean("9638507"), 3, 50, 120, 330, 60}},
       {},
       kAll,
       0,
       0},
      {"ThreeKinds",
       {{UpcA("03600029145"), 3, 60, 0, 0, 0},
        {Code39("THREE-3"), 3, 60, 90, 420, 0},
        {Itf("0123456789"), 3, 60, 203, 80, 330}},
       {},
       kAll,
       0,
       0},
      {"PrintedPage",
       {{Code128("PAGE-0815"), 3, 50, 0, 20, 20}, {Ean("590123412345"), 3, 50, 0, 330, 330}},
       delivery,
       kAll,
       0,
       0},
      {"PrintedPageTurned",
       {{Code128("TURN-11"), 3, 60, 11, 10, 60},
        {Ean("9638507"), 3, 60, 47, 420, 20},
        {UpcE("0425261"), 3, 60, 301, 200, 380}},
       delivery,
       kAll,
       0,
       0},
      {"PrintedPageNoisy",
       {{Code39("NOISY PAGE"), 3, 60, 0, 20, 80}, {Ean("978020137962"), 3, 60, 178, 300, 380}},
       delivery,
       kAll,
       1,
       20},
      {"Gs1BesideEan",
       {{Gs1("[01]09501101530003[17]251231"), 3, 60, 0, 0, 0},
        {Ean("590123412345"), 3, 60, 0, 100, 260}},
       {},
       {BCX_CODE128, BCX_EAN13},
       0,
       0},
      {"MixedModules",
       {{Code128("m2"), 2, 40, 0, 0, 0},
        {Ean("1234567"), 4, 80, 0, 0, 160},
        {UpcE("0123456"), 3, 60, 64, 420, 40}},
       {},
       kAll,
       0,
       0},
      {"TwinSymbols",
       {{Code39("TWIN"), 3, 50, 0, 0, 0}, {Code39("TWIN"), 3, 50, 0, 60, 220}},
       {},
       kAll,
       0,
       0},
      {"UpsideDownPair",
       {{Code128("UP"), 3, 50, 0, 0, 0}, {Code128("DOWN"), 3, 50, 180, 20, 210}},
       {},
       kAll,
       0,
       0},
      {"ThreeBlurredNoisy",
       {{Ean("400638133393"), 3, 60, 5, 0, 0},
        {Code128("Bx-77"), 3, 60, 95, 400, 0},
        {Itf("1234"), 3, 60, 250, 100, 300}},
       {},
       kAll,
       1,
       28},
      {"CloseTogether",
       {{Ean("9638507"), 3, 50, 0, 0, 0}, {Ean("9999999"), 3, 50, 0, 200, 120}},
       {},
       kAll,
       0,
       0},
      {"LargeAndSmall",
       {{Code39("BIG"), 4, 120, 0, 0, 0}, {Code128("small"), 2, 30, 0, 40, 260}},
       {},
       kAll,
       0,
       0},
      {"FourTurned",
       {{Code128("N-0"), 3, 70, 0, 0, 0},
        {Code128("E-90"), 3, 70, 90, 330, 0},
        {Code128("S-180"), 3, 70, 180, 0, 330},
        {Code128("W-270"), 3, 70, 270, 330, 330}},
       {},
       {BCX_CODE128},
       0,
       0},
  };
}

void AddScenes(Builder* b) {
  uint64_t seed = 1000;
  for (const Scene& s : Scenes()) {
    std::vector<Quad> quads;
    PixHandle page = Compose(s.items, s.lines, &quads);
    if (s.blurPasses > 0) Blur(page.get(), s.blurPasses);
    if (s.noise > 0) AddNoise(page.get(), s.noise, seed++);
    b->Add(Named(std::string("Scene_") + s.name, s.symbologies), page.get());
  }
}

void AddRegions(Builder* b) {
  std::vector<Quad> quads;
  PixHandle page = Compose({{bcxtest::Code128("LEFT-1"), 3, 50, 0, 0, 0},
                            {bcxtest::Ean("400638133393"), 3, 50, 0, 400, 0},
                            {bcxtest::UpcE("0123453"), 3, 50, 33, 60, 200}},
                           {}, &quads);
  Pix* pix = page.get();
  const uint16_t w = static_cast<uint16_t>(pixGetWidth(pix));
  const uint16_t h = static_cast<uint16_t>(pixGetHeight(pix));
  const auto add = [&](const char* name, GoldenRegion region) {
    GoldenCase c = Named(std::string("Region_") + name);
    c.region = region;
    b->Add(std::move(c), pix);
  };
  add("Code128", AroundQuad(quads[0], 15, pix));
  add("Ean13", AroundQuad(quads[1], 15, pix));
  add("UpcETight", AroundQuad(quads[2], 2, pix));
  add("UpcEWide", AroundQuad(quads[2], 40, pix));
  add("WholeImage", {0, 0, static_cast<uint16_t>(w - 1), static_cast<uint16_t>(h - 1)});
  add("BlankCorner", {static_cast<uint16_t>(w - 40), static_cast<uint16_t>(h - 40),
                      static_cast<uint16_t>(w - 1), static_cast<uint16_t>(h - 1)});
  GoldenRegion half = AroundQuad(quads[1], 15, pix);
  half.right = static_cast<uint16_t>((half.left + half.right) / 2);
  add("Ean13LeftHalf", half);
  add("Reversed", {200, 10, 100, 50});
  add("BeyondImage", {0, 0, w, h});
  add("OnePixelHigh", {0, 20, static_cast<uint16_t>(w - 1), 21});
}

void AddThresholds(Builder* b) {
  PixHandle faint = DrawSymbol(bcxtest::Code128("faint-42"), 3, 50, 12, false, nullptr);
  Squeeze(faint.get(), 150, 235);
  PixHandle faintUpright = DrawSymbol(bcxtest::Code128("faint-42"), 3, 50, 0, false, nullptr);
  Squeeze(faintUpright.get(), 150, 235);
  PixHandle shaded = DrawSymbol(bcxtest::Ean("590123412345"), 3, 60, 0, false, nullptr);
  Shade(shaded.get(), 30);
  PixHandle noisy = DrawSymbol(bcxtest::Code39("OTSU"), 3, 50, 66, false, nullptr);
  Squeeze(noisy.get(), 60, 200);
  AddNoise(noisy.get(), 40, 77);
  PixHandle plain = DrawSymbol(bcxtest::Itf("12345678901231"), 3, 50, 0, false, nullptr);
  struct Level {
    const char* name;
    Pix* pix;
    int32_t threshold;
  };
  const Level levels[] = {
      {"Faint_Default", faint.get(), 0},
      {"Faint_128", faint.get(), 128},
      {"Faint_170", faint.get(), 170},
      {"Faint_200", faint.get(), 200},
      {"Faint_Otsu", faint.get(), BCX_THRESHOLD_OTSU},
      {"Faint_Adaptive", faint.get(), BCX_THRESHOLD_ADAPTIVE},
      {"FaintUpright_Default", faintUpright.get(), 0},
      {"FaintUpright_200", faintUpright.get(), 200},
      {"FaintUpright_Otsu", faintUpright.get(), BCX_THRESHOLD_OTSU},
      {"FaintUpright_Adaptive", faintUpright.get(), BCX_THRESHOLD_ADAPTIVE},
      {"Shaded_Default", shaded.get(), 0},
      {"Shaded_Otsu", shaded.get(), BCX_THRESHOLD_OTSU},
      {"Shaded_Adaptive", shaded.get(), BCX_THRESHOLD_ADAPTIVE},
      {"NoisyGrey_Default", noisy.get(), 0},
      {"NoisyGrey_Otsu", noisy.get(), BCX_THRESHOLD_OTSU},
      {"NoisyGrey_Adaptive", noisy.get(), BCX_THRESHOLD_ADAPTIVE},
      {"Plain_1", plain.get(), 1},
      {"Plain_255", plain.get(), 255},
      {"Plain_Refused256", plain.get(), 256},
      {"Plain_RefusedMinus3", plain.get(), -3},
  };
  for (const Level& level : levels) {
    GoldenCase c = Named(std::string("Threshold_") + level.name);
    c.threshold = level.threshold;
    b->Add(std::move(c), level.pix);
  }
}

// Switch combinations whose answer is part of the interface.
void AddSwitches(Builder* b) {
  PixHandle gs1 = DrawSymbol(bcxtest::Gs1("[01]12345678901231"), 3, 50, 0, false, nullptr);
  PixHandle gs1Sep = DrawSymbol(bcxtest::Gs1("[10]1234AB[21]56"), 3, 50, 0, false, nullptr);
  PixHandle upca = DrawSymbol(bcxtest::UpcA("03600029145"), 3, 50, 0, false, nullptr);
  PixHandle ean13 = DrawSymbol(bcxtest::Ean("590123412345"), 3, 50, 0, false, nullptr);
  PixHandle upce = DrawSymbol(bcxtest::UpcE("0425261"), 3, 50, 0, false, nullptr);
  PixHandle itf = DrawSymbol(bcxtest::Itf("1234"), 3, 50, 0, false, nullptr);
  PixHandle code39 = DrawSymbol(bcxtest::Code39("SWITCH"), 3, 50, 0, false, nullptr);
  struct Switch {
    const char* name;
    Pix* pix;
    std::vector<uint16_t> on;
  };
  const Switch switches[] = {
      {"Gs1_OnlyCode128", gs1.get(), {BCX_CODE128}},
      {"Gs1_OnlyGs1", gs1.get(), {BCX_GS1_128}},
      {"Gs1_Code128AndGs1", gs1.get(), {BCX_CODE128, BCX_GS1_128}},
      {"Gs1Separator_OnlyCode128", gs1Sep.get(), {BCX_CODE128}},
      {"UpcA_Ean13AndUpcA", upca.get(), {BCX_EAN13, BCX_UPCA}},
      {"UpcA_OnlyUpcA", upca.get(), {BCX_UPCA}},
      {"UpcA_OnlyEan13", upca.get(), {BCX_EAN13}},
      {"Ean13_OnlyUpcA", ean13.get(), {BCX_UPCA}},
      {"UpcE_OnlyEan13", upce.get(), {BCX_EAN13}},
      {"UpcE_UpcAAndUpcE", upce.get(), {BCX_UPCA, BCX_UPCE}},
      {"Itf_OnlyCode39", itf.get(), {BCX_CODE39}},
      {"Code39_AllButCode39",
       code39.get(),
       {BCX_CODE128, BCX_GS1_128, BCX_EAN13, BCX_EAN8, BCX_UPCA, BCX_UPCE, BCX_ITF}},
      {"Code39_NoneOn", code39.get(), {}},
  };
  for (const Switch& s : switches) b->Add(Named(std::string("Switch_") + s.name, s.on), s.pix);
}

void AddLimits(Builder* b) {
  PixHandle longCode =
      DrawSymbol(bcxtest::Code128("Hello, World! ~{} 0123"), 2, 40, 0, false, nullptr);
  PixHandle shortBars = DrawSymbol(bcxtest::Ean("400638133393"), 3, 50, 0, false, nullptr);
  PixHandle tallBars = DrawSymbol(bcxtest::Code39("TALL"), 3, 100, 9, false, nullptr);
  PixHandle veryTall = DrawSymbol(bcxtest::Code128("340"), 3, 340, 0, false, nullptr);
  struct LimitCase {
    const char* name;
    Pix* pix;
    GoldenLimit limit;
  };
  const LimitCase limits[] = {
      {"Defaults", shortBars.get(), {10, 0.5, 8}},
      {"Ratio5_Long", longCode.get(), {5, 0.5, 8}},
      {"Ratio20_Long", longCode.get(), {20, 0.5, 8}},
      {"Ratio30IsDefault_Long", longCode.get(), {30, 0.5, 8}},
      {"Min2cm_Short", shortBars.get(), {10, 2.0, 8}},
      {"Min2cm_Tall", tallBars.get(), {10, 2.0, 8}},
      {"Max1cm_Short", shortBars.get(), {10, 0.5, 1.0}},
      {"Max10cm_VeryTall", veryTall.get(), {10, 0.5, 10}},
      {"Max20cmIs10_VeryTall", veryTall.get(), {10, 0.5, 20}},
      {"RefusedZero", shortBars.get(), {0, 0.5, 8}},
      {"RefusedMinAboveMax", shortBars.get(), {10, 3, 2}},
      {"RefusedNaN", shortBars.get(), {10, std::nan(""), 8}},
  };
  for (const LimitCase& l : limits) {
    GoldenCase c = Named(std::string("Limit_") + l.name);
    c.limit = l.limit;
    b->Add(std::move(c), l.pix);
  }
  // The defaults alone do not read these bars, so a limit is what reads them.
  b->Add(Named("Limit_None_VeryTall"), veryTall.get());
}

void AddPagesAndFormats(Builder* b) {
  std::vector<PixHandle> pages;
  pages.push_back(DrawSymbol(bcxtest::Code128("PAGE-1"), 3, 60, 0, false, nullptr));
  pages.push_back(DrawSymbol(bcxtest::Ean("9638507"), 3, 60, 45, false, nullptr));
  pages.push_back(PixHandle(bcxtest::WhiteCanvas(300, 200)));
  pages.push_back(DrawSymbol(bcxtest::Code39("PAGE-4"), 3, 60, 300, false, nullptr));
  Pixa* pixa = pixaCreate(4);
  Digest digest;
  for (const PixHandle& page : pages) {
    pixaAddPix(pixa, page.get(), L_COPY);
    digest.AddPix(page.get());
  }
  l_uint8* data = nullptr;
  size_t size = 0;
  Bytes tiff;
  if (pixaWriteMemMultipageTiff(&data, &size, pixa) == 0 && data != nullptr) {
    tiff.assign(data, data + size);
  }
  lept_free(data);
  pixaDestroy(&pixa);
  struct TiffCase {
    const char* name;
    uint16_t type;
    uint16_t priorType;
    std::vector<uint16_t> pages;
    bool region;
  };
  const TiffCase tiffCases[] = {
      {"AllPages", BCX_IMG_TIFF, 0, {}, false},
      {"PagesOutOfOrder", BCX_IMG_TIFF, 0, {3, 0, 2, 1}, false},
      {"PageBeyondThenBack", BCX_IMG_TIFF, 0, {7, 1}, false},
      {"AsDetectAfterTiff", BCX_IMG_DETECT, BCX_IMG_TIFF, {}, false},
      {"AsDetectAfterPng", BCX_IMG_DETECT, BCX_IMG_PNG, {}, false},
      {"AsPng", BCX_IMG_PNG, 0, {}, false},
      {"AsPngPageListed", BCX_IMG_PNG, 0, {1}, false},
      {"AsGif", BCX_IMG_GIF, 0, {}, false},
      {"RegionEveryPage", BCX_IMG_TIFF, 0, {}, true},
  };
  for (const TiffCase& t : tiffCases) {
    GoldenCase c = Named(std::string("Tiff4_") + t.name);
    c.image = tiff;
    c.imageType = t.type;
    c.priorType = t.priorType;
    c.pages = t.pages;
    // Inside the first page, beyond the others on one side or another.
    if (t.region) c.region = GoldenRegion{10, 120, 380, 270};
    c.inputDigest = digest.value();
    b->Push(std::move(c));
  }

  PixHandle symbol = DrawSymbol(bcxtest::Ean("400638133393"), 3, 60, 15, false, nullptr);
  struct Format {
    const char* name;
    int format;
  };
  constexpr Format kFormats[] = {{"Bmp", IFF_BMP},           {"Pnm", IFF_PNM},
                                 {"Jpeg", IFF_JFIF_JPEG},    {"Gif", IFF_GIF},
                                 {"WebpLossless", IFF_WEBP}, {"TiffSingle", IFF_TIFF_ZIP}};
  for (const Format& f : kFormats) {
    b->Add(Named(std::string("Format_") + f.name), symbol.get(), f.format);
  }
  GoldenCase detect = Named("Format_PngAsDetect");
  detect.priorType = BCX_IMG_PNG;
  b->Add(std::move(detect), symbol.get()).imageType = BCX_IMG_DETECT;
  GoldenCase asTiff = Named("Format_PngAsTiff");
  b->Add(std::move(asTiff), symbol.get()).imageType = BCX_IMG_TIFF;
  GoldenCase pageListed = Named("Format_PngPageListed");
  pageListed.pages = {0};
  b->Add(std::move(pageListed), symbol.get());
}

// A golden table of successes alone would let refusals and false reads
// change unnoticed.
void AddNothing(Builder* b) {
  PixHandle symbol = DrawSymbol(bcxtest::Code128("REFUSE"), 3, 50, 0, false, nullptr);
  GoldenCase noSize = Named("Refuse_NoImageSize");
  noSize.askImageSize = false;
  b->Add(std::move(noSize), symbol.get());
  GoldenCase noSizeRegion = Named("Refuse_NoImageSizeWithRegion");
  noSizeRegion.askImageSize = false;
  noSizeRegion.region = GoldenRegion{0, 0, 50, 50};
  b->Add(std::move(noSizeRegion), symbol.get());

  const Bytes png = bcxtest::EncodePng(symbol.get());
  GoldenCase truncated = Named("Refuse_TruncatedPng");
  truncated.image.assign(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  b->AddBytes(std::move(truncated));
  GoldenCase headerOnly = Named("Refuse_PngSignatureOnly");
  headerOnly.image.assign(png.begin(), png.begin() + 8);
  b->AddBytes(std::move(headerOnly));
  GoldenCase garbage = Named("Refuse_RandomBytes");
  SplitMix random(4242);
  for (int i = 0; i < 4096; ++i) garbage.image.push_back(static_cast<uint8_t>(random.Next()));
  b->AddBytes(std::move(garbage));
  b->AddBytes(Named("Refuse_EmptyBlock"));

  PixHandle white(bcxtest::WhiteCanvas(320, 240));
  b->Add(Named("Nothing_WhitePage"), white.get());
  PixHandle black(bcxtest::WhiteCanvas(320, 240));
  MapPixels(black.get(), [](int, int, int) { return 0; });
  b->Add(Named("Nothing_BlackPage"), black.get());
  PixHandle grey(bcxtest::WhiteCanvas(320, 240));
  MapPixels(grey.get(), [](int, int, int) { return 128; });
  AddNoise(grey.get(), 100, 99);
  b->Add(Named("Nothing_NoisePage"), grey.get());
  PixHandle stripes(bcxtest::WhiteCanvas(400, 200));
  MapPixels(stripes.get(), [](int x, int, int) { return (x / 3) % 2 == 0 ? 0 : 255; });
  b->Add(Named("Nothing_EvenStripes"), stripes.get());
  PixHandle text(bcxtest::WhiteCanvas(700, 700));
  for (const Line& line : kDeliveryLines) {
    bcxtest::PrintText(text.get(), line.text, 20, line.top, 660, 10);
  }
  b->Add(Named("Nothing_TextOnly"), text.get());
  PixHandle cut = DrawSymbol(bcxtest::Ean("590123412345"), 3, 50, 0, false, nullptr);
  Box* left = boxCreate(0, 0, pixGetWidth(cut.get()) / 2, pixGetHeight(cut.get()));
  PixHandle cropped(pixClipRectangle(cut.get(), left, nullptr));
  boxDestroy(&left);
  b->Add(Named("Nothing_HalfAnEan13"), cropped.get());
}

}  // namespace

std::vector<GoldenCase> GoldenCorpus() {
  Builder b;
  AddSamples(&b);
  AddSweep(&b);
  AddPayloads(&b);
  AddDegraded(&b);
  AddHumanReadable(&b);
  AddScenes(&b);
  AddRegions(&b);
  AddThresholds(&b);
  AddSwitches(&b);
  AddLimits(&b);
  AddPagesAndFormats(&b);
  AddNothing(&b);
  return b.Take();
}

namespace {

bool IsMultiPage(const GoldenCase& c) {
  const uint16_t type = c.file.empty() && c.imageType == BCX_IMG_DETECT ? c.priorType : c.imageType;
  return type == BCX_IMG_TIFF || type == BCX_IMG_GIF;
}

GoldenPage ScanPage(const GoldenCase& c, uint16_t page, bool select) {
  GoldenPage p{};
  p.page = page;
  p.setPage = select ? BcxSetPage(page) : -1;
  p.imageSize = c.askImageSize ? BcxGetImgSize(&p.width, &p.height) : -1;
  p.setRegion = c.region
                    ? BcxSetRegion(c.region->left, c.region->top, c.region->right, c.region->bottom)
                    : -1;
  p.scan = BcxScan();
  p.count = BcxGetCount();
  for (uint16_t i = 0; i < p.count; ++i) {
    GoldenSymbol s{};
    s.type = BcxGetType(i);
    const uint16_t length = BcxGetStrLen(i);
    for (uint16_t k = 0; k < length; ++k) s.text.push_back(static_cast<char>(BcxGetCharAt(i, k)));
    BcxGetRect(i, &s.corner[0], &s.corner[1], &s.corner[2], &s.corner[3]);
    p.symbols.push_back(s);
  }
  return p;
}

}  // namespace

GoldenResult RunGoldenCase(const GoldenCase& c) {
  GoldenResult r{};
  BcxInit();
  for (uint16_t id = 0; id < kSymbologyIds; ++id) {
    const bool on =
        std::find(c.symbologies.begin(), c.symbologies.end(), id) != c.symbologies.end();
    BcxScanType(id, on ? 1 : 0);
  }
  r.setThreshold = c.threshold != 0 ? BcxSetThreshold(c.threshold) : -1;
  r.setLimit =
      c.limit ? BcxSetLimit(c.limit->widthRatio, c.limit->minLength, c.limit->maxLength) : -1;
  if (c.file.empty() && c.imageType == BCX_IMG_DETECT && c.priorType != BCX_IMG_DETECT) {
    const uint8_t refused = 0;
    BcxLoadFromMem(&refused, 1, c.priorType);
  }
  if (c.file.empty()) {
    r.load = BcxLoadFromMem(c.image.data(), static_cast<uint32_t>(c.image.size()), c.imageType);
  } else {
    // The loader refuses paths of 150 characters or more; a deep checkout
    // must not turn into a changed result.
    std::string path = c.file;
    if (path.size() >= 150) path = std::filesystem::proximate(path).string();
    r.load = BcxLoadFromFile(path.c_str(), c.imageType);
  }
  r.pageCount = BcxGetNumOfPages();
  if (!c.pages.empty()) {
    for (uint16_t page : c.pages) r.pages.push_back(ScanPage(c, page, true));
  } else if (IsMultiPage(c) && r.load == 1) {
    for (uint16_t page = 0; page < r.pageCount; ++page) r.pages.push_back(ScanPage(c, page, true));
  }
  // Every case scans at least once, so a refused load still pins BcxScan.
  if (r.pages.empty()) r.pages.push_back(ScanPage(c, 0, false));
  BcxCleanUp();
  return r;
}

bool ReadsSomething(const GoldenResult& result) {
  return std::any_of(result.pages.begin(), result.pages.end(),
                     [](const GoldenPage& p) { return !p.symbols.empty(); });
}

std::string EscapeText(const std::string& text) {
  std::string out;
  for (unsigned char ch : text) {
    if (ch == '\\') {
      out += "\\\\";
    } else if (ch >= 32 && ch <= 126) {
      out.push_back(static_cast<char>(ch));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(ch));
      out += buffer;
    }
  }
  return out;
}

namespace {

std::string OrDash(int32_t value) { return value < 0 ? "-" : std::to_string(value); }

std::string Hex(uint64_t value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*llx", digits, static_cast<unsigned long long>(value));
  return buffer;
}

}  // namespace

std::string GoldenHeader() {
  return "case\tinput\tthreshold\tlimit\tload\tpages\tpage\tsetpage\tsize\tregion\tscan\tcount\t"
         "index\ttype\ttext\tcorner1\tcorner2\tcorner3\tcorner4\n";
}

std::string GoldenLines(const GoldenCase& c, const GoldenResult& result) {
  const std::string head = c.name + "\t" + Hex(c.inputDigest, 16) + "\t" +
                           OrDash(result.setThreshold) + "\t" + OrDash(result.setLimit) + "\t" +
                           std::to_string(result.load) + "\t" + std::to_string(result.pageCount);
  std::string out;
  for (const GoldenPage& p : result.pages) {
    std::string size = OrDash(p.imageSize);
    if (p.imageSize == 1) size += " " + std::to_string(p.width) + "x" + std::to_string(p.height);
    const std::string pageHead = head + "\t" + std::to_string(p.page) + "\t" + OrDash(p.setPage) +
                                 "\t" + size + "\t" + OrDash(p.setRegion) + "\t" +
                                 std::to_string(p.scan) + "\t" + std::to_string(p.count);
    if (p.symbols.empty()) out += pageHead + "\t-\t-\t-\t-\t-\t-\t-\n";
    for (size_t i = 0; i < p.symbols.size(); ++i) {
      const GoldenSymbol& s = p.symbols[i];
      out += pageHead + "\t" + std::to_string(i) + "\t" + std::to_string(s.type) + "\t" +
             EscapeText(s.text);
      for (uint32_t corner : s.corner) out += "\t" + Hex(corner, 8);
      out += "\n";
    }
  }
  return out;
}

}  // namespace bcxgolden
