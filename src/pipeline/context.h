// The state a pipeline works on, as one record: the settings, the scan's
// buffers and lists, and the result table. The library's exported calls
// keep one of these for the whole process; every reader keeps its own.
#pragma once

#include "records/results.h"
#include "records/settings.h"
#include "stages/components/scan_state.h"
#include "stages/grouping/grouping_thorough.h"
#include "stages/spans/spans.h"

namespace bcx {

struct ScanTrace;

struct Context {
  Settings settings;
  ScanState scan;
  ThoroughGrouping grouping;  // thorough mode's buffers beside the scan's
  ResultTable results;
  ScanTrace* trace;  // filled by the stages when not nullptr; diagnostics only
};

// What group decoding of this context works on.
inline GroupTarget TargetOf(Context& context) {
  return GroupTarget{context.scan, context.settings, context.results, context.trace};
}

}  // namespace bcx
