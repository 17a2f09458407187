// Annotated pictures: a copy of the scanned page with each symbol's outline
// and type drawn on it. Only this unit reads pixels itself (with Leptonica);
// the scan goes through the library alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "bcxscan_format.h"

struct Pix;

namespace bcxscan {

struct FileScan;

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

// A picture is named in file order, because names that clash are numbered,
// but drawn by the thread that scanned the file.
struct PendingPicture {
  int32_t page;
  bool multiPage;
  std::vector<Symbol> symbols;
  size_t messageAt;  // where a failure to write it goes among the file's messages
  std::string path;
};

// Keeps the page's symbols for a picture drawn later: its name must wait
// for the files before this one.
void NotePicture(FileScan* scan, int32_t page, const std::vector<Symbol>& found);

// Only for one file after another, in file order, since clashing names
// are numbered in the order they are asked for.
void NamePictures(PicturePlanner* planner, FileScan* scan);

// Draws the file's named pictures; a failure becomes one of its messages,
// in the place the picture was noted.
void DrawPictures(FileScan* scan);

// True when path is a folder that exists.
bool IsFolder(const std::string& path);

// Makes the pictures' folder unless it is there; a file in its place is
// refused. On failure returns false with a reason in *reason.
bool PrepareFolder(const std::string& folder, std::string* reason);

}  // namespace bcxscan
