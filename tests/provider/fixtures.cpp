#include "fixtures.h"

#include <gif_lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "rastra.h"

namespace rastra_test {
namespace {

constexpr l_uint32 kDarkRgb[3] = {20, 30, 110};
constexpr l_uint32 kLightRgb[3] = {250, 240, 200};

void SetDepthValue(PIX* pix, int x, int y, bool dark, Pixels pixels) {
  switch (pixels) {
    case Pixels::kBit1:
      pixSetPixel(pix, x, y, dark ? 1 : 0);
      break;
    case Pixels::kBit2:
      pixSetPixel(pix, x, y, dark ? 0 : 3);
      break;
    case Pixels::kBit4:
      pixSetPixel(pix, x, y, dark ? 1 : 14);
      break;
    case Pixels::kGrey8:
      pixSetPixel(pix, x, y, dark ? 10 : 245);
      break;
    case Pixels::kGrey16:
      pixSetPixel(pix, x, y, dark ? 3000 : 60000);
      break;
    case Pixels::kColormap:
      pixSetPixel(pix, x, y, dark ? 1 : 0);
      break;
    case Pixels::kRgb: {
      const l_uint32* rgb = dark ? kDarkRgb : kLightRgb;
      pixSetRGBPixel(pix, x, y, rgb[0], rgb[1], rgb[2]);
      break;
    }
    case Pixels::kRgba: {
      // Light cells are fully transparent black: only composing over white
      // makes them light.
      l_uint32 word = 0;
      if (dark) composeRGBAPixel(kDarkRgb[0], kDarkRgb[1], kDarkRgb[2], 255, &word);
      pixSetPixel(pix, x, y, word);
      break;
    }
  }
}

int DepthOf(Pixels pixels) {
  constexpr int kDepths[] = {1, 2, 4, 8, 16, 8, 32, 32};
  return kDepths[static_cast<int>(pixels)];
}

int WriteToBytes(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<Bytes*>(gif->UserData)
      ->insert(static_cast<Bytes*>(gif->UserData)->end(), data, data + length);
  return length;
}

}  // namespace

bool PatternDark(int x, int y) { return ((x / kCell) + (y / kCell)) % 2 == 0; }

const char* PixelsName(Pixels pixels) {
  constexpr const char* kNames[] = {"bit1",   "bit2", "bit4", "grey8",
                                    "grey16", "cmap", "rgb",  "rgba"};
  return kNames[static_cast<int>(pixels)];
}

PIX* MakePattern(Pixels pixels, int width, int height) {
  PIX* pix = pixCreate(width, height, DepthOf(pixels));
  if (pixels == Pixels::kColormap) {
    PIXCMAP* colormap = pixcmapCreate(8);
    pixcmapAddColor(colormap, kLightRgb[0], kLightRgb[1], kLightRgb[2]);
    pixcmapAddColor(colormap, kDarkRgb[0], kDarkRgb[1], kDarkRgb[2]);
    pixSetColormap(pix, colormap);
  }
  if (pixels == Pixels::kRgba) pixSetSpp(pix, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetDepthValue(pix, x, y, PatternDark(x, y), pixels);
  }
  return pix;
}

Bytes Encode(PIX* pix, int format) {
  l_uint8* data = nullptr;
  size_t size = 0;
  l_ok failed = 1;
  if (format == IFF_WEBP) {
    failed = pixWriteMemWebP(&data, &size, pix, 100, 1);
  } else if (format == IFF_JFIF_JPEG) {
    failed = pixWriteMemJpeg(&data, &size, pix, 95, 0);
  } else {
    failed = pixWriteMem(&data, &size, pix, format);
  }
  Bytes bytes;
  if (failed == 0 && data != nullptr) bytes.assign(data, data + size);
  lept_free(data);
  return bytes;
}

Bytes EncodePattern(Pixels pixels, int format) {
  PIX* pix = MakePattern(pixels);
  Bytes bytes = Encode(pix, format);
  pixDestroy(&pix);
  return bytes;
}

Bytes Binarised(int width, int height) {
  Bytes binary(static_cast<size_t>(width) * height);
  if (GetBinaryPixels(binary.data(), width, height) == 0) binary.clear();
  return binary;
}

int PatternMismatches(const Bytes& binary, int width, int height) {
  if (binary.size() != static_cast<size_t>(width) * height) return width * height;
  int mismatches = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (binary[static_cast<size_t>(y) * width + x] != (PatternDark(x, y) ? 1 : 0)) ++mismatches;
    }
  }
  return mismatches;
}

TempDir::TempDir() {
  char name[] = "/tmp/rastra_test_XXXXXX";
  if (mkdtemp(name) != nullptr) path = name;
}

TempDir::~TempDir() {
  std::error_code error;
  if (!path.empty()) std::filesystem::remove_all(path, error);
}

std::string TempDir::File(const std::string& name) const { return path + "/" + name; }

bool WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes EncodeGif(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames) {
  Bytes bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, WriteToBytes, &error);
  if (gif == nullptr) return {};
  const GifColorType colors[4] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, screenWidth, screenHeight, 2, 1, map) == GIF_OK;
  for (const GifFrame& frame : frames) {
    if (frame.disposal >= 0) {
      GraphicsControlBlock control = {frame.disposal, false, 0, frame.transparent};
      GifByteType extension[4];
      const size_t length = EGifGCBToExtension(&control, extension);
      ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                  extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                frame.interlaced, nullptr) == GIF_OK;
    std::vector<int> order;
    if (frame.interlaced) {
      constexpr int kStart[] = {0, 4, 2, 1};
      constexpr int kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < frame.height; y += kStep[pass]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < frame.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(frame.indices.begin() + y * frame.width,
                                     frame.indices.begin() + (y + 1) * frame.width);
      ok = ok && EGifPutLine(gif, line.data(), frame.width) == GIF_OK;
    }
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok ? bytes : Bytes{};
}

StderrCapture::StderrCapture() {
  std::fflush(stderr);
  file_ = std::tmpfile();
  saved_ = dup(2);
  if (file_ != nullptr) dup2(fileno(file_), 2);
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  if (saved_ < 0) return {};
  std::fflush(stderr);
  dup2(saved_, 2);
  close(saved_);
  saved_ = -1;
  std::string text;
  if (file_ != nullptr) {
    std::rewind(file_);
    char buffer[256];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, read);
    std::fclose(file_);
    file_ = nullptr;
  }
  return text;
}

}  // namespace rastra_test
