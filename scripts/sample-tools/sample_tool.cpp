// Helper for make-samples: rotates a symbol on a white ground, stacks
// several images into one multi-page TIFF, and redraws a two-width symbol
// with its wide elements at twice the narrow width.
//   sample_tool rotate IN.png DEGREES OUT.png
//   sample_tool tiff OUT.tif IN1.png [IN2.png ...]
//   sample_tool wide2 IN.png OUT.png
//   sample_tool text OUT.png (a page of printed text and no barcode)
#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265f;
constexpr l_int32 kBlackBelow = 128;

PIX* ReadGrey(const char* path) {
  PIX* pix = pixRead(path);
  if (pix == nullptr) return nullptr;
  PIX* grey = pixConvertTo8(pix, 0);
  pixDestroy(&pix);
  return grey;
}

int Rotate(const char* in, float degrees, const char* out) {
  PIX* grey = ReadGrey(in);
  if (grey == nullptr) return 1;
  // Passing the size makes the canvas grow to hold the whole turned symbol.
  PIX* turned = pixRotate(grey, degrees * kPi / 180.0f, L_ROTATE_AREA_MAP, L_BRING_IN_WHITE,
                          pixGetWidth(grey), pixGetHeight(grey));
  pixDestroy(&grey);
  if (turned == nullptr) return 1;
  const int failed = pixWrite(out, turned, IFF_PNG);
  pixDestroy(&turned);
  return failed != 0 ? 1 : 0;
}

int StackTiff(const char* out, int count, char** inputs) {
  for (int i = 0; i < count; ++i) {
    PIX* grey = ReadGrey(inputs[i]);
    if (grey == nullptr) return 1;
    PIX* binary = pixConvertTo1(grey, kBlackBelow);
    pixDestroy(&grey);
    if (binary == nullptr) return 1;
    const int failed = pixWriteTiff(out, binary, IFF_TIFF_G4, i == 0 ? "w" : "a");
    pixDestroy(&binary);
    if (failed != 0) return 1;
  }
  return 0;
}

// zint draws Interleaved 2 of 5 with wide elements three modules wide; the
// library reads two-module wide elements only. Every run of the middle row
// wider than 1.5 narrow modules becomes exactly two modules, copied column
// by column so the bar heights stay as drawn.
int NarrowWideElements(const char* in, const char* out) {
  PIX* grey = ReadGrey(in);
  if (grey == nullptr) return 1;
  const l_int32 w = pixGetWidth(grey);
  const l_int32 h = pixGetHeight(grey);
  const l_int32 row = h / 2;
  auto dark = [&](l_int32 x) {
    l_uint32 v = 0;
    pixGetPixel(grey, x, row, &v);
    return v < static_cast<l_uint32>(kBlackBelow);
  };
  l_int32 module = w;
  for (l_int32 x = 0; x < w;) {
    l_int32 end = x;
    while (end < w && dark(end) == dark(x)) ++end;
    if (dark(x) && end - x < module) module = end - x;
    x = end;
  }
  PIX* narrowed = pixCreate(w, h, 8);
  pixSetAllArbitrary(narrowed, 255);
  l_int32 outX = 0;
  for (l_int32 x = 0; x < w;) {
    l_int32 end = x;
    while (end < w && dark(end) == dark(x)) ++end;
    const bool edge = x == 0 || end == w;  // quiet zones keep their width
    const l_int32 width = (!edge && 2 * (end - x) > 3 * module) ? 2 * module : end - x;
    for (l_int32 k = 0; k < width; ++k, ++outX) {
      pixRasterop(narrowed, outX, 0, 1, h, PIX_SRC, grey, x, 0);
    }
    x = end;
  }
  BOX* kept = boxCreate(0, 0, outX, h);
  PIX* cropped = pixClipRectangle(narrowed, kept, nullptr);
  boxDestroy(&kept);
  const int failed = cropped == nullptr || pixWrite(out, cropped, IFF_PNG) != 0;
  pixDestroy(&cropped);
  pixDestroy(&narrowed);
  pixDestroy(&grey);
  return failed ? 1 : 0;
}

// Lines of text in Leptonica's built-in bitmap font: strokes and dots that
// must never be read as a symbol.
int TextPage(const char* out) {
  constexpr l_int32 kWidth = 800;
  constexpr l_int32 kHeight = 140;
  constexpr l_int32 kMargin = 20;
  constexpr l_int32 kFontSize = 6;
  static const char kText[] =
      "Delivery note 4711. Ship to: Example Ltd, 12 Long Lane, Exampletown. "
      "Items: 3 x IIIIIII lllllll 1111111 (bar-like glyphs), 2 x ||| /// ---. "
      "Total weight 12.5 kg. Handle with care; keep dry; this side up. "
      "Printed text only: no barcode stands on this page.";
  L_BMF* font = bmfCreate(nullptr, kFontSize);
  if (font == nullptr) return 1;
  PIX* page = pixCreate(kWidth, kHeight, 8);
  pixSetAllArbitrary(page, 255);
  l_int32 overflow = 0;
  const int failed = pixSetTextblock(page, font, kText, 0, kMargin, kMargin, kWidth - 2 * kMargin,
                                     0, &overflow) != 0 ||
                     pixWrite(out, page, IFF_PNG) != 0;
  pixDestroy(&page);
  bmfDestroy(&font);
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  setMsgSeverity(L_SEVERITY_ERROR);
  if (argc == 5 && std::strcmp(argv[1], "rotate") == 0) {
    return Rotate(argv[2], std::strtof(argv[3], nullptr), argv[4]);
  }
  if (argc >= 4 && std::strcmp(argv[1], "tiff") == 0) return StackTiff(argv[2], argc - 3, argv + 3);
  if (argc == 4 && std::strcmp(argv[1], "wide2") == 0) return NarrowWideElements(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "text") == 0) return TextPage(argv[2]);
  std::fprintf(stderr,
               "usage: %s rotate IN DEGREES OUT | tiff OUT IN... | wide2 IN OUT | text OUT\n",
               argv[0]);
  return 2;
}
