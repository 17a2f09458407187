// The scan entry of the exported calls: fetches the binarised region from
// the provider and runs the pipeline on it, with per-scan buffers.
#include "api/context.h"
#include "bcxdec.h"
#include "image/provider.h"

using namespace bcx;

extern "C" BCX_API uint16_t BCX_CALL BcxScan(void) noexcept {
  LibraryState& library = g_library;
  if (!library.image.loaded) return 0;
  Context& context = library.context;
  // From here on the scan runs: whatever happens, the old results go.
  EmptyResultTable(context.results);
  const int32_t width = library.image.regionWidth & 0xFFFF;
  const int32_t height = library.image.regionHeight & 0xFFFF;
  if (!library.image.regionCurrent || width == 0 || height == 0) return 0;
  if (!AllocateScanBuffers(context.scan, width, height)) return 0;
  int found = 0;
  if (provider::GetBinaryPixels(context.scan.region, width, height)) found = SegmentRegion(context);
  ReleaseScanBuffers(context.scan);
  return found ? 1 : 0;
}
