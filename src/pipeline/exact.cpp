// The exact pipeline: every group of bars of similar length level with a
// seed, cut into spans at bars much wider than the narrowest, each span
// offered to the symbologies in the table's order.
#include "pipeline/pipeline.h"
#include "records/trace.h"
#include "stages/components/components.h"
#include "stages/grouping/grouping.h"
#include "stages/ordering/ordering.h"
#include "stages/spans/spans.h"

namespace bcx {

int RunExactPipeline(Context& context) {
  ScanState& scan = context.scan;
  RepairSettings(context.settings);
  EmptyResultTable(context.results);
  TraceScanStart(context.trace);
  if (!FindBars(scan, context.settings, context.trace) || scan.barCount == 0) return 0;
  if (!AllocateGroupTable(scan)) return 0;
  context.results.count = 0;
  const GroupTarget target = TargetOf(context);
  // Collection takes the group's bars out of the list.
  while (scan.barCount > 0) {
    int32_t n = 0;
    CollectGroup(scan, &n);
    const int32_t m = PrepareCollected(scan, n, context.trace);
    if (m > 0) DecodeGroup(target, m);
  }
  // A reader keeps its group table for the next read; the library's own
  // scan releases it with the other buffers.
  return context.results.count > 0 ? 1 : 0;
}

}  // namespace bcx
