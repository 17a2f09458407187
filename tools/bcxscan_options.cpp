#include "bcxscan_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bcxread.h"

namespace bcxscan {
namespace {

constexpr int64_t kMaxPage = 65535;
constexpr int64_t kMaxCoordinate = 65535;
constexpr int64_t kMinLevel = 1;
constexpr int64_t kMaxLevel = 255;
constexpr int kRegionValues = 4;
constexpr int kLimitValues = 3;

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Whole-string decimal integer, optionally signed; no spaces, no '+'.
bool ParseInteger(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k) {
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
  }
  *value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    parts.push_back(
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

// "code39, code128, ..., itf, all", for the message about an unknown name.
std::string KnownTypeNames() {
  std::string names;
  for (int type = 0; type < kSymbologyCount; ++type) names += std::string(TypeName(type)) + ", ";
  return names + "all";
}

// What an option expects after it; kNone for flags.
enum class ValueKind { kNone, kRequired };

struct OptionSpec {
  char shortName;  // 0 when there is none
  const char* longName;
  ValueKind kind;
};

constexpr OptionSpec kOptionSpecs[] = {
    {'t', "types", ValueKind::kRequired},    {'p', "page", ValueKind::kRequired},
    {'r', "region", ValueKind::kRequired},   {'T', "threshold", ValueKind::kRequired},
    {'l', "limits", ValueKind::kRequired},   {'f', "format", ValueKind::kRequired},
    {'a', "annotate", ValueKind::kRequired}, {'j', "jobs", ValueKind::kRequired},
    {0, "max-pixels", ValueKind::kRequired}, {0, "exact", ValueKind::kNone},
    {0, "stats", ValueKind::kNone},          {'q', "quiet", ValueKind::kNone},
    {0, "version", ValueKind::kNone},        {'h', "help", ValueKind::kNone},
};

const OptionSpec* FindShort(char name) {
  for (const OptionSpec& entry : kOptionSpecs) {
    if (entry.shortName != 0 && entry.shortName == name) return &entry;
  }
  return nullptr;
}

const OptionSpec* FindLong(const std::string& name) {
  for (const OptionSpec& entry : kOptionSpecs) {
    if (name == entry.longName) return &entry;
  }
  return nullptr;
}

bool ApplyOption(const OptionSpec& entry, const std::string& value, Options* options,
                 std::string* error) {
  const std::string name = entry.longName;
  bool ok = true;
  std::string reason;
  if (name == "types") {
    ok = ParseTypeList(value, options, &reason);
  } else if (name == "page") {
    ok = ParsePage(value, &options->page, &reason);
  } else if (name == "region") {
    ok = ParseRegion(value, options->region, &reason);
    options->hasRegion = ok;
  } else if (name == "threshold") {
    ok = ParseThreshold(value, &options->threshold, &reason);
  } else if (name == "limits") {
    ok = ParseLimits(value, options->limits, &reason);
    options->hasLimits = ok;
  } else if (name == "format") {
    ok = ParseFormat(value, &options->format, &reason);
  } else if (name == "annotate") {
    ok = !value.empty();
    reason = "--annotate needs a file or folder name";
    options->annotate = value;
  } else if (name == "jobs") {
    ok = ParseJobs(value, &options->jobs, &reason);
  } else if (name == "max-pixels") {
    ok = ParseMaxPixels(value, &options->maxPixels, &reason);
  } else if (name == "exact") {
    options->exact = true;
  } else if (name == "stats") {
    options->stats = true;
  } else if (name == "quiet") {
    options->quiet = true;
  } else if (name == "version") {
    options->version = true;
  } else if (name == "help") {
    options->help = true;
  }
  if (!ok) *error = reason;
  return ok;
}

}  // namespace

const char* TypeName(int type) {
  const char* name = bcx_symbology_name(type);
  return name != nullptr ? name : "unknown";
}

void SetDefaultOptions(Options* options) {
  for (int type = 0; type < kSymbologyCount; ++type) {
    options->enable[type] = true;
    options->report[type] = true;
  }
  options->page = kAllPages;
  options->hasRegion = false;
  for (uint16_t& value : options->region) value = 0;
  options->threshold = kDefaultThreshold;
  options->hasLimits = false;
  for (double& value : options->limits) value = 0.0;
  options->exact = false;
  options->maxPixels = 0;
  options->format = OutputFormat::kText;
  options->annotate.clear();
  options->jobs = kAutomaticJobs;
  options->stats = false;
  options->quiet = false;
  options->help = false;
  options->version = false;
  options->files.clear();
}

bool ParseTypeList(const std::string& text, Options* options, std::string* error) {
  bool enable[kSymbologyCount] = {};
  bool report[kSymbologyCount] = {};
  for (const std::string& item : SplitCommas(text)) {
    const std::string name = Lower(item);
    if (name == "all") {
      for (int type = 0; type < kSymbologyCount; ++type) enable[type] = report[type] = true;
      continue;
    }
    const int type = bcx_symbology_from_name(name.c_str());
    if (type < 0 || type >= kSymbologyCount) {
      *error = item.empty()
                   ? "empty name in --types '" + text + "'"
                   : "unknown type '" + item + "' in --types (known: " + KnownTypeNames() + ")";
      return false;
    }
    enable[type] = report[type] = true;
  }
  // GS1-128 symbols are read by the Code 128 decoder; its switch only
  // changes how they are reported. Plain Code 128 results are then dropped
  // unless code128 was asked for as well.
  if (report[kGs1_128]) enable[kCode128] = true;
  for (int type = 0; type < kSymbologyCount; ++type) {
    options->enable[type] = enable[type];
    options->report[type] = report[type];
  }
  return true;
}

bool ParsePage(const std::string& text, int32_t* page, std::string* error) {
  if (Lower(text) == "all") {
    *page = kAllPages;
    return true;
  }
  int64_t value = 0;
  if (!ParseInteger(text, &value) || value < 0 || value > kMaxPage) {
    *error = "invalid page '" + text + "' (a page number from 0 to 65535, or all)";
    return false;
  }
  *page = static_cast<int32_t>(value);
  return true;
}

bool ParseRegion(const std::string& text, uint16_t region[4], std::string* error) {
  const std::vector<std::string> parts = SplitCommas(text);
  int64_t values[kRegionValues] = {};
  bool ok = parts.size() == kRegionValues;
  for (int i = 0; ok && i < kRegionValues; ++i) {
    ok = ParseInteger(parts[i], &values[i]) && values[i] >= 0 && values[i] <= kMaxCoordinate;
  }
  if (!ok) {
    *error = "invalid region '" + text + "' (expected L,T,R,B: four pixel coordinates 0..65535)";
    return false;
  }
  if (values[0] >= values[2] || values[1] >= values[3]) {
    *error = "invalid region '" + text + "' (left must be below right and top below bottom)";
    return false;
  }
  for (int i = 0; i < kRegionValues; ++i) region[i] = static_cast<uint16_t>(values[i]);
  return true;
}

bool ParseThreshold(const std::string& text, int32_t* threshold, std::string* error) {
  const std::string name = Lower(text);
  if (name == "otsu") {
    *threshold = kThresholdOtsu;
    return true;
  }
  if (name == "adaptive") {
    *threshold = kThresholdAdaptive;
    return true;
  }
  int64_t value = 0;
  if (!ParseInteger(text, &value) || value < kMinLevel || value > kMaxLevel) {
    *error = "invalid threshold '" + text + "' (a level from 1 to 255, otsu or adaptive)";
    return false;
  }
  *threshold = static_cast<int32_t>(value);
  return true;
}

bool ParseLimits(const std::string& text, double limits[3], std::string* error) {
  const std::vector<std::string> parts = SplitCommas(text);
  double values[kLimitValues] = {};
  bool ok = parts.size() == kLimitValues;
  for (int i = 0; ok && i < kLimitValues; ++i) ok = ParseNumber(parts[i], &values[i]);
  if (!ok) {
    *error = "invalid limits '" + text + "' (expected RATIO,MIN_CM,MAX_CM, three numbers)";
    return false;
  }
  if (values[0] <= 0 || values[1] <= 0 || values[2] <= 0 || values[1] > values[2]) {
    *error = "invalid limits '" + text + "' (all positive, minimum not above maximum)";
    return false;
  }
  for (int i = 0; i < kLimitValues; ++i) limits[i] = values[i];
  return true;
}

bool ParseFormat(const std::string& text, OutputFormat* format, std::string* error) {
  const std::string name = Lower(text);
  if (name == "text") {
    *format = OutputFormat::kText;
  } else if (name == "tsv") {
    *format = OutputFormat::kTsv;
  } else if (name == "json") {
    *format = OutputFormat::kJson;
  } else {
    *error = "unknown format '" + text + "' (text, tsv or json)";
    return false;
  }
  return true;
}

bool ParseJobs(const std::string& text, int32_t* jobs, std::string* error) {
  int64_t value = 0;
  if (!ParseInteger(text, &value) || value < 1 || value > kMaxJobs) {
    *error = "invalid job count '" + text + "' (a number of threads from 1 to " +
             std::to_string(kMaxJobs) + ")";
    return false;
  }
  *jobs = static_cast<int32_t>(value);
  return true;
}

bool ParseMaxPixels(const std::string& text, uint64_t* maxPixels, std::string* error) {
  // The reader's own range: up to what the image provider can hold at all.
  constexpr int64_t kMostPixels = int64_t{1} << 28;
  int64_t value = 0;
  if (!ParseInteger(text, &value) || value < 1 || value > kMostPixels) {
    *error = "invalid pixel budget '" + text + "' (a number of pixels from 1 to " +
             std::to_string(kMostPixels) + ")";
    return false;
  }
  *maxPixels = static_cast<uint64_t>(value);
  return true;
}

bool ParseArguments(int argc, const char* const* argv, Options* options, std::string* error) {
  SetDefaultOptions(options);
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options->files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* entry = nullptr;
    std::string value;
    std::string shown;  // the option as typed, without its joined value
    bool hasInlineValue = false;
    if (arg.compare(0, 2, "--") == 0) {
      const size_t equals = arg.find('=');
      shown = arg.substr(0, equals);
      entry = FindLong(shown.substr(2));
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        hasInlineValue = true;
      }
    } else {
      shown = arg.substr(0, 2);
      entry = FindShort(arg[1]);
      if (arg.size() > 2) {
        value = arg.substr(2);
        hasInlineValue = true;
      }
    }
    if (entry == nullptr) {
      *error = "unknown option '" + shown + "'";
      return false;
    }
    if (entry->kind == ValueKind::kNone && hasInlineValue) {
      *error = "option '" + shown + "' takes no value";
      return false;
    }
    if (entry->kind == ValueKind::kRequired && !hasInlineValue) {
      if (i + 1 >= argc) {
        *error = "option '" + arg + "' needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!ApplyOption(*entry, value, options, error)) return false;
  }
  if (options->files.empty() && !options->help && !options->version) {
    *error = "no input file";
    return false;
  }
  return true;
}

const char* HelpText() {
  return R"(Usage: bcxscan [options] FILE...
Reads the linear barcodes in each image FILE and prints one line per symbol.
FILE may be - to read an image from standard input. Formats: PNG, JPEG, TIFF,
BMP, PNM, GIF, WebP; a TIFF's pages and a GIF's frames are scanned in turn.

Options:
  -t, --types LIST      symbologies to read, comma-separated: code39, code128,
                        gs1-128, ean13, ean8, upca, upce, itf, or all (default).
                        Code 128 data opening with FNC1 is reported as gs1-128
                        when gs1-128 is listed; with only code128 it is
                        reported as code128 and the FNC1 shows as \xC9.
  -p, --page N|all      page to scan, counted from 0; default all pages.
  -r, --region L,T,R,B  scan only this rectangle (inclusive pixel coordinates,
                        left < right, top < bottom, inside the image).
  -T, --threshold N|otsu|adaptive
                        binarisation: a pixel is dark when its grey value is
                        below N (1..255, default 128); otsu picks one level
                        for the image, adaptive a local level for uneven light.
  -l, --limits RATIO,MIN_CM,MAX_CM
                        width ratio bounding a symbol (5..20, default 10) and
                        the shortest and longest bar in cm (default 0.5,8).
      --exact           read as the process-wide calls of bcxdec.h do, result
                        for result; the default, thorough mode, may use more
                        tolerant stages meant for real scans.
  -f, --format text|tsv|json
                        text (default): aligned columns for people, and
                        "no symbol found" for a file without any;
                        tsv: one line per symbol: file, page, type, text and
                        the four corners as x,y, separated by tabs;
                        json: JSON Lines, one object per symbol with the keys
                        file, page, type, text and corners ([[x,y],...]).
  -a, --annotate OUT.png
                        write a PNG copy of the image with each symbol's
                        outline and type drawn on it. With several FILEs, or
                        when OUT is a folder or ends in /, OUT is a folder
                        (created when missing) that receives one picture per
                        file and page, named after the file; with one FILE of
                        several pages, later pages go to OUT-pN.png.
  -j, --jobs N          read N files at a time, each on a thread with a reader
                        of its own (1..1024; default: one per core when there
                        are several FILEs, else 1). Output, messages and exit
                        status are the same for any N, in FILE order.
      --max-pixels N    refuse any image or page of more than N pixels, from its
                        header, before decoding it (default 100000000; at most
                        268435456): such a file is an error, exit status 2.
      --stats           after each file, print its page count, the size of
                        its first page and its load, scan and total
                        milliseconds on standard error; at the end, a summary:
                        files, pages read, symbols, files with errors, wall
                        seconds and images (pages read) per second.
  -q, --quiet           print no results, only errors; the exit status tells.
      --version         print the version and exit.
  -h, --help            print this help and exit.

Texts and file names in all formats: bytes 32..126 stand as themselves,
except the backslash, written \\; every other byte is written \xHH (FNC1 is
\xC9, a tab \x09). Corners are image pixel coordinates going round the
symbol.

Exit status: 0 when at least one symbol was read, 1 when none was, 2 on a
usage error or when a file could not be read (the other files are still
scanned and a message naming the file goes to standard error).
)";
}

}  // namespace bcxscan
