// The reader's settings from the options. Every thread's reader goes through
// these, so that the number of jobs cannot change what is read.
#pragma once

#include <string>

#include "bcxread.h"
#include "bcxscan_options.h"

namespace bcxscan {

// All four corners at this value read whole images again.
constexpr int kNoRegion = -1;

// Hands mode, symbologies, threshold and limits to a reader (the region is
// handled per file). Returns false with a one-line reason when the reader
// refuses one.
bool ApplySettings(const Options& options, bcx_reader* reader, std::string* error);

// The region of the options, or none; false when the reader refuses it.
bool SetRegion(const Options& options, bcx_reader* reader);

}  // namespace bcxscan
