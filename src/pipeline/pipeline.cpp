#include "pipeline/pipeline.h"

namespace bcx {

int RunPipeline(Context& context, Mode mode, const GreyRegion& grey) {
  return mode == Mode::kThorough ? RunThoroughPipeline(context, grey) : RunExactPipeline(context);
}

void ReleaseContext(Context& context) {
  EmptyResultTable(context.results);
  ReleaseScanBuffers(context.scan);
  ReleaseThoroughGrouping(context.grouping);
}

}  // namespace bcx
