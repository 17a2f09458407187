// Pages with more than one symbol, human-readable digits, printed text, and
// the switch rules seen from outside.
#include <allheaders.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cases.h"
#include "render.h"

namespace bcxtest {
namespace {

constexpr int kModule = 3;
constexpr int kBarHeight = 50;
constexpr double kCornerTolerance = 2.0 * kModule + 3.0;
const std::vector<int> kAll = {BCX_CODE39, BCX_CODE128, BCX_GS1_128, BCX_EAN13,
                               BCX_EAN8,   BCX_UPCA,    BCX_UPCE,    BCX_ITF};

struct Placed {
  SymbolSpec symbolDef;
  double degrees;
  int left;
  int top;
  int type;
  std::string text;
};

// Draws each symbol rotated and pasted at its place on one white page.
std::vector<uint8_t> ComposePage(const std::vector<Placed>& items, int width, int height,
                                 std::vector<Quad>* quads) {
  Pix* page = WhiteCanvas(width, height);
  for (const Placed& item : items) {
    const std::vector<uint8_t> modules = EncodeModules(item.symbolDef);
    Quad quad{};
    Pix* flat = DrawModules(modules, kModule, kBarHeight, kQuietModules * kModule, &quad);
    Pix* turned = RotateOnCanvas(flat, item.degrees, &quad);
    PasteDarker(page, turned, item.left, item.top, &quad);
    quads->push_back(quad);
    DestroyPix(&turned);
    DestroyPix(&flat);
  }
  std::vector<uint8_t> png = EncodePng(page);
  DestroyPix(&page);
  return png;
}

// Every placed symbol is read once with its corners; nothing else is read.
void ExpectAllRead(const std::vector<ReadResult>& results, const std::vector<Placed>& items,
                   const std::vector<Quad>& quads) {
  ASSERT_EQ(results.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    const auto hit = std::find_if(results.begin(), results.end(), [&](const ReadResult& r) {
      return r.type == items[i].type && r.text == items[i].text;
    });
    ASSERT_NE(hit, results.end()) << "missing " << Printable(items[i].text);
    EXPECT_TRUE(CornersMatch(*hit, quads[i], kCornerTolerance)) << Printable(items[i].text);
  }
}

// Side by side, the second a little lower: bars level with the first
// symbol's would join its group (see below).
TEST(TwoSymbols, SideBySide) {
  const std::vector<Placed> items = {
      {Code128("LEFT-1"), 0.0, 0, 0, BCX_CODE128, "LEFT-1"},
      {Ean("400638133393"), 0.0, 400, 60, BCX_EAN13, "400638133393"},
  };
  std::vector<Quad> quads;
  const std::vector<uint8_t> png = ComposePage(items, 780, 440, &quads);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  ExpectAllRead(results, items, quads);
}

// Bars of like length lying level with a seed join its group however far
// away they are, and only a very wide bar splits a group: two symbols on one
// line become one span that no decoder accepts.
TEST(TwoSymbols, LevelSymbolsOfLikeHeightFormOneSpan) {
  const std::vector<Placed> items = {
      {Code128("LEFT-1"), 0.0, 0, 0, BCX_CODE128, "LEFT-1"},
      {Ean("400638133393"), 0.0, 400, 0, BCX_EAN13, "400638133393"},
  };
  std::vector<Quad> quads;
  const std::vector<uint8_t> png = ComposePage(items, 780, 400, &quads);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  EXPECT_TRUE(results.empty());
}

TEST(TwoSymbols, OneAboveTheOther) {
  const std::vector<Placed> items = {
      {Code39("TOP"), 0.0, 0, 0, BCX_CODE39, "TOP"},
      {Itf("12345678901231"), 0.0, 0, 180, BCX_ITF, "12345678901231"},
  };
  std::vector<Quad> quads;
  const std::vector<uint8_t> png = ComposePage(items, 560, 700, &quads);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  ExpectAllRead(results, items, quads);
}

TEST(TwoSymbols, CrossingAngles) {
  const std::vector<Placed> items = {
      {Code128("TILT30"), 30.0, 0, 0, BCX_CODE128, "TILT30"},
      {Ean("9638507"), 120.0, 330, 60, BCX_EAN8, "9638507"},
  };
  std::vector<Quad> quads;
  const std::vector<uint8_t> png = ComposePage(items, 700, 480, &quads);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  ExpectAllRead(results, items, quads);
}

TEST(TwoSymbols, RegionPicksOne) {
  const std::vector<Placed> items = {
      {Code128("LEFT-1"), 0.0, 0, 0, BCX_CODE128, "LEFT-1"},
      {Ean("400638133393"), 0.0, 400, 0, BCX_EAN13, "400638133393"},
  };
  std::vector<Quad> quads;
  const std::vector<uint8_t> png = ComposePage(items, 780, 400, &quads);
  // Around the EAN-13 only; its corners come back in page coordinates.
  const Quad& ean = quads[1];
  constexpr int kMargin = 15;
  const Region region{
      static_cast<int>(ean.p[0].x) - kMargin, static_cast<int>(ean.p[0].y) - kMargin,
      static_cast<int>(ean.p[2].x) + kMargin, static_cast<int>(ean.p[2].y) + kMargin};
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, &region, &results));
  ExpectAllRead(results, {items[1]}, {quads[1]});
}

TEST(HumanReadable, DigitsUnderTheBarsDoNotHinder) {
  const std::vector<ReadCase> cases = {
      {"Ean13", Ean("400638133393"), {BCX_EAN13}, BCX_EAN13, "400638133393"},
      {"Ean8", Ean("9638507"), {BCX_EAN8}, BCX_EAN8, "9638507"},
      {"UpcA", UpcA("03600029145"), {BCX_UPCA}, BCX_UPCA, "036000291452"},
      {"Code128", Code128("HRT-128"), {BCX_CODE128}, BCX_CODE128, "HRT-128"},
      {"Code39", Code39("HRT39"), {BCX_CODE39}, BCX_CODE39, "HRT39"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Pix* pix = DrawWithText(c.symbolDef, kModule, kBarHeight, kQuietModules * kModule);
    ASSERT_NE(pix, nullptr);
    const std::vector<uint8_t> png = EncodePng(pix);
    DestroyPix(&pix);
    std::vector<ReadResult> results;
    ASSERT_TRUE(ReadImage(png, c.enabled, nullptr, &results));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].type, c.type);
    EXPECT_EQ(Printable(results[0].text), Printable(c.text));
  }
}

struct PrintedLine {
  const char* text;
  int top;
};

constexpr PrintedLine kPrintedLines[] = {
    {"Delivery note 4471. Please check the goods on arrival.", 40},
    {"Report any damage within three days of delivery to the sender.", 330},
    {"Item: ball bearings, 12 boxes of 100; weight 14.5 kg; lot 2231-B.", 640},
};

// Lines of print above, between and below the symbols: letter strokes pass
// as bars and form groups of their own, and must not spoil the symbols.
TEST(PrintedPage, TextAroundSymbolsIsIgnored) {
  const std::vector<Placed> items = {
      {Code128("PAGE-0815"), 0.0, 20, 20, BCX_CODE128, "PAGE-0815"},
      {Ean("590123412345"), 0.0, 330, 330, BCX_EAN13, "590123412345"},
  };
  constexpr int kSide = 760;
  std::vector<Quad> quads;
  Pix* page = WhiteCanvas(kSide, kSide);
  for (const Placed& item : items) {
    Quad quad{};
    Pix* flat = DrawModules(EncodeModules(item.symbolDef), kModule, kBarHeight,
                            kQuietModules * kModule, &quad);
    Pix* turned = RotateOnCanvas(flat, item.degrees, &quad);
    PasteDarker(page, turned, item.left, item.top, &quad);
    quads.push_back(quad);
    DestroyPix(&turned);
    DestroyPix(&flat);
  }
  constexpr int kMargin = 20;
  constexpr int kFontSize = 10;  // letter strokes 18 to 30 pixels long
  for (const PrintedLine& line : kPrintedLines) {
    PrintText(page, line.text, kMargin, line.top, kSide - 2 * kMargin, kFontSize);
  }
  const std::vector<uint8_t> png = EncodePng(page);
  DestroyPix(&page);
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(png, kAll, nullptr, &results));
  ExpectAllRead(results, items, quads);
}

TEST(Switches, NoSymbologyEnabledReadsNothing) {
  for (const ReadCase& c : SweepCases()) {
    Scene scene;
    ASSERT_TRUE(RenderScene(c.symbolDef, kModule, kBarHeight, 0.0, false, &scene));
    std::vector<ReadResult> results;
    ASSERT_TRUE(ReadImage(scene.png, {}, nullptr, &results));
    EXPECT_TRUE(results.empty()) << c.name;
  }
}

TEST(Switches, Gs1SwitchAloneDoesNotEnableCode128) {
  Scene scene;
  ASSERT_TRUE(RenderScene(Gs1("[01]12345678901231"), kModule, kBarHeight, 0.0, false, &scene));
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(scene.png, {BCX_GS1_128}, nullptr, &results));
  EXPECT_TRUE(results.empty());
}

TEST(Switches, OnlyTheEnabledSymbologyIsRead) {
  Scene scene;
  ASSERT_TRUE(RenderScene(Code128("ONLY"), kModule, kBarHeight, 0.0, false, &scene));
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(scene.png, {BCX_CODE39, BCX_EAN13, BCX_EAN8, BCX_UPCA, BCX_UPCE, BCX_ITF},
                        nullptr, &results));
  EXPECT_TRUE(results.empty());
}

// Leading digits 1 to 9 give EAN-13 left halves the parities of number
// system 1 UPC-E symbols; none of them may come out as UPC-E.
TEST(Switches, Ean13IsNeverReportedAsUpcE) {
  for (char lead = '0'; lead <= '9'; ++lead) {
    const std::string data = std::string(1, lead) + "23456789012";
    for (double degrees : {0.0, 180.0}) {
      Scene scene;
      ASSERT_TRUE(RenderScene(Ean(data), kModule, kBarHeight, degrees, false, &scene));
      std::vector<ReadResult> results;
      ASSERT_TRUE(ReadImage(scene.png, {BCX_UPCE}, nullptr, &results));
      for (const ReadResult& r : results) {
        ADD_FAILURE() << data << " at " << degrees << " read as type " << r.type << " '"
                      << Printable(r.text) << "'";
      }
    }
  }
}

TEST(Switches, UpcAReadAsUpcAWhenEan13IsOff) {
  Scene scene;
  ASSERT_TRUE(RenderScene(UpcA("03600029145"), kModule, kBarHeight, 0.0, false, &scene));
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(scene.png, {BCX_UPCA, BCX_UPCE, BCX_EAN8}, nullptr, &results));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].type, BCX_UPCA);
  EXPECT_EQ(results[0].text, "036000291452");
}

TEST(Switches, Ean8NotReadWhileItsSwitchIsOff) {
  Scene scene;
  ASSERT_TRUE(RenderScene(Ean("9638507"), kModule, kBarHeight, 0.0, false, &scene));
  std::vector<ReadResult> results;
  ASSERT_TRUE(ReadImage(scene.png, {BCX_EAN13, BCX_UPCA, BCX_UPCE}, nullptr, &results));
  EXPECT_TRUE(results.empty());
}

}  // namespace
}  // namespace bcxtest
