// What the line stages share: the grey image, one line across it, the
// readings the lines make and the work space they are kept in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bcx {
struct ScanTrace;
}  // namespace bcx

namespace bcx::lines {

// Each sample averages kBandTaps points kBandStep pixels apart along the
// bars, which lowers camera noise without blurring across them. Every
// other line averages kWideBandTaps points kWideBandStep apart: specks of
// dust and toner a module wide, which break a scanned bar on any narrow
// band, fade into a band of six pixels, while photos, whose bars lean and
// curve, read better on the narrow one; neighbouring lines of the two
// kinds vote together. Each tap interpolates its pixels, so taps two
// pixels apart still cover the band.
constexpr int32_t kBandTaps = 3;
constexpr double kBandStep = 1.0;
constexpr int32_t kWideBandTaps = 4;
constexpr double kWideBandStep = 2.0;
// Lines keep this far from the border, so that every tap of a narrow band
// and the pixel right of and below it lie in the image; a wide band near
// the border is read with its taps held inside.
constexpr double kLineMargin = 0.5 * (kBandTaps - 1) * kBandStep + 1.0;

constexpr int32_t kMaxReads = 8192;
constexpr int32_t kTextPool = 1 << 18;
constexpr int32_t kNoCluster = -1;

struct LineRead {
  int32_t type;
  int32_t textAt;  // into the text pool
  int32_t textLength;
  int32_t angle;
  double offset;    // of its line, across the lines of its direction
  double x0, y0;    // where the symbol begins, in reading order
  double x1, y1;    // and ends
  double nx, ny;    // its line's normal, towards lines of larger offset
  int32_t cluster;  // kNoCluster until clustered
};

struct Work {
  float* profile;
  float* scratch;
  double* edges;
  double* forward;
  double* reversed;
  char* text;
  int32_t capacity;  // samples per line
  LineRead* reads;
  int32_t readCount;
  char* pool;
  int32_t poolUsed;
  ScanTrace* trace;  // may be nullptr
};

struct GreyImage {
  const uint8_t* pixels;
  int32_t width;
  int32_t height;
  ptrdiff_t stride;
};

// One line: from (ox, oy) in steps of (ux, uy), `samples` long; the band
// runs along (nx, ny).
struct Line {
  double ox, oy;
  double ux, uy;
  double nx, ny;
  int32_t samples;
  int32_t angle;
  double offset;
  bool alongBorder;  // a row or column of a thin image: samples clamped, no band
  int32_t taps;      // points averaged along the bars for each sample
  double tapStep;    // pixels between them
};

}  // namespace bcx::lines
