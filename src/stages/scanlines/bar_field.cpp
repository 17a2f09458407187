#include "stages/scanlines/bar_field.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace bcx {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Gradients are summed over kWindowBlocks x kWindowBlocks blocks around
// each block (24 pixels): enough samples that noise shows no common
// direction, and still inside the bars of a symbol a dozen modules long.
constexpr int32_t kWindowBlocks = 3;

// The share of the gradients' energy that must point one way. Bars give
// nearly 1, and blur with camera noise on a symbol of low contrast keeps
// well over a half; noise alone summed over a window gives about 0.1, and
// printed text, whose strokes turn, mostly under a half in a window of a
// few letters. At a half, an eighth of a page of text is left in the
// field (at 0.3, a third), and no photo of the dev set loses its symbol.
constexpr double kMinCoherence = 0.5;

// The coherent part of the gradients (central differences, twice the
// slope) must average at least this square per pixel: a slope of 1.5 grey
// levels per pixel across the window, which the faintest blurred symbol a
// profile still reads (a swing of 10 levels over 3 pixels, on half the
// window's pixels) exceeds, and flat paper with its noise does not.
constexpr double kMinCoherentSquare = 4.5;

// Directions within this angle of a block's gradient cross its bars: the
// nearest of directions 15 degrees apart lies within 7.5 degrees, its
// neighbours within 22.5. A window where perspective leans the bars, or
// where digits or a glare patch share it, measures their direction some
// degrees off, and a photo's symbol is often read by lines 15 to 20
// degrees off its bars' normal only (the lines that cross its cleanest
// part); 30 keeps those directions, four of the twelve.
constexpr double kDirectionReach = 30.0 * kPi / 180.0;

struct Tensor {
  double xx = 0.0;
  double yy = 0.0;
  double xy = 0.0;
  double pixels = 0.0;
};

// The gradient tensor summed over each block's own pixels.
void SumBlocks(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
               int32_t columns, Tensor* blocks) {
  for (int32_t y = 1; y + 1 < height; ++y) {
    const uint8_t* up = grey + (y - 1) * stride;
    const uint8_t* row = grey + y * stride;
    const uint8_t* down = grey + (y + 1) * stride;
    Tensor* blockRow = blocks + static_cast<ptrdiff_t>(y / kBarFieldBlock) * columns;
    for (int32_t bx = 0; bx < columns; ++bx) {
      const int32_t first = bx == 0 ? 1 : bx * kBarFieldBlock;
      const int32_t end = bx == columns - 1 ? width - 1 : (bx + 1) * kBarFieldBlock;
      // A block row's eight products fit 32 bits: 8 x 255 x 255 < 2^31.
      int32_t xx = 0;
      int32_t yy = 0;
      int32_t xy = 0;
      for (int32_t x = first; x < end; ++x) {
        const int32_t gx = row[x + 1] - row[x - 1];
        const int32_t gy = down[x] - up[x];
        xx += gx * gx;
        yy += gy * gy;
        xy += gx * gy;
      }
      Tensor& t = blockRow[bx];
      t.xx += static_cast<double>(xx);
      t.yy += static_cast<double>(yy);
      t.xy += static_cast<double>(xy);
      t.pixels += end > first ? end - first : 0;
    }
  }
}

// The gradient's angle of a window in [0, pi), or kIncoherent when its
// gradients do not point one way strongly enough.
constexpr double kIncoherent = -1.0;

double GradientAngleOf(const Tensor& t) {
  const double energy = t.xx + t.yy;
  const double coherent = std::hypot(t.xx - t.yy, 2.0 * t.xy);
  if (!(t.pixels > 0.0) || !(coherent >= kMinCoherence * energy) ||
      !(coherent >= kMinCoherentSquare * t.pixels)) {
    return kIncoherent;
  }
  const double gradient = 0.5 * std::atan2(2.0 * t.xy, t.xx - t.yy);
  return gradient < 0.0 ? gradient + kPi : gradient;
}

// How far two angles of a half turn lie apart, in [0, pi / 2].
double HalfTurnApart(double a, double b) {
  double apart = std::fmod(std::fabs(a - b), kPi);
  if (apart > 0.5 * kPi) apart = kPi - apart;
  return apart;
}

// The fixed directions a window with this gradient lets through, as bits.
uint32_t FixedDirectionsOf(double gradient, int32_t directions) {
  if (gradient == kIncoherent) return 0;
  uint32_t bits = 0;
  for (int32_t a = 0; a < directions; ++a) {
    if (HalfTurnApart(kPi * a / directions, gradient) <= kDirectionReach) bits |= 1u << a;
  }
  return bits;
}

// Refined directions come from a histogram of the coherent windows'
// gradients in whole degrees. A peak needs kMinPeakBlocks windows in its
// three degrees: an EAN-8 at a pixel a module, the smallest symbol, fills
// some thirty; specks and the few letters that pass the coherence test
// scatter over every angle and seldom gather a dozen in three degrees.
constexpr int32_t kHistogramBins = 180;
constexpr double kBinWidth = kPi / kHistogramBins;
constexpr int32_t kMinPeakBlocks = 12;

// A peak within kFixedCover of a fixed direction adds nothing: lines two
// degrees off cross bars a thirtieth of the symbol's length tall from end
// to end.
constexpr double kFixedCover = 2.0 * kPi / 180.0;

// A refined direction passes through windows whose gradient lies within
// kRefinedReach of it. Central differences answer a sharp edge's
// harmonics weaker along the axis nearer the gradient, which leans the
// measured angle of crisp bars some degrees towards the nearer diagonal
// (four at 22 degrees; blur takes most of it away): the lines then cross
// the bars up to that far off square, still closer than the 7.5 degrees
// of the fixed directions, and the windows of one symbol lean alike, so
// they still fall within the reach. Scharr's smoothed differences measure
// within half a degree but let more of a page's text through, and cost a
// page a fifth more time for no more symbols read. Blur and noise at a
// small module spread the windows' angles by two or three degrees, and
// the perspective of a photo leans one symbol's bars a few degrees from
// end to end, which the fixed directions still cover.
constexpr double kRefinedReach = 4.0 * kPi / 180.0;

struct Peak {
  double angle;
  int32_t blocks;
};

// The strongest peaks of the windows' gradients away from the fixed
// directions, strongest first; returns how many, at most
// kMaxRefinedDirections.
int32_t FindPeaks(const double* gradients, size_t count, int32_t fixed, Peak* peaks) {
  int32_t bins[kHistogramBins] = {};
  double offsets[kHistogramBins] = {};  // summed angle - the bin's low edge
  for (size_t i = 0; i < count; ++i) {
    if (gradients[i] == kIncoherent) continue;
    const int32_t b = std::min(kHistogramBins - 1, static_cast<int32_t>(gradients[i] / kBinWidth));
    ++bins[b];
    offsets[b] += gradients[i] - b * kBinWidth;
  }
  const auto bin = [&](int32_t b) { return bins[(b + kHistogramBins) % kHistogramBins]; };
  int32_t found = 0;
  for (int32_t b = 0; b < kHistogramBins; ++b) {
    const int32_t here = bin(b - 1) + 2 * bin(b) + bin(b + 1);
    const int32_t before = bin(b - 2) + 2 * bin(b - 1) + bin(b);
    const int32_t after = bin(b) + 2 * bin(b + 1) + bin(b + 2);
    const int32_t blocks = bin(b - 1) + bin(b) + bin(b + 1);
    // A plateau's peak is its first bin.
    if (!(here > before && here >= after) || blocks < kMinPeakBlocks) continue;
    double sum = 0.0;
    for (int32_t k = -1; k <= 1; ++k) {
      const int32_t at = (b + k + kHistogramBins) % kHistogramBins;
      sum += offsets[at] + bins[at] * (b + k) * kBinWidth;
    }
    double angle = sum / blocks;
    if (angle < 0.0) angle += kPi;
    if (angle >= kPi) angle -= kPi;
    bool covered = false;
    for (int32_t a = 0; a < fixed && !covered; ++a) {
      covered = HalfTurnApart(kPi * a / fixed, angle) < kFixedCover;
    }
    if (covered) continue;
    // Kept strongest first, ties in the order of their angles.
    int32_t at = found < kMaxRefinedDirections ? found++ : kMaxRefinedDirections;
    while (at > 0 && peaks[at - 1].blocks < blocks) {
      if (at < kMaxRefinedDirections) peaks[at] = peaks[at - 1];
      --at;
    }
    if (at < kMaxRefinedDirections) peaks[at] = Peak{angle, blocks};
  }
  return found;
}

}  // namespace

bool MapBarField(const uint8_t* grey, int32_t width, int32_t height, ptrdiff_t stride,
                 int32_t fixed, BarField& field) {
  field = BarField{};
  if (grey == nullptr || width < 1 || height < 1 || fixed < 1 || fixed > kMaxFixedDirections) {
    return false;
  }
  const int32_t columns = (width + kBarFieldBlock - 1) / kBarFieldBlock;
  const int32_t rows = (height + kBarFieldBlock - 1) / kBarFieldBlock;
  const size_t count = static_cast<size_t>(columns) * static_cast<size_t>(rows);
  Tensor* blocks = new (std::nothrow) Tensor[count];
  double* gradients = new (std::nothrow) double[count];
  uint32_t* across = new (std::nothrow) uint32_t[count];
  if (blocks == nullptr || gradients == nullptr || across == nullptr) {
    delete[] blocks;
    delete[] gradients;
    delete[] across;
    return false;
  }
  SumBlocks(grey, width, height, stride, columns, blocks);
  constexpr int32_t kHalf = kWindowBlocks / 2;
  for (int32_t by = 0; by < rows; ++by) {
    for (int32_t bx = 0; bx < columns; ++bx) {
      Tensor window;
      for (int32_t dy = -kHalf; dy <= kHalf; ++dy) {
        for (int32_t dx = -kHalf; dx <= kHalf; ++dx) {
          const int32_t y = by + dy;
          const int32_t x = bx + dx;
          if (y < 0 || y >= rows || x < 0 || x >= columns) continue;
          const Tensor& t = blocks[static_cast<size_t>(y) * columns + x];
          window.xx += t.xx;
          window.yy += t.yy;
          window.xy += t.xy;
          window.pixels += t.pixels;
        }
      }
      const size_t at = static_cast<size_t>(by) * columns + bx;
      gradients[at] = GradientAngleOf(window);
      across[at] = FixedDirectionsOf(gradients[at], fixed);
    }
  }
  delete[] blocks;
  Peak peaks[kMaxRefinedDirections];
  const int32_t refined = FindPeaks(gradients, count, fixed, peaks);
  for (int32_t a = 0; a < fixed; ++a) field.angles[a] = kPi * a / fixed;
  for (int32_t r = 0; r < refined; ++r) field.angles[fixed + r] = peaks[r].angle;
  if (refined > 0) {
    for (size_t i = 0; i < count; ++i) {
      if (gradients[i] == kIncoherent) continue;
      for (int32_t r = 0; r < refined; ++r) {
        if (HalfTurnApart(peaks[r].angle, gradients[i]) <= kRefinedReach) {
          across[i] |= 1u << (fixed + r);
        }
      }
    }
  }
  delete[] gradients;
  for (size_t i = 0; i < count; ++i) {
    for (uint32_t bits = across[i]; bits != 0; bits &= bits - 1) {
      ++field.crossing[std::countr_zero(bits)];
    }
  }
  field.columns = columns;
  field.rows = rows;
  field.fixed = fixed;
  field.directions = fixed + refined;
  field.across = across;
  return true;
}

void FreeBarField(BarField& field) {
  delete[] field.across;
  field = BarField{};
}

int64_t BlocksCrossing(const BarField& field, int32_t direction) {
  if (field.across == nullptr || direction < 0 || direction >= field.directions) return 0;
  return field.crossing[direction];
}

}  // namespace bcx
