// bcx_peers: the same grey pixels read by independent readers (ZXing-C++,
// and ZBar when it was found at build time) and by bcx readers in exact and
// thorough mode, one process, each read timed alone. The peers run with
// their defaults (ZXing: try harder, rotate, downscale, every format), so a
// peer's result of another format counts as a misread just like ours.
//
//   bcx_peers [--quick] [--sets a4,sweep,realdata] [--manifest manifest.tsv] [--verbose]
//
// Sets: the A4 300-dpi page of the scan benchmark's kind (text and five
// symbols), the sweep's images (every symbol, degradation and module width
// 2..4 px, every 15 degrees; --quick every 45), the real-data manifest's
// images decoded to grey by Leptonica.
#include "peers.h"

#include <allheaders.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bcxread.h"
#include "reading.h"
#include "readrate.h"
#include "synth.h"

namespace {

using readrate::Grey;
using readrate::Symbol;

using peers::Found;

struct Outcome {
  readrate::Score score;
  double ms = -1;        // when the reader timed itself; else the call is timed
  bool aborted = false;  // the peer aborted and was read again another way
  std::string seen;      // what was reported, for --verbose
};

std::string Seen(const std::vector<Found>& found) {
  std::string seen;
  for (const Found& f : found)
    seen += std::string(" ") + f.symbology + " '" + bcxtest::Printable(f.text) + "'";
  return seen;
}

std::string Seen(const std::vector<bcxtest::ReadResult>& results) {
  std::string seen;
  for (const bcxtest::ReadResult& r : results) {
    seen += std::string(" ") + bcx_symbology_name(r.type) + " '" + bcxtest::Printable(r.text) + "'";
  }
  return seen;
}

struct Reader {
  std::string name;
  // Reads the image; scores against the symbols.
  std::function<Outcome(const Grey&, const std::vector<Symbol>&, int dpi)> read;
};

Reader Zxing() {
  return {"zxing-cpp", [](const Grey& g, const std::vector<Symbol>& symbols, int) {
            const peers::ZxingOutcome z = peers::ReadWithZxing(g);
            return Outcome{peers::ScorePeer(z.found, symbols), z.ms, z.aborted, Seen(z.found)};
          }};
}

#if defined(BCX_PEERS_ZBAR)
Reader Zbar() {
  auto scanner = std::make_shared<peers::ZbarScanner>();
  return {"zbar", [scanner](const Grey& g, const std::vector<Symbol>& symbols, int) {
            const std::vector<Found> found = scanner->Read(g);
            return Outcome{peers::ScorePeer(found, symbols), -1, false, Seen(found)};
          }};
}
#endif

Reader Bcx(int mode) {
  std::shared_ptr<bcx_reader> reader(readrate::NewReader(mode), bcx_reader_free);
  return {std::string("bcx ") + readrate::ModeName(mode),
          [reader](const Grey& g, const std::vector<Symbol>& symbols, int dpi) {
            bcx_reader_set_resolution(reader.get(), dpi);
            const std::vector<bcxtest::ReadResult> results =
                readrate::ReadGrey(reader.get(), g, nullptr);
            return Outcome{readrate::ScoreResults(results, symbols), -1, false, Seen(results)};
          }};
}

struct Tally {
  int images = 0;
  int symbols = 0;
  int read = 0;
  int misread = 0;  // results that are none of the image's symbols
  int aborted = 0;
  std::vector<double> ms;
};

// Image sets are made on the fly, one image at a time, so the sweep never
// sits in memory whole; each image is handed to every reader in turn.
using Visit = std::function<void(const Grey&, const std::vector<Symbol>&, int dpi)>;

struct Set {
  std::string name;
  std::function<void(const Visit&)> each;
};

void PrintRow(const std::string& set, const std::string& reader, const Tally& t) {
  std::printf("%-18s %-13s %7d %8d %6d %8d %9.2f %8d\n", set.c_str(), reader.c_str(), t.images,
              t.symbols, t.read, t.misread, readrate::Median(t.ms), t.aborted);
}

constexpr int kScreenDpi = 96;

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  bool verbose = false;
  std::string sets = "a4,sweep,realdata";
  std::string manifest = BCX_REALDATA_MANIFEST;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--sets") == 0 && i + 1 < argc) {
      sets = argv[++i];
    } else if (std::strcmp(argv[i], "--manifest") == 0 && i + 1 < argc) {
      manifest = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: bcx_peers [--quick] [--sets a4,sweep,realdata] [--manifest m.tsv] "
                   "[--verbose]\n");
      return 2;
    }
  }
  setMsgSeverity(L_SEVERITY_ERROR);  // Leptonica's notes on palette PNGs
  auto wanted = [&sets](const char* name) { return sets.find(name) != std::string::npos; };

  std::vector<Reader> readers = {Bcx(BCX_MODE_EXACT), Bcx(BCX_MODE_THOROUGH), Zxing()};
#if defined(BCX_PEERS_ZBAR)
  readers.push_back(Zbar());
#endif

  std::vector<Set> all;
  if (wanted("a4")) {
    all.push_back({"a4 page 300 dpi", [](const Visit& visit) {
                     const readrate::Page page = readrate::A4Page();
                     visit(page.image, page.symbols, page.dpi);
                   }});
  }
  if (wanted("sweep")) {
    const int step = quick ? 45 : 15;
    for (readrate::Degradation d : readrate::kDegradations) {
      all.push_back(
          {std::string("sweep ") + readrate::DegradationName(d), [d, step](const Visit& visit) {
             const std::vector<Symbol> symbols = readrate::SweepSymbols();
             for (size_t si = 0; si < symbols.size(); ++si) {
               for (int module : {2, 3, 4}) {
                 for (int angle = 0; angle < 360; angle += step) {
                   const uint64_t seed = readrate::Random::Mix(
                       readrate::Random::Mix(si, module),
                       readrate::Random::Mix(angle, static_cast<uint64_t>(d)));
                   Grey image;
                   if (!readrate::RenderSymbol(symbols[si], module, 50, angle, d, seed, &image)) {
                     continue;
                   }
                   visit(image, {symbols[si]}, kScreenDpi);
                 }
               }
             }
           }});
    }
  }
  if (wanted("realdata")) {
    all.push_back({"realdata", [&manifest, quick](const Visit& visit) {
                     std::vector<readrate::ManifestEntry> entries;
                     if (!readrate::LoadManifest(manifest, &entries)) {
                       std::fprintf(stderr, "cannot read %s\n", manifest.c_str());
                       return;
                     }
                     for (size_t i = 0; i < entries.size(); i += quick ? 4 : 1) {
                       const readrate::ManifestEntry& e = entries[i];
                       Pix* pix = pixRead(e.path.c_str());
                       if (pix == nullptr) continue;
                       const Grey grey = readrate::FromPix(pix);
                       pixDestroy(&pix);
                       Symbol s;
                       s.name = e.symbology;
                       s.symbology = e.symbology;
                       s.text = e.text;
                       visit(grey, {s}, kScreenDpi);
                     }
                   }});
  }

  std::printf("%-18s %-13s %7s %8s %6s %8s %9s %8s\n", "set", "reader", "images", "symbols", "read",
              "misread", "ms median", "aborted");
  for (const Set& set : all) {
    std::vector<Tally> tallies(readers.size());
    set.each([&](const Grey& image, const std::vector<Symbol>& symbols, int dpi) {
      for (size_t k = 0; k < readers.size(); ++k) {
        Tally& t = tallies[k];
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = readers[k].read(image, symbols, dpi);
        const readrate::Score& score = outcome.score;
        const double ms = outcome.ms >= 0 ? outcome.ms
                                          : std::chrono::duration<double, std::milli>(
                                                std::chrono::steady_clock::now() - start)
                                                .count();
        t.aborted += outcome.aborted ? 1 : 0;
        ++t.images;
        t.symbols += static_cast<int>(symbols.size());
        t.read += score.read;
        t.misread += score.misread;
        t.ms.push_back(ms);
        if (verbose && score.misread > 0) {
          std::printf("  %s: %s misread on an image of %s '%s':%s\n", set.name.c_str(),
                      readers[k].name.c_str(), symbols.empty() ? "-" : symbols[0].name.c_str(),
                      symbols.empty() ? "" : bcxtest::Printable(symbols[0].text).c_str(),
                      outcome.seen.c_str());
        }
      }
    });
    for (size_t k = 0; k < readers.size(); ++k) PrintRow(set.name, readers[k].name, tallies[k]);
    std::fflush(stdout);
  }
  return 0;
}
