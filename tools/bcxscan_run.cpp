#include "bcxscan_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "bcxread.h"
#include "bcxscan_annotate.h"
#include "bcxscan_format.h"

#ifndef BCXSCAN_VERSION
#define BCXSCAN_VERSION "unknown"
#endif

namespace bcxscan {
namespace {

constexpr const char* kProgram = "bcxscan";
constexpr size_t kHeadBytes = 16;
constexpr size_t kReadChunk = 1 << 16;
constexpr int kNoRegion = -1;
// No image has this page, so asking for it makes the reader count the pages
// and stop before decoding any.
constexpr int kCountingPage = INT_MAX;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr mode_t kFolderMode = 0777;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count() * kMillisecondsPerSecond;
}

struct ReaderFree {
  void operator()(bcx_reader* reader) const { bcx_reader_free(reader); }
};
using ReaderPtr = std::unique_ptr<bcx_reader, ReaderFree>;

// Everything known about one input while it is being scanned.
struct Input {
  std::string name;           // as given on the command line
  std::vector<uint8_t> data;  // standard input, read whole
  bool fromMemory;
  int pages;  // 0 until the reader has counted them
  double loadMs;
  double scanMs;
  int width;  // of the first page scanned
  int height;
};

struct Run {
  const Options* options;
  bcx_reader* reader;
  bool regionRefused;  // the reader takes no region this large, so none fits
  FILE* out;
  FILE* err;
  bool progress;
  bool progressShown;
  bool anyError;
  bool anyFound;
  PicturePlanner planner;
};

void ClearProgress(Run* run) {
  if (!run->progressShown) return;
  std::fputs("\r\033[K", run->err);
  std::fflush(run->err);
  run->progressShown = false;
}

void ShowProgress(Run* run, size_t index, size_t count, const std::string& name) {
  if (!run->progress) return;
  std::fprintf(run->err, "\r\033[K%s: [%zu/%zu] %s", kProgram, index + 1, count,
               EscapeBytes(name).c_str());
  std::fflush(run->err);
  run->progressShown = true;
}

void ReportFileError(Run* run, const std::string& name, const std::string& reason) {
  ClearProgress(run);
  std::fprintf(run->err, "%s: %s: %s\n", kProgram, EscapeBytes(name).c_str(), reason.c_str());
  run->anyError = true;
}

bool ReadStream(FILE* stream, std::vector<uint8_t>* data) {
  uint8_t chunk[kReadChunk];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof(chunk), stream)) > 0) {
    data->insert(data->end(), chunk, chunk + got);
  }
  return std::ferror(stream) == 0;
}

// Reads standard input whole; a path is only tried, so that a missing file
// or a folder gets its own message rather than the reader's "not a readable
// image".
bool OpenInput(Input* input, std::string* reason) {
  if (input->name == "-") {
    input->fromMemory = true;
    if (!ReadStream(stdin, &input->data)) {
      *reason = "cannot read standard input";
      return false;
    }
    if (input->data.empty()) {
      *reason = "empty input";
      return false;
    }
    return true;
  }
  FILE* file = std::fopen(input->name.c_str(), "rb");
  if (file == nullptr) {
    *reason = std::string("cannot open (") + std::strerror(errno) + ")";
    return false;
  }
  uint8_t head[kHeadBytes] = {};
  static_cast<void>(std::fread(head, 1, sizeof(head), file));
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  if (!ok) *reason = "cannot read the file";
  return ok;
}

bool SetRegion(const Options& options, bcx_reader* reader) {
  if (!options.hasRegion) {
    return bcx_reader_set_region(reader, kNoRegion, kNoRegion, kNoRegion, kNoRegion) == 1;
  }
  return bcx_reader_set_region(reader, options.region[0], options.region[1], options.region[2],
                               options.region[3]) == 1;
}

int Read(bcx_reader* reader, const Input& input, int page) {
  return input.fromMemory ? bcx_read_memory(reader, input.data.data(), input.data.size(), page)
                          : bcx_read_file(reader, input.name.c_str(), page);
}

// Reads made only to explain a failure count as loading, not scanning.
void AddTimings(bcx_reader* reader, bool scanned, Input* input) {
  double loadMs = 0.0;
  double scanMs = 0.0;
  if (bcx_read_timings(reader, &loadMs, &scanMs) != 1) return;
  input->loadMs += loadMs;
  if (scanned) input->scanMs += scanMs;
}

enum class PageRead { kRead, kRegionMisfit, kNoSuchPage, kUnreadable };

struct PageOutcome {
  PageRead kind;
  int width;  // for kRead and kRegionMisfit
  int height;
};

// Keeps the page count a read left, if it left one.
void NotePages(bcx_reader* reader, Input* input) {
  const int pages = bcx_image_page_count(reader);
  if (pages > 0) input->pages = pages;
}

// The page once more over the whole image, to tell a region that does not
// fit from a page that cannot be read. The results are not used.
bool ReadsWithoutRegion(Run* run, Input* input, int page, PageOutcome* outcome) {
  bcx_reader_set_region(run->reader, kNoRegion, kNoRegion, kNoRegion, kNoRegion);
  const bool ok = Read(run->reader, *input, page) >= 0;
  AddTimings(run->reader, false, input);
  NotePages(run->reader, input);
  if (ok) bcx_image_size(run->reader, &outcome->width, &outcome->height);
  if (!run->regionRefused) SetRegion(*run->options, run->reader);
  return ok;
}

// Reads one page with every setting; when that fails, finds out why. The
// reader's message is meant for people, but the page count it leaves tells
// a page out of range, and a read without the region a region too large.
PageOutcome ReadPage(Run* run, Input* input, int page) {
  bcx_reader* reader = run->reader;
  PageOutcome outcome = {PageRead::kUnreadable, 0, 0};
  if (!run->regionRefused) {
    const bool ok = Read(reader, *input, page) >= 0;
    AddTimings(reader, true, input);
    NotePages(reader, input);
    if (ok) {
      outcome.kind = PageRead::kRead;
      bcx_image_size(reader, &outcome.width, &outcome.height);
      return outcome;
    }
  }
  if (input->pages > 0 && page >= input->pages) {
    outcome.kind = PageRead::kNoSuchPage;
  } else if (run->options->hasRegion) {
    if (ReadsWithoutRegion(run, input, page, &outcome)) {
      outcome.kind = PageRead::kRegionMisfit;
    } else if (input->pages > 0 && page >= input->pages) {
      outcome.kind = PageRead::kNoSuchPage;
    }
  }
  return outcome;
}

// Pages of an input whose first page could not be read: 0 when it is no
// image, 1 for any single-page format, whether or not it is an image.
int CountPages(Run* run, Input* input) {
  Read(run->reader, *input, kCountingPage);
  AddTimings(run->reader, false, input);
  NotePages(run->reader, input);
  return input->pages;
}

void ReadResults(const Options& options, bcx_reader* reader, int32_t page,
                 std::vector<Symbol>* symbols) {
  const int count = bcx_result_count(reader);
  for (int i = 0; i < count; ++i) {
    Symbol symbol = {};
    symbol.page = page;
    symbol.type = bcx_result_type(reader, i);
    if (symbol.type < 0 || symbol.type >= kSymbologyCount || !options.report[symbol.type]) {
      continue;
    }
    const uint8_t* bytes = nullptr;
    const size_t length = bcx_result_text(reader, i, &bytes);
    if (bytes != nullptr) symbol.text.assign(reinterpret_cast<const char*>(bytes), length);
    int32_t xy[2 * kCorners] = {};
    if (bcx_result_corners(reader, i, xy) != 1) continue;
    for (int c = 0; c < kCorners; ++c) symbol.corners[c] = Corner{xy[2 * c], xy[2 * c + 1]};
    symbols->push_back(symbol);
  }
}

std::string RegionText(const uint16_t region[4]) {
  return std::to_string(region[0]) + "," + std::to_string(region[1]) + "," +
         std::to_string(region[2]) + "," + std::to_string(region[3]);
}

void Annotate(Run* run, const Input& input, int32_t page, const std::vector<Symbol>& found) {
  ImageSource source = {};
  source.path = input.fromMemory ? nullptr : input.name.c_str();
  source.data = input.data.data();
  source.size = input.data.size();
  const std::string path = NextPicturePath(&run->planner, input.name, page, input.pages > 1);
  std::vector<Symbol> onPage;
  for (const Symbol& symbol : found) {
    if (symbol.page == page) onPage.push_back(symbol);
  }
  std::string reason;
  if (!WriteAnnotatedPicture(source, page, onPage, path, &reason)) {
    ReportFileError(run, input.name, reason);
  }
}

// Takes what one page read gave: its symbols, or a message naming the page.
// True when the page was scanned.
bool TakePage(Run* run, Input* input, int32_t page, const PageOutcome& outcome,
              std::vector<Symbol>* found) {
  const Options& options = *run->options;
  const std::string where =
      input->pages > 1 ? "page " + std::to_string(page) + ": " : std::string();
  if (outcome.kind == PageRead::kRegionMisfit) {
    ReportFileError(run, input->name,
                    where + "region " + RegionText(options.region) + " does not fit the " +
                        std::to_string(outcome.width) + "x" + std::to_string(outcome.height) +
                        " image");
    return false;
  }
  if (outcome.kind != PageRead::kRead) {
    ReportFileError(run, input->name, "cannot read page " + std::to_string(page));
    return false;
  }
  if (input->width == 0) {
    input->width = outcome.width;
    input->height = outcome.height;
  }
  ReadResults(options, run->reader, page, found);
  return true;
}

void PrintSymbols(Run* run, const std::string& name, const std::vector<Symbol>& found) {
  if (run->options->quiet) return;
  std::string text;
  if (run->options->format == OutputFormat::kText) {
    text = FormatTextBlock(name, found);
  } else {
    for (const Symbol& symbol : found) {
      text += run->options->format == OutputFormat::kTsv ? FormatTsvLine(name, symbol)
                                                         : FormatJsonLine(name, symbol);
    }
  }
  if (text.empty()) return;
  ClearProgress(run);
  std::fputs(text.c_str(), run->out);
  std::fflush(run->out);
}

void PrintStats(Run* run, const Input& input, double totalMs) {
  ClearProgress(run);
  std::fprintf(run->err, "%s: %d page%s, %dx%d, load %.2f ms, scan %.2f ms, total %.2f ms\n",
               EscapeBytes(input.name).c_str(), input.pages, input.pages == 1 ? "" : "s",
               input.width, input.height, input.loadMs, input.scanMs, totalMs);
}

void ScanFile(Run* run, const std::string& name) {
  const Options& options = *run->options;
  const Clock::time_point start = Clock::now();
  Input input = {};
  input.name = name;
  std::string reason;
  if (!OpenInput(&input, &reason)) {
    ReportFileError(run, name, reason);
    return;
  }
  const int32_t first = options.page == kAllPages ? 0 : options.page;
  PageOutcome outcome = ReadPage(run, &input, first);
  if (outcome.kind == PageRead::kNoSuchPage) {
    // A single-page format is answered without being decoded, so the file
    // may be no image at all.
    PageOutcome whole = {};
    if (input.pages == 1 && !ReadsWithoutRegion(run, &input, 0, &whole)) {
      ReportFileError(run, name, "not a readable image");
    } else {
      ReportFileError(run, name,
                      "has no page " + std::to_string(first) + " (pages 0 to " +
                          std::to_string(input.pages - 1) + ")");
    }
    return;
  }
  if (outcome.kind == PageRead::kUnreadable) {
    // Only an image of several pages that were counted can have one bad page.
    input.pages = CountPages(run, &input);
    if (input.pages <= 1) {
      ReportFileError(run, name, "not a readable image");
      return;
    }
  }
  const int32_t last = options.page == kAllPages ? input.pages - 1 : first;
  std::vector<Symbol> found;
  bool printable = false;
  for (int32_t page = first; page <= last; ++page) {
    if (page > first) outcome = ReadPage(run, &input, page);
    if (!TakePage(run, &input, page, outcome, &found)) continue;
    printable = true;
    if (!options.annotate.empty()) Annotate(run, input, page, found);
  }
  if (!found.empty()) run->anyFound = true;
  if (printable) PrintSymbols(run, name, found);
  if (options.stats) PrintStats(run, input, MillisecondsSince(start));
}

std::string ThresholdText(int32_t level) {
  if (level == kThresholdOtsu) return "otsu";
  if (level == kThresholdAdaptive) return "adaptive";
  return std::to_string(level);
}

bool IsFolder(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PrepareFolder(const std::string& folder, std::string* reason) {
  struct stat info = {};
  if (stat(folder.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    *reason = "'" + folder + "' is not a folder";
    return false;
  }
  if (mkdir(folder.c_str(), kFolderMode) == 0) return true;
  *reason = "cannot create folder '" + folder + "' (" + std::strerror(errno) + ")";
  return false;
}

}  // namespace

bool ApplySettings(const Options& options, bcx_reader* reader, std::string* error) {
  if (bcx_reader_set_mode(reader, options.exact ? BCX_MODE_EXACT : BCX_MODE_THOROUGH) != 1) {
    *error = "the reader refused its mode";
    return false;
  }
  uint32_t types = 0;
  for (int type = 0; type < kSymbologyCount; ++type) {
    if (options.enable[type]) types |= 1u << type;
  }
  if (bcx_reader_set_types(reader, types) != 1) {
    *error = "the reader refused the types";
    return false;
  }
  if (bcx_reader_set_threshold(reader, options.threshold) != 1) {
    *error = "the image provider refused threshold " + ThresholdText(options.threshold);
    return false;
  }
  if (options.hasLimits &&
      bcx_reader_set_limits(reader, options.limits[0], options.limits[1], options.limits[2]) != 1) {
    *error = "the library refused the limits";
    return false;
  }
  return true;
}

int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress) {
  const ReaderPtr reader(bcx_reader_new());
  if (reader == nullptr) {
    std::fprintf(err, "%s: out of memory\n", kProgram);
    return kExitTrouble;
  }
  std::string error;
  if (!ApplySettings(options, reader.get(), &error)) {
    std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
    return kExitTrouble;
  }
  Run run = {};
  run.options = &options;
  run.reader = reader.get();
  // The reader refuses only corners no image reaches; every file then gets
  // the message naming its size.
  run.regionRefused = !SetRegion(options, reader.get());
  run.out = out;
  run.err = err;
  run.progress = showProgress && !options.quiet && options.files.size() > kProgressMinFiles;
  if (!options.annotate.empty()) {
    const std::string& out = options.annotate;
    const bool folder = options.files.size() > 1 || out.back() == '/' || IsFolder(out);
    std::string reason;
    if (folder && !PrepareFolder(options.annotate, &reason)) {
      std::fprintf(err, "%s: %s\n", kProgram, reason.c_str());
      return kExitTrouble;
    }
    StartPlanner(&run.planner, options.annotate, folder);
  }
  for (size_t i = 0; i < options.files.size(); ++i) {
    ShowProgress(&run, i, options.files.size(), options.files[i]);
    ScanFile(&run, options.files[i]);
  }
  ClearProgress(&run);
  if (run.anyError) return kExitTrouble;
  return run.anyFound ? kExitFound : kExitNothing;
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
