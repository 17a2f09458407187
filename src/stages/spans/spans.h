// Splits an ordered group into bar spans and offers each span to the enabled
// symbologies.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

struct ResultTable;
struct ScanState;
struct ScanTrace;
struct Settings;

// What decoding a group works on: the ordered, merged bars in scan.group,
// the settings it reads, the result table it fills and the trace (may be
// nullptr).
struct GroupTarget {
  ScanState& scan;
  const Settings& settings;
  ResultTable& results;
  ScanTrace* trace;
};

struct SymbologyDescriptor;

// Decodes the n ordered, merged bars of the target's group table, storing
// every symbol found in its result table.
void DecodeGroup(const GroupTarget& target, int32_t n);

// The span loop of DecodeGroup over a run of the n bars of the group table
// (2n - 1 widths). Rewrites the group table and the run as spans leave.
void DecodeSpans(const GroupTarget& target, double* run, int32_t n);

// The span around the narrowest bar of a run of n bars: out to the nearest
// bar on each side at least widthRatioLimit times as wide, or to the ends.
void FindSpan(const double* run, int32_t n, double widthRatioLimit, int32_t* f, int32_t* l);

// Closes the gap that bars f to l leave in the group table and in the run:
// later bars move down with their widths and following spaces; bar f - 1
// keeps the space that followed it. Returns the number of bars left.
int32_t RemoveSpan(ScanState& scan, double* run, int32_t n, int32_t f, int32_t l);

// Index of the first of the narrowest bars of a run of n bars.
int32_t NarrowestBar(const double* run, int32_t n);

// Offers bars f to l to the symbologies in their fixed order; on success
// stores the corners from the sides of bars f and l. Returns 1 when stored.
int DecodeSpan(const GroupTarget& target, int32_t f, int32_t l, const double* run);

void ReverseElementRun(const double* widths, double* reversed, int32_t count);

// Corners of the symbol on bars f to l of the group table: the first bar's
// side, then the last bar's side the opposite way, going round.
void SpanCorners(const ScanState& scan, int32_t f, int32_t l, Point corners[4]);

// Tries one symbology's decoder on the run forwards, then reversed; a
// success is written to the record at the result count (type, text),
// without raising the count.
int TrySymbology(const SymbologyDescriptor& symbology, const Settings& settings,
                 ResultTable& results, const double* widths, int32_t count);

}  // namespace bcx
