// The two pipelines, from a region's pixels to the result table. The only
// code that knows which stages each mode runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pipeline/context.h"

namespace bcx {

enum class Mode { kExact, kThorough };

// A region's grey pixels, rows `stride` bytes apart, 0 dark.
struct GreyRegion {
  const uint8_t* pixels;
  int32_t width;
  int32_t height;
  ptrdiff_t stride;
};

// The exact pipeline on the context's filled scan buffers (the binarised
// region): components, grouping, ordering and merging, span decoding.
// Returns 1 when the result count is above 0.
int RunExactPipeline(Context& context);

// The thorough pipeline: the same components, tolerant grouping and span
// search, then grey-profile lines over `grey`, the region the scan buffers
// hold binarised. Measures bars in the region's own pixels (the length
// limits follow from its size, not from centimetres). Returns 1 when the
// result count is above 0.
int RunThoroughPipeline(Context& context, const GreyRegion& grey);

// The pipeline of `mode`; `grey` is read in thorough mode only.
int RunPipeline(Context& context, Mode mode, const GreyRegion& grey);

// Releases every buffer the context holds and empties its result table.
void ReleaseContext(Context& context);

}  // namespace bcx
