// The scanning loop of bcxscan: every file, every page, through the public
// reader interface (bcxread.h) only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bcxread.h"
#include "bcxscan_options.h"

namespace bcxscan {

constexpr int kExitFound = 0;
constexpr int kExitNothing = 1;
constexpr int kExitTrouble = 2;

// Progress is shown on a terminal once there are more files than this.
constexpr size_t kProgressMinFiles = 4;

// Hands mode, symbologies, threshold and limits to a reader (the region is
// handled per file). Returns false with a one-line reason when the reader
// refuses one.
bool ApplySettings(const Options& options, bcx_reader* reader, std::string* error);

// Scans every file of options.files on options.jobs threads, each with a
// reader of its own, writes results to out and messages to err in file
// order whatever the number of threads, and returns the exit status.
// showProgress enables the one-line progress indicator on err.
int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress);

// The whole program: parsing, settings, scans. Returns the exit status.
int RunProgram(int argc, const char* const* argv, FILE* out, FILE* err, bool errIsTerminal);

}  // namespace bcxscan
