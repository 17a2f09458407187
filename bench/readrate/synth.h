// Synthetic images for read-rate measurement, shared by bcx_readrate and
// bcx_peers: symbols drawn as pixel runs (wide elements at any multiple of
// the narrow one), turned, degraded like a print or a scan, and pages of
// printed text carrying symbols. Everything is grey bytes, so every reader
// is handed the very same pixels, and everything is repeatable from seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render.h"

namespace readrate {

// A seeded generator of our own: the standard distributions differ between
// library versions, and the numbers must not.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform();  // [0, 1)
  int Below(int n);  // 0 .. n-1
  double Normal();   // mean 0, deviation 1 (Irwin-Hall of four)
  static uint64_t Mix(uint64_t a, uint64_t b);

 private:
  uint64_t state_;
};

struct Grey {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // row-major, stride = width
};

Grey FromPix(Pix* pix);
Pix* ToPix(const Grey& grey);

// A symbol with its content as the real-data manifests state it: the
// symbology's name there and the text in that format, which readers of
// every kind are compared against.
struct Symbol {
  std::string name;
  bcxtest::SymbolSpec zint;
  std::string symbology;  // "Code128", "Code39", "EAN-13", "EAN-8", "UPC-A", "UPC-E", "ITF"
  std::string text;
  double wideRatio = 0;  // wide element / narrow element; 0 keeps zint's widths
};

Symbol Code128Symbol(const std::string& data);
Symbol Gs1Symbol(const std::string& bracketed);  // "[01]..." form
Symbol Ean13Symbol(const std::string& twelve);
Symbol Ean8Symbol(const std::string& seven);
Symbol UpcASymbol(const std::string& eleven);
Symbol UpcESymbol(const std::string& seven);  // number system 0 and six digits
Symbol Code39Symbol(const std::string& data, double ratio);
Symbol ItfSymbol(const std::string& digits, double ratio);

// Element widths in modules, first a bar; wide elements of Code 39 and ITF
// at the symbol's ratio. Empty when zint refuses the data.
std::vector<double> ElementWidths(const Symbol& s);

// Pixel runs: element edges at whole pixels (each edge rounded from its
// exact place), so a 2.5:1 wide element alternates between neighbours.
// `quiet` pixels of white on every side; corners of the bar area returned.
Pix* DrawRuns(const std::vector<double>& elements, double modulePx, int barHeight, int quiet,
              bcxtest::Quad* corners);

// Two symbols on one line, `gapModules` of white between them.
std::vector<double> SideBySide(const std::vector<double>& a, const std::vector<double>& b,
                               double gapModules);

enum class Degradation { kClean, kBlur, kNoise, kScanLike };
constexpr Degradation kDegradations[] = {Degradation::kClean, Degradation::kBlur,
                                         Degradation::kNoise, Degradation::kScanLike};
const char* DegradationName(Degradation d);

// Applies the degradation in place; blur is in units of the narrow element.
void Degrade(Grey* image, Degradation d, double modulePx, uint64_t seed);

void GaussianBlur(Grey* image, double sigma);
void AddNoise(Grey* image, double sigma, Random* random);

// One symbol, turned and degraded, with its quiet zone of 10 modules.
bool RenderSymbol(const Symbol& s, int modulePx, int barHeight, double degrees, Degradation d,
                  uint64_t seed, Grey* out);

// The sweep's symbols: every symbology, Code 39 and ITF at 2:1, 2.5:1, 3:1.
std::vector<Symbol> SweepSymbols();

// A page and what was placed on it.
struct Page {
  std::string kind;
  int dpi = 0;
  Grey image;
  std::vector<Symbol> symbols;
};

// Page kinds: "mixed", "pairs", "stripes", "ratios", "hundred", "text", "form".
std::vector<std::string> PageKinds();
bool MakePage(const std::string& kind, int dpi, uint64_t seed, Page* page);

// A4 at 300 dpi, printed text and five symbols, as the scan benchmark's.
Page A4Page();

}  // namespace readrate
