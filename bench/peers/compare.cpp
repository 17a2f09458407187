// bcx_compare: the same grey pixels read by bcx readers (exact and
// thorough, through bcxread.h) and by ZXing-C++ (ReadBarcodes, its
// defaults: try harder, rotate, downscale, every format) in one process,
// timed as processor time of the read call alone, nothing decoded from a
// file. Each image is read `reps` times by each reader and its median kept;
// a set's time is the sum of its images' medians, and the ratio is ours
// over ZXing's.
//
//   bcx_compare [--quick] [--reps N] [--sets a4,photo,small,real] [--slowest N]
//               [--misread] [--dump folder] [--realdata manifest.tsv]
//
// Sets: A4 pages of text and eight symbols at 150, 300 and 600 dpi, and
// the scan benchmark's A4 page (denser text, five symbols); one
// photo-like megapixel (uneven light, clutter, blur, noise, one turned
// symbol); a few hundred small rendered symbols (every symbology, module
// 2..4 px, every 60 degrees, clean and scan-like); and the real photos of
// a manifest (by default the one beside the project), where it exists.
//
// A bcx reader is kept from read to read, as a host reading page after page
// keeps it, and reads each image once before it is timed. Every ZXing read
// runs in a forked copy of this process (see peers.h): Debian's 1.4 aborts
// on some images, and for those the time up to the abort is what is
// counted, which is less than the whole read: the images are flagged.
#include <allheaders.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bcxread.h"
#include "peers.h"
#include "reading.h"
#include "readrate.h"
#include "render.h"
#include "synth.h"

namespace {

using readrate::Grey;
using readrate::Symbol;

constexpr int kScreenDpi = 96;
constexpr int kPageReps = 5;
constexpr int kSmallReps = 3;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

struct Item {
  Grey image;
  std::vector<Symbol> symbols;
  int dpi = kScreenDpi;
  std::string label;  // what the image is, for the list of slowest reads
};

using Visit = std::function<void(const Item&)>;

struct Set {
  std::string name;
  int reps;
  std::function<void(const Visit&)> each;
};

struct Tally {
  int images = 0;
  int symbols = 0;
  int read = 0;
  int misread = 0;
  int aborted = 0;
  int failed = 0;          // timing copies that did not report
  std::vector<double> ms;  // per image, the median of its reps
  std::vector<std::string> labels;
};

void Count(Tally* t, const readrate::Score& score, const Item& item, double ms) {
  ++t->images;
  t->symbols += static_cast<int>(item.symbols.size());
  t->read += score.read;
  t->misread += score.misread;
  t->ms.push_back(ms);
  t->labels.push_back(item.label);
}

bool g_showMisreads = false;
std::string g_dumpFolder;  // pages and photos are saved there as PNG

void Dump(const Item& item) {
  if (g_dumpFolder.empty() || item.label.empty()) return;
  std::string name = item.label;
  for (char& c : name) {
    if (c == ' ' || c == '/') c = '-';
  }
  if (name.size() < 4 || name.compare(name.size() - 4, 4, ".png") != 0) name += ".png";
  name = g_dumpFolder + "/" + name;
  Pix* pix = readrate::ToPix(item.image);
  if (pix != nullptr) pixWrite(name.c_str(), pix, IFF_PNG);
  pixDestroy(&pix);
}

void ReadWithBcx(bcx_reader* reader, const Item& item, int reps, Tally* t) {
  bcx_reader_set_resolution(reader, item.dpi);
  const std::vector<bcxtest::ReadResult> results = readrate::ReadGrey(reader, item.image, nullptr);
  if (g_showMisreads) {
    for (const bcxtest::ReadResult& r : results) {
      if (readrate::ScoreResults({r}, item.symbols).misread == 0) continue;
      std::printf(
          "%-16s misread in %s: %s '%s' at (%.0f,%.0f) (%.0f,%.0f) (%.0f,%.0f) (%.0f,%.0f)\n", "",
          item.label.c_str(), bcx_symbology_name(r.type), bcxtest::Printable(r.text).c_str(),
          r.corners[0].x, r.corners[0].y, r.corners[1].x, r.corners[1].y, r.corners[2].x,
          r.corners[2].y, r.corners[3].x, r.corners[3].y);
    }
  }
  std::vector<double> ms;
  for (int k = 0; k < reps; ++k) {
    const double start = ThreadCpuMs();
    bcx_read_gray(reader, item.image.pixels.data(), item.image.width, item.image.height,
                  item.image.width);
    ms.push_back(ThreadCpuMs() - start);
  }
  Count(t, readrate::ScoreResults(results, item.symbols), item, readrate::Median(ms));
}

void ReadWithZxing(const Item& item, int reps, Tally* t) {
  const peers::ZxingOutcome outcome = peers::ReadWithZxing(item.image);
  std::vector<double> ms;
  bool aborted = false;
  for (int k = 0; k < reps; ++k) {
    bool abortedNow = false;
    const double one = peers::TimeZxing(item.image, &abortedNow);
    if (one < 0) {
      ++t->failed;
      continue;
    }
    aborted = aborted || abortedNow;
    ms.push_back(one);
  }
  t->aborted += aborted ? 1 : 0;
  Count(t, peers::ScorePeer(outcome.found, item.symbols), item, readrate::Median(ms));
}

double Sum(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return sum;
}

// A phone's view of a label: light falling off across the frame, printed
// clutter, one symbol turned a little, blurred and noisy.
Item PhotoLike(uint64_t seed) {
  constexpr int kWidth = 1152;
  constexpr int kHeight = 864;
  constexpr int kModulePx = 3;
  constexpr int kBarHeight = 180;
  constexpr double kDegrees = 8.0;
  constexpr double kBrightest = 235.0;
  constexpr double kDimmest = 150.0;
  constexpr double kBlurSigma = 1.1;
  constexpr double kNoiseSigma = 7.0;
  constexpr int kTextPt = 9;
  Item item;
  const Symbol s = readrate::Ean13Symbol("590123412345");
  Grey symbol;
  if (!readrate::RenderSymbol(s, kModulePx, kBarHeight, kDegrees, readrate::Degradation::kClean,
                              seed, &symbol)) {
    return item;
  }
  Pix* canvas = bcxtest::WhiteCanvas(kWidth, kHeight);
  if (canvas == nullptr) return item;
  bcxtest::PrintText(canvas,
                     "Net weight 500 g. Best before see lid. Store in a cool dry place. "
                     "Ingredients: water, sugar, acidity regulator (citric acid), flavourings. "
                     "Distributed by Example Foods Ltd., PO Box 1234, 1000 Brussels. "
                     "Lot 24-117-B. Recycle me.",
                     40, 40, kWidth - 80, kTextPt);
  item.image = readrate::FromPix(canvas);
  pixDestroy(&canvas);
  const int left = (kWidth - symbol.width) / 2;
  const int top = kHeight - symbol.height - 60;
  for (int y = 0; y < symbol.height && top + y < kHeight; ++y) {
    for (int x = 0; x < symbol.width && left + x < kWidth; ++x) {
      if (top + y < 0 || left + x < 0) continue;
      uint8_t& p = item.image.pixels[static_cast<size_t>(top + y) * kWidth + left + x];
      p = std::min(p, symbol.pixels[static_cast<size_t>(y) * symbol.width + x]);
    }
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double fall = std::hypot(x - 0.2 * kWidth, y - 0.1 * kHeight) /
                          std::hypot(static_cast<double>(kWidth), static_cast<double>(kHeight));
      const double light = kBrightest - (kBrightest - kDimmest) * fall;
      uint8_t& p = item.image.pixels[static_cast<size_t>(y) * kWidth + x];
      p = static_cast<uint8_t>(p * light / 255.0);
    }
  }
  readrate::GaussianBlur(&item.image, kBlurSigma);
  readrate::Random random(seed);
  readrate::AddNoise(&item.image, kNoiseSigma, &random);
  item.symbols.push_back(s);
  item.label = "photo-like EAN-13";
  return item;
}

void PrintHeader() {
  std::printf("%-16s %6s %7s | %-24s | %-24s | %-26s\n", "set", "images", "symbols",
              "bcx exact: read ms ratio", "thorough: read ms ratio", "zxing-cpp: read ms aborted");
}

void PrintRow(const std::string& name, const Tally& exact, const Tally& thorough,
              const Tally& zxing) {
  const double z = Sum(zxing.ms);
  auto ratio = [z](const Tally& t) { return z > 0 ? Sum(t.ms) / z : 0.0; };
  std::printf("%-16s %6d %7d | %5d %10.2f %7.3f | %5d %10.2f %7.3f | %5d %10.2f %7d\n",
              name.c_str(), exact.images, exact.symbols, exact.read, Sum(exact.ms), ratio(exact),
              thorough.read, Sum(thorough.ms), ratio(thorough), zxing.read, z, zxing.aborted);
  if (exact.misread + thorough.misread + zxing.misread + zxing.failed > 0) {
    std::printf("%-16s misread: exact %d, thorough %d, zxing %d; zxing timings lost %d\n", "",
                exact.misread, thorough.misread, zxing.misread, zxing.failed);
  }
  if (exact.images > 1) {
    std::printf("%-16s median ms per image: exact %.3f, thorough %.3f, zxing %.3f\n", "",
                readrate::Median(exact.ms), readrate::Median(thorough.ms),
                readrate::Median(zxing.ms));
  }
  std::fflush(stdout);
}

// The images thorough mode spent longest on, beside exact mode's and
// ZXing's time for the same image: where a set's sum goes.
void PrintSlowest(const Tally& exact, const Tally& thorough, const Tally& zxing, int count) {
  std::vector<size_t> order(thorough.ms.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&thorough](size_t a, size_t b) { return thorough.ms[a] > thorough.ms[b]; });
  auto at = [](const Tally& t, size_t i) { return i < t.ms.size() ? t.ms[i] : 0.0; };
  for (size_t k = 0; k < order.size() && k < static_cast<size_t>(count); ++k) {
    const size_t i = order[k];
    std::printf("%-16s slow: %-40s thorough %9.2f exact %7.2f zxing %7.2f\n", "",
                thorough.labels[i].c_str(), thorough.ms[i], at(exact, i), at(zxing, i));
  }
}

}  // namespace

int main(int argc, char** argv) {
  setMsgSeverity(L_SEVERITY_WARNING);  // no notes of each photo's colour map
  bool quick = false;
  int reps = 0;
  int slowest = 0;
  std::string sets = "a4,photo,small,real";
  std::string manifest = BCX_REALDATA_MANIFEST;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
      reps = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--sets") == 0 && i + 1 < argc) {
      sets = argv[++i];
    } else if (std::strcmp(argv[i], "--realdata") == 0 && i + 1 < argc) {
      manifest = argv[++i];
    } else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc) {
      g_dumpFolder = argv[++i];
    } else if (std::strcmp(argv[i], "--misread") == 0) {
      g_showMisreads = true;
    } else if (std::strcmp(argv[i], "--slowest") == 0 && i + 1 < argc) {
      slowest = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: bcx_compare [--quick] [--reps N] [--sets a4,photo,small,real] "
                   "[--slowest N] [--misread] [--dump folder] [--realdata manifest.tsv]\n");
      return 2;
    }
  }
  auto wanted = [&sets](const char* name) { return sets.find(name) != std::string::npos; };
  auto repsOr = [reps](int fallback) { return reps > 0 ? reps : fallback; };

  std::vector<Set> all;
  if (wanted("a4")) {
    for (int dpi : quick ? std::vector<int>{150, 300} : std::vector<int>{150, 300, 600}) {
      all.push_back(
          {"a4 " + std::to_string(dpi) + " dpi", repsOr(kPageReps), [dpi](const Visit& visit) {
             readrate::Page page;
             if (!readrate::MakePage("mixed", dpi, readrate::Random::Mix(1, dpi), &page)) return;
             visit(
                 Item{page.image, page.symbols, dpi, "mixed page " + std::to_string(dpi) + " dpi"});
           }});
    }
  }
  if (wanted("a4")) {
    // The scan benchmark's page: denser text, five symbols.
    all.push_back({"a4 300 bench", repsOr(kPageReps), [](const Visit& visit) {
                     const readrate::Page page = readrate::A4Page();
                     visit(Item{page.image, page.symbols, page.dpi, "scan benchmark page"});
                   }});
  }
  if (wanted("photo")) {
    all.push_back({"photo 1 MP", repsOr(kPageReps), [](const Visit& visit) {
                     const Item item = PhotoLike(7);
                     if (!item.image.pixels.empty()) visit(item);
                   }});
  }
  if (wanted("small")) {
    const int step = quick ? 120 : 60;
    all.push_back({"small synthetic", repsOr(kSmallReps), [step](const Visit& visit) {
                     const std::vector<Symbol> symbols = readrate::SweepSymbols();
                     for (readrate::Degradation d :
                          {readrate::Degradation::kClean, readrate::Degradation::kScanLike}) {
                       for (size_t si = 0; si < symbols.size(); ++si) {
                         for (int module : {2, 3, 4}) {
                           for (int angle = 0; angle < 360; angle += step) {
                             const uint64_t seed = readrate::Random::Mix(
                                 readrate::Random::Mix(si, module),
                                 readrate::Random::Mix(angle, static_cast<uint64_t>(d)));
                             Item item;
                             if (!readrate::RenderSymbol(symbols[si], module, 50, angle, d, seed,
                                                         &item.image)) {
                               continue;
                             }
                             item.symbols = {symbols[si]};
                             item.label = symbols[si].name + " module " + std::to_string(module) +
                                          " at " + std::to_string(angle) + " " +
                                          readrate::DegradationName(d);
                             visit(item);
                           }
                         }
                       }
                     }
                   }});
  }

  std::vector<readrate::ManifestEntry> photos;
  if (wanted("real") && readrate::LoadManifest(manifest, &photos)) {
    all.push_back({"real photos", repsOr(kSmallReps), [&photos](const Visit& visit) {
                     for (const readrate::ManifestEntry& e : photos) {
                       Pix* pix = pixRead(e.path.c_str());
                       if (pix == nullptr) continue;
                       Item item;
                       item.image = readrate::FromPix(pix);
                       pixDestroy(&pix);
                       Symbol s;
                       s.name = e.symbology;
                       s.symbology = e.symbology;
                       s.text = e.text;
                       item.symbols = {s};
                       item.label =
                           e.path.substr(e.path.find_last_of('/', e.path.rfind('/') - 1) + 1);
                       if (!item.image.pixels.empty()) visit(item);
                     }
                   }});
  }

  std::unique_ptr<bcx_reader, void (*)(bcx_reader*)> exact(readrate::NewReader(BCX_MODE_EXACT),
                                                           bcx_reader_free);
  std::unique_ptr<bcx_reader, void (*)(bcx_reader*)> thorough(
      readrate::NewReader(BCX_MODE_THOROUGH), bcx_reader_free);
  if (exact == nullptr || thorough == nullptr) return 1;
  std::printf(
      "Processor time of each read call, grey pixels in memory, median of the reps per image;\n"
      "ms = sum over the set's images; ratio = bcx / zxing-cpp (below 1: bcx faster). ZXing-C++\n"
      "reads in forked copies; an aborted image is timed up to its abort (a lower bound).\n\n");
  PrintHeader();
  for (const Set& set : all) {
    Tally tallies[3];
    set.each([&](const Item& item) {
      Dump(item);
      ReadWithBcx(exact.get(), item, set.reps, &tallies[0]);
      ReadWithBcx(thorough.get(), item, set.reps, &tallies[1]);
      ReadWithZxing(item, set.reps, &tallies[2]);
    });
    PrintRow(set.name, tallies[0], tallies[1], tallies[2]);
    PrintSlowest(tallies[0], tallies[1], tallies[2], slowest);
  }
  return 0;
}
