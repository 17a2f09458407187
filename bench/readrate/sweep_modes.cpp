// The degradation sweep through readers: every symbol of SweepSymbols at
// module widths 2..4 and every angle step, each image read in each mode.
#include <allheaders.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "reading.h"
#include "readrate.h"
#include "synth.h"

namespace readrate {
namespace {

constexpr int kModules[] = {2, 3, 4};
constexpr int kModuleCount = 3;

struct Cell {
  std::array<int, kModuleCount> read{};
  int images = 0;
  int misread = 0;
  std::vector<double> ms;
  std::array<std::string, kModuleCount> failing;
};

int Total(const Cell& c) { return c.read[0] + c.read[1] + c.read[2]; }

void SaveFailure(const std::string& folder, const Grey& image, const char* degradation,
                 const std::string& symbol, int module, int angle, const char* mode) {
  std::string name = folder + "/" + mode + "-" + degradation + "-" + symbol + "-" +
                     std::to_string(module) + "px-" + std::to_string(angle) + ".png";
  for (char& ch : name) {
    if (ch == ' ' || ch == ':') ch = '_';
  }
  Pix* pix = ToPix(image);
  if (pix != nullptr) pixWrite(name.c_str(), pix, IFF_PNG);
  pixDestroy(&pix);
}

}  // namespace

int SweepModes(const SweepOptions& o) {
  const std::vector<Symbol> symbols = SweepSymbols();
  const int step = o.quick ? 15 : 5;
  std::vector<bcx_reader*> readers;
  for (int mode : o.modes) readers.push_back(NewReader(mode));
  const size_t nd = std::size(kDegradations);
  // cells[degradation][symbol][mode]
  std::vector<std::vector<std::vector<Cell>>> cells(
      nd, std::vector<std::vector<Cell>>(symbols.size(), std::vector<Cell>(o.modes.size())));
  std::printf(
      "Sweep through readers: bar height %d px, modules 2/3/4 px, angles 0..355 step %d,\n"
      "every symbology on. read = the right text reported (corners not checked);\n"
      "misread = images with any other result. Per module width in brackets.\n",
      o.barHeight, step);
  for (size_t d = 0; d < nd; ++d) {
    for (size_t si = 0; si < symbols.size(); ++si) {
      for (int mi = 0; mi < kModuleCount; ++mi) {
        for (int angle = 0; angle < 360; angle += step) {
          const uint64_t seed = Random::Mix(Random::Mix(si, kModules[mi]), Random::Mix(angle, d));
          Grey image;
          if (!RenderSymbol(symbols[si], kModules[mi], o.barHeight, angle, kDegradations[d], seed,
                            &image)) {
            continue;
          }
          std::vector<uint8_t> png;
          if (o.png) {
            Pix* pix = ToPix(image);
            png = bcxtest::EncodePng(pix);
            bcxtest::DestroyPix(&pix);
          }
          for (size_t m = 0; m < o.modes.size(); ++m) {
            double ms = 0;
            const std::vector<bcxtest::ReadResult> results =
                o.png ? ReadEncoded(readers[m], png, &ms) : ReadGrey(readers[m], image, &ms);
            const Score score = ScoreResults(results, {symbols[si]});
            if (o.results != nullptr) {
              ListResults(o.results,
                          std::string(DegradationName(kDegradations[d])) + " " + symbols[si].name +
                              " " + std::to_string(kModules[mi]) + "px " + std::to_string(angle),
                          o.modes[m], results);
            }
            if (o.verbose && score.misread > 0) {
              std::printf(
                  "  misread, %s %s %d px %d degrees, %s:", DegradationName(kDegradations[d]),
                  symbols[si].name.c_str(), kModules[mi], angle, ModeName(o.modes[m]));
              for (const bcxtest::ReadResult& r : results) {
                std::printf(" %s '%s'", bcx_symbology_name(r.type),
                            bcxtest::Printable(r.text).c_str());
              }
              std::printf("\n");
            }
            Cell& c = cells[d][si][m];
            ++c.images;
            c.read[mi] += score.read;
            c.misread += score.misread > 0 ? 1 : 0;
            c.ms.push_back(ms);
            if (score.read == 0 || score.misread > 0) {
              if (!o.dumpFolder.empty()) {
                SaveFailure(o.dumpFolder, image, DegradationName(kDegradations[d]),
                            symbols[si].name, kModules[mi], angle, ModeName(o.modes[m]));
              }
              std::string& f = c.failing[mi];
              if (!f.empty()) f += ',';
              f += std::to_string(angle);
              if (score.misread > 0) f += 't';
            }
          }
        }
      }
    }
    std::printf("\n== %s\n%-13s", DegradationName(kDegradations[d]), "symbol");
    for (int mode : o.modes)
      std::printf(" | %-8s %-21s %7s", ModeName(mode), "read (2/3/4 px)", "misread");
    std::printf("\n");
    for (size_t si = 0; si < symbols.size(); ++si) {
      std::printf("%-13s", symbols[si].name.c_str());
      for (const Cell& c : cells[d][si]) {
        char reads[48];
        std::snprintf(reads, sizeof reads, "%d/%d (%d %d %d)", Total(c), c.images, c.read[0],
                      c.read[1], c.read[2]);
        std::printf(" | %-8s %-21s %7d", "", reads, c.misread);
      }
      std::printf("\n");
      if (o.verbose) {
        for (size_t m = 0; m < o.modes.size(); ++m) {
          for (int mi = 0; mi < kModuleCount; ++mi) {
            const std::string& f = cells[d][si][m].failing[mi];
            if (f.empty()) continue;
            std::printf("    %s %d px fails at %s\n", ModeName(o.modes[m]), kModules[mi],
                        f.c_str());
          }
        }
      }
    }
    std::fflush(stdout);
  }
  std::printf("\n== summary\n%-10s", "degraded");
  for (int mode : o.modes)
    std::printf(" | %-8s %11s %7s %8s", ModeName(mode), "read", "misread", "ms/img");
  std::printf("\n");
  for (size_t d = 0; d < nd; ++d) {
    std::printf("%-10s", DegradationName(kDegradations[d]));
    for (size_t m = 0; m < o.modes.size(); ++m) {
      int read = 0;
      int images = 0;
      int misread = 0;
      std::vector<double> ms;
      for (size_t si = 0; si < symbols.size(); ++si) {
        const Cell& c = cells[d][si][m];
        read += Total(c);
        images += c.images;
        misread += c.misread;
        ms.insert(ms.end(), c.ms.begin(), c.ms.end());
      }
      char reads[32];
      std::snprintf(reads, sizeof reads, "%d/%d", read, images);
      std::printf(" | %-8s %11s %7d %8.2f", "", reads, misread, Median(ms));
    }
    std::printf("\n");
  }
  for (bcx_reader* r : readers) bcx_reader_free(r);
  return 0;
}

}  // namespace readrate
