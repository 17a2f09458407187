#include "bcxscan_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
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
constexpr size_t kLineBytes = 256;
// Files a worker may run ahead of the oldest one not yet written, per job.
constexpr size_t kWindowPerJob = 64;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count() * kMillisecondsPerSecond;
}

struct ReaderFree {
  void operator()(bcx_reader* reader) const { bcx_reader_free(reader); }
};
using ReaderPtr = std::unique_ptr<bcx_reader, ReaderFree>;

// Standard input read once before any worker starts: with several threads
// the order in which they reach it would otherwise decide which "-" gets the
// image. Later "-" find it used up, as they do when read in turn.
struct StandardInput {
  size_t first;  // index of the first "-" among the files
  bool ok;
  std::vector<uint8_t> data;
};

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

// What one file gave, held until every earlier file has been written, so
// that the output does not depend on the number of jobs.
struct FileReport {
  std::string messages;  // standard error, before the results
  std::string results;   // standard output
  std::string stats;     // standard error, after the results
  int pagesRead;
  size_t symbols;
  bool error;
  bool found;
};

// A picture is named in file order, because names that clash are numbered,
// but drawn by the thread that scanned the file.
struct PendingPicture {
  int32_t page;
  bool multiPage;
  std::vector<Symbol> symbols;
  size_t messageAt;  // where a failure to write it goes among the file's messages
  std::string path;
};

struct FileScan {
  Input input;
  FileReport report;
  std::vector<PendingPicture> pictures;
  bool statsDue;
};

// One thread's share: a reader set up like every other.
struct Scanner {
  const Options* options;
  bcx_reader* reader;
  bool regionRefused;                  // the reader takes no region this large, so none fits
  const StandardInput* standardInput;  // nullptr when "-" is read in turn
};

// Only the thread that writes results touches the streams.
struct Output {
  FILE* out;
  FILE* err;
  bool progress;
  bool progressShown;
};

void ClearProgress(Output* output) {
  if (!output->progressShown) return;
  std::fputs("\r\033[K", output->err);
  std::fflush(output->err);
  output->progressShown = false;
}

void ShowProgress(Output* output, size_t index, size_t count, const std::string& name) {
  if (!output->progress) return;
  std::fprintf(output->err, "\r\033[K%s: [%zu/%zu] %s", kProgram, index + 1, count,
               EscapeBytes(name).c_str());
  std::fflush(output->err);
  output->progressShown = true;
}

std::string ErrorLine(const std::string& name, const std::string& reason) {
  return std::string(kProgram) + ": " + EscapeBytes(name) + ": " + reason + "\n";
}

void ReportFileError(FileReport* report, const std::string& name, const std::string& reason) {
  report->messages += ErrorLine(name, reason);
  report->error = true;
}

bool ReadStream(FILE* stream, std::vector<uint8_t>* data) {
  uint8_t chunk[kReadChunk];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof(chunk), stream)) > 0) {
    data->insert(data->end(), chunk, chunk + got);
  }
  return std::ferror(stream) == 0;
}

bool ReadStandardInput(const Scanner& scanner, size_t index, Input* input) {
  const StandardInput* copy = scanner.standardInput;
  if (copy == nullptr) return ReadStream(stdin, &input->data);
  if (index != copy->first) return true;
  input->data = copy->data;
  return copy->ok;
}

// Reads standard input whole; a path is only tried, so that a missing file
// or a folder gets its own message rather than the reader's "not a readable
// image".
bool OpenInput(const Scanner& scanner, size_t index, Input* input, std::string* reason) {
  if (input->name == "-") {
    input->fromMemory = true;
    if (!ReadStandardInput(scanner, index, input)) {
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
  std::string overBudget;  // the reader's words when the image is over --max-pixels
};

// Keeps the page count a read left, if it left one.
void NotePages(bcx_reader* reader, Input* input) {
  const int pages = bcx_image_page_count(reader);
  if (pages > 0) input->pages = pages;
}

// The page once more over the whole image, to tell a region that does not
// fit from a page that cannot be read. The results are not used.
bool ReadsWithoutRegion(Scanner* scanner, Input* input, int page, PageOutcome* outcome) {
  bcx_reader_set_region(scanner->reader, kNoRegion, kNoRegion, kNoRegion, kNoRegion);
  const bool ok = Read(scanner->reader, *input, page) >= 0;
  AddTimings(scanner->reader, false, input);
  NotePages(scanner->reader, input);
  if (ok) bcx_image_size(scanner->reader, &outcome->width, &outcome->height);
  if (!scanner->regionRefused) SetRegion(*scanner->options, scanner->reader);
  return ok;
}

// Reads one page with every setting; when that fails, finds out why. The
// reader's message is meant for people, but the page count it leaves tells
// a page out of range, and a read without the region a region too large.
PageOutcome ReadPage(Scanner* scanner, Input* input, int page) {
  bcx_reader* reader = scanner->reader;
  PageOutcome outcome = {PageRead::kUnreadable, 0, 0, {}};
  if (!scanner->regionRefused) {
    const bool ok = Read(reader, *input, page) >= 0;
    AddTimings(reader, true, input);
    NotePages(reader, input);
    if (ok) {
      outcome.kind = PageRead::kRead;
      bcx_image_size(reader, &outcome.width, &outcome.height);
      return outcome;
    }
    // An image too large for the pixel budget is refused from its header:
    // say so, rather than that it is no image.
    const std::string message = bcx_reader_error(reader);
    if (message.find("over the reader's budget") != std::string::npos) {
      outcome.overBudget = message;
      return outcome;
    }
  }
  if (input->pages > 0 && page >= input->pages) {
    outcome.kind = PageRead::kNoSuchPage;
  } else if (scanner->options->hasRegion) {
    if (ReadsWithoutRegion(scanner, input, page, &outcome)) {
      outcome.kind = PageRead::kRegionMisfit;
    } else if (input->pages > 0 && page >= input->pages) {
      outcome.kind = PageRead::kNoSuchPage;
    }
  }
  return outcome;
}

// Pages of an input whose first page could not be read: 0 when it is no
// image, 1 for any single-page format, whether or not it is an image.
int CountPages(Scanner* scanner, Input* input) {
  Read(scanner->reader, *input, kCountingPage);
  AddTimings(scanner->reader, false, input);
  NotePages(scanner->reader, input);
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

void NotePicture(FileScan* scan, int32_t page, const std::vector<Symbol>& found) {
  PendingPicture picture = {};
  picture.page = page;
  picture.multiPage = scan->input.pages > 1;
  for (const Symbol& symbol : found) {
    if (symbol.page == page) picture.symbols.push_back(symbol);
  }
  picture.messageAt = scan->report.messages.size();
  scan->pictures.push_back(std::move(picture));
}

// Takes what one page read gave: its symbols, or a message naming the page.
// True when the page was scanned.
bool TakePage(Scanner* scanner, FileScan* scan, int32_t page, const PageOutcome& outcome,
              std::vector<Symbol>* found) {
  const Options& options = *scanner->options;
  Input* input = &scan->input;
  const std::string where =
      input->pages > 1 ? "page " + std::to_string(page) + ": " : std::string();
  if (outcome.kind == PageRead::kRegionMisfit) {
    ReportFileError(&scan->report, input->name,
                    where + "region " + RegionText(options.region) + " does not fit the " +
                        std::to_string(outcome.width) + "x" + std::to_string(outcome.height) +
                        " image");
    return false;
  }
  if (outcome.kind != PageRead::kRead) {
    ReportFileError(&scan->report, input->name, "cannot read page " + std::to_string(page));
    return false;
  }
  if (input->width == 0) {
    input->width = outcome.width;
    input->height = outcome.height;
  }
  ReadResults(options, scanner->reader, page, found);
  return true;
}

std::string FormatSymbols(const Options& options, const std::string& name,
                          const std::vector<Symbol>& found) {
  if (options.quiet) return std::string();
  if (options.format == OutputFormat::kText) return FormatTextBlock(name, found);
  std::string text;
  for (const Symbol& symbol : found) {
    text += options.format == OutputFormat::kTsv ? FormatTsvLine(name, symbol)
                                                 : FormatJsonLine(name, symbol);
  }
  return text;
}

std::string FormatStats(const Input& input, double totalMs) {
  char line[kLineBytes];
  std::snprintf(line, sizeof(line),
                ": %d page%s, %dx%d, load %.2f ms, scan %.2f ms, total %.2f ms\n", input.pages,
                input.pages == 1 ? "" : "s", input.width, input.height, input.loadMs, input.scanMs,
                totalMs);
  return EscapeBytes(input.name) + line;
}

// Scans every page the options ask for. Pictures are only noted: their
// names depend on the files before this one.
void ScanFile(Scanner* scanner, size_t index, const std::string& name, FileScan* scan) {
  const Options& options = *scanner->options;
  Input& input = scan->input;
  FileReport* report = &scan->report;
  input.name = name;
  std::string reason;
  if (!OpenInput(*scanner, index, &input, &reason)) {
    ReportFileError(report, name, reason);
    return;
  }
  const int32_t first = options.page == kAllPages ? 0 : options.page;
  PageOutcome outcome = ReadPage(scanner, &input, first);
  if (outcome.kind == PageRead::kNoSuchPage) {
    // A single-page format is answered without being decoded, so the file
    // may be no image at all.
    PageOutcome whole = {};
    if (input.pages == 1 && !ReadsWithoutRegion(scanner, &input, 0, &whole)) {
      ReportFileError(report, name, "not a readable image");
    } else {
      ReportFileError(report, name,
                      "has no page " + std::to_string(first) + " (pages 0 to " +
                          std::to_string(input.pages - 1) + ")");
    }
    return;
  }
  if (!outcome.overBudget.empty()) {
    ReportFileError(report, name, outcome.overBudget);
    return;
  }
  if (outcome.kind == PageRead::kUnreadable) {
    // Only an image of several pages that were counted can have one bad page.
    input.pages = CountPages(scanner, &input);
    if (input.pages <= 1) {
      ReportFileError(report, name, "not a readable image");
      return;
    }
  }
  const int32_t last = options.page == kAllPages ? input.pages - 1 : first;
  std::vector<Symbol> found;
  bool printable = false;
  for (int32_t page = first; page <= last; ++page) {
    if (page > first) outcome = ReadPage(scanner, &input, page);
    if (!TakePage(scanner, scan, page, outcome, &found)) continue;
    printable = true;
    ++report->pagesRead;
    if (!options.annotate.empty()) NotePicture(scan, page, found);
  }
  report->symbols = found.size();
  report->found = !found.empty();
  if (printable) report->results = FormatSymbols(options, name, found);
  scan->statsDue = options.stats;
}

void NamePictures(PicturePlanner* planner, FileScan* scan) {
  for (PendingPicture& picture : scan->pictures) {
    picture.path = NextPicturePath(planner, scan->input.name, picture.page, picture.multiPage);
  }
}

// Failures are put back where the picture was noted, from the last so that
// the earlier places stay where they were.
void DrawPictures(FileScan* scan) {
  const Input& input = scan->input;
  ImageSource source = {};
  source.path = input.fromMemory ? nullptr : input.name.c_str();
  source.data = input.data.data();
  source.size = input.data.size();
  std::vector<std::string> failures(scan->pictures.size());
  for (size_t i = 0; i < scan->pictures.size(); ++i) {
    const PendingPicture& picture = scan->pictures[i];
    std::string reason;
    if (!WriteAnnotatedPicture(source, picture.page, picture.symbols, picture.path, &reason)) {
      failures[i] = ErrorLine(input.name, reason);
    }
  }
  for (size_t i = failures.size(); i-- > 0;) {
    if (failures[i].empty()) continue;
    scan->report.messages.insert(scan->pictures[i].messageAt, failures[i]);
    scan->report.error = true;
  }
}

// The file's total leaves out the time spent waiting for earlier files.
void FinishFile(FileScan* scan, Clock::time_point start, double waitedMs) {
  if (!scan->pictures.empty()) DrawPictures(scan);
  if (scan->statsDue) {
    scan->report.stats = FormatStats(scan->input, MillisecondsSince(start) - waitedMs);
  }
}

void WriteReport(Output* output, const FileReport& report) {
  if (!report.messages.empty()) {
    ClearProgress(output);
    std::fputs(report.messages.c_str(), output->err);
  }
  if (!report.results.empty()) {
    ClearProgress(output);
    std::fputs(report.results.c_str(), output->out);
    std::fflush(output->out);
  }
  if (!report.stats.empty()) {
    ClearProgress(output);
    std::fputs(report.stats.c_str(), output->err);
  }
}

struct Totals {
  size_t files;
  size_t pages;
  size_t symbols;
  size_t errors;  // files with at least one message
  bool found;
};

void AddToTotals(const FileReport& report, Totals* totals) {
  ++totals->files;
  totals->pages += static_cast<size_t>(report.pagesRead);
  totals->symbols += report.symbols;
  if (report.error) ++totals->errors;
  if (report.found) totals->found = true;
}

const char* Plural(size_t count) { return count == 1 ? "" : "s"; }

// Hands files to worker threads in order and their reports back in the same
// order. Workers stay at most a window ahead of the writer, so that memory
// does not grow with the number of files, even behind a slow one.
class FileQueue {
 public:
  // A file's report waits in the slot of its index modulo the window, which
  // the file a window before it has left by the time a worker takes it.
  FileQueue(size_t count, size_t window)
      : count_(count), slots_(std::min(count, window)), finished_(slots_.size(), false) {}

  // The next file for a worker; false once every file has been taken.
  bool Take(size_t* index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return next_ >= count_ || next_ < written_ + slots_.size(); });
    if (next_ >= count_) return false;
    *index = next_++;
    return true;
  }

  void Finish(size_t index, FileReport report) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slots_[index % slots_.size()] = std::move(report);
      finished_[index % slots_.size()] = true;
    }
    changed_.notify_all();
  }

  // Waits for the file after the last one handed back.
  FileReport Next() {
    FileReport report;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const size_t slot = written_ % slots_.size();
      changed_.wait(lock, [this, slot] { return finished_[slot]; });
      report = std::move(slots_[slot]);
      slots_[slot] = FileReport{};
      finished_[slot] = false;
      ++written_;
    }
    changed_.notify_all();
    return report;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t count_;
  std::vector<FileReport> slots_;
  std::vector<bool> finished_;
  size_t next_ = 0;
  size_t written_ = 0;
};

// Lets files name their pictures one after the other, in file order.
class Turns {
 public:
  void Wait(size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, index] { return current_ == index; });
  }

  void Pass() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++current_;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t current_ = 0;
};

// What every scan of a run shares.
struct Batch {
  const Options* options;
  PicturePlanner* planner;  // nullptr when no picture is wanted
  Turns turns;
};

FileReport ScanOne(Batch* batch, Scanner* scanner, size_t index) {
  const Clock::time_point start = Clock::now();
  FileScan scan = {};
  ScanFile(scanner, index, batch->options->files[index], &scan);
  double waitedMs = 0.0;
  if (batch->planner != nullptr) {
    // Every file takes its turn, pictures or not, or the next would wait.
    const Clock::time_point waiting = Clock::now();
    batch->turns.Wait(index);
    waitedMs = MillisecondsSince(waiting);
    NamePictures(batch->planner, &scan);
    batch->turns.Pass();
  }
  FinishFile(&scan, start, waitedMs);
  return std::move(scan.report);
}

void ScanInTurn(Batch* batch, Scanner* scanner, Output* output, Totals* totals) {
  const std::vector<std::string>& files = batch->options->files;
  for (size_t i = 0; i < files.size(); ++i) {
    ShowProgress(output, i, files.size(), files[i]);
    const FileReport report = ScanOne(batch, scanner, i);
    WriteReport(output, report);
    AddToTotals(report, totals);
  }
}

// Returns false, having scanned nothing, when no thread could be started.
bool ScanOnThreads(Batch* batch, std::vector<Scanner>* scanners, Output* output, Totals* totals) {
  const std::vector<std::string>& files = batch->options->files;
  FileQueue queue(files.size(), scanners->size() * kWindowPerJob);
  std::vector<std::thread> workers;
  for (Scanner& scanner : *scanners) {
    try {
      workers.emplace_back([batch, &scanner, &queue] {
        size_t index = 0;
        while (queue.Take(&index)) queue.Finish(index, ScanOne(batch, &scanner, index));
      });
    } catch (const std::system_error&) {
      // Fewer threads do the same work.
      break;
    }
  }
  if (workers.empty()) return false;
  for (size_t i = 0; i < files.size(); ++i) {
    ShowProgress(output, i, files.size(), files[i]);
    const FileReport report = queue.Next();
    WriteReport(output, report);
    AddToTotals(report, totals);
  }
  for (std::thread& worker : workers) worker.join();
  return true;
}

size_t JobCount(const Options& options) {
  const size_t files = options.files.size();
  size_t jobs = static_cast<size_t>(options.jobs);
  if (options.jobs == kAutomaticJobs) {
    jobs = files > 1 ? std::max(1u, std::thread::hardware_concurrency()) : 1;
  }
  return std::max<size_t>(1, std::min(jobs, files));
}

StandardInput ReadStandardInputOnce(const Options& options) {
  StandardInput input = {options.files.size(), true, {}};
  for (size_t i = 0; i < options.files.size(); ++i) {
    if (options.files[i] == "-") {
      input.first = i;
      input.ok = ReadStream(stdin, &input.data);
      break;
    }
  }
  return input;
}

void PrintSummary(FILE* err, const Totals& totals, double seconds) {
  const double rate = seconds > 0.0 ? static_cast<double>(totals.pages) / seconds : 0.0;
  std::fprintf(
      err, "%s: %zu file%s, %zu page%s, %zu symbol%s, %zu error%s, %.3f s, %.1f images/s\n",
      kProgram, totals.files, Plural(totals.files), totals.pages, Plural(totals.pages),
      totals.symbols, Plural(totals.symbols), totals.errors, Plural(totals.errors), seconds, rate);
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
  if (options.maxPixels != 0 && bcx_reader_set_max_pixels(reader, options.maxPixels) != 1) {
    *error = bcx_reader_error(reader);
    return false;
  }
  return true;
}

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
