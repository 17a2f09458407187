#include "stages/spans/span_search.h"

#include "records/settings.h"
#include "symbologies/table.h"

namespace bcx {

void StartSpanSearch(SpanSearch& search, const double* forward, const double* reversed,
                     int32_t count, const Settings& settings) {
  search = SpanSearch{
      forward, reversed, count, &settings, DecodeOptions{SymbologyEnabled(settings, kGs1_128)},
      0,       false,    0};
}

bool NextSpan(SpanSearch& s, char* text, FoundSpan* found) {
  while (s.row < kSymbologyCount) {
    const SymbologyDescriptor& symbology = kSymbologies[s.row];
    if (symbology.decodeThorough != nullptr && SymbologyEnabled(*s.settings, symbology.id)) {
      const double* run = s.backwards ? s.reversed : s.forward;
      while (s.from < s.count) {
        int32_t length = 0;
        int32_t leadingFnc1 = 0;
        ThoroughSpan span{0, 0};
        if (symbology.decodeThorough(run, s.count, s.from, s.options, text, &length, &leadingFnc1,
                                     &span) != 1) {
          break;
        }
        s.from = span.last + 2;
        if (length <= 0) continue;
        *found = FoundSpan{&symbology,
                           ReportedType(symbology, leadingFnc1),
                           s.backwards ? s.count - 1 - span.last : span.first,
                           s.backwards ? s.count - 1 - span.first : span.last,
                           s.backwards,
                           length};
        return true;
      }
    }
    // This direction is done: the other one, then the next symbology.
    s.from = 0;
    if (!s.backwards) {
      s.backwards = true;
    } else {
      s.backwards = false;
      ++s.row;
    }
  }
  return false;
}

}  // namespace bcx
