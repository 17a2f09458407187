// Thorough mode end to end, through the reader interface: pages with text
// and several symbols at any resolution, symbols side by side, wide:narrow
// ratios from 2 to 3, and pages of text that must give nothing.
#include <allheaders.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "bcxread.h"
#include "cases.h"
#include "reader_support.h"
#include "render.h"

namespace bcxtest {
namespace {

struct Placed {
  SymbolSpec symbolDef;
  double degrees;
  double cx;  // centre, as a share of the page's width and height
  double cy;
  int type;
  std::string text;
};

struct Page {
  GreyPixels grey;
  std::vector<Quad> quads;
};

GreyPixels GreyOf(Pix* pix) {
  std::vector<uint8_t> png = EncodePng(pix);
  return DecodeGrey(png);
}

// A page of `inches` at `dpi` with lines of text and the symbols at their
// places; X dimension 0.33 mm and bars 15 mm tall, as on printed labels.
Page ComposePage(const std::vector<Placed>& items, double widthInches, double heightInches, int dpi,
                 bool text) {
  const int width = static_cast<int>(widthInches * dpi);
  const int height = static_cast<int>(heightInches * dpi);
  Pix* page = WhiteCanvas(width, height);
  if (text) {
    const int fontSize = std::max(8, dpi / 12);
    for (int line = 0; line * fontSize * 3 < height; ++line) {
      PrintText(page, "The quick brown fox jumps over the lazy dog 0123456789 ABCDEF", dpi / 10,
                line * fontSize * 3, width - dpi / 5, fontSize);
    }
  }
  const int module = std::max(1, static_cast<int>(std::lround(0.33 / 25.4 * dpi)));
  const int barHeight = static_cast<int>(15.0 / 25.4 * dpi);
  Page result;
  for (const Placed& item : items) {
    Quad quad{};
    const std::vector<uint8_t> modules = EncodeModules(item.symbolDef);
    Pix* flat = DrawModules(modules, module, barHeight, kQuietModules * module, &quad);
    Pix* turned = RotateOnCanvas(flat, item.degrees, &quad);
    const int left = static_cast<int>(item.cx * width) - pixGetWidth(turned) / 2;
    const int top = static_cast<int>(item.cy * height) - pixGetHeight(turned) / 2;
    // The symbol's own white background clears the text below it.
    Pix* white = WhiteCanvas(pixGetWidth(turned), pixGetHeight(turned));
    pixRasterop(page, left, top, pixGetWidth(turned), pixGetHeight(turned), PIX_SRC, white, 0, 0);
    DestroyPix(&white);
    PasteDarker(page, turned, left, top, &quad);
    result.quads.push_back(quad);
    DestroyPix(&turned);
    DestroyPix(&flat);
  }
  result.grey = GreyOf(page);
  DestroyPix(&page);
  return result;
}

std::vector<Symbol> ReadThorough(const GreyPixels& g) {
  std::string error;
  std::vector<Symbol> symbols = ReadWithNewReader(g, &error);
  EXPECT_EQ(error, "");
  return symbols;
}

bool CornersNear(const Symbol& s, const Quad& quad, double tolerance) {
  // Going round from either end bar, in either direction.
  for (int start = 0; start < 4; ++start) {
    for (int direction : {1, -1}) {
      bool all = true;
      for (int k = 0; k < 4 && all; ++k) {
        const PointD& p = quad.p[(start + direction * k + 4) % 4];
        all = std::hypot(s.corners[2 * k] - p.x, s.corners[2 * k + 1] - p.y) <= tolerance;
      }
      if (all) return true;
    }
  }
  return false;
}

void ExpectExactlyThese(const std::vector<Symbol>& found, const std::vector<Placed>& items,
                        const std::vector<Quad>& quads, double tolerance) {
  EXPECT_EQ(found.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    const auto hit = std::find_if(found.begin(), found.end(), [&](const Symbol& s) {
      return s.type == items[i].type && s.text == items[i].text;
    });
    ASSERT_NE(hit, found.end()) << "missing " << Printable(items[i].text);
    EXPECT_TRUE(CornersNear(*hit, quads[i], tolerance)) << *hit;
  }
}

const std::vector<Placed> kFiveOnAPage = {
    {Code128("PAGE-128-01"), 3.0, 0.3, 0.15, BCX_CODE128, "PAGE-128-01"},
    {Ean("590123412345"), 37.0, 0.72, 0.3, BCX_EAN13, "590123412345"},
    {Code39("LABEL 39"), -80.0, 0.25, 0.55, BCX_CODE39, "LABEL 39"},
    {Gs1("[01]09501101530003"), 178.0, 0.7, 0.7, BCX_GS1_128, "0109501101530003"},
    {Code128("Page-5"), 12.0, 0.35, 0.88, BCX_CODE128, "Page-5"},
};

class PageAtResolution : public ::testing::TestWithParam<int> {};

TEST_P(PageAtResolution, EverySymbolOfATextPageIsRead) {
  const int dpi = GetParam();
  const Page page = ComposePage(kFiveOnAPage, 5.0, 8.0, dpi, true);
  ExpectExactlyThese(ReadThorough(page.grey), kFiveOnAPage, page.quads, dpi / 15.0);
}

INSTANTIATE_TEST_SUITE_P(Thorough, PageAtResolution, ::testing::Values(150, 300, 600));

TEST(Thorough, TextOnlyPagesGiveNothing) {
  for (int dpi : {150, 300}) {
    const Page page = ComposePage({}, 5.0, 6.0, dpi, true);
    EXPECT_TRUE(ReadThorough(page.grey).empty()) << dpi;
  }
}

TEST(Thorough, TwoSymbolsOfLikeHeightSideBySide) {
  const std::vector<Placed> items = {
      {Code128("LEFT-1"), 0.0, 0.27, 0.5, BCX_CODE128, "LEFT-1"},
      {Code128("RIGHT-2"), 0.0, 0.75, 0.5, BCX_CODE128, "RIGHT-2"},
  };
  const Page page = ComposePage(items, 5.0, 1.5, 200, false);
  ExpectExactlyThese(ReadThorough(page.grey), items, page.quads, 15.0);
}

TEST(Thorough, SymbolsAboveEachOther) {
  const std::vector<Placed> items = {
      {Ean("400638133393"), 0.0, 0.5, 0.25, BCX_EAN13, "400638133393"},
      {Code128("BELOW"), 0.0, 0.5, 0.75, BCX_CODE128, "BELOW"},
  };
  const Page page = ComposePage(items, 3.0, 3.0, 200, false);
  ExpectExactlyThese(ReadThorough(page.grey), items, page.quads, 15.0);
}

// A light line along the symbol cuts every bar in two: the halves make two
// groups that may each read the whole symbol, reported once.
TEST(Thorough, LightLineAlongTheSymbolGivesOneResult) {
  for (double degrees : {0.0, 31.0, 90.0}) {
    const std::vector<uint8_t> modules = EncodeModules(Code128("STRIPE-1"));
    Quad quad{};
    Pix* flat = DrawModules(modules, 3, 90, 30, &quad);
    // A band 4 pixels tall across the middle of the bars.
    const int middle = static_cast<int>((quad.p[0].y + quad.p[1].y) / 2);
    for (int y = middle - 2; y < middle + 2; ++y) {
      for (int x = 0; x < static_cast<int>(pixGetWidth(flat)); ++x) pixSetPixel(flat, x, y, 255);
    }
    Pix* turned = RotateOnCanvas(flat, degrees, &quad);
    const GreyPixels grey = GreyOf(turned);
    DestroyPix(&turned);
    DestroyPix(&flat);
    const std::vector<Symbol> found = ReadThorough(grey);
    ASSERT_EQ(found.size(), 1u) << degrees;
    EXPECT_EQ(found[0].text, "STRIPE-1");
    // Known limit: one end's corners may cover only the half of the bars
    // its group held, so the corners are only checked to lie on the bars.
    EXPECT_TRUE(CornersNear(found[0], quad, 8.0 + 90 / 2)) << found[0] << " at " << degrees;
  }
}

// A symbol's pixels across, `narrow` pixels a module; with `ratio`, every
// wide element of Code 39 or ITF is that many narrow ones, without, each
// element is as many modules as it is encoded.
std::vector<uint8_t> PixelsAcross(const SymbolSpec& symbolDef, int narrow, double ratio) {
  const std::vector<int> runs = ModuleRuns(EncodeModules(symbolDef));
  const int wide = static_cast<int>(std::lround(narrow * ratio));
  std::vector<uint8_t> pixels;
  for (size_t i = 0; i < runs.size(); ++i) {
    const int w = runs[i] == 1 ? narrow : ratio > 0.0 ? wide : runs[i] * narrow;
    pixels.insert(pixels.end(), static_cast<size_t>(w), i % 2 == 0 ? 1 : 0);
  }
  return pixels;
}

// The pixels drawn `barHeight` tall with a quiet zone of `quiet`, turned.
GreyPixels DrawTurned(const std::vector<uint8_t>& pixels, int barHeight, int quiet, double degrees,
                      Quad* quad) {
  Pix* flat = DrawModules(pixels, 1, barHeight, quiet, quad);
  Pix* turned = RotateOnCanvas(flat, degrees, quad);
  GreyPixels grey = GreyOf(turned);
  DestroyPix(&turned);
  DestroyPix(&flat);
  return grey;
}

// Code 39 and ITF drawn with wide elements `ratio` times the narrow ones.
GreyPixels DrawWithRatio(const SymbolSpec& symbolDef, int narrow, double ratio, double degrees,
                         Quad* quad) {
  return DrawTurned(PixelsAcross(symbolDef, narrow, ratio), 60, 12 * narrow, degrees, quad);
}

struct RatioCase {
  const char* name;
  SymbolSpec symbolDef;
  int type;
  std::string text;
};

void PrintTo(const RatioCase& c, std::ostream* out) { *out << c.name; }

class WideToNarrow : public ::testing::TestWithParam<RatioCase> {};

TEST_P(WideToNarrow, ReadAtEveryRatioFromTwoToThree) {
  const RatioCase& c = GetParam();
  for (double ratio : {2.0, 2.25, 2.5, 2.75, 3.0}) {
    for (double degrees : {0.0, 23.0, 101.0, 250.0}) {
      Quad quad{};
      const GreyPixels grey = DrawWithRatio(c.symbolDef, 2, ratio, degrees, &quad);
      const std::vector<Symbol> found = ReadThorough(grey);
      ASSERT_EQ(found.size(), 1u) << "ratio " << ratio << " at " << degrees;
      EXPECT_EQ(found[0].type, c.type);
      EXPECT_EQ(found[0].text, c.text) << "ratio " << ratio << " at " << degrees;
      EXPECT_TRUE(CornersNear(found[0], quad, 8.0)) << found[0];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Thorough, WideToNarrow,
    ::testing::Values(
        RatioCase{"Itf", {BARCODE_C25INTER, "12345678901231"}, BCX_ITF, "12345678901231"},
        RatioCase{"Code39", Code39("RATIO-39"), BCX_CODE39, "RATIO-39"}),
    [](const ::testing::TestParamInfo<RatioCase>& info) { return info.param.name; });

// ITF has no check digit: where a narrow bar between two wide spaces is
// lost (a thin bar that binarisation breaks up), the rest of the symbol
// behind the space it leaves must not be read as a shorter symbol.
TEST(Thorough, ItfWithALostBarGivesNoShorterSymbol) {
  const SymbolSpec itf{BARCODE_C25INTER, "6236012983"};
  const std::vector<int> runs = ModuleRuns(EncodeModules(itf));
  constexpr int kNarrow = 2;
  int tried = 0;
  for (const double ratio : {2.5, 3.0}) {
    const int wide = static_cast<int>(std::lround(kNarrow * ratio));
    for (size_t lost = 4; lost + 4 < runs.size(); lost += 2) {
      if (runs[lost] != 1 || runs[lost - 1] == 1 || runs[lost + 1] == 1) continue;
      ++tried;
      std::vector<uint8_t> pixels;
      for (size_t i = 0; i < runs.size(); ++i) {
        const int w = runs[i] == 1 ? kNarrow : wide;
        const bool dark = i % 2 == 0 && i != lost;
        pixels.insert(pixels.end(), static_cast<size_t>(w), dark ? 1 : 0);
      }
      Quad quad{};
      Pix* flat = DrawModules(pixels, 1, 60, 12 * kNarrow, &quad);
      const GreyPixels grey = GreyOf(flat);
      DestroyPix(&flat);
      for (const Symbol& found : ReadThorough(grey)) {
        EXPECT_EQ(found.text, "6236012983") << "ratio " << ratio << ", bar " << lost << " lost";
      }
    }
  }
  EXPECT_GE(tried, 4);
}

// A scan of a symbol: blurred by 0.4 of a module, printed between grey
// levels 40 and 225, its ink spread or lost by 20 levels, and noise of 16.
void DegradeLikeAScan(GreyPixels& g, double module, uint32_t seed) {
  std::vector<double> a(g.pixels.begin(), g.pixels.end());
  Blur(a, g.width, g.height, 0.4 * module);
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, 16.0);
  const double shift = seed % 2 == 0 ? 20.0 : -20.0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double v = 40.0 + 185.0 * a[i] / 255.0 + shift + noise(random);
    g.pixels[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
}

struct SlantCase {
  const char* name;
  SymbolSpec symbolDef;
  int narrow;    // pixels
  double ratio;  // wide over narrow for Code 39 and ITF; 0: as encoded
  double degrees;
  int type;
  std::string text;
};

void PrintTo(const SlantCase& c, std::ostream* out) { *out << c.name; }

class ScannedBetweenDirections : public ::testing::TestWithParam<SlantCase> {};

// Symbols eleven times longer than their bars are tall, scanned at angles
// between the lines' fixed directions: a line 5 to 7.5 degrees off leaves
// their bars before it has crossed them all, so only lines square to the
// bars, in the direction the bar field measured, read them.
TEST_P(ScannedBetweenDirections, AreReadByLinesSquareToTheirBars) {
  const SlantCase& c = GetParam();
  const std::vector<uint8_t> pixels = PixelsAcross(c.symbolDef, c.narrow, c.ratio);
  const int barHeight = static_cast<int>(pixels.size() / 11);
  for (const double turn : {0.0, 90.0, 180.0}) {
    Quad quad{};
    GreyPixels grey = DrawTurned(pixels, barHeight, 10 * c.narrow, c.degrees + turn, &quad);
    DegradeLikeAScan(grey, c.narrow, static_cast<uint32_t>(turn) + 1u);
    const std::vector<Symbol> found = ReadThorough(grey);
    ASSERT_EQ(found.size(), 1u) << "at " << c.degrees + turn;
    EXPECT_EQ(found[0].type, c.type);
    EXPECT_EQ(found[0].text, c.text);
    EXPECT_TRUE(CornersNear(found[0], quad, 2.0 * c.narrow))
        << found[0] << " drawn at (" << quad.p[0].x << "," << quad.p[0].y << ") (" << quad.p[1].x
        << "," << quad.p[1].y << ") (" << quad.p[2].x << "," << quad.p[2].y << ") (" << quad.p[3].x
        << "," << quad.p[3].y << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Thorough, ScannedBetweenDirections,
    ::testing::Values(
        SlantCase{"Gs1", Gs1("[01]12345678901231"), 4, 0.0, 5.0, BCX_GS1_128, "0112345678901231"},
        SlantCase{"Code128", Code128("SLANT-128"), 3, 0.0, 37.5, BCX_CODE128, "SLANT-128"},
        SlantCase{"Code39", Code39("CODE39"), 3, 3.0, 10.0, BCX_CODE39, "CODE39"},
        SlantCase{
            "Itf", {BARCODE_C25INTER, "12345678901231"}, 3, 3.0, 20.0, BCX_ITF, "12345678901231"},
        // The paper's noise beside these makes dips that split the quiet
        // zone on many lines.
        SlantCase{"ItfWide",
                  {BARCODE_C25INTER, "12345678901231"},
                  4,
                  3.0,
                  175.0,
                  BCX_ITF,
                  "12345678901231"},
        SlantCase{"ItfTwoToOne",
                  {BARCODE_C25INTER, "12345678901231"},
                  4,
                  2.0,
                  5.0,
                  BCX_ITF,
                  "12345678901231"}),
    [](const ::testing::TestParamInfo<SlantCase>& info) { return info.param.name; });

}  // namespace
}  // namespace bcxtest
