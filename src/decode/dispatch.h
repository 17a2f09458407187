// Splits an ordered group into bar spans and offers each span to the enabled
// symbologies.
#pragma once

#include <cstdint>

namespace bcx {

// Decodes the n ordered, merged bars of g_scan.group, storing every symbol
// found in the result table.
void DecodeGroup(int32_t n);

// The span loop of DecodeGroup over a run of the n bars of g_scan.group
// (2n - 1 widths). Rewrites the group table and the run as spans leave.
void DecodeSpans(double* run, int32_t n);

// Index of the first of the narrowest bars of a run of n bars.
int32_t NarrowestBar(const double* run, int32_t n);

// Offers bars f to l to the symbologies in their fixed order; on success
// stores the corners from the sides of bars f and l. Returns 1 when stored.
int DecodeSpan(int32_t f, int32_t l, const double* run);

void ReverseElementRun(const double* widths, double* reversed, int32_t count);

// Each tries the run forwards, then reversed; a success is written to the
// record at the result count (type, text), without raising the count.
int TryCode39(const double* widths, int32_t count);
int TryCode128(const double* widths, int32_t count);
int TryEan13(const double* widths, int32_t count);
int TryEan8(const double* widths, int32_t count);
int TryUpcA(const double* widths, int32_t count);
int TryUpcE(const double* widths, int32_t count);
int TryInterleaved2of5(const double* widths, int32_t count);

}  // namespace bcx
