// Readers on several threads at once give exactly what one reader gives
// alone: nothing on the reader path is shared. Built with ThreadSanitizer
// by `make test`, so a shared write shows up even when results agree.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bcxread.h"
#include "corpus.h"
#include "reader_support.h"

namespace bcxtest {
namespace {

struct Image {
  std::vector<uint8_t> encoded;
  GreyPixels grey;
};

// The golden corpus's images (files read into memory), each also as grey
// pixels: a few hundred symbols of every kind, scenes, noise and failures.
std::vector<Image> Corpus() {
  std::vector<Image> images;
  for (const bcxgolden::GoldenCase& c : bcxgolden::GoldenCorpus()) {
    std::vector<uint8_t> bytes = c.image;
    if (!c.file.empty()) {
      std::ifstream file(c.file, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    images.push_back(Image{bytes, DecodeGrey(bytes)});
  }
  return images;
}

// Each image read from memory in exact mode, then from grey pixels in the
// default mode, by one reader.
std::vector<std::vector<Symbol>> ReadAll(bcx_reader* reader, const std::vector<Image>& images,
                                         size_t first, size_t step) {
  std::vector<std::vector<Symbol>> results(2 * images.size());
  for (size_t i = first; i < images.size(); i += step) {
    bcx_reader_set_mode(reader, BCX_MODE_EXACT);
    bcx_read_memory(reader, images[i].encoded.data(), images[i].encoded.size(), 0);
    results[2 * i] = Symbols(reader);
    bcx_reader_set_mode(reader, BCX_MODE_THOROUGH);
    const GreyPixels& g = images[i].grey;
    // An image Leptonica cannot decode gives no pixels: a failed read too.
    bcx_read_gray(reader, g.pixels.empty() ? nullptr : g.pixels.data(), g.width, g.height, g.width);
    results[2 * i + 1] = Symbols(reader);
  }
  return results;
}

TEST(ReaderThreads, ManyReadersGiveTheSingleReaderResults) {
  const std::vector<Image> images = Corpus();
  ASSERT_GE(images.size(), 300u);
  bcx_reader* alone = bcx_reader_new();
  ASSERT_NE(alone, nullptr);
  const std::vector<std::vector<Symbol>> expected = ReadAll(alone, images, 0, 1);
  bcx_reader_free(alone);
  size_t readSomething = 0;
  for (const std::vector<Symbol>& found : expected) readSomething += found.empty() ? 0 : 1;
  ASSERT_GT(readSomething, expected.size() / 2) << "the corpus must exercise decoding";

  constexpr size_t kThreads = 4;
  std::vector<std::vector<std::vector<Symbol>>> perThread(kThreads);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      bcx_reader* reader = bcx_reader_new();
      if (reader == nullptr) return;
      // Interleaved, so that every thread reads images of every kind.
      perThread[t] = ReadAll(reader, images, t, kThreads);
      bcx_reader_free(reader);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < images.size(); ++i) {
    const std::vector<std::vector<Symbol>>& got = perThread[i % kThreads];
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(got[2 * i], expected[2 * i]) << "image " << i << " from memory";
    EXPECT_EQ(got[2 * i + 1], expected[2 * i + 1]) << "image " << i << " from grey pixels";
  }
}

TEST(ReaderThreads, ReadersOfOneFileOnEveryThread) {
  const std::string path = std::string(BCX_SAMPLES_DIR) + "/three-pages.tif";
  constexpr int kThreads = 4;
  constexpr int kRounds = 10;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      bcx_reader* reader = bcx_reader_new();
      if (reader == nullptr) {
        ++wrong;
        return;
      }
      const char* const texts[] = {"590123412345", "BCX-39 SAMPLE", "1234567890"};
      for (int round = 0; round < kRounds; ++round) {
        const int page = (round + t) % 3;
        if (bcx_read_file(reader, path.c_str(), page) != 1 ||
            ResultText(reader, 0) != texts[page]) {
          ++wrong;
        }
      }
      bcx_reader_free(reader);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace bcxtest
