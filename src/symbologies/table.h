// One row per symbology: everything the engine, the reader API, the
// command-line tool and the diagnostics need to know about it.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"
#include "symbologies/tolerant/decoder_thorough.h"

namespace bcx {

constexpr int kSymbologyCount = 8;

// The identifiers hosts use, in switches and in result types.
enum SymbologyId : int {
  kCode39 = 0,
  kCode128 = 1,
  kGs1_128 = 2,
  kEan13 = 3,
  kEan8 = 4,
  kUpcA = 5,
  kUpcE = 6,
  kInterleaved2of5 = 7,
};

struct SymbologyDescriptor {
  int32_t id;
  const char* name;  // short name used by the tools: "code39", "gs1-128", ...
  // nullptr for GS1-128, which is a form of Code 128 that its decoder reports.
  DecodeFunction decode;
  // The pattern the decoder calibrates its module widths from, and whether
  // it lies at the start of the run (1) or at its end (0).
  const char* calibrationPattern;
  int32_t alignToStart;
  // The tolerant decoder of thorough reading; nullptr for GS1-128.
  ThoroughDecodeFunction decodeThorough;
  // The type a symbol is reported as when its decoder sets the leading FNC1
  // flag (Code 128 data opening with FNC1 is GS1-128); -1 where there is
  // no such form.
  int32_t fnc1Type;
  // No check character: a reading cut short behind a lost bar still
  // decodes, so thorough reading asks for evidence that the symbol ends
  // where the reading does: light beyond its end bars in the image, and
  // end bars that run on across a line.
  bool needsEndEvidence;
  // The quiet zone, in narrow elements, that a symbol read out of a longer
  // run must have on both sides; 0 where the decoder's own suffices.
  double quietInRunNarrows;
};

// Indexed by identifier. Spans are offered to the decoders in this order.
extern const SymbologyDescriptor kSymbologies[kSymbologyCount];

// The row of an identifier, nullptr outside 0..7.
const SymbologyDescriptor* FindSymbology(int32_t id);

// The identifier of a short name, -1 when there is none.
int32_t SymbologyFromName(const char* name);

// The type a symbol read by `row`'s decoder is reported as.
int32_t ReportedType(const SymbologyDescriptor& row, int32_t leadingFnc1);

}  // namespace bcx
