// Writes the fuzz targets' seed corpora from the samples: each symbol in
// every format, small, behind the control bytes each target reads first;
// binarised bitmaps; the element widths of a row across each symbol.
//   bcx_fuzz_make_seeds OUTPUT_FOLDER
#include <leptonica/allheaders.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kSamples[] = {"ean8", "upce", "code39", "code128-rotated-23", "itf", "gs1-128"};

struct Encoding {
  const char* name;
  int format;
};
constexpr Encoding kEncodings[] = {{"png", IFF_PNG},    {"jpg", IFF_JFIF_JPEG}, {"gif", IFF_GIF},
                                   {"bmp", IFF_BMP},    {"pnm", IFF_PNM},       {"webp", IFF_WEBP},
                                   {"tif", IFF_TIFF_G4}};

void Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes Encode(PIX* pix, int format) {
  l_uint8* data = nullptr;
  size_t size = 0;
  // The uncompressed formats and fax coding in one bit a pixel, to keep
  // their seeds small.
  const bool oneBit = format == IFF_TIFF_G4 || format == IFF_BMP || format == IFF_PNM;
  PIX* depth = oneBit ? pixConvertTo1(pix, 128) : pixClone(pix);
  const bool ok = depth != nullptr && pixWriteMem(&data, &size, depth, format) == 0;
  pixDestroy(&depth);
  if (!ok) return {};
  Bytes bytes(data, data + size);
  lept_free(data);
  return bytes;
}

Bytes Prefixed(std::initializer_list<uint8_t> control, const Bytes& payload) {
  Bytes bytes(control);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

// Dark pixels as set bits, rows packed one after the other.
Bytes PackedBitmap(PIX* binary) {
  const l_int32 width = pixGetWidth(binary);
  const l_int32 height = pixGetHeight(binary);
  Bytes bytes = {static_cast<uint8_t>((width - 1) >> 8), static_cast<uint8_t>(width - 1), 0};
  Bytes bits((static_cast<size_t>(width) * height + 7) / 8, 0);
  for (l_int32 y = 0; y < height; ++y) {
    for (l_int32 x = 0; x < width; ++x) {
      l_uint32 value = 0;
      pixGetPixel(binary, x, y, &value);
      const size_t i = static_cast<size_t>(y) * width + x;
      if (value != 0) bits[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    }
  }
  bytes.insert(bytes.end(), bits.begin(), bits.end());
  return bytes;
}

// The widths of the middle row from its first dark pixel to its last,
// sixteen to the pixel.
Bytes RowWidths(PIX* binary) {
  const l_int32 width = pixGetWidth(binary);
  const l_int32 y = pixGetHeight(binary) / 2;
  std::vector<int> runs;
  l_uint32 previous = 0;
  bool started = false;
  for (l_int32 x = 0; x < width; ++x) {
    l_uint32 value = 0;
    pixGetPixel(binary, x, y, &value);
    if (!started && value == 0) continue;
    if (!started || value != previous) runs.push_back(0);
    started = true;
    previous = value;
    ++runs.back();
  }
  if (!runs.empty() && previous == 0) runs.pop_back();  // the quiet zone
  Bytes bytes = {0};
  for (int run : runs) bytes.push_back(static_cast<uint8_t>(run * 16 > 255 ? 255 : run * 16));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  setMsgSeverity(L_SEVERITY_NONE);
  const std::filesystem::path out = argv[1];
  for (const char* sample : kSamples) {
    PIX* read = pixRead((std::string(SAMPLES_DIR) + "/" + sample + ".png").c_str());
    if (read == nullptr) return 1;
    PIX* grey = pixConvertTo8(read, 0);
    // Half size keeps every seed a few kilobytes; the symbols still read.
    PIX* small = pixScaleGrayLI(grey, 0.5f, 0.5f);
    PIX* binary = pixConvertTo1(grey, 128);
    for (const Encoding& encoding : kEncodings) {
      const Bytes image = Encode(small, encoding.format);
      if (image.empty()) continue;
      const std::string name = std::string(sample) + "." + encoding.name;
      const uint8_t type = encoding.format == IFF_TIFF_G4 ? 2 : encoding.format == IFF_GIF ? 6 : 0;
      Write(out / "exports" / name, Prefixed({type, 0x80, 0}, image));
      Write(out / "reader" / name, Prefixed({0, 0, 0}, image));
    }
    Write(out / "bitmap" / (std::string(sample) + ".bits"), PackedBitmap(binary));
    Write(out / "decoders" / (std::string(sample) + ".widths"), RowWidths(binary));
    pixDestroy(&binary);
    const bool smallest = std::string(sample) == "ean8" || std::string(sample) == "upce";
    if (!smallest) {
      pixDestroy(&small);
      pixDestroy(&grey);
      pixDestroy(&read);
      continue;
    }
    // Grey pixels for bcx_read_gray: width, then the rows.
    const l_int32 width = pixGetWidth(small);
    Bytes pixels = {1, 0, 0, static_cast<uint8_t>((width - 1) >> 8),
                    static_cast<uint8_t>(width - 1)};
    for (l_int32 y = 0; y < pixGetHeight(small); ++y) {
      for (l_int32 x = 0; x < width; ++x) {
        l_uint32 value = 0;
        pixGetPixel(small, x, y, &value);
        pixels.push_back(static_cast<uint8_t>(value));
      }
    }
    Write(out / "reader" / (std::string(sample) + ".grey"), pixels);
    pixDestroy(&small);
    pixDestroy(&grey);
    pixDestroy(&read);
  }
  std::ifstream in(std::string(SAMPLES_DIR) + "/three-pages.tif", std::ios::binary);
  const Bytes pages((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Write(out / "exports" / "three-pages.tif", Prefixed({2, 0x80, 0}, pages));
  Write(out / "reader" / "three-pages.tif", Prefixed({0, 2, 0}, pages));
  return 0;
}
