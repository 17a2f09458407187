// Test support: renders linear symbols with libzint into grey Leptonica
// images, rotates and combines them, tracks where the symbol's corners end
// up, and reads images back through the exported calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Pix;

namespace bcxtest {

struct PointD {
  double x;
  double y;
};

// Corners of a symbol's bar area in image coordinates (pixel centres), going
// round: first bar top, first bar bottom, last bar bottom, last bar top.
struct Quad {
  PointD p[4];
};

struct SymbolSpec {
  int zintType;            // BARCODE_... of zint
  std::string data;        // bytes handed to zint
  int inputMode = 0;       // DATA_MODE unless GS1_MODE etc.
  int option2 = 0;         // e.g. Code 39 check character off
  bool wideAsTwo = false;  // redraw wide elements of 3 modules as 2 (ITF)
};

// Module row of the symbol: 1 dark, 0 light. Empty when zint refuses it.
std::vector<uint8_t> EncodeModules(const SymbolSpec& symbolDef);

// Runs of equal modules (element widths in modules), first run dark.
std::vector<int> ModuleRuns(const std::vector<uint8_t>& modules);

// An 8-bit grey image of the module row, each module moduleWidth pixels
// wide, bars barHeight tall, with `quiet` white pixels on every side.
Pix* DrawModules(const std::vector<uint8_t>& modules, int moduleWidth, int barHeight, int quiet,
                 Quad* corners);

// zint's own raster with human-readable text under the bars; corners of the
// bar area are left to the caller. Null on failure.
Pix* DrawWithText(const SymbolSpec& symbolDef, int moduleWidth, int barHeight, int quiet);

// Rotates clockwise by `degrees` (y down) on a canvas large enough to keep
// everything; corners are carried along.
Pix* RotateOnCanvas(Pix* pix, double degrees, Quad* corners);

// A white canvas; PasteDarker keeps the darker pixel where images overlap.
Pix* WhiteCanvas(int width, int height);
void PasteDarker(Pix* canvas, Pix* piece, int left, int top, Quad* corners);

// Flips left to right; corners follow.
Pix* MirrorImage(Pix* pix, Quad* corners);

// Lines of printed text, black on the image, from the compiled-in font.
void PrintText(Pix* pix, const char* text, int left, int top, int width, int fontSize);

std::vector<uint8_t> EncodePng(Pix* pix);
void DestroyPix(Pix** pix);

struct Region {
  int left;
  int top;
  int right;
  int bottom;
};

struct ReadResult {
  int type;
  std::string text;
  PointD corners[4];
};

// Loads the PNG, enables exactly the listed symbologies and scans (within
// the region if given; a threshold other than 0 is set after BcxInit).
// Returns false when loading fails.
bool ReadImage(const std::vector<uint8_t>& png, const std::vector<int>& types, const Region* region,
               std::vector<ReadResult>* results, int threshold = 0);

// True when the four reported corners lie within `tolerance` pixels of the
// quad's corners, going round it and starting at one end bar.
bool CornersMatch(const ReadResult& result, const Quad& quad, double tolerance);

// One symbol drawn, rotated and encoded as PNG, with its corners.
struct Scene {
  std::vector<uint8_t> png;
  Quad quad;
  int width = 0;
  int height = 0;
  int moduleCount = 0;
};

constexpr int kQuietModules = 10;

// Draws the symbol (quiet zone of kQuietModules modules), optionally
// mirrored, rotated by `degrees`. Returns false when zint refuses the data.
bool RenderScene(const SymbolSpec& symbolDef, int moduleWidth, int barHeight, double degrees,
                 bool mirror, Scene* scene);

// Readable form of a text with bytes above 126 and below 32 escaped.
std::string Printable(const std::string& text);

}  // namespace bcxtest
