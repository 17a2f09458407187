// Annotated pictures: a copy of the scanned page with each symbol's outline
// and type drawn on it. Only this unit reads pixels itself (with Leptonica);
// the scan goes through the library alone.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "bcxscan_format.h"

struct Pix;

namespace bcxscan {

// Where the bytes of an input come from: a path, or a memory block (stdin).
struct ImageSource {
  const char* path;     // nullptr for a memory block
  const uint8_t* data;  // used when path is nullptr
  size_t size;
};

// Chooses picture names: OUT itself for one input (later pages OUT-pN.png),
// or OUT/<name>[-pN].png per input page when OUT is a folder. Names already
// handed out get -2, -3, ... appended.
struct PicturePlanner {
  std::string out;
  bool folder;
  bool firstWritten;
  std::set<std::string> used;
};

void StartPlanner(PicturePlanner* planner, const std::string& out, bool folder);
std::string NextPicturePath(PicturePlanner* planner, const std::string& input, int32_t page,
                            bool multiPage);

// Draws the outline and type label of every symbol onto a 32 bpp picture.
// Returns false when the picture is not 32 bpp.
bool DrawSymbols(Pix* picture, const std::vector<Symbol>& symbols);

// Reads page `page` of the source (a TIFF's page, else the whole image),
// draws the symbols and writes a PNG.
// On failure returns false with a reason in *error.
bool WriteAnnotatedPicture(const ImageSource& source, int32_t page,
                           const std::vector<Symbol>& symbols, const std::string& outPath,
                           std::string* error);

}  // namespace bcxscan
