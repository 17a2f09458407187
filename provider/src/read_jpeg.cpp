// JPEG through TurboJPEG, which keeps its messages to itself and decodes
// straight to grey. A warning (a truncated or damaged stream) fails the load.
#include <turbojpeg.h>

#include "grey_image.h"

namespace rastra {
namespace {

// A progressive file of a few kilobytes may hold thousands of scans, each
// a pass over the whole image: libjpeg-turbo's scan limit refuses those.
constexpr int kDecodeFlags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kFirstRestart = 0xD0;
constexpr uint8_t kLastRestart = 0xD7;
constexpr uint8_t kTem = 0x01;
constexpr uint8_t kFirstFrame = 0xC0;
constexpr uint8_t kLastFrame = 0xCF;
// Inside the frame range but no frame: Huffman and arithmetic tables, JPG.
constexpr uint8_t kDefineHuffman = 0xC4;
constexpr uint8_t kJpgExtension = 0xC8;
constexpr uint8_t kDefineArithmetic = 0xCC;
constexpr int kMostComponents = 4;
constexpr uint64_t kBlockSide = 8;

// What the frame header and the first scan header tell about the buffers
// the decoder will keep.
struct FrameHeader {
  bool progressive;
  uint64_t width;
  uint64_t height;
  int components;
  int horizontal[kMostComponents];
  int vertical[kMostComponents];
  int firstScanComponents;  // 0 until the first scan header is seen
};

uint32_t ReadWord(const uint8_t* at) { return (static_cast<uint32_t>(at[0]) << 8) | at[1]; }

bool IsFrameMarker(uint8_t marker) {
  return marker >= kFirstFrame && marker <= kLastFrame && marker != kDefineHuffman &&
         marker != kJpgExtension && marker != kDefineArithmetic;
}

bool IsProgressive(uint8_t marker) { return (marker & 0x3) == 0x2; }

void ReadFrame(const uint8_t* segment, size_t segmentLength, uint8_t marker, FrameHeader* frame) {
  constexpr size_t kFixedPart = 6;
  constexpr size_t kPerComponent = 3;
  if (segmentLength < kFixedPart) return;
  frame->progressive = IsProgressive(marker);
  frame->height = ReadWord(segment + 1);
  frame->width = ReadWord(segment + 3);
  const int components = segment[5];
  if (components < 1 || components > kMostComponents) return;
  if (segmentLength < kFixedPart + kPerComponent * static_cast<size_t>(components)) return;
  for (int i = 0; i < components; ++i) {
    const uint8_t factors = segment[kFixedPart + kPerComponent * static_cast<size_t>(i) + 1];
    frame->horizontal[i] = factors >> 4;
    frame->vertical[i] = factors & 0xF;
    if (frame->horizontal[i] == 0 || frame->vertical[i] == 0) return;
  }
  frame->components = components;
}

// Walks the marker segments up to the first scan header; false when the
// stream ends or breaks before it.
bool ReadFrameHeader(const uint8_t* data, size_t length, FrameHeader* frame) {
  *frame = {};
  if (length < 2 || data[0] != kMarker || data[1] != kStartOfImage) return false;
  size_t at = 2;
  while (at + 1 < length) {
    if (data[at] != kMarker) return false;
    const uint8_t marker = data[at + 1];
    at += 2;
    if (marker == kMarker) {  // fill byte
      --at;
      continue;
    }
    if (marker == kStartOfImage || marker == kTem ||
        (marker >= kFirstRestart && marker <= kLastRestart)) {
      continue;
    }
    if (marker == kEndOfImage || at + 2 > length) return false;
    const size_t segmentLength = ReadWord(data + at);
    if (segmentLength < 2 || segmentLength > length - at) return false;
    const uint8_t* segment = data + at + 2;
    if (IsFrameMarker(marker)) ReadFrame(segment, segmentLength - 2, marker, frame);
    if (marker == kStartOfScan) {
      if (segmentLength < 3) return false;
      frame->firstScanComponents = segment[0];
      return frame->components > 0;
    }
    at += segmentLength;
  }
  return false;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// A progressive image, or one whose first scan holds fewer components than
// the frame, is decoded from coefficients kept for every component of the
// whole image: those count against the limit, one per sample.
bool BuffersAllowed(const FrameHeader& frame, DecodeLimits* limits) {
  if (!frame.progressive && frame.firstScanComponents >= frame.components) return true;
  int widest = 1;
  int tallest = 1;
  for (int i = 0; i < frame.components; ++i) {
    if (frame.horizontal[i] > widest) widest = frame.horizontal[i];
    if (frame.vertical[i] > tallest) tallest = frame.vertical[i];
  }
  uint64_t samples = 0;
  for (int i = 0; i < frame.components; ++i) {
    const uint64_t columns = CeilDiv(frame.width * static_cast<uint64_t>(frame.horizontal[i]),
                                     static_cast<uint64_t>(widest));
    const uint64_t rows = CeilDiv(frame.height * static_cast<uint64_t>(frame.vertical[i]),
                                  static_cast<uint64_t>(tallest));
    samples += CeilDiv(columns, kBlockSide) * CeilDiv(rows, kBlockSide) * kBlockSide * kBlockSide;
  }
  return SamplesAllowed(static_cast<int64_t>(frame.width), static_cast<int64_t>(frame.height),
                        samples, limits);
}

bool ReadSize(tjhandle decoder, const uint8_t* data, size_t length, DecodeLimits* limits,
              int* width, int* height) {
  int subsampling = 0;
  int colorspace = 0;
  if (tjDecompressHeader3(decoder, data, static_cast<unsigned long>(length), width, height,
                          &subsampling, &colorspace) != 0) {
    return false;
  }
  if (!SizeAllowed(*width, *height, limits)) return false;
  FrameHeader frame;
  return !ReadFrameHeader(data, length, &frame) || BuffersAllowed(frame, limits);
}

bool UsableBlock(const uint8_t* data, size_t length) {
  return data != nullptr && length > 0 && length <= UINT32_MAX;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t length, DecodeLimits* limits,
                GreyImage* image) noexcept {
  if (!UsableBlock(data, length)) return false;
  tjhandle decoder = tjInitDecompress();
  if (decoder == nullptr) return false;
  int width = 0;
  int height = 0;
  bool ok = ReadSize(decoder, data, length, limits, &width, &height) &&
            AllocateGrey(image, width, height);
  if (ok) {
    ok = tjDecompress2(decoder, data, static_cast<unsigned long>(length), image->pixels, width, 0,
                       height, TJPF_GRAY, kDecodeFlags) == 0;
    if (!ok) FreeGrey(image);
  }
  tjDestroy(decoder);
  return ok;
}

}  // namespace rastra
