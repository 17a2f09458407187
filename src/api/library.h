// What the exported calls of bcxdec.h share for the whole process: a
// context and the current image's bookkeeping.
#pragma once

#include "image/image_state.h"
#include "pipeline/context.h"

namespace bcx {

struct LibraryState {
  Context context;
  ImageState image;
};

// Zero at load, like every library variable: nothing runs before the host's
// first call. Only the exports (and the tests that stand in for a host)
// touch it; every stage gets what it needs passed to it.
extern constinit LibraryState g_library;

}  // namespace bcx
