// The state a scan works on, as one record: the settings, the scan's
// buffers and lists, and the result table. The library's exported calls
// keep one of these for the whole process; every reader keeps its own.
#pragma once

#include "api/results.h"
#include "api/settings.h"
#include "detect/scan.h"
#include "image/image_state.h"

namespace bcx {

struct ScanTrace;

struct Context {
  Settings settings;
  ScanState scan;
  ResultTable results;
  ScanTrace* trace;  // filled by the stages when not nullptr; diagnostics only
  bool thorough;     // the tolerant stages in place of the exact ones
};

// What the exported calls of bcxdec.h share: the context and the current
// image's bookkeeping.
struct LibraryState {
  Context context;
  ImageState image;
};

// Zero at load, like every library variable: nothing runs before the host's
// first call.
extern constinit LibraryState g_library;

}  // namespace bcx
