// Command-line options of bcxscan and their parsing, kept apart from the
// scanning so that every rule can be tested without running a scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bcxscan {

constexpr int kSymbologyCount = 8;
constexpr int32_t kAllPages = -1;
constexpr int32_t kDefaultThreshold = 128;

enum class OutputFormat { kText, kTsv, kJson };

struct Options {
  bool enable[kSymbologyCount];  // switches handed to BcxScanType
  bool report[kSymbologyCount];  // result types that are printed
  int32_t page;                  // kAllPages or a page from 0
  bool hasRegion;
  uint16_t region[4];  // left, top, right, bottom, inclusive
  int32_t threshold;   // 1..255, BCX_THRESHOLD_OTSU or BCX_THRESHOLD_ADAPTIVE
  bool hasLimits;
  double limits[3];  // width ratio, minimum and maximum bar length in cm
  OutputFormat format;
  std::string annotate;  // empty when no picture is wanted
  bool stats;
  bool quiet;
  bool help;
  bool version;
  std::vector<std::string> files;
};

// Fills the defaults: every symbology, every page, threshold 128, text.
void SetDefaultOptions(Options* options);

// Each parser returns false and writes a one-line reason (no program name,
// no newline) into *error when the text is malformed.
bool ParseTypeList(const std::string& text, Options* options, std::string* error);
bool ParsePage(const std::string& text, int32_t* page, std::string* error);
bool ParseRegion(const std::string& text, uint16_t region[4], std::string* error);
bool ParseThreshold(const std::string& text, int32_t* threshold, std::string* error);
bool ParseLimits(const std::string& text, double limits[3], std::string* error);
bool ParseFormat(const std::string& text, OutputFormat* format, std::string* error);

// Parses argv[1..argc-1]. Returns false with *error set on a usage error.
// A missing FILE is an error unless --help or --version was given.
bool ParseArguments(int argc, const char* const* argv, Options* options, std::string* error);

// Lower-case name used by --types and in every output format; "unknown" for
// an identifier outside 0..7.
const char* TypeName(int type);

// The --help text.
const char* HelpText();

}  // namespace bcxscan
