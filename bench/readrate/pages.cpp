// Pages of printed text carrying symbols, read whole through readers at
// the page's resolution, so the centimetre limits mean what they say.
#include <allheaders.h>

#include <cstdio>
#include <string>
#include <vector>

#include "reading.h"
#include "readrate.h"
#include "synth.h"

namespace readrate {
namespace {

constexpr double kModuleMm = 0.33;
constexpr double kMmPerInch = 25.4;

struct Tally {
  int pages = 0;
  int placed = 0;
  int read = 0;
  int misread = 0;
  std::vector<double> ms;
};

void SavePage(const std::string& folder, const Page& page, int index) {
  char name[128];
  std::snprintf(name, sizeof name, "%s/%s-%d-%d.png", folder.c_str(), page.kind.c_str(), page.dpi,
                index);
  Pix* pix = ToPix(page.image);
  if (pix != nullptr) pixWrite(name, pix, IFF_PNG);
  pixDestroy(&pix);
}

}  // namespace

int ReadPages(const PagesOptions& o) {
  std::vector<int> dpis = o.dpis;
  if (dpis.empty()) dpis = o.quick ? std::vector<int>{150, 300} : std::vector<int>{150, 300, 600};
  const std::vector<std::string> kinds = PageKinds();
  std::vector<bcx_reader*> readers;
  for (int mode : o.modes) readers.push_back(NewReader(mode));
  std::printf(
      "Pages: A4, X 0.33 mm, bars 15 mm (8 mm on 'hundred'), 10 pt text%s; every\n"
      "symbology on, resolution set to the page's. read = symbols found with their text /\n"
      "symbols placed; misread = results that are none of the page's symbols (on 'text' and\n"
      "'form' pages, which hold none, every result); ms = median per page.\n\n",
      o.scan ? ", every page scan-like degraded" : "");
  std::printf("%-8s %4s %5s %6s", "kind", "dpi", "pages", "placed");
  for (int mode : o.modes)
    std::printf(" | %-8s %5s %7s %8s", ModeName(mode), "read", "misread", "ms/page");
  std::printf("\n");
  std::vector<Tally> sum(o.modes.size());
  std::vector<int> falseReads(o.modes.size(), 0);
  for (size_t k = 0; k < kinds.size(); ++k) {
    for (int dpi : dpis) {
      std::vector<Tally> row(o.modes.size());
      for (int p = 0; p < o.perKind; ++p) {
        const uint64_t seed = Random::Mix(Random::Mix(k, dpi), p);
        Page page;
        if (!MakePage(kinds[k], dpi, seed, &page)) continue;
        if (o.scan) {
          Degrade(&page.image, Degradation::kScanLike, kModuleMm * dpi / kMmPerInch, seed);
        }
        if (!o.dumpFolder.empty()) SavePage(o.dumpFolder, page, p);
        for (size_t m = 0; m < o.modes.size(); ++m) {
          bcx_reader_set_resolution(readers[m], dpi);
          double ms = 0;
          const std::vector<bcxtest::ReadResult> results = ReadGrey(readers[m], page.image, &ms);
          const Score score = ScoreResults(results, page.symbols);
          ListResults(o.results, kinds[k] + " " + std::to_string(dpi) + "dpi " + std::to_string(p),
                      o.modes[m], results);
          Tally& t = row[m];
          ++t.pages;
          t.placed += static_cast<int>(page.symbols.size());
          t.read += score.read;
          t.misread += score.misread;
          t.ms.push_back(ms);
          if (o.verbose &&
              (score.read < static_cast<int>(page.symbols.size()) || score.misread > 0)) {
            std::printf("  %s %d dpi page %d, %s: read %d/%zu; results:", kinds[k].c_str(), dpi, p,
                        ModeName(o.modes[m]), score.read, page.symbols.size());
            for (const bcxtest::ReadResult& r : results) {
              std::printf(" %s '%s'", bcx_symbology_name(r.type),
                          bcxtest::Printable(r.text).c_str());
            }
            std::printf("\n    placed:");
            for (const Symbol& s : page.symbols) {
              std::printf(" %s '%s'", s.name.c_str(), bcxtest::Printable(s.text).c_str());
            }
            std::printf("\n");
          }
        }
      }
      std::printf("%-8s %4d %5d %6d", kinds[k].c_str(), dpi, row.empty() ? 0 : row[0].pages,
                  row.empty() ? 0 : row[0].placed);
      for (size_t m = 0; m < row.size(); ++m) {
        const Tally& t = row[m];
        std::printf(" | %-8s %5d %7d %8.1f", "", t.read, t.misread, Median(t.ms));
        sum[m].pages += t.pages;
        sum[m].placed += t.placed;
        sum[m].read += t.read;
        sum[m].misread += t.misread;
        sum[m].ms.insert(sum[m].ms.end(), t.ms.begin(), t.ms.end());
        if (t.placed == 0) falseReads[m] += t.misread;
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  std::printf("%-8s %4s %5d %6d", "total", "", sum.empty() ? 0 : sum[0].pages,
              sum.empty() ? 0 : sum[0].placed);
  for (const Tally& t : sum)
    std::printf(" | %-8s %5d %7d %8.1f", "", t.read, t.misread, Median(t.ms));
  std::printf("\nfalse reads on pages without symbols:");
  for (size_t m = 0; m < o.modes.size(); ++m) {
    std::printf(" %s %d", ModeName(o.modes[m]), falseReads[m]);
  }
  std::printf("\n");
  for (bcx_reader* r : readers) bcx_reader_free(r);
  return 0;
}

}  // namespace readrate
