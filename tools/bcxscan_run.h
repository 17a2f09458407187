// The top of bcxscan: the options, a reader per job set up alike, the
// pictures' folder, and the exit status of the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bcxscan_options.h"

namespace bcxscan {

constexpr int kExitFound = 0;
constexpr int kExitNothing = 1;
constexpr int kExitTrouble = 2;

// Progress is shown on a terminal once there are more files than this.
constexpr size_t kProgressMinFiles = 4;

// Scans every file of options.files on options.jobs threads, each with a
// reader of its own, writes results to out and messages to err in file
// order whatever the number of threads, and returns the exit status.
// showProgress enables the one-line progress indicator on err.
int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress);

// The whole program: parsing, settings, scans. Returns the exit status.
int RunProgram(int argc, const char* const* argv, FILE* out, FILE* err, bool errIsTerminal);

}  // namespace bcxscan
