#include "render.h"

#include <allheaders.h>
#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bcxdec.h"

namespace bcxtest {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWhite = 255;
constexpr int kZintWideModules = 3;

bool ModuleIsSet(const zint_symbol* symbol, int row, int column) {
  return ((symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
}

PointD RotateAbout(PointD p, PointD centre, double radians) {
  const double dx = p.x - centre.x;
  const double dy = p.y - centre.y;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  return {centre.x + dx * c - dy * s, centre.y + dx * s + dy * c};
}

double Distance(PointD a, PointD b) { return std::hypot(a.x - b.x, a.y - b.y); }

PointD Unpack(uint32_t packed) {
  return {static_cast<double>(packed >> 16), static_cast<double>(packed & 0xFFFF)};
}

// Wide runs of exactly three modules become two; everything else stays.
std::vector<uint8_t> NarrowWideRuns(const std::vector<uint8_t>& modules) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < modules.size()) {
    size_t j = i;
    while (j < modules.size() && modules[j] == modules[i]) ++j;
    const size_t run = j - i;
    const size_t keep = run == kZintWideModules ? 2 : run;
    out.insert(out.end(), keep, modules[i]);
    i = j;
  }
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeModules(const SymbolSpec& symbolDef) {
  zint_symbol* symbol = ZBarcode_Create();
  if (symbol == nullptr) return {};
  symbol->symbology = symbolDef.zintType;
  symbol->input_mode = symbolDef.inputMode;
  symbol->option_2 = symbolDef.option2;
  symbol->show_hrt = 0;
  std::vector<uint8_t> modules;
  const int error =
      ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(symbolDef.data.data()),
                      static_cast<int>(symbolDef.data.size()));
  if (error < ZINT_ERROR && symbol->rows >= 1) {
    for (int x = 0; x < symbol->width; ++x) modules.push_back(ModuleIsSet(symbol, 0, x) ? 1 : 0);
  }
  ZBarcode_Delete(symbol);
  // Trim light modules at either end so the row starts and ends with a bar.
  while (!modules.empty() && modules.back() == 0) modules.pop_back();
  size_t first = 0;
  while (first < modules.size() && modules[first] == 0) ++first;
  modules.erase(modules.begin(), modules.begin() + static_cast<long>(first));
  if (symbolDef.wideAsTwo) modules = NarrowWideRuns(modules);
  return modules;
}

std::vector<int> ModuleRuns(const std::vector<uint8_t>& modules) {
  std::vector<int> runs;
  size_t i = 0;
  while (i < modules.size()) {
    size_t j = i;
    while (j < modules.size() && modules[j] == modules[i]) ++j;
    runs.push_back(static_cast<int>(j - i));
    i = j;
  }
  return runs;
}

Pix* DrawModules(const std::vector<uint8_t>& modules, int moduleWidth, int barHeight, int quiet,
                 Quad* corners) {
  const int barsWidth = static_cast<int>(modules.size()) * moduleWidth;
  Pix* pix = pixCreate(barsWidth + 2 * quiet, barHeight + 2 * quiet, 8);
  if (pix == nullptr) return nullptr;
  pixSetAllArbitrary(pix, kWhite);
  for (size_t i = 0; i < modules.size(); ++i) {
    if (modules[i] == 0) continue;
    BOX* box = boxCreate(quiet + static_cast<int>(i) * moduleWidth, quiet, moduleWidth, barHeight);
    pixClearInRect(pix, box);
    boxDestroy(&box);
  }
  if (corners != nullptr) {
    const double left = quiet;
    const double right = quiet + barsWidth - 1;
    const double top = quiet;
    const double bottom = quiet + barHeight - 1;
    *corners = Quad{{{left, top}, {left, bottom}, {right, bottom}, {right, top}}};
  }
  return pix;
}

Pix* DrawWithText(const SymbolSpec& symbolDef, int moduleWidth, int barHeight, int quiet) {
  zint_symbol* symbol = ZBarcode_Create();
  if (symbol == nullptr) return nullptr;
  symbol->symbology = symbolDef.zintType;
  symbol->input_mode = symbolDef.inputMode;
  symbol->option_2 = symbolDef.option2;
  symbol->show_hrt = 1;
  // zint draws two pixels per module at scale 1; height is in modules.
  symbol->scale = static_cast<float>(moduleWidth) / 2.0f;
  symbol->height = static_cast<float>(barHeight) / static_cast<float>(moduleWidth);
  Pix* pix = nullptr;
  if (ZBarcode_Encode_and_Buffer(symbol,
                                 reinterpret_cast<const unsigned char*>(symbolDef.data.data()),
                                 static_cast<int>(symbolDef.data.size()), 0) < ZINT_ERROR) {
    const int w = symbol->bitmap_width;
    const int h = symbol->bitmap_height;
    pix = pixCreate(w + 2 * quiet, h + 2 * quiet, 8);
    pixSetAllArbitrary(pix, kWhite);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const unsigned char* rgb = symbol->bitmap + 3 * (static_cast<size_t>(y) * w + x);
        const int grey = (rgb[0] + rgb[1] + rgb[2]) / 3;
        pixSetPixel(pix, x + quiet, y + quiet, static_cast<l_uint32>(grey));
      }
    }
  }
  ZBarcode_Delete(symbol);
  return pix;
}

Pix* RotateOnCanvas(Pix* pix, double degrees, Quad* corners) {
  const int w = pixGetWidth(pix);
  const int h = pixGetHeight(pix);
  const int side = static_cast<int>(std::ceil(std::hypot(w, h))) + 4;
  Pix* canvas = WhiteCanvas(side, side);
  const int left = (side - w) / 2;
  const int top = (side - h) / 2;
  pixRasterop(canvas, left, top, w, h, PIX_SRC, pix, 0, 0);
  const double radians = degrees * kPi / 180.0;
  Pix* rotated =
      pixRotate(canvas, static_cast<l_float32>(radians), L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, 0, 0);
  pixDestroy(&canvas);
  if (corners != nullptr) {
    // Leptonica turns about (w / 2, h / 2) of the canvas.
    const PointD centre{static_cast<double>(side / 2), static_cast<double>(side / 2)};
    for (PointD& p : corners->p) {
      p = RotateAbout({p.x + left, p.y + top}, centre, radians);
    }
  }
  return rotated;
}

Pix* WhiteCanvas(int width, int height) {
  Pix* pix = pixCreate(width, height, 8);
  if (pix != nullptr) pixSetAllArbitrary(pix, kWhite);
  return pix;
}

void PasteDarker(Pix* canvas, Pix* piece, int left, int top, Quad* corners) {
  // AND of grey values is not the minimum; do it pixel by pixel.
  const int w = pixGetWidth(piece);
  const int h = pixGetHeight(piece);
  const int cw = pixGetWidth(canvas);
  const int ch = pixGetHeight(canvas);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int cx = x + left;
      const int cy = y + top;
      if (cx < 0 || cy < 0 || cx >= cw || cy >= ch) continue;
      l_uint32 a = 0;
      l_uint32 b = 0;
      pixGetPixel(piece, x, y, &a);
      pixGetPixel(canvas, cx, cy, &b);
      if (a < b) pixSetPixel(canvas, cx, cy, a);
    }
  }
  if (corners != nullptr) {
    for (PointD& p : corners->p) p = {p.x + left, p.y + top};
  }
}

Pix* MirrorImage(Pix* pix, Quad* corners) {
  const int w = pixGetWidth(pix);
  if (corners != nullptr) {
    for (PointD& p : corners->p) p.x = (w - 1) - p.x;
  }
  return pixFlipLR(nullptr, pix);
}

void PrintText(Pix* pix, const char* text, int left, int top, int width, int fontSize) {
  L_BMF* font = bmfCreate(nullptr, fontSize);
  if (font == nullptr) return;
  l_int32 overflow = 0;
  pixSetTextblock(pix, font, text, 0, left, top, width, 0, &overflow);
  bmfDestroy(&font);
}

std::vector<uint8_t> EncodePng(Pix* pix) {
  l_uint8* data = nullptr;
  size_t size = 0;
  std::vector<uint8_t> png;
  if (pixWriteMem(&data, &size, pix, IFF_PNG) == 0 && data != nullptr) {
    png.assign(data, data + size);
  }
  lept_free(data);
  return png;
}

void DestroyPix(Pix** pix) { pixDestroy(pix); }

bool ReadImage(const std::vector<uint8_t>& png, const std::vector<int>& types, const Region* region,
               std::vector<ReadResult>* results, int threshold) {
  results->clear();
  BcxInit();
  if (threshold != 0) BcxSetThreshold(threshold);
  for (uint16_t id = 0; id <= BCX_ITF; ++id) {
    const bool on = std::find(types.begin(), types.end(), id) != types.end();
    BcxScanType(id, on ? 1 : 0);
  }
  if (BcxLoadFromMem(png.data(), static_cast<uint32_t>(png.size()), BCX_IMG_PNG) != 1) {
    return false;
  }
  uint16_t width = 0;
  uint16_t height = 0;
  if (BcxGetImgSize(&width, &height) != 1) return false;
  if (region != nullptr &&
      BcxSetRegion(static_cast<uint16_t>(region->left), static_cast<uint16_t>(region->top),
                   static_cast<uint16_t>(region->right),
                   static_cast<uint16_t>(region->bottom)) != 1) {
    return false;
  }
  BcxScan();
  const uint16_t count = BcxGetCount();
  for (uint16_t i = 0; i < count; ++i) {
    ReadResult r{};
    r.type = BcxGetType(i);
    const uint16_t length = BcxGetStrLen(i);
    for (uint16_t k = 0; k < length; ++k) r.text.push_back(static_cast<char>(BcxGetCharAt(i, k)));
    uint32_t c[4] = {0, 0, 0, 0};
    BcxGetRect(i, &c[0], &c[1], &c[2], &c[3]);
    for (int k = 0; k < 4; ++k) r.corners[k] = Unpack(c[k]);
    results->push_back(r);
  }
  BcxCleanUp();
  return true;
}

bool CornersMatch(const ReadResult& result, const Quad& quad, double tolerance) {
  // Corner 1 and 2 lie on one end bar (quad edges 0-1 or 2-3), either way
  // along it; the rest follow round the quad.
  constexpr int kStarts[4] = {0, 1, 2, 3};
  for (int start : kStarts) {
    for (int step : {1, 3}) {
      const int second = (start + step) % 4;
      const bool endBar = (start / 2) == (second / 2) && ((start ^ second) == 1);
      if (!endBar) continue;
      bool all = true;
      for (int k = 0; k < 4 && all; ++k) {
        all = Distance(result.corners[k], quad.p[(start + step * k) % 4]) <= tolerance;
      }
      if (all) return true;
    }
  }
  return false;
}

bool RenderScene(const SymbolSpec& symbolDef, int moduleWidth, int barHeight, double degrees,
                 bool mirror, Scene* scene) {
  const std::vector<uint8_t> modules = EncodeModules(symbolDef);
  if (modules.empty()) return false;
  Quad quad{};
  Pix* flat = DrawModules(modules, moduleWidth, barHeight, kQuietModules * moduleWidth, &quad);
  if (flat == nullptr) return false;
  if (mirror) {
    Pix* mirrored = MirrorImage(flat, &quad);
    pixDestroy(&flat);
    flat = mirrored;
  }
  Pix* turned = RotateOnCanvas(flat, degrees, &quad);
  pixDestroy(&flat);
  if (turned == nullptr) return false;
  scene->png = EncodePng(turned);
  scene->quad = quad;
  scene->width = pixGetWidth(turned);
  scene->height = pixGetHeight(turned);
  scene->moduleCount = static_cast<int>(modules.size());
  pixDestroy(&turned);
  return !scene->png.empty();
}

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 32 && c < 127 && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\%u", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

}  // namespace bcxtest
