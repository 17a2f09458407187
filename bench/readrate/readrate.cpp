// bcx_readrate: read rate of rendered symbols by symbology x module width x
// angle, of pages, of the real-world images, and a diagnosis of single
// failures.
//
//   bcx_readrate sweep [--mode exact|thorough|both] [--quick] [--png] [--verbose] [--height px]
//                      [--dump folder] [--results file]
//   bcx_readrate realdata [manifest.tsv] [--mode exact|thorough|both] [--verbose]
//                         [--results file]
//   bcx_readrate pages [--mode exact|thorough|both] [--quick] [--scan] [--pages n]
//                      [--dpi d]... [--dump folder] [--results file] [--verbose]
//   bcx_readrate diagnose <case name> <module width> <degrees>
//   bcx_readrate diagnose-failures [module width...]
//   bcx_readrate diagnose-file <image path in manifest> [manifest.tsv]
//
// Without --mode, sweep and realdata print what they always did, through
// the bcxdec.h exports (clean renders only; thresholds 128 / Otsu /
// adaptive), so earlier numbers stay comparable. With --mode they read
// through a bcx_reader in that mode, or in both side by side: sweep then
// renders clean, blurred, noisy and scan-like images, Code 39 and ITF at
// 2:1, 2.5:1 and 3:1, and counts misreads; --quick takes every third angle.
// With --mode, --results lists every result of every image, its corners
// included, so that the lists of two builds can be compared.
// The sweep hands the reader grey pixels (bcx_read_gray); --png hands it
// the same pixels as PNG bytes (bcx_read_memory), decoding timed too.
// pages always reads through readers, both modes unless told, two pages
// of each kind at each resolution unless --pages says; --quick makes one
// and leaves out 600 dpi; --scan degrades every page like a scan.
#include "readrate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reading.h"
#include "render.h"

namespace {

using bcxtest::ReadCase;

constexpr int kDefaultBarHeight = 50;
int g_barHeight = kDefaultBarHeight;
constexpr int kModuleWidths[] = {2, 3, 4};
constexpr int kAngleStep = 5;
constexpr int kTurn = 360;
constexpr int kAngles = kTurn / kAngleStep;
constexpr double kCornerSlack = 3.0;
constexpr const char* kDefaultManifest = BCX_REALDATA_MANIFEST;

std::vector<ReadCase> TableCases() {
  std::vector<ReadCase> cases = bcxtest::SweepCases();
  // zint's own ITF, wide elements three modules: shows the decoder's limit.
  ReadCase itf3 = cases.back();
  itf3.name = "Itf3to1";
  itf3.symbolDef.wideAsTwo = false;
  cases.push_back(itf3);
  return cases;
}

enum class Outcome { kRead, kWrongCorners, kWrongText, kNothing };

Outcome ReadOnce(const ReadCase& c, int module, int degrees) {
  bcxtest::Scene scene;
  if (!bcxtest::RenderScene(c.symbolDef, module, g_barHeight, degrees, false, &scene)) {
    return Outcome::kNothing;
  }
  std::vector<bcxtest::ReadResult> results;
  if (!bcxtest::ReadImage(scene.png, c.enabled, nullptr, &results)) return Outcome::kNothing;
  bool textSeen = false;
  for (const bcxtest::ReadResult& r : results) {
    if (r.type != c.type || r.text != c.text) continue;
    textSeen = true;
    if (bcxtest::CornersMatch(r, scene.quad, 2.0 * module + kCornerSlack)) return Outcome::kRead;
  }
  if (textSeen) return Outcome::kWrongCorners;
  return results.empty() ? Outcome::kNothing : Outcome::kWrongText;
}

struct Failure {
  std::string caseName;
  int module;
  int degrees;
};

int Sweep(bool verbose, std::vector<Failure>* failures) {
  std::printf("Read rate, clean renders, bar height %d px, angles 0..355 step %d\n", g_barHeight,
              kAngleStep);
  std::printf("(x = nothing read, c = text right but corners off, t = other text)\n\n");
  std::printf("%-10s %6s %7s  %s\n", "symbology", "module", "reads", "failing angles");
  for (const ReadCase& c : TableCases()) {
    for (int module : kModuleWidths) {
      int reads = 0;
      std::string failing;
      for (int d = 0; d < kTurn; d += kAngleStep) {
        const Outcome o = ReadOnce(c, module, d);
        if (o == Outcome::kRead) {
          ++reads;
          continue;
        }
        const char* mark = o == Outcome::kWrongCorners ? "c" : o == Outcome::kWrongText ? "t" : "";
        if (!failing.empty()) failing += ',';
        failing += std::to_string(d);
        failing += mark;
        if (failures != nullptr) failures->push_back({c.name, module, d});
      }
      if (reads == 0) failing = "every angle";
      std::printf("%-10s %6d %4d/%d  %s\n", c.name, module, reads, kAngles,
                  failing.empty() ? "-" : failing.c_str());
      if (verbose) std::fflush(stdout);
    }
  }
  return 0;
}

const ReadCase* FindCase(const std::vector<ReadCase>& cases, const char* name) {
  for (const ReadCase& c : cases) {
    if (std::strcmp(c.name, name) == 0) return &c;
  }
  return nullptr;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: bcx_readrate sweep [--mode exact|thorough|both] [--quick] [--png] [--verbose]\n"
      "                          [--height px] [--dump folder] [--results file]\n"
      "       bcx_readrate realdata [manifest.tsv] [--mode exact|thorough|both] "
      "[--verbose] [--results file]\n"
      "       bcx_readrate pages [--mode exact|thorough|both] [--quick] [--scan]\n"
      "                          [--pages n] [--dpi d]... [--dump folder] [--results file]\n"
      "                          [--verbose]\n"
      "       bcx_readrate diagnose <case> <module> <degrees>\n"
      "       bcx_readrate diagnose-failures [module...]\n"
      "       bcx_readrate diagnose-file <manifest path> [manifest.tsv]\n"
      "cases:");
  for (const ReadCase& c : TableCases()) std::fprintf(stderr, " %s", c.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

// The file --results names, closed when main returns.
struct ResultsFile {
  explicit ResultsFile(const char* path) : file(path ? std::fopen(path, "w") : nullptr) {}
  ~ResultsFile() {
    if (file != nullptr) std::fclose(file);
  }
  ResultsFile(const ResultsFile&) = delete;
  ResultsFile& operator=(const ResultsFile&) = delete;
  FILE* file;
};

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  bool verbose = false;
  bool quick = false;
  bool scan = false;
  bool png = false;
  int perKind = 0;
  std::vector<int> dpis;
  std::string dumpFolder;
  const char* resultsPath = nullptr;
  std::vector<int> modes;
  std::vector<char*> args;  // without the options
  for (int i = 0; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--scan") == 0) {
      scan = true;
    } else if (std::strcmp(argv[i], "--png") == 0) {
      png = true;
    } else if (std::strcmp(argv[i], "--height") == 0 && hasValue) {
      g_barHeight = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--pages") == 0 && hasValue) {
      perKind = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dpi") == 0 && hasValue) {
      dpis.push_back(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--dump") == 0 && hasValue) {
      dumpFolder = argv[++i];
    } else if (std::strcmp(argv[i], "--results") == 0 && hasValue) {
      resultsPath = argv[++i];
    } else if (std::strcmp(argv[i], "--mode") == 0 && hasValue) {
      if (!readrate::ParseModes(argv[++i], &modes)) return Usage();
    } else {
      args.push_back(argv[i]);
    }
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
  ResultsFile results(resultsPath);
  if (resultsPath != nullptr && results.file == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", resultsPath);
    return 2;
  }
  if (mode == "sweep") {
    if (modes.empty()) return Sweep(verbose, nullptr);
    readrate::SweepOptions options;
    options.modes = modes;
    options.quick = quick;
    options.verbose = verbose;
    options.png = png;
    options.barHeight = g_barHeight;
    options.dumpFolder = dumpFolder;
    options.results = results.file;
    return readrate::SweepModes(options);
  }
  if (mode == "realdata") {
    const char* manifest = argc > 2 && argv[2][0] != '-' ? argv[2] : kDefaultManifest;
    if (!modes.empty()) {
      return readrate::ReadRealDataModes(manifest, modes, verbose, results.file);
    }
    return readrate::ReadRealData(manifest, verbose);
  }
  if (mode == "pages") {
    readrate::PagesOptions options;
    if (modes.empty()) readrate::ParseModes("both", &modes);
    options.modes = modes;
    options.quick = quick;
    options.verbose = verbose;
    options.scan = scan;
    options.perKind = perKind > 0 ? perKind : quick ? 1 : 2;
    options.dpis = dpis;
    options.dumpFolder = dumpFolder;
    options.results = results.file;
    return readrate::ReadPages(options);
  }
  if (mode == "diagnose-file" && argc >= 3) {
    return readrate::DiagnoseManifestImage(argc > 3 ? argv[3] : kDefaultManifest, argv[2]);
  }
  const std::vector<ReadCase> cases = TableCases();
  if (mode == "diagnose" && argc == 5) {
    std::vector<ReadCase> named = cases;
    for (const ReadCase& p : bcxtest::PayloadCases()) named.push_back(p);
    const ReadCase* c = FindCase(named, argv[2]);
    if (c == nullptr) return Usage();
    readrate::Diagnose(*c, std::atoi(argv[3]), g_barHeight, std::atof(argv[4]));
    return 0;
  }
  if (mode == "diagnose-failures") {
    std::vector<int> wanted;
    for (int i = 2; i < argc; ++i) wanted.push_back(std::atoi(argv[i]));
    if (wanted.empty()) wanted = {3, 4};
    std::vector<Failure> failures;
    Sweep(false, &failures);
    for (const Failure& f : failures) {
      bool keep = false;
      for (int m : wanted) keep = keep || m == f.module;
      if (!keep) continue;
      std::printf("\n=== %s module %d at %d degrees\n", f.caseName.c_str(), f.module, f.degrees);
      readrate::Diagnose(*FindCase(cases, f.caseName.c_str()), f.module, g_barHeight, f.degrees);
    }
    return 0;
  }
  return Usage();
}
