// bcx_readrate: read rate of clean renders by symbology x module width x
// angle, of the real-world images, and a diagnosis of single failures.
//
//   bcx_readrate sweep [--verbose] [--height px]
//   bcx_readrate realdata [manifest.tsv] [--verbose]
//   bcx_readrate diagnose <case name> <module width> <degrees>
//   bcx_readrate diagnose-failures [module width...]
//   bcx_readrate diagnose-file <image path in manifest> [manifest.tsv]
#include "readrate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
        failing += (failing.empty() ? "" : ",") + std::to_string(d) + mark;
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
  std::fprintf(stderr,
               "usage: bcx_readrate sweep [--verbose] [--height px]\n"
               "       bcx_readrate realdata [manifest.tsv] [--verbose]\n"
               "       bcx_readrate diagnose <case> <module> <degrees>\n"
               "       bcx_readrate diagnose-failures [module...]\n"
               "       bcx_readrate diagnose-file <manifest path> [manifest.tsv]\n"
               "cases:");
  for (const ReadCase& c : TableCases()) std::fprintf(stderr, " %s", c.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  bool verbose = false;
  std::vector<char*> args;  // without the options
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--height") == 0 && i + 1 < argc) {
      g_barHeight = std::atoi(argv[++i]);
    } else {
      args.push_back(argv[i]);
    }
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
  if (mode == "sweep") return Sweep(verbose, nullptr);
  if (mode == "realdata") {
    const char* manifest = argc > 2 && argv[2][0] != '-' ? argv[2] : kDefaultManifest;
    return readrate::ReadRealData(manifest, verbose);
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
