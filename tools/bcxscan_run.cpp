#include "bcxscan_run.h"

#include <memory>
#include <string>
#include <vector>

#include "bcxread.h"
#include "bcxscan_annotate.h"
#include "bcxscan_format.h"
#include "bcxscan_input.h"
#include "bcxscan_jobs.h"
#include "bcxscan_settings.h"

#ifndef BCXSCAN_VERSION
#define BCXSCAN_VERSION "unknown"
#endif

namespace bcxscan {
namespace {

struct ReaderFree {
  void operator()(bcx_reader* reader) const { bcx_reader_free(reader); }
};
using ReaderPtr = std::unique_ptr<bcx_reader, ReaderFree>;

const char* Plural(size_t count) { return count == 1 ? "" : "s"; }

void PrintSummary(FILE* err, const Totals& totals, double seconds) {
  const double rate = seconds > 0.0 ? static_cast<double>(totals.pages) / seconds : 0.0;
  std::fprintf(
      err, "%s: %zu file%s, %zu page%s, %zu symbol%s, %zu error%s, %.3f s, %.1f images/s\n",
      kProgram, totals.files, Plural(totals.files), totals.pages, Plural(totals.pages),
      totals.symbols, Plural(totals.symbols), totals.errors, Plural(totals.errors), seconds, rate);
}

}  // namespace

int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress) {
  const Clock::time_point start = Clock::now();
  const size_t jobs = JobCount(options);
  std::vector<ReaderPtr> readers;
  std::vector<Scanner> scanners;
  for (size_t j = 0; j < jobs; ++j) {
    readers.emplace_back(bcx_reader_new());
    bcx_reader* reader = readers.back().get();
    if (reader == nullptr) {
      std::fprintf(err, "%s: out of memory\n", kProgram);
      return kExitTrouble;
    }
    std::string error;
    if (!ApplySettings(options, reader, &error)) {
      std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
      return kExitTrouble;
    }
    // The reader refuses only corners no image reaches; every file then
    // gets the message naming its size.
    scanners.push_back(Scanner{&options, reader, !SetRegion(options, reader), nullptr});
  }
  Output output = {};
  output.out = out;
  output.err = err;
  output.progress = showProgress && !options.quiet && options.files.size() > kProgressMinFiles;
  PicturePlanner planner;
  Batch batch;
  batch.options = &options;
  batch.planner = nullptr;
  if (!options.annotate.empty()) {
    const std::string& out = options.annotate;
    const bool folder = options.files.size() > 1 || out.back() == '/' || IsFolder(out);
    std::string reason;
    if (folder && !PrepareFolder(options.annotate, &reason)) {
      std::fprintf(err, "%s: %s\n", kProgram, reason.c_str());
      return kExitTrouble;
    }
    StartPlanner(&planner, options.annotate, folder);
    batch.planner = &planner;
  }
  Totals totals = {};
  bool scanned = false;
  StandardInput standardInput;
  if (jobs > 1) {
    standardInput = ReadStandardInputOnce(options);
    for (Scanner& scanner : scanners) scanner.standardInput = &standardInput;
    scanned = ScanOnThreads(&batch, &scanners, &output, &totals);
  }
  if (!scanned) ScanInTurn(&batch, &scanners.front(), &output, &totals);
  ClearProgress(&output);
  if (options.stats) {
    PrintSummary(err, totals, MillisecondsSince(start) / kMillisecondsPerSecond);
  }
  if (totals.errors > 0) return kExitTrouble;
  return totals.found ? kExitFound : kExitNothing;
}

int RunProgram(int argc, const char* const* argv, FILE* out, FILE* err, bool errIsTerminal) {
  Options options;
  std::string error;
  if (!ParseArguments(argc, argv, &options, &error)) {
    std::fprintf(err, "%s: %s; see %s --help\n", kProgram, error.c_str(), kProgram);
    return kExitTrouble;
  }
  if (options.help) {
    std::fputs(HelpText(), out);
    return kExitFound;
  }
  if (options.version) {
    std::fprintf(out, "%s %s\n", kProgram, BCXSCAN_VERSION);
    return kExitFound;
  }
  return RunScans(options, out, err, errIsTerminal);
}

}  // namespace bcxscan
