#include "bcxscan_input.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "bcxscan_format.h"
#include "bcxscan_settings.h"

namespace bcxscan {
namespace {

constexpr size_t kHeadBytes = 16;
constexpr size_t kReadChunk = 1 << 16;
// No image has this page, so asking for it makes the reader count the pages
// and stop before decoding any.
constexpr int kCountingPage = INT_MAX;

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

}  // namespace

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

}  // namespace bcxscan
