// The tolerant search of an element run, shared by the groups of the
// components and the lines of grey levels: every enabled symbology in the
// table's order searches the run forwards, then reversed, for as many
// symbols as it holds. The caller weighs each symbol found (where it lies,
// what the image shows around it) and keeps or passes over it.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

struct Settings;
struct SymbologyDescriptor;

struct SpanSearch {
  const double* forward;   // the run, bar first
  const double* reversed;  // the same run read from its other end
  int32_t count;
  const Settings* settings;
  DecodeOptions options;
  int32_t row;  // of the symbology table, searching now
  bool backwards;
  int32_t from;  // where the next search of the run starts
};

// A symbol the search read: its table row, the type it is reported as, and
// the elements it lies on in the forward run (both bars, first <= last).
struct FoundSpan {
  const SymbologyDescriptor* symbology;
  int32_t type;
  int32_t first;
  int32_t last;
  bool backwards;  // read from the run's other end
  int32_t length;  // of the text
};

void StartSpanSearch(SpanSearch& search, const double* forward, const double* reversed,
                     int32_t count, const Settings& settings);

// The next symbol of the search, its text and a NUL written into `text`
// (room for count + 1 bytes). False once every enabled symbology has
// searched both ways.
bool NextSpan(SpanSearch& search, char* text, FoundSpan* found);

}  // namespace bcx
