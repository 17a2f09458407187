#include "reader_support.h"

#include <allheaders.h>

#include <algorithm>
#include <cmath>

namespace bcxtest {

void Blur(std::vector<double>& image, int width, int height, double sigma) {
  if (sigma <= 0.0) return;
  const int reach = static_cast<int>(std::ceil(3.0 * sigma));
  std::vector<double> kernel(static_cast<size_t>(2 * reach + 1));
  double sum = 0.0;
  for (int k = -reach; k <= reach; ++k) {
    kernel[static_cast<size_t>(k + reach)] = std::exp(-0.5 * k * k / (sigma * sigma));
    sum += kernel[static_cast<size_t>(k + reach)];
  }
  for (double& k : kernel) k /= sum;
  std::vector<double> pass(image.size());
  for (int dir = 0; dir < 2; ++dir) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double v = 0.0;
        for (int k = -reach; k <= reach; ++k) {
          const int sx = dir == 0 ? std::clamp(x + k, 0, width - 1) : x;
          const int sy = dir == 1 ? std::clamp(y + k, 0, height - 1) : y;
          v += kernel[static_cast<size_t>(k + reach)] * image[static_cast<size_t>(sy * width + sx)];
        }
        pass[static_cast<size_t>(y * width + x)] = v;
      }
    }
    image.swap(pass);
  }
}

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
