// Images that hold no symbol (noise, blank pages, random bar fields) and an
// image with more symbols than the result table holds, scanned without
// crashing.
#include <allheaders.h>
#include <gtest/gtest.h>
#include <zint.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "bcxdec.h"
#include "render.h"

namespace bcxtest {
namespace {

const std::vector<int> kAll = {BCX_CODE39, BCX_CODE128, BCX_GS1_128, BCX_EAN13,
                               BCX_EAN8,   BCX_UPCA,    BCX_UPCE,    BCX_ITF};

std::vector<uint8_t> NoisePng(int width, int height, uint32_t seed, int darkPercent) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> grey(0, 255);
  Pix* pix = WhiteCanvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int value = darkPercent < 0 ? grey(random) : (percent(random) < darkPercent ? 0 : 255);
      pixSetPixel(pix, x, y, static_cast<l_uint32>(value));
    }
  }
  std::vector<uint8_t> png = EncodePng(pix);
  DestroyPix(&pix);
  return png;
}

std::vector<uint8_t> FlatPng(int width, int height, int value) {
  Pix* pix = WhiteCanvas(width, height);
  pixSetAllArbitrary(pix, static_cast<l_uint32>(value));
  std::vector<uint8_t> png = EncodePng(pix);
  DestroyPix(&pix);
  return png;
}

// Bars of random width, length and spacing, all parallel, then turned.
std::vector<uint8_t> BarFieldPng(uint32_t seed, double degrees) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> width(1, 14);
  std::uniform_int_distribution<int> gap(1, 12);
  std::uniform_int_distribution<int> length(30, 60);
  constexpr int kFieldWidth = 360;
  constexpr int kFieldHeight = 90;
  constexpr int kTop = 10;
  Pix* field = WhiteCanvas(kFieldWidth, kFieldHeight);
  for (int x = gap(random); x < kFieldWidth - 20; x += gap(random)) {
    const int w = width(random);
    BOX* box = boxCreate(x, kTop, w, length(random));
    pixClearInRect(field, box);
    boxDestroy(&box);
    x += w;
  }
  Pix* turned = RotateOnCanvas(field, degrees, nullptr);
  std::vector<uint8_t> png = EncodePng(turned);
  DestroyPix(&turned);
  DestroyPix(&field);
  return png;
}

void ExpectNothing(const std::vector<uint8_t>& png) {
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  for (const ReadResult& r : results) {
    ADD_FAILURE() << "read type " << r.type << " '" << Printable(r.text) << "'";
  }
}

TEST(BadImages, SaltAndPepperNoiseReadsNothing) {
  constexpr int kDarkPercents[] = {5, 30, 50, 70};
  uint32_t seed = 1;
  for (int dark : kDarkPercents) ExpectNothing(NoisePng(160, 120, seed++, dark));
}

TEST(BadImages, GreyNoiseReadsNothing) {
  for (uint32_t seed = 11; seed < 14; ++seed) ExpectNothing(NoisePng(200, 150, seed, -1));
}

TEST(BadImages, BlankPagesReadNothing) {
  constexpr int kGreys[] = {255, 128, 127, 0};
  for (int grey : kGreys) ExpectNothing(FlatPng(180, 140, grey));
}

TEST(BadImages, TinyImagesReadNothing) {
  ExpectNothing(FlatPng(1, 1, 0));
  ExpectNothing(FlatPng(2, 1, 0));
  ExpectNothing(FlatPng(1, 40, 0));
  ExpectNothing(FlatPng(3, 3, 255));
}

// A dark frame touching every border and a solid block far bigger than any
// bar: both are refused as bars.
TEST(BadImages, LargeDarkShapesReadNothing) {
  Pix* pix = WhiteCanvas(300, 300);
  pixSetBorderVal(pix, 8, 8, 8, 8, 0);
  BOX* box = boxCreate(60, 60, 180, 180);
  pixClearInRect(pix, box);
  boxDestroy(&box);
  ExpectNothing(EncodePng(pix));
  DestroyPix(&pix);
}

// Random bar fields look like symbols to every step before the decoders;
// the scan must come back with a consistent table whatever it finds.
TEST(BadImages, RandomBarFieldsScanCleanly) {
  constexpr int kFields = 12;
  for (int i = 0; i < kFields; ++i) {
    const std::vector<uint8_t> png = BarFieldPng(100 + i, i * 31.0);
    std::vector<ReadResult> results;
    ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
    EXPECT_LE(results.size(), 100u);
    for (const ReadResult& r : results) {
      EXPECT_GE(r.type, BCX_CODE39);
      EXPECT_LE(r.type, BCX_ITF);
      EXPECT_LT(r.text.size(), 0xFFFFu);
    }
  }
}

// More symbols than the table holds: one column of small EAN-8 symbols, each
// its own group; the table stops at 100 records, all of them right.
TEST(BadImages, MoreSymbolsThanTheTableHolds) {
  constexpr int kSymbols = 110;
  constexpr int kModule = 2;
  constexpr int kBarHeight = 20;
  constexpr int kGap = 16;
  const std::vector<uint8_t> first = EncodeModules({BARCODE_EANX, "1000000"});
  const int width = static_cast<int>(first.size()) * kModule + 2 * kGap;
  Pix* page = WhiteCanvas(width, kSymbols * (kBarHeight + kGap) + kGap);
  std::vector<std::string> texts;
  for (int i = 0; i < kSymbols; ++i) {
    const std::string digits = std::to_string(1000000 + i);
    texts.push_back(digits);
    Pix* symbol =
        DrawModules(EncodeModules({BARCODE_EANX, digits}), kModule, kBarHeight, 0, nullptr);
    PasteDarker(page, symbol, kGap, kGap + i * (kBarHeight + kGap), nullptr);
    DestroyPix(&symbol);
  }
  const std::vector<uint8_t> png = EncodePng(page);
  DestroyPix(&page);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, {BCX_EAN8}, nullptr, &results));
  ASSERT_EQ(results.size(), 100u);
  for (const ReadResult& r : results) {
    EXPECT_EQ(r.type, BCX_EAN8);
    EXPECT_NE(std::find(texts.begin(), texts.end(), r.text), texts.end()) << Printable(r.text);
  }
}

TEST(BadImages, ScanWithoutImageReturnsZero) {
  BcxInit();
  BcxCleanUp();
  EXPECT_EQ(BcxScan(), 0);
  EXPECT_EQ(BcxGetCount(), 0);
}

}  // namespace
}  // namespace bcxtest
