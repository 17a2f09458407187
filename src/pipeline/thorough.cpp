// The thorough pipeline: the components grouped by proximity along their
// scan line and searched by the tolerant decoders, then lines of grey
// levels across the image for what binarisation lost.
#include "pipeline/pipeline.h"
#include "records/trace.h"
#include "stages/components/components.h"
#include "stages/grouping/grouping_thorough.h"
#include "stages/ordering/ordering.h"
#include "stages/scanlines/scanlines.h"
#include "stages/spans/spans_thorough.h"

namespace bcx {

namespace {

// Every bar not yet in a group seeds one, in the bar list's order; the
// list itself stays as it is, so the grid's indices hold.
void ReadGroups(Context& context) {
  ScanState& scan = context.scan;
  // Without its keys thorough grouping cannot run: no group, no symbol.
  if (!PrepareThoroughGrouping(context.grouping, scan)) return;
  const GroupTarget target = TargetOf(context);
  for (int32_t seed = 0; seed < scan.barCount; ++seed) {
    if (BarTaken(context.grouping, seed)) continue;
    int32_t n = 0;
    CollectGroupThorough(context.grouping, scan, seed, &n);
    const int32_t m = PrepareCollected(scan, n, context.trace);
    if (m > 0) DecodeGroupThorough(target, m);
  }
  scan.barCount = 0;
}

}  // namespace

int RunThoroughPipeline(Context& context, const GreyRegion& grey) {
  ScanState& scan = context.scan;
  SetThoroughLimits(context.settings, grey.width, grey.height);
  RepairSettings(context.settings);
  EmptyResultTable(context.results);
  TraceScanStart(context.trace);
  if (FindBars(scan, context.settings, context.trace) && scan.barCount > 0 &&
      AllocateGroupTable(scan)) {
    ReadGroups(context);
  }
  ReadScanlinesThorough(context.settings, context.results, context.trace, grey.pixels, grey.width,
                        grey.height, grey.stride);
  return context.results.count > 0 ? 1 : 0;
}

}  // namespace bcx
