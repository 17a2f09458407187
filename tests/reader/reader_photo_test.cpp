// Thorough mode on photograph-like images, through the reader interface:
// symbols drawn at 1.5 to 2.5 pixels a module at any angle, blurred, with
// camera noise, a glare line across the bars, a perspective slant or light
// bars on a dark ground; and images without symbols that must give nothing.
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

constexpr double kInk = 35.0;
constexpr double kPaper = 215.0;
constexpr double kGround = 120.0;  // around the label

struct Photo {
  SymbolSpec symbolDef;
  double module;     // pixels
  double degrees;    // clockwise, y down
  double blur;       // Gaussian sigma, pixels
  double noise;      // grey levels, standard deviation
  double slant;      // perspective: the far end is 1 + slant times nearer
  bool glare;        // a white line across every bar
  bool lightOnDark;  // the whole image inverted
};

struct Drawn {
  GreyPixels grey;
  double centreX;
  double centreY;
  double length;  // of the bars' area along the symbol, pixels
};

// Dark elements of the symbol as [from, to) in modules.
std::vector<std::pair<double, double>> BarsOf(const SymbolSpec& symbolDef, int* modules) {
  const std::vector<int> runs = ModuleRuns(EncodeModules(symbolDef));
  std::vector<std::pair<double, double>> bars;
  int at = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (i % 2 == 0) bars.emplace_back(at, at + runs[i]);
    at += runs[i];
  }
  *modules = at;
  return bars;
}

// Each pixel's ink is the share of 4 x 4 points in it that fall on a bar,
// found by mapping the point back into the symbol's own frame.
Drawn DrawPhoto(const Photo& p, uint32_t seed) {
  int modules = 0;
  const auto bars = BarsOf(p.symbolDef, &modules);
  const double length = modules * p.module;
  const double height = std::max(24.0, 0.3 * length);
  const double labelHalfLength = 0.5 * length + kQuietModules * p.module;
  const double labelHalfHeight = 0.5 * height + 4.0 * p.module;
  const int side = static_cast<int>(2.0 * labelHalfLength * (1.0 + p.slant)) + 40;
  const int width = side;
  const int heightPx = side;
  const double cx = 0.5 * width;
  const double cy = 0.5 * heightPx;
  const double theta = p.degrees * M_PI / 180.0;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  std::vector<double> image(static_cast<size_t>(width * heightPx));
  constexpr int kSub = 4;
  for (int y = 0; y < heightPx; ++y) {
    for (int x = 0; x < width; ++x) {
      double value = 0.0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double px = x - 0.5 + (sx + 0.5) / kSub - cx;
          const double py = y - 0.5 + (sy + 0.5) / kSub - cy;
          // Into the symbol's frame: along (u) and across (v) the symbol.
          double u = c * px + s * py;
          double v = -s * px + c * py;
          const double d = 1.0 + p.slant * u / labelHalfLength;
          u /= d;
          v /= d;
          double level = kGround;
          if (std::fabs(u) <= labelHalfLength && std::fabs(v) <= labelHalfHeight) {
            level = kPaper;
            const double m = (u + 0.5 * length) / p.module;
            if (std::fabs(v) <= 0.5 * height) {
              for (const auto& bar : bars) {
                if (m >= bar.first && m < bar.second) level = kInk;
              }
            }
            if (p.glare && std::fabs(v - 0.1 * height) < 2.0) level = 250.0;
          }
          value += level;
        }
      }
      image[static_cast<size_t>(y * width + x)] = value / (kSub * kSub);
    }
  }
  Blur(image, width, heightPx, p.blur);
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, p.noise > 0.0 ? p.noise : 1.0);
  Drawn drawn;
  drawn.grey.width = width;
  drawn.grey.height = heightPx;
  drawn.grey.pixels.resize(image.size());
  for (size_t i = 0; i < image.size(); ++i) {
    double v = image[i] + (p.noise > 0.0 ? noise(random) : 0.0);
    if (p.lightOnDark) v = 255.0 - v;
    drawn.grey.pixels[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
  drawn.centreX = cx;
  drawn.centreY = cy;
  drawn.length = length;
  return drawn;
}

std::vector<Symbol> Read(const GreyPixels& g) {
  std::string error;
  std::vector<Symbol> symbols = ReadWithNewReader(g, &error);
  EXPECT_EQ(error, "");
  return symbols;
}

struct PhotoCase {
  const char* name;
  Photo photo;
  int type;
  std::string text;
};

void PrintTo(const PhotoCase& c, std::ostream* out) { *out << c.name; }

class PhotoTest : public testing::TestWithParam<PhotoCase> {};

// One symbol, read once, with its middle where it was drawn.
TEST_P(PhotoTest, ReadsTheSymbolOnce) {
  const PhotoCase& c = GetParam();
  const Drawn d = DrawPhoto(c.photo, 7u);
  const std::vector<Symbol> found = Read(d.grey);
  ASSERT_EQ(found.size(), 1u) << testing::PrintToString(found);
  EXPECT_EQ(found[0].type, c.type);
  EXPECT_EQ(found[0].text, c.text);
  double mx = 0.0;
  double my = 0.0;
  for (int k = 0; k < 4; ++k) {
    mx += 0.25 * found[0].corners[2 * k];
    my += 0.25 * found[0].corners[2 * k + 1];
  }
  EXPECT_LT(std::hypot(mx - d.centreX, my - d.centreY), 0.25 * d.length) << found[0];
}

const PhotoCase kPhotoCases[] = {
    {"Ean13Blurred",
     {Ean("590123412345"), 2.0, 7.0, 0.8, 2.0, 0.0, false, false},
     BCX_EAN13,
     "590123412345"},
    {"UpcASmallModules",
     {UpcA("03600029145"), 1.6, -20.0, 0.6, 2.0, 0.0, false, false},
     BCX_EAN13,
     "003600029145"},
    {"Ean8Slanted", {Ean("9638507"), 2.2, 50.0, 0.7, 2.0, 0.15, false, false}, BCX_EAN8, "9638507"},
    {"UpcEGlare",
     {UpcE("1234565"), 2.4, 100.0, 0.7, 2.0, 0.0, true, false},
     BCX_UPCE,
     "123456000056"},
    {"Code128Noisy",
     {Code128("Photo-128"), 2.2, 33.0, 0.9, 4.0, 0.0, false, false},
     BCX_CODE128,
     "Photo-128"},
    {"Code128LightOnDark",
     {Code128("INVERSE"), 2.0, -65.0, 0.7, 2.0, 0.0, false, true},
     BCX_CODE128,
     "INVERSE"},
    {"Gs1Slanted",
     {Gs1("[01]09501101530003"), 2.0, 160.0, 0.7, 2.0, 0.25, false, false},
     BCX_GS1_128,
     "0109501101530003"},
    {"Code39Glare",
     {Code39("PHOTO 39"), 2.5, 95.0, 0.8, 2.0, 0.0, true, false},
     BCX_CODE39,
     "PHOTO 39"},
    {"ItfBlurred", {Itf("12345678"), 2.5, 192.0, 0.8, 2.0, 0.0, false, false}, BCX_ITF, "12345678"},
};

INSTANTIATE_TEST_SUITE_P(Thorough, PhotoTest, testing::ValuesIn(kPhotoCases),
                         [](const testing::TestParamInfo<PhotoCase>& info) {
                           return std::string(info.param.name);
                         });

// Exact mode reads none of the blurred small-module symbols above that
// thorough mode reads from grey levels: the set is not one any reader gets.
TEST(Photo, ExactModeReadsFewerOfThem) {
  int exact = 0;
  for (const PhotoCase& c : kPhotoCases) {
    const Drawn d = DrawPhoto(c.photo, 7u);
    bcx_reader* reader = bcx_reader_new();
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(bcx_reader_set_mode(reader, BCX_MODE_EXACT), 1);
    exact +=
        bcx_read_gray(reader, d.grey.pixels.data(), d.grey.width, d.grey.height, d.grey.width) > 0;
    bcx_reader_free(reader);
  }
  EXPECT_LT(exact, static_cast<int>(std::size(kPhotoCases)) / 2);
}

// Two photos side by side, the shorter one centred in the taller's height
// on the ground around the labels.
GreyPixels SideBySide(const GreyPixels& a, const GreyPixels& b) {
  GreyPixels both;
  both.width = a.width + b.width;
  both.height = std::max(a.height, b.height);
  both.pixels.assign(static_cast<size_t>(both.width) * both.height, static_cast<uint8_t>(kGround));
  for (const auto& [from, left] : {std::pair{&a, 0}, std::pair{&b, a.width}}) {
    const int top = (both.height - from->height) / 2;
    for (int y = 0; y < from->height; ++y) {
      std::copy_n(&from->pixels[static_cast<size_t>(y) * from->width], from->width,
                  &both.pixels[static_cast<size_t>(y + top) * both.width + left]);
    }
  }
  return both;
}

// The lines stop after the first direction that reads a symbol in an
// image smaller than a page; symbols photographed side by side lean
// alike, and that direction reads every one of them. Blurred this much,
// their bars touch in the binarised image, so the lines read both.
TEST(Photo, SymbolsSideBySideAtOneAngleAreAllRead) {
  const Photo left{Ean("590123412345"), 2.0, 12.0, 1.2, 2.0, 0.0, false, false};
  const Photo right{Code128("SIDE-2"), 2.0, 12.0, 1.2, 2.0, 0.0, false, false};
  const std::vector<Symbol> found =
      Read(SideBySide(DrawPhoto(left, 3u).grey, DrawPhoto(right, 5u).grey));
  ASSERT_EQ(found.size(), 2u) << testing::PrintToString(found);
  std::vector<std::string> texts{found[0].text, found[1].text};
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"590123412345", "SIDE-2"}));
}

// The middle rows of a photo: a strip as a line-scan camera gives.
GreyPixels MiddleRows(const GreyPixels& g, int rows) {
  GreyPixels strip;
  strip.width = g.width;
  strip.height = rows;
  const int top = g.height / 2 - rows / 2;
  strip.pixels.assign(g.pixels.begin() + top * g.width, g.pixels.begin() + (top + rows) * g.width);
  return strip;
}

TEST(Photo, ThinStripsAreReadRowByRow) {
  const Drawn ean = DrawPhoto({Ean("9638507"), 2.5, 0.0, 0.6, 1.0, 0.0, false, false}, 3u);
  for (int rows : {1, 2, 4}) {
    const std::vector<Symbol> found = Read(MiddleRows(ean.grey, rows));
    ASSERT_EQ(found.size(), 1u) << rows;
    EXPECT_EQ(found[0].type, BCX_EAN8);
    EXPECT_EQ(found[0].text, "9638507");
  }
  const Drawn itf = DrawPhoto({Itf("12345678"), 3.0, 0.0, 0.6, 1.0, 0.0, false, false}, 3u);
  const std::vector<Symbol> found = Read(MiddleRows(itf.grey, 4));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].text, "12345678");
  // The same strip standing up is read along its columns.
  const GreyPixels row = MiddleRows(ean.grey, 2);
  GreyPixels column;
  column.width = row.height;
  column.height = row.width;
  column.pixels.resize(row.pixels.size());
  for (int y = 0; y < row.height; ++y) {
    for (int x = 0; x < row.width; ++x) {
      column.pixels[static_cast<size_t>(x * column.width + y)] =
          row.pixels[static_cast<size_t>(y * row.width + x)];
    }
  }
  const std::vector<Symbol> standing = Read(column);
  ASSERT_EQ(standing.size(), 1u);
  EXPECT_EQ(standing[0].text, "9638507");
}

GreyPixels Noise(int width, int height, double sigma, uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(128.0, sigma);
  GreyPixels g;
  g.width = width;
  g.height = height;
  g.pixels.resize(static_cast<size_t>(width * height));
  for (uint8_t& v : g.pixels)
    v = static_cast<uint8_t>(std::clamp(std::lround(noise(random)), 0L, 255L));
  return g;
}

// Parallel stripes of random widths, as on corrugated card or a striped
// fabric: every line across them sees the same widths.
GreyPixels Stripes(int width, int height, double degrees, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> module(1, 3);
  std::vector<int> dark;
  for (int at = 0; static_cast<int>(dark.size()) < 4 * (width + height);) {
    const bool isDark = (at++ % 2) == 0;
    const int w = 2 * module(random);
    for (int k = 0; k < w; ++k) dark.push_back(isDark ? 1 : 0);
  }
  const double c = std::cos(degrees * M_PI / 180.0);
  const double s = std::sin(degrees * M_PI / 180.0);
  GreyPixels g;
  g.width = width;
  g.height = height;
  g.pixels.resize(static_cast<size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int u = static_cast<int>(c * x + s * y) + width + height;
      g.pixels[static_cast<size_t>(y * width + x)] = dark[static_cast<size_t>(u)] ? 40 : 210;
    }
  }
  return g;
}

GreyPixels TextImage(int width, int height) {
  Pix* pix = WhiteCanvas(width, height);
  for (int line = 0; line * 30 < height; ++line) {
    PrintText(pix, "Lot 4471 best before 12/2027 IIII lllll 1111 |||| mmm nnn", 5, line * 30,
              width - 10, 18);
  }
  std::vector<uint8_t> png = EncodePng(pix);
  DestroyPix(&pix);
  return DecodeGrey(png);
}

TEST(Photo, ImagesWithoutSymbolsGiveNothing) {
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    EXPECT_TRUE(Read(Noise(320, 240, 40.0, seed)).empty()) << "noise " << seed;
  }
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const std::vector<Symbol> found = Read(Stripes(320, 240, 15.0 * seed, seed));
    EXPECT_TRUE(found.empty()) << "stripes " << seed << ": " << found[0];
  }
  EXPECT_TRUE(Read(TextImage(480, 320)).empty());
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    EXPECT_TRUE(Read(Noise(2000, 1 + seed % 3, 60.0, seed)).empty()) << "thin noise " << seed;
  }
}

}  // namespace
}  // namespace bcxtest
