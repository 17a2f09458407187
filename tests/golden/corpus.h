// A fixed, deterministic set of images and settings whose results through
// the exported calls are pinned in golden.tsv, so that no change of output
// goes unnoticed. Other tests reuse the corpus to compare another way of
// reading the same images against these results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bcxgolden {

struct GoldenLimit {
  double widthRatio;
  double minLength;  // centimetres
  double maxLength;  // centimetres
};

struct GoldenRegion {
  uint16_t left;
  uint16_t top;
  uint16_t right;
  uint16_t bottom;
};

struct GoldenCase {
  std::string name;  // unique; letters, digits and '_' only, usable as a test name
  // Exactly one source: bytes for BcxLoadFromMem, or a file for BcxLoadFromFile.
  std::vector<uint8_t> image;
  std::string file;    // absolute path; empty when `image` is the source
  uint16_t imageType;  // BCX_IMG_...
  // BcxLoadFromMem with type 0 keeps the type of the load before, even across
  // BcxInit. Such a case names that type here; a refused one-byte load of it
  // goes first, so that no case depends on the one run before it.
  uint16_t priorType = 0;
  // Empty: every page of a multi-page type (BcxSetPage before each), or the
  // one image otherwise. Listed: BcxSetPage(page) before each scan, in order.
  std::vector<uint16_t> pages;
  std::vector<uint16_t> symbologies;  // switched on; the other identifiers off
  int32_t threshold = 0;              // 0 leaves BcxInit's level; else BcxSetThreshold
  std::optional<GoldenLimit> limit;
  std::optional<GoldenRegion> region;  // BcxSetRegion after BcxGetImgSize, every page
  bool askImageSize = true;            // false leaves out BcxGetImgSize, so the scan refuses
  uint64_t inputDigest = 0;            // of the pixels drawn, or of the file's bytes
};

// Built afresh on every call, identical every time; a few hundred cases.
std::vector<GoldenCase> GoldenCorpus();

struct GoldenSymbol {
  uint16_t type;       // BcxGetType
  std::string text;    // BcxGetStrLen bytes, each from BcxGetCharAt
  uint32_t corner[4];  // BcxGetRect, packed x * 65536 + y

  bool operator==(const GoldenSymbol&) const = default;
};

struct GoldenPage {
  uint16_t page;
  int32_t setPage;    // BcxSetPage's answer, -1 when not called
  int32_t imageSize;  // BcxGetImgSize's answer, -1 when not asked
  uint16_t width;     // 0 unless BcxGetImgSize wrote it
  uint16_t height;
  int32_t setRegion;  // -1 when not called
  uint16_t scan;
  uint16_t count;  // BcxGetCount
  std::vector<GoldenSymbol> symbols;

  bool operator==(const GoldenPage&) const = default;
};

struct GoldenResult {
  int32_t setThreshold;  // -1 when not called
  int32_t setLimit;      // -1 when not called
  uint16_t load;
  uint16_t pageCount;  // BcxGetNumOfPages after the load
  std::vector<GoldenPage> pages;

  bool operator==(const GoldenResult&) const = default;
};

// Runs one case through the 17 exported calls, from BcxInit to BcxCleanUp.
// Uses the library's one global state: call from one thread at a time.
GoldenResult RunGoldenCase(const GoldenCase& c);

// True when some page of the result read at least one symbol.
bool ReadsSomething(const GoldenResult& result);

// The golden.tsv lines of one case (each ending in '\n'), and the header.
std::string GoldenLines(const GoldenCase& c, const GoldenResult& result);
std::string GoldenHeader();

// Bytes 32..126 as they are except '\', which becomes "\\"; others "\xHH".
std::string EscapeText(const std::string& text);

}  // namespace bcxgolden
