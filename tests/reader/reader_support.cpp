#include "reader_support.h"

#include <allheaders.h>

namespace bcxtest {

GreyPixels DecodeGrey(const std::vector<uint8_t>& encoded) {
  GreyPixels grey;
  PIX* pix = pixReadMem(encoded.data(), encoded.size());
  if (pix == nullptr) return grey;
  PIX* eight = pixConvertTo8(pix, 0);
  pixDestroy(&pix);
  if (eight == nullptr) return grey;
  grey.width = static_cast<int>(pixGetWidth(eight));
  grey.height = static_cast<int>(pixGetHeight(eight));
  grey.pixels.resize(static_cast<size_t>(grey.width) * static_cast<size_t>(grey.height));
  for (int y = 0; y < grey.height; ++y) {
    for (int x = 0; x < grey.width; ++x) {
      l_uint32 value = 0;
      pixGetPixel(eight, x, y, &value);
      grey.pixels[static_cast<size_t>(y) * grey.width + x] = static_cast<uint8_t>(value);
    }
  }
  pixDestroy(&eight);
  return grey;
}

std::ostream& operator<<(std::ostream& out, const Symbol& symbol) {
  out << "type " << symbol.type << " \"" << symbol.text << "\"";
  for (int k = 0; k < 8; k += 2)
    out << " (" << symbol.corners[k] << "," << symbol.corners[k + 1] << ")";
  return out;
}

std::vector<Symbol> Symbols(const bcx_reader* reader) {
  std::vector<Symbol> symbols;
  for (int i = 0; i < bcx_result_count(reader); ++i) {
    Symbol symbol{bcx_result_type(reader, i), ResultText(reader, i), {}};
    bcx_result_corners(reader, i, symbol.corners.data());
    symbols.push_back(symbol);
  }
  return symbols;
}

std::string ResultText(const bcx_reader* reader, int i) {
  const uint8_t* bytes = nullptr;
  const size_t length = bcx_result_text(reader, i, &bytes);
  return bytes == nullptr ? std::string()
                          : std::string(reinterpret_cast<const char*>(bytes), length);
}

std::vector<Symbol> ReadWithNewReader(const GreyPixels& grey, std::string* error) {
  error->clear();
  bcx_reader* reader = bcx_reader_new();
  if (reader == nullptr) {
    *error = "out of memory";
    return {};
  }
  std::vector<Symbol> symbols;
  if (bcx_read_gray(reader, grey.pixels.data(), grey.width, grey.height, grey.width) < 0) {
    *error = bcx_reader_error(reader);
  } else {
    symbols = Symbols(reader);
  }
  bcx_reader_free(reader);
  return symbols;
}

}  // namespace bcxtest
