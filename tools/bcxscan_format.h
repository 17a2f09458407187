// Turning scan results into text, tab-separated or JSON Lines output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bcxscan {

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

}  // namespace bcxscan
