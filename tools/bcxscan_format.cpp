#include "bcxscan_format.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "bcxscan_input.h"
#include "bcxscan_options.h"

namespace bcxscan {
namespace {

constexpr unsigned char kFirstPrintable = 32;
constexpr unsigned char kLastPrintable = 126;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kTypeColumnWidth = 7;  // "code128", "gs1-128"
constexpr const char* kColumnGap = "  ";
constexpr size_t kLineBytes = 256;

std::string Pad(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// Lines are built by appending pieces: chains of operator+ on strings make
// GCC 12 at -O3 warn of overlapping copies that cannot happen (-Wrestrict).
void Append(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view piece : pieces) out.append(piece);
}

std::string CornerPair(const Corner& corner) {
  std::string pair;
  Append(pair, {std::to_string(corner.x), ",", std::to_string(corner.y)});
  return pair;
}

std::string TextCorners(const Symbol& symbol) {
  std::string corners;
  for (int i = 0; i < kCorners; ++i) {
    if (i > 0) corners += ' ';
    Append(corners, {"(", CornerPair(symbol.corners[i]), ")"});
  }
  return corners;
}

}  // namespace

std::string EscapeBytes(std::string_view bytes) {
  std::string escaped;
  escaped.reserve(bytes.size());
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      escaped += "\\\\";
    } else if (byte >= kFirstPrintable && byte <= kLastPrintable) {
      escaped += c;
    } else {
      escaped += "\\x";
      escaped += kHexDigits[byte >> 4];
      escaped += kHexDigits[byte & 0xF];
    }
  }
  return escaped;
}

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < kFirstPrintable || byte > kLastPrintable) {
      char code[8];
      std::snprintf(code, sizeof(code), "\\u%04X", byte);
      quoted += code;
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

std::string FormatTsvLine(std::string_view file, const Symbol& symbol) {
  std::string line;
  Append(line, {EscapeBytes(file), "\t", std::to_string(symbol.page), "\t", TypeName(symbol.type),
                "\t", EscapeBytes(symbol.text)});
  for (const Corner& corner : symbol.corners) Append(line, {"\t", CornerPair(corner)});
  line += '\n';
  return line;
}

std::string FormatJsonLine(std::string_view file, const Symbol& symbol) {
  std::string line;
  Append(line, {"{\"file\":", JsonString(EscapeBytes(file)), ",\"page\":",
                std::to_string(symbol.page), ",\"type\":", JsonString(TypeName(symbol.type)),
                ",\"text\":", JsonString(EscapeBytes(symbol.text)), ",\"corners\":["});
  for (int i = 0; i < kCorners; ++i) {
    if (i > 0) line += ',';
    Append(line, {"[", CornerPair(symbol.corners[i]), "]"});
  }
  line += "]}\n";
  return line;
}

std::string FormatTextBlock(std::string_view file, const std::vector<Symbol>& symbols) {
  const std::string name = EscapeBytes(file);
  if (symbols.empty()) {
    std::string line;
    Append(line, {name, kColumnGap, "no symbol found\n"});
    return line;
  }
  size_t pageWidth = 0;
  size_t textWidth = 0;
  for (const Symbol& symbol : symbols) {
    pageWidth = std::max(pageWidth, std::to_string(symbol.page).size());
    textWidth = std::max(textWidth, EscapeBytes(symbol.text).size());
  }
  std::string block;
  for (const Symbol& symbol : symbols) {
    Append(block,
           {name, kColumnGap, "page ", Pad(std::to_string(symbol.page), pageWidth), kColumnGap,
            Pad(TypeName(symbol.type), kTypeColumnWidth), kColumnGap,
            Pad(EscapeBytes(symbol.text), textWidth), kColumnGap, TextCorners(symbol), "\n"});
  }
  return block;
}

std::string FormatSymbols(const Options& options, const std::string& name,
                          const std::vector<Symbol>& found) {
  if (options.quiet) return std::string();
  if (options.format == OutputFormat::kText) return FormatTextBlock(name, found);
  std::string text;
  for (const Symbol& symbol : found) {
    text += options.format == OutputFormat::kTsv ? FormatTsvLine(name, symbol)
                                                 : FormatJsonLine(name, symbol);
  }
  return text;
}

std::string FormatStats(const Input& input, double totalMs) {
  char line[kLineBytes];
  std::snprintf(line, sizeof(line),
                ": %d page%s, %dx%d, load %.2f ms, scan %.2f ms, total %.2f ms\n", input.pages,
                input.pages == 1 ? "" : "s", input.width, input.height, input.loadMs, input.scanMs,
                totalMs);
  return EscapeBytes(input.name) + line;
}

std::string ErrorLine(const std::string& name, const std::string& reason) {
  return std::string(kProgram) + ": " + EscapeBytes(name) + ": " + reason + "\n";
}

}  // namespace bcxscan
