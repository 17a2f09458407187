// A folder of images made by the zint command-line tool and a way to run
// the built bcxscan on them.
#pragma once

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace bcxscan_cli {

inline constexpr int kExitFound = 0;
inline constexpr int kExitNothing = 1;
inline constexpr int kExitTrouble = 2;
inline constexpr int kQuietZone = 20;   // zint --whitesp/--vwhitesp 10 at 2 pixels a module
inline constexpr int kCornerSlack = 8;  // pixels a corner may stray outside the bars

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
  return fields;
}

class CliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/bcxscan-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setMsgSeverity(L_SEVERITY_NONE);
    Zint("code128.png", "--barcode=20 -d 'BCX-128'");
    Zint("code39.png", "--barcode=8 -d 'CODE-39'");
    Zint("special.png", "--barcode=20 --esc -d 'A\\tB\\\\C'");
    Zint("gs1.png", "--barcode=16 -d '[01]12345678901231'");
    Zint("grey.png", "--barcode=20 --fg=888888 -d 'GREY-128'");  // bars at grey 136
    MakeBlank("blank.png", 240, 140);
    MakePair("pair.png", "code128.png", "code39.png");
    MakeTiff("pages.tif", {"code128.png", "code39.png", "blank.png"});
    std::ofstream(dir_ + "/notimage.txt") << "this is no image\n";
    std::ofstream(dir_ + "/empty.png").flush();
    const std::string png = ReadAll(Path("blank.png"));
    std::ofstream(dir_ + "/truncated.png", std::ios::binary) << png.substr(0, png.size() / 2);
    std::ofstream(dir_ + "/fake.tif", std::ios::binary) << std::string("II*\0no tiff follows", 19);
    ASSERT_EQ(mkdir(Path("folder.png").c_str(), 0700), 0);
  }

  static void TearDownTestSuite() {
    const std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  static std::string Path(const std::string& name) { return dir_ + "/" + name; }

  static void Zint(const std::string& name, const std::string& args) {
    const std::string command = std::string(ZINT_PROGRAM) +
                                " --notext --whitesp=10 --vwhitesp=10 " + args + " -o '" +
                                Path(name) + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  static PIX* ReadGrey(const std::string& name) {
    PIX* pix = pixRead(Path(name).c_str());
    if (pix == nullptr) return nullptr;
    PIX* grey = pixConvertTo8(pix, 0);
    pixDestroy(&pix);
    return grey;
  }

  static void MakeBlank(const std::string& name, int width, int height) {
    PIX* pix = pixCreate(width, height, 8);
    pixSetAll(pix);
    ASSERT_EQ(pixWrite(Path(name).c_str(), pix, IFF_PNG), 0);
    pixDestroy(&pix);
  }

  // Two symbols one above the other with a gap, on one white canvas. (Side
  // by side, their bars would be taken for one symbol.)
  static void MakePair(const std::string& name, const std::string& upper,
                       const std::string& lower) {
    PIX* a = ReadGrey(upper);
    PIX* b = ReadGrey(lower);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    pairSplitY_ = pixGetHeight(a) + kPairGap / 2;
    const int width = std::max(pixGetWidth(a), pixGetWidth(b));
    const int height = pixGetHeight(a) + kPairGap + pixGetHeight(b);
    PIX* canvas = pixCreate(width, height, 8);
    pixSetAll(canvas);
    pixRasterop(canvas, 0, 0, pixGetWidth(a), pixGetHeight(a), PIX_SRC, a, 0, 0);
    pixRasterop(canvas, 0, pixGetHeight(a) + kPairGap, pixGetWidth(b), pixGetHeight(b), PIX_SRC, b,
                0, 0);
    ASSERT_EQ(pixWrite(Path(name).c_str(), canvas, IFF_PNG), 0);
    pairWidth_ = width;
    pairHeight_ = height;
    pixDestroy(&a);
    pixDestroy(&b);
    pixDestroy(&canvas);
  }

  static void MakeTiff(const std::string& name, const std::vector<std::string>& pages) {
    for (size_t i = 0; i < pages.size(); ++i) {
      PIX* page = ReadGrey(pages[i]);
      ASSERT_NE(page, nullptr);
      ASSERT_EQ(pixWriteTiff(Path(name).c_str(), page, IFF_TIFF_ZIP, i == 0 ? "w" : "a"), 0);
      pixDestroy(&page);
    }
  }

  // Runs bcxscan in the image folder with a shell-quoted argument string.
  static Outcome Run(const std::string& args, const std::string& input = "/dev/null") {
    const std::string out = Path("stdout.txt");
    const std::string err = Path("stderr.txt");
    const std::string command = "cd '" + dir_ + "' && '" BCXSCAN_PROGRAM "' " + args + " >'" + out +
                                "' 2>'" + err + "' <'" + input + "'";
    const int raw = std::system(command.c_str());
    Outcome outcome = {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
    return outcome;
  }

  static constexpr int kPairGap = 60;
  static inline std::string dir_;
  static inline int pairSplitY_ = 0;  // y between the two symbols of pair.png
  static inline int pairWidth_ = 0;
  static inline int pairHeight_ = 0;
};

}  // namespace bcxscan_cli
