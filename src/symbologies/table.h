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
};

// Indexed by identifier. Spans are offered to the decoders in this order.
extern const SymbologyDescriptor kSymbologies[kSymbologyCount];

// The row of an identifier, nullptr outside 0..7.
const SymbologyDescriptor* FindSymbology(int32_t id);

// The identifier of a short name, -1 when there is none.
int32_t SymbologyFromName(const char* name);

}  // namespace bcx
