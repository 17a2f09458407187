// The scanning loop of bcxscan: every file, every page, through the public
// library interface only.
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

// Image type code for the loaders from the first bytes of a file; only TIFF
// and GIF change how the library pages an image. BCX_IMG_DETECT when the
// bytes are of no known format.
uint16_t SniffImageType(const uint8_t* head, size_t size);

// Hands switches, threshold and limits to the library; call after BcxInit.
// Returns false with a one-line reason when the library refuses one.
bool ApplySettings(const Options& options, std::string* error);

// Scans every file of options.files, writes results to out and messages to
// err, and returns the exit status. showProgress enables the one-line
// progress indicator on err.
int RunScans(const Options& options, FILE* out, FILE* err, bool showProgress);

// The whole program: parsing, settings, scans. Returns the exit status.
int RunProgram(int argc, const char* const* argv, FILE* out, FILE* err, bool errIsTerminal);

}  // namespace bcxscan
