// Runs the built bcxscan on images it must read: these tests need the whole
// scanning pipeline to return symbols.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace bcxscan_cli {
namespace {

// Fields of the first output line; empty when nothing was printed.
std::vector<std::string> FirstTsvFields(const std::string& out) {
  const std::vector<std::string> lines = Lines(out);
  return lines.empty() ? std::vector<std::string>() : Split(lines[0], '\t');
}

struct Corners {
  int x[4];
  int y[4];
};

// Every corner lies on the bars of an image with zint's quiet zones.
void ExpectCornersOnTheBars(const Corners& corners, int left, int top, int right, int bottom) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(corners.x[i], left - kCornerSlack) << i;
    EXPECT_LE(corners.x[i], right + kCornerSlack) << i;
    EXPECT_GE(corners.y[i], top - kCornerSlack) << i;
    EXPECT_LE(corners.y[i], bottom + kCornerSlack) << i;
  }
}

Corners FromMatch(const std::smatch& match, size_t first) {
  Corners corners = {};
  for (int i = 0; i < 4; ++i) {
    corners.x[i] = std::stoi(match[first + 2 * i]);
    corners.y[i] = std::stoi(match[first + 2 * i + 1]);
  }
  return corners;
}

TEST_F(CliTest, DecodingTextFormat) {
  const Outcome outcome = Run("code128.png");
  EXPECT_EQ(outcome.status, kExitFound);
  const std::regex line(
      R"(code128\.png  page 0  code128  BCX-128  \((\d+),(\d+)\) \((\d+),(\d+)\) )"
      R"(\((\d+),(\d+)\) \((\d+),(\d+)\)\n)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(outcome.out, match, line)) << outcome.out;
  ExpectCornersOnTheBars(FromMatch(match, 1), kQuietZone, kQuietZone, 264 - kQuietZone,
                         140 - kQuietZone);
}

TEST_F(CliTest, DecodingTsvFormat) {
  const Outcome outcome = Run("-f tsv code128.png");
  EXPECT_EQ(outcome.status, kExitFound);
  const std::regex line(
      R"(code128\.png\t0\tcode128\tBCX-128\t(\d+),(\d+)\t(\d+),(\d+)\t(\d+),(\d+)\t(\d+),(\d+)\n)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(outcome.out, match, line)) << outcome.out;
  ExpectCornersOnTheBars(FromMatch(match, 1), kQuietZone, kQuietZone, 264 - kQuietZone,
                         140 - kQuietZone);
}

TEST_F(CliTest, DecodingJsonFormat) {
  const Outcome outcome = Run("--format=json code128.png");
  EXPECT_EQ(outcome.status, kExitFound);
  const std::regex line(
      R"(\{"file":"code128\.png","page":0,"type":"code128","text":"BCX-128",)"
      R"("corners":\[\[(\d+),(\d+)\],\[(\d+),(\d+)\],\[(\d+),(\d+)\],\[(\d+),(\d+)\]\]\}\n)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(outcome.out, match, line)) << outcome.out;
  ExpectCornersOnTheBars(FromMatch(match, 1), kQuietZone, kQuietZone, 264 - kQuietZone,
                         140 - kQuietZone);
}

TEST_F(CliTest, DecodingFormatsAgreeOnTheCorners) {
  const std::vector<std::string> tsv = FirstTsvFields(Run("-f tsv code128.png").out);
  ASSERT_EQ(tsv.size(), 8u);
  std::string expectedText = "code128.png  page 0  code128  BCX-128 ";
  std::string expectedJson = ",\"corners\":[";
  for (int i = 0; i < 4; ++i) {
    expectedText += " (" + tsv[4 + i] + ")";
    expectedJson += (i > 0 ? ",[" : "[") + tsv[4 + i] + "]";
  }
  EXPECT_EQ(Run("code128.png").out, expectedText + "\n");
  EXPECT_NE(Run("-f json code128.png").out.find(expectedJson + "]}"), std::string::npos);
}

TEST_F(CliTest, DecodingEscapesTabAndBackslash) {
  std::vector<std::string> fields = FirstTsvFields(Run("-f tsv special.png").out);
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[2], "code128");
  EXPECT_EQ(fields[3], "A\\x09B\\\\C");
  EXPECT_NE(Run("-f json special.png").out.find("\"text\":\"A\\\\x09B\\\\\\\\C\""),
            std::string::npos);
}

TEST_F(CliTest, DecodingEscapesFnc1AsByte201) {
  const Outcome outcome = Run("-t code128 -f tsv gs1.png");
  EXPECT_EQ(outcome.status, kExitFound);
  const std::vector<std::string> fields = FirstTsvFields(outcome.out);
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[2], "code128");
  EXPECT_EQ(fields[3], "\\xC90112345678901231");
  EXPECT_NE(Run("-t code128 -f json gs1.png").out.find("\"text\":\"\\\\xC90112345678901231\""),
            std::string::npos);
}

TEST_F(CliTest, DecodingGs1TypeDropsTheFnc1) {
  for (const char* types : {"gs1-128", "all", "code128,gs1-128"}) {
    const Outcome outcome = Run(std::string("-f tsv -t ") + types + " gs1.png");
    EXPECT_EQ(outcome.status, kExitFound) << types;
    const std::vector<std::string> fields = FirstTsvFields(outcome.out);
    ASSERT_EQ(fields.size(), 8u) << types;
    EXPECT_EQ(fields[2], "gs1-128") << types;
    EXPECT_EQ(fields[3], "0112345678901231") << types;
  }
}

TEST_F(CliTest, DecodingTypesFilterWhatIsRead) {
  EXPECT_EQ(Run("-t ean13,itf code128.png").status, kExitNothing);
  EXPECT_EQ(Run("-t gs1-128 code128.png").status, kExitNothing);
  EXPECT_EQ(Run("-t code39,code128 code128.png").status, kExitFound);
}

TEST_F(CliTest, DecodingExitZeroWhenOneFileOfSeveralHasASymbol) {
  EXPECT_EQ(Run("blank.png code39.png blank.png").status, kExitFound);
  // A file that cannot be read still wins: the status is 2.
  const Outcome outcome = Run("code39.png missing.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_NE(outcome.out.find("code39   CODE-39"), std::string::npos) << outcome.out;
}

TEST_F(CliTest, DecodingWithAutomaticThresholds) {
  for (const char* mode : {"otsu", "adaptive", "200"}) {
    const Outcome outcome = Run(std::string("-f tsv -T ") + mode + " code39.png");
    EXPECT_EQ(outcome.status, kExitFound) << mode << ": " << outcome.err;
    EXPECT_EQ(outcome.out.rfind("code39.png\t0\tcode39\tCODE-39\t", 0), 0u) << mode;
  }
}

TEST_F(CliTest, DecodingPaleBarsNeedAHigherLevel) {
  // 136 is light at the default 128; thorough mode reads the grey levels.
  EXPECT_EQ(Run("--exact grey.png").status, kExitNothing);
  EXPECT_EQ(Run("grey.png").status, kExitFound);
  for (const char* mode : {"200", "otsu"}) {
    // The level holds for every file of the run.
    const Outcome outcome = Run(std::string("--exact -f tsv -T ") + mode + " grey.png grey.png");
    EXPECT_EQ(outcome.status, kExitFound) << mode;
    const std::vector<std::string> lines = Lines(outcome.out);
    ASSERT_EQ(lines.size(), 2u) << mode << ": " << outcome.out;
    for (const std::string& line : lines) {
      EXPECT_EQ(line.rfind("grey.png\t0\tcode128\tGREY-128\t", 0), 0u) << line;
    }
  }
}

TEST_F(CliTest, DecodingStandardInput) {
  const Outcome outcome = Run("-f tsv -", Path("code128.png"));
  EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
  EXPECT_EQ(outcome.out.rfind("-\t0\tcode128\tBCX-128\t", 0), 0u) << outcome.out;
}

TEST_F(CliTest, DecodingMultiPageTiffAllPages) {
  const Outcome outcome = Run("-f tsv --stats --page all pages.tif");
  EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
  const std::vector<std::string> lines = Lines(outcome.out);
  ASSERT_EQ(lines.size(), 2u) << outcome.out;
  EXPECT_EQ(lines[0].rfind("pages.tif\t0\tcode128\tBCX-128\t", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("pages.tif\t1\tcode39\tCODE-39\t", 0), 0u) << lines[1];
  EXPECT_EQ(outcome.err.rfind("pages.tif: 3 pages, ", 0), 0u) << outcome.err;
}

TEST_F(CliTest, DecodingMultiPageTiffOnePage) {
  const Outcome outcome = Run("-f tsv --page 1 pages.tif");
  EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
  const std::vector<std::string> lines = Lines(outcome.out);
  ASSERT_EQ(lines.size(), 1u) << outcome.out;
  EXPECT_EQ(lines[0].rfind("pages.tif\t1\tcode39\tCODE-39\t", 0), 0u) << lines[0];
  EXPECT_EQ(Run("--page 2 pages.tif").status, kExitNothing);
  EXPECT_EQ(Run("--page 3 pages.tif").status, kExitTrouble);
}

TEST_F(CliTest, DecodingRegionReadsOnlyWhatLiesInside) {
  const Outcome whole = Run("-f tsv pair.png");
  EXPECT_EQ(Lines(whole.out).size(), 2u) << whole.out;
  const std::string lower = "0," + std::to_string(pairSplitY_) + "," +
                            std::to_string(pairWidth_ - 1) + "," + std::to_string(pairHeight_ - 1);
  const Outcome outcome = Run("-f tsv -r " + lower + " pair.png");
  EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
  const std::vector<std::string> lines = Lines(outcome.out);
  ASSERT_EQ(lines.size(), 1u) << outcome.out;
  const std::vector<std::string> fields = Split(lines[0], '\t');
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[2], "code39");
  EXPECT_EQ(fields[3], "CODE-39");
  // Corners come back in image coordinates, below the region's top edge.
  for (int i = 4; i < 8; ++i) {
    EXPECT_GE(std::stoi(Split(fields[i], ',').at(1)), pairSplitY_) << fields[i];
  }
}

TEST_F(CliTest, DecodingAnnotatedPictureMarksTheSymbol) {
  const Outcome outcome = Run("-f tsv -a marked.png code128.png");
  EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
  l_int32 format = 0;
  ASSERT_EQ(findFileFormat(Path("marked.png").c_str(), &format), 0);
  EXPECT_EQ(format, IFF_PNG);
  PIX* in = pixRead(Path("code128.png").c_str());
  PIX* out = pixRead(Path("marked.png").c_str());
  ASSERT_NE(out, nullptr);
  PIX* in32 = pixConvertTo32(in);
  PIX* out32 = pixConvertTo32(out);
  ASSERT_EQ(pixGetWidth(out32), pixGetWidth(in32));
  ASSERT_EQ(pixGetHeight(out32), pixGetHeight(in32));
  // Some pixel on each edge between consecutive corners has changed.
  const std::vector<std::string> fields = FirstTsvFields(outcome.out);
  ASSERT_EQ(fields.size(), 8u);
  for (int edge = 0; edge < 4; ++edge) {
    const std::vector<std::string> a = Split(fields[4 + edge], ',');
    const std::vector<std::string> b = Split(fields[4 + (edge + 1) % 4], ',');
    const int mx = (std::stoi(a[0]) + std::stoi(b[0])) / 2;
    const int my = (std::stoi(a[1]) + std::stoi(b[1])) / 2;
    l_uint32 before = 0;
    l_uint32 after = 0;
    pixGetPixel(in32, mx, my, &before);
    pixGetPixel(out32, mx, my, &after);
    EXPECT_NE(before & 0xFFFFFF00, after & 0xFFFFFF00) << "edge " << edge;
  }
  // Far from the symbol the picture is unchanged.
  l_uint32 before = 0;
  l_uint32 after = 0;
  pixGetPixel(in32, pixGetWidth(in32) - 2, pixGetHeight(in32) - 2, &before);
  pixGetPixel(out32, pixGetWidth(out32) - 2, pixGetHeight(out32) - 2, &after);
  EXPECT_EQ(before & 0xFFFFFF00, after & 0xFFFFFF00);
  pixDestroy(&in);
  pixDestroy(&out);
  pixDestroy(&in32);
  pixDestroy(&out32);
}

// Names used in samples/EXPECTED.tsv, and the names bcxscan prints.
struct TypeAlias {
  const char* listed;
  const char* printed;
};

constexpr TypeAlias kTypeAliases[] = {
    {"Code 39", "code39"},  {"Code 128", "code128"},
    {"GS1-128", "gs1-128"}, {"EAN-13", "ean13"},
    {"EAN-8", "ean8"},      {"UPC-A", "upca"},
    {"UPC-E", "upce"},      {"Interleaved 2 of 5", "itf"},
};

std::string PrintedType(const std::string& listed) {
  for (const TypeAlias& alias : kTypeAliases) {
    if (listed == alias.listed) return alias.printed;
  }
  return listed;
}

int Column(const std::vector<std::string>& header, const char* name) {
  for (size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return static_cast<int>(i);
  }
  return -1;
}

// Every symbol listed in samples/EXPECTED.tsv (a header line naming the
// columns file, page, type and text) is read from its sample and page when
// its symbology is asked for.
TEST_F(CliTest, DecodingSamplesListed) {
  const std::string expected = ReadAll(SAMPLES_DIR "/EXPECTED.tsv");
  if (expected.empty()) GTEST_SKIP() << "no samples/EXPECTED.tsv in this tree";
  const std::vector<std::string> rows = Lines(expected);
  const std::vector<std::string> header = Split(rows.at(0), '\t');
  const int file = Column(header, "file");
  const int page = Column(header, "page");
  const int type = Column(header, "type");
  const int text = Column(header, "text");
  ASSERT_TRUE(file >= 0 && page >= 0 && type >= 0 && text >= 0) << rows[0];
  int checked = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string> fields = Split(rows[r], '\t');
    if (static_cast<int>(fields.size()) <= std::max({file, page, type, text})) continue;
    const std::string path = SAMPLES_DIR "/" + fields[file];
    // With every type on, a UPC-A symbol reads as EAN-13 (tried first), so
    // each row asks for its own symbology.
    const Outcome outcome =
        Run("-f tsv -t " + PrintedType(fields[type]) + " -p " + fields[page] + " '" + path + "'");
    bool found = false;
    for (const std::string& line : Lines(outcome.out)) {
      const std::vector<std::string> got = Split(line, '\t');
      found = found || (got.size() == 8 && got[0] == path && got[1] == fields[page] &&
                        got[2] == PrintedType(fields[type]) && got[3] == fields[text]);
    }
    EXPECT_TRUE(found) << rows[r] << "\n" << outcome.out << outcome.err;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// With every symbology on, the samples yield exactly the symbols listed for
// them, and an image not listed at all (printed text, no barcode) yields
// nothing. A UPC-A sample is listed as the EAN-13 it reads as.
TEST_F(CliTest, DecodingSamplesReadExactlyAsListed) {
  const std::vector<std::string> rows = Lines(ReadAll(SAMPLES_DIR "/EXPECTED.tsv"));
  ASSERT_GT(rows.size(), 1u);
  std::vector<std::string> want;
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string> f = Split(rows[r], '\t');
    ASSERT_EQ(f.size(), 4u) << rows[r];
    want.push_back(std::string(SAMPLES_DIR "/") + f[0] + "\t" + f[1] + "\t" + PrintedType(f[2]) +
                   "\t" + f[3]);
  }
  const std::string images[] = {"code39.png",      "code128.png",   "gs1-128.png",
                                "ean13.png",       "ean8.png",      "upca.png",
                                "upce.png",        "itf.png",       "code128-rotated-23.png",
                                "three-pages.tif", "no-barcode.png"};
  std::string files;
  for (const std::string& image : images) files += " '" SAMPLES_DIR "/" + image + "'";
  std::sort(want.begin(), want.end());
  for (const char* mode : {"", "--exact "}) {
    const Outcome outcome = Run(mode + std::string("-f tsv") + files);
    EXPECT_EQ(outcome.status, kExitFound) << mode << outcome.err;
    std::vector<std::string> got;
    for (const std::string& line : Lines(outcome.out)) {
      const std::vector<std::string> f = Split(line, '\t');
      ASSERT_EQ(f.size(), 8u) << line;
      got.push_back(f[0] + "\t" + f[1] + "\t" + f[2] + "\t" + f[3]);
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << mode;
    EXPECT_EQ(Run(mode + std::string("'" SAMPLES_DIR "/no-barcode.png'")).status, kExitNothing)
        << mode;
  }
}

// Thorough mode reads the samples and the zint images exactly as exact mode
// does, corners included. The differences are listed: pale bars (grey.png)
// read only in thorough mode, from their grey levels.
TEST_F(CliTest, DecodingBothModesAgree) {
  const Outcome pale = Run("-f tsv grey.png");
  EXPECT_EQ(pale.out.rfind("grey.png\t0\tcode128\tGREY-128\t", 0), 0u) << pale.out;
  EXPECT_EQ(Run("--exact grey.png").status, kExitNothing);
  std::string files = " code128.png code39.png special.png gs1.png pair.png pages.tif";
  for (const char* image :
       {"code39.png", "code128.png", "gs1-128.png", "ean13.png", "ean8.png", "upca.png", "upce.png",
        "itf.png", "code128-rotated-23.png", "three-pages.tif", "no-barcode.png"}) {
    files += std::string(" '" SAMPLES_DIR "/") + image + "'";
  }
  for (const char* format : {"text", "tsv", "json"}) {
    const std::string args = std::string("-f ") + format + files;
    const Outcome thorough = Run(args);
    const Outcome exact = Run("--exact " + args);
    EXPECT_EQ(thorough.status, kExitFound) << thorough.err;
    EXPECT_EQ(thorough.status, exact.status) << format;
    EXPECT_EQ(thorough.out, exact.out) << format;
    EXPECT_EQ(thorough.err, exact.err) << format;
  }
  const Outcome thorough =
      Run("-f tsv -T otsu -t code128,code39 -r 0,0,263,139 -", Path("code128.png"));
  const Outcome exact =
      Run("--exact -f tsv -T otsu -t code128,code39 -r 0,0,263,139 -", Path("code128.png"));
  EXPECT_EQ(thorough.status, kExitFound) << thorough.err;
  EXPECT_EQ(thorough.out, exact.out);
}

}  // namespace
}  // namespace bcxscan_cli
