// Test support for the reader interface: grey pixels of an encoded image and
// a reader's results as plain values that compare and print.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "bcxread.h"

namespace bcxtest {

struct GreyPixels {
  std::vector<uint8_t> pixels;  // rows width bytes apart
  int width = 0;
  int height = 0;
};

// Decoded with Leptonica, not with the library's provider. Empty on failure.
GreyPixels DecodeGrey(const std::vector<uint8_t>& encoded);

// A Gaussian blur of sigma pixels over width x height grey levels, the
// border continued outwards, as a lens or a scanner's optics spread ink.
void Blur(std::vector<double>& image, int width, int height, double sigma);

struct Symbol {
  int type;
  std::string text;
  std::array<int32_t, 8> corners;
  bool operator==(const Symbol& other) const = default;
};

std::ostream& operator<<(std::ostream& out, const Symbol& symbol);

// Every result of the reader's last read, in order.
std::vector<Symbol> Symbols(const bcx_reader* reader);

// The results of a new reader, thorough mode, on the pixels; when the read
// fails, none, and the reader's message in *error ("" otherwise).
std::vector<Symbol> ReadWithNewReader(const GreyPixels& grey, std::string* error);

// Text of result i, "" when there is none.
std::string ResultText(const bcx_reader* reader, int i);

}  // namespace bcxtest
