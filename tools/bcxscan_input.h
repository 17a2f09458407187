// Reading one input, a FILE or standard input, page by page through the
// public reader interface (bcxread.h) only. What a file gives is gathered,
// not written, so that threads may scan files out of order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bcxread.h"
#include "bcxscan_annotate.h"
#include "bcxscan_options.h"

namespace bcxscan {

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

// Scans every page the options ask for. Pictures are only noted: their
// names depend on the files before this one.
void ScanFile(Scanner* scanner, size_t index, const std::string& name, FileScan* scan);

// Standard input for the first "-" among the files, when there is one.
StandardInput ReadStandardInputOnce(const Options& options);

}  // namespace bcxscan
