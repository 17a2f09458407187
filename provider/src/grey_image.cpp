// Format detection, the size cap, grey buffers and the TIFF directory chain.
#include "grey_image.h"

#include <cstring>
#include <new>

#include "rastra.h"

namespace rastra {
namespace {

struct Signature {
  Format format;
  size_t offset;
  size_t length;
  const char* bytes;
};

constexpr Signature kSignatures[] = {
    {Format::kPng, 0, 8, "\x89PNG\r\n\x1a\n"},
    {Format::kJpeg, 0, 3, "\xff\xd8\xff"},
    {Format::kGif, 0, 6, "GIF87a"},
    {Format::kGif, 0, 6, "GIF89a"},
    {Format::kTiff, 0, 4, "II*\0"},
    {Format::kTiff, 0, 4, "MM\0*"},
    {Format::kTiff, 0, 4, "II+\0"},
    {Format::kTiff, 0, 4, "MM\0+"},
    {Format::kBmp, 0, 2, "BM"},
    {Format::kWebp, 8, 4, "WEBP"},
};

constexpr char kRiff[] = "RIFF";
constexpr size_t kRiffLength = 4;
// Leptonica reads P1 to P7 (P7 being PAM).
constexpr char kPnmFirst = '1';
constexpr char kPnmLast = '7';

// TIFF layout: classic files carry 32-bit offsets, BigTIFF 64-bit ones.
constexpr uint16_t kClassicVersion = 42;
constexpr uint16_t kBigVersion = 43;
constexpr size_t kClassicHeader = 8;
constexpr size_t kBigHeader = 16;
constexpr uint16_t kBigOffsetSize = 8;

struct TiffLayout {
  const uint8_t* data;
  size_t length;
  bool littleEndian;
  bool big;
};

constexpr uint64_t kBrokenChain = UINT64_MAX;

// What libtiff reads to walk a chain: every entry of every directory, and
// every value stored outside its entry.
struct DirectoryTotals {
  uint64_t entries;
  uint64_t valueBytes;
};

// Directories of real files lie side by side, their values too but for a
// few small ones shared between pages. Overlapping directories (each a
// byte further on) or values (every page pointing at the same large array)
// would have libtiff read a short file over and over for every page.
constexpr uint64_t kMostValueBytesPerFileByte = 4;

// Bytes per value of each TIFF field type, by type code; 0 for codes
// libtiff ignores.
constexpr uint8_t kFieldTypeBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};

bool Matches(const uint8_t* data, size_t length, const Signature& signature) {
  if (length < signature.offset + signature.length) return false;
  return std::memcmp(data + signature.offset, signature.bytes, signature.length) == 0;
}

uint64_t ReadUnsigned(const TiffLayout& tiff, size_t at, size_t bytes) {
  uint64_t value = 0;
  for (size_t i = 0; i < bytes; ++i) {
    const size_t index = tiff.littleEndian ? at + bytes - 1 - i : at + i;
    value = (value << 8) | tiff.data[index];
  }
  return value;
}

// A value too long for its entry lies elsewhere in the file, and must lie
// inside it: a file cut short in its tag data is refused.
bool EntryFits(const TiffLayout& tiff, size_t entry, uint64_t* valueBytes) {
  const size_t inlineBytes = tiff.big ? 8 : 4;
  const size_t countBytes = tiff.big ? 8 : 4;
  const uint64_t type = ReadUnsigned(tiff, entry + 2, 2);
  if (type >= sizeof kFieldTypeBytes) return true;
  const uint64_t count = ReadUnsigned(tiff, entry + 4, countBytes);
  const uint64_t valueSize = kFieldTypeBytes[type];
  if (valueSize == 0 || count <= inlineBytes / valueSize) return true;
  if (count > tiff.length / valueSize) return false;
  const uint64_t at = ReadUnsigned(tiff, entry + 4 + countBytes, inlineBytes);
  *valueBytes += count * valueSize;
  return at <= tiff.length && tiff.length - at >= count * valueSize;
}

// Offset of the directory after the one at `offset`, 0 at the end of the
// chain, kBrokenChain when the directory does not fit in the file. Adds
// its entries and the bytes of its values to *totals.
uint64_t NextDirectory(const TiffLayout& tiff, uint64_t offset, DirectoryTotals* totals) {
  const size_t countSize = tiff.big ? 8 : 2;
  const size_t entrySize = tiff.big ? 20 : 12;
  const size_t linkSize = tiff.big ? 8 : 4;
  if (offset < (tiff.big ? kBigHeader : kClassicHeader)) return kBrokenChain;
  if (offset > tiff.length || tiff.length - offset < countSize) return kBrokenChain;
  const uint64_t entries = ReadUnsigned(tiff, offset, countSize);
  const uint64_t room = tiff.length - offset - countSize;
  if (entries > room / entrySize || room - entries * entrySize < linkSize) return kBrokenChain;
  totals->entries += entries;
  for (uint64_t i = 0; i < entries; ++i) {
    if (!EntryFits(tiff, offset + countSize + i * entrySize, &totals->valueBytes)) {
      return kBrokenChain;
    }
  }
  return ReadUnsigned(tiff, offset + countSize + entries * entrySize, linkSize);
}

bool ReadTiffLayout(const uint8_t* data, size_t length, TiffLayout* tiff, uint64_t* first) {
  if (length < kClassicHeader) return false;
  *tiff = {data, length, data[0] == 'I', false};
  const uint64_t version = ReadUnsigned(*tiff, 2, 2);
  if (version == kClassicVersion) {
    *first = ReadUnsigned(*tiff, 4, 4);
    return true;
  }
  if (version != kBigVersion || length < kBigHeader) return false;
  if (ReadUnsigned(*tiff, 4, 2) != kBigOffsetSize) return false;
  tiff->big = true;
  *first = ReadUnsigned(*tiff, 8, 8);
  return true;
}

}  // namespace

Format DetectFormat(const uint8_t* data, size_t length) noexcept {
  if (data == nullptr) return Format::kUnknown;
  for (const Signature& signature : kSignatures) {
    if (!Matches(data, length, signature)) continue;
    if (signature.format == Format::kWebp && std::memcmp(data, kRiff, kRiffLength) != 0) continue;
    return signature.format;
  }
  if (length >= 2 && data[0] == 'P' && data[1] >= kPnmFirst && data[1] <= kPnmLast) {
    return Format::kPnm;
  }
  return Format::kUnknown;
}

bool SamplesAllowed(int64_t width, int64_t height, uint64_t samples,
                    DecodeLimits* limits) noexcept {
  if (width < 1 || height < 1) return false;
  const bool sidesFit = width <= RASTRA_MAX_SIDE && height <= RASTRA_MAX_SIDE;
  if (sidesFit && samples <= limits->maxPixels) return true;
  limits->refusedWidth = static_cast<uint64_t>(width);
  limits->refusedHeight = static_cast<uint64_t>(height);
  return false;
}

bool SizeAllowed(int64_t width, int64_t height, DecodeLimits* limits) noexcept {
  if (width < 1 || height < 1) return false;
  // Both sides are below 2^32 in every format, so the product fits.
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  return SamplesAllowed(width, height, pixels, limits);
}

bool AllocateGrey(GreyImage* image, int32_t width, int32_t height) noexcept {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  image->pixels = new (std::nothrow) uint8_t[count];
  if (image->pixels == nullptr) return false;
  image->width = width;
  image->height = height;
  return true;
}

void FreeGrey(GreyImage* image) noexcept {
  delete[] image->pixels;
  *image = {nullptr, 0, 0};
}

uint8_t Luminance(uint32_t red, uint32_t green, uint32_t blue) noexcept {
  constexpr uint32_t kRed = 299;
  constexpr uint32_t kGreen = 587;
  constexpr uint32_t kBlue = 114;
  constexpr uint32_t kScale = 1000;
  return static_cast<uint8_t>((kRed * red + kGreen * green + kBlue * blue + kScale / 2) / kScale);
}

uint64_t Fingerprint(const uint8_t* data, size_t length) noexcept {
  // Word-wise multiply-and-shift mixing: fast over megabytes, and more than
  // enough to tell two images apart.
  constexpr uint64_t kSeed = 0x9e3779b97f4a7c15ull;
  constexpr uint64_t kMultiplier = 0xff51afd7ed558ccdull;
  constexpr int kShift = 31;
  uint64_t hash = kSeed ^ length;
  size_t i = 0;
  for (; i + sizeof(uint64_t) <= length; i += sizeof(uint64_t)) {
    uint64_t word = 0;
    std::memcpy(&word, data + i, sizeof word);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> kShift;
  }
  for (; i < length; ++i) {
    hash = (hash ^ data[i]) * kMultiplier;
    hash ^= hash >> kShift;
  }
  return hash;
}

uint16_t CountTiffPages(const uint8_t* data, size_t length) noexcept {
  TiffLayout tiff;
  uint64_t slow = 0;
  if (!ReadTiffLayout(data, length, &tiff, &slow) || slow == 0) return 0;
  // The fast walker runs two directories ahead; meeting the slow one means
  // the chain loops back on itself.
  uint64_t fast = slow;
  uint32_t pages = 0;
  const uint64_t mostEntries = length / (tiff.big ? 20 : 12);
  const uint64_t mostValueBytes = kMostValueBytesPerFileByte * length;
  DirectoryTotals totals = {0, 0};
  DirectoryTotals fastTotals = {0, 0};
  while (slow != 0) {
    if (pages < kMaxPages) ++pages;
    slow = NextDirectory(tiff, slow, &totals);
    if (slow == kBrokenChain) return 0;
    if (totals.entries > mostEntries || totals.valueBytes > mostValueBytes) return 0;
    for (int step = 0; step < 2 && fast != 0; ++step) {
      fast = NextDirectory(tiff, fast, &fastTotals);
      if (fast == kBrokenChain) return 0;
    }
    if (fast != 0 && fast == slow) return 0;
  }
  return static_cast<uint16_t>(pages);
}

}  // namespace rastra
