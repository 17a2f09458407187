// Test images for the image provider, made in memory with Leptonica and
// giflib, and a guard that captures standard error.
#pragma once

#include <leptonica/allheaders.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rastra_test {

using Bytes = std::vector<uint8_t>;

// A checkerboard of 16-pixel cells, dark where the cell indices add up to
// an even number. 56 x 40 keeps rows off any word boundary.
constexpr int kPatternWidth = 56;
constexpr int kPatternHeight = 40;
constexpr int kCell = 16;
bool PatternDark(int x, int y);

enum class Pixels { kBit1, kBit2, kBit4, kGrey8, kGrey16, kColormap, kRgb, kRgba };
const char* PixelsName(Pixels pixels);

// The checkerboard at the given depth; the caller destroys it.
PIX* MakePattern(Pixels pixels, int width = kPatternWidth, int height = kPatternHeight);
// Leptonica's encoder for `format` (IFF_*); empty when it refuses.
Bytes Encode(PIX* pix, int format);
Bytes EncodePattern(Pixels pixels, int format);

// The binarised current image, row by row; empty when refused.
Bytes Binarised(int width, int height);
// Pixels whose binarised value differs from the checkerboard.
int PatternMismatches(const Bytes& binary, int width, int height);

// A private folder removed with its files at destruction.
struct TempDir {
  TempDir();
  ~TempDir();
  std::string File(const std::string& name) const;
  std::string path;
};
bool WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);

// A multi-frame GIF built with giflib: frames drawn over a 32 x 24 screen.
struct GifFrame {
  int left, top, width, height;
  int disposal;     // DISPOSE_* or -1 for no control extension
  int transparent;  // colour index or -1
  bool interlaced;
  std::vector<uint8_t> indices;  // width * height, colours 0 black, 1 white
};
Bytes EncodeGif(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames);

// Redirects file descriptor 2 to a temporary file while alive.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  std::string Finish();  // restores stderr and returns what was written

 private:
  int saved_ = -1;
  FILE* file_ = nullptr;
};

}  // namespace rastra_test
