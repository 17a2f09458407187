// Turning scan results into text, tab-separated or JSON Lines output, and
// the lines bcxscan writes about each file on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bcxscan {

struct Input;
struct Options;

constexpr const char* kProgram = "bcxscan";
constexpr int kCorners = 4;

struct Corner {
  int32_t x;
  int32_t y;
};

// One symbol as read from the library: raw text bytes, image coordinates.
struct Symbol {
  int32_t page;
  int type;
  std::string text;
  Corner corners[kCorners];
};

// Bytes 32..126 stay, except the backslash (\\); every other byte becomes
// \xHH with upper-case hex digits.
std::string EscapeBytes(std::string_view bytes);

// A JSON string literal, quotes included, of already printable text.
std::string JsonString(std::string_view text);

// One line each, newline included.
std::string FormatTsvLine(std::string_view file, const Symbol& symbol);
std::string FormatJsonLine(std::string_view file, const Symbol& symbol);

// Every symbol of one file in aligned columns; a single "no symbol found"
// line when there is none.
std::string FormatTextBlock(std::string_view file, const std::vector<Symbol>& symbols);

// A file's symbols in the format of the options; nothing when quiet.
std::string FormatSymbols(const Options& options, const std::string& name,
                          const std::vector<Symbol>& found);

// The --stats line of one file, newline included.
std::string FormatStats(const Input& input, double totalMs);

// A message about one file, program name first, newline included.
std::string ErrorLine(const std::string& name, const std::string& reason);

}  // namespace bcxscan
