#include "bombs.h"

#include <gif_lib.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace bcx::test {
namespace {

void Put32Be(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Put16Le(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32Le(Bytes& out, uint32_t v) {
  Put16Le(out, v & 0xFFFF);
  Put16Le(out, v >> 16);
}

void PngChunk(Bytes& out, const char* type, const Bytes& data) {
  Put32Be(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  Put32Be(out, static_cast<uint32_t>(crc));
}

int WriteToBytes(GifFileType* gif, const GifByteType* data, int length) {
  Bytes* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

}  // namespace

Bytes ZeroPng(uint32_t width, uint32_t height) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  Put32Be(header, width);
  Put32Be(header, height);
  header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey, no interlace
  PngChunk(out, "IHDR", header);
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  const Bytes row(width + 1, 0);  // filter byte, then the pixels
  Bytes compressed;
  Bytes buffer(1 << 16);
  for (uint32_t y = 0; y <= height; ++y) {
    const bool last = y == height;
    z.next_in = const_cast<Bytef*>(row.data());
    z.avail_in = last ? 0 : static_cast<uInt>(row.size());
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      compressed.insert(compressed.end(), buffer.data(),
                        buffer.data() + (buffer.size() - z.avail_out));
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  PngChunk(out, "IDAT", compressed);
  PngChunk(out, "IEND", {});
  return out;
}

Bytes HugeScreenGif(uint16_t width, uint16_t height) {
  Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16Le(out, width);
  Put16Le(out, height);
  out.insert(out.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // two colours
  out.insert(out.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});        // a 1 x 1 frame
  out.insert(out.end(), {2, 2, 0x44, 0x01, 0, 0x3B});
  return out;
}

Bytes ManyFramesGif(uint16_t screenWidth, uint16_t screenHeight, uint16_t frameWidth,
                    uint16_t frameHeight, int frames) {
  // One frame encoded by giflib, then its bytes repeated.
  Bytes one;
  int error = 0;
  GifFileType* gif = EGifOpen(&one, WriteToBytes, &error);
  GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenWidth, screenHeight, 1, 0, map);
  EGifPutImageDesc(gif, 0, 0, frameWidth, frameHeight, false, nullptr);
  std::vector<GifPixelType> row(frameWidth, 0);
  for (int y = 0; y < frameHeight; ++y) EGifPutLine(gif, row.data(), frameWidth);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  constexpr size_t kHeaderAndColours = 13 + 6;
  const Bytes frame(one.begin() + kHeaderAndColours, one.end() - 1);  // up to the trailer
  Bytes out(one.begin(), one.begin() + kHeaderAndColours);
  for (int i = 0; i < frames; ++i) out.insert(out.end(), frame.begin(), frame.end());
  out.push_back(0x3B);
  return out;
}

Bytes PlannedTiff(const TiffPlan& plan) {
  // The strip count claims the whole page; a huge page's strip is cut short.
  const uint32_t stripBytes = plan.width * plan.height;
  const uint32_t held = std::min<uint32_t>(stripBytes, 1u << 22);
  const uint32_t stripAt = 8;
  const uint32_t arrayAt = stripAt + held;
  const uint32_t firstDirectory = arrayAt + plan.sharedArray * 4;
  Bytes out = {'I', 'I', 42, 0};
  Put32Le(out, firstDirectory);
  out.resize(firstDirectory, 0x80);
  const int entries = plan.sharedArray > 0 ? 10 : 9;
  const uint32_t directoryBytes = 2 + 12 * static_cast<uint32_t>(entries) + 4;
  for (int page = 0; page < plan.pages; ++page) {
    const uint32_t at = firstDirectory + static_cast<uint32_t>(page) * directoryBytes;
    Put16Le(out, static_cast<uint32_t>(entries));
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
      Put16Le(out, tag);
      Put16Le(out, type);
      Put32Le(out, count);
      Put32Le(out, value);
    };
    entry(256, 4, 1, plan.width);   // width
    entry(257, 4, 1, plan.height);  // height
    entry(258, 3, 1, 8);            // bits per sample
    entry(259, 3, 1, 1);            // no compression
    entry(262, 3, 1, 1);            // black is zero
    entry(273, 4, 1, stripAt);      // strip offsets
    entry(277, 3, 1, 1);            // samples per pixel
    entry(278, 4, 1, plan.height);  // rows per strip
    entry(279, 4, 1, stripBytes);   // strip byte counts
    if (plan.sharedArray > 0) entry(65000, 4, plan.sharedArray, arrayAt);
    const bool last = page + 1 == plan.pages;
    Put32Le(out, last ? (plan.loop ? firstDirectory : 0) : at + directoryBytes);
  }
  return out;
}

Bytes WebpHeader(uint32_t width, uint32_t height) {
  Bytes stream = {0x2F};
  const uint32_t bits = (width - 1) | ((height - 1) << 14);
  Put32Le(stream, bits);  // alpha and version bits zero
  stream.insert(stream.end(), 16, 0);
  Bytes out = {'R', 'I', 'F', 'F'};
  Put32Le(out, static_cast<uint32_t>(4 + 8 + stream.size()));
  out.insert(out.end(), {'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'});
  Put32Le(out, static_cast<uint32_t>(stream.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

Bytes JpegClaiming(uint16_t width, uint16_t height, bool progressive, bool colour) {
  constexpr int kSide = 64;
  const int channels = colour ? 3 : 1;
  std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * channels, 128);
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
  tjCompress2(encoder, pixels.data(), kSide, 0, kSide, colour ? TJPF_RGB : TJPF_GRAY, &jpeg, &size,
              colour ? TJSAMP_444 : TJSAMP_GRAY, 90, flags);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  for (size_t i = 2; i + 8 < out.size(); ++i) {
    if (out[i] == 0xFF && (out[i + 1] == 0xC0 || out[i + 1] == 0xC2)) {
      out[i + 5] = static_cast<uint8_t>(height >> 8);
      out[i + 6] = static_cast<uint8_t>(height);
      out[i + 7] = static_cast<uint8_t>(width >> 8);
      out[i + 8] = static_cast<uint8_t>(width);
      break;
    }
  }
  return out;
}

}  // namespace bcx::test
