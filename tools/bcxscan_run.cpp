#include "bcxscan_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "bcxdec.h"
#include "bcxscan_annotate.h"
#include "bcxscan_format.h"

#ifndef BCXSCAN_VERSION
#define BCXSCAN_VERSION "unknown"
#endif

namespace bcxscan {
namespace {

constexpr const char* kProgram = "bcxscan";
constexpr size_t kSniffBytes = 12;
constexpr size_t kLibraryPathLimit = 150;  // the library refuses longer paths
constexpr size_t kReadChunk = 1 << 16;
constexpr uint16_t kOutOfRange = 0xFFFF;
constexpr uint16_t kByteMask = 0xFF;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr mode_t kFolderMode = 0777;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count() * kMillisecondsPerSecond;
}

bool StartsWith(const uint8_t* head, size_t size, const char* magic, size_t length, size_t at = 0) {
  return size >= at + length && std::memcmp(head + at, magic, length) == 0;
}

bool IsMultiPage(uint16_t type) { return type == BCX_IMG_TIFF || type == BCX_IMG_GIF; }

// Everything known about one input while it is being scanned.
struct Input {
  std::string name;           // as given on the command line
  std::vector<uint8_t> data;  // memory image, when loaded from memory
  bool fromMemory;
  uint16_t type;
  double loadMs;
  double scanMs;
  int32_t pages;
  uint16_t width;  // of the first page scanned
  uint16_t height;
};

struct Run {
  const Options* options;
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

// Opens the input, learns its type and, for stdin or a path the library
// would refuse, reads it whole.
bool OpenInput(Input* input, std::string* reason) {
  if (input->name == "-") {
    input->fromMemory = true;
    if (!ReadStream(stdin, &input->data)) {
      *reason = "cannot read standard input";
      return false;
    }
  } else {
    FILE* file = std::fopen(input->name.c_str(), "rb");
    if (file == nullptr) {
      *reason = std::string("cannot open (") + std::strerror(errno) + ")";
      return false;
    }
    input->fromMemory = input->name.size() >= kLibraryPathLimit;
    bool ok = true;
    if (input->fromMemory) {
      ok = ReadStream(file, &input->data);
    } else {
      uint8_t head[kSniffBytes] = {};
      const size_t got = std::fread(head, 1, sizeof(head), file);
      ok = std::ferror(file) == 0;
      input->type = SniffImageType(head, got);
    }
    std::fclose(file);
    if (!ok) {
      *reason = "cannot read the file";
      return false;
    }
  }
  if (input->fromMemory) {
    if (input->data.empty()) {
      *reason = "empty input";
      return false;
    }
    if (input->data.size() > UINT32_MAX) {
      *reason = "too large to load";
      return false;
    }
    input->type = SniffImageType(input->data.data(), input->data.size());
  }
  return true;
}

bool LoadInput(Input* input) {
  const Clock::time_point start = Clock::now();
  const bool ok = input->fromMemory
                      ? BcxLoadFromMem(input->data.data(),
                                       static_cast<uint32_t>(input->data.size()), input->type) == 1
                      : BcxLoadFromFile(input->name.c_str(), input->type) == 1;
  input->loadMs += MillisecondsSince(start);
  return ok;
}

void ReadResults(const Options& options, int32_t page, std::vector<Symbol>* symbols) {
  const uint16_t count = BcxGetCount();
  for (uint16_t i = 0; i < count; ++i) {
    Symbol symbol = {};
    symbol.page = page;
    symbol.type = BcxGetType(i);
    if (symbol.type < 0 || symbol.type >= kSymbologyCount || !options.report[symbol.type]) {
      continue;
    }
    const uint16_t length = BcxGetStrLen(i);
    for (uint16_t k = 0; length != kOutOfRange && k < length; ++k) {
      const uint16_t byte = BcxGetCharAt(i, k);
      if (byte == kOutOfRange) break;
      symbol.text += static_cast<char>(byte & kByteMask);
    }
    uint32_t packed[kCorners] = {};
    if (BcxGetRect(i, &packed[0], &packed[1], &packed[2], &packed[3]) != 1) continue;
    for (int c = 0; c < kCorners; ++c) symbol.corners[c] = UnpackCorner(packed[c]);
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
  source.tiff = input.type == BCX_IMG_TIFF;
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

// Scans one page that the library holds as current; false when the page
// cannot be sized or the region does not fit.
bool ScanPage(Run* run, Input* input, int32_t page, std::vector<Symbol>* found) {
  const Options& options = *run->options;
  const std::string where =
      input->pages > 1 ? "page " + std::to_string(page) + ": " : std::string();
  uint16_t width = 0;
  uint16_t height = 0;
  if (BcxGetImgSize(&width, &height) != 1) {
    ReportFileError(run, input->name, where + "cannot read the image size");
    return false;
  }
  if (options.hasRegion && BcxSetRegion(options.region[0], options.region[1], options.region[2],
                                        options.region[3]) != 1) {
    ReportFileError(run, input->name,
                    where + "region " + RegionText(options.region) + " does not fit the " +
                        std::to_string(width) + "x" + std::to_string(height) + " image");
    return false;
  }
  if (input->width == 0) {
    input->width = width;
    input->height = height;
  }
  const Clock::time_point start = Clock::now();
  BcxScan();
  input->scanMs += MillisecondsSince(start);
  ReadResults(options, page, found);
  return true;
}

bool SelectPage(Input* input, int32_t page) {
  if (!IsMultiPage(input->type)) return page == 0;
  const Clock::time_point start = Clock::now();
  const bool ok = BcxSetPage(static_cast<uint16_t>(page)) == 1;
  input->loadMs += MillisecondsSince(start);
  return ok;
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
  std::fprintf(run->err, "%s: %d page%s, %ux%u, load %.2f ms, scan %.2f ms, total %.2f ms\n",
               EscapeBytes(input.name).c_str(), input.pages, input.pages == 1 ? "" : "s",
               static_cast<unsigned>(input.width), static_cast<unsigned>(input.height),
               input.loadMs, input.scanMs, totalMs);
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
  if (!LoadInput(&input)) {
    ReportFileError(run, name, "not a readable image");
    return;
  }
  input.pages = IsMultiPage(input.type) ? BcxGetNumOfPages() : 1;
  if (input.pages < 1) {
    ReportFileError(run, name, "no readable page");
    return;
  }
  int32_t first = 0;
  int32_t last = input.pages - 1;
  if (options.page != kAllPages) {
    if (options.page >= input.pages) {
      ReportFileError(run, name,
                      "has no page " + std::to_string(options.page) + " (pages 0 to " +
                          std::to_string(input.pages - 1) + ")");
      return;
    }
    first = last = options.page;
  }
  std::vector<Symbol> found;
  bool printable = false;
  for (int32_t page = first; page <= last; ++page) {
    if (!SelectPage(&input, page)) {
      ReportFileError(run, name, "cannot read page " + std::to_string(page));
      continue;
    }
    if (!ScanPage(run, &input, page, &found)) continue;
    printable = true;
    if (!options.annotate.empty()) Annotate(run, input, page, found);
  }
  if (!found.empty()) run->anyFound = true;
  if (printable) PrintSymbols(run, name, found);
  if (options.stats) PrintStats(run, input, MillisecondsSince(start));
}

std::string ThresholdText(int32_t level) {
  if (level == BCX_THRESHOLD_OTSU) return "otsu";
  if (level == BCX_THRESHOLD_ADAPTIVE) return "adaptive";
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

uint16_t SniffImageType(const uint8_t* head, size_t size) {
  if (head == nullptr) return BCX_IMG_DETECT;
  if (StartsWith(head, size, "II*\0", 4) || StartsWith(head, size, "MM\0*", 4)) {
    return BCX_IMG_TIFF;
  }
  if (StartsWith(head, size, "GIF87a", 6) || StartsWith(head, size, "GIF89a", 6)) {
    return BCX_IMG_GIF;
  }
  if (StartsWith(head, size, "\x89PNG", 4)) return BCX_IMG_PNG;
  if (StartsWith(head, size, "\xFF\xD8\xFF", 3)) return BCX_IMG_JPEG;
  if (StartsWith(head, size, "BM", 2)) return BCX_IMG_BMP;
  if (StartsWith(head, size, "RIFF", 4) && StartsWith(head, size, "WEBP", 4, 8)) {
    return BCX_IMG_WEBP;
  }
  if (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7') return BCX_IMG_PNM;
  return BCX_IMG_DETECT;
}

bool ApplySettings(const Options& options, std::string* error) {
  for (int type = 0; type < kSymbologyCount; ++type) {
    BcxScanType(static_cast<uint16_t>(type), options.enable[type] ? 1 : 0);
  }
  if (BcxSetThreshold(options.threshold) != 1) {
    *error = "the image provider refused threshold " + ThresholdText(options.threshold);
    return false;
  }
  if (options.hasLimits &&
      BcxSetLimit(options.limits[0], options.limits[1], options.limits[2]) != 1) {
    *error = "the library refused the limits";
    return false;
  }
  return true;
}

int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress) {
  Run run = {};
  run.options = &options;
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
  BcxInit();
  int status = kExitTrouble;
  if (ApplySettings(options, &error)) {
    status = RunScans(options, out, err, errIsTerminal);
  } else {
    std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
  }
  BcxCleanUp();
  return status;
}

}  // namespace bcxscan
