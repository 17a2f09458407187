// Command-line options of bcxscan and their parsing, kept apart from the
// scanning so that every rule can be tested without running a scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bcxscan {

// Symbology identifiers as bcxread.h numbers them; their names come from
// the library (bcx_symbology_name).
enum Symbology : int {
  kCode39,
  kCode128,
  kGs1_128,
  kEan13,
  kEan8,
  kUpcA,
  kUpcE,
  kItf,
  kSymbologyCount
};

constexpr int32_t kAllPages = -1;
constexpr int32_t kDefaultThreshold = 128;
constexpr int32_t kThresholdOtsu = -1;  // the reader's codes for the two automatic levels
constexpr int32_t kThresholdAdaptive = -2;
constexpr int32_t kAutomaticJobs = 0;  // one thread per core with several files, else one
constexpr int32_t kMaxJobs = 1024;

enum class OutputFormat { kText, kTsv, kJson };

struct Options {
  bool enable[kSymbologyCount];  // symbologies the reader decodes
  bool report[kSymbologyCount];  // result types that are printed
  int32_t page;                  // kAllPages or a page from 0
  bool hasRegion;
  uint16_t region[4];  // left, top, right, bottom, inclusive
  int32_t threshold;   // 1..255, kThresholdOtsu or kThresholdAdaptive
  bool hasLimits;
  double limits[3];  // width ratio, minimum and maximum bar length in cm
  bool exact;        // BCX_MODE_EXACT rather than the reader's default, BCX_MODE_THOROUGH
  OutputFormat format;
  std::string annotate;  // empty when no picture is wanted
  int32_t jobs;          // kAutomaticJobs or 1..kMaxJobs
  uint64_t maxPixels;    // pixel budget of each image; 0 for the reader's default
  bool stats;
  bool quiet;
  bool help;
  bool version;
  std::vector<std::string> files;
};

// Fills the defaults: every symbology, every page, threshold 128, thorough
// mode, text, automatic jobs.
void SetDefaultOptions(Options* options);

// Each parser returns false and writes a one-line reason (no program name,
// no newline) into *error when the text is malformed.
bool ParseTypeList(const std::string& text, Options* options, std::string* error);
bool ParsePage(const std::string& text, int32_t* page, std::string* error);
bool ParseRegion(const std::string& text, uint16_t region[4], std::string* error);
bool ParseThreshold(const std::string& text, int32_t* threshold, std::string* error);
bool ParseLimits(const std::string& text, double limits[3], std::string* error);
bool ParseFormat(const std::string& text, OutputFormat* format, std::string* error);
bool ParseJobs(const std::string& text, int32_t* jobs, std::string* error);
bool ParseMaxPixels(const std::string& text, uint64_t* maxPixels, std::string* error);

// Parses argv[1..argc-1]. Returns false with *error set on a usage error.
// A missing FILE is an error unless --help or --version was given.
bool ParseArguments(int argc, const char* const* argv, Options* options, std::string* error);

// The library's lower-case name, used by --types and in every output format;
// "unknown" for an identifier outside 0..7.
const char* TypeName(int type);

// The --help text.
const char* HelpText();

}  // namespace bcxscan
