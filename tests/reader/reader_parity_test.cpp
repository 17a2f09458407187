// A reader in exact mode reads every image of the golden corpus exactly as
// the exported calls do: same types, text bytes, order and corners. One
// reader reads the whole corpus, so it also shows that buffers kept from
// read to read (of every size, up and down) change nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bcxread.h"
#include "corpus.h"
#include "reader_support.h"

namespace bcxtest {
namespace {

using bcxgolden::GoldenCase;
using bcxgolden::GoldenPage;
using bcxgolden::GoldenResult;
using bcxgolden::GoldenSymbol;

// The corpus case's settings on the reader, as the exported calls got them.
void Configure(bcx_reader* reader, const GoldenCase& c) {
  bcx_reader_set_mode(reader, BCX_MODE_EXACT);
  uint32_t mask = 0;
  for (uint16_t id : c.symbologies) mask |= 1u << id;
  ASSERT_EQ(bcx_reader_set_types(reader, mask), 1);
  bcx_reader_set_threshold(reader, c.threshold != 0 ? c.threshold : 128);
  if (c.limit) {
    bcx_reader_set_limits(reader, c.limit->widthRatio, c.limit->minLength, c.limit->maxLength);
  } else {
    bcx_reader_set_limits(reader, 10.0, 0.5, 8.0);
  }
  if (c.region) {
    bcx_reader_set_region(reader, c.region->left, c.region->top, c.region->right, c.region->bottom);
  } else {
    bcx_reader_set_region(reader, -1, -1, -1, -1);
  }
}

int Read(bcx_reader* reader, const GoldenCase& c, int page) {
  if (!c.file.empty()) return bcx_read_file(reader, c.file.c_str(), page);
  return bcx_read_memory(reader, c.image.data(), c.image.size(), page);
}

// The reader's results in the form BcxGetRect hands out.
std::vector<GoldenSymbol> Packed(const bcx_reader* reader) {
  std::vector<GoldenSymbol> symbols;
  for (const Symbol& s : Symbols(reader)) {
    GoldenSymbol g{static_cast<uint16_t>(s.type), s.text, {}};
    for (int k = 0; k < 4; ++k) {
      g.corner[k] = static_cast<uint32_t>(s.corners[2 * k]) * 65536u +
                    static_cast<uint32_t>(s.corners[2 * k + 1]);
    }
    symbols.push_back(g);
  }
  return symbols;
}

// Pages the exported calls actually scanned: loaded, sized, in its region.
bool Scanned(const GoldenResult& result, const GoldenPage& page) {
  return result.load == 1 && page.setPage != 0 && page.imageSize == 1 && page.setRegion != 0;
}

std::string Describe(const std::vector<GoldenSymbol>& symbols) {
  std::string out;
  for (const GoldenSymbol& s : symbols) {
    out += "\n  type " + std::to_string(s.type) + " " + bcxgolden::EscapeText(s.text);
    for (uint32_t corner : s.corner) {
      out += " (" + std::to_string(corner >> 16) + "," + std::to_string(corner & 0xFFFF) + ")";
    }
  }
  return out;
}

TEST(ReaderParity, ExactModeReadsTheGoldenCorpusAsTheExportedCalls) {
  const std::vector<GoldenCase> corpus = bcxgolden::GoldenCorpus();
  ASSERT_GE(corpus.size(), 300u);
  bcx_reader* reader = bcx_reader_new();
  ASSERT_NE(reader, nullptr);
  int comparedPages = 0;
  int comparedSymbols = 0;
  for (const GoldenCase& c : corpus) {
    const GoldenResult expected = bcxgolden::RunGoldenCase(c);
    Configure(reader, c);
    for (const GoldenPage& page : expected.pages) {
      if (!Scanned(expected, page)) continue;
      const int found = Read(reader, c, page.page);
      const std::vector<GoldenSymbol> got = Packed(reader);
      EXPECT_EQ(found, static_cast<int>(page.count))
          << c.name << " page " << page.page << ": " << bcx_reader_error(reader);
      EXPECT_EQ(got, page.symbols)
          << c.name << " page " << page.page << "\nreader:" << Describe(got)
          << "\nexported calls:" << Describe(page.symbols);
      ++comparedPages;
      comparedSymbols += static_cast<int>(page.symbols.size());
    }
  }
  bcx_reader_free(reader);
  // Most of the corpus is compared, and most of it reads something.
  EXPECT_GE(comparedPages, 300);
  EXPECT_GE(comparedSymbols, 300);
}

}  // namespace
}  // namespace bcxtest
